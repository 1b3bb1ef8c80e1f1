#pragma once

#include "s7access/ProfibusMap.h"

#include <QWidget>

#include <memory>

struct AppContext;
class FlatButton;
class ProfibusMapView;
class QLabel;
class QProgressBar;
class QPushButton;
class QThread;
class QTimer;
class S7RuleTableModel;

// The access-list editor's third page: the PROFIBUS map of the rules shown, a legend, and the
// commissioning report of the project with these rules.
class ProfibusMapPage : public QWidget
{
    Q_OBJECT
public:
    ProfibusMapPage(AppContext &context, S7RuleTableModel &read, S7RuleTableModel &write, QWidget *parent = nullptr);
    // A report still being written is cancelled, and its thread waited for.
    ~ProfibusMapPage() override;

    void Set_Lang();
    void setLimits(const PositionLimits &limits);
    ProfibusMapView &view() const { return *m_view; }

    // Before a save: true when no read rules share bytes, or when the user agrees to save
    // anyway (the question names the first conflict).
    bool confirmConflicts();

    // Whether a report is being written (off the user-interface thread).
    bool reportRunning() const { return m_job != nullptr; }

signals:
    void ruleClicked(S7Rule::List list, int row);

private:
    struct ReportJob;

    void Btn_ReportClick();
    void reportFinished();
    void showReportRunning(bool running);
    // Before the report: when rules follow an empty row, offers to close the gaps, as OK does.
    void offerToCloseGaps();
    // The rules the map cannot place, under the map.
    void showUnplaced();

    AppContext &m_context;
    S7RuleTableModel &m_read;
    S7RuleTableModel &m_write;
    ProfibusMapView *m_view;
    QList<QLabel *> m_legend; // free, conflict, past the byte count
    FlatButton *m_report;
    QLabel *m_reportDone;
    QProgressBar *m_reportProgress;
    QPushButton *m_reportCancel;
    QTimer *m_reportPoll;
    QThread *m_job = nullptr;
    std::shared_ptr<ReportJob> m_jobState;
    QLabel *m_unplaced;
    QWidget *m_afterEnd;
    QLabel *m_afterEndLegend;
};
