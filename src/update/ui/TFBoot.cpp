#include "update/ui/TFBoot.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/AppContext.h"
#include "common/Errors.h"
#include "platform/MessageService.h"
#include "platform/ProcessRunner.h"
#include "texts/TextId.h"
#include "update/UpdateJob.h"
#include "update/UpdateOutcome.h"
#include "update/ui/ProgramWaitDialog.h"
#include "widgets/FlatButton.h"
#include "widgets/TitlePanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

constexpr int kClientWidth = 449;

QFrame *panel(QWidget *parent, const char *name)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setFrameShape(QFrame::StyledPanel);
    return frame;
}

} // namespace

TFBoot::TFBoot(AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context), m_title(new TitlePanel(this))
{
    setObjectName(QStringLiteral("TFBoot"));
    Own_Program_Dir = QCoreApplication::applicationDirPath();

    m_ipPanel = panel(this, "P_IP_Address");
    m_ipLabel = new QLabel(m_ipPanel);
    m_ipLabel->setObjectName(QStringLiteral("L_IP_Address"));
    auto *ipRow = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        m_ip[i] = new QLineEdit(QStringLiteral("0"), m_ipPanel);
        m_ip[i]->setObjectName(QStringLiteral("E_IP%1").arg(i + 1));
        m_ip[i]->setAlignment(Qt::AlignCenter);
        // Room for a byte and a little more; the fields take any text.
        m_ip[i]->setFixedWidth(m_ip[i]->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 24);
        m_ip[i]->installEventFilter(this);
        if (i > 0)
            ipRow->addWidget(new QLabel(QStringLiteral("."), m_ipPanel));
        ipRow->addWidget(m_ip[i]);
    }
    ipRow->addStretch();
    auto *ipLayout = new QVBoxLayout(m_ipPanel);
    ipLayout->addWidget(m_ipLabel);
    ipLayout->addLayout(ipRow);

    m_optionsPanel = panel(this, "P_Options");
    m_optionLabel = new QLabel(m_optionsPanel);
    m_optionLabel->setObjectName(QStringLiteral("L_Update_Option"));
    m_options = new QComboBox(m_optionsPanel);
    m_options->setObjectName(QStringLiteral("CB_Update_Options"));
    m_options->setEditable(false);
    m_readBack = new QCheckBox(m_optionsPanel);
    m_readBack->setObjectName(QStringLiteral("CB_Update_Option_Read_Back"));
    m_readBack->setChecked(true);
    auto *optionsLayout = new QVBoxLayout(m_optionsPanel);
    optionsLayout->addWidget(m_optionLabel);
    auto *optionsRow = new QHBoxLayout;
    optionsRow->addWidget(m_options, 1);
    optionsRow->addWidget(m_readBack);
    optionsLayout->addLayout(optionsRow);

    m_buttonPanel = panel(this, "P_Button");
    m_cancel = new FlatButton(QStyle::SP_DialogCancelButton, m_buttonPanel);
    m_cancel->setObjectName(QStringLiteral("Btn_Cancel"));
    m_cancel->setAutoDefault(false);
    m_update = new FlatButton(QStyle::SP_ArrowUp, m_buttonPanel);
    m_update->setObjectName(QStringLiteral("Btn_Update"));
    // No default button: Return in an address field must not check the device and start the
    // update program; only a press of the button does.
    m_update->setAutoDefault(false);
    auto *buttonLayout = new QHBoxLayout(m_buttonPanel);
    buttonLayout->addWidget(m_cancel);
    buttonLayout->addStretch();
    buttonLayout->addWidget(m_update);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_update, &QPushButton::clicked, this, &TFBoot::Btn_UpdateClick);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_title);
    layout->addWidget(m_ipPanel);
    layout->addWidget(m_optionsPanel);
    layout->addWidget(m_buttonPanel);

    setTabOrder(m_ip[0], m_ip[1]);
    setTabOrder(m_ip[1], m_ip[2]);
    setTabOrder(m_ip[2], m_ip[3]);
    setTabOrder(m_ip[3], m_options);
    setTabOrder(m_options, m_readBack);
    setTabOrder(m_readBack, m_cancel);
    setTabOrder(m_cancel, m_update);

    m_title->setCode(m_context.identity.Software_Code);
    Set_Lang();
    // 449 pixels wide and as high as the four panels; wider only if a language needs it.
    const QSize hint = sizeHint();
    setFixedSize(qMax(kClientWidth, hint.width()), hint.height());
}

void TFBoot::Set_Lang()
{
    const auto t = [this](int index) { return m_context.text(index); };
    setWindowTitle(t(TextId::Boot_UpdateDeviceEthernetUDP));
    m_title->setDescription(t(TextId::Boot_UpdateDeviceUsingEthernetPort));
    m_ipLabel->setText(t(TextId::Boot_InsertIPAddressDevice));
    m_optionLabel->setText(t(TextId::Boot_SelectUpdateOptions));
    m_options->clear();
    m_options->addItems({t(TextId::Boot_FirmwareConfiguration), t(TextId::Boot_Firmware),
                         t(TextId::Boot_Configuration)});
    m_options->setCurrentIndex(0);
    m_readBack->setText(t(TextId::Boot_ReadBack));
    m_cancel->setText(t(TextId::Boot_Cancel));
    m_update->setText(t(TextId::Boot_ExecuteUpdateFirmware));
    m_ip[0]->setToolTip(t(TextId::Boot_InsertFirstByteIPAddress));
    m_ip[1]->setToolTip(t(TextId::Boot_InsertSecondByteIPAddress));
    m_ip[2]->setToolTip(t(TextId::Boot_InsertThirdByteIPAddress));
    m_ip[3]->setToolTip(t(TextId::Boot_InsertFourthByteIPAddress));
    m_options->setToolTip(t(TextId::Boot_SelectOperationDoUpdate));
    m_readBack->setToolTip(t(TextId::Boot_EnableDisablePossibilityReadBackFirmware));
    m_cancel->setToolTip(t(TextId::Boot_ExitWithoutDoUpdate));
    m_update->setToolTip(t(TextId::Boot_StartUpdateDevice));
}

void TFBoot::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFBoot::FormShow()
{
    Set_Lang();
    m_title->setCode(m_context.identity.Software_Code);
    const AppSettings &settings = m_context.settings;
    if (!settings.Ip_Address.isEmpty()) {
        if (const auto parts = ::Split_IP_Address(settings.Ip_Address)) {
            for (int i = 0; i < 4; ++i)
                m_ip[i]->setText((*parts)[static_cast<size_t>(i)]);
        }
    }
    m_options->setCurrentIndex(settings.Update_Option);
    m_readBack->setChecked(settings.Read_Back);
    m_ip[0]->setFocus();
}

bool TFBoot::Split_IP_Address(const QString &text, QString &a, QString &b, QString &c, QString &d)
{
    const auto parts = ::Split_IP_Address(text);
    if (!parts)
        return false;
    a = (*parts)[0];
    b = (*parts)[1];
    c = (*parts)[2];
    d = (*parts)[3];
    return true;
}

bool TFBoot::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        for (QLineEdit *field : m_ip) {
            if (watched == field)
                return KeyPress(field, static_cast<QKeyEvent *>(event)->text());
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TFBoot::KeyPress(QLineEdit *field, const QString &key)
{
    if (key != QLatin1String("."))
        return false;
    for (int i = 0; i < 3; ++i) {
        if (field == m_ip[i])
            m_ip[i + 1]->setFocus(Qt::TabFocusReason);
    }
    return true;
}

QString TFBoot::deviceAddress() const
{
    const QString typed = m_ip[0]->text() + QLatin1Char('.') + m_ip[1]->text() + QLatin1Char('.') + m_ip[2]->text()
                          + QLatin1Char('.') + m_ip[3]->text();
    // Checked, pinged and written as the four numbers it stands for ("010" is 10).
    return Device_Address(typed).value_or(typed);
}

void TFBoot::reject()
{
    if (!m_busy)
        QDialog::reject();
}

void TFBoot::setBusy(bool busy)
{
    m_busy = busy;
    for (QWidget *w : {static_cast<QWidget *>(m_ipPanel), static_cast<QWidget *>(m_optionsPanel),
                       static_cast<QWidget *>(m_buttonPanel)})
        w->setEnabled(!busy);
    if (busy)
        QCoreApplication::processEvents();
}

bool TFBoot::Send_Ping()
{
    AppServices &services = m_context.services;
    if (!services.echo || !services.clock)
        throw BrivantError(QStringLiteral("The device cannot be checked: no ICMP echo service."));
    // The window repaints during the check but takes no input: a second press or a close
    // would start another update or leave this one half done.
    setBusy(true);
    struct Reenable
    {
        TFBoot *window;
        ~Reenable() { window->setBusy(false); }
    } reenable{this};
    // Anything but four numbers is no device address: no request, no name lookup.
    if (!Device_Address(deviceAddress())) {
        m_lastPing = PingOutcome{};
        ping_res = 0;
        return false;
    }
    m_lastPing = ::Send_Ping(*services.echo, *services.clock, deviceAddress());
    ping_res = m_lastPing.ping_res;
    return m_lastPing.found;
}

void TFBoot::Compile_XML_Parameter_New_Boot()
{
    UpdateJob::forProject(m_context.workspace, deviceAddress(), m_options->currentIndex(), m_readBack->isChecked())
        .write(m_context.workspace.updateJobFile());
}

void TFBoot::Btn_UpdateClick()
{
    MessageService &messages = *m_context.services.messages;
    Run_Guarded(messages, [&] {
        if (Send_Ping()) {
            AppSettings &settings = m_context.settings;
            settings.Ip_Address = deviceAddress();
            settings.Update_Option = m_options->currentIndex();
            settings.Read_Back = m_readBack->isChecked();
            Compile_XML_Parameter_New_Boot();

            ProcessRunner *runner = m_context.services.processes;
            if (!runner)
                throw BrivantError(QStringLiteral("The update program cannot be started: no program launcher."));
            const QString programDir = m_context.workspace.Program_Dir;
            const UpdateLogStamp logBefore = Update_Log_Stamp(programDir);
            ProgramRun run;
            {
                ProgramWaitDialog wait(m_context.texts, this);
                // Started without arguments in the program folder, where it finds its job.
                run = runner->Start_Program(Update_Program_Path(programDir, Own_Program_Dir), {}, 0, programDir,
                                            ProcessRunner::kDefaultLimitMs, &wait);
            }
            // A failed update must never look like a good one.
            const UpdateOutcome outcome = Describe_Update_Run(run, programDir, m_context.texts, logBefore);
            if (outcome.kind == UpdateOutcome::Kind::Failed)
                messages.error(outcome.text);
            else
                messages.information(outcome.text);
        } else if (m_lastPing.noSocket) {
            QString text = m_context.text(TextId::Boot_NoIcmpSocket);
            if (!m_lastPing.detail.isEmpty())
                text += QStringLiteral(" (") + m_lastPing.detail + QLatin1Char(')');
            messages.error(text);
        } else if (ping_res == 2) {
            messages.warning(m_context.text(TextId::Boot_DeviceNotFound));
        } else {
            messages.error(m_context.text(TextId::Boot_ErrorCheckIpAddress));
        }
    });
}
