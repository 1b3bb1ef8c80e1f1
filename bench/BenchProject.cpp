#include "BenchProject.h"

#include "commparams/CommParams.h"
#include "s7access/S7Protocol.h"

#include <QDir>

S7RuleList BenchProject::Generate_Rules(S7Rule::List list)
{
    static const char *const types[] = {"Logo0BA8", "S7200", "S7300", "S7400", "S71200", "S71500"};
    static const char *const dataTypes[] = {"Bit", "Byte", "Char", "Word", "Int", "DWord", "DInt", "Real"};
    static const char *const identifiers[] = {"OB", "DB", "SDB", "FC", "SFC", "FB", "SFB"};
    static const char *const areas[] = {"Direct peripheral access (P)", "Inputs (I)", "Output (Q)", "Flags (M) (Merker)"};
    const bool write = list == S7Rule::List::Write;
    S7RuleList rules = Fresh_Rule_List();
    for (int i = 0; i < kMaxRules; ++i) {
        S7Rule &r = rules[static_cast<std::size_t>(i)];
        r.Enable = QStringLiteral("Y");
        // Ten PLCs: the device holds at most ten connections.
        r.PLC_Address = QStringLiteral("192.168.10.%1").arg(11 + i % 10);
        r.PLC_Port = QStringLiteral("102");
        r.PLC_Type = QLatin1String(types[i % 6]);
        r.Rack = QString::number(i % 4);
        r.Slot = QString::number(i % 32);
        r.Data_Type = QLatin1String(dataTypes[i % 8]);
        r.Data_Identifier = QLatin1String(identifiers[i % 7]);
        r.DB_Number = QString::number(i * 7 % 65536);
        r.PLC_Area = QLatin1String(areas[i % 4]);
        r.PLC_Add = QString::number(i * 4);
        r.PLC_Bit = QString::number(i % 8);
        r.PollTime = QString::number(100 + i);
        if (write) {
            r.OnChange = i % 2 ? QStringLiteral("Y") : QStringLiteral("N");
            r.OnCMD = i % 3 ? QStringLiteral("N") : QStringLiteral("Y");
        }
        r.Position = QString::number(i % 244);
        r.Bit = QString::number(i % 8);
        r.Swap = i % 2 ? QStringLiteral("Y") : QStringLiteral("N");
        r.SwapWord = i % 5 ? QStringLiteral("N") : QStringLiteral("Y");
        r.Mnemonic = QStringLiteral("%1 rule %2 <tank & \"valve\">").arg(write ? QStringLiteral("Write") : QStringLiteral("Read ")).arg(i, 3, 10, QLatin1Char('0')).leftJustified(40, u'.');
    }
    return rules;
}

BenchProject::BenchProject()
{
    CommParams params = CommParams::windowDefaults();
    Write_ParGen(parGenFile(), params);
    Save_S7_Protocol(s7ProtocolFile(), Generate_Rules(S7Rule::List::Read), Generate_Rules(S7Rule::List::Write));
}

QString BenchProject::parGenFile() const
{
    return QDir(m_dir.path()).filePath(QStringLiteral("ParGen.xml"));
}

QString BenchProject::s7ProtocolFile() const
{
    return QDir(m_dir.path()).filePath(QStringLiteral("S7_Protocol.xml"));
}
