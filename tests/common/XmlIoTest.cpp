#include "common/Errors.h"
#include "common/SafeFile.h"
#include "common/XmlIo.h"
#include "support/TempWorkspace.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

TEST(XmlIoTest, RootIsTheFirstElementWhateverComesBefore)
{
    for (const char *text : {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Root><a>1</a></Root>",
                             "<!-- saved by an editor --><?pi x?><Root><a>1</a></Root><!--SW_VERSION = 1.002-->",
                             "<Other><a>1</a></Other>"}) {
        const XmlDocument doc = Parse_Xml(QByteArray(text), QStringLiteral("test"));
        EXPECT_EQ(XmlValueReader(Document_Root(doc)).text(QStringLiteral("a")), QStringLiteral("1")) << text;
    }
}

TEST(XmlIoTest, ValueReaderTakesTheFirstElementAndRefusesNestedOnes)
{
    const XmlDocument doc = Parse_Xml("<R><a>first</a><a>second</a><b><c/></b><e></e><n> 12</n></R>",
                                       QStringLiteral("test"));
    const XmlValueReader r(Document_Root(doc));
    EXPECT_EQ(r.text(QStringLiteral("a")), QStringLiteral("first"));
    EXPECT_EQ(r.text(QStringLiteral("b")), std::nullopt);
    EXPECT_EQ(r.text(QStringLiteral("missing")), std::nullopt);
    EXPECT_EQ(r.text(QStringLiteral("e")), QString());
    EXPECT_EQ(r.integer(QStringLiteral("n"), 5), 12);
    EXPECT_EQ(r.integer(QStringLiteral("a"), 5), 5);
    EXPECT_EQ(r.integer(QStringLiteral("missing"), 9), 9);
}

TEST(XmlIoTest, MalformedXmlNamesTheFileAndPlace)
{
    TempWorkspace ws;
    const QString path = ws.write(QStringLiteral("bad.xml"), "<a><b></a>");
    try {
        Load_Xml_File(path);
        FAIL() << "no error";
    } catch (const XmlError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("bad.xml"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QStringLiteral("line 1"))) << e.text().toStdString();
    }
    EXPECT_THROW(Load_Xml_File(ws.file(QStringLiteral("missing.xml"))), FileError);
}

TEST(XmlIoTest, WritesRootFirstThenTheVersionCommentWithoutDeclarationOrIndentation)
{
    NewXmlDocument x = Create_Xml_Document(QStringLiteral("Par_Gen"), true);
    Append_Text_Element(x.doc, x.root, QStringLiteral("A"), QStringLiteral("<&> \"q\" é"));
    Append_Text_Element(x.doc, x.root, QStringLiteral("B"), QString());
    const QByteArray bytes = Serialize_Xml(x.doc);
    EXPECT_TRUE(bytes.startsWith("<Par_Gen><A>&lt;&amp;> \"q\" \xc3\xa9</A><B>")) << bytes.constData();
    EXPECT_TRUE(bytes.trimmed().endsWith("</Par_Gen><!--SW_VERSION = 1.002-->")) << bytes.constData();
    EXPECT_FALSE(bytes.contains("<?xml"));
    const XmlDocument back = Parse_Xml(bytes, QStringLiteral("test"));
    EXPECT_EQ(XmlValueReader(Document_Root(back)).text(QStringLiteral("A")), QStringLiteral("<&> \"q\" é"));
}

TEST(XmlIoTest, TextsOfBlanksAloneSurviveTheRoundTrip)
{
    NewXmlDocument x = Create_Xml_Document(QStringLiteral("R"), false);
    for (const QString &t : {QStringLiteral(" "), QStringLiteral("\t \n"), QStringLiteral("  x  ")})
        Append_Text_Element(x.doc, x.root, QStringLiteral("A"), t);
    const XmlDocument back = Parse_Xml(Serialize_Xml(x.doc), QStringLiteral("test"));
    QStringList texts;
    for (XmlElement e = Document_Root(back).firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        texts << Element_Text(e).value_or(QStringLiteral("?"));
    EXPECT_EQ(texts, (QStringList{QStringLiteral(" "), QStringLiteral("\t \n"), QStringLiteral("  x  ")}));
}

TEST(XmlIoTest, RefusesCharactersXmlCannotCarry)
{
    EXPECT_EQ(First_Invalid_Xml_Char(u"ok\ttab\nlf\rcr é 😀"), -1);
    EXPECT_EQ(First_Invalid_Xml_Char(u"a\x01"), 1);
    EXPECT_EQ(First_Invalid_Xml_Char(QStringView(u"a\0", 2)), 1);
    EXPECT_EQ(First_Invalid_Xml_Char(u"\uFFFE"), 0);
    EXPECT_EQ(First_Invalid_Xml_Char(QString(QChar(0xD800))), 0);
    EXPECT_EQ(First_Invalid_Xml_Char(QString(QChar(0xDC00)) + QStringLiteral("x")), 0);
    try {
        Require_Xml_Text(u"ab\x07", QStringLiteral("Read row 3, Mnemonic"));
        FAIL() << "no error";
    } catch (const ValueError &e) {
        EXPECT_EQ(e.text(), QStringLiteral("Read row 3, Mnemonic holds a character that an XML file cannot "
                                           "carry (U+0007 at position 3)"));
    }
}

TEST(SafeFileTest, ReplacesWholeFileAndReportsTheReason)
{
    TempWorkspace ws;
    const QString path = ws.write(QStringLiteral("f.bin"), "old contents that are long");
    Write_File_Safely(path, "new");
    EXPECT_EQ(ws.read(QStringLiteral("f.bin")), QByteArray("new"));
    try {
        Write_File_Safely(ws.file(QStringLiteral("no/such/folder/f.bin")), "x");
        FAIL() << "no error";
    } catch (const FileError &e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("Cannot write "))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QStringLiteral("f.bin")));
    }
}

} // namespace
