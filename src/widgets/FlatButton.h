#pragma once

#include <QPushButton>
#include <QStyle>

// The flat, colour-styled button of every window: a glyph and a caption on a cream face,
// a hot-track colour under the mouse and orange while pressed. It paints itself, so that a
// window full of them costs no style sheet.
class FlatButton : public QPushButton
{
    Q_OBJECT
public:
    explicit FlatButton(QWidget *parent = nullptr);
    FlatButton(QStyle::StandardPixmap glyph, QWidget *parent = nullptr);

    void setGlyph(QStyle::StandardPixmap glyph);
    // Step buttons show their glyph and caption from the left edge.
    void setLeftAligned(bool left);
    bool isLeftAligned() const { return m_leftAligned; }

    // The face colour in the button's present state.
    QColor faceColor() const;

    static constexpr const char *kCream = "#FFF8E6";
    static constexpr const char *kHotTrack = "#FFE4A8";
    static constexpr const char *kPressed = "#FF9933";

    QSize sizeHint() const override;
    // The caption as painted at the present width: elided only when the button is narrower
    // than its size hint.
    QString shownCaption() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Room for the caption beside the glyph at the present width.
    int textRoom() const;

    bool m_leftAligned = false;
};
