#include "app/ui/TFOpenConf.h"

#include "app/ui/AppContext.h"
#include "texts/TextId.h"
#include "widgets/FlatButton.h"
#include "widgets/TitlePanel.h"
#include "widgets/WindowStyle.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QLabel>
#include <QListWidget>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

// Capitals for a to z only; every other character stays as it is.
QString asciiUpper(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - ('a' - 'A'));
    }
    return out;
}

} // namespace

TFOpenConf::TFOpenConf(AppContext &context, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_context(context), m_title(new TitlePanel(this)), m_label1(new QLabel(this)), m_list(new QListWidget(this)),
      m_lastSaved(new QLabel(this)),
      m_ok(new FlatButton(QStyle::SP_DialogOkButton, this)), m_cancel(new FlatButton(QStyle::SP_DialogCancelButton, this))
{
    setObjectName(QStringLiteral("TFOpenConf"));
    WindowStyle::Apply(this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setTextFormat(Qt::PlainText);
    m_list->setObjectName(QStringLiteral("ListBox1"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSortingEnabled(false);
    m_lastSaved->setObjectName(QStringLiteral("L_LastSaved"));
    m_lastSaved->setTextFormat(Qt::PlainText);
    m_ok->setObjectName(QStringLiteral("Btn_OK"));
    m_cancel->setObjectName(QStringLiteral("Btn_Cancel"));

    auto *body = new QVBoxLayout;
    body->setContentsMargins(12, 6, 12, 6);
    body->setSpacing(3);
    body->addWidget(m_label1);
    body->addWidget(m_list, 1);
    body->addWidget(m_lastSaved);

    WindowStyle::Stack_Window(this, m_title, body, WindowStyle::Make_Button_Panel(this, {m_ok, m_cancel}));

    connect(m_list, &QListWidget::itemSelectionChanged, this, &TFOpenConf::ListBox1Click);
    // A double click or Return on a project opens it, as OK does.
    connect(m_list, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        Name_Conf = item->text();
        accept();
    });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_title->setCode(m_context.identity.Software_Code);
    resize(377, 351);
    Set_Lang();
}

void TFOpenConf::Set_Lang()
{
    setWindowTitle(m_context.text(TextId::OpenConf_OpenConfiguration));
    m_title->setDescription(m_context.text(TextId::OpenConf_OpenExistingConfiguration));
    m_label1->setText(m_context.text(TextId::OpenConf_ListAvaliableConfigurations));
    m_list->setToolTip(WindowStyle::Plain_Tooltip(m_context.text(TextId::OpenConf_SelectListConfigurationOpen)));
    m_ok->setText(m_context.text(TextId::OpenConf_OK));
    m_ok->setToolTip(WindowStyle::Plain_Tooltip(m_context.text(TextId::OpenConf_OpenSelectedConfiguration)));
    m_cancel->setText(m_context.text(TextId::OpenConf_Cancel));
    m_cancel->setToolTip(WindowStyle::Plain_Tooltip(m_context.text(TextId::OpenConf_CancelOpenConfiguration)));
    showLastSaved();
}

void TFOpenConf::Load_Existing_Configuration()
{
    SL.clear();
    // Without QDir::Hidden and QDir::System, hidden and system entries are left out.
    const QDir projects(m_context.workspace.Projects_Dir);
    const QFileInfoList entries = projects.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QFileInfo &entry : entries)
        SL.append(entry.fileName());
}

int TFOpenConf::Search_Open_Conf(const QString &name) const
{
    const QString wanted = asciiUpper(name);
    for (int i = 0; i < SL.size(); ++i) {
        if (asciiUpper(SL.at(i)) == wanted)
            return i;
    }
    return -1;
}

void TFOpenConf::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Only when the program shows the dialog: a re-exposed window keeps the user's choice.
    if (event->spontaneous())
        return;
    Load_Existing_Configuration();
    {
        const QSignalBlocker block(m_list);
        m_list->clear();
        m_list->addItems(SL);
    }
    const ConfigWorkspace &ws = m_context.workspace;
    QString current;
    const QString prefix = ws.Projects_Dir + QDir::separator();
    if (ws.Project_Dir.startsWith(prefix))
        current = ws.Project_Dir.mid(prefix.size());
    int index = current.isEmpty() ? -1 : Search_Open_Conf(current);
    if (index < 0 && !SL.isEmpty())
        index = 0;
    if (index >= 0) {
        m_list->setCurrentRow(index);
        Name_Conf = SL.at(index);
    } else {
        Name_Conf.clear();
    }
    showLastSaved();
}

void TFOpenConf::ListBox1Click()
{
    const QList<QListWidgetItem *> selected = m_list->selectedItems();
    if (!selected.isEmpty())
        Name_Conf = selected.first()->text();
    showLastSaved();
}

void TFOpenConf::showLastSaved()
{
    const QList<QListWidgetItem *> selected = m_list->selectedItems();
    if (selected.isEmpty()) {
        m_lastSaved->clear();
        return;
    }
    const QDir project(ConfigWorkspace::join(m_context.workspace.Projects_Dir, selected.first()->text()));
    QDateTime newest;
    for (const char *name : {"ParGen.xml", "S7_Protocol.xml"}) {
        const QFileInfo file(project.filePath(QLatin1String(name)));
        if (file.isFile() && (!newest.isValid() || file.lastModified() > newest))
            newest = file.lastModified();
    }
    m_lastSaved->setText(newest.isValid()
                             ? m_context.text(TextId::OpenConf_LastSaved).arg(QLocale().toString(newest, QLocale::ShortFormat))
                             : m_context.text(TextId::OpenConf_NeverSaved));
}
