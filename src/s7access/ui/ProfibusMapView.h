#pragma once

#include "report/ProfibusMapPicture.h"
#include "s7access/ProfibusMap.h"

#include <QWidget>

class S7RuleTableModel;
class TextTable;

// Both areas of the PROFIBUS map side by side, "in" (read rules) on the left and "out" (write
// rules) on the right, one byte of eight bit cells per line. Rebuilt from the two models on
// every change, undo and paste. A click on a used cell reports its rule; the tooltip names it.
class ProfibusMapView : public QWidget
{
    Q_OBJECT
public:
    ProfibusMapView(S7RuleTableModel &read, S7RuleTableModel &write, const TextTable &texts, QWidget *parent = nullptr);

    void setLimits(const PositionLimits &limits);
    const ProfibusMap &map() const { return m_map; }

    // Where a bit cell lies in the widget, and the colour it is drawn in (for tests and the
    // page's legend).
    QRect cellRect(MapArea area, int bit) const;
    QColor cellColour(MapArea area, int bit) const;
    // The tooltip text of a cell; empty for a free cell.
    QString cellToolTip(MapArea area, int bit) const;

    QSize sizeHint() const override;

signals:
    void ruleClicked(S7Rule::List list, int row);
    // The map was built anew from the models.
    void mapChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;

private:
    void rebuild();
    QPoint origin(MapArea area) const;
    ProfibusMapPicture picture(MapArea area) const;
    // The area and bit under a point, or bit -1.
    std::pair<MapArea, int> hit(QPoint point) const;

    S7RuleTableModel &m_read;
    S7RuleTableModel &m_write;
    const TextTable &m_texts;
    PositionLimits m_limits{0, 0};
    ProfibusMap m_map;
    ProfibusMapPicture::Style m_style;
    int m_titleHeight = 0;
};
