#include "s7access/ui/S7FindBar.h"

#include "app/ui/AppContext.h"
#include "s7access/ui/S7GridView.h"
#include "s7access/ui/S7RuleTableModel.h"
#include "texts/TextId.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>

namespace {

QToolButton *toolButton(const QString &name, QStyle::StandardPixmap glyph, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(parent->style()->standardIcon(glyph));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

bool isEnter(const QKeyEvent *key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

S7FindBar::S7FindBar(AppContext &context, QTabWidget &pages, S7GridView &readView, S7GridView &writeView,
                     QWidget *editor)
    : QWidget(editor), m_context(context), m_pages(pages), m_readView(readView), m_writeView(writeView),
      m_label(new QLabel(this)), m_edit(new QLineEdit(this)), m_count(new QLabel(this)),
      m_previous(toolButton(QStringLiteral("Btn_FindPrevious"), QStyle::SP_ArrowUp, this)),
      m_next(toolButton(QStringLiteral("Btn_FindNext"), QStyle::SP_ArrowDown, this)),
      m_close(toolButton(QStringLiteral("Btn_FindClose"), QStyle::SP_TitleBarCloseButton, this))
{
    setObjectName(QStringLiteral("P_Find"));
    m_edit->setObjectName(QStringLiteral("E_Find"));
    m_edit->setClearButtonEnabled(true);
    m_edit->setMinimumWidth(260);
    m_edit->installEventFilter(this);
    m_count->setObjectName(QStringLiteral("L_Find_Count"));
    m_label->setBuddy(m_edit);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 2, 8, 2);
    layout->addWidget(m_label);
    layout->addWidget(m_edit);
    layout->addWidget(m_previous);
    layout->addWidget(m_next);
    layout->addWidget(m_count);
    layout->addStretch();
    layout->addWidget(m_close);

    connect(m_edit, &QLineEdit::textChanged, this, &S7FindBar::textEdited);
    connect(m_next, &QToolButton::clicked, this, &S7FindBar::findNext);
    connect(m_previous, &QToolButton::clicked, this, &S7FindBar::findPrevious);
    connect(m_close, &QToolButton::clicked, this, &S7FindBar::closeBar);
    for (S7GridView *v : {&m_readView, &m_writeView}) {
        QAbstractItemModel *model = v->model();
        connect(model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &, const QModelIndex &,
                                                                      const QList<int> &roles) {
            if (roles != QList<int>{Qt::BackgroundRole})
                refresh();
        });
        connect(model, &QAbstractItemModel::modelReset, this, &S7FindBar::refresh);
        connect(v->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
            m_count->setText(countText());
        });
    }
    connect(&m_pages, &QTabWidget::currentChanged, this, [this] { m_count->setText(countText()); });

    const auto shortcut = [editor](const QKeySequence &keys, auto slot) {
        auto *s = new QShortcut(keys, editor);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        QObject::connect(s, &QShortcut::activated, slot);
    };
    shortcut(QKeySequence::Find, [this] { openBar(); });
    shortcut(QKeySequence(Qt::Key_F3), [this] { isVisible() ? findNext() : openBar(); });
    shortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { isVisible() ? findPrevious() : openBar(); });

    if (auto *box = qobject_cast<QBoxLayout *>(editor->layout()))
        box->insertWidget(box->count() - 1, this);
    editor->installEventFilter(this);
    hide();
    Set_Lang();
}

void S7FindBar::Set_Lang()
{
    m_label->setText(m_context.text(TextId::Find_Label));
    m_edit->setToolTip(m_context.text(TextId::Find_EditHint));
    m_edit->setPlaceholderText(m_context.text(TextId::Find_EditHint));
    m_next->setToolTip(m_context.text(TextId::Find_NextHint));
    m_previous->setToolTip(m_context.text(TextId::Find_PreviousHint));
    m_close->setToolTip(m_context.text(TextId::Find_CloseHint));
    m_count->setText(countText());
}

void S7FindBar::openBar()
{
    Set_Lang();
    show();
    m_edit->setFocus(Qt::ShortcutFocusReason);
    m_edit->selectAll();
    refresh();
}

void S7FindBar::closeBar()
{
    hide();
    m_readView.ruleModel()->setFindText(QString());
    m_writeView.ruleModel()->setFindText(QString());
    view(m_pages.currentIndex()).setFocus(Qt::OtherFocusReason);
}

void S7FindBar::textEdited()
{
    refresh();
    // As typed: the first match from the current cell on, the current cell included.
    if (m_matches.empty())
        return;
    const Match here = currentPosition();
    const auto it = std::lower_bound(m_matches.begin(), m_matches.end(), here);
    goTo(it == m_matches.end() ? m_matches.front() : *it);
}

void S7FindBar::refresh()
{
    m_matches.clear();
    const QString text = isVisible() ? m_edit->text() : QString();
    for (int page = 0; page < 2; ++page) {
        S7RuleTableModel &model = *view(page).ruleModel();
        model.setFindText(text);
        if (text.isEmpty())
            continue;
        for (int row = 0; row < model.rowCount(); ++row)
            for (int column = 0; column < model.columnCount(); ++column)
                if (model.cellMatches(row, column))
                    m_matches.push_back({page, row, column});
    }
    m_count->setText(countText());
}

S7FindBar::Match S7FindBar::currentPosition() const
{
    const int page = m_pages.currentIndex() == 1 ? 1 : 0;
    const QModelIndex current = view(page).currentIndex();
    return current.isValid() ? Match{page, current.row(), current.column()} : Match{page, 0, 0};
}

int S7FindBar::currentMatch() const
{
    const auto it = std::find(m_matches.begin(), m_matches.end(), currentPosition());
    return it == m_matches.end() ? 0 : int(it - m_matches.begin()) + 1;
}

QString S7FindBar::countText() const
{
    if (m_edit->text().isEmpty())
        return {};
    if (m_matches.empty())
        return m_context.text(TextId::Find_NoMatches);
    // Away from the matches (the cursor moved, or the lists changed under it) there is no
    // "current" match to count from.
    const int current = currentMatch();
    if (current == 0)
        return m_context.text(TextId::Find_Matches).arg(m_matches.size());
    return m_context.text(TextId::Find_MatchCount).arg(current).arg(m_matches.size());
}

void S7FindBar::step(int direction)
{
    if (m_matches.empty())
        return;
    const Match here = currentPosition();
    if (direction > 0) {
        const auto it = std::upper_bound(m_matches.begin(), m_matches.end(), here);
        goTo(it == m_matches.end() ? m_matches.front() : *it);
    } else {
        const auto it = std::lower_bound(m_matches.begin(), m_matches.end(), here);
        goTo(it == m_matches.begin() ? m_matches.back() : *(it - 1));
    }
}

void S7FindBar::goTo(const Match &match)
{
    S7GridView &v = view(match.page);
    v.commitOpenEditor();
    m_pages.setCurrentIndex(match.page);
    const QModelIndex cell = v.model()->index(match.row, match.column);
    v.setCurrentIndex(cell);
    v.scrollTo(cell);
    m_count->setText(countText());
}

bool S7FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool ours = key->key() == Qt::Key_Escape || isEnter(key);
        if (ours && event->type() == QEvent::ShortcutOverride) {
            // Keeps the key from the dialog's shortcuts: it arrives here as a key press.
            event->accept();
            return true;
        }
        if (ours) {
            if (key->key() == Qt::Key_Escape)
                closeBar();
            else if (key->modifiers() & Qt::ShiftModifier)
                findPrevious();
            else
                findNext();
            return true;
        }
    }
    if (watched == parentWidget() && event->type() == QEvent::Show && isVisible() && !event->spontaneous())
        closeBar();
    return QWidget::eventFilter(watched, event);
}

void S7FindBar::keyPressEvent(QKeyEvent *event)
{
    // Escape anywhere in the bar closes the bar and never reaches the editor.
    if (event->key() == Qt::Key_Escape) {
        closeBar();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
