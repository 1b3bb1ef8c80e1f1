#include "report/ProfibusMapPicture.h"

#include <QPainter>

#include <algorithm>

ProfibusMapPicture::ProfibusMapPicture(const ProfibusMap &map, MapArea area, const Style &style)
    : m_map(map), m_area(area), m_style(style)
{
}

int ProfibusMapPicture::lines() const
{
    const int per = std::max(1, m_style.bytesPerLine);
    return (m_map.shownBytes(m_area) + per - 1) / per;
}

QSize ProfibusMapPicture::size() const
{
    const int per = std::max(1, m_style.bytesPerLine);
    const int width = m_style.labelWidth + per * (8 * m_style.cellWidth + m_style.byteGap);
    return {width, lines() * m_style.cellHeight + 1};
}

QRect ProfibusMapPicture::cellRect(int bit) const
{
    const int per = std::max(1, m_style.bytesPerLine);
    const int byte = bit / 8;
    const int line = byte / per;
    const int column = byte % per;
    const int x = m_style.labelWidth + column * (8 * m_style.cellWidth + m_style.byteGap)
        + (7 - bit % 8) * m_style.cellWidth;
    return {x, line * m_style.cellHeight, m_style.cellWidth, m_style.cellHeight};
}

int ProfibusMapPicture::bitAt(QPoint point) const
{
    const int per = std::max(1, m_style.bytesPerLine);
    const int byteWidth = 8 * m_style.cellWidth + m_style.byteGap;
    const int x = point.x() - m_style.labelWidth;
    if (x < 0 || point.y() < 0)
        return -1;
    const int line = point.y() / m_style.cellHeight;
    const int column = x / byteWidth;
    const int inByte = x % byteWidth;
    if (column >= per || inByte >= 8 * m_style.cellWidth)
        return -1;
    const int byte = line * per + column;
    if (byte >= m_map.shownBytes(m_area))
        return -1;
    return byte * 8 + 7 - inByte / m_style.cellWidth;
}

QColor ProfibusMapPicture::ruleColour(S7Rule::List list, int row)
{
    // Hues 137.5 degrees apart (the golden angle) keep neighbouring rows apart.
    const int hue = int((row * 137.508) + (list == S7Rule::List::Write ? 60 : 0)) % 360;
    return QColor::fromHsv(hue, 70, 245);
}

QColor ProfibusMapPicture::bitColour(int bit) const
{
    if (m_map.isConflictBit(m_area, bit))
        return conflictColour();
    if (bit >= m_map.byteCount(m_area) * 8)
        return pastCountColour();
    const std::vector<int> &users = m_map.rulesAtBit(m_area, bit);
    if (users.empty())
        return Qt::white;
    const MapRule &rule = m_map.rules(m_area)[std::size_t(users.front())];
    return ruleColour(rule.list, rule.row);
}

bool ProfibusMapPicture::isAfterEndBit(int bit) const
{
    const std::vector<int> &users = m_map.rulesAtBit(m_area, bit);
    return !users.empty()
        && std::all_of(users.begin(), users.end(), [&](int k) { return m_map.rules(m_area)[std::size_t(k)].afterEnd; });
}

void ProfibusMapPicture::paint(QPainter &painter, QPoint origin, const QRect &visible) const
{
    painter.save();
    painter.translate(origin);
    const int per = std::max(1, m_style.bytesPerLine);
    const int shown = m_map.shownBytes(m_area);
    const QPen grid(QColor(0x90, 0x90, 0x90));
    int firstLine = 0;
    int endLine = lines();
    if (visible.isValid()) {
        firstLine = std::max(0, visible.top() / m_style.cellHeight);
        endLine = std::min(endLine, visible.bottom() / m_style.cellHeight + 1);
    }
    for (int line = firstLine; line < endLine; ++line) {
        painter.setPen(Qt::black);
        const QRect label(0, line * m_style.cellHeight, m_style.labelWidth - 4, m_style.cellHeight);
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, QString::number(line * per));
        for (int byte = line * per; byte < std::min(shown, (line + 1) * per); ++byte) {
            for (int b = 0; b < 8; ++b) {
                const int bit = byte * 8 + b;
                const QRect cell = cellRect(bit);
                painter.fillRect(cell, bitColour(bit));
                if (isAfterEndBit(bit))
                    painter.fillRect(cell, QBrush(QColor(0x60, 0x60, 0x60), Qt::BDiagPattern));
                painter.setPen(grid);
                painter.drawRect(cell.adjusted(0, 0, -1, -1));
                const std::vector<int> &users = m_map.rulesAtBit(m_area, bit);
                if (!users.empty()) {
                    painter.setPen(m_map.isConflictBit(m_area, bit) ? Qt::white : Qt::black);
                    const MapRule &rule = m_map.rules(m_area)[std::size_t(users.front())];
                    painter.drawText(cell, Qt::AlignCenter, QString::number(rule.row));
                }
            }
        }
    }
    painter.restore();
}

QImage ProfibusMapPicture::image(const QFont &font) const
{
    QImage picture(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setFont(font);
    paint(painter, {0, 0});
    return picture;
}
