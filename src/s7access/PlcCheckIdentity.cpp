#include "s7access/PlcCheckIdentity.h"

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

QStringList Plc_Identity_Warnings(const PlcCheckIdentity &identity, const QStringList &plcTypes)
{
    QStringList warnings;
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
            warnings << QStringLiteral("PLC %1: the rules name PLC Type %2, but the PLC is %3 (%4)")
                            .arg(plc, ruleType, family, identity.identity.orderNumber);
    }
    const PlcMode mode = identity.identity.mode;
    if (mode != PlcMode::Unknown && mode != PlcMode::Run)
        warnings << QStringLiteral("PLC %1 is in %2: the values read are stale").arg(plc, Plc_Mode_Text(mode));
    return warnings;
}

QStringList Plc_Check_Warnings(const std::vector<PlcCheckIdentity> &identities, const std::vector<PlcCheckItem> &items)
{
    QStringList warnings;
    for (const PlcCheckIdentity &identity : identities) {
        QStringList types;
        for (const PlcCheckItem &item : items) {
            if (item.plc && *item.plc == identity.plc)
                types << item.plcType;
        }
        warnings += Plc_Identity_Warnings(identity, types);
    }
    return warnings;
}
