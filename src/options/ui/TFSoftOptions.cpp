#include "options/ui/TFSoftOptions.h"

#include "app/WebServer.h"
#include "app/ui/ActionGuard.h"
#include "app/ui/AppContext.h"
#include "common/Errors.h"
#include "options/VersionCheck.h"
#include "platform/MessageService.h"
#include "platform/UrlOpener.h"
#include "texts/LanguageFile.h"
#include "texts/TextId.h"
#include "widgets/FlatButton.h"
#include "widgets/TitlePanel.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kLanguageSuffix = QStringLiteral(".lng");

// "Deutsch.lng" -> "Deutsch"
QString languageName(const QString &fileName)
{
    return fileName.left(fileName.size() - kLanguageSuffix.size());
}

// Neither a folder nor a symbolic link, and writable by someone: files that the system marks
// read-only are not offered.
bool isOfferedLanguageFile(const QFileInfo &info)
{
    constexpr QFile::Permissions kWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return info.isFile() && !info.isSymLink() && (info.permissions() & kWrite);
}

QLabel *plainLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QCheckBox *checkBox(const QString &name, QWidget *parent)
{
    auto *box = new QCheckBox(parent);
    box->setObjectName(name);
    return box;
}

FlatButton *button(const QString &name, QStyle::StandardPixmap glyph, QWidget *parent)
{
    auto *b = new FlatButton(glyph, parent);
    b->setObjectName(name);
    return b;
}

void keepPlaceWhenHidden(QWidget *widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

} // namespace

TFSoftOptions::TFSoftOptions(AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context), m_title(new TitlePanel(this)), m_pcOptions(new QTabWidget(this))
{
    setObjectName(QStringLiteral("TFSoftOptions"));
    m_pcOptions->setObjectName(QStringLiteral("PC_Options"));
    m_tsLanguage = buildLanguageTab();
    m_tsConOptions = buildConnectionTab();
    m_tsSoftSettings = buildSettingsTab();
    m_pcOptions->addTab(m_tsLanguage, QString());
    m_pcOptions->addTab(m_tsConOptions, QString());
    m_pcOptions->addTab(m_tsSoftSettings, QString());

    auto *buttonPanel = new QWidget(this);
    buttonPanel->setObjectName(QStringLiteral("P_Buttons"));
    m_btnOk = button(QStringLiteral("Btn_OK"), QStyle::SP_DialogOkButton, buttonPanel);
    m_btnCancel = button(QStringLiteral("Btn_Cancel"), QStyle::SP_DialogCancelButton, buttonPanel);
    m_btnOk->setMinimumWidth(90);
    m_btnCancel->setMinimumWidth(90);
    auto *buttons = new QHBoxLayout(buttonPanel);
    buttons->setContentsMargins(12, 0, 12, 10);
    buttons->addStretch();
    buttons->addWidget(m_btnOk);
    buttons->addWidget(m_btnCancel);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_title);
    auto *body = new QVBoxLayout;
    body->setContentsMargins(10, 8, 10, 4);
    body->addWidget(m_pcOptions);
    layout->addLayout(body, 1);
    layout->addWidget(buttonPanel);

    connect(m_btnPrev, &QPushButton::clicked, this, [this] { guarded([this] { Btn_NextClick(false); }); });
    connect(m_btnNext, &QPushButton::clicked, this, [this] { guarded([this] { Btn_NextClick(true); }); });
    for (QCheckBox *box : {m_cbEnCon, m_cbUpdate, m_cbJumpTable, m_cbAutoSize})
        connect(box, &QCheckBox::toggled, this, [this] { Update_CheckBox(); });
    connect(m_btnCheckUpdate, &QPushButton::clicked, this, [this] { guarded([this] { Btn_Check_UpdateClick(); }); });
    connect(m_llCheckUpdate, &QLabel::linkActivated, this,
            [this](const QString &link) { LL_Check_UpdateLinkClick(link); });
    connect(m_btnOk, &QPushButton::clicked, this, [this] { guarded([this] { Btn_OKClick(); }); });
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    m_title->setCode(m_context.identity.Software_Code);
    resize(520, 420);
    Set_Lang();
}

QWidget *TFSoftOptions::buildLanguageTab()
{
    auto *tab = new QWidget(m_pcOptions);
    tab->setObjectName(QStringLiteral("TS_Language"));
    m_lSelLang = plainLabel(QStringLiteral("L_Sel_Lang"), tab);
    QFont bold = m_lSelLang->font();
    bold.setBold(true);
    m_lSelLang->setFont(bold);

    // Entries 1 to 3 fill the left column top to bottom, 4 to 6 the right one.
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(8);
    for (int k = 0; k < kEntriesPerPage; ++k) {
        const QString number = QString::number(k + 1);
        QLabel *flag = plainLabel(QStringLiteral("I_L") + number, tab);
        QLabel *name = plainLabel(QStringLiteral("L_L") + number, tab);
        flag->setFixedSize(kFlagSize, kFlagSize);
        flag->setAlignment(Qt::AlignCenter);
        name->setMinimumWidth(120);
        for (QLabel *label : {flag, name}) {
            label->setCursor(Qt::PointingHandCursor);
            label->installEventFilter(this);
            keepPlaceWhenHidden(label);
        }
        const int row = k % 3;
        const int column = (k / 3) * 2;
        grid->addWidget(flag, row, column);
        grid->addWidget(name, row, column + 1);
        m_flags[k] = flag;
        m_names[k] = name;
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    m_btnPrev = button(QStringLiteral("Btn_Prev"), QStyle::SP_ArrowLeft, tab);
    m_btnNext = button(QStringLiteral("Btn_Next"), QStyle::SP_ArrowRight, tab);
    m_btnNext->setLayoutDirection(Qt::RightToLeft); // the arrow after the caption
    keepPlaceWhenHidden(m_btnPrev);
    keepPlaceWhenHidden(m_btnNext);
    m_lPageLang = plainLabel(QStringLiteral("L_Page_Lang"), tab);
    m_lPageLang->setAlignment(Qt::AlignCenter);
    auto *pager = new QHBoxLayout;
    pager->addWidget(m_btnPrev);
    pager->addWidget(m_lPageLang, 1);
    pager->addWidget(m_btnNext);

    auto *layout = new QVBoxLayout(tab);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(m_lSelLang);
    layout->addSpacing(8);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(pager);
    return tab;
}

QWidget *TFSoftOptions::buildConnectionTab()
{
    auto *tab = new QWidget(m_pcOptions);
    tab->setObjectName(QStringLiteral("TS_Con_Options"));
    m_cbEnCon = checkBox(QStringLiteral("CB_En_Con"), tab);
    m_cbUpdate = checkBox(QStringLiteral("CB_Update"), tab);
    m_btnCheckUpdate = button(QStringLiteral("Btn_Check_Update"), QStyle::SP_BrowserReload, tab);
    m_llCheckUpdate = new QLabel(tab);
    m_llCheckUpdate->setObjectName(QStringLiteral("LL_Check_Update"));
    m_llCheckUpdate->setTextFormat(Qt::RichText);
    m_llCheckUpdate->setOpenExternalLinks(false);
    m_llCheckUpdate->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_llCheckUpdate->setWordWrap(true);
    m_llCheckUpdate->hide();

    auto *check = new QHBoxLayout;
    check->addWidget(m_btnCheckUpdate);
    check->addStretch();
    auto *layout = new QVBoxLayout(tab);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(m_cbEnCon);
    layout->addWidget(m_cbUpdate);
    layout->addSpacing(12);
    layout->addLayout(check);
    layout->addWidget(m_llCheckUpdate);
    layout->addStretch();
    return tab;
}

QWidget *TFSoftOptions::buildSettingsTab()
{
    auto *tab = new QWidget(m_pcOptions);
    tab->setObjectName(QStringLiteral("TS_Soft_Settings"));
    m_cbJumpTable = checkBox(QStringLiteral("CB_Soft_Set_Jump_Table"), tab);
    m_cbAutoSize = checkBox(QStringLiteral("CB_DoubleClick_Auto_Size"), tab);
    auto *layout = new QVBoxLayout(tab);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(m_cbJumpTable);
    layout->addWidget(m_cbAutoSize);
    layout->addStretch();
    return tab;
}

void TFSoftOptions::guarded(const std::function<void()> &action)
{
    Run_Guarded(*m_context.services.messages, action);
}

void TFSoftOptions::Set_Lang()
{
    setWindowTitle(m_context.text(TextId::Options_SoftwareOptions));
    m_title->setDescription(m_context.text(TextId::Options_SoftwareOptions_301));
    m_pcOptions->setTabText(m_pcOptions->indexOf(m_tsLanguage), m_context.text(TextId::Options_Language));
    m_pcOptions->setTabText(m_pcOptions->indexOf(m_tsConOptions), m_context.text(TextId::Options_ConnectionOptions));
    m_pcOptions->setTabText(m_pcOptions->indexOf(m_tsSoftSettings), m_context.text(TextId::Options_SoftwareSettings));
    showLanguageLabels();
    m_btnPrev->setText(m_context.text(TextId::Options_Previous));
    m_btnNext->setText(m_context.text(TextId::Options_Next));
    m_cbEnCon->setText(m_context.text(TextId::Options_EnableInternetConnection));
    m_cbUpdate->setText(m_context.text(TextId::Options_CheckSoftwareUpdateStartProgram));
    m_btnCheckUpdate->setText(m_context.text(TextId::Options_CheckAvailableUpdate));
    m_cbJumpTable->setText(m_context.text(TextId::Options_JumpIntoNextFieldTablesPressing));
    m_cbAutoSize->setText(m_context.text(TextId::Options_EnableAutoSizeTableColumnsDouble));
    m_btnOk->setText(m_context.text(TextId::Options_OK));
    m_btnCancel->setText(m_context.text(TextId::Options_Cancel));
    showCheckResult();
}

bool TFSoftOptions::Check_Version()
{
    if (!m_context.services.http)
        return false;
    return ::Check_Version(*m_context.services.http, WebServer::Version_Query_Url(m_context.identity.Software_Code));
}

void TFSoftOptions::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFSoftOptions::FormShow()
{
    Language_In_Use = m_context.settings.Language;
    m_lastCheck = CheckResult::None;
    m_llCheckUpdate->hide();
    m_pcOptions->setCurrentWidget(m_tsLanguage);
    m_cbEnCon->setChecked(m_context.settings.Enable_Internet);
    m_cbUpdate->setChecked(m_context.settings.Enable_Update);
    m_cbJumpTable->setChecked(m_context.settings.Enable_Jump_Field_Tables);
    m_cbAutoSize->setChecked(m_context.settings.Double_Click_Auto_Size);
    Update_CheckBox();
    // Last, so that a flag that cannot be read is reported with the rest of the window ready.
    guarded([this] { Create_Lang_List(); });
}

void TFSoftOptions::Create_Lang_List()
{
    SL_Languages.clear();
    const QDir dir(m_context.workspace.Language_Dir);
    const QFileInfoList entries =
        dir.entryInfoList({QStringLiteral("*") + kLanguageSuffix},
                          QDir::Files | QDir::Hidden | QDir::NoSymLinks | QDir::CaseSensitive);
    for (const QFileInfo &info : entries) {
        if (isOfferedLanguageFile(info))
            SL_Languages.append(info.fileName());
    }
    std::sort(SL_Languages.begin(), SL_Languages.end(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    Show_Page = 1;
    Update_Lang_Page(1);
}

int TFSoftOptions::pageCount() const
{
    return static_cast<int>((SL_Languages.size() + kEntriesPerPage - 1) / kEntriesPerPage);
}

void TFSoftOptions::showLanguageLabels()
{
    m_lSelLang->setText(m_context.text(TextId::Options_SelectedLanguage) + Language_In_Use);
    // Without any language file the page still reads "Page 1 / 1".
    m_lPageLang->setText(m_context.text(TextId::Options_Page) + QString::number(Show_Page)
                         + m_context.text(TextId::Options_PageOf) + QString::number(std::max(pageCount(), 1)));
}

void TFSoftOptions::Update_Lang_Page(int Num_Page)
{
    Show_Page = Num_Page;
    showLanguageLabels();
    const int pages = std::max(pageCount(), 1);
    m_btnPrev->setVisible(Num_Page != 1);
    m_btnNext->setVisible(Num_Page != pages);

    const int first = kEntriesPerPage * (Num_Page - 1);
    const int shown = std::clamp(static_cast<int>(SL_Languages.size()) - first, 0, kEntriesPerPage);
    QStringList unreadable;
    for (int k = 0; k < kEntriesPerPage; ++k) {
        QLabel *flag = m_flags[k];
        QLabel *name = m_names[k];
        flag->clear();
        if (k >= shown) {
            flag->hide();
            name->hide();
            continue;
        }
        const QString language = languageName(SL_Languages[first + k]);
        name->setText(language);
        name->show();

        const QDir dir(m_context.workspace.Language_Dir);
        QString picture = dir.filePath(language + QStringLiteral(".bmp"));
        if (!QFileInfo(picture).isFile())
            picture = dir.filePath(QStringLiteral("DefaultFlag.bmp"));
        if (!QFileInfo(picture).isFile()) {
            flag->hide();
            continue;
        }
        QImageReader reader(picture);
        const QImage image = reader.read();
        if (image.isNull()) {
            unreadable.append(m_context.text(TextId::Options_FlagCannotBeRead) + QDir::toNativeSeparators(picture)
                              + QStringLiteral(" (") + reader.errorString() + QLatin1Char(')'));
            flag->hide();
            continue;
        }
        flag->setPixmap(QPixmap::fromImage(
            image.scaled(kFlagSize, kFlagSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        flag->show();
    }
    // Reported once the whole page is filled, so that the other entries stay usable.
    if (!unreadable.isEmpty())
        throw FileError(unreadable.join(u'\n'));
}

void TFSoftOptions::Btn_NextClick(bool next)
{
    if (next) {
        if (pageCount() >= Show_Page + 1)
            ++Show_Page;
    } else if (Show_Page >= 2) {
        --Show_Page;
    }
    Update_Lang_Page(Show_Page);
}

bool TFSoftOptions::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        for (int k = 0; k < kEntriesPerPage; ++k) {
            if (watched != m_flags[k] && watched != m_names[k])
                continue;
            const auto *widget = static_cast<QWidget *>(watched);
            if (mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint()))
                guarded([this, k] { LangClick(k); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFSoftOptions::LangClick(int entry)
{
    const qsizetype position = qsizetype(kEntriesPerPage) * (Show_Page - 1) + entry;
    if (position < 0 || position >= SL_Languages.size())
        return;
    const QString chosen = languageName(SL_Languages[position]);
    MessageService &messages = *m_context.services.messages;
    if (!messages.question(m_context.text(TextId::Options_DoYouWantChangeLanguage) + Language_In_Use
                           + m_context.text(TextId::Options_To) + chosen
                           + m_context.text(TextId::Options_QuestionMark)))
        return;
    Language_In_Use = chosen;
    // The setting keeps its value (and a fallback to English does not touch it): the choice
    // becomes the setting only on OK.
    QString loaded = chosen;
    const std::optional<QString> error =
        Load_Language(m_context.texts, loaded, m_context.workspace.Language_Dir);
    if (m_context.changeLanguage)
        m_context.changeLanguage();
    else
        Set_Lang();
    showLanguageLabels();
    if (error)
        messages.generalError(*error);
}

void TFSoftOptions::Update_CheckBox()
{
    m_cbUpdate->setEnabled(m_cbEnCon->isChecked());
    m_btnCheckUpdate->setEnabled(m_cbEnCon->isChecked() && m_cbUpdate->isChecked());
}

void TFSoftOptions::Btn_OKClick()
{
    AppSettings &settings = m_context.settings;
    settings.Language = Language_In_Use;
    settings.Enable_Internet = m_cbEnCon->isChecked();
    settings.Enable_Update = m_cbUpdate->isChecked();
    settings.Enable_Jump_Field_Tables = m_cbJumpTable->isChecked();
    settings.Double_Click_Auto_Size = m_cbAutoSize->isChecked();
    // The main window saves the settings and switches its update timer on this result.
    accept();
}

void TFSoftOptions::Btn_Check_UpdateClick()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const VersionAnswer answer = m_context.services.http
        ? Ask_Version(*m_context.services.http, WebServer::Version_Query_Url(m_context.identity.Software_Code))
        : VersionAnswer::Unreachable;
    QGuiApplication::restoreOverrideCursor();
    // Asked by the user, a server that did not answer is said so; "no update" would be a guess.
    switch (answer) {
    case VersionAnswer::Newer: m_lastCheck = CheckResult::NewerVersion; break;
    case VersionAnswer::NotNewer: m_lastCheck = CheckResult::NoUpdate; break;
    case VersionAnswer::Unreachable: m_lastCheck = CheckResult::Unreachable; break;
    }
    showCheckResult();
    m_llCheckUpdate->show();
}

void TFSoftOptions::showCheckResult()
{
    switch (m_lastCheck) {
    case CheckResult::None:
        m_llCheckUpdate->clear();
        break;
    case CheckResult::NewerVersion:
        m_llCheckUpdate->setText(Update_Link_Html(
            WebServer::Download_Page_Url(), m_context.text(TextId::Options_NewVersionAvailableClickHereMore)));
        break;
    case CheckResult::NoUpdate:
        m_llCheckUpdate->setText(m_context.text(TextId::Options_NoUpdateAvailable).toHtmlEscaped());
        break;
    case CheckResult::Unreachable:
        m_llCheckUpdate->setText(m_context.text(TextId::Options_VersionServerUnreachable).toHtmlEscaped());
        break;
    }
}

void TFSoftOptions::LL_Check_UpdateLinkClick(const QString &link)
{
    if (m_context.services.urls)
        m_context.services.urls->open(QUrl(link));
}
