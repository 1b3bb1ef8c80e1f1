#pragma once

#include <QStyledItemDelegate>

// A check box centred in its cell, toggled by a click on it or by the space key. The model
// keeps the text ("Y" / "N") behind Qt::CheckStateRole; there is no editor widget.
class CheckBoxDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return nullptr;
    }
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

    // Where the box is drawn inside `cell`.
    static QRect checkRect(const QStyleOptionViewItem &option, const QRect &cell);
};
