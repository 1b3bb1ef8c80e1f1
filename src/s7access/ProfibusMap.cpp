#include "s7access/ProfibusMap.h"

#include "common/TextUtil.h"
#include "s7access/S7AddressText.h"
#include "s7access/S7ListEnd.h"
#include "texts/TextId.h"
#include "texts/TextTable.h"

#include <algorithm>
#include <optional>

MapArea Map_Area_Of(S7Rule::List list)
{
    return list == S7Rule::List::Read ? MapArea::In : MapArea::Out;
}

QString Map_Area_Name(MapArea area)
{
    return area == MapArea::In ? QStringLiteral("in") : QStringLiteral("out");
}

int Data_Type_Bits(const QString &dataType)
{
    // The texts are compared as the image compiler compares them: exactly.
    if (dataType == u"Byte" || dataType == u"Char")
        return 8;
    if (dataType == u"Word" || dataType == u"Int")
        return 16;
    if (dataType == u"DWord" || dataType == u"DInt" || dataType == u"Real")
        return 32;
    return 1;
}

ProfibusMap ProfibusMap::build(const S7RuleList &read, const S7RuleList &write, const PositionLimits &limits)
{
    ProfibusMap map;
    for (const S7Rule::List list : {S7Rule::List::Read, S7Rule::List::Write}) {
        const S7RuleList &rules = list == S7Rule::List::Read ? read : write;
        Part &part = list == S7Rule::List::Read ? map.m_in : map.m_out;
        // A hand-edited ParGen.xml may name any count; the device has 244 bytes each way and the
        // editor offers at most 1500 positions, so the map never sizes itself past that.
        part.byteCount = std::clamp(list == S7Rule::List::Read ? limits.NByte_IN : limits.NByte_OUT, 0,
                                    PositionLimits::kNoParGen);
        const int areaBits = part.byteCount * 8;
        for (const ListedRule &listed : Listed_Rules(rules)) {
            const S7Rule &rule = rules[std::size_t(listed.row - 1)];
            if (Trim_Text(rule.Enable) != u"Y")
                continue;
            const int position = Text_To_Int(rule.Position, -1);
            const int startBit = Text_To_Int(rule.Bit, -1);
            std::optional<MapUnplaced::Reason> reason;
            if (Trim_Text(rule.Position).isEmpty())
                reason = MapUnplaced::Reason::NoPosition;
            else if (position < 0 || position >= part.byteCount)
                reason = MapUnplaced::Reason::PositionOutside;
            else if (Trim_Text(rule.Bit).isEmpty())
                reason = MapUnplaced::Reason::NoStartBit;
            else if (startBit < 0 || startBit > 7)
                reason = MapUnplaced::Reason::StartBitOutside;
            if (reason) {
                map.m_unplaced.push_back({list, listed.row, *reason, listed.afterEnd});
                continue;
            }
            MapRule placed{list, listed.row, position * 8 + startBit, Data_Type_Bits(rule.Data_Type), false,
                           listed.afterEnd};
            placed.clipped = placed.lastBit() >= areaBits;
            part.rules.push_back(placed);
        }
        part.shownBytes = part.byteCount;
        for (const MapRule &r : part.rules)
            part.shownBytes = std::max(part.shownBytes, r.lastByte() + 1);
        part.bitUsers.assign(std::size_t(part.shownBytes) * 8, {});
        for (std::size_t k = 0; k < part.rules.size(); ++k) {
            for (int b = part.rules[k].firstBit; b <= part.rules[k].lastBit(); ++b)
                part.bitUsers[std::size_t(b)].push_back(int(k));
        }
    }

    // Pairs of read rules whose bits meet inside the area. The rules are few (at most 512), and
    // a sweep over their start bits keeps the work to the pairs that really overlap.
    const std::vector<MapRule> &in = map.m_in.rules;
    const int areaLastBit = map.m_in.byteCount * 8 - 1;
    std::vector<std::size_t> order;
    for (std::size_t k = 0; k < in.size(); ++k) {
        if (!in[k].afterEnd)
            order.push_back(k);
    }
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return in[a].firstBit < in[b].firstBit; });
    for (std::size_t i = 0; i < order.size(); ++i) {
        const MapRule &a = in[order[i]];
        for (std::size_t j = i + 1; j < order.size() && in[order[j]].firstBit <= a.lastBit(); ++j) {
            const MapRule &b = in[order[j]];
            const int last = std::min({a.lastBit(), b.lastBit(), areaLastBit});
            if (b.firstBit > last)
                continue;
            map.m_conflicts.push_back({std::min(a.row, b.row), std::max(a.row, b.row), b.firstBit, last});
        }
    }
    std::sort(map.m_conflicts.begin(), map.m_conflicts.end(), [](const MapConflict &x, const MapConflict &y) {
        return x.rowA != y.rowA ? x.rowA < y.rowA : x.rowB < y.rowB;
    });
    return map;
}

const std::vector<int> &ProfibusMap::rulesAtBit(MapArea area, int bit) const
{
    static const std::vector<int> none;
    const Part &p = part(area);
    if (bit < 0 || std::size_t(bit) >= p.bitUsers.size())
        return none;
    return p.bitUsers[std::size_t(bit)];
}

bool ProfibusMap::isConflictBit(MapArea area, int bit) const
{
    if (area != MapArea::In || bit >= m_in.byteCount * 8)
        return false;
    int sent = 0;
    for (const int k : rulesAtBit(area, bit))
        sent += m_in.rules[std::size_t(k)].afterEnd ? 0 : 1;
    return sent > 1;
}

const MapRule *ProfibusMap::ruleOfRow(S7Rule::List list, int row) const
{
    const std::vector<MapRule> &rules = part(Map_Area_Of(list)).rules;
    const auto it = std::lower_bound(rules.begin(), rules.end(), row,
                                     [](const MapRule &r, int value) { return r.row < value; });
    return it != rules.end() && it->row == row ? &*it : nullptr;
}

QString Map_Conflict_Warning(const MapConflict &conflict, const TextTable &texts)
{
    return texts.text(TextId::Map_ConflictWarning)
        .arg(conflict.rowA)
        .arg(conflict.rowB)
        .arg(conflict.firstByte())
        .arg(conflict.lastByte());
}

QString Map_Clipped_Warning(const ProfibusMap &map, const MapRule &rule, const TextTable &texts)
{
    const MapArea area = Map_Area_Of(rule.list);
    return texts.text(TextId::Map_ClippedWarning)
        .arg(List_Name(rule.list))
        .arg(rule.row)
        .arg(map.byteCount(area))
        .arg(Map_Area_Name(area))
        .arg(rule.lastByte());
}

QStringList Map_Warnings(const ProfibusMap &map, const TextTable &texts)
{
    QStringList lines;
    for (const MapConflict &c : map.conflicts())
        lines.append(Map_Conflict_Warning(c, texts));
    for (const MapArea area : {MapArea::In, MapArea::Out}) {
        for (const MapRule &r : map.rules(area)) {
            if (r.clipped)
                lines.append(Map_Clipped_Warning(map, r, texts));
        }
    }
    return lines;
}

QString Map_Unplaced_Text(const ProfibusMap &map, const MapUnplaced &rule, const S7RuleList &rules,
                          const TextTable &texts)
{
    const S7Rule &r = rules[std::size_t(rule.row - 1)];
    QString reason;
    switch (rule.reason) {
    case MapUnplaced::Reason::NoPosition:
        reason = texts.text(TextId::Map_NoPosition);
        break;
    case MapUnplaced::Reason::PositionOutside:
        reason = texts.text(TextId::Map_PositionOutside).arg(r.Position).arg(map.byteCount(Map_Area_Of(rule.list)));
        break;
    case MapUnplaced::Reason::NoStartBit:
        reason = texts.text(TextId::Map_NoStartBit);
        break;
    case MapUnplaced::Reason::StartBitOutside:
        reason = texts.text(TextId::Map_StartBitOutside).arg(r.Bit);
        break;
    }
    if (rule.afterEnd)
        reason += QStringLiteral("; ") + texts.text(TextId::S7_AfterEndNotSent);
    return texts.text(TextId::Map_NotOnMap)
        .arg(texts.text(rule.list == S7Rule::List::Read ? TextId::S7_S7commRead : TextId::S7_S7commWrite))
        .arg(rule.row)
        .arg(reason);
}

QStringList Map_Unplaced_Lines(const ProfibusMap &map, const S7RuleList &read, const S7RuleList &write,
                               const TextTable &texts)
{
    QStringList lines;
    for (const MapUnplaced &u : map.unplaced())
        lines.append(Map_Unplaced_Text(map, u, u.list == S7Rule::List::Read ? read : write, texts));
    return lines;
}

QStringList Map_Table_Header()
{
    return {QStringLiteral("Area"),       QStringLiteral("First byte"), QStringLiteral("Last byte"),
            QStringLiteral("Bits"),       QStringLiteral("List"),       QStringLiteral("Row"),
            QStringLiteral("PLC address"), QStringLiteral("S7 address"), QStringLiteral("Data type"),
            QStringLiteral("Mnemonic"),   QStringLiteral("Note")};
}

QList<QStringList> Map_Table_Rows(const ProfibusMap &map, const S7RuleList &read, const S7RuleList &write,
                                  const TextTable &texts)
{
    QList<QStringList> rows;
    std::vector<QStringList> conflictPartners(std::max(read.size(), write.size()) + 1);
    for (const MapConflict &c : map.conflicts()) {
        conflictPartners[std::size_t(c.rowA)].append(QString::number(c.rowB));
        conflictPartners[std::size_t(c.rowB)].append(QString::number(c.rowA));
    }
    for (const MapArea area : {MapArea::In, MapArea::Out}) {
        std::vector<const MapRule *> placed;
        for (const MapRule &r : map.rules(area))
            placed.push_back(&r);
        std::stable_sort(placed.begin(), placed.end(),
                         [](const MapRule *a, const MapRule *b) { return a->firstBit < b->firstBit; });
        for (const MapRule *r : placed) {
            const S7Rule &rule = (r->list == S7Rule::List::Read ? read : write)[std::size_t(r->row - 1)];
            const QString bits = r->bitCount == 1
                ? QString::number(r->firstBit % 8)
                : QStringLiteral("%1-%2").arg(r->firstBit % 8).arg(r->lastBit() % 8);
            const QStringList &partners = area == MapArea::In ? conflictPartners[std::size_t(r->row)] : QStringList();
            QStringList note;
            if (!partners.isEmpty())
                note.append(texts.text(TextId::Map_Conflict) + QLatin1Char(' ') + partners.join(u','));
            if (r->clipped)
                note.append(texts.text(TextId::Map_PastByteCount));
            if (r->afterEnd)
                note.append(texts.text(TextId::S7_AfterEndNotSent));
            rows.append({Map_Area_Name(area), QString::number(r->firstByte()), QString::number(r->lastByte()), bits,
                         List_Name(r->list), QString::number(r->row), rule.PLC_Address, S7_Address_Text(rule),
                         rule.Data_Type, rule.Mnemonic, note.join(QStringLiteral("; "))});
        }
    }
    return rows;
}
