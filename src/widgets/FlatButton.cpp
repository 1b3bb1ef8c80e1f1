#include "widgets/FlatButton.h"

FlatButton::FlatButton(QWidget *parent) : QPushButton(parent)
{
    setFlat(true);
    setAutoDefault(false);
    setCursor(Qt::PointingHandCursor);
    applyStyle();
}

FlatButton::FlatButton(QStyle::StandardPixmap glyph, QWidget *parent) : FlatButton(parent)
{
    setGlyph(glyph);
}

void FlatButton::setGlyph(QStyle::StandardPixmap glyph)
{
    setIcon(style()->standardIcon(glyph));
}

void FlatButton::setLeftAligned(bool left)
{
    m_leftAligned = left;
    applyStyle();
}

void FlatButton::applyStyle()
{
    setStyleSheet(QStringLiteral("FlatButton { background-color: %1; border: 1px solid #C8B68E;"
                                 " border-radius: 3px; padding: 2px 8px; color: #2B2B2B; %4 }"
                                 "FlatButton:hover { background-color: %2; border-color: #D08A2E; }"
                                 "FlatButton:pressed { background-color: %3; color: white; }"
                                 "FlatButton:focus { border-color: #D08A2E; }")
                      .arg(QLatin1String(kCream), QLatin1String(kHotTrack), QLatin1String(kPressed),
                           m_leftAligned ? QStringLiteral("text-align: left;") : QString()));
}
