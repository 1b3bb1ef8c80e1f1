#include "s7access/PlcCheckIdentity.h"

#include "texts/TextId.h"
#include "texts/TextTable.h"

namespace {

// One warning's parts: a PLC Type the PLC is not (`ruleType` set), or a mode other than RUN.
struct Warning
{
    QString plc;
    QString ruleType;
    QString family;
    QString orderNumber;
    PlcMode mode = PlcMode::Unknown;
};

std::vector<Warning> warningsOf(const PlcCheckIdentity &identity, const QStringList &plcTypes)
{
    std::vector<Warning> warnings;
    if (!identity.connected)
        return warnings;
    const QString plc = identity.plc.text();
    const QString family = Plc_Family(identity.identity.orderNumber);
    const QString type = Plc_Type_Of_Family(family);
    if (!type.isEmpty()) {
        QStringList named;
        for (const QString &ruleType : plcTypes) {
            if (!ruleType.isEmpty() && ruleType.compare(type, Qt::CaseInsensitive) != 0 && !named.contains(ruleType))
                named << ruleType;
        }
        for (const QString &ruleType : named)
            warnings.push_back({plc, ruleType, family, identity.identity.orderNumber, PlcMode::Unknown});
    }
    const PlcMode mode = identity.identity.mode;
    if (mode != PlcMode::Unknown && mode != PlcMode::Run)
        warnings.push_back({plc, {}, {}, {}, mode});
    return warnings;
}

QStringList typesOf(const PlcCheckIdentity &identity, const std::vector<PlcCheckItem> &items)
{
    QStringList types;
    for (const PlcCheckItem &item : items) {
        if (item.plc && *item.plc == identity.plc)
            types << item.plcType;
    }
    return types;
}

} // namespace

std::optional<PlcEndpoint> Plc_Of_Result(const PlcCheckResult &result, const std::vector<PlcCheckItem> &items)
{
    for (const PlcCheckItem &item : items) {
        if (item.list == result.list && item.row == result.row)
            return item.plc;
    }
    return std::nullopt;
}

QString Plc_Identity_Line(const PlcCheckIdentity &identity)
{
    const QString plc = QStringLiteral("PLC %1 rack %2 slot %3")
                            .arg(identity.plc.text())
                            .arg(identity.plc.rack)
                            .arg(identity.plc.slot);
    if (!identity.connected)
        return plc + QStringLiteral(": not connected");
    return plc + QStringLiteral(": ") + Plc_Identity_Text(identity.identity);
}

QString Plc_Identity_Line(const PlcCheckIdentity &identity, const TextTable &texts)
{
    QString told;
    const PlcIdentity &id = identity.identity;
    if (!identity.connected) {
        told = texts.text(TextId::S7_PlcNotConnected);
    } else if (!id.available()) {
        told = texts.text(TextId::S7_PlcIdentityNotAvailable);
    } else {
        QStringList parts;
        if (!id.orderNumber.isEmpty()) {
            const QString family = Plc_Family(id.orderNumber);
            parts << (family.isEmpty() ? id.orderNumber : QStringLiteral("%1 (%2)").arg(id.orderNumber, family));
        }
        if (!id.moduleTypeName.isEmpty())
            parts << id.moduleTypeName;
        if (!id.firmware.isEmpty())
            parts << texts.text(TextId::S7_PlcFirmware).arg(id.firmware);
        parts << (id.mode == PlcMode::Unknown ? texts.text(TextId::S7_PlcModeUnknown) : Plc_Mode_Text(id.mode));
        told = Escape_Control_Characters(parts.join(QStringLiteral(", ")));
    }
    return texts.text(TextId::S7_PlcIdentityLine)
        .arg(identity.plc.text())
        .arg(identity.plc.rack)
        .arg(identity.plc.slot)
        .arg(told);
}

QStringList Plc_Identity_Warnings(const PlcCheckIdentity &identity, const QStringList &plcTypes)
{
    QStringList lines;
    for (const Warning &w : warningsOf(identity, plcTypes)) {
        if (!w.ruleType.isEmpty())
            lines << QStringLiteral("PLC %1: the rules name PLC Type %2, but the PLC is %3 (%4)")
                         .arg(w.plc, w.ruleType, w.family, w.orderNumber);
        else
            lines << QStringLiteral("PLC %1 is in %2: the values read are stale").arg(w.plc, Plc_Mode_Text(w.mode));
    }
    return lines;
}

QStringList Plc_Check_Warnings(const std::vector<PlcCheckIdentity> &identities, const std::vector<PlcCheckItem> &items)
{
    QStringList lines;
    for (const PlcCheckIdentity &identity : identities)
        lines += Plc_Identity_Warnings(identity, typesOf(identity, items));
    return lines;
}

QStringList Plc_Check_Warnings(const std::vector<PlcCheckIdentity> &identities, const std::vector<PlcCheckItem> &items,
                               const TextTable &texts)
{
    QStringList lines;
    for (const PlcCheckIdentity &identity : identities) {
        for (const Warning &w : warningsOf(identity, typesOf(identity, items))) {
            if (!w.ruleType.isEmpty())
                lines << texts.text(TextId::S7_PlcTypeMismatch).arg(w.plc, w.ruleType, w.family, w.orderNumber);
            else
                lines << texts.text(TextId::S7_PlcNotInRun).arg(w.plc, Plc_Mode_Text(w.mode));
        }
    }
    return lines;
}
