// Stand-in for the Ethernet update program. It takes the job Ethernet_Update.xml from its
// working folder, checks it as the update program would before touching a device (the element
// tree, the fixed values, the images and their sizes, the bank 1 checksum), prints a report
// and appends it to Ethernet_Update.log in the same folder. It sends nothing on any network.
// Exit code 0 for a good job, 1 otherwise.

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

namespace {

constexpr qint64 kBank1Size = 2048;
constexpr qint64 kBank2Size = 28672;
constexpr int kBank1ChecksumOffset = 0x7FC;
constexpr int kBank1RuleCountOffset = 0x658;

class Report
{
public:
    void line(const QString &text) { m_lines.append(text); }
    void fault(const QString &text)
    {
        m_lines.append(QStringLiteral("FAULT: ") + text);
        ++m_faults;
    }
    int faults() const { return m_faults; }
    QString text() const { return m_lines.join(QLatin1Char('\n')) + QLatin1Char('\n'); }

private:
    QStringList m_lines;
    int m_faults = 0;
};

QStringList childNames(const QDomElement &parent)
{
    QStringList names;
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        names.append(e.tagName());
    return names;
}

// Checks that `parent` holds exactly the elements `names`, in this order.
bool checkChildren(Report &report, const QDomElement &parent, const QString &where, const QStringList &names)
{
    const QStringList found = childNames(parent);
    if (found == names)
        return true;
    report.fault(QStringLiteral("%1 holds the elements [%2]; expected [%3]")
                     .arg(where, found.join(QStringLiteral(", ")), names.join(QStringLiteral(", "))));
    return false;
}

QString textOf(const QDomElement &parent, const QString &name)
{
    return parent.firstChildElement(name).text();
}

void checkText(Report &report, const QDomElement &parent, const QString &where, const QString &name,
               const QString &expected)
{
    const QString found = textOf(parent, name);
    if (found != expected)
        report.fault(QStringLiteral("%1/%2 is '%3'; expected '%4'").arg(where, name, found, expected));
}

bool isDottedAddress(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString &part : parts) {
        bool ok = false;
        const int value = part.toInt(&ok, 10);
        if (!ok || part.isEmpty() || part.size() > 3 || value < 0 || value > 255 || !part.at(0).isDigit())
            return false;
    }
    return true;
}

quint32 readU32(const QByteArray &bytes, int offset)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData()) + offset;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

enum class Kind { Firmware, Bank1, Bank2, Unknown };

struct OperationLayout
{
    Kind kind;
    const char *name;
    const char *startAddress;
    const char *bankType;
    const char *writeCss;
};

const OperationLayout kLayouts[] = {
    {Kind::Firmware, "firmware", "0x8000", "1", "1"},
    {Kind::Bank1, "bank 1", "0x07000", "2", "0"},
    {Kind::Bank2, "bank 2", "0x80000", "2", "0"},
};

const QStringList kOperationElements = {
    "Ope_Protection_Enabled", "Ope_GoToBoot_Before", "Ope_GoToApp_Before", "Ope_IP_Address",
    "Ope_Port", "Ope_Port_Sec", "Ope_Erase_Memory", "Ope_FileName", "Ope_Start_Address",
    "Ope_Memory_Type", "Ope_Bank_Type", "Ope_Read_Back", "Ope_Write_CSS", "Ope_Address_CSS",
    "Ope_Command_CSS", "Ope_Write_Internal_Data", "Ope_WID_Address", "Ope_WID_Command",
    "Ope_WID_Data", "Ope_GoToApp_After",
};

// Checks the image an operation names; returns a short description for the report.
QString checkImage(Report &report, Kind kind, const QString &where, const QString &fileName)
{
    const QFileInfo info(fileName);
    if (fileName.isEmpty() || !info.isFile()) {
        report.fault(QStringLiteral("%1: the image '%2' does not exist").arg(where, fileName));
        return {};
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        report.fault(QStringLiteral("%1: the image '%2' cannot be read: %3").arg(where, fileName, file.errorString()));
        return {};
    }
    const QByteArray bytes = file.readAll();
    switch (kind) {
    case Kind::Bank1: {
        if (bytes.size() != kBank1Size) {
            report.fault(QStringLiteral("%1: %2 holds %3 bytes; bank 1 has %4")
                             .arg(where, fileName).arg(bytes.size()).arg(kBank1Size));
            return {};
        }
        quint32 sum = 0;
        for (int i = 0; i < kBank1ChecksumOffset; ++i)
            sum += static_cast<unsigned char>(bytes[i]);
        const quint32 stored = readU32(bytes, kBank1ChecksumOffset);
        if (sum != stored) {
            report.fault(QStringLiteral("%1: bank 1 checksum %2 does not match its bytes (sum %3)")
                             .arg(where).arg(stored).arg(sum));
            return {};
        }
        return QStringLiteral("%1 bytes, checksum %2, %3 rules")
            .arg(bytes.size())
            .arg(stored)
            .arg(readU32(bytes, kBank1RuleCountOffset));
    }
    case Kind::Bank2:
        if (bytes.size() != kBank2Size) {
            report.fault(QStringLiteral("%1: %2 holds %3 bytes; bank 2 has %4")
                             .arg(where, fileName).arg(bytes.size()).arg(kBank2Size));
            return {};
        }
        return QStringLiteral("%1 bytes").arg(bytes.size());
    case Kind::Firmware:
        if (bytes.isEmpty()) {
            report.fault(QStringLiteral("%1: the firmware image %2 is empty").arg(where, fileName));
            return {};
        }
        return QStringLiteral("%1 bytes").arg(bytes.size());
    case Kind::Unknown:
        break;
    }
    return {};
}

void checkOperations(Report &report, const QDomElement &operations)
{
    QList<QDomElement> list;
    for (QDomElement e = operations.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.tagName() != QLatin1String("Operation")) {
            report.fault(QStringLiteral("Operations holds an element %1").arg(e.tagName()));
            return;
        }
        list.append(e);
    }
    if (list.isEmpty()) {
        report.line(QStringLiteral("operations: none; nothing to write"));
        return;
    }

    QList<Kind> kinds;
    QString readBack;
    for (int i = 0; i < list.size(); ++i) {
        const QDomElement &op = list[i];
        const QString where = QStringLiteral("Operation %1").arg(i + 1);
        if (!checkChildren(report, op, where, kOperationElements)) {
            kinds.append(Kind::Unknown);
            continue;
        }
        const OperationLayout *layout = nullptr;
        for (const OperationLayout &l : kLayouts) {
            if (textOf(op, "Ope_Start_Address") == QLatin1String(l.startAddress))
                layout = &l;
        }
        if (!layout) {
            report.fault(QStringLiteral("%1 writes to the unknown address '%2'").arg(where, textOf(op, "Ope_Start_Address")));
            kinds.append(Kind::Unknown);
            continue;
        }
        kinds.append(layout->kind);
        const struct { const char *name; QString value; } fixed[] = {
            {"Ope_Protection_Enabled", {}}, {"Ope_GoToBoot_Before", "0"}, {"Ope_GoToApp_Before", "0"},
            {"Ope_IP_Address", {}}, {"Ope_Port", "2008"}, {"Ope_Port_Sec", "2007"},
            {"Ope_Erase_Memory", "0"}, {"Ope_Memory_Type", "0"}, {"Ope_Bank_Type", layout->bankType},
            {"Ope_Write_CSS", layout->writeCss}, {"Ope_Address_CSS", "0x07A00"}, {"Ope_Command_CSS", "0x02"},
            {"Ope_Write_Internal_Data", "0"}, {"Ope_WID_Address", "0x07810"}, {"Ope_WID_Command", "0x02"},
            {"Ope_WID_Data", "0x00, 0x00, 0x00, 0x01"},
            {"Ope_GoToApp_After", i + 1 == list.size() ? "1" : "0"},
        };
        for (const auto &f : fixed)
            checkText(report, op, where, QString::fromLatin1(f.name), f.value);
        const QString rb = textOf(op, "Ope_Read_Back");
        if (rb != QLatin1String("0") && rb != QLatin1String("1"))
            report.fault(QStringLiteral("%1/Ope_Read_Back is '%2'; expected 0 or 1").arg(where, rb));
        else if (!readBack.isEmpty() && rb != readBack)
            report.fault(QStringLiteral("%1 asks for another read-back than the first operation").arg(where));
        if (readBack.isEmpty())
            readBack = rb;

        const QString fileName = textOf(op, "Ope_FileName");
        const QString image = checkImage(report, layout->kind, where, fileName);
        if (!image.isEmpty())
            report.line(QStringLiteral("operation %1: %2 %3 -> %4, read back %5: %6")
                            .arg(i + 1)
                            .arg(QLatin1String(layout->name), fileName, QLatin1String(layout->startAddress),
                                 rb == QLatin1String("1") ? QStringLiteral("yes") : QStringLiteral("no"), image));
    }
    const QList<QList<Kind>> allowed = {
        {Kind::Firmware, Kind::Bank1, Kind::Bank2}, {Kind::Firmware}, {Kind::Bank1, Kind::Bank2}};
    if (!kinds.contains(Kind::Unknown) && !allowed.contains(kinds))
        report.fault(QStringLiteral("the operations are not firmware, bank 1, bank 2 in one of the orders "
                                    "firmware + configuration, firmware, configuration"));
}

void checkJob(Report &report, const QString &jobFile)
{
    QFile file(jobFile);
    if (!file.open(QIODevice::ReadOnly)) {
        report.fault(QStringLiteral("the job %1 cannot be read: %2").arg(jobFile, file.errorString()));
        return;
    }
    QDomDocument doc;
    QString error;
    int line = 0, column = 0;
    if (!doc.setContent(file.readAll(), &error, &line, &column)) {
        report.fault(QStringLiteral("the job is not well-formed XML: %1 (line %2, column %3)").arg(error).arg(line).arg(column));
        return;
    }
    const QDomElement root = doc.documentElement();
    if (root.tagName() != QLatin1String("Ethernet_Update")) {
        report.fault(QStringLiteral("the root element is %1; expected Ethernet_Update").arg(root.tagName()));
        return;
    }
    if (!checkChildren(report, root, QStringLiteral("Ethernet_Update"),
                       {"Version", "Title", "IP_Address_Dev", "Application_Port", "Boot_Port", "Boot_Port_Sec",
                        "Address_Protection", "Protections", "Operations"}))
        return;
    const QString where = QStringLiteral("Ethernet_Update");
    checkText(report, root, where, "Version", "1000");
    checkText(report, root, where, "Title", "Norvalt - ZE52840 Ethernet Update");
    checkText(report, root, where, "Application_Port", "10000");
    checkText(report, root, where, "Boot_Port", "2008");
    checkText(report, root, where, "Boot_Port_Sec", "2007");
    checkText(report, root, where, "Address_Protection", "0x07800");
    const QDomElement protections = root.firstChildElement("Protections");
    if (checkChildren(report, protections, QStringLiteral("Protections"), {"Protection"}))
        checkText(report, protections, QStringLiteral("Protections"), "Protection", "0x3A7");
    const QString device = textOf(root, "IP_Address_Dev");
    if (isDottedAddress(device))
        report.line(QStringLiteral("device: %1, application port 10000, boot ports 2008 and 2007").arg(device));
    else
        report.fault(QStringLiteral("IP_Address_Dev '%1' is no dotted IPv4 address").arg(device));
    checkOperations(report, root.firstChildElement("Operations"));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QDir folder = QDir::current();
    const QString jobFile = folder.filePath(QStringLiteral("Ethernet_Update.xml"));

    Report report;
    report.line(QStringLiteral("Ethernet update stand-in, %1").arg(QDateTime::currentDateTime().toString(Qt::ISODate)));
    report.line(QStringLiteral("job: %1").arg(QDir::toNativeSeparators(jobFile)));
    checkJob(report, jobFile);
    if (report.faults() == 0)
        report.line(QStringLiteral("result: OK (the job is complete; this stand-in sends nothing to the device)"));
    else
        report.line(QStringLiteral("result: FAILED (%1 fault%2)").arg(report.faults()).arg(report.faults() == 1 ? "" : "s"));

    const QByteArray text = report.text().toUtf8();
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
    std::fflush(stdout);
    QFile log(folder.filePath(QStringLiteral("Ethernet_Update.log")));
    if (log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write(text + '\n');
    else
        std::fprintf(stderr, "Ethernet_Update.log cannot be written: %s\n", qPrintable(log.errorString()));
    return report.faults() == 0 ? 0 : 1;
}
