#include "app/ui/TFNew_Project.h"

#include "app/ui/ActionGuard.h"
#include "common/TextUtil.h"
#include "app/ui/AppContext.h"
#include "platform/MessageService.h"
#include "texts/TextId.h"
#include "widgets/FlatButton.h"
#include "widgets/TitlePanel.h"
#include "widgets/WindowStyle.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QVBoxLayout>

TFNew_Project::TFNew_Project(AppContext &context, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_context(context), m_title(new TitlePanel(this)), m_label1(new QLabel(this)), m_name(new QLineEdit(this)),
      m_ok(new FlatButton(QStyle::SP_DialogOkButton, this)), m_cancel(new FlatButton(QStyle::SP_DialogCancelButton, this))
{
    setObjectName(QStringLiteral("TFNew_Project"));
    WindowStyle::Apply(this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setTextFormat(Qt::PlainText);
    m_name->setObjectName(QStringLiteral("E_New_Proj"));
    m_name->setFixedWidth(297);
    m_ok->setObjectName(QStringLiteral("Btn_OK"));
    m_cancel->setObjectName(QStringLiteral("Btn_Cancel"));

    auto *body = new QVBoxLayout;
    body->setContentsMargins(17, 6, 17, 4);
    body->setSpacing(3);
    body->addWidget(m_label1);
    body->addWidget(m_name);
    body->addStretch();

    WindowStyle::Stack_Window(this, m_title, body, WindowStyle::Make_Button_Panel(this, {m_ok, m_cancel}));

    connect(m_ok, &QPushButton::clicked, this, &TFNew_Project::Btn_OKClick);
    connect(m_name, &QLineEdit::returnPressed, this, &TFNew_Project::Btn_OKClick);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_title->setCode(m_context.identity.Software_Code);
    setFixedSize(331, 162);
    Set_Lang();
}

void TFNew_Project::Set_Lang()
{
    setWindowTitle(m_context.text(TextId::NewProject_CreateNewConfiguration));
    m_title->setDescription(m_context.text(TextId::NewProject_CreateNewConfiguration_101));
    m_label1->setText(m_context.text(TextId::NewProject_NameNewConfiguration));
    m_name->setToolTip(WindowStyle::Plain_Tooltip(m_context.text(TextId::NewProject_InsertHereNameNewConfiguration)));
    m_ok->setText(m_context.text(TextId::NewProject_OK));
    m_ok->setToolTip(WindowStyle::Plain_Tooltip(m_context.text(TextId::NewProject_ConfirmNameNewConfiguration)));
    m_cancel->setText(m_context.text(TextId::NewProject_Cancel));
    m_cancel->setToolTip(WindowStyle::Plain_Tooltip(m_context.text(TextId::NewProject_CancelNewConfiguration)));
}

void TFNew_Project::showEvent(QShowEvent *event)
{
    // Only when the program shows the dialog, not when the window system re-exposes it.
    if (!event->spontaneous()) {
        m_name->clear();
        m_name->setFocus();
    }
    QDialog::showEvent(event);
}

bool TFNew_Project::Name_Is_Refused(const QString &name)
{
    return ConfigWorkspace::Project_Name_Is_Refused(name);
}

void TFNew_Project::Btn_OKClick()
{
    Run_Guarded(*m_context.services.messages, [this] { createProject(); });
}

void TFNew_Project::createProject()
{
    MessageService &messages = *m_context.services.messages;
    const QString name = m_name->text(); // as typed, not trimmed
    // A name of blanks only would be an invisible project; "Plant A " would sit beside
    // "Plant A" and look the same.
    if (Trim_Text(name).isEmpty()) {
        messages.error(m_context.text(TextId::NewProject_ErrorNameProjectNotValid_107));
        return;
    }
    if (Name_Is_Refused(name) || Trim_Text(name) != name) {
        messages.error(m_context.text(TextId::NewProject_ErrorNameProjectNotValid));
        return;
    }
    ConfigWorkspace &ws = m_context.workspace;
    const QString dir = ConfigWorkspace::join(ws.Projects_Dir, name);
    if (QFileInfo(dir).isDir()) {
        messages.error(m_context.text(TextId::NewProject_ErrorNameProjectNotValidBecause));
        return;
    }
    if (!QDir().mkdir(dir)) {
        messages.error(m_context.text(TextId::NewProject_ErrorNameProjectNotValid));
        return;
    }
    // Without "bin" the project still opens; writing the device images creates it later.
    QDir().mkpath(ConfigWorkspace::join(dir, QStringLiteral("bin")));
    ws.openProject(name);
    accept();
}
