#include "app/Settings.h"
#include "common/Errors.h"
#include "support/TempWorkspace.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

QByteArray settingsXml(const char *inner)
{
    return QByteArray("<Conf_Settings>") + inner + "</Conf_Settings>";
}

constexpr const char *kFull =
    "<lastproj><projectname>Plant 7</projectname></lastproj>"
    "<lastipadd><ipaddress>10.1.2.3</ipaddress></lastipadd>"
    "<lastlang><language>Deutsch</language></lastlang>"
    "<lastinternet><enable_internet>1</enable_internet><enable_update>1</enable_update>"
    "<enable_jump_field_tables>1</enable_jump_field_tables><Double_Click_Auto_Size>1</Double_Click_Auto_Size></lastinternet>";

struct Expect
{
    QString project;
    QString ip;
    QString language;
    bool internet, update, jump, autoSize;
};

void expectSettings(const StoredSettings &s, const Expect &e, const char *what)
{
    EXPECT_EQ(s.Project_Name, e.project) << what;
    EXPECT_EQ(s.settings.Ip_Address, e.ip) << what;
    EXPECT_EQ(s.settings.Language, e.language) << what;
    EXPECT_EQ(s.settings.Enable_Internet, e.internet) << what;
    EXPECT_EQ(s.settings.Enable_Update, e.update) << what;
    EXPECT_EQ(s.settings.Enable_Jump_Field_Tables, e.jump) << what;
    EXPECT_EQ(s.settings.Double_Click_Auto_Size, e.autoSize) << what;
}

const Expect kDefaults{QString(), QStringLiteral("192.168.2.205"), QStringLiteral("English"), false, false, false, false};

TEST(LoadSettingTest, ReadsEachValueOnItsOwn)
{
    struct Case
    {
        const char *what;
        QByteArray file;
        Expect expected;
    };
    const QList<Case> cases = {
        {"everything set", settingsXml(kFull),
         {QStringLiteral("Plant 7"), QStringLiteral("10.1.2.3"), QStringLiteral("Deutsch"), true, true, true, true}},
        {"only enable_internet",
         settingsXml("<lastinternet><enable_internet>1</enable_internet></lastinternet>"),
         {QString(), QStringLiteral("192.168.2.205"), QStringLiteral("English"), true, false, false, false}},
        {"flags are true only for \"1\"",
         settingsXml("<lastinternet><enable_internet> 1</enable_internet><enable_update>true</enable_update>"
                     "<enable_jump_field_tables>1 </enable_jump_field_tables><Double_Click_Auto_Size>01"
                     "</Double_Click_Auto_Size></lastinternet>"),
         kDefaults},
        {"empty ipaddress stays empty",
         settingsXml("<lastipadd><ipaddress></ipaddress></lastipadd><lastlang><language/></lastlang>"),
         {QString(), QString(), QString(), false, false, false, false}},
        {"letter case of names matters",
         settingsXml("<LastProj><projectname>x</projectname></LastProj><lastinternet>"
                     "<double_click_auto_size>1</double_click_auto_size></lastinternet>"),
         kDefaults},
        {"a value holding elements is a failure",
         settingsXml("<lastproj><projectname><b>x</b></projectname></lastproj>"
                     "<lastipadd><ipaddress>1.2.3.4<i/></ipaddress></lastipadd>"),
         kDefaults},
        {"values are not trimmed",
         settingsXml("<lastproj><projectname> A b </projectname></lastproj>"),
         {QStringLiteral(" A b "), QStringLiteral("192.168.2.205"), QStringLiteral("English"), false, false, false, false}},
        {"another root name and a declaration before it",
         QByteArray("<?xml version=\"1.0\"?>\n<!-- saved by hand -->\n<Settings>") + kFull + "</Settings>",
         {QStringLiteral("Plant 7"), QStringLiteral("10.1.2.3"), QStringLiteral("Deutsch"), true, true, true, true}},
        {"not well-formed reads like a missing file", QByteArray("<Conf_Settings><lastproj>"), kDefaults},
        {"binary garbage", QByteArray("\x00\xFF\xFE<\x01", 5), kDefaults},
        {"empty file", QByteArray(), kDefaults},
    };
    for (const Case &c : cases) {
        TempWorkspace ws;
        expectSettings(Load_Setting(ws.write(QStringLiteral("Brivant.xml"), c.file)), c.expected, c.what);
    }
    TempWorkspace ws;
    expectSettings(Load_Setting(ws.file(QStringLiteral("Brivant.xml"))), kDefaults, "missing file");
}

TEST(SaveSettingTest, WritesTheExactDocumentAndReadsBackTheSame)
{
    TempWorkspace ws;
    const QString path = ws.file(QStringLiteral("Brivant.xml"));
    AppSettings s;
    s.Ip_Address = QStringLiteral("10.0.0.7");
    s.Enable_Update = true;
    s.Double_Click_Auto_Size = true;
    Save_Setting(path, QStringLiteral("Line <1> & \"2\""), s);
    EXPECT_EQ(ws.read(QStringLiteral("Brivant.xml")),
              QByteArray("<Conf_Settings><lastproj><projectname>Line &lt;1> &amp; \"2\"</projectname></lastproj>"
                         "<lastipadd><ipaddress>10.0.0.7</ipaddress></lastipadd>"
                         "<lastlang><language>English</language></lastlang>"
                         "<lastinternet><enable_internet>0</enable_internet><enable_update>1</enable_update>"
                         "<enable_jump_field_tables>0</enable_jump_field_tables>"
                         "<Double_Click_Auto_Size>1</Double_Click_Auto_Size></lastinternet></Conf_Settings>"));
    const StoredSettings back = Load_Setting(path);
    expectSettings(back, {QStringLiteral("Line <1> & \"2\""), QStringLiteral("10.0.0.7"), QStringLiteral("English"),
                          false, true, false, true}, "read back");
}

TEST(SaveSettingTest, ReportsAFolderThatCannotBeWrittenAndKeepsTheOldFile)
{
    TempWorkspace ws;
    EXPECT_THROW(Save_Setting(ws.file(QStringLiteral("missing/Brivant.xml")), QString(), AppSettings{}), FileError);

    const QString path = ws.write(QStringLiteral("Brivant.xml"), settingsXml(kFull));
    EXPECT_THROW(Save_Setting(path, QStringLiteral("bad\x01name"), AppSettings{}), ValueError);
    EXPECT_EQ(ws.read(QStringLiteral("Brivant.xml")), settingsXml(kFull));
}

} // namespace
