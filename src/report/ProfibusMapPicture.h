#pragma once

#include "s7access/ProfibusMap.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>

class QPainter;

// One area of the PROFIBUS map drawn as lines of bytes, each byte eight bit cells (bit 7 on
// the left, as the master's engineers draw a byte), the byte number in front of each line.
// Used cells take their rule's colour and row number, free cells stay plain, shared read bits
// are red, and bytes past the byte count are greyed. The editor's map page and the report
// draw with it.
class ProfibusMapPicture
{
public:
    struct Style
    {
        int cellWidth = 18;
        int cellHeight = 16;
        int bytesPerLine = 1;
        int labelWidth = 36;
        int byteGap = 6;
    };

    ProfibusMapPicture(const ProfibusMap &map, MapArea area, const Style &style);

    QSize size() const;
    // Draws the picture with its top left corner at `origin`, in the painter's font; with a
    // `visible` rectangle (in picture coordinates) only the lines that meet it.
    void paint(QPainter &painter, QPoint origin, const QRect &visible = QRect()) const;
    // The bit under a point of the picture (relative to its origin), or -1.
    int bitAt(QPoint point) const;
    QRect cellRect(int bit) const;
    QImage image(const QFont &font) const;

    // The colour of a rule's cells: pale, a different hue for neighbouring rows.
    static QColor ruleColour(S7Rule::List list, int row);
    static QColor conflictColour() { return QColor(0xd9, 0x30, 0x30); }
    static QColor pastCountColour() { return QColor(0xc8, 0xc8, 0xc8); }
    // The colour a bit is drawn in.
    QColor bitColour(int bit) const;
    // Whether only rules after their list's end use the bit: its cell is hatched.
    bool isAfterEndBit(int bit) const;

private:
    int lines() const;

    const ProfibusMap &m_map;
    MapArea m_area;
    Style m_style;
};
