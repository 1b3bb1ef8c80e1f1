#pragma once

#include <QTableView>

struct AppSettings;
class S7RuleTableModel;

// A rule grid of the access-list editor. The vertical header shows the row numbers 1 to 512
// under the corner heading; a click on it selects the row. With Enable_Jump_Field_Tables,
// Enter moves to the next cell (from the last column to the first of the next row, from
// row 512 to row 1); with Double_Click_Auto_Size, a double click on a heading fits that
// column. Ctrl+Z / Ctrl+Y undo and redo; Ctrl+C / Ctrl+V are handed to the window.
class S7GridView : public QTableView
{
    Q_OBJECT
public:
    S7GridView(const AppSettings &settings, QWidget *parent = nullptr);

    S7RuleTableModel *ruleModel() const;
    void setCornerText(const QString &text);
    QString cornerText() const { return m_cornerText; }

    // The rows selected whole (by their row numbers), in ascending order.
    QList<int> selectedWholeRows() const;
    // The current row, 0 to 511 (0 when there is no current cell).
    int currentRow() const;
    bool isEditing() const { return state() == QAbstractItemView::EditingState; }
    // Commits and closes the editor of the current cell, if one is open.
    void commitOpenEditor();
    // The cell Enter moves to from `index`.
    QModelIndex nextCell(const QModelIndex &index) const;
    // The column fitting of a heading double click (does nothing unless the setting is on).
    void Auto_Size_Column(int column);

signals:
    void copyRequested();
    void pasteRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Enter_Next_Cell();

    const AppSettings &m_settings;
    QString m_cornerText;
};
