#include "commparams/CommParams.h"

#include "common/SafeFile.h"
#include "common/TextUtil.h"
#include "common/XmlIo.h"
#include "texts/TextId.h"

#include <QFileInfo>

namespace {

const char *const kElementNames[CommParams::FieldCount] = {
    "S7_Protocol_IP1",  "S7_Protocol_IP2",  "S7_Protocol_IP3",  "S7_Protocol_IP4",
    "S7_Protocol_SM1",  "S7_Protocol_SM2",  "S7_Protocol_SM3",  "S7_Protocol_SM4",
    "S7_Protocol_GAT1", "S7_Protocol_GAT2", "S7_Protocol_GAT3", "S7_Protocol_GAT4",
    "PROFIBUS_ID_Device", "PROFINET_NB_IN", "PROFINET_NB_OUT",
};

// The gateway switch sits between the gateway octets and the station address in the file.
constexpr const char *kGatewaySwitch = "S7_Protocol_EN_GAT";

QString name(const char *latin1)
{
    return QString::fromLatin1(latin1);
}

// Opens the file and returns its root, or a null element when the file does not exist.
XmlElement Load_ParGen_Root(const QString &parGenFile, XmlDocument &doc)
{
    if (Name_Is_Missing(parGenFile))
        return {};
    doc = Load_Xml_File(parGenFile);
    return Document_Root(doc);
}

} // namespace

QString CommParams::elementName(Field field)
{
    return name(kElementNames[field]);
}

CommParams CommParams::windowDefaults()
{
    CommParams p;
    const char *const defaults[FieldCount] = {"192", "168", "0", "5", "255", "255", "255", "0",
                                              "192", "168", "0", "1", "10",  "244", "244"};
    for (int i = 0; i < FieldCount; ++i)
        p.texts[i] = name(defaults[i]);
    p.gatewayEnabled = false;
    return p;
}

CommParams Read_ParGen_For_Window(const QString &parGenFile)
{
    XmlDocument doc;
    Load_ParGen_Root(parGenFile, doc);
    return Read_ParGen_Document(doc);
}

CommParams Read_ParGen_Document(const XmlDocument &doc)
{
    CommParams params = CommParams::windowDefaults();
    const XmlElement root = Document_Root(doc);
    if (root.isNull())
        return params;
    const XmlValueReader reader(root);
    for (int i = 0; i < CommParams::FieldCount; ++i) {
        if (const auto text = reader.text(CommParams::elementName(CommParams::Field(i))))
            params.texts[i] = *text;
    }
    params.gatewayEnabled = reader.text(name(kGatewaySwitch)) == QStringLiteral("1");
    return params;
}

void Write_ParGen(const QString &parGenFile, const CommParams &params, KeepHistory history)
{
    for (int i = 0; i < CommParams::FieldCount; ++i)
        Require_Xml_Text(params.texts[i], QStringLiteral("ParGen.xml, %1").arg(CommParams::elementName(CommParams::Field(i))));

    NewXmlDocument x = Create_Xml_Document(QStringLiteral("Par_Gen"), true);
    const auto append = [&](int field) {
        Append_Text_Element(x.doc, x.root, CommParams::elementName(CommParams::Field(field)), params.texts[field]);
    };
    for (int i = CommParams::S7_Protocol_IP1; i <= CommParams::S7_Protocol_GAT4; ++i)
        append(i);
    Append_Text_Element(x.doc, x.root, name(kGatewaySwitch),
                        params.gatewayEnabled ? QStringLiteral("1") : QStringLiteral("0"));
    for (int i = CommParams::PROFIBUS_ID_Device; i < CommParams::FieldCount; ++i)
        append(i);
    Keep_In_History(parGenFile, Serialize_Xml(x.doc), history);
    Save_Xml_Document(x.doc, parGenFile);
}

std::optional<CommParamsFault> Controllo_Dati(const CommParams &params)
{
    struct Check
    {
        CommParams::Field field;
        int low;
        int high;
        int textId;
    };
    using F = CommParams;
    static constexpr Check checks[] = {
        {F::S7_Protocol_IP1, 0, 255, TextId::ParGen_ErrorS7commIPAddress10},
        {F::S7_Protocol_IP2, 0, 255, TextId::ParGen_ErrorS7commIPAddress20},
        {F::S7_Protocol_IP3, 0, 255, TextId::ParGen_ErrorS7commIPAddress30},
        {F::S7_Protocol_IP4, 0, 255, TextId::ParGen_ErrorS7commIPAddress40},
        {F::S7_Protocol_SM1, 0, 255, TextId::ParGen_ErrorS7commSubNetMask10},
        {F::S7_Protocol_SM2, 0, 255, TextId::ParGen_ErrorS7commSubNetMask20},
        {F::S7_Protocol_SM3, 0, 255, TextId::ParGen_ErrorS7commSubNetMask30},
        {F::S7_Protocol_SM4, 0, 255, TextId::ParGen_ErrorS7commSubNetMask40},
        {F::S7_Protocol_GAT1, 0, 255, TextId::ParGen_ErrorS7commGATEWAYIP10},
        {F::S7_Protocol_GAT2, 0, 255, TextId::ParGen_ErrorS7commGATEWAYIP20},
        {F::S7_Protocol_GAT3, 0, 255, TextId::ParGen_ErrorS7commGATEWAYIP30},
        {F::S7_Protocol_GAT4, 0, 255, TextId::ParGen_ErrorS7commGATEWAYIP40},
        {F::PROFIBUS_ID_Device, 1, 125, TextId::ParGen_ErrorPROFIBUSIDDevice1125},
        {F::PROFINET_NB_IN, 0, 244, TextId::ParGen_ErrorPROFIBUSNumberBytesInput0},
        {F::PROFINET_NB_OUT, 0, 244, TextId::ParGen_ErrorPROFIBUSNumberBytesOutPut0},
    };
    for (const Check &c : checks) {
        const bool gatewayField = c.field >= F::S7_Protocol_GAT1 && c.field <= F::S7_Protocol_GAT4;
        if (gatewayField && !params.gatewayEnabled)
            continue;
        const int value = Text_To_Int(params.texts[c.field], -1);
        if (value < c.low || value > c.high)
            return CommParamsFault{c.field, c.textId};
    }
    return std::nullopt;
}

std::optional<CompilerParGen> Read_ParGen_For_Compiler(const QString &parGenFile)
{
    if (Name_Is_Missing(parGenFile))
        return std::nullopt;
    const XmlDocument doc = Load_Xml_File(parGenFile);
    const XmlValueReader reader(Document_Root(doc));
    const auto octets = [&](int first, std::array<int, 4> defaults) {
        std::array<std::uint8_t, 4> bytes{};
        for (int i = 0; i < 4; ++i)
            bytes[i] = static_cast<std::uint8_t>(reader.integer(CommParams::elementName(CommParams::Field(first + i)), defaults[i]));
        return bytes;
    };
    CompilerParGen values;
    values.ipAddress = octets(CommParams::S7_Protocol_IP1, {192, 168, 0, 10});
    values.subnetMask = octets(CommParams::S7_Protocol_SM1, {255, 255, 255, 0});
    values.gateway = octets(CommParams::S7_Protocol_GAT1, {192, 168, 0, 1});
    values.gatewayEnabled = reader.text(name(kGatewaySwitch)) == QStringLiteral("1");
    if (!values.gatewayEnabled)
        values.gateway = {255, 255, 255, 255};
    values.stationAddress = static_cast<std::uint8_t>(reader.integer(CommParams::elementName(CommParams::PROFIBUS_ID_Device), 10));
    values.nbIn = reader.integer(CommParams::elementName(CommParams::PROFINET_NB_IN), 244);
    values.nbOut = reader.integer(CommParams::elementName(CommParams::PROFINET_NB_OUT), 244);
    return values;
}

ParGenCounts Read_ParGen_Counts(const QString &parGenFile)
{
    const XmlDocument doc = Load_Xml_File(parGenFile);
    const XmlValueReader reader(Document_Root(doc));
    return {reader.integer(CommParams::elementName(CommParams::PROFINET_NB_IN), 0),
            reader.integer(CommParams::elementName(CommParams::PROFINET_NB_OUT), 0)};
}
