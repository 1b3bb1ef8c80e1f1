#include "common/Errors.h"
#include "plcsource/PlcSource.h"
#include "plcsource/PlcTagTable.h"
#include "support/TempWorkspace.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

QByteArray ascLine(const char *name, const char *address, const char *type, const char *comment)
{
    return "126," + QByteArray(name).leftJustified(24, ' ') + QByteArray(address).leftJustified(12, ' ')
           + QByteArray(type).leftJustified(10, ' ') + QByteArray(comment).leftJustified(80, ' ') + "\r\n";
}

struct TagCase
{
    const char *address;
    const char *type;
    char area;
    int byte;
    int bit;
    int bits;
    const char *skip; // a part of the reason, or null
};

const TagCase kTags[] = {
    {"%I3.4", "Bool", 'I', 3, 4, 1, nullptr},
    {"E       3.4", "BOOL", 'I', 3, 4, 1, nullptr},
    {"A       4.1", "BOOL", 'Q', 4, 1, 1, nullptr},
    {"%QB5", "Byte", 'Q', 5, 0, 8, nullptr},
    {"%MW20", "Int", 'M', 20, 0, 16, nullptr},
    {"MD     24", "REAL", 'M', 24, 0, 32, nullptr},
    {"ED 8", "DWORD", 'I', 8, 0, 32, nullptr},
    {"%M0.0", "Bool", 'M', 0, 0, 1, nullptr},
    {"PEW 256", "WORD", 0, 0, 0, 0, "not in the inputs"},
    {"T 1", "TIMER", 0, 0, 0, 0, "not in the inputs"},
    {"DB 10", "DB 10", 0, 0, 0, 0, "not in the inputs"},
    {"%MW20", "Bool", 'M', 20, 0, 0, "does not fit"},
    {"%MD4", "LReal", 'M', 4, 0, 0, "no rule data type"},
    {"%I3.9", "Bool", 'I', 3, 9, 0, "not a valid"},
    {"%IW3.1", "Word", 'I', 3, 1, 0, "not a valid"},
};

TEST(PlcTagTableTest, AddressesAndTypes)
{
    for (const TagCase &c : kTags) {
        SCOPED_TRACE(c.address);
        PlcTag tag;
        tag.address = QString::fromLatin1(c.address);
        tag.typeName = QString::fromLatin1(c.type).toUpper();
        Resolve_Plc_Tag(tag);
        if (c.skip) {
            EXPECT_TRUE(tag.skipReason.contains(QLatin1String(c.skip))) << tag.skipReason.toStdString();
            continue;
        }
        EXPECT_EQ(tag.skipReason, QString());
        EXPECT_EQ(tag.area, QChar(c.area));
        EXPECT_EQ(tag.byte, c.byte);
        EXPECT_EQ(tag.bit, c.bit);
        EXPECT_EQ(tag.bits, c.bits);
    }
}

TEST(PlcTagTableTest, AscAndSdfFiles)
{
    TempWorkspace ws;
    const QString asc = ws.write(QStringLiteral("Symbols.ASC"),
                                 ascLine("Motor_On", "E       0.0", "BOOL", "Motor l\xe4uft")
                                     + ascLine("Speed", "MW     20", "INT", "")
                                     + ascLine("Timer1", "T       1", "TIMER", "") + "\r\n");
    const auto tags = Load_Plc_Tag_Table(asc);
    ASSERT_EQ(tags.size(), 3u);
    EXPECT_EQ(tags[0].name, QStringLiteral("Motor_On"));
    EXPECT_EQ(tags[0].comment, QStringLiteral("Motor l\u00e4uft"));
    EXPECT_EQ(tags[0].area, QChar(u'I'));
    EXPECT_EQ(tags[1].bits, 16);
    EXPECT_EQ(tags[1].line, 2);
    EXPECT_FALSE(tags[2].skipReason.isEmpty());

    const QString sdf = ws.write(QStringLiteral("Symbols.sdf"),
                                 "\"Valve_Open              \",\"A       4.1 \",\"BOOL      \",\"the valve\"\r\n"
                                 "\"Level                   \",\"MD     24   \",\"REAL      \",\"\"\r\n");
    const auto sdfTags = Load_Plc_Tag_Table(sdf);
    ASSERT_EQ(sdfTags.size(), 2u);
    EXPECT_EQ(sdfTags[0].name, QStringLiteral("Valve_Open"));
    EXPECT_EQ(sdfTags[0].area, QChar(u'Q'));
    EXPECT_EQ(sdfTags[1].byte, 24);

    const QString bad = ws.write(QStringLiteral("bad.asc"), ascLine("a", "M 0.0", "BOOL", "") + "127,x\n");
    try {
        Load_Plc_Tag_Table(bad);
        ADD_FAILURE() << "not refused";
    } catch (const PlcSourceError &e) {
        EXPECT_EQ(e.line(), 2);
    }
    EXPECT_THROW(Load_Plc_Tag_Table(ws.write(QStringLiteral("x.txt"), "a")), FileError);
}

// Debian's python3-openpyxl writes the spreadsheets, as the engineering tool's export would.
QString debianPython()
{
    return QFileInfo::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3") : QString();
}

bool runPython(const QString &script, const QStringList &args)
{
    QProcess p;
    p.start(debianPython(), QStringList{QStringLiteral("-c"), script} + args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool haveOpenpyxl()
{
    return !debianPython().isEmpty() && runPython(QStringLiteral("import openpyxl"), {});
}

TEST(PlcTagTableTest, XlsxFromOpenpyxl)
{
    if (!haveOpenpyxl())
        GTEST_SKIP() << "Debian's python3-openpyxl is not installed (apt-get install python3-openpyxl)";
    TempWorkspace ws;
    const QString file = ws.file(QStringLiteral("PLCTags.xlsx"));
    const QString script = QStringLiteral(
        "import sys, openpyxl\n"
        "wb = openpyxl.Workbook()\n"
        "wb.active.title = 'Other'\n"
        "ws = wb.create_sheet('PLC Tags')\n"
        "ws.append(['Name', 'Path', 'Data Type', 'Logical Address', 'Comment', 'Hmi Visible'])\n"
        "ws.append(['Start', 'Default tag table', 'Bool', '%I3.4', 'Start button', True])\n"
        "ws.append(['Speed', 'Default tag table', 'Int', '%MW20', 'M\\u00f6tor', True])\n"
        "ws.append(['Out', 'Default tag table', 'Byte', '%QB5', None, True])\n"
        "ws.append(['Big', 'Default tag table', 'LReal', '%MD30', None, True])\n"
        "wb.save(sys.argv[1])\n");
    ASSERT_TRUE(runPython(script, {file}));
    const auto tags = Load_Plc_Tag_Table(file);
    ASSERT_EQ(tags.size(), 4u);
    EXPECT_EQ(tags[0].name, QStringLiteral("Start"));
    EXPECT_EQ(tags[0].area, QChar(u'I'));
    EXPECT_EQ(tags[0].byte, 3);
    EXPECT_EQ(tags[0].bit, 4);
    EXPECT_EQ(tags[1].comment, QStringLiteral("M\u00f6tor"));
    EXPECT_EQ(tags[1].bits, 16);
    EXPECT_EQ(tags[1].line, 3);
    EXPECT_EQ(tags[2].area, QChar(u'Q'));
    EXPECT_FALSE(tags[3].skipReason.isEmpty());
}

TEST(PlcTagTableTest, XlsxZipBombAndDamageAreRefused)
{
    if (!haveOpenpyxl())
        GTEST_SKIP() << "Debian's python3-openpyxl is not installed (apt-get install python3-openpyxl)";
    TempWorkspace ws;
    // A sheet entry that unpacks to 20 MB of blanks from a few kB.
    const QString bomb = ws.file(QStringLiteral("bomb.xlsx"));
    ASSERT_TRUE(runPython(QStringLiteral(
        "import sys, zipfile\n"
        "z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)\n"
        "z.writestr('xl/workbook.xml', '<workbook><sheets><sheet name=\"PLC Tags\" r:id=\"rId1\" xmlns:r=\"r\"/></sheets></workbook>')\n"
        "z.writestr('xl/_rels/workbook.xml.rels', '<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/></Relationships>')\n"
        "z.writestr('xl/worksheets/sheet1.xml', '<worksheet>' + ' ' * (20 * 1024 * 1024) + '</worksheet>')\n"
        "z.close()\n"), {bomb}));
    try {
        Load_Plc_Tag_Table(bomb);
        ADD_FAILURE() << "not refused";
    } catch (const FileError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("unpacks to more than"))) << e.text().toStdString();
    }
    const QString many = ws.file(QStringLiteral("many.xlsx"));
    ASSERT_TRUE(runPython(QStringLiteral(
        "import sys, zipfile\n"
        "z = zipfile.ZipFile(sys.argv[1], 'w')\n"
        "for i in range(1001): z.writestr('e%d' % i, '')\n"
        "z.close()\n"), {many}));
    EXPECT_THROW(Load_Plc_Tag_Table(many), FileError);
    EXPECT_THROW(Load_Plc_Tag_Table(ws.write(QStringLiteral("not.xlsx"), "PK no zip")), FileError);
}

} // namespace
