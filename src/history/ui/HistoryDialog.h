#pragma once

#include "history/HistoryVersions.h"

#include <QDialog>
#include <functional>
#include <vector>

struct AppContext;
class FlatButton;
class QTreeWidget;

// "History..." of a window: the versions of one project file kept in the project's history,
// newest first. Compare shows a version's difference against the window's contents through
// `compare`; Restore hands the version to `restore` and closes the list (the window then holds
// it as an edit that only its OK saves). Unreadable versions are listed, never offered.
class HistoryDialog : public QDialog
{
    Q_OBJECT
public:
    using Action = std::function<void(const HistoryVersion &)>;

    HistoryDialog(AppContext &context, const QString &fileName, Action compare, Action restore, QWidget *parent);

    // Lists the versions of the open project; a history that cannot be read shows its reason.
    void Load_Versions();
    const std::vector<HistoryVersion> &versions() const { return m_versions; }
    // Selects a row (0 the newest).
    void selectVersion(int row);

    // What the list shows of a version: its contents in short, in the loaded language.
    static QString Summary_Text(const AppContext &context, const HistoryVersion &version);

private:
    const HistoryVersion *selected() const;
    void refreshButtons();

    AppContext &m_context;
    QString m_fileName;
    Action m_compare;
    Action m_restore;
    QTreeWidget *m_list;
    FlatButton *m_compareButton;
    FlatButton *m_restoreButton;
    FlatButton *m_close;
    std::vector<HistoryVersion> m_versions;
};

// Runs `save` keeping the replaced file in the history; when the copy cannot be kept, says
// so and asks whether to save without keeping it. True when the file was saved; other errors
// propagate to the caller's guard.
bool Save_Keeping_History(AppContext &context, const std::function<void(KeepHistory)> &save);
