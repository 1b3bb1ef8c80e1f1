#include "widgets/FlatButton.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QtMath>

namespace {

// The style's glyphs load from the icon theme on every request; the windows ask for the same
// few again and again. Emptied before the application goes.
QHash<int, QIcon> &glyphCache()
{
    static QHash<int, QIcon> cache;
    static const bool cleanup = [] {
        qAddPostRoutine([] { glyphCache().clear(); });
        return true;
    }();
    Q_UNUSED(cleanup);
    return cache;
}

constexpr int kPadding = 8;  // left and right of the content
constexpr int kSpacing = 6;  // between glyph and caption

} // namespace

FlatButton::FlatButton(QWidget *parent) : QPushButton(parent)
{
    setFlat(true);
    setAutoDefault(false);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover); // repaint on entering and leaving
}

FlatButton::FlatButton(QStyle::StandardPixmap glyph, QWidget *parent) : FlatButton(parent)
{
    setGlyph(glyph);
}

void FlatButton::setGlyph(QStyle::StandardPixmap glyph)
{
    QHash<int, QIcon> &cache = glyphCache();
    auto it = cache.find(int(glyph));
    if (it == cache.end())
        it = cache.insert(int(glyph), style()->standardIcon(glyph));
    setIcon(*it);
}

void FlatButton::setLeftAligned(bool left)
{
    m_leftAligned = left;
    update();
}

QColor FlatButton::faceColor() const
{
    if (isDown() || isChecked())
        return QColor(QLatin1String(kPressed));
    if (isEnabled() && underMouse())
        return QColor(QLatin1String(kHotTrack));
    return QColor(QLatin1String(kCream));
}

QSize FlatButton::sizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    const bool hasIcon = !icon().isNull();
    // Glyph advances are fractional with a hinted screen font; the rounded integer advance can
    // fall short of the width that eliding measures and cut a short caption down to "...".
    const int captionWidth = text().isEmpty() ? 0 : qCeil(QFontMetricsF(font()).horizontalAdvance(text())) + 1;
    int width = 2 * kPadding + captionWidth;
    if (hasIcon)
        width += iconSize().width() + (text().isEmpty() ? 0 : kSpacing);
    const int height = qMax(fm.height(), hasIcon ? iconSize().height() : 0) + 10;
    return QSize(width, height);
}

int FlatButton::textRoom() const
{
    const int glyph = icon().isNull() ? 0 : iconSize().width() + (text().isEmpty() ? 0 : kSpacing);
    return qMax(0, width() - 2 * kPadding - glyph);
}

QString FlatButton::shownCaption() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, textRoom());
}

void FlatButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool down = isDown() || isChecked();
    const bool accent = isEnabled() && (underMouse() || hasFocus() || down);
    p.setPen(QColor(accent ? 0xD0 : 0xC8, accent ? 0x8A : 0xB6, accent ? 0x2E : 0x8E));
    p.setBrush(faceColor());
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);

    const QRect content = rect().adjusted(kPadding, 2, -kPadding, -2);
    const QFontMetrics fm = fontMetrics();
    const bool hasIcon = !icon().isNull();
    const QSize glyph = hasIcon ? iconSize() : QSize(0, 0);
    const int gap = hasIcon && !text().isEmpty() ? kSpacing : 0;
    const QString caption = shownCaption();
    const int used = glyph.width() + gap + fm.horizontalAdvance(caption);
    int x = m_leftAligned ? content.left() : content.left() + (content.width() - used) / 2;

    if (hasIcon) {
        const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
        icon().paint(&p, QRect(QPoint(x, content.top() + (content.height() - glyph.height()) / 2), glyph),
                     Qt::AlignCenter, mode);
        x += glyph.width() + gap;
    }
    if (!caption.isEmpty()) {
        QColor ink = down ? QColor(Qt::white) : QColor(0x2B, 0x2B, 0x2B);
        if (!isEnabled())
            ink = QColor(0x9A, 0x9A, 0x9A);
        p.setPen(ink);
        p.drawText(QRect(x, content.top(), content.right() - x + 1, content.height()),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption);
    }
}
