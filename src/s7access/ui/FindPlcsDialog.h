#pragma once

#include "s7access/PlcScanRange.h"

#include <QDialog>
#include <QList>
#include <functional>
#include <vector>

struct AppContext;
class FlatButton;
class QLabel;
class QLineEdit;
class QTreeWidget;
class S7RuleTableModel;

// "Find PLCs": scans one address range that the user types (at most 256 addresses, only when
// Find is pressed, never beyond the range) for PLCs and lists address, rack/slot, family and
// module. "Use" fills PLC Address, Port, Rack, Slot and PLC Type of the selected rows of the
// shown list with the selected PLC, as one undo step.
class FindPlcsDialog : public QDialog
{
public:
    // The list and rows Use fills, and the address and port of the row the range is proposed for.
    struct Target
    {
        S7RuleTableModel *model = nullptr;
        QList<int> rows; // 0-based, the selected rows
        QString address;
        QString port;
    };

    FindPlcsDialog(AppContext &context, std::function<Target()> target, QWidget *parent);

    void Set_Lang();
    // Proposes the range of the selected row's address (its /24, .1 to .254) and shows the window.
    void openForSelection();

private:
    void updateCount();
    void Btn_FindClick();
    void Btn_UseClick();
    void scanFinished(const std::vector<FoundPlc> &found);
    std::optional<std::pair<std::uint32_t, std::uint32_t>> range() const;

    AppContext &m_context;
    std::function<Target()> m_target;
    QLabel *m_firstLabel;
    QLabel *m_lastLabel;
    QLabel *m_portLabel;
    QLineEdit *m_first;
    QLineEdit *m_last;
    QLineEdit *m_port;
    QLabel *m_count;
    FlatButton *m_find;
    QTreeWidget *m_list;
    QLabel *m_progress;
    FlatButton *m_use;
    FlatButton *m_close;
    std::vector<FoundPlc> m_found;
    bool m_scanning = false;
    int m_total = 0;
};
