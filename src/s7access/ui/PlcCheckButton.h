#pragma once

#include "s7access/PlcCheck.h"

#include <QHash>
#include <QObject>
#include <vector>

struct AppContext;
class FlatButton;
class QDialog;
class QLabel;
class QPlainTextEdit;
class QProgressDialog;
class S7RuleTableModel;

// The access-list editor's "Check PLCs": reads each enabled rule's item once from its PLC,
// with the two lists as they stand in the editor, saved or not. While it runs, a progress
// window offers Cancel; afterwards each checked row is marked OK or failed on its row number
// (the value or the error as tooltip) and a result window lists every rule for copying. It
// runs only when the user presses the button and never writes to a PLC.
class PlcCheckButton : public QObject
{
    Q_OBJECT
public:
    PlcCheckButton(AppContext &context, S7RuleTableModel &read, S7RuleTableModel &write, QWidget *window);
    ~PlcCheckButton() override;

    // Hidden when the program has no PLC check service.
    FlatButton *button() const { return m_button; }
    void Set_Lang();

    QProgressDialog *progressWindow() const { return m_progress; }
    QDialog *resultWindow() const { return m_resultWindow; }

private:
    void Btn_CheckPlcsClick();
    void showProgress(int done, int total);
    void checkFinished(const std::vector<PlcCheckResult> &results, bool cancelled);
    void markRows(const std::vector<PlcCheckResult> &results);
    void showResults(const std::vector<PlcCheckResult> &results, bool cancelled);
    // Clears the marks of the rows whose rule is no longer the one checked.
    void clearChangedMarks(S7RuleTableModel &model, int firstRow, int lastRow);
    // A result as the window words it: an incomplete row names the column as its heading does.
    PlcCheckResult shownResult(const PlcCheckResult &result) const;

    AppContext &m_context;
    S7RuleTableModel &m_read;
    S7RuleTableModel &m_write;
    QWidget *m_window;
    FlatButton *m_button;
    QProgressDialog *m_progress = nullptr;
    QDialog *m_resultWindow = nullptr;
    QLabel *m_summary = nullptr;
    QPlainTextEdit *m_resultList = nullptr;
    FlatButton *m_copy = nullptr;
    FlatButton *m_close = nullptr;
    bool m_closing = false;
    // The rows validation refuses, not sent: they join the results when the check ends.
    std::vector<PlcCheckResult> m_unsent;
    // The rules as they were checked, by 0-based row, of the read and the write list.
    QHash<int, S7Rule> m_checkedRead;
    QHash<int, S7Rule> m_checkedWrite;
};
