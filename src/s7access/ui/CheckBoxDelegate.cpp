#include "s7access/ui/CheckBoxDelegate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

namespace {

QStyle *styleOf(const QStyleOptionViewItem &option)
{
    return option.widget ? option.widget->style() : QApplication::style();
}

} // namespace

QRect CheckBoxDelegate::checkRect(const QStyleOptionViewItem &option, const QRect &cell)
{
    QStyleOptionButton box;
    box.rect = cell;
    const QRect indicator = styleOf(option)->subElementRect(QStyle::SE_CheckBoxIndicator, &box, option.widget);
    return QStyle::alignedRect(option.direction, Qt::AlignCenter, indicator.size(), cell);
}

void CheckBoxDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    // The cell without its own indicator and text, then the box in the middle.
    const Qt::CheckState state = opt.checkState;
    opt.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    opt.text.clear();
    QStyle *style = styleOf(option);
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, option.widget);

    QStyleOptionViewItem box = opt;
    box.rect = checkRect(option, option.rect);
    box.state = box.state & ~QStyle::State_HasFocus;
    box.state |= state == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
    style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, option.widget);
}

bool CheckBoxDelegate::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                                   const QModelIndex &index)
{
    if (!(index.flags() & Qt::ItemIsUserCheckable) || !(index.flags() & Qt::ItemIsEnabled))
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton || !checkRect(option, option.rect).contains(mouse->position().toPoint()))
            return false;
        break;
    }
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonPress: {
        // Swallow presses on the box so that a double click toggles twice, not opens anything.
        const auto *mouse = static_cast<QMouseEvent *>(event);
        return checkRect(option, option.rect).contains(mouse->position().toPoint());
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Select)
            return false;
        break;
    }
    default:
        return false;
    }
    const bool checked = index.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
    return model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}
