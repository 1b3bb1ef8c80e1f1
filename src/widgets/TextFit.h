#pragma once

#include <QList>
#include <QObject>
#include <QRect>
#include <QString>

class QWidget;

// One text that a control shows, with the room the control gives it and the room it needs,
// both measured with the control's own font.
struct ShownText
{
    QString text;
    QString part;   // "" for the control's one text, else "tab 2", "heading 5", "item 1"
    QRect rect;     // where it shows, in the control's coordinates
    int available = 0;
    int needed = 0;
    QString hint;   // the tooltip the part has of its own

    bool cut() const { return needed > available; }
};

// The texts of a label, button, check box, tab bar, horizontal grid heading, combo box (all of
// its items, measured in its edit field) or group box. A word-wrapped label is measured by
// height. Other widgets show none.
QList<ShownText> Shown_Texts(const QWidget *widget);

// Installed on the application: a control whose text does not fit (a user's own translation
// that is too long) shows the whole text as its tooltip, followed by its own tooltip.
class CutTextToolTips : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
