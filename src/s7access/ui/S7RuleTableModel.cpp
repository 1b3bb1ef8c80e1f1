#include "s7access/ui/S7RuleTableModel.h"

#include "common/TextUtil.h"

#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QUndoCommand>
#include <algorithm>

namespace {

using F = S7Rule::Field;

// A green or red dot on the row number, the value or the error as its tooltip.
QVariant rowMarkData(const S7RuleTableModel::RowMark &mark, int role)
{
    switch (role) {
    case Qt::DecorationRole: {
        QPixmap dot(10, 10);
        dot.fill(Qt::transparent);
        QPainter painter(&dot);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(!mark.ok ? QColor(0xD3, 0x2F, 0x2F) : mark.afterEnd ? QColor(0xE0, 0x8A, 0x00) : QColor(0x2E, 0x9D, 0x3A));
        painter.drawEllipse(0, 0, 10, 10);
        return QIcon(dot);
    }
    case Qt::ToolTipRole:
        return mark.tip;
    case Qt::BackgroundRole:
        return !mark.ok ? QColor(0xF8, 0xD7, 0xD7) : mark.afterEnd ? QColor(0xFC, 0xE8, 0xC4) : QColor(0xDC, 0xF2, 0xDC);
    default:
        return {};
    }
}

// The bit choices of PLC_Bit and Bit; the other drop-down columns offer S7Rule::choices.
const QStringList &bits()
{
    static const QStringList l = {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                  QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7")};
    return l;
}

QColor columnColour(F field)
{
    switch (field) {
    case F::Enable:
        return QColor(0xFF, 0xD8, 0xB0);
    case F::PLC_Address: case F::PLC_Port: case F::PLC_Type: case F::Rack: case F::Slot:
    case F::Data_Type: case F::Data_Identifier: case F::DB_Number: case F::PLC_Area:
    case F::PLC_Add: case F::PLC_Bit:
        return QColor(0xE0, 0xFA, 0xFE);
    case F::PollTime: case F::OnChange: case F::OnCMD:
        return QColor(0xA8, 0xFF, 0xA8);
    case F::Position: case F::Bit:
        return QColor(0xFC, 0xD6, 0xF4);
    case F::Swap: case F::SwapWord:
        return QColor(0xFF, 0xFF, 0xA8);
    case F::Mnemonic:
        break;
    }
    return QColor(Qt::white);
}

QString checkBoxText(const QString &pasted)
{
    const QString t = Trim_Text(pasted).toLower();
    const bool set = t == QLatin1String("y") || t == QLatin1String("yes") || t == QLatin1String("true")
        || t == QLatin1String("x") || t == QLatin1String("1");
    return set ? QStringLiteral("Y") : QStringLiteral("N");
}

// One undoable change: rules [first, first + n) from `before` to `after`.
class RulesCommand : public QUndoCommand
{
public:
    RulesCommand(S7RuleTableModel &model, int first, std::vector<S7Rule> before, std::vector<S7Rule> after,
                 const QString &text)
        : QUndoCommand(text), m_model(model), m_first(first), m_before(std::move(before)), m_after(std::move(after))
    {
    }
    void undo() override { m_model.replaceRules(m_first, m_before); }
    void redo() override { m_model.replaceRules(m_first, m_after); }

private:
    S7RuleTableModel &m_model;
    int m_first;
    std::vector<S7Rule> m_before;
    std::vector<S7Rule> m_after;
};

} // namespace

S7RuleTableModel::S7RuleTableModel(S7Rule::List list, QObject *parent)
    : QAbstractTableModel(parent), m_list(list), m_fields(S7Rule::fields(list)), m_rules(Fresh_Rule_List())
{
}

S7Rule::Field S7RuleTableModel::fieldAt(int column) const
{
    return m_fields[std::size_t(column)];
}

int S7RuleTableModel::columnOf(S7Rule::Field field) const
{
    for (std::size_t i = 0; i < m_fields.size(); ++i)
        if (m_fields[i] == field)
            return int(i);
    return -1;
}

bool S7RuleTableModel::isCheckBoxColumn(int column) const
{
    return S7Rule::isCheckBox(fieldAt(column));
}

void S7RuleTableModel::resetRules()
{
    beginResetModel();
    m_rules = Fresh_Rule_List();
    m_rowMarks.clear();
    m_undo.clear();
    endResetModel();
}

void S7RuleTableModel::rulesLoaded()
{
    beginResetModel();
    m_rules.resize(kMaxRules);
    m_undo.clear();
    endResetModel();
}

void S7RuleTableModel::setPositionLimit(int limit)
{
    m_positionLimit = limit;
    m_positionChoices.clear();
    // The count comes from a file a user may have edited: the list never grows beyond what
    // any project offers (the device exchanges at most 244 bytes each way), whatever the
    // validation later says about the count.
    const int shown = std::min(limit, kMaxPositionChoices);
    if (shown > 0) {
        m_positionChoices.reserve(shown);
        for (int i = 0; i < shown; ++i)
            m_positionChoices.append(QString::number(i));
    }
}

void S7RuleTableModel::setHeadings(const QStringList &headings, const QStringList &hints)
{
    m_headings = headings;
    m_hints = hints;
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void S7RuleTableModel::setFindText(const QString &text)
{
    if (text == m_findText)
        return;
    m_findText = text;
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::BackgroundRole});
}

bool S7RuleTableModel::cellMatches(int row, int column) const
{
    if (m_findText.isEmpty() || isCheckBoxColumn(column))
        return false;
    return m_rules[std::size_t(row)][fieldAt(column)].contains(m_findText, Qt::CaseInsensitive);
}

void S7RuleTableModel::deleteRow(int row)
{
    std::vector<S7Rule> after(m_rules.begin() + row + 1, m_rules.end());
    after.push_back(S7Rule::cleared());
    change(row, std::move(after), tr("Delete row"));
}

void S7RuleTableModel::deleteRows(const QList<int> &rows)
{
    if (rows.isEmpty())
        return;
    const int first = *std::min_element(rows.begin(), rows.end());
    std::vector<S7Rule> after;
    for (int r = first; r < kMaxRules; ++r) {
        if (!rows.contains(r))
            after.push_back(m_rules[std::size_t(r)]);
    }
    after.resize(std::size_t(kMaxRules - first), S7Rule::cleared());
    change(first, std::move(after), tr("Delete rows"));
}

void S7RuleTableModel::insertRow(int row)
{
    std::vector<S7Rule> after;
    after.reserve(std::size_t(kMaxRules - row));
    after.push_back(S7Rule());
    after.insert(after.end(), m_rules.begin() + row, m_rules.end() - 1);
    change(row, std::move(after), tr("Insert row"));
}

void S7RuleTableModel::closeGaps()
{
    std::vector<S7Rule> after = m_rules;
    std::stable_partition(after.begin(), after.end(), [](const S7Rule &rule) { return rule.inUse(); });
    if (after != m_rules)
        change(0, std::move(after), tr("Close gaps"));
}

void S7RuleTableModel::replaceAll(S7RuleList rules, const QString &what)
{
    rules.resize(m_rules.size());
    change(0, std::move(rules), what);
}

QStringList S7RuleTableModel::rowCells(int row) const
{
    return m_rules[std::size_t(row)].cells(m_list);
}

void S7RuleTableModel::setRowCells(int row, const QStringList &cells)
{
    S7Rule rule = m_rules[std::size_t(row)];
    rule.setCells(m_list, cells);
    change(row, {rule}, tr("Paste row"));
}

void S7RuleTableModel::setRules(int first, std::vector<S7Rule> rules, const QString &what)
{
    if (first < 0 || rules.empty() || first + int(rules.size()) > int(m_rules.size()))
        return;
    change(first, std::move(rules), what);
}

bool S7RuleTableModel::rowUsed(int row) const
{
    const S7Rule &rule = m_rules[std::size_t(row)];
    for (const F f : m_fields)
        if (!S7Rule::isCheckBox(f) && !Trim_Text(rule[f]).isEmpty())
            return true;
    return false;
}

namespace {

bool isCodedField(F field)
{
    return field == F::PLC_Type || field == F::Data_Type || field == F::Data_Identifier || field == F::PLC_Area;
}

} // namespace

std::optional<QString> S7RuleTableModel::listedText(F field, const QString &text) const
{
    if (!isCodedField(field))
        return text;
    const QString trimmed = Trim_Text(text);
    if (trimmed.isEmpty())
        return QString();
    for (const QString &choice : choices(field)) {
        if (choice.compare(trimmed, Qt::CaseInsensitive) == 0)
            return choice;
    }
    return std::nullopt;
}

bool S7RuleTableModel::isOffList(int row, int column) const
{
    const F field = fieldAt(column);
    const QString &text = m_rules[std::size_t(row)][field];
    return isCodedField(field) && !text.isEmpty() && !choices(field).contains(text);
}

int S7RuleTableModel::pasteBlock(int row, int column, const QList<QStringList> &block, PasteRefusals *refused)
{
    const int rows = std::min<int>(int(block.size()), kMaxRules - row);
    if (rows <= 0 || column < 0 || column >= columnCount())
        return 0;
    std::vector<S7Rule> after(m_rules.begin() + row, m_rules.begin() + row + rows);
    for (int r = 0; r < rows; ++r) {
        const QStringList &cells = block[r];
        for (int c = 0; c < cells.size() && column + c < columnCount(); ++c) {
            const F f = fieldAt(column + c);
            if (S7Rule::isCheckBox(f)) {
                after[std::size_t(r)][f] = checkBoxText(cells[c]);
            } else if (cells[c].size() > kMaxCellLength) {
                // Longer than a saved file may hold.
                if (refused && refused->count++ == 0) {
                    refused->row = row + r;
                    refused->column = column + c;
                    refused->text = cells[c].left(40) + QStringLiteral("...");
                }
            } else if (const auto listed = listedText(f, cells[c])) {
                after[std::size_t(r)][f] = *listed;
            } else if (refused && refused->count++ == 0) {
                refused->row = row + r;
                refused->column = column + c;
                refused->text = cells[c];
            }
        }
    }
    change(row, std::move(after), tr("Paste"));
    return rows;
}

QList<QStringList> S7RuleTableModel::textBlock(int top, int left, int bottom, int right) const
{
    QList<QStringList> block;
    for (int r = top; r <= bottom; ++r) {
        QStringList cells;
        for (int c = left; c <= right; ++c)
            cells.append(m_rules[std::size_t(r)][fieldAt(c)]);
        block.append(cells);
    }
    return block;
}

void S7RuleTableModel::replaceRules(int first, const std::vector<S7Rule> &rules)
{
    std::copy(rules.begin(), rules.end(), m_rules.begin() + first);
    emit dataChanged(index(first, 0), index(first + int(rules.size()) - 1, columnCount() - 1));
}

void S7RuleTableModel::change(int first, std::vector<S7Rule> after, const QString &what)
{
    std::vector<S7Rule> before(m_rules.begin() + first, m_rules.begin() + first + std::ptrdiff_t(after.size()));
    if (before == after)
        return;
    m_undo.push(new RulesCommand(*this, first, std::move(before), std::move(after), what));
}

QStringList S7RuleTableModel::choices(S7Rule::Field field) const
{
    switch (field) {
    case F::PLC_Type:
    case F::Data_Type:
    case F::Data_Identifier:
    case F::PLC_Area: return S7Rule::choices(field);
    case F::PLC_Bit:
    case F::Bit: return bits();
    case F::Position: return m_positionChoices;
    default: return {};
    }
}

int S7RuleTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kMaxRules;
}

int S7RuleTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fields.size());
}

QVariant S7RuleTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const F field = fieldAt(index.column());
    const QString &text = m_rules[std::size_t(index.row())][field];
    const bool checkBox = S7Rule::isCheckBox(field);
    switch (role) {
    case Qt::DisplayRole:
        return checkBox ? QVariant() : QVariant(text);
    case Qt::EditRole:
        return text;
    case Qt::CheckStateRole:
        if (!checkBox)
            return {};
        return text == QLatin1String("Y") ? Qt::Checked : Qt::Unchecked;
    case Qt::BackgroundRole:
        // A find match is tinted; a text the list does not offer (from a file) stands out, because
        // the device gets another code.
        if (cellMatches(index.row(), index.column()))
            return QColor(0xFF, 0xA0, 0x40);
        return isOffList(index.row(), index.column()) ? QColor(0xFF, 0xA0, 0xA0) : columnColour(field);
    case Qt::TextAlignmentRole:
        return checkBox ? int(Qt::AlignCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
    case ChoicesRole:
        if (field == F::PLC_Type || field == F::Data_Type || field == F::Data_Identifier || field == F::PLC_Area
            || field == F::PLC_Bit || field == F::Bit || field == F::Position)
            return choices(field);
        return {};
    default:
        return {};
    }
}

bool S7RuleTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    const F field = fieldAt(index.column());
    QString text;
    if (role == Qt::CheckStateRole && S7Rule::isCheckBox(field))
        text = value.value<Qt::CheckState>() == Qt::Checked ? QStringLiteral("Y") : QStringLiteral("N");
    else if (role == Qt::EditRole)
        text = value.toString().left(kMaxCellLength); // what a saved file may hold
    else
        return false;
    S7Rule rule = m_rules[std::size_t(index.row())];
    rule[field] = text;
    change(index.row(), {rule}, tr("Edit"));
    return true;
}

Qt::ItemFlags S7RuleTableModel::flags(const QModelIndex &index) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    f |= isCheckBoxColumn(index.column()) ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable;
    return f;
}

void S7RuleTableModel::setRowMarks(QHash<int, RowMark> marks)
{
    m_rowMarks = std::move(marks);
    emit headerDataChanged(Qt::Vertical, 0, kMaxRules - 1);
}

QVariant S7RuleTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole && section >= 0 && section < kMaxRules)
            return QString::number(section + 1);
        if (const auto mark = m_rowMarks.constFind(section); mark != m_rowMarks.constEnd())
            return rowMarkData(*mark, role);
        return {};
    }
    if (section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return section < m_headings.size() ? m_headings[section] : S7Rule::fieldName(fieldAt(section));
    if (role == Qt::ToolTipRole && section < m_hints.size())
        return m_hints[section];
    return {};
}
