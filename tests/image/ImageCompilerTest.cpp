#include "common/Errors.h"
#include "image/ImageCompiler.h"
#include "support/TempWorkspace.h"
#include "support/TestFiles.h"
#include "ImageTestFiles.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

class ImageCompilerTest : public ::testing::Test
{
protected:
    void compileAndWrite()
    {
        compiler.Compile_Banks(ws.file(QStringLiteral("P/ParGen.xml")), ws.file(QStringLiteral("P/S7_Protocol.xml")));
        compiler.Write_Bank_Files(ws.file(QStringLiteral("P")));
    }
    QByteArray bank(int n) const { return ws.read(QStringLiteral("P/bin/bank%1.bin").arg(n)); }

    TempWorkspace ws;
    ImageCompiler compiler;
};

TEST_F(ImageCompilerTest, EmptyProjectWritesBothImagesAndCreatesBin)
{
    ws.mkdir(QStringLiteral("P"));
    compileAndWrite();
    EXPECT_EQ(bank(1).size(), 2048);
    EXPECT_EQ(bank(1).mid(0x7FC), From_Hex_Text("8A 0D 00 00"));
    EXPECT_EQ(bank(2), QByteArray(28672, '\0'));
    EXPECT_EQ(compiler.ruleCount(), 0);
}

TEST_F(ImageCompilerTest, RecompilingReplacesLongerFilesAndIsRepeatable)
{
    ws.write(QStringLiteral("P/S7_Protocol.xml"), S7_Protocol_Xml({kExampleReadRow}, {kExampleWriteRow}));
    ws.write(QStringLiteral("P/bin/bank1.bin"), QByteArray(5000, 'x'));
    ws.write(QStringLiteral("P/bin/bank2.bin"), QByteArray(40000, 'x'));
    compileAndWrite();
    const QByteArray first1 = bank(1), first2 = bank(2);
    EXPECT_EQ(first1.size(), 2048);
    ASSERT_EQ(first2.size(), 28672);
    EXPECT_EQ(first2.left(56), From_Hex_Text(kExampleReadEntry) + From_Hex_Text(kExampleWriteEntry));
    compileAndWrite();
    EXPECT_EQ(bank(1), first1);
    EXPECT_EQ(bank(2), first2);
}

TEST_F(ImageCompilerTest, AFailedCompileLeavesTheFilesAndTheLastImages)
{
    ws.write(QStringLiteral("P/S7_Protocol.xml"), S7_Protocol_Xml({kExampleReadRow}, {}));
    compileAndWrite();
    const QByteArray good1 = bank(1), good2 = bank(2);

    const QByteArray bad[] = {"<S7_Protocol><S7_Protocol_Read></S7_Protocol>",
                              "<S7_Protocol><S7_Protocol_Read/></S7_Protocol>",
                              S7_Protocol_Xml(QList<QByteArray>(1025, R"(Enable="Y")"), {})};
    for (const QByteArray &xml : bad) {
        ws.write(QStringLiteral("P/S7_Protocol.xml"), xml);
        EXPECT_THROW(compileAndWrite(), BrivantError);
        EXPECT_EQ(bank(1), good1);
        EXPECT_EQ(bank(2), good2);
        EXPECT_EQ(compiler.bank1Output(), good1);
        EXPECT_EQ(compiler.ruleCount(), 1);
    }
    ws.write(QStringLiteral("P/S7_Protocol.xml"), S7_Protocol_Xml({}, {}));
    ws.write(QStringLiteral("P/ParGen.xml"), "<Par_Gen>");
    EXPECT_THROW(compileAndWrite(), XmlError);
    EXPECT_EQ(bank(1), good1);
}

TEST_F(ImageCompilerTest, AFileThatCannotBeWrittenIsNamedAndNoImageChanges)
{
    ws.mkdir(QStringLiteral("P"));
    compileAndWrite();
    const QByteArray old1 = bank(1);
    ws.write(QStringLiteral("P/S7_Protocol.xml"), S7_Protocol_Xml({kExampleReadRow}, {}));
    QDir(ws.file(QStringLiteral("P/bin"))).remove(QStringLiteral("bank2.bin"));
    ws.mkdir(QStringLiteral("P/bin/bank2.bin")); // a folder where the image belongs
    try {
        compileAndWrite();
        FAIL() << "no error";
    } catch (const FileError &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("bank2.bin"))) << e.text().toStdString();
    }
    EXPECT_EQ(bank(1), old1);

    ImageCompiler fresh;
    EXPECT_THROW(fresh.Write_Bank_Files(ws.file(QStringLiteral("P"))), BrivantError);
    ws.write(QStringLiteral("Q"), "a file, not a folder");
    EXPECT_THROW(compiler.Write_Bank_Files(ws.file(QStringLiteral("Q"))), FileError);
}

} // namespace
