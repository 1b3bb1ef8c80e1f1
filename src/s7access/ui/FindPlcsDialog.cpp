#include "s7access/ui/FindPlcsDialog.h"

#include "app/ui/AppContext.h"
#include "common/TextUtil.h"
#include "platform/MessageService.h"
#include "platform/PlcScanService.h"
#include "s7access/ui/S7RuleTableModel.h"
#include "texts/TextId.h"
#include "widgets/FlatButton.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kScanTimeoutMs = 1000;

QString dotted(std::uint32_t address)
{
    return PlcEndpoint{address, 0, 0, 0}.host();
}

} // namespace

FindPlcsDialog::FindPlcsDialog(AppContext &context, std::function<Target()> target, QWidget *parent)
    : QDialog(parent), m_context(context), m_target(std::move(target))
{
    setObjectName(QStringLiteral("FindPlcs"));
    auto *layout = new QVBoxLayout(this);
    auto *fields = new QGridLayout;
    m_firstLabel = new QLabel(this);
    m_lastLabel = new QLabel(this);
    m_portLabel = new QLabel(this);
    m_first = new QLineEdit(this);
    m_first->setObjectName(QStringLiteral("E_ScanFirst"));
    m_last = new QLineEdit(this);
    m_last->setObjectName(QStringLiteral("E_ScanLast"));
    m_port = new QLineEdit(QStringLiteral("102"), this);
    m_port->setObjectName(QStringLiteral("E_ScanPort"));
    m_port->setValidator(new QIntValidator(1, 65535, m_port));
    m_find = new FlatButton(QStyle::SP_BrowserReload, this);
    m_find->setObjectName(QStringLiteral("Btn_ScanFind"));
    fields->addWidget(m_firstLabel, 0, 0);
    fields->addWidget(m_first, 0, 1);
    fields->addWidget(m_lastLabel, 0, 2);
    fields->addWidget(m_last, 0, 3);
    fields->addWidget(m_portLabel, 0, 4);
    fields->addWidget(m_port, 0, 5);
    fields->addWidget(m_find, 0, 6);
    layout->addLayout(fields);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("L_ScanCount"));
    layout->addWidget(m_count);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("T_ScanResults"));
    m_list->setRootIsDecorated(false);
    m_list->setColumnCount(4);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(m_list, 1);
    m_progress = new QLabel(this);
    m_progress->setObjectName(QStringLiteral("L_ScanProgress"));
    layout->addWidget(m_progress);
    auto *buttons = new QHBoxLayout;
    m_use = new FlatButton(QStyle::SP_DialogApplyButton, this);
    m_use->setObjectName(QStringLiteral("Btn_ScanUse"));
    m_use->setEnabled(false);
    m_close = new FlatButton(QStyle::SP_DialogCloseButton, this);
    m_close->setObjectName(QStringLiteral("Btn_ScanClose"));
    buttons->addWidget(m_use);
    buttons->addStretch();
    buttons->addWidget(m_close);
    layout->addLayout(buttons);
    resize(720, 380);

    for (QLineEdit *edit : {m_first, m_last})
        connect(edit, &QLineEdit::textChanged, this, [this] { updateCount(); });
    connect(m_find, &QPushButton::clicked, this, [this] { Btn_FindClick(); });
    connect(m_use, &QPushButton::clicked, this, [this] { Btn_UseClick(); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this,
            [this] { m_use->setEnabled(!m_list->selectedItems().isEmpty()); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { Btn_UseClick(); });
    connect(this, &QDialog::finished, this, [this] {
        if (m_scanning && m_context.services.plcScan)
            m_context.services.plcScan->cancel(); // a closed window scans no further
    });
    Set_Lang();
}

void FindPlcsDialog::Set_Lang()
{
    const auto text = [this](int id) { return m_context.text(id); };
    setWindowTitle(text(TextId::S7_FindPlcsTitle));
    m_firstLabel->setText(text(TextId::S7_FindPlcsFirst));
    m_lastLabel->setText(text(TextId::S7_FindPlcsLast));
    m_portLabel->setText(text(TextId::S7_FindPlcsPort));
    m_find->setText(text(m_scanning ? TextId::S7_FindPlcsStop : TextId::S7_FindPlcsStart));
    m_use->setText(text(TextId::S7_FindPlcsUse));
    m_close->setText(text(TextId::S7_FindPlcsClose));
    m_list->setHeaderLabels({text(TextId::S7_FindPlcsAddress), text(TextId::S7_FindPlcsRackSlot),
                             text(TextId::S7_FindPlcsFamily), text(TextId::S7_FindPlcsModule)});
    // Each column as wide as its heading in this language and the PLCs listed.
    for (int c = 0; c < m_list->columnCount(); ++c)
        m_list->resizeColumnToContents(c);
    updateCount();
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> FindPlcsDialog::range() const
{
    const auto first = Parse_Dotted_Ipv4(Trim_Text(m_first->text()));
    const auto last = Parse_Dotted_Ipv4(Trim_Text(m_last->text()));
    if (!first || !last || Scan_Range_Error(*first, *last))
        return std::nullopt;
    return std::pair{*first, *last};
}

void FindPlcsDialog::updateCount()
{
    const auto r = range();
    m_count->setText(r ? m_context.text(TextId::S7_FindPlcsCount).arg(r->second - r->first + 1)
                       : m_context.text(TextId::S7_FindPlcsBadRange));
    m_find->setEnabled(m_scanning || r.has_value());
}

void FindPlcsDialog::openForSelection()
{
    const Target target = m_target();
    if (!m_scanning) {
        if (const auto address = Parse_Dotted_Ipv4(Trim_Text(target.address))) {
            const std::uint32_t network = *address & 0xFFFFFF00u;
            m_first->setText(dotted(network | 1u));
            m_last->setText(dotted(network | 254u));
        }
        bool isPort = false;
        const int port = Trim_Text(target.port).toInt(&isPort);
        m_port->setText(QString::number(isPort && port > 0 && port < 65536 ? port : 102));
    }
    show();
    raise();
    activateWindow();
}

void FindPlcsDialog::Btn_FindClick()
{
    PlcScanService *scan = m_context.services.plcScan;
    if (!scan)
        return;
    if (m_scanning) {
        scan->cancel();
        return;
    }
    const auto r = range();
    bool isPort = false;
    const int port = m_port->text().toInt(&isPort);
    if (!r || !isPort || port < 1 || port > 65535 || scan->running())
        return;
    m_found.clear();
    m_list->clear();
    m_scanning = true;
    m_total = int(r->second - r->first + 1);
    m_progress->setText(m_context.text(TextId::S7_FindPlcsProgress).arg(0).arg(m_total).arg(0));
    for (QLineEdit *edit : {m_first, m_last, m_port})
        edit->setEnabled(false);
    Set_Lang();
    const QPointer<FindPlcsDialog> self(this);
    scan->start(
        r->first, r->second, std::uint16_t(port), kScanTimeoutMs,
        [self](int done, int total, int found) {
            if (self)
                self->m_progress->setText(self->m_context.text(TextId::S7_FindPlcsProgress).arg(done).arg(total).arg(found));
        },
        [self](const std::vector<FoundPlc> &found, bool) {
            if (self)
                self->scanFinished(found);
        });
}

void FindPlcsDialog::scanFinished(const std::vector<FoundPlc> &found)
{
    m_scanning = false;
    m_found = found;
    for (QLineEdit *edit : {m_first, m_last, m_port})
        edit->setEnabled(true);
    for (const FoundPlc &plc : found) {
        const QString family = Plc_Family(plc.identity.orderNumber);
        const QString module = !plc.identity.moduleTypeName.isEmpty() ? plc.identity.moduleTypeName : plc.identity.orderNumber;
        auto *item = new QTreeWidgetItem(m_list, QStringList{plc.plc.text(), QStringLiteral("%1/%2").arg(plc.plc.rack).arg(plc.plc.slot),
                                                             family, Escape_Control_Characters(module)});
        item->setToolTip(3, Escape_Control_Characters(Plc_Identity_Text(plc.identity)));
    }
    m_progress->setText(m_context.text(TextId::S7_FindPlcsProgress).arg(m_total).arg(m_total).arg(found.size()));
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    Set_Lang();
}

void FindPlcsDialog::Btn_UseClick()
{
    const int index = m_list->indexOfTopLevelItem(m_list->currentItem());
    if (index < 0 || index >= int(m_found.size()))
        return;
    const FoundPlc &plc = m_found[std::size_t(index)];
    const Target target = m_target();
    if (!target.model || target.rows.isEmpty()) {
        m_context.services.messages->warning(m_context.text(TextId::S7_FindPlcsNoRows));
        return;
    }
    S7RuleTableModel &model = *target.model;
    const QString type = Plc_Type_Of_Family(Plc_Family(plc.identity.orderNumber));
    const std::pair<S7Rule::Field, QString> cells[] = {
        {S7Rule::Field::PLC_Address, plc.plc.host()},
        {S7Rule::Field::PLC_Port, QString::number(plc.plc.port)},
        {S7Rule::Field::Rack, QString::number(plc.plc.rack)},
        {S7Rule::Field::Slot, QString::number(plc.plc.slot)},
        {S7Rule::Field::PLC_Type, type},
    };
    model.undoStack().beginMacro(m_context.text(TextId::S7_FindPlcsUse));
    for (const int row : target.rows) {
        for (const auto &[field, value] : cells) {
            if (!value.isEmpty())
                model.setData(model.index(row, model.columnOf(field)), value);
        }
    }
    model.undoStack().endMacro();
}
