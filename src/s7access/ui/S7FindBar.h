#pragma once

#include <QWidget>
#include <vector>

struct AppContext;
class QLabel;
class QLineEdit;
class QTabWidget;
class QToolButton;
class S7GridView;

// The access-list editor's find bar, above its buttons. Ctrl+F opens it; it searches the text
// cells of both lists as the user types (case-insensitive), tints every match, and F3 /
// Shift+F3, Enter / Shift+Enter go to the next and previous match across both pages, wrapping
// at the ends; it says "n of m" and follows edits. Escape in the bar closes the bar only. Each
// opening of the editor starts with the bar closed.
class S7FindBar : public QWidget
{
    Q_OBJECT
public:
    // Places itself in `editor`'s layout above its last widget (the button panel) and installs
    // the editor's shortcuts.
    S7FindBar(AppContext &context, QTabWidget &pages, S7GridView &readView, S7GridView &writeView,
              QWidget *editor);

    void Set_Lang();
    void openBar();
    void closeBar();
    void findNext() { step(+1); }
    void findPrevious() { step(-1); }

    int matchCount() const { return int(m_matches.size()); }
    // 1-based index of the current cell of the shown page among the matches; 0 when it is none.
    int currentMatch() const;
    QString countText() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Match
    {
        int page;
        int row;
        int column;
        auto operator<=>(const Match &) const = default;
    };
    void textEdited();
    void refresh();
    void step(int direction);
    void goTo(const Match &match);
    Match currentPosition() const;
    S7GridView &view(int page) const { return page == 0 ? m_readView : m_writeView; }

    AppContext &m_context;
    QTabWidget &m_pages;
    S7GridView &m_readView;
    S7GridView &m_writeView;
    QLabel *m_label;
    QLineEdit *m_edit;
    QLabel *m_count;
    QToolButton *m_previous;
    QToolButton *m_next;
    QToolButton *m_close;
    std::vector<Match> m_matches;
};
