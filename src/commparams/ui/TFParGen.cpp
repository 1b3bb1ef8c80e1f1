#include "commparams/ui/TFParGen.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/AppContext.h"
#include "compare/ProjectDiff.h"
#include "history/ui/HistoryDialog.h"
#include "platform/ui/ModalRunner.h"
#include "s7access/ui/S7ChangesLink.h"
#include "platform/MessageService.h"
#include "texts/TextId.h"
#include "widgets/CategoryPanel.h"
#include "widgets/FlatButton.h"
#include "widgets/TitlePanel.h"
#include "widgets/WindowStyle.h"

#include <QApplication>
#include <QCloseEvent>
#include <algorithm>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

constexpr int kOctetWidth = 44;
constexpr int kValueWidth = 70;
constexpr int kS7FieldCount = CommParams::S7_Protocol_GAT4 + 1; // the twelve dotted fields

QLabel *plainLabel(QWidget *parent, const char *name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

const char *const kEditNames[CommParams::FieldCount] = {
    "E_S7_Protocol_IP1",   "E_S7_Protocol_IP2",   "E_S7_Protocol_IP3",   "E_S7_Protocol_IP4",
    "E_S7_Protocol_SM1",   "E_S7_Protocol_SM2",   "E_S7_Protocol_SM3",   "E_S7_Protocol_SM4",
    "E_S7_Protocol_GAT1",  "E_S7_Protocol_GAT2",  "E_S7_Protocol_GAT3",  "E_S7_Protocol_GAT4",
    "E_PROFIBUS_IDDevice", "E_PROFIBUS_NByte_In", "E_PROFIBUS_NByte_Out",
};

} // namespace

TFParGen::TFParGen(AppContext &context, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_context(context), m_title(new TitlePanel(this)), m_cpg(new QScrollArea(this)),
      m_ok(new FlatButton(QStyle::SP_DialogOkButton, this)), m_cancel(new FlatButton(QStyle::SP_DialogCancelButton, this)),
      m_history(new FlatButton(QStyle::SP_FileDialogDetailedView, this))
{
    setObjectName(QStringLiteral("TFParGen"));
    WindowStyle::Apply(this);
    for (int f = 0; f < CommParams::FieldCount; ++f) {
        m_edits[f] = new QLineEdit(this);
        m_edits[f]->setObjectName(QLatin1String(kEditNames[f]));
        m_edits[f]->setFixedWidth(f < kS7FieldCount ? kOctetWidth : kValueWidth);
        if (f < kS7FieldCount)
            m_edits[f]->installEventFilter(this);
    }
    m_ok->setObjectName(QStringLiteral("Btn_OK"));
    m_cancel->setObjectName(QStringLiteral("Btn_Cancel"));
    m_history->setObjectName(QStringLiteral("Btn_History"));
    m_history->setAutoDefault(false);

    // The category group: the two categories, one under the other, scrolling when the window
    // is lower than they are.
    auto *group = new QWidget;
    group->setObjectName(QStringLiteral("CPG_Contents"));
    m_cpS7 = new CategoryPanel(QStringLiteral("CP_S7_Protocol"), group);
    m_cpProfibus = new CategoryPanel(QStringLiteral("CP_PROFIBUS"), group);
    buildS7Category();
    buildProfibusCategory();
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->setContentsMargins(0, 0, 0, 0);
    groupLayout->setSpacing(0);
    groupLayout->addWidget(m_cpS7);
    groupLayout->addWidget(m_cpProfibus);
    groupLayout->addStretch();
    m_cpg->setObjectName(QStringLiteral("CPG"));
    m_cpg->setWidgetResizable(true);
    m_cpg->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_cpg->setFrameShape(QFrame::NoFrame);
    m_cpg->setWidget(group);
    m_cpg->verticalScrollBar()->setSingleStep(8);
    m_cpg->viewport()->installEventFilter(this);
    setTabOrder(m_cpS7, m_cpProfibus);

    // Captions are set once: the categories keep them after a language change.
    m_cpS7->setCaption(QStringLiteral("1. ") + m_context.text(TextId::ParGen_S7comm));
    m_cpProfibus->setCaption(QStringLiteral("2. ") + m_context.text(TextId::ParGen_PROFIBUS));

    WindowStyle::Stack_Window(this, m_title, m_cpg, WindowStyle::Make_Button_Panel(this, {m_ok, m_cancel, m_history}));

    connect(m_ok, &QPushButton::clicked, this, &TFParGen::Btn_OKClick);
    connect(m_cancel, &QPushButton::clicked, this, &TFParGen::Btn_CancelClick);
    connect(m_history, &QPushButton::clicked, this,
            [this] { Run_Guarded(*m_context.services.messages, [this] { Btn_HistoryClick(); }); });

    m_title->setCode(m_context.identity.Software_Code);
    // Only the height can change; the group scrolls when the window is lower than its fields.
    setMinimumSize(kClientWidth, TitlePanel::kHeight + 40 + 60);
    setMaximumWidth(kClientWidth);
    resize(kClientWidth, kClientHeight);
    Set_Lang();
}

void TFParGen::buildS7Category()
{
    QWidget *box = m_cpS7->content();
    m_lIp = plainLabel(box, "L_S7_Protocol_IP");
    m_lSm = plainLabel(box, "L_S7_Protocol_SM");
    m_enGat = new QCheckBox(box);
    m_enGat->setObjectName(QStringLiteral("CB_S7_Protocol_En_GAT"));
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(12, 8, 12, 12);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(6);
    QWidget *const rowHeads[3] = {m_lIp, m_lSm, m_enGat};
    for (int row = 0; row < 3; ++row) {
        grid->addWidget(rowHeads[row], row, 0);
        for (int i = 0; i < 4; ++i) {
            QLineEdit *edit = m_edits[row * 4 + i];
            edit->setParent(box);
            grid->addWidget(edit, row, 1 + 2 * i);
            if (i < 3) {
                auto *dot = new QLabel(QStringLiteral("."), box);
                dot->setTextFormat(Qt::PlainText);
                grid->addWidget(dot, row, 2 + 2 * i);
            }
        }
    }
    grid->setColumnMinimumWidth(0, 120);
    grid->setColumnStretch(8, 1);
}

void TFParGen::buildProfibusCategory()
{
    QWidget *box = m_cpProfibus->content();
    m_lIdDevice = plainLabel(box, "L_PROFIBUS_IDDevice");
    m_lBaudrate = plainLabel(box, "L_PROFIBUS_Baudrate");
    m_lNByteIn = plainLabel(box, "L_PROFIBUS_NByte_In");
    m_lNByteOut = plainLabel(box, "L_PROFIBUS_NByte_Out");
    // Shown for information: the converter detects the baud rate itself.
    m_baudrate = new QComboBox(box);
    m_baudrate->setObjectName(QStringLiteral("CB_PROFIBUS_Baudrate"));
    m_baudrate->addItem(QStringLiteral("Auto Baudrate"));
    m_baudrate->setCurrentIndex(0);
    m_baudrate->setEnabled(false);
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(12, 8, 12, 12);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    grid->addWidget(m_lIdDevice, 0, 0);
    m_edits[CommParams::PROFIBUS_ID_Device]->setParent(box);
    grid->addWidget(m_edits[CommParams::PROFIBUS_ID_Device], 0, 1);
    grid->addWidget(m_lBaudrate, 1, 0);
    grid->addWidget(m_baudrate, 1, 1);
    grid->addWidget(m_lNByteIn, 2, 0);
    m_edits[CommParams::PROFINET_NB_IN]->setParent(box);
    grid->addWidget(m_edits[CommParams::PROFINET_NB_IN], 2, 1, Qt::AlignLeft);
    grid->addWidget(m_lNByteOut, 3, 0);
    m_edits[CommParams::PROFINET_NB_OUT]->setParent(box);
    grid->addWidget(m_edits[CommParams::PROFINET_NB_OUT], 3, 1, Qt::AlignLeft);
    grid->setColumnMinimumWidth(0, 120);
    grid->setColumnStretch(2, 1);
    grid->setAlignment(m_edits[CommParams::PROFIBUS_ID_Device], Qt::AlignLeft);
}

void TFParGen::Set_Lang()
{
    const auto hint = [this](QWidget *w, int id) { w->setToolTip(WindowStyle::Plain_Tooltip(m_context.text(id))); };
    setWindowTitle(m_context.text(TextId::ParGen_SetCommunication));
    m_title->setDescription(m_context.text(TextId::ParGen_SetCommunicationSetting));
    m_ok->setText(m_context.text(TextId::ParGen_OK));
    hint(m_ok, TextId::ParGen_ConfirmSaveCurrentConfiguration);
    m_cancel->setText(m_context.text(TextId::ParGen_Cancel));
    hint(m_cancel, TextId::ParGen_ExitDiscardCurrentConfiguration);
    m_history->setText(m_context.text(TextId::History_Button));
    hint(m_history, TextId::History_ButtonHint);
    m_lIp->setText(m_context.text(TextId::ParGen_IPAddress));
    for (int i = 0; i < 4; ++i) {
        hint(m_edits[CommParams::S7_Protocol_IP1 + i], TextId::ParGen_InsertFirstByteIPAddress + i);
        hint(m_edits[CommParams::S7_Protocol_SM1 + i], TextId::ParGen_InsertFirstByteSubNetMask + i);
        hint(m_edits[CommParams::S7_Protocol_GAT1 + i], TextId::ParGen_InsertFirstByteDefaultGateway + i);
    }
    m_lSm->setText(m_context.text(TextId::ParGen_SubNetMask));
    m_enGat->setText(m_context.text(TextId::ParGen_Gateway));
    hint(m_enGat, TextId::ParGen_EnableDisableDefaultGateway);
    m_lIdDevice->setText(m_context.text(TextId::ParGen_IDDevice));
    hint(m_edits[CommParams::PROFIBUS_ID_Device], TextId::ParGen_InsertIDDevicePROFIBUS1125);
    m_lBaudrate->setText(m_context.text(TextId::ParGen_Baudrate));
    hint(m_baudrate, TextId::ParGen_SelectBaudratePROFIBUSFixedAutoBaudrate);
    m_lNByteIn->setText(m_context.text(TextId::ParGen_NumberByte));
    hint(m_edits[CommParams::PROFINET_NB_IN], TextId::ParGen_InsertNumberBytesInputConverter0);
    m_lNByteOut->setText(m_context.text(TextId::ParGen_NumberByteOut));
    hint(m_edits[CommParams::PROFINET_NB_OUT], TextId::ParGen_InsertNumberBytesOutputConverter0);
}

void TFParGen::FormShow()
{
    const CommParams params = Read_ParGen_For_Window(m_context.workspace.ParGen_File);
    for (int f = 0; f < CommParams::FieldCount; ++f)
        m_edits[f]->setText(params.texts[f]);
    m_enGat->setChecked(params.gatewayEnabled);
    m_cpg->verticalScrollBar()->setValue(0);
    m_loaded = Current_Params();
}

bool TFParGen::hasUnsavedChanges() const
{
    const CommParams now = Current_Params();
    return now.texts != m_loaded.texts || now.gatewayEnabled != m_loaded.gatewayEnabled;
}

bool TFParGen::confirmDiscard()
{
    return !hasUnsavedChanges() || m_context.services.messages->question(m_context.text(TextId::Common_DiscardChanges));
}

void TFParGen::Btn_CancelClick()
{
    if (confirmDiscard())
        reject();
}

void TFParGen::keyPressEvent(QKeyEvent *event)
{
    // Escape closes the window as Cancel does, asking first when edits would be lost.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        Btn_CancelClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFParGen::closeEvent(QCloseEvent *event)
{
    if (isVisible() && !confirmDiscard()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

CommParams TFParGen::Current_Params() const
{
    CommParams params;
    for (int f = 0; f < CommParams::FieldCount; ++f)
        params.texts[f] = m_edits[f]->text();
    params.gatewayEnabled = m_enGat->isChecked();
    return params;
}

bool TFParGen::Controllo_Dati()
{
    const std::optional<CommParamsFault> fault = ::Controllo_Dati(Current_Params());
    if (!fault)
        return true;
    m_context.services.messages->error(m_context.text(fault->textId));
    showField(fault->field);
    return false;
}

void TFParGen::showField(CommParams::Field f)
{
    CategoryPanel *category = f < kS7FieldCount ? m_cpS7 : m_cpProfibus;
    if (category->isCollapsed())
        category->setCollapsed(false);
    m_cpg->ensureWidgetVisible(m_edits[f]);
    m_edits[f]->setFocus(Qt::OtherFocusReason);
    m_edits[f]->selectAll();
}

void TFParGen::Btn_OKClick()
{
    if (!Controllo_Dati())
        return;
    // A file that cannot be written is reported and the window stays open with the values.
    bool saved = false;
    const bool ran = Run_Guarded(*m_context.services.messages, [this, &saved] {
        saved = Save_Keeping_History(m_context, [this](KeepHistory keep) {
            Write_ParGen(m_context.workspace.ParGen_File, Current_Params(), keep);
        });
    });
    if (ran && saved)
        accept();
}

void TFParGen::Btn_HistoryClick()
{
    const auto compare = [this](const HistoryVersion &v) {
        Run_Guarded(*m_context.services.messages, [&] {
            ProjectContent before, after;
            before.hasParams = after.hasParams = true;
            before.params = Load_History_Params(v.entry);
            after.params = Current_Params();
            S7ChangesLink::Show_Changes_View(m_context, this, Format_Diff_Text(Diff_Projects(before, after)),
                                             m_context.text(TextId::History_SameAsWindow));
        });
    };
    const auto restore = [this](const HistoryVersion &v) {
        Run_Guarded(*m_context.services.messages, [&] { Set_Params(Load_History_Params(v.entry)); });
    };
    HistoryDialog dialog(m_context, QStringLiteral("ParGen.xml"), compare, restore, this);
    dialog.Load_Versions();
    m_context.services.modal->run(dialog);
}

void TFParGen::Set_Params(const CommParams &params)
{
    // As typed edits, so that each field's own undo (Ctrl+Z) takes the restored value back.
    for (int f = 0; f < CommParams::FieldCount; ++f) {
        if (m_edits[f]->text() == params.texts[f])
            continue;
        m_edits[f]->selectAll();
        m_edits[f]->insert(params.texts[f]);
    }
    m_enGat->setChecked(params.gatewayEnabled);
}

bool TFParGen::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        for (int f = 0; f < kS7FieldCount; ++f) {
            if (watched == m_edits[f])
                return KeyPress(m_edits[f], static_cast<QKeyEvent *>(event));
        }
    } else if (event->type() == QEvent::Wheel && watched == m_cpg->viewport()) {
        return FormMouseWheel(static_cast<QWheelEvent *>(event));
    }
    return QDialog::eventFilter(watched, event);
}

bool TFParGen::KeyPress(QLineEdit *edit, QKeyEvent *event)
{
    if (event->text() != QLatin1String("."))
        return false;
    // The point is never typed: it moves on to the next of the twelve dotted fields, so that
    // an address can be typed straight through. In the last one it is simply dropped.
    const int index = int(std::find(m_edits.begin(), m_edits.begin() + kS7FieldCount, edit) - m_edits.begin());
    if (index + 1 < kS7FieldCount) {
        QLineEdit *next = m_edits[index + 1];
        if (next->isEnabled() && next->isVisibleTo(this)) {
            next->setFocus(Qt::TabFocusReason);
            next->selectAll(); // typing replaces what the field held
        }
    }
    return true;
}

bool TFParGen::FormMouseWheel(QWheelEvent *event)
{
    // Over the category group the wheel scrolls it by the system's lines per notch.
    m_wheelRemainder += event->angleDelta().y();
    const int steps = m_wheelRemainder / QWheelEvent::DefaultDeltasPerStep;
    m_wheelRemainder -= steps * QWheelEvent::DefaultDeltasPerStep;
    const int lines = QApplication::wheelScrollLines();
    if (lines >= 1 && steps != 0) {
        QScrollBar *bar = m_cpg->verticalScrollBar();
        bar->setValue(bar->value() - steps * lines * bar->singleStep());
    }
    event->accept();
    return true;
}
