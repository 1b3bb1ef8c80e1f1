#include "app/Settings.h"

#include "common/Errors.h"
#include "common/XmlIo.h"

#include <QFileInfo>

namespace {

// The value element `value` of the group `group`, when both exist and it holds text only.
std::optional<QString> settingValue(const XmlElement &root, const QString &group, const QString &value)
{
    const XmlElement g = root.firstChildElement(group);
    if (g.isNull())
        return std::nullopt;
    return XmlValueReader(g).text(value);
}

bool flag(const XmlElement &root, const QString &value)
{
    return settingValue(root, QStringLiteral("lastinternet"), value) == QLatin1String("1");
}

} // namespace

StoredSettings Load_Setting(const QString &settingsFile)
{
    StoredSettings result;
    if (!QFileInfo(settingsFile).isFile())
        return result;
    XmlDocument doc;
    try {
        doc = Load_Xml_File(settingsFile);
    } catch (const BrivantError &) {
        return result; // unreadable or not well-formed: like a missing file
    }
    const XmlElement root = Document_Root(doc);
    AppSettings &s = result.settings;
    result.Project_Name = settingValue(root, QStringLiteral("lastproj"), QStringLiteral("projectname")).value_or(QString());
    s.Ip_Address = settingValue(root, QStringLiteral("lastipadd"), QStringLiteral("ipaddress"))
                       .value_or(QString::fromLatin1(AppSettings::kDefaultIpAddress));
    s.Language = settingValue(root, QStringLiteral("lastlang"), QStringLiteral("language"))
                     .value_or(QString::fromLatin1(AppSettings::kDefaultLanguage));
    s.Enable_Internet = flag(root, QStringLiteral("enable_internet"));
    s.Enable_Update = flag(root, QStringLiteral("enable_update"));
    s.Enable_Jump_Field_Tables = flag(root, QStringLiteral("enable_jump_field_tables"));
    s.Double_Click_Auto_Size = flag(root, QStringLiteral("Double_Click_Auto_Size"));
    return result;
}

void Save_Setting(const QString &settingsFile, const QString &projectName, const AppSettings &settings)
{
    NewXmlDocument x = Create_Xml_Document(QStringLiteral("Conf_Settings"), false);
    const auto group = [&](const QString &name) {
        QDomElement g = x.doc.createElement(name);
        x.root.appendChild(g);
        return g;
    };
    const auto bit = [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); };
    QDomElement proj = group(QStringLiteral("lastproj"));
    Append_Text_Element(x.doc, proj, QStringLiteral("projectname"), projectName);
    QDomElement ip = group(QStringLiteral("lastipadd"));
    Append_Text_Element(x.doc, ip, QStringLiteral("ipaddress"), settings.Ip_Address);
    QDomElement lang = group(QStringLiteral("lastlang"));
    Append_Text_Element(x.doc, lang, QStringLiteral("language"), settings.Language);
    QDomElement net = group(QStringLiteral("lastinternet"));
    Append_Text_Element(x.doc, net, QStringLiteral("enable_internet"), bit(settings.Enable_Internet));
    Append_Text_Element(x.doc, net, QStringLiteral("enable_update"), bit(settings.Enable_Update));
    Append_Text_Element(x.doc, net, QStringLiteral("enable_jump_field_tables"), bit(settings.Enable_Jump_Field_Tables));
    Append_Text_Element(x.doc, net, QStringLiteral("Double_Click_Auto_Size"), bit(settings.Double_Click_Auto_Size));
    Require_Xml_Text(projectName, QStringLiteral("The project name"));
    Require_Xml_Text(settings.Ip_Address, QStringLiteral("The device address"));
    Require_Xml_Text(settings.Language, QStringLiteral("The language name"));
    Save_Xml_Document(x.doc, settingsFile);
}
