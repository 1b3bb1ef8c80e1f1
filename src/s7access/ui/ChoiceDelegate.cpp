#include "s7access/ui/ChoiceDelegate.h"

#include "s7access/ui/S7RuleTableModel.h"

#include <QComboBox>

QWidget *ChoiceDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    auto *combo = new QComboBox(parent);
    combo->setEditable(false);
    combo->addItems(index.data(S7RuleTableModel::ChoicesRole).toStringList());
    combo->setMaxVisibleItems(16);
    return combo;
}

void ChoiceDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *combo = static_cast<QComboBox *>(editor);
    combo->setCurrentIndex(combo->findText(index.data(Qt::EditRole).toString(), Qt::MatchExactly));
}

void ChoiceDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    const auto *combo = static_cast<QComboBox *>(editor);
    if (combo->currentIndex() < 0)
        return; // nothing chosen: the cell keeps its text
    model->setData(index, combo->currentText(), Qt::EditRole);
}
