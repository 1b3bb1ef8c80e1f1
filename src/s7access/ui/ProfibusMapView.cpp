#include "s7access/ui/ProfibusMapView.h"

#include "s7access/S7AddressText.h"
#include "s7access/ui/S7RuleTableModel.h"
#include "texts/TextId.h"
#include "texts/TextTable.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

namespace {

constexpr int kMargin = 8;
constexpr int kAreaGap = 40;

} // namespace

ProfibusMapView::ProfibusMapView(S7RuleTableModel &read, S7RuleTableModel &write, const TextTable &texts, QWidget *parent)
    : QWidget(parent), m_read(read), m_write(write), m_texts(texts)
{
    setObjectName(QStringLiteral("ProfibusMapView"));
    setMouseTracking(false);
    const QFontMetrics metrics = fontMetrics();
    m_style.cellWidth = metrics.horizontalAdvance(QStringLiteral("888")) + 6;
    m_style.cellHeight = metrics.height() + 4;
    m_style.labelWidth = metrics.horizontalAdvance(QStringLiteral("88888")) + 6;
    m_titleHeight = 2 * (metrics.height() + 4);
    for (S7RuleTableModel *model : {&m_read, &m_write}) {
        connect(model, &QAbstractItemModel::dataChanged, this, &ProfibusMapView::rebuild);
        connect(model, &QAbstractItemModel::modelReset, this, &ProfibusMapView::rebuild);
        connect(model, &QAbstractItemModel::layoutChanged, this, &ProfibusMapView::rebuild);
    }
    rebuild();
}

void ProfibusMapView::setLimits(const PositionLimits &limits)
{
    m_limits = limits;
    rebuild();
}

void ProfibusMapView::rebuild()
{
    m_map = ProfibusMap::build(m_read.rules(), m_write.rules(), m_limits);
    updateGeometry();
    resize(sizeHint());
    update();
    emit mapChanged();
}

ProfibusMapPicture ProfibusMapView::picture(MapArea area) const
{
    return ProfibusMapPicture(m_map, area, m_style);
}

QPoint ProfibusMapView::origin(MapArea area) const
{
    const int x = area == MapArea::In ? kMargin : kMargin + picture(MapArea::In).size().width() + kAreaGap;
    return {x, kMargin + m_titleHeight};
}

QSize ProfibusMapView::sizeHint() const
{
    const QSize in = picture(MapArea::In).size();
    const QSize out = picture(MapArea::Out).size();
    return {2 * kMargin + in.width() + kAreaGap + out.width(),
            2 * kMargin + m_titleHeight + std::max(in.height(), out.height())};
}

QRect ProfibusMapView::cellRect(MapArea area, int bit) const
{
    return picture(area).cellRect(bit).translated(origin(area));
}

QColor ProfibusMapView::cellColour(MapArea area, int bit) const
{
    return picture(area).bitColour(bit);
}

std::pair<MapArea, int> ProfibusMapView::hit(QPoint point) const
{
    for (const MapArea area : {MapArea::In, MapArea::Out}) {
        const int bit = picture(area).bitAt(point - origin(area));
        if (bit >= 0)
            return {area, bit};
    }
    return {MapArea::In, -1};
}

QString ProfibusMapView::cellToolTip(MapArea area, int bit) const
{
    QStringList lines;
    for (const int k : m_map.rulesAtBit(area, bit)) {
        const MapRule &placed = m_map.rules(area)[std::size_t(k)];
        const S7RuleTableModel &model = placed.list == S7Rule::List::Read ? m_read : m_write;
        const S7Rule &rule = model.rules()[std::size_t(placed.row - 1)];
        // The S7 address names the item whole (DB100.DBW20, MW20): the PLC Area, unused by a DB
        // rule, is not repeated.
        lines.append(m_texts.text(TextId::Map_RuleToolTip)
                         .arg(m_texts.text(placed.list == S7Rule::List::Read ? TextId::S7_S7commRead : TextId::S7_S7commWrite),
                              QString::number(placed.row), rule.PLC_Address, S7_Address_Text(rule), rule.Data_Type,
                              rule.Mnemonic));
        if (placed.afterEnd)
            lines.append(m_texts.text(TextId::S7_AfterEndNotSent));
    }
    if (m_map.isConflictBit(area, bit))
        lines.prepend(m_texts.text(TextId::Map_Conflict));
    else if (!lines.isEmpty() && bit >= m_map.byteCount(area) * 8)
        lines.prepend(m_texts.text(TextId::Map_PastByteCount));
    return lines.join(u'\n');
}

void ProfibusMapView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    painter.setFont(font());
    for (const MapArea area : {MapArea::In, MapArea::Out}) {
        const QPoint o = origin(area);
        const int count = m_map.byteCount(area);
        const QString title = QStringLiteral("%1: %2 %3\n%4")
                                  .arg(Map_Area_Name(area),
                                       m_texts.text(area == MapArea::In ? TextId::ParGen_NumberByte : TextId::ParGen_NumberByteOut))
                                  .arg(count)
                                  .arg(m_texts.text(area == MapArea::In ? TextId::S7_S7commRead : TextId::S7_S7commWrite));
        painter.setPen(palette().text().color());
        painter.drawText(QRect(o.x(), kMargin, picture(area).size().width(), m_titleHeight),
                         Qt::AlignLeft | Qt::AlignTop, title);
        picture(area).paint(painter, o, event->rect().translated(-o));
    }
}

void ProfibusMapView::mousePressEvent(QMouseEvent *event)
{
    const auto [area, bit] = hit(event->position().toPoint());
    if (bit < 0 || m_map.rulesAtBit(area, bit).empty())
        return QWidget::mousePressEvent(event);
    const MapRule &rule = m_map.rules(area)[std::size_t(m_map.rulesAtBit(area, bit).front())];
    emit ruleClicked(rule.list, rule.row);
}

bool ProfibusMapView::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const auto [area, bit] = hit(help->pos());
        const QString text = bit >= 0 ? cellToolTip(area, bit) : QString();
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this, cellRect(area, bit));
        return true;
    }
    return QWidget::event(event);
}
