#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/Commands.h"
#include "platform/qt/PlcScanner.h"
#include "s7access/PlcCheckIdentity.h"
#include "s7access/PlcIdentity.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

// plc-info reads which PLC answers at one address; plc-scan finds the PLCs of one address
// range. Both only connect, set up the communication and read SZL: nothing is ever written.

namespace {

// A number option from `low` to `high`, or the fault printed.
bool numberOption(const CliArgs &args, const CliCommand &command, const char *name, int low, int high, int &value,
                  int &exitCode)
{
    const QString option = QString::fromLatin1(name);
    if (!args.has(option))
        return true;
    bool ok = false;
    const int number = args.value(option).toInt(&ok);
    if (!ok || number < low || number > high) {
        exitCode = command.fail(QStringLiteral("%1 takes a number from %2 to %3").arg(option).arg(low).arg(high), kUsageExit);
        return false;
    }
    value = number;
    return true;
}

// The options and exactly `positionalCount` arguments, or the fault printed.
std::optional<CliArgs> parseArgs(const QStringList &args, const QStringList &valueOptions, qsizetype positionalCount,
                                 const CliCommand &command, const char *usage)
{
    QString error;
    auto parsed = CliArgs::parse(args, valueOptions, {QStringLiteral("--json")}, &error);
    if (!parsed) {
        command.fail(error, kUsageExit);
    } else if (parsed->positional.size() != positionalCount) {
        command.fail(QString::fromLatin1(usage), kUsageExit);
        parsed.reset();
    }
    return parsed;
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonObject identityJson(const PlcIdentity &identity)
{
    const QString family = Plc_Family(identity.orderNumber);
    return QJsonObject{
        {QStringLiteral("available"), identity.available()},
        {QStringLiteral("orderNumber"), textOrNull(identity.orderNumber)},
        {QStringLiteral("family"), textOrNull(family)},
        {QStringLiteral("plcType"), textOrNull(Plc_Type_Of_Family(family))},
        {QStringLiteral("moduleType"), textOrNull(identity.moduleTypeName)},
        {QStringLiteral("firmware"), textOrNull(identity.firmware)},
        {QStringLiteral("mode"), identity.mode == PlcMode::Unknown ? QJsonValue() : QJsonValue(Plc_Mode_Text(identity.mode))},
        {QStringLiteral("station"), textOrNull(identity.stationName)},
        {QStringLiteral("module"), textOrNull(identity.moduleName)},
        {QStringLiteral("serialNumber"), textOrNull(identity.serialNumber)},
    };
}

QString orNot(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("not available") : Escape_Control_Characters(text);
}

} // namespace

int Cmd_PlcInfo(const QStringList &args, CliIo &io)
{
    const CliCommand command("plc-info", io);
    const auto parsed = parseArgs(args,
                                  {QStringLiteral("--port"), QStringLiteral("--rack"), QStringLiteral("--slot"),
                                   QStringLiteral("--timeout")},
                                  1, command,
                                  "usage: brivant-cli plc-info ADDRESS [--port N] [--rack R] [--slot S] [--timeout MS] [--json]");
    if (!parsed)
        return kUsageExit;
    const std::optional<std::uint32_t> address = Parse_Dotted_Ipv4(parsed->positional.first());
    if (!address)
        return command.fail(QStringLiteral("%1 is not an IPv4 address").arg(parsed->positional.first()), kUsageExit);
    int port = 102, rack = 0, slot = 2, timeout = 2000, code = 0;
    if (!numberOption(*parsed, command, "--port", 1, 65535, port, code)
        || !numberOption(*parsed, command, "--rack", 0, 7, rack, code)
        || !numberOption(*parsed, command, "--slot", 0, 31, slot, code)
        || !numberOption(*parsed, command, "--timeout", 1, 600000, timeout, code))
        return code;

    PlcCheckIdentity told;
    told.plc = PlcEndpoint{*address, std::uint16_t(port), rack, slot};
    const PlcProbe probe = PlcScanner::Read_Identity(told.plc, timeout);
    told.connected = probe.connected;
    told.identity = probe.identity;
    if (parsed->has(QStringLiteral("--json"))) {
        QJsonObject object{{QStringLiteral("plc"), told.plc.text()},
                           {QStringLiteral("rack"), rack},
                           {QStringLiteral("slot"), slot},
                           {QStringLiteral("connected"), probe.connected}};
        if (probe.connected) {
            const QJsonObject identity = identityJson(probe.identity);
            for (auto it = identity.begin(); it != identity.end(); ++it)
                object.insert(it.key(), it.value());
        } else {
            object.insert(QStringLiteral("error"), probe.error);
        }
        io.write(QJsonDocument(object).toJson(QJsonDocument::Indented));
    } else if (probe.connected) {
        const PlcIdentity &id = probe.identity;
        io.println(QStringLiteral("PLC %1 rack %2 slot %3").arg(told.plc.text()).arg(rack).arg(slot));
        if (!id.available()) {
            io.println(QStringLiteral("identity not available"));
        } else {
            io.println(QStringLiteral("Order number: ") + orNot(id.orderNumber));
            io.println(QStringLiteral("Family: ") + orNot(Plc_Family(id.orderNumber)));
            io.println(QStringLiteral("Module type: ") + orNot(id.moduleTypeName));
            io.println(QStringLiteral("Firmware: ") + orNot(id.firmware));
            io.println(QStringLiteral("Mode: ") + (id.mode == PlcMode::Unknown ? QStringLiteral("not available") : Plc_Mode_Text(id.mode)));
            io.println(QStringLiteral("Station: ") + orNot(id.stationName));
            io.println(QStringLiteral("Module name: ") + orNot(id.moduleName));
            io.println(QStringLiteral("Serial number: ") + orNot(id.serialNumber));
        }
    }
    if (!probe.connected)
        return command.fail(QStringLiteral("%1: %2").arg(told.plc.text(), probe.error), 1);
    for (const QString &warning : Plc_Identity_Warnings(told, {}))
        io.errln(QStringLiteral("warning: ") + warning);
    return 0;
}

int Cmd_PlcScan(const QStringList &args, CliIo &io)
{
    const CliCommand command("plc-scan", io);
    const auto parsed = parseArgs(args, {QStringLiteral("--port"), QStringLiteral("--timeout")}, 2, command,
                                  "usage: brivant-cli plc-scan FIRST LAST [--port N] [--timeout MS] [--json]");
    if (!parsed)
        return kUsageExit;
    const std::optional<std::uint32_t> first = Parse_Dotted_Ipv4(parsed->positional.at(0));
    const std::optional<std::uint32_t> last = Parse_Dotted_Ipv4(parsed->positional.at(1));
    if (!first || !last)
        return command.fail(QStringLiteral("%1 is not an IPv4 address").arg(parsed->positional.at(first ? 1 : 0)),
                            kUsageExit);
    if (const auto rangeError = Scan_Range_Error(*first, *last))
        return command.fail(*rangeError, kUsageExit);
    int port = 102, timeout = 1000, code = 0;
    if (!numberOption(*parsed, command, "--port", 1, 65535, port, code)
        || !numberOption(*parsed, command, "--timeout", 1, 600000, timeout, code))
        return code;

    const std::vector<FoundPlc> found = PlcScanner::Run_Scan(*first, *last, std::uint16_t(port), timeout);
    if (parsed->has(QStringLiteral("--json"))) {
        QJsonArray array;
        for (const FoundPlc &plc : found) {
            QJsonObject object{{QStringLiteral("address"), plc.plc.host()},
                               {QStringLiteral("port"), plc.plc.port},
                               {QStringLiteral("rack"), plc.plc.rack},
                               {QStringLiteral("slot"), plc.plc.slot}};
            const QJsonObject identity = identityJson(plc.identity);
            for (auto it = identity.begin(); it != identity.end(); ++it)
                object.insert(it.key(), it.value());
            array.append(object);
        }
        io.write(QJsonDocument(array).toJson(QJsonDocument::Indented));
    } else {
        for (const FoundPlc &plc : found) {
            const QString family = Plc_Family(plc.identity.orderNumber);
            const QString module = !plc.identity.moduleTypeName.isEmpty() ? plc.identity.moduleTypeName
                                                                         : plc.identity.orderNumber;
            io.println(QStringLiteral("%1\track %2 slot %3\t%4\t%5")
                           .arg(plc.plc.text())
                           .arg(plc.plc.rack)
                           .arg(plc.plc.slot)
                           .arg(family.isEmpty() ? QStringLiteral("-") : family,
                                module.isEmpty() ? QStringLiteral("identity not available") : Escape_Control_Characters(module)));
        }
    }
    io.errln(QStringLiteral("plc-scan: %1 PLC%2 found among %3 address%4")
                 .arg(found.size())
                 .arg(found.size() == 1 ? QString() : QStringLiteral("s"))
                 .arg(*last - *first + 1)
                 .arg(*last == *first ? QString() : QStringLiteral("es")));
    return found.empty() ? 1 : 0;
}
