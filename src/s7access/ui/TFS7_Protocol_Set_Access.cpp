#include "s7access/ui/TFS7_Protocol_Set_Access.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/AppContext.h"
#include "compare/ProjectDiff.h"
#include "history/ui/HistoryDialog.h"
#include "platform/ui/ModalRunner.h"
#include "platform/MessageService.h"
#include "s7access/DelimitedText.h"
#include "s7access/S7ListEnd.h"
#include "s7access/ui/CheckBoxDelegate.h"
#include "s7access/ui/S7ChangesLink.h"
#include "s7access/ui/ChoiceDelegate.h"
#include "s7access/ui/FindPlcsDialog.h"
#include "s7access/ui/PlcCheckButton.h"
#include "s7access/ui/S7FaultCell.h"
#include "s7access/ui/S7FindBar.h"
#include "s7access/ui/ProfibusMapPage.h"
#include "s7access/ui/S7GridView.h"
#include "s7access/ui/S7RuleTableModel.h"
#include "s7access/ui/TFPlcImport.h"
#include "platform/ui/ModalRunner.h"
#include "texts/TextId.h"
#include "widgets/FlatButton.h"
#include "widgets/TitlePanel.h"
#include "widgets/WindowStyle.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

using F = S7Rule::Field;

// Column headings and heading hints, in column order; the first heading is the corner's.
constexpr int kReadHeadings[] = {
    TextId::S7_Read_RowNumberHeading, TextId::S7_Enable, TextId::S7_PLCAddress, TextId::S7_PLCPort,
    TextId::S7_PLCType, TextId::S7_Rack, TextId::S7_Slot, TextId::S7_DataType, TextId::S7_DataIdentifier,
    TextId::S7_DBNumber, TextId::S7_PLCArea, TextId::S7_PLCAdd, TextId::S7_PLCBit, TextId::S7_PollTime,
    TextId::S7_Position, TextId::S7_StartBit, TextId::S7_Swap, TextId::S7_SwapWord, TextId::S7_Mnemonic};
constexpr int kWriteHeadings[] = {
    TextId::S7_Write_RowNumberHeading, TextId::S7_Enable_1230, TextId::S7_PLCAddress_1231,
    TextId::S7_PLCPort_1232, TextId::S7_PLCType_1233, TextId::S7_Rack_1315, TextId::S7_Slot_1316,
    TextId::S7_DataType_1234, TextId::S7_DataIdentifier_1235, TextId::S7_DBNumber_1293, TextId::S7_PLCArea_1294,
    TextId::S7_PLCAdd_1295, TextId::S7_PLCBit_1296, TextId::S7_PollTime_1236, TextId::S7_OnChange,
    TextId::S7_OnCMD, TextId::S7_Position_1239, TextId::S7_StartBit_1240, TextId::S7_Swap_1241,
    TextId::S7_SwapWord_1242, TextId::S7_Mnemonic_1243};
constexpr int kReadHints[] = {
    TextId::S7_EnableDisableS7commRule, TextId::S7_InsertIPAddressPLC, TextId::S7_InsertPortPLC,
    TextId::S7_SelectTypePLC, TextId::S7_InsertRackNumber03, TextId::S7_InsertSlotNumber031,
    TextId::S7_SelectTypeData, TextId::S7_SelectDataIdentifier, TextId::S7_InsertDBNumber,
    TextId::S7_SelectPLCArea, TextId::S7_InsertPLCAddress, TextId::S7_SelectPLCBit,
    TextId::S7_InsertTimeTwoRequestsExpressedMilliseconds, TextId::S7_InsertIndexInternalDataArray,
    TextId::S7_InsertStartBitSaveDataStatus, TextId::S7_EnableDisableSwapData,
    TextId::S7_EnableDisableSwapWordData, TextId::S7_InsertDescriptionS7commRule};
constexpr int kWriteHints[] = {
    TextId::S7_EnableDisableS7commRule_1256, TextId::S7_InsertIPAddressPLC_1257, TextId::S7_InsertPortPLC_1258,
    TextId::S7_SelectTypePLC_1259, TextId::S7_InsertRackNumber03_1319, TextId::S7_InsertSlotNumber031_1320,
    TextId::S7_SelectTypeData_1260, TextId::S7_SelectDataIdentifier_1261, TextId::S7_InsertDBNumber_1301,
    TextId::S7_SelectPLCArea_1302, TextId::S7_InsertPLCAddress_1303, TextId::S7_SelectPLCBit_1304,
    TextId::S7_InsertTimeTwoRequestsExpressedMilliseconds_1262, TextId::S7_EnableDisablePossibilitySendWriteS7,
    TextId::S7_EnableDisablePossibilitySendWriteS7_1264, TextId::S7_InsertIndexInternalDataArray_1265,
    TextId::S7_InsertStartBitSaveDataStatus_1266, TextId::S7_EnableDisableSwapData_1267,
    TextId::S7_EnableDisableSwapWordData_1268, TextId::S7_InsertDescriptionS7commRule_1269};
static_assert(std::size(kReadHeadings) == 19 && std::size(kReadHints) == 18);
static_assert(std::size(kWriteHeadings) == 21 && std::size(kWriteHints) == 20);

S7GridView *makeGrid(AppContext &context, S7RuleTableModel *model, const QString &name, QWidget *parent)
{
    auto *view = new S7GridView(context.settings, parent);
    view->setObjectName(name);
    view->setModel(model);
    auto *choice = new ChoiceDelegate(view);
    auto *check = new CheckBoxDelegate(view);
    for (int c = 0; c < model->columnCount(); ++c) {
        if (model->isCheckBoxColumn(c))
            view->setItemDelegateForColumn(c, check);
        else if (model->data(model->index(0, c), S7RuleTableModel::ChoicesRole).isValid())
            view->setItemDelegateForColumn(c, choice);
    }
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 8);
    return view;
}

FlatButton *makeButton(const QString &name, QStyle::StandardPixmap glyph, QWidget *parent)
{
    auto *button = new FlatButton(glyph, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TFS7_Protocol_Set_Access::TFS7_Protocol_Set_Access(AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context), m_title(new TitlePanel(this))
{
    setObjectName(QStringLiteral("TFS7_Protocol_Set_Access"));
    setSizeGripEnabled(true);

    m_readModel = new S7RuleTableModel(S7Rule::List::Read, this);
    m_writeModel = new S7RuleTableModel(S7Rule::List::Write, this);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_readPage = new QWidget(m_pages);
    m_readPage->setObjectName(QStringLiteral("TS_S7_Read"));
    m_writePage = new QWidget(m_pages);
    m_writePage->setObjectName(QStringLiteral("TS_S7_Write"));
    m_readView = makeGrid(m_context, m_readModel, QStringLiteral("ACG_S7_Read"), m_readPage);
    m_writeView = makeGrid(m_context, m_writeModel, QStringLiteral("ACG_S7_Write"), m_writePage);
    for (auto [page, view] : {std::pair{m_readPage, m_readView}, std::pair{m_writePage, m_writeView}}) {
        auto *pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        pageLayout->addWidget(view);
        connect(view, &S7GridView::copyRequested, this, [this, v = view] { guarded([&] { copyCells(*v); }); });
        connect(view, &S7GridView::pasteRequested, this, [this, v = view] { guarded([&] { pasteCells(*v); }); });
    }
    m_pages->addTab(m_readPage, QString());
    m_pages->addTab(m_writePage, QString());
    m_pages->setCornerWidget(new S7ChangesLink(m_context, *m_readModel, *m_writeModel, m_pages));
    m_mapPage = new ProfibusMapPage(m_context, *m_readModel, *m_writeModel, m_pages);
    m_pages->addTab(m_mapPage, QString());
    connect(m_mapPage, &ProfibusMapPage::ruleClicked, this, [this](S7Rule::List list, int row) {
        m_pages->setCurrentWidget(list == S7Rule::List::Read ? m_readPage : m_writePage);
        (list == S7Rule::List::Read ? m_readView : m_writeView)->selectRow(row - 1);
    });

    auto *buttons = new QFrame(this);
    buttons->setObjectName(QStringLiteral("P_Button"));
    // Two rows, so that the window still fits an 800-pixel screen: the list's tools above, the
    // editing buttons and the check below.
    auto *rows = new QVBoxLayout(buttons);
    auto *toolLayout = new QHBoxLayout;
    auto *buttonLayout = new QHBoxLayout;
    rows->addLayout(toolLayout);
    rows->addLayout(buttonLayout);
    m_ok = makeButton(QStringLiteral("Btn_OK"), QStyle::SP_DialogApplyButton, buttons);
    m_cancel = makeButton(QStringLiteral("Btn_Cancel"), QStyle::SP_DialogCancelButton, buttons);
    m_delRow = makeButton(QStringLiteral("Btn_DelRow"), QStyle::SP_TrashIcon, buttons);
    m_insRow = makeButton(QStringLiteral("Btn_InsRow"), QStyle::SP_FileDialogNewFolder, buttons);
    m_copyRow = makeButton(QStringLiteral("Btn_CopyRow"), QStyle::SP_FileDialogContentsView, buttons);
    m_pasteRow = makeButton(QStringLiteral("Btn_PasteRow"), QStyle::SP_DialogOpenButton, buttons);
    m_history = makeButton(QStringLiteral("Btn_History"), QStyle::SP_FileDialogDetailedView, buttons);
    for (FlatButton *b : {m_ok, m_cancel, m_delRow, m_insRow, m_copyRow, m_pasteRow})
        buttonLayout->addWidget(b);
    m_importPlc = makeButton(QStringLiteral("Btn_ImportPlc"), QStyle::SP_ArrowDown, buttons);
    toolLayout->addWidget(m_history);
    toolLayout->addWidget(m_importPlc);
    connect(m_importPlc, &QPushButton::clicked, this, [this] { guarded([this] { Btn_ImportPlcClick(); }); });
    buttonLayout->addStretch();
    m_plcCheck = new PlcCheckButton(m_context, *m_readModel, *m_writeModel, this);
    // Find PLCs: before Check PLCs, for the rows selected in the shown list.
    m_findPlcs = makeButton(QStringLiteral("Btn_FindPlcs"), QStyle::SP_FileDialogDetailedView, buttons);
    m_findPlcs->setVisible(m_context.services.plcScan != nullptr);
    toolLayout->addWidget(m_findPlcs);
    toolLayout->addStretch();
    m_findPlcsWindow = new FindPlcsDialog(
        m_context,
        [this] {
            FindPlcsDialog::Target target;
            S7GridView &view = shownGrid();
            auto *model = qobject_cast<S7RuleTableModel *>(view.model());
            if (!model)
                return target;
            target.model = model;
            for (const QModelIndex &index : view.selectionModel()->selectedIndexes()) {
                if (!target.rows.contains(index.row()))
                    target.rows.append(index.row());
            }
            std::sort(target.rows.begin(), target.rows.end());
            const int row = view.currentIndex().isValid() ? view.currentIndex().row()
                                                          : (target.rows.isEmpty() ? -1 : target.rows.first());
            if (row >= 0) {
                target.address = model->rules()[std::size_t(row)].PLC_Address;
                target.port = model->rules()[std::size_t(row)].PLC_Port;
            }
            return target;
        },
        this);
    connect(m_findPlcs, &QPushButton::clicked, this, [this] { m_findPlcsWindow->openForSelection(); });
    buttonLayout->addWidget(m_plcCheck->button());
    connect(m_ok, &QPushButton::clicked, this, [this] { guarded([this] { Btn_OKClick(); }); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { guarded([this] { Btn_CancelClick(); }); });
    connect(m_delRow, &QPushButton::clicked, this, [this] { guarded([this] { Btn_DelRowClick(); }); });
    connect(m_insRow, &QPushButton::clicked, this, [this] { guarded([this] { Btn_InsRowClick(); }); });
    connect(m_copyRow, &QPushButton::clicked, this, [this] { guarded([this] { Btn_CopyRowClick(); }); });
    connect(m_pasteRow, &QPushButton::clicked, this, [this] { guarded([this] { Btn_PasteRowClick(); }); });
    connect(m_history, &QPushButton::clicked, this, [this] { guarded([this] { Btn_HistoryClick(); }); });
    // The row buttons work on a grid; the map page has none.
    connect(m_pages, &QTabWidget::currentChanged, this, [this] {
        for (FlatButton *b : {m_delRow, m_insRow, m_copyRow, m_pasteRow})
            b->setEnabled(m_pages->currentWidget() != m_mapPage);
    });

    WindowStyle::Stack_Window(this, m_title, m_pages, buttons);
    new S7FindBar(m_context, *m_pages, *m_readView, *m_writeView, this);

    m_title->setCode(m_context.identity.Software_Code);
    resize(1350, 640);
    Set_Lang();
}

TFS7_Protocol_Set_Access::~TFS7_Protocol_Set_Access() = default;

void TFS7_Protocol_Set_Access::Set_Lang()
{
    const auto text = [this](int index) { return m_context.text(index); };
    setWindowTitle(text(TextId::S7_S7commAccess));
    m_title->setDescription(text(TextId::S7_S7commAccess_1201));
    const struct
    {
        FlatButton *button;
        int caption;
        int hint;
    } buttons[] = {
        {m_ok, TextId::S7_OK, TextId::S7_ConfirmSaveS7commSetAccessList},
        {m_cancel, TextId::S7_Cancel, TextId::S7_ExitWithoutSaveS7commSetAccess},
        {m_delRow, TextId::S7_DeleteRow, TextId::S7_DeleteSelectedRowTable},
        {m_insRow, TextId::S7_InsertRow, TextId::S7_InsertRowTable},
        {m_copyRow, TextId::S7_CopyRow, TextId::S7_CopyAllFieldsSelectedRow},
        {m_pasteRow, TextId::S7_PasteRow, TextId::S7_PasteCopiedFieldsSelectedRow},
        {m_history, TextId::History_Button, TextId::History_ButtonHint},
        {m_importPlc, TextId::PlcImport_Button, TextId::PlcImport_ButtonHint},
    };
    for (const auto &b : buttons) {
        b.button->setText(text(b.caption));
        b.button->setToolTip(text(b.hint));
    }
    m_plcCheck->Set_Lang();
    m_findPlcs->setText(text(TextId::S7_FindPlcs));
    m_findPlcs->setToolTip(text(TextId::S7_FindPlcsHint));
    m_findPlcsWindow->Set_Lang();
    if (m_import)
        m_import->Set_Lang();
    m_pages->setTabText(0, text(TextId::S7_S7commRead));
    m_pages->setTabText(1, text(TextId::S7_S7commWrite));
    m_pages->setTabText(2, text(TextId::Map_PageCaption));
    m_mapPage->Set_Lang();

    const auto apply = [&](S7GridView *view, S7RuleTableModel *model, std::span<const int> headings,
                           std::span<const int> hints) {
        view->setCornerText(text(headings[0]));
        QStringList h, t;
        for (std::size_t i = 1; i < headings.size(); ++i)
            h.append(text(headings[i]));
        for (const int hint : hints)
            t.append(text(hint));
        model->setHeadings(h, t);
        fitColumns(*view);
    };
    apply(m_readView, m_readModel, kReadHeadings, kReadHints);
    apply(m_writeView, m_writeModel, kWriteHeadings, kWriteHints);
}

void TFS7_Protocol_Set_Access::fitColumns(S7GridView &view)
{
    // Wide enough for the heading and the longest choice; text columns get room for typical entries.
    S7RuleTableModel *model = view.ruleModel();
    const QFontMetrics cells = view.fontMetrics();
    const QFontMetrics heads = view.horizontalHeader()->fontMetrics();
    for (int c = 0; c < model->columnCount(); ++c) {
        int width = heads.horizontalAdvance(model->headerData(c, Qt::Horizontal).toString()) + 22;
        const QStringList choices = model->data(model->index(0, c), S7RuleTableModel::ChoicesRole).toStringList();
        for (const QString &choice : choices)
            width = std::max(width, cells.horizontalAdvance(choice) + 16);
        switch (model->fieldAt(c)) {
        case F::PLC_Address: width = std::max(width, cells.horizontalAdvance(QStringLiteral("255.255.255.255")) + 16); break;
        case F::Mnemonic: width = std::max(width, 220); break;
        case F::Position: width = std::max(width, cells.horizontalAdvance(QStringLiteral("99999")) + 16); break;
        default: width = std::max(width, 40); break;
        }
        view.setColumnWidth(c, width);
    }
    view.verticalHeader()->setMinimumWidth(view.fontMetrics().horizontalAdvance(QStringLiteral("5120")) + 8);
}

void TFS7_Protocol_Set_Access::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFS7_Protocol_Set_Access::FormShow()
{
    m_readModel->resetRules();
    m_writeModel->resetRules();
    m_pages->setCurrentWidget(m_readPage);
    Do_Copy_In_Read = false;
    Do_Copy_In_Write = false;
    m_loadFailed = false;
    for (S7GridView *view : {m_readView, m_writeView}) {
        view->clearSelection();
        view->setCurrentIndex(view->model()->index(0, 0));
        view->scrollToTop();
    }
    m_readView->setFocus();

    // Until ParGen.xml is read, no position is admitted; if it cannot be read, the rules are
    // not loaded either, and OK asks before it replaces the file.
    m_limits = PositionLimits{0, 0};
    m_readModel->setPositionLimit(0);
    m_writeModel->setPositionLimit(0);
    const bool limitsRead = Run_Guarded(*m_context.services.messages, [this] {
        m_limits = Load_Position_Limits(m_context.workspace.ParGen_File);
    });
    if (!limitsRead) {
        m_loadFailed = true;
        return;
    }
    m_readModel->setPositionLimit(m_limits.NByte_IN);
    m_writeModel->setPositionLimit(m_limits.NByte_OUT);
    m_mapPage->setLimits(m_limits);
    fitColumns(*m_readView);
    fitColumns(*m_writeView);

    const auto error = Load_S7_Protocol(m_context.workspace.S7_Protocol_File, m_readModel->rulesForLoading(),
                                        m_writeModel->rulesForLoading());
    m_readModel->rulesLoaded();
    m_writeModel->rulesLoaded();
    if (error) {
        m_loadFailed = true;
        m_context.services.messages->generalError(*error);
    }
}

void TFS7_Protocol_Set_Access::Btn_ImportPlcClick()
{
    m_readView->commitOpenEditor();
    m_writeView->commitOpenEditor();
    if (!m_import)
        m_import = new TFPlcImport(m_context, *m_readModel, *m_writeModel, this);
    // The list of the page shown, and the connection of its current row.
    const bool write = m_pages->currentWidget() == m_writePage;
    S7GridView &view = write ? *m_writeView : *m_readView;
    const S7RuleTableModel &model = write ? *m_writeModel : *m_readModel;
    const int row = std::max(view.currentIndex().row(), 0);
    m_import->prefill(write ? S7Rule::List::Write : S7Rule::List::Read, model.rules()[std::size_t(row)], m_limits);
    m_context.services.modal->run(*m_import);
}

void TFS7_Protocol_Set_Access::guarded(const std::function<void()> &action)
{
    Run_Guarded(*m_context.services.messages, action);
}

bool TFS7_Protocol_Set_Access::readPageShown() const
{
    return m_pages->currentWidget() == m_readPage;
}

S7GridView &TFS7_Protocol_Set_Access::shownGrid() const
{
    return readPageShown() ? *m_readView : *m_writeView;
}

QString TFS7_Protocol_Set_Access::cellName(S7Rule::List list, int row, S7Rule::Field field) const
{
    const S7RuleTableModel *model = list == S7Rule::List::Read ? m_readModel : m_writeModel;
    return QStringLiteral("%1%2 (%3, %4)")
        .arg(m_context.text(TextId::S7_ErrorRow))
        .arg(row)
        .arg(m_context.text(list == S7Rule::List::Read ? TextId::S7_S7commRead : TextId::S7_S7commWrite),
             model->headerData(model->columnOf(field), Qt::Horizontal).toString());
}

void TFS7_Protocol_Set_Access::Btn_OKClick()
{
    m_readView->commitOpenEditor();
    m_writeView->commitOpenEditor();
    if (!askToCloseGaps())
        return;
    if (!validateLists())
        return;
    if (!saveLists())
        return;
    accept();
}

bool TFS7_Protocol_Set_Access::askToCloseGaps()
{
    // A list ends at its first row without PLC address: rules below it would be neither
    // checked nor saved, so they move up (with the user's consent) before anything else.
    struct ListGap
    {
        S7RuleTableModel *model;
        S7GridView *view;
        QWidget *page;
        int name;
        std::optional<RulesAfterEnd> gap;
    };
    const ListGap lists[] = {
        {m_readModel, m_readView, m_readPage, TextId::S7_S7commRead, Find_Rules_After_End(m_readModel->rules())},
        {m_writeModel, m_writeView, m_writePage, TextId::S7_S7commWrite, Find_Rules_After_End(m_writeModel->rules())},
    };
    QString question = m_context.text(TextId::S7_CloseGapsQuestion);
    const ListGap *first = nullptr;
    for (const auto &l : lists) {
        if (!l.gap)
            continue;
        if (!first)
            first = &l;
        question += QStringLiteral("\n%1: %2%3%4%5")
                        .arg(m_context.text(l.name), m_context.text(TextId::S7_FirstEmptyRow))
                        .arg(l.gap->firstUnusedRow)
                        .arg(m_context.text(TextId::S7_RulesBelowIt))
                        .arg(l.gap->ignoredRules);
    }
    if (!first)
        return true;
    if (!m_context.services.messages->question(question)) {
        m_pages->setCurrentWidget(first->page);
        first->view->selectRow(first->gap->firstUnusedRow - 1);
        first->view->setFocus();
        return false;
    }
    for (const auto &l : lists) {
        if (l.gap)
            l.model->closeGaps();
    }
    return true;
}

bool TFS7_Protocol_Set_Access::validateLists()
{
    MessageService &messages = *m_context.services.messages;
    const S7RuleList &read = m_readModel->rules();
    const S7RuleList &write = m_writeModel->rules();
    if (const auto fault = Controllo_dati(read, write, m_limits, m_context.texts, array_ip_Port)) {
        messages.error(fault->message);
        Show_Rule_Cell(*m_pages, fault->list == S7Rule::List::Read ? *m_readView : *m_writeView, fault->row, fault->field);
        return false;
    }
    if (const auto bad = First_Unwritable_Cell(read, write)) {
        messages.error(cellName(bad->list, bad->row, bad->field) + QStringLiteral(": ")
                       + m_context.text(TextId::S7_CellCannotBeSaved));
        Show_Rule_Cell(*m_pages, bad->list == S7Rule::List::Read ? *m_readView : *m_writeView, bad->row, bad->field);
        return false;
    }
    return true;
}

bool TFS7_Protocol_Set_Access::saveLists()
{
    if (m_loadFailed && !m_context.services.messages->question(m_context.text(TextId::S7_SaveAfterLoadFailure)))
        return false;
    if (!m_mapPage->confirmConflicts())
        return false;
    return Save_Keeping_History(m_context, [this](KeepHistory keep) {
        Save_S7_Protocol(m_context.workspace.S7_Protocol_File, m_readModel->rules(), m_writeModel->rules(), keep);
    });
}

void TFS7_Protocol_Set_Access::Btn_HistoryClick()
{
    m_readView->commitOpenEditor();
    m_writeView->commitOpenEditor();
    HistoryDialog dialog(
        m_context, QStringLiteral("S7_Protocol.xml"),
        [this](const HistoryVersion &v) { guarded([&] { compareWithVersion(v); }); },
        [this](const HistoryVersion &v) { guarded([&] { restoreVersion(v); }); }, this);
    dialog.Load_Versions();
    m_context.services.modal->run(dialog);
}

void TFS7_Protocol_Set_Access::compareWithVersion(const HistoryVersion &version)
{
    S7RuleList read, write;
    if (const auto error = Load_History_Rules(version.entry, read, write)) {
        m_context.services.messages->generalError(*error);
        return;
    }
    // From the version to what OK would save, as brivant-cli diff VERSION PROJECT shows it.
    ProjectDiff diff;
    diff.rulesCompared = true;
    for (const S7Rule::List list : {S7Rule::List::Read, S7Rule::List::Write}) {
        const bool isRead = list == S7Rule::List::Read;
        const S7RuleList &shown = (isRead ? m_readModel : m_writeModel)->rules();
        const auto changes = Diff_Rules(list, Rules_Held(isRead ? read : write),
                                        S7RuleList(shown.begin(), shown.begin() + Rules_In_Use(shown)));
        diff.rules.insert(diff.rules.end(), changes.begin(), changes.end());
    }
    S7ChangesLink::Show_Changes_View(m_context, this, Format_Diff_Text(diff), m_context.text(TextId::History_SameAsWindow));
}

void TFS7_Protocol_Set_Access::restoreVersion(const HistoryVersion &version)
{
    S7RuleList read, write;
    if (const auto error = Load_History_Rules(version.entry, read, write)) {
        m_context.services.messages->generalError(*error);
        return;
    }
    const QString what = m_context.text(TextId::History_Restore);
    m_readModel->replaceAll(std::move(read), what);
    m_writeModel->replaceAll(std::move(write), what);
}

bool TFS7_Protocol_Set_Access::hasUnsavedChanges() const
{
    return !m_readModel->undoStack().isClean() || !m_writeModel->undoStack().isClean();
}

bool TFS7_Protocol_Set_Access::confirmDiscard()
{
    m_readView->commitOpenEditor();
    m_writeView->commitOpenEditor();
    return !hasUnsavedChanges() || m_context.services.messages->question(m_context.text(TextId::Common_DiscardChanges));
}

void TFS7_Protocol_Set_Access::Btn_CancelClick()
{
    if (confirmDiscard())
        reject();
}

void TFS7_Protocol_Set_Access::keyPressEvent(QKeyEvent *event)
{
    // Escape ends a cell edit in the grid; here, after it, it must not end the window and
    // throw the edits away. Only OK, Cancel and the close box close the editor.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFS7_Protocol_Set_Access::closeEvent(QCloseEvent *event)
{
    if (isVisible() && !confirmDiscard()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFS7_Protocol_Set_Access::Btn_DelRowClick()
{
    S7GridView &view = shownGrid();
    // Several rows selected by their numbers go together, after one question.
    QList<int> rows = view.selectedWholeRows();
    if (rows.size() < 2)
        rows = {view.currentRow()};
    QStringList numbers;
    for (const int row : rows)
        numbers.append(QString::number(row + 1));
    const QString question = rows.size() == 1
        ? m_context.text(TextId::S7_DeleteOneRowQuestion).arg(numbers.first())
        : m_context.text(TextId::S7_DeleteRowsQuestion).arg(rows.size()).arg(numbers.join(QStringLiteral(", ")));
    if (!m_context.services.messages->question(question))
        return;
    view.commitOpenEditor();
    if (rows.size() == 1)
        view.ruleModel()->deleteRow(rows.first());
    else
        view.ruleModel()->deleteRows(rows);
}

void TFS7_Protocol_Set_Access::Btn_InsRowClick()
{
    S7GridView &view = shownGrid();
    S7RuleTableModel &model = *view.ruleModel();
    view.commitOpenEditor();
    // Inserting pushes the last rule out of the list: refused while it holds one.
    if (model.rowUsed(kMaxRules - 1)) {
        m_context.services.messages->warning(m_context.text(TextId::S7_InsertRowLastRowUsed));
        return;
    }
    model.insertRow(view.currentRow());
}

void TFS7_Protocol_Set_Access::Btn_CopyRowClick()
{
    S7GridView &view = shownGrid();
    view.commitOpenEditor();
    m_context.Copy_Row_List = view.ruleModel()->rowCells(view.currentRow());
    Do_Copy_In_Read = readPageShown();
    Do_Copy_In_Write = !readPageShown();
}

void TFS7_Protocol_Set_Access::Btn_PasteRowClick()
{
    S7GridView &view = shownGrid();
    S7RuleTableModel &model = *view.ruleModel();
    MessageService &messages = *m_context.services.messages;
    const bool allowed = readPageShown() ? Do_Copy_In_Read : Do_Copy_In_Write;
    if (!allowed) {
        messages.error(m_context.text(TextId::Rows_ErrorCopyValidRowBeforePaste));
        return;
    }
    if (m_context.Copy_Row_List.size() != model.columnCount()) {
        messages.error(m_context.text(TextId::Rows_ErrorCopyValuesCopyValidRow));
        return;
    }
    view.commitOpenEditor();
    const int row = view.currentRow();
    if (model.rowUsed(row) && !messages.question(m_context.text(TextId::Rows_RowAlreadyUsedDoYouWant)))
        return;
    model.setRowCells(row, m_context.Copy_Row_List);
}

void TFS7_Protocol_Set_Access::copyCells(S7GridView &view)
{
    const QModelIndexList selected = view.selectionModel()->selectedIndexes();
    QModelIndex current = view.currentIndex();
    if (selected.isEmpty() && !current.isValid())
        return;
    int top = current.row(), bottom = current.row(), left = current.column(), right = current.column();
    if (!selected.isEmpty()) {
        top = left = std::numeric_limits<int>::max();
        bottom = right = -1;
        for (const QModelIndex &i : selected) {
            top = std::min(top, i.row());
            bottom = std::max(bottom, i.row());
            left = std::min(left, i.column());
            right = std::max(right, i.column());
        }
    }
    const QString text = Format_Delimited(view.ruleModel()->textBlock(top, left, bottom, right), u'\t', u"\n");
    QGuiApplication::clipboard()->setText(text);
}

void TFS7_Protocol_Set_Access::pasteCells(S7GridView &view)
{
    QModelIndex current = view.currentIndex();
    if (!current.isValid())
        return;
    // With whole rows selected (by their numbers) the paste starts at the first rule column of
    // the top one, wherever the grid is scrolled.
    if (const QList<int> rows = view.selectedWholeRows(); !rows.isEmpty())
        current = view.model()->index(rows.first(), 0);
    const QList<QStringList> block = Parse_Delimited(QGuiApplication::clipboard()->text(), u'\t');
    if (block.isEmpty())
        return;
    view.commitOpenEditor();
    S7RuleTableModel &model = *view.ruleModel();
    // A range paste asks nothing: one undo takes it back whole.
    S7RuleTableModel::PasteRefusals refused;
    const int rows = model.pasteBlock(current.row(), current.column(), block, &refused);
    // Select what was pasted, as spreadsheets do.
    const int right = std::min<int>(model.columnCount() - 1, current.column() + int(block.first().size()) - 1);
    view.selectionModel()->select(QItemSelection(current, model.index(current.row() + rows - 1, right)),
                                  QItemSelectionModel::ClearAndSelect);
    if (refused.count > 0) {
        m_context.services.messages->error(QString::number(refused.count) + m_context.text(TextId::S7_CellsNotPasted)
                                           + cellName(model.list(), refused.row + 1, model.fieldAt(refused.column))
                                           + QStringLiteral(": \"") + refused.text + u'"');
    }
}
