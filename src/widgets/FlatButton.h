#pragma once

#include <QPushButton>
#include <QStyle>

// The flat, colour-styled button of every window: a glyph, a hot-track colour under the
// mouse and orange while pressed, on the light cream background.
class FlatButton : public QPushButton
{
    Q_OBJECT
public:
    explicit FlatButton(QWidget *parent = nullptr);
    FlatButton(QStyle::StandardPixmap glyph, QWidget *parent = nullptr);

    void setGlyph(QStyle::StandardPixmap glyph);
    // Step buttons show their glyph and caption from the left edge.
    void setLeftAligned(bool left);

    static constexpr const char *kCream = "#FFF8E6";
    static constexpr const char *kHotTrack = "#FFE4A8";
    static constexpr const char *kPressed = "#FF9933";

private:
    void applyStyle();
    bool m_leftAligned = false;
};
