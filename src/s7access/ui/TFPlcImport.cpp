#include "s7access/ui/TFPlcImport.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/AppContext.h"
#include "platform/MessageService.h"
#include "platform/ui/FileDialogs.h"
#include "s7access/ui/S7RuleTableModel.h"
#include "texts/TextId.h"
#include "widgets/FlatButton.h"
#include "widgets/TitlePanel.h"
#include "widgets/WindowStyle.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kGroupRole = Qt::UserRole + 1;  // block index, or -1 for the tags
constexpr int kMemberRole = Qt::UserRole + 2; // member or tag index
enum Column { MemberColumn, TypeColumn, AddressColumn, BitsColumn, PositionColumn, NoteColumn, ColumnCount };

FlatButton *makeButton(const QString &name, QStyle::StandardPixmap glyph, QWidget *parent)
{
    auto *button = new FlatButton(glyph, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

bool isTagTable(const QString &file)
{
    const QString suffix = QFileInfo(file).suffix().toLower();
    return suffix == QLatin1String("asc") || suffix == QLatin1String("sdf") || suffix == QLatin1String("xlsx");
}

} // namespace

TFPlcImport::TFPlcImport(AppContext &context, S7RuleTableModel &read, S7RuleTableModel &write, QWidget *parent)
    : QDialog(parent), m_context(context), m_read(read), m_write(write), m_title(new TitlePanel(this))
{
    setObjectName(QStringLiteral("TFPlcImport"));
    setSizeGripEnabled(true);

    auto *body = new QVBoxLayout;
    body->setContentsMargins(8, 6, 8, 6);
    auto *filesRow = new QHBoxLayout;
    m_files = makeButton(QStringLiteral("Btn_Files"), QStyle::SP_DialogOpenButton, this);
    m_fileNames = new QLabel(this);
    m_fileNames->setObjectName(QStringLiteral("L_Files"));
    m_fileNames->setTextInteractionFlags(Qt::TextSelectableByMouse);
    filesRow->addWidget(m_files);
    filesRow->addWidget(m_fileNames, 1);
    body->addLayout(filesRow);

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("TV_Members"));
    m_tree->setColumnCount(ColumnCount);
    m_tree->setUniformRowHeights(true);
    m_tree->setAlternatingRowColors(true);
    body->addWidget(m_tree, 1);

    auto *form = new QGridLayout;
    const auto label = [this](const char *name) {
        auto *l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    const auto edit = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    m_listLabel = label("L_List");
    m_list = new QComboBox(this);
    m_list->setObjectName(QStringLiteral("CB_List"));
    m_list->addItems({QString(), QString()});
    m_addressLabel = label("L_PLC_Address");
    m_address = edit("E_PLC_Address");
    m_portLabel = label("L_PLC_Port");
    m_port = edit("E_PLC_Port");
    m_typeLabel = label("L_PLC_Type");
    m_type = new QComboBox(this);
    m_type->setObjectName(QStringLiteral("CB_PLC_Type"));
    m_type->addItems(S7Rule::choices(S7Rule::Field::PLC_Type));
    m_rackLabel = label("L_Rack");
    m_rack = edit("E_Rack");
    m_slotLabel = label("L_Slot");
    m_slot = edit("E_Slot");
    m_pollLabel = label("L_PollTime");
    m_poll = edit("E_PollTime");
    m_dbLabel = label("L_DB_Number");
    m_db = edit("E_DB_Number");
    m_db->setValidator(new QIntValidator(0, 65535, m_db));
    const std::pair<QLabel *, QWidget *> fields[] = {
        {m_listLabel, m_list}, {m_addressLabel, m_address}, {m_portLabel, m_port}, {m_typeLabel, m_type},
        {m_rackLabel, m_rack}, {m_slotLabel, m_slot},       {m_pollLabel, m_poll}, {m_dbLabel, m_db}};
    for (int i = 0; i < 8; ++i) {
        form->addWidget(fields[i].first, i / 4, (i % 4) * 2);
        form->addWidget(fields[i].second, i / 4, (i % 4) * 2 + 1);
        form->setColumnStretch((i % 4) * 2 + 1, 1);
    }
    body->addLayout(form);
    m_preview = new QLabel(this);
    m_preview->setObjectName(QStringLiteral("L_Preview"));
    m_preview->setWordWrap(true);
    body->addWidget(m_preview);

    m_ok = makeButton(QStringLiteral("Btn_OK"), QStyle::SP_DialogApplyButton, this);
    m_cancel = makeButton(QStringLiteral("Btn_Cancel"), QStyle::SP_DialogCancelButton, this);
    QWidget *buttons = WindowStyle::Make_Button_Panel(this, {m_ok, m_cancel});
    WindowStyle::Stack_Window(this, m_title, body, buttons);

    // The preview follows every change once the events of a click are done (a ticked block
    // ticks all its members one by one).
    auto *previewTimer = new QTimer(this);
    previewTimer->setSingleShot(true);
    previewTimer->setInterval(0);
    connect(previewTimer, &QTimer::timeout, this, [this] { guarded([this] { updatePreview(); }); });
    const auto later = [this, previewTimer] {
        if (!m_updating)
            previewTimer->start();
    };
    connect(m_tree, &QTreeWidget::itemChanged, this, later);
    connect(m_list, &QComboBox::currentIndexChanged, this, later);
    for (QLineEdit *e : {m_db, m_address, m_port, m_rack, m_slot, m_poll})
        connect(e, &QLineEdit::textChanged, this, later);
    connect(m_files, &QPushButton::clicked, this, [this] { guarded([this] { Btn_FilesClick(); }); });
    connect(m_ok, &QPushButton::clicked, this, [this] { guarded([this] { Btn_OKClick(); }); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_title->setCode(m_context.identity.Software_Code);
    resize(960, 620);
    Set_Lang();
}

TFPlcImport::~TFPlcImport() = default;

void TFPlcImport::Set_Lang()
{
    const auto text = [this](int index) { return m_context.text(index); };
    setWindowTitle(text(TextId::PlcImport_Title));
    m_title->setDescription(text(TextId::PlcImport_Title));
    m_files->setText(text(TextId::PlcImport_Files));
    m_files->setToolTip(WindowStyle::Plain_Tooltip(text(TextId::PlcImport_FilesHint)));
    if (m_fileList.isEmpty())
        m_fileNames->setText(text(TextId::PlcImport_NoFiles));
    m_tree->setHeaderLabels({text(TextId::PlcImport_Member), text(TextId::PlcImport_Type), text(TextId::PlcImport_Address),
                             text(TextId::PlcImport_Bits), text(TextId::PlcImport_Position), text(TextId::PlcImport_Note)});
    // Each column as wide as its heading and its cells, in this language.
    for (int c = 0; c < ColumnCount; ++c)
        m_tree->resizeColumnToContents(c);
    m_listLabel->setText(text(TextId::PlcImport_List));
    m_list->setItemText(0, text(TextId::PlcImport_Read));
    m_list->setItemText(1, text(TextId::PlcImport_Write));
    m_addressLabel->setText(text(TextId::PlcImport_PlcAddress));
    m_portLabel->setText(text(TextId::PlcImport_PlcPort));
    m_typeLabel->setText(text(TextId::PlcImport_PlcType));
    m_rackLabel->setText(text(TextId::PlcImport_Rack));
    m_slotLabel->setText(text(TextId::PlcImport_Slot));
    m_pollLabel->setText(text(TextId::PlcImport_PollTime));
    m_dbLabel->setText(text(TextId::PlcImport_DbNumber));
    m_ok->setText(text(TextId::PlcImport_OK));
    m_cancel->setText(text(TextId::PlcImport_Cancel));
    m_updating = true;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *group = m_tree->topLevelItem(i);
        for (int j = 0; j < group->childCount(); ++j) {
            QTreeWidgetItem *leaf = group->child(j);
            if (!(leaf->flags() & Qt::ItemIsEnabled))
                leaf->setText(NoteColumn, text(group->data(0, kGroupRole).toInt() < 0 ? TextId::PlcImport_NotAnArea
                                                                                      : TextId::PlcImport_NoRuleType));
        }
    }
    m_updating = false;
    guarded([this] { updatePreview(); });
}

void TFPlcImport::guarded(const std::function<void()> &action)
{
    Run_Guarded(*m_context.services.messages, action);
}

void TFPlcImport::prefill(S7Rule::List list, const S7Rule &row, const PositionLimits &limits)
{
    m_limits = limits;
    const PlcImportSettings defaults;
    const bool use = row.inUse();
    m_updating = true;
    m_list->setCurrentIndex(list == S7Rule::List::Read ? 0 : 1);
    m_address->setText(use ? row.PLC_Address : QString());
    m_port->setText(use ? row.PLC_Port : defaults.port);
    const int type = m_type->findText(use ? row.PLC_Type : defaults.plcType);
    m_type->setCurrentIndex(type >= 0 ? type : m_type->findText(defaults.plcType));
    m_rack->setText(use ? row.Rack : defaults.rack);
    m_slot->setText(use ? row.Slot : defaults.slot);
    m_poll->setText(use && !row.PollTime.isEmpty() ? row.PollTime : defaults.pollTime);
    m_updating = false;
    updatePreview();
}

void TFPlcImport::Btn_FilesClick()
{
    const QStringList files = m_context.services.files->getOpenFileNames(
        this, m_context.text(TextId::PlcImport_FileTitle), m_context.workspace.Project_Dir,
        m_context.text(TextId::PlcImport_Filter) + QStringLiteral(" (*.db *.udt *.awl *.scl *.asc *.sdf *.xlsx);;* (*)"));
    if (!files.isEmpty())
        loadFiles(files);
}

void TFPlcImport::loadFiles(const QStringList &files)
{
    QStringList sources;
    QStringList tagFiles;
    for (const QString &f : files)
        (isTagTable(f) ? tagFiles : sources).append(f);
    std::vector<PlcBlockLayout> blocks;
    std::vector<PlcTag> tags;
    const bool loaded = Run_Guarded(*m_context.services.messages, [&] {
        if (!sources.isEmpty())
            blocks = Load_Plc_Sources(sources);
        for (const QString &f : tagFiles) {
            auto part = Load_Plc_Tag_Table(f);
            tags.insert(tags.end(), part.begin(), part.end());
        }
    });
    if (!loaded)
        return;
    m_fileList = files;
    m_blocks = std::move(blocks);
    m_tags = std::move(tags);
    QStringList names;
    for (const QString &f : files)
        names.append(QFileInfo(f).fileName());
    m_fileNames->setText(names.join(QStringLiteral(", ")));

    m_updating = true;
    m_tree->clear();
    bool anyWithoutNumber = false;
    const auto addLeaf = [this](QTreeWidgetItem *group, int groupIndex, int index, const QString &name,
                                const QString &type, const QString &address, int bits, bool importable) {
        auto *leaf = new QTreeWidgetItem(group, {name, type, address, bits > 0 ? QString::number(bits) : QString()});
        leaf->setData(0, kGroupRole, groupIndex);
        leaf->setData(0, kMemberRole, index);
        if (importable) {
            leaf->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            leaf->setCheckState(0, Qt::Unchecked);
        } else {
            leaf->setFlags(Qt::ItemIsSelectable); // greyed
            leaf->setText(NoteColumn, m_context.text(groupIndex < 0 ? TextId::PlcImport_NotAnArea : TextId::PlcImport_NoRuleType));
        }
    };
    for (std::size_t b = 0; b < m_blocks.size(); ++b) {
        const PlcBlockLayout &block = m_blocks[b];
        anyWithoutNumber = anyWithoutNumber || block.number < 0;
        auto *group = new QTreeWidgetItem(m_tree, {block.number >= 0 ? block.name : QStringLiteral("\"%1\"").arg(block.name)});
        group->setText(BitsColumn, QString::number(block.length * 8));
        group->setData(0, kGroupRole, int(b));
        group->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
        group->setCheckState(0, Qt::Unchecked);
        for (std::size_t m = 0; m < block.members.size(); ++m) {
            const PlcMemberLayout &member = block.members[m];
            addLeaf(group, int(b), int(m), member.path, member.typeName(), Plc_Member_Address(block, member), member.bits,
                    !Plc_Rule_Data_Type(member.type).isEmpty());
        }
    }
    if (!m_tags.empty()) {
        auto *group = new QTreeWidgetItem(m_tree, {QStringLiteral("I / Q / M")});
        group->setData(0, kGroupRole, -1);
        group->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
        group->setCheckState(0, Qt::Unchecked);
        for (std::size_t t = 0; t < m_tags.size(); ++t) {
            const PlcTag &tag = m_tags[t];
            addLeaf(group, -1, int(t), tag.name, tag.typeName, tag.address, tag.bits, tag.skipReason.isEmpty());
        }
    }
    m_tree->expandAll();
    for (int c = 0; c < ColumnCount; ++c)
        m_tree->resizeColumnToContents(c);
    m_db->setEnabled(anyWithoutNumber);
    m_dbLabel->setEnabled(anyWithoutNumber);
    m_updating = false;
    updatePreview();
}

QTreeWidgetItem *TFPlcImport::memberItem(const QString &mnemonic) const
{
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *group = m_tree->topLevelItem(i);
        const int g = group->data(0, kGroupRole).toInt();
        for (int j = 0; j < group->childCount(); ++j) {
            QTreeWidgetItem *leaf = group->child(j);
            const QString name = g < 0 ? leaf->text(MemberColumn) : m_blocks[std::size_t(g)].name + u'.' + leaf->text(MemberColumn);
            if (name == mnemonic)
                return leaf;
        }
    }
    return nullptr;
}

PlcImportSettings TFPlcImport::settings() const
{
    PlcImportSettings s;
    s.list = m_list->currentIndex() == 1 ? S7Rule::List::Write : S7Rule::List::Read;
    s.plcAddress = m_address->text();
    s.port = m_port->text();
    s.plcType = m_type->currentText();
    s.rack = m_rack->text();
    s.slot = m_slot->text();
    s.pollTime = m_poll->text();
    return s;
}

std::vector<PlcImportItem> TFPlcImport::tickedItems(bool *needDb) const
{
    *needDb = false;
    const PlcImportSettings s = settings();
    bool dbOk = false;
    const int db = m_db->text().toInt(&dbOk);
    std::vector<PlcImportItem> items;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *group = m_tree->topLevelItem(i);
        const int g = group->data(0, kGroupRole).toInt();
        std::vector<PlcImportItem> all;
        if (g >= 0) {
            const PlcBlockLayout &block = m_blocks[std::size_t(g)];
            all = Plc_Block_Items(block, block.number >= 0 ? block.number : (dbOk ? db : 0), {}, s);
        } else {
            all = Plc_Tag_Items(m_tags, {}, s);
        }
        for (int j = 0; j < group->childCount(); ++j) {
            QTreeWidgetItem *leaf = group->child(j);
            if (!(leaf->flags() & Qt::ItemIsEnabled) || leaf->checkState(0) != Qt::Checked)
                continue;
            if (g >= 0 && m_blocks[std::size_t(g)].number < 0 && !dbOk)
                *needDb = true;
            items.push_back(all[std::size_t(leaf->data(0, kMemberRole).toInt())]);
        }
    }
    return items;
}

void TFPlcImport::updatePreview()
{
    bool needDb = false;
    const std::vector<PlcImportItem> items = tickedItems(&needDb);
    m_updating = true;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        for (int j = 0; j < m_tree->topLevelItem(i)->childCount(); ++j)
            m_tree->topLevelItem(i)->child(j)->setText(PositionColumn, QString());
    m_updating = false;
    if (items.empty()) {
        m_preview->setText(m_context.text(TextId::PlcImport_NoSelection));
        return;
    }
    if (needDb) {
        m_preview->setText(m_context.text(TextId::PlcImport_NeedDbNumber));
        return;
    }
    S7RuleList read = m_read.rules();
    S7RuleList write = m_write.rules();
    const S7Rule::List list = settings().list;
    const PlcImportResult result = Add_Imported_Rules(read, write, m_limits, list, items);
    if (!result.added()) {
        const int bytes = list == S7Rule::List::Read ? m_limits.NByte_IN : m_limits.NByte_OUT;
        m_preview->setText(m_context.text(TextId::PlcImport_DoNotFit)
                               .arg(result.fitting)
                               .arg(items.size())
                               .arg(result.rowsFree)
                               .arg(std::max(bytes, 0)));
        return;
    }
    m_preview->setText(m_context.text(TextId::PlcImport_Preview)
                           .arg(result.rows.size())
                           .arg(result.rows.front())
                           .arg(result.rows.back()));
    const S7RuleList &rules = list == S7Rule::List::Read ? read : write;
    QHash<QString, QString> positions;
    for (const int row : result.rows) {
        const S7Rule &r = rules[std::size_t(row - 1)];
        positions.insert(r.Mnemonic, r.Position + u'.' + r.Bit);
    }
    m_updating = true;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *group = m_tree->topLevelItem(i);
        const int g = group->data(0, kGroupRole).toInt();
        for (int j = 0; j < group->childCount(); ++j) {
            QTreeWidgetItem *leaf = group->child(j);
            if (leaf->checkState(0) != Qt::Checked)
                continue;
            const QString name = g < 0 ? leaf->text(MemberColumn) : m_blocks[std::size_t(g)].name + u'.' + leaf->text(MemberColumn);
            leaf->setText(PositionColumn, positions.value(name));
        }
    }
    m_updating = false;
}

void TFPlcImport::Btn_OKClick()
{
    bool needDb = false;
    const std::vector<PlcImportItem> items = tickedItems(&needDb);
    if (items.empty()) {
        m_context.services.messages->error(m_context.text(TextId::PlcImport_NoSelection));
        return;
    }
    if (needDb) {
        m_context.services.messages->error(m_context.text(TextId::PlcImport_NeedDbNumber));
        m_db->setFocus();
        return;
    }
    const PlcImportSettings s = settings();
    if (const auto fault = Plc_Import_Settings_Fault(s, m_context.texts)) {
        m_context.services.messages->error(*fault);
        return;
    }
    S7RuleList read = m_read.rules();
    S7RuleList write = m_write.rules();
    const PlcImportResult result = Add_Imported_Rules(read, write, m_limits, s.list, items);
    if (!result.added()) {
        const int bytes = s.list == S7Rule::List::Read ? m_limits.NByte_IN : m_limits.NByte_OUT;
        m_context.services.messages->error(m_context.text(TextId::PlcImport_DoNotFit)
                                               .arg(result.fitting)
                                               .arg(items.size())
                                               .arg(result.rowsFree)
                                               .arg(std::max(bytes, 0)));
        return;
    }
    S7RuleTableModel &model = s.list == S7Rule::List::Read ? m_read : m_write;
    const S7RuleList &rules = s.list == S7Rule::List::Read ? read : write;
    const int first = result.rows.front() - 1;
    std::vector<S7Rule> added(rules.begin() + first, rules.begin() + result.rows.back());
    model.setRules(first, std::move(added), m_context.text(TextId::PlcImport_Title));
    accept();
}
