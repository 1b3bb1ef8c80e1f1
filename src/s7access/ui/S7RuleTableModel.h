#pragma once

#include "s7access/S7Protocol.h"
#include "s7access/S7Rule.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QUndoStack>
#include <optional>

// One rule list of the access-list editor as a table: 512 rows, one column per field of the
// list (18 read, 20 write). Check-box fields hold "Y" or "N" through Qt::CheckStateRole and
// show any other text as cleared. Every change goes through the model's undo stack.
class S7RuleTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // The fixed texts of a drop-down column (QStringList); null for the other columns.
    static constexpr int ChoicesRole = Qt::UserRole + 1;

    explicit S7RuleTableModel(S7Rule::List list, QObject *parent = nullptr);

    S7Rule::List list() const { return m_list; }
    const S7RuleList &rules() const { return m_rules; }
    S7RuleList &rulesForLoading() { return m_rules; }

    S7Rule::Field fieldAt(int column) const;
    int columnOf(S7Rule::Field field) const;
    bool isCheckBoxColumn(int column) const;

    // Fresh rules (Enable "Y", the rest empty) and an empty undo history.
    void resetRules();
    // Announces rules changed through rulesForLoading(); the undo history is cleared.
    void rulesLoaded();

    // The most Position choices a list offers: as many as without ParGen.xml.
    static constexpr int kMaxPositionChoices = PositionLimits::kNoParGen;
    // The Position choices "0" to limit - 1, at most kMaxPositionChoices; none when the limit
    // is 0 or less.
    void setPositionLimit(int limit);
    int positionLimit() const { return m_positionLimit; }

    // The outcome of a PLC check on a row, shown on its row number with the value or the
    // error as tooltip; cleared when the rules are reset or loaded.
    struct RowMark
    {
        bool ok = false;
        QString tip;
        // The rule follows the list's end: an amber mark, whatever the outcome of a good read.
        bool afterEnd = false;
    };
    void setRowMarks(QHash<int, RowMark> marks); // 0-based rows
    const QHash<int, RowMark> &rowMarks() const { return m_rowMarks; }

    // Headings and heading hints, one per column.
    void setHeadings(const QStringList &headings, const QStringList &hints);

    QUndoStack &undoStack() { return m_undo; }

    // The find bar's text: cells that hold it (case-insensitive; check boxes, which show no
    // text, never) are tinted. An empty text tints nothing.
    void setFindText(const QString &text);
    bool cellMatches(int row, int column) const;

    // Row operations on 0-based rows, each one undo step.
    // Moves the rows below `row` up one place; the last row becomes empty, Enable included.
    void deleteRow(int row);
    // Deletes several rows as one undo step: the rows below move up, the last rows become
    // empty, Enable included.
    void deleteRows(const QList<int> &rows);
    // Moves `row` and the rows below down one place, dropping the last, and puts a fresh rule
    // at `row`.
    void insertRow(int row);
    // Moves every rule in use (PLC address set) up, in order, above the unused rows, which
    // keep their order below them. One undo step; nothing happens when there is no gap.
    void closeGaps();
    // Replaces the whole list by `rules` (fresh rules below them) as one undo step.
    void replaceAll(S7RuleList rules, const QString &what);
    QStringList rowCells(int row) const;
    void setRowCells(int row, const QStringList &cells);
    // A row is used when a cell outside the check-box columns holds more than blanks.
    bool rowUsed(int row) const;

    // Cells a paste left as they were: their number and the first one (0-based row and
    // column, the refused text).
    struct PasteRefusals
    {
        int count = 0;
        int row = -1;
        int column = -1;
        QString text;
    };
    // Writes a block of texts from (row, column), clipped to the table; check-box cells take
    // "Y" for Y, yes, true, x or 1 (any case) and "N" otherwise. A coded column (PLC type,
    // data type, data identifier, PLC area) takes only its list texts, matched ignoring case
    // and surrounding blanks and stored as listed, or an empty text; other texts leave the
    // cell as it was and are counted in `refused`. One undo step. Returns the rows written.
    int pasteBlock(int row, int column, const QList<QStringList> &block, PasteRefusals *refused = nullptr);
    // Whether the cell holds a text that its coded column does not list (files may carry
    // such texts; the grid marks them).
    bool isOffList(int row, int column) const;
    QList<QStringList> textBlock(int top, int left, int bottom, int right) const;

    // Puts rules at rows [first, first + rules.size()) as one undo step named `what` (the
    // rules of an import).
    void setRules(int first, std::vector<S7Rule> rules, const QString &what);
    // Replaces rules [first, first + rules.size()) without undo (used by the undo commands).
    void replaceRules(int first, const std::vector<S7Rule> &rules);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    // Records the change of rules [first, first + after.size()) as one undo step and applies it.
    void change(int first, std::vector<S7Rule> after, const QString &what);
    QStringList choices(S7Rule::Field field) const;
    // The list text `text` stands for in a coded column: itself in other columns, the empty
    // text for blanks, nothing when the list has no such text.
    std::optional<QString> listedText(S7Rule::Field field, const QString &text) const;

    S7Rule::List m_list;
    std::span<const S7Rule::Field> m_fields;
    S7RuleList m_rules;
    int m_positionLimit = 0;
    QStringList m_positionChoices;
    QStringList m_headings;
    QStringList m_hints;
    QHash<int, RowMark> m_rowMarks;
    QString m_findText;
    QUndoStack m_undo;
};
