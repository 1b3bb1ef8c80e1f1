#include "widgets/TextFit.h"

#include "widgets/FlatButton.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTextDocumentFragment>
#include <QToolTip>

namespace {

int textWidth(const QFontMetrics &fm, const QString &text)
{
    int width = 0;
    for (const QString &line : text.split(u'\n'))
        width = qMax(width, fm.horizontalAdvance(line));
    return width;
}

QString plainText(const QLabel *label)
{
    const bool rich = label->textFormat() == Qt::RichText
                      || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
    return rich ? QTextDocumentFragment::fromHtml(label->text()).toPlainText() : label->text();
}

void labelText(const QLabel *label, QList<ShownText> &out)
{
    const QString text = plainText(label);
    if (text.trimmed().isEmpty())
        return;
    ShownText shown{text, QString(), label->contentsRect(), 0, 0, QString()};
    if (label->wordWrap()) {
        shown.part = QStringLiteral("height");
        shown.available = label->height();
        shown.needed = label->heightForWidth(label->width());
    } else {
        shown.available = label->contentsRect().width() - 2 * label->margin() - qMax(0, label->indent());
        shown.needed = textWidth(label->fontMetrics(), text);
    }
    out.append(shown);
}

void buttonText(const QAbstractButton *button, QList<ShownText> &out)
{
    if (button->text().trimmed().isEmpty())
        return;
    ShownText shown{button->text(), QString(), button->rect(), button->width(), 0, QString()};
    if (qobject_cast<const FlatButton *>(button) || qobject_cast<const QCheckBox *>(button)
        || qobject_cast<const QRadioButton *>(button)) {
        shown.needed = button->sizeHint().width();
    } else {
        const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
        const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
        shown.needed = textWidth(button->fontMetrics(), QString(button->text()).remove(u'&')) + 2 * margin + icon;
    }
    out.append(shown);
}

void tabTexts(const QTabBar *bar, QList<ShownText> &out)
{
    const int space = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
    for (int i = 0; i < bar->count(); ++i) {
        if (!bar->isTabVisible(i) || bar->tabText(i).trimmed().isEmpty())
            continue;
        const QRect rect = bar->tabRect(i);
        const int icon = bar->tabIcon(i).isNull() ? 0 : bar->iconSize().width() + 4;
        // A tab pushed past the bar's end (behind its scroll buttons) shows only its visible part.
        const int visible = qMin(rect.right(), bar->width() - 1) - qMax(rect.left(), 0) + 1;
        out.append({bar->tabText(i), QStringLiteral("tab %1").arg(i + 1), rect, qMin(rect.width(), visible),
                    textWidth(bar->fontMetrics(), QString(bar->tabText(i)).remove(u'&')) + space + icon,
                    bar->tabToolTip(i)});
    }
}

void headingTexts(const QHeaderView *header, QList<ShownText> &out)
{
    if (header->orientation() != Qt::Horizontal || !header->model())
        return;
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int section = 0; section < header->count(); ++section) {
        if (header->isSectionHidden(section) || header->sectionSize(section) == 0)
            continue;
        const QString text = header->model()->headerData(section, Qt::Horizontal, Qt::DisplayRole).toString();
        if (text.trimmed().isEmpty())
            continue;
        const QRect rect(header->sectionViewportPosition(section), 0, header->sectionSize(section), header->height());
        out.append({text, QStringLiteral("heading %1").arg(section + 1), rect, rect.width(),
                    textWidth(header->fontMetrics(), text) + 2 * margin,
                    header->model()->headerData(section, Qt::Horizontal, Qt::ToolTipRole).toString()});
    }
}

void comboTexts(const QComboBox *combo, QList<ShownText> &out)
{
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.frame = combo->hasFrame();
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    for (int i = 0; i < combo->count(); ++i) {
        const QString text = combo->itemText(i);
        if (text.trimmed().isEmpty())
            continue;
        const int icon = combo->itemIcon(i).isNull() ? 0 : combo->iconSize().width() + 4;
        out.append({text, QStringLiteral("item %1").arg(i + 1), field, field.width(),
                    textWidth(combo->fontMetrics(), text) + icon, QString()});
    }
}

} // namespace

QList<ShownText> Shown_Texts(const QWidget *widget)
{
    QList<ShownText> out;
    if (const auto *label = qobject_cast<const QLabel *>(widget)) {
        if (label->pixmap().isNull())
            labelText(label, out);
    } else if (const auto *button = qobject_cast<const QAbstractButton *>(widget)) {
        buttonText(button, out);
    } else if (const auto *bar = qobject_cast<const QTabBar *>(widget)) {
        tabTexts(bar, out);
    } else if (const auto *header = qobject_cast<const QHeaderView *>(widget)) {
        headingTexts(header, out);
    } else if (const auto *combo = qobject_cast<const QComboBox *>(widget)) {
        comboTexts(combo, out);
    } else if (const auto *group = qobject_cast<const QGroupBox *>(widget)) {
        if (!group->title().trimmed().isEmpty())
            out.append({group->title(), QStringLiteral("title"), group->rect(), group->width() - 16,
                        textWidth(group->fontMetrics(), group->title()), QString()});
    }
    return out;
}

bool CutTextToolTips::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    QPoint pos = static_cast<QHelpEvent *>(event)->pos();
    // Grid headings receive their help events on their viewport.
    if (auto *header = qobject_cast<QHeaderView *>(widget->parentWidget()); header && header->viewport() == widget) {
        pos = widget->mapTo(header, pos);
        widget = header;
    }
    const auto *combo = qobject_cast<const QComboBox *>(widget);
    for (const ShownText &shown : Shown_Texts(widget)) {
        if (combo && shown.part != QStringLiteral("item %1").arg(combo->currentIndex() + 1))
            continue;
        if (!shown.cut() || !(shown.part.isEmpty() || shown.part == QLatin1String("height") || shown.rect.contains(pos)))
            continue;
        const QString own = shown.part.isEmpty() || shown.part == QLatin1String("height") ? widget->toolTip() : shown.hint;
        QString tip = shown.text;
        if (!own.isEmpty() && own != shown.text)
            tip += QStringLiteral("\n") + own;
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), tip, widget);
        return true;
    }
    return false;
}
