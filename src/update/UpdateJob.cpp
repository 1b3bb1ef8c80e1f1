#include "update/UpdateJob.h"

#include "app/ConfigWorkspace.h"
#include "common/SafeFile.h"
#include "common/XmlIo.h"

#include <QDir>

namespace {

// The three images the update program can write. Bank 1 (the 2048-byte parameter block) goes
// to 0x07000..0x077FF; the protection word at 0x07800, the internal data at 0x07810 and the
// CSS word at 0x07A00 lie just above it. Bank 2 (the rule table) goes to 0x80000.
struct OperationKind
{
    const char *startAddress;
    const char *bankType;
    const char *writeCss;
};

constexpr OperationKind kFirmware{"0x8000", "1", "1"};
constexpr OperationKind kBank1{"0x07000", "2", "0"};
constexpr OperationKind kBank2{"0x80000", "2", "0"};

QString nativePath(const QString &folder, const QString &relative)
{
    return QDir::toNativeSeparators(folder + QLatin1Char('/') + relative);
}

void appendOperation(QDomDocument &doc, QDomElement &operations, const OperationKind &kind,
                     const QString &fileName, bool readBack, bool last)
{
    QDomElement op = doc.createElement(QStringLiteral("Operation"));
    operations.appendChild(op);
    const auto add = [&](const char *name, const QString &text) {
        Append_Text_Element(doc, op, QString::fromLatin1(name), text);
    };
    const auto addL = [&](const char *name, const char *text) { add(name, QString::fromLatin1(text)); };
    addL("Ope_Protection_Enabled", "");
    addL("Ope_GoToBoot_Before", "0");
    addL("Ope_GoToApp_Before", "0");
    addL("Ope_IP_Address", "");
    addL("Ope_Port", "2008");
    addL("Ope_Port_Sec", "2007");
    addL("Ope_Erase_Memory", "0");
    add("Ope_FileName", fileName);
    addL("Ope_Start_Address", kind.startAddress);
    addL("Ope_Memory_Type", "0");
    addL("Ope_Bank_Type", kind.bankType);
    addL("Ope_Read_Back", readBack ? "1" : "0");
    addL("Ope_Write_CSS", kind.writeCss);
    addL("Ope_Address_CSS", "0x07A00");
    addL("Ope_Command_CSS", "0x02");
    addL("Ope_Write_Internal_Data", "0");
    addL("Ope_WID_Address", "0x07810");
    addL("Ope_WID_Command", "0x02");
    addL("Ope_WID_Data", "0x00, 0x00, 0x00, 0x01");
    addL("Ope_GoToApp_After", last ? "1" : "0");
}

} // namespace

UpdateJob UpdateJob::forProject(const ConfigWorkspace &workspace, const QString &ipAddress, int updateOption,
                                bool readBack)
{
    UpdateJob job;
    job.ipAddressDev = ipAddress;
    job.updateOption = updateOption;
    job.readBack = readBack;
    job.masterDir = workspace.Master_Dir;
    job.projectDir = workspace.Project_Dir;
    return job;
}

QString UpdateJob::firmwareFile() const
{
    return nativePath(masterDir, QStringLiteral("Vod52840.sim"));
}

QString UpdateJob::bank1File() const
{
    return nativePath(projectDir, QStringLiteral("bin/bank1.bin"));
}

QString UpdateJob::bank2File() const
{
    return nativePath(projectDir, QStringLiteral("bin/bank2.bin"));
}

QByteArray UpdateJob::toXml() const
{
    Require_Xml_Text(ipAddressDev, QStringLiteral("The device address"));
    Require_Xml_Text(masterDir, QStringLiteral("The MASTER folder path"));
    Require_Xml_Text(projectDir, QStringLiteral("The project folder path"));

    NewXmlDocument job = Create_Xml_Document(QStringLiteral("Ethernet_Update"), false);
    QDomDocument &doc = job.doc;
    QDomElement &root = job.root;
    const auto addL = [&](const char *name, const char *text) {
        Append_Text_Element(doc, root, QString::fromLatin1(name), QString::fromLatin1(text));
    };
    addL("Version", "1000");
    addL("Title", "Norvalt - ZE52840 Ethernet Update");
    Append_Text_Element(doc, root, QStringLiteral("IP_Address_Dev"), ipAddressDev);
    addL("Application_Port", "10000");
    addL("Boot_Port", "2008");
    addL("Boot_Port_Sec", "2007");
    addL("Address_Protection", "0x07800");
    QDomElement protections = doc.createElement(QStringLiteral("Protections"));
    root.appendChild(protections);
    Append_Text_Element(doc, protections, QStringLiteral("Protection"), QStringLiteral("0x3A7"));
    QDomElement operations = doc.createElement(QStringLiteral("Operations"));
    root.appendChild(operations);

    const bool firmware = updateOption == 0 || updateOption == 1;
    const bool configuration = updateOption == 0 || updateOption == 2;
    if (firmware)
        appendOperation(doc, operations, kFirmware, firmwareFile(), readBack, !configuration);
    if (configuration) {
        appendOperation(doc, operations, kBank1, bank1File(), readBack, false);
        appendOperation(doc, operations, kBank2, bank2File(), readBack, true);
    }
    return Serialize_Xml(doc);
}

void UpdateJob::write(const QString &jobFile) const
{
    Write_File_Safely(jobFile, toXml());
}
