#pragma once

#include "s7access/S7Rule.h"

#include <QToolButton>

struct AppContext;
class S7RuleTableModel;

// "Changes" in the corner of the editor's pages: enabled while the lists differ from
// S7_Protocol.xml as the editor loaded it when it opened; a click shows what OK would save,
// compared rule by rule as brivant-cli diff does (added, removed, changed and moved rules).
class S7ChangesLink : public QToolButton
{
    Q_OBJECT
public:
    S7ChangesLink(AppContext &context, S7RuleTableModel &read, S7RuleTableModel &write, QWidget *parent);

    void Set_Lang();
    // The comparison as text; empty when the lists are the file's.
    QString changesText() const;
    void showChanges();
    // The Changes view: `text`, or `noneText` when it is empty, in a read-only window.
    static void Show_Changes_View(AppContext &context, QWidget *parent, const QString &text, const QString &noneText);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refreshState();

    AppContext &m_context;
    S7RuleTableModel &m_read;
    S7RuleTableModel &m_write;
    S7RuleList m_diskRead; // the rules as loaded, trailing empty ones dropped
    S7RuleList m_diskWrite;
};
