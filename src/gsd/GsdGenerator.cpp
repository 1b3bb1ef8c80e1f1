#include "gsd/GsdGenerator.h"

#include "common/Errors.h"
#include "common/SafeFile.h"
#include "commparams/CommParams.h"

#include <QStringList>

namespace {

// The largest data area of the converter on PROFIBUS, in each direction.
constexpr int kMaxLength = 244;
// The data of each direction is cut into modules of at most this many bytes.
constexpr int kModuleBytes = 64;
// Lines of the comment box, the maker block included, are this long.
constexpr int kBoxWidth = 85;

// The maker's block of the comment box.
constexpr const char *kVendor = "Norvalt";
constexpr const char *kStreet = "Industrial Park Road 7";
constexpr const char *kTown = "99001 Norberga";
constexpr const char *kProvince = "Norberga Province (Freeland)";
constexpr const char *kTelephone = "+00 555 0100 200";
constexpr const char *kFax = "+00 555 0100 299";
constexpr const char *kSupportMail = "support@norvalt.example";

// Keywords, parameter texts and the slave's fixed properties, up to Modular_Station.
constexpr const char *kFixedHead[] = {
    "",
    "",
    "#Profibus_DP",
    "",
    "",
    ";====================================================================================",
    ";==== Prm-Text-Def-List =============================================================",
    ";====================================================================================",
    "",
    "PrmText=1",
    "Text(0)=\"disable\"",
    "Text(1)=\"enable\"",
    "EndPrmText",
    "",
    "PrmText  = 2",
    "Text(0)  = \"clock up\"",
    "Text(1)  = \"clock down\"",
    "EndPrmText",
    "",
    "PrmText  = 3",
    "Text(1)  = \"10\"",
    "Text(2)  = \"20\"",
    "Text(3)  = \"30\"",
    "Text(4)  = \"40\"",
    "Text(5)  = \"50\"",
    "EndPrmText",
    "",
    "",
    ";=====================================================================================",
    ";==== Ext-User-Prm-Data-Def-List =====================================================",
    ";=====================================================================================",
    "",
    "ExtUserPrmData=1 \"[SlotNumber]\"",
    "Unsigned8 0 0-32",
    "EndExtUserPrmData",
    "",
    "ExtUserPrmData=2 \"Diagnostic Alarm\"",
    "Bit(0) 0 0-1",
    "Prm_Text_Ref=1",
    "EndExtUserPrmData",
    "",
    "ExtUserPrmData=3 \"Process Alarm\"",
    "Bit(1) 0 0-1",
    "Prm_Text_Ref=1",
    "EndExtUserPrmData",
    "",
    "ExtUserPrmData=4 \"Counter mode\"",
    "Unsigned8 0 0-1",
    "Prm_Text_Ref=2",
    "EndExtUserPrmData",
    "",
    "ExtUserPrmData=5 \"Counter timebase (ms)\"",
    "Unsigned8 1 1-5",
    "Prm_Text_Ref=3",
    "EndExtUserPrmData",
    "",
    "ExtUserPrmData=6 \"Counter high-limit\"",
    "Unsigned16 65535 0-65535",
    "EndExtUserPrmData",
    "",
    "ExtUserPrmData=7 \"Counter low-limit\"",
    "Unsigned16 0 0-65535",
    "EndExtUserPrmData",
    "",
    "",
    ";=====================================================================================",
    ";==== General DP Keywords ============================================================",
    ";=====================================================================================",
    "",
    "GSD_Revision = 5",
    "Vendor_Name = \"Norvalt\"",
    "Model_Name = \"DA52840\"",
    "Revision = \"1.00\"",
    "Ident_Number = 0x7C3D",
    "Protocol_Ident = 0",
    "Station_Type = 0",
    "FMS_supp = 0",
    "Hardware_Release = \"V1.00\"",
    "Software_Release = \"V1.00\"",
    "Redundancy = 0",
    "Repeater_Ctrl_Sig = 2",
    "24V_Pins = 0",
    "",
    "",
    ";==============================================================================",
    ";==== Supported baudrates =====================================================",
    ";==============================================================================",
    "",
    "9.6_supp = 1",
    "19.2_supp = 1",
    "45.45_supp = 1",
    "93.75_supp = 1",
    "187.5_supp = 1",
    "500_supp = 1",
    "1.5M_supp = 1",
    "3M_supp = 1",
    "6M_supp = 1",
    "12M_supp = 1",
    "",
    "MaxTsdr_9.6=15",
    "MaxTsdr_19.2=15",
    "MaxTsdr_45.45=15",
    "MaxTsdr_93.75=15",
    "MaxTsdr_187.5=15",
    "MaxTsdr_500=15",
    "MaxTsdr_1.5M=20",
    "MaxTsdr_3M=35",
    "MaxTsdr_6M=50",
    "MaxTsdr_12M=95",
    "",
    "",
    ";==============================================================================",
    ";==== Slave specific values ===================================================",
    ";==============================================================================",
    "",
    "OrderNumber=\"DA52840\"",
    "Slave_Family = 9@Norvalt@DA52840",
    "Implementation_Type = \"VPC3+\"",
    "Info_Text=\"Norvalt: V7 Evuvedir / OZEVARAD Avava - Rizavivad\"",
    "Bitmap_Device = \"DPV0_1N\"",
    "Bitmap_SF=\"DPV0_1S\"",
    "",
    "Freeze_Mode_supp=1",
    "Sync_Mode_supp=1",
    "Fail_Safe=1",
    "Auto_Baud_supp=1",
    "Set_Slave_Add_supp=0",
    "",
    "Min_Slave_Intervall=6",
    "",
    "Modular_Station=1",
};

// From Max_Diag_Data_Len to the heading of the module list.
constexpr const char *kFixedTail[] = {
    "Max_Diag_Data_Len=15",
    "",
    "WD_Base_1ms_supp = 1",
    "Publisher_supp = 1",
    "",
    ";==============================================================================",
    ";==== User-Prm-Data ===========================================================",
    ";==============================================================================",
    "",
    "Max_User_Prm_Data_Len = 12",
    "Ext_User_Prm_Data_Const(0)= 0x00,0x00,0x00",
    "",
    ";==============================================================================",
    ";==== Modulstatus =============================================================",
    ";==============================================================================",
    "",
    "Unit_Diag_Area = 24 - 25",
    "Value(1)= \"Slot 1: Module error\"",
    "Value(2)= \"Slot 1: Wrong module\"",
    "Value(3)= \"Slot 1: No module\"",
    "Unit_Diag_Area_End",
    "Unit_Diag_Area = 26 - 27",
    "Value(1)= \"Slot 2: Module error\"",
    "Value(2)= \"Slot 2: Wrong module\"",
    "Value(3)= \"Slot 2: No module\"",
    "Unit_Diag_Area_End",
    "",
    "",
    ";==============================================================================",
    ";==== Module-Definition-List ==================================================",
    ";==============================================================================",
    "",
};

static_assert(std::size(kFixedHead) == 131);
static_assert(std::size(kFixedTail) == 32);

// ";*", the text, blanks up to column 84, "*".
QString boxLine(const QString &text)
{
    return QStringLiteral(";*") + text.leftJustified(kBoxWidth - 3, u' ') + u'*';
}

QString indented(const QString &text)
{
    return QString(11, u' ') + text;
}

void appendCommentBox(QStringList &lines)
{
    const QString rule = QStringLiteral(";* ") + QString(80, u'=') + QStringLiteral(" *");
    const QString blank = boxLine(QString());
    lines << QStringLiteral(";")
          << QStringLiteral(";******************* V7 Evuvedir / OZEVARAD Avava - Rizavivad ***********************")
          << rule << blank
          << boxLine(QStringLiteral(" Vendor:   ") + QLatin1String(kVendor))
          << boxLine(indented(QLatin1String(kStreet)))
          << boxLine(indented(QLatin1String(kTown)))
          << boxLine(indented(QLatin1String(kProvince)))
          << boxLine(indented(QStringLiteral("Tel. : ") + QLatin1String(kTelephone)))
          << boxLine(indented(QStringLiteral("FAX. : ") + QLatin1String(kFax)))
          << boxLine(indented(QStringLiteral("eMail: ") + QLatin1String(kSupportMail)))
          << blank << rule << blank
          << QStringLiteral(";* Function:       V7 Evuvedir / OZEVARAD Avava - Rizavivad                         *")
          << blank << blank
          << QStringLiteral(";* Order Number : DA52840                                                           *")
          << blank << blank
          << QStringLiteral(";") + QString(kBoxWidth - 1, u'*');
}

int moduleCount(int length)
{
    return length <= 0 ? 0 : (length + kModuleBytes - 1) / kModuleBytes;
}

QString hexByte(int value)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(2, u'0');
}

// Modules are numbered across both directions: `first` is this direction's first number.
void appendModules(QStringList &lines, int length, int first, bool input)
{
    const int count = moduleCount(length);
    for (int i = 0; i < count; ++i) {
        const int number = first + i;
        const int bytes = i + 1 < count ? kModuleBytes : length - i * kModuleBytes;
        // Special identifier format: 0x42 input / 0x82 output with two manufacturer bytes,
        // then the length minus one, then the manufacturer bytes 0x00 and the module number.
        lines << QStringLiteral("Module=\"%1  (PORT%2)    \" %3,%4,0x00,%5")
                     .arg(input ? QStringLiteral("DI") : QStringLiteral("DO"))
                     .arg(number)
                     .arg(input ? QStringLiteral("0x42") : QStringLiteral("0x82"), hexByte(bytes - 1), hexByte(number))
              << QString::number(number) << QStringLiteral("EndModule");
    }
}

void requireLength(int value, const char *element)
{
    if (value < 0 || value > kMaxLength)
        throw ValueError(QStringLiteral("ParGen.xml: %1 holds %2, but a GSD file takes 0 to %3 bytes; "
                                        "set the byte counts in the communication parameters")
                             .arg(QLatin1String(element))
                             .arg(value)
                             .arg(kMaxLength));
}

} // namespace

GsdGenerator::Counts GsdGenerator::Read_Gsd_Counts(const QString &parGenFile)
{
    const ParGenCounts counts = Read_ParGen_Counts(parGenFile);
    // The converter names its counts from its own side: what it receives is the master's output.
    return Counts{counts.nbOut, counts.nbIn};
}

QByteArray GsdGenerator::Build_GSD_Text(const Counts &counts)
{
    // A master rejects a larger data area, and a huge count would write gigabytes of modules.
    requireLength(counts.inputLength, "PROFINET_NB_OUT");
    requireLength(counts.outputLength, "PROFINET_NB_IN");
    const int k = moduleCount(counts.inputLength);
    const int m = moduleCount(counts.outputLength);

    QStringList lines;
    appendCommentBox(lines);
    for (const char *line : kFixedHead)
        lines << QLatin1String(line);
    lines << QStringLiteral("Max_Module=%1").arg(k + m) << QStringLiteral("Modul_Offset=1")
          << QStringLiteral("Max_Input_Len=%1").arg(counts.inputLength)
          << QStringLiteral("Max_Output_Len=%1").arg(counts.outputLength)
          << QStringLiteral("Max_Data_Len=%1").arg(counts.inputLength + counts.outputLength);
    for (const char *line : kFixedTail)
        lines << QLatin1String(line);

    appendModules(lines, counts.inputLength, 1, true);
    appendModules(lines, counts.outputLength, k + 1, false);
    lines << QString() << QString() << QString() << QStringLiteral("SlotDefinition");
    for (int s = 1; s <= k + m; ++s)
        lines << QStringLiteral("Slot(%1) = \"Slot %1\" %1 %1").arg(s);
    lines << QStringLiteral("EndSlotDefinition") << QString() << QString() << QString() << QString();

    QByteArray text;
    for (const QString &line : lines)
        text += line.toLatin1() + "\r\n";
    return text;
}

void GsdGenerator::Write_GSD_File(const QString &fileName, const Counts &counts)
{
    Write_File_Safely(fileName, Build_GSD_Text(counts));
}

QString GsdGenerator::With_Gsd_Extension(const QString &fileName)
{
    if (fileName.endsWith(QStringLiteral(".gsd"), Qt::CaseInsensitive))
        return fileName;
    return fileName + QStringLiteral(".gsd");
}
