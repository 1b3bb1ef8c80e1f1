#include "app/ui/TFBrivanteFirmWare.h"
#include "common/SafeFile.h"

#include "app/Settings.h"
#include "app/WebServer.h"
#include "app/ui/ActionGuard.h"
#include "app/ui/AppContext.h"
#include "app/ui/TFAbout.h"
#include "app/ui/TFNew_Project.h"
#include "app/ui/TFOpenConf.h"
#include "commparams/ui/TFParGen.h"
#include "gsd/GsdGenerator.h"
#include "image/ImageCompiler.h"
#include "options/VersionCheck.h"
#include "options/ui/TFSoftOptions.h"
#include "platform/MessageService.h"
#include "platform/UrlOpener.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ModalRunner.h"
#include "s7access/ui/TFS7_Protocol_Set_Access.h"
#include "texts/TextId.h"
#include "update/ui/TFBoot.h"
#include "widgets/ClickableLabel.h"
#include "widgets/FlatButton.h"
#include "widgets/WindowStyle.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QTimer>

namespace {

constexpr int kStepLeft = 80;
constexpr int kFirstStepTop = 112;
constexpr int kStepPitch = 44;
constexpr int kLastStepTop = kFirstStepTop + 4 * kStepPitch; // Btn_CreateBin
constexpr int kBottomBelowLastStep = 152;

QLabel *makeLabel(QWidget *parent, const char *name, bool bold, int pixelSize = WindowStyle::kFontPixels)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setFont(WindowStyle::Verdana(pixelSize, bold));
    return label;
}

} // namespace

TFBrivanteFirmWare::TFBrivanteFirmWare(AppContext &context, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint),
      m_context(context)
{
    setObjectName(QStringLiteral("TFBrivanteFirmWare"));
    WindowStyle::Apply(this);
    layoutControls();

    m_timerUpdate = new QTimer(this);
    m_timerUpdate->setObjectName(QStringLiteral("Timer_Update"));
    m_timerUpdate->setInterval(kFirstCheckMs);
    connect(m_timerUpdate, &QTimer::timeout, this, [this] {
        Run_Guarded(*m_context.services.messages, [this] { Timer_UpdateTimer(); });
    });
    Set_Update_Timer();

    setWindowTitle(m_context.identity.Window_Title);
    setLabel(m_swCode, m_context.identity.Software_Code);
    setLabel(m_swDesc, m_context.identity.Software_Description);
    Set_Lang();
    WindowStyle::Center_On_Screen(this);
}

TFBrivanteFirmWare::~TFBrivanteFirmWare() = default;

void TFBrivanteFirmWare::setPeers(const Peers &peers)
{
    m_peers = peers;
}

FlatButton *TFBrivanteFirmWare::stepButton(const char *name, int left, int top, int glyph)
{
    auto *button = new FlatButton(static_cast<QStyle::StandardPixmap>(glyph), this);
    button->setObjectName(QLatin1String(name));
    button->setLeftAligned(true);
    button->setIconSize(QSize(20, 20));
    button->setGeometry(left, top, 170, 36);
    connect(button, &QPushButton::clicked, this, [this, button] { Btn_Click(button); });
    return button;
}

FlatButton *TFBrivanteFirmWare::cornerButton(const char *name, int left, int glyph)
{
    auto *button = new FlatButton(static_cast<QStyle::StandardPixmap>(glyph), this);
    button->setObjectName(QLatin1String(name));
    button->setIconSize(QSize(32, 32));
    button->setGeometry(left, 8, 50, 50);
    connect(button, &QPushButton::clicked, this, [this, button] { Btn_Click(button); });
    return button;
}

void TFBrivanteFirmWare::layoutControls()
{
    m_swCode = makeLabel(this, "L_SW_Code", true, 26);
    QPalette grey = m_swCode->palette();
    grey.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    m_swCode->setPalette(grey);
    m_swCode->move(16, 8);
    m_swDesc = makeLabel(this, "L_SW_Desc", true, 12);
    m_swDesc->setPalette(grey);
    m_swDesc->move(16, 42);
    m_begin = makeLabel(this, "L_Begin", true);
    m_begin->move(16, 84);

    m_shape2 = new QFrame(this);
    m_shape2->setObjectName(QStringLiteral("Shape2"));
    m_shape2->setGeometry(80, 70, 348, 36);
    QPalette silver = m_shape2->palette();
    silver.setColor(QPalette::WindowText, QColor(0xC0, 0xC0, 0xC0));
    m_shape2->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_shape2->setPalette(silver);
    m_nameConf = makeLabel(this, "L_Name_Conf", false);
    m_nameConf->move(87, 75);
    m_nameConfL2 = makeLabel(this, "L_Name_Conf_L2", false);
    m_nameConfL2->move(87, 88);

    m_btnInfo = cornerButton("Btn_Info", 516, QStyle::SP_MessageBoxInformation);
    m_btnOpz = cornerButton("Btn_Opz", 574, QStyle::SP_FileDialogDetailedView);
    m_btnClose = cornerButton("Btn_Close", 632, QStyle::SP_DialogCloseButton);

    m_llUpdate = new QLabel(this);
    m_llUpdate->setObjectName(QStringLiteral("LL_Update"));
    m_llUpdate->setTextFormat(Qt::RichText);
    m_llUpdate->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_llUpdate->setOpenExternalLinks(false);
    m_llUpdate->setWordWrap(true);
    // Between the software code and the corner buttons; a long text wraps onto a second line.
    m_llUpdate->setGeometry(208, 19, 516 - 8 - 208, 34);
    m_llUpdate->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_llUpdate->hide();
    connect(m_llUpdate, &QLabel::linkActivated, this, [this](const QString &link) {
        m_context.services.urls->open(QUrl(link));
    });

    for (int n = 0; n < 8; ++n) {
        const QByteArray name = "L_Step_" + QByteArray::number(n + 1);
        m_steps[n] = makeLabel(this, name.constData(), true);
        m_steps[n]->move(16, 128 + kStepPitch * n);
        m_steps[n]->setVisible(n < 5);
    }

    m_btnNew = stepButton("Btn_New", kStepLeft, kFirstStepTop, QStyle::SP_FileIcon);
    m_btnOpen = stepButton("Btn_Open", 258, kFirstStepTop, QStyle::SP_DialogOpenButton);
    m_btnPrmGen = stepButton("Btn_Prm_Gen", kStepLeft, kFirstStepTop + kStepPitch, QStyle::SP_DriveNetIcon);
    m_btnS7Access = stepButton("Btn_S7_Protocol_Access", kStepLeft, kFirstStepTop + 2 * kStepPitch,
                               QStyle::SP_FileDialogListView);
    m_btnGsd = stepButton("Btn_PROFIBUS_GSD", kStepLeft, kFirstStepTop + 3 * kStepPitch,
                          QStyle::SP_FileDialogContentsView);
    m_btnCreateBin = stepButton("Btn_CreateBin", kStepLeft, kLastStepTop, QStyle::SP_ArrowUp);

    m_shape1 = new QFrame(this);
    m_shape1->setObjectName(QStringLiteral("Shape1"));
    m_shape1->setGeometry(10, m_btnCreateBin->y() + 51, 674, 1);
    m_shape1->setFrameStyle(QFrame::HLine | QFrame::Plain);
    m_shape1->setPalette(silver);

    m_norvalt = new ClickableLabel(this);
    m_norvalt->setObjectName(QStringLiteral("L_Norvalt"));
    m_norvalt->setTextFormat(Qt::PlainText);
    m_norvalt->setFont(WindowStyle::Verdana(WindowStyle::kFontPixels, true));
    m_norvalt->setText(WebServer::Display_Address());
    m_norvalt->adjustSize();
    // At the row of step 5; kept inside the window when the address is long.
    m_norvalt->move(qMin(565, kClientWidth - 10 - m_norvalt->width()), m_steps[4]->y());
    connect(m_norvalt, &ClickableLabel::clicked, this, [this] {
        m_context.services.urls->open(WebServer::Home_Page_Url(m_context.identity.Software_Code));
    });

    setFixedSize(kClientWidth, m_btnCreateBin->y() + kBottomBelowLastStep);
}

void TFBrivanteFirmWare::setLabel(QLabel *label, const QString &text)
{
    label->setText(text);
    label->adjustSize();
}

void TFBrivanteFirmWare::setFramedLabel(QLabel *label, const QString &text)
{
    // The configuration labels stay inside their frame: a longer text (a long project name, a
    // user's own translation) is elided and shows whole as the label's tooltip.
    const int room = m_shape2->geometry().right() - 4 - label->x();
    const QString shown = label->fontMetrics().elidedText(text, Qt::ElideMiddle, room);
    label->setToolTip(shown == text ? QString() : text);
    setLabel(label, shown);
}

void TFBrivanteFirmWare::showConfigurationLabels()
{
    if (m_context.workspace.projectOpen()) {
        setFramedLabel(m_nameConf, m_context.text(TextId::Main_OpenedConfigurationConverter));
        setFramedLabel(m_nameConfL2, m_context.workspace.Project_Name);
    } else {
        setFramedLabel(m_nameConf, m_context.text(TextId::Main_NoneConfigurationOpened));
        setFramedLabel(m_nameConfL2, m_context.text(TextId::Main_UseStep1OpenCreateNewConfiguration));
    }
}

void TFBrivanteFirmWare::Set_Lang()
{
    const auto hint = [this](QWidget *w, int id) { w->setToolTip(WindowStyle::Plain_Tooltip(m_context.text(id))); };
    setLabel(m_begin, m_context.text(TextId::Main_Begin));
    for (int n = 0; n < 8; ++n)
        setLabel(m_steps[n], m_context.text(TextId::Main_Step1 + n));
    showConfigurationLabels();
    hint(m_btnInfo, TextId::Main_Information);
    hint(m_btnOpz, TextId::Main_Options);
    hint(m_btnClose, TextId::Main_CloseConfigurator);
    m_btnNew->setText(m_context.text(TextId::Main_NewConfiguration));
    hint(m_btnNew, TextId::Main_CreateNewConfigurationDevice);
    m_btnOpen->setText(m_context.text(TextId::Main_OpenConfiguration));
    hint(m_btnOpen, TextId::Main_OpenExistsConfiguration);
    m_btnPrmGen->setText(m_context.text(TextId::Main_SetCommunication));
    hint(m_btnPrmGen, TextId::Main_SetMainParametersProtocols);
    m_btnS7Access->setText(m_context.text(TextId::Main_S7commAccess));
    hint(m_btnS7Access, TextId::Main_SetListS7commAccess);
    m_btnGsd->setText(m_context.text(TextId::Main_PROFIBUSGSD));
    hint(m_btnGsd, TextId::Main_CreateGSDFilePROFIBUS);
    m_btnCreateBin->setText(m_context.text(TextId::Main_UpdateDeviceUDP));
    hint(m_btnCreateBin, TextId::Main_UpdateActualFirmwareConfigurationDevice);
}

void TFBrivanteFirmWare::Change_Language()
{
    Set_Lang();
    if (m_peers.newProject)
        m_peers.newProject->Set_Lang();
    if (m_peers.openConf)
        m_peers.openConf->Set_Lang();
    if (m_peers.options)
        m_peers.options->Set_Lang();
    if (m_peers.boot)
        m_peers.boot->Set_Lang();
    if (m_peers.parGen)
        m_peers.parGen->Set_Lang();
    if (m_peers.access)
        m_peers.access->Set_Lang();
}

void TFBrivanteFirmWare::Btn_Click(QObject *sender)
{
    MessageService &messages = *m_context.services.messages;
    ModalRunner &modal = *m_context.services.modal;
    Run_Guarded(messages, [&] {
        if (sender == m_btnNew) {
            Create_New_Project();
        } else if (sender == m_btnOpen) {
            Open_Project();
        } else if (sender == m_btnClose) {
            close();
        } else if (sender == m_btnInfo) {
            modal.run(*m_peers.about);
        } else if (sender == m_btnOpz) {
            if (modal.run(*m_peers.options) == QDialog::Accepted) {
                Save_Setting();
                Set_Update_Timer();
            }
        } else if (!m_context.workspace.projectOpen()) {
            messages.error(m_context.text(TextId::Main_ErrorProjectNotValid));
        } else if (sender == m_btnPrmGen) {
            // A ParGen.xml that cannot be read ends the step before the window opens.
            m_peers.parGen->FormShow();
            modal.run(*m_peers.parGen);
        } else if (sender == m_btnS7Access) {
            modal.run(*m_peers.access);
        } else if (sender == m_btnGsd) {
            Create_GSD_File();
        } else if (sender == m_btnCreateBin) {
            Update_Device();
        }
    });
}

void TFBrivanteFirmWare::Create_New_Project()
{
    if (m_context.services.modal->run(*m_peers.newProject) != QDialog::Accepted)
        return;
    showConfigurationLabels();
}

void TFBrivanteFirmWare::Open_Project()
{
    if (m_context.services.modal->run(*m_peers.openConf) != QDialog::Accepted)
        return;
    m_context.workspace.openProject(m_peers.openConf->Name_Conf);
    showConfigurationLabels();
}

void TFBrivanteFirmWare::Update_Device()
{
    const ConfigWorkspace &ws = m_context.workspace;
    // Without saved communication parameters the images would carry the defaults (station
    // address 0, no bytes): refused as the GSD step refuses it.
    if (!QFileInfo::exists(ws.ParGen_File)) {
        m_context.services.messages->error(m_context.text(TextId::Main_SetCommunicationBeforeUpdate));
        return;
    }
    ImageCompiler compiler;
    compiler.Compile_Banks(ws.ParGen_File, ws.S7_Protocol_File);
    compiler.Write_Bank_Files(ws.Project_Dir);
    m_peers.boot->Form_Type = 1; // Ethernet (UDP)
    m_context.services.modal->run(*m_peers.boot);
}

void TFBrivanteFirmWare::Create_GSD_File()
{
    const ConfigWorkspace &ws = m_context.workspace;
    MessageService &messages = *m_context.services.messages;
    if (Name_Is_Missing(ws.ParGen_File)) {
        messages.error(m_context.text(TextId::Rows_ErrorPleaseSetSetCommunicationParameter));
        return;
    }
    const GsdGenerator::Counts counts = GsdGenerator::Read_Gsd_Counts(ws.ParGen_File);
    QString name = m_context.services.files->getSaveFileName(
        this, ws.Project_Dir, QStringLiteral("Generic Station Description (*.gsd)"));
    if (name.isEmpty())
        return;
    name = GsdGenerator::With_Gsd_Extension(name);
    if (!Name_Is_Missing(name) && !messages.question(m_context.text(TextId::Rows_FileAlreadyExistsDoYouWant)))
        return;
    GsdGenerator::Write_GSD_File(name, counts);
}

void TFBrivanteFirmWare::Timer_UpdateTimer()
{
    m_timerUpdate->stop();
    const bool newer = m_peers.options && m_peers.options->Check_Version();
    if (newer) {
        m_llUpdate->setText(Update_Link_Html(WebServer::Download_Page_Url(),
                                             m_context.text(TextId::Main_NewVersionAvailableClickHereMore)));
        m_llUpdate->show();
    } else {
        m_llUpdate->hide();
    }
    m_timerUpdate->setInterval(kLaterChecksMs);
    m_timerUpdate->start();
}

void TFBrivanteFirmWare::Set_Update_Timer()
{
    if (m_context.settings.updateTimerEnabled())
        m_timerUpdate->start();
    else
        m_timerUpdate->stop();
}

bool TFBrivanteFirmWare::Save_Setting()
{
    return Run_Guarded(*m_context.services.messages, [this] {
        ::Save_Setting(m_context.workspace.settingsFile(), m_context.workspace.Project_Name, m_context.settings);
    });
}

void TFBrivanteFirmWare::closeEvent(QCloseEvent *event)
{
    // The program ends with this window; a settings file that cannot be written is reported
    // and does not keep the program open.
    Save_Setting();
    event->accept();
}
