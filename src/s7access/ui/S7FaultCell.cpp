#include "s7access/ui/S7FaultCell.h"

#include "s7access/ui/S7GridView.h"
#include "s7access/ui/S7RuleTableModel.h"

#include <QItemSelectionModel>
#include <QTabWidget>

void Show_Rule_Cell(QTabWidget &pages, S7GridView &view, int row, S7Rule::Field field)
{
    S7RuleTableModel *model = view.ruleModel();
    const int column = model->columnOf(field);
    if (row < 1 || row > model->rowCount() || column < 0)
        return;
    for (int i = 0; i < pages.count(); ++i)
        if (pages.widget(i)->isAncestorOf(&view))
            pages.setCurrentIndex(i);
    const QModelIndex cell = model->index(row - 1, column);
    view.selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view.scrollTo(cell, QAbstractItemView::PositionAtCenter);
    view.setFocus(Qt::OtherFocusReason);
}
