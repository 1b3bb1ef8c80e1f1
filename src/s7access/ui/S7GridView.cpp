#include "s7access/ui/S7GridView.h"

#include "app/AppSettings.h"
#include "s7access/ui/S7RuleTableModel.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyleOptionHeader>
#include <QStylePainter>
#include <algorithm>

S7GridView::S7GridView(const AppSettings &settings, QWidget *parent) : QTableView(parent), m_settings(settings)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setAlternatingRowColors(false);
    setWordWrap(false);
    setTabKeyNavigation(true);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    // A double click on a heading (or its border) fits the column only when the user asked
    // for it in the options.
    disconnect(horizontalHeader(), &QHeaderView::sectionHandleDoubleClicked, this, nullptr);
    connect(horizontalHeader(), &QHeaderView::sectionDoubleClicked, this, &S7GridView::Auto_Size_Column);
    connect(horizontalHeader(), &QHeaderView::sectionHandleDoubleClicked, this, &S7GridView::Auto_Size_Column);

    // A heading click selects the column but keeps the current row, so that Delete Row or
    // Insert Row after it still act on the row the user was in.
    disconnect(horizontalHeader(), &QHeaderView::sectionPressed, this, nullptr);
    disconnect(horizontalHeader(), &QHeaderView::sectionEntered, this, nullptr);
    connect(horizontalHeader(), &QHeaderView::sectionPressed, this, [this](int column) {
        if (!model())
            return;
        const QModelIndex current = model()->index(currentRow(), column);
        selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Columns);
    });

    // The corner cell carries the heading of the row-number column.
    if (auto *corner = findChild<QAbstractButton *>())
        corner->installEventFilter(this);
}

S7RuleTableModel *S7GridView::ruleModel() const
{
    return qobject_cast<S7RuleTableModel *>(model());
}

void S7GridView::setCornerText(const QString &text)
{
    m_cornerText = text;
    if (auto *corner = findChild<QAbstractButton *>())
        corner->update();
}

QList<int> S7GridView::selectedWholeRows() const
{
    QList<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int S7GridView::currentRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : 0;
}

void S7GridView::commitOpenEditor()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    if (QWidget *editor = indexWidget(currentIndex())) {
        commitData(editor);
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

QModelIndex S7GridView::nextCell(const QModelIndex &index) const
{
    if (!model() || !index.isValid())
        return {};
    const int lastColumn = model()->columnCount() - 1;
    if (index.column() < lastColumn)
        return model()->index(index.row(), index.column() + 1);
    const int nextRow = index.row() + 1 < model()->rowCount() ? index.row() + 1 : 0;
    return model()->index(nextRow, 0);
}

void S7GridView::Auto_Size_Column(int column)
{
    if (m_settings.Double_Click_Auto_Size)
        resizeColumnToContents(column);
}

void S7GridView::Enter_Next_Cell()
{
    const QModelIndex next = nextCell(currentIndex());
    if (next.isValid())
        setCurrentIndex(next);
}

void S7GridView::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && m_settings.Enable_Jump_Field_Tables) {
        // From an open editor the key arrives here too; closing the editor moves on.
        if (!isEditing())
            Enter_Next_Cell();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        emit copyRequested();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        emit pasteRequested();
        event->accept();
        return;
    }
    S7RuleTableModel *rules = ruleModel();
    if (rules && event->matches(QKeySequence::Undo)) {
        rules->undoStack().undo();
        event->accept();
        return;
    }
    if (rules
        && (event->matches(QKeySequence::Redo)
            || (event->key() == Qt::Key_Y && event->modifiers() == Qt::ControlModifier))) {
        rules->undoStack().redo();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void S7GridView::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    // The delegates end an edit with SubmitModelCache when Enter is pressed in the editor.
    if (hint == QAbstractItemDelegate::SubmitModelCache && m_settings.Enable_Jump_Field_Tables) {
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
        Enter_Next_Cell();
        return;
    }
    QTableView::closeEditor(editor, hint);
}

bool S7GridView::eventFilter(QObject *watched, QEvent *event)
{
    auto *corner = qobject_cast<QAbstractButton *>(watched);
    if (corner && event->type() == QEvent::Paint) {
        QStylePainter painter(corner);
        QStyleOptionHeader option;
        option.initFrom(corner);
        option.rect = corner->rect();
        option.text = m_cornerText;
        option.textAlignment = Qt::AlignCenter;
        option.position = QStyleOptionHeader::OnlyOneSection;
        option.orientation = Qt::Horizontal;
        painter.drawControl(QStyle::CE_Header, option);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}
