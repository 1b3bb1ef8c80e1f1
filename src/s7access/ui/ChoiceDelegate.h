#pragma once

#include <QStyledItemDelegate>

// A drop-down list of the texts that the model gives for the cell (S7RuleTableModel::ChoicesRole);
// only those texts can be chosen. A cell holding another text shows it until a choice is made.
class ChoiceDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
};
