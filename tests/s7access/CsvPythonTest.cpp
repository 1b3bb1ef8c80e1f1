// The strict CSV reader against Python's csv module in strict mode on the same text: the fuzz
// corpus and a table of the shapes spreadsheets and hand edits bring. Both read the same rows,
// or both refuse.
#include "s7access/DelimitedText.h"
#include "support/PythonCsv.h"

#include <QDirIterator>
#include <QFile>
#include <QStringDecoder>

#include <gtest/gtest.h>

namespace {

void expectSameAsPython(const QByteArray &bytes, const std::string &label, QChar separator = u',')
{
    QByteArrayView data(bytes);
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(data);
    if (decoder.hasError())
        return; // not text: refused before any reading
    const PythonCsvResult python = Python_Strict_Csv(text.toUtf8(), separator);
    ASSERT_TRUE(python.ran) << "python3 with its csv module is needed";
    const StrictDelimited ours = Parse_Delimited_Strict(text, separator);
    EXPECT_EQ(ours.error.has_value(), python.error.has_value())
        << label << "\nours: " << (ours.error ? ours.error->reason.toStdString() : "read")
        << "\nPython: " << python.error.value_or(QStringLiteral("read")).toStdString();
    if (ours.error || python.error)
        return;
    QList<QStringList> rows;
    for (const DelimitedRow &row : ours.rows)
        rows.append(row.cells);
    EXPECT_EQ(rows, python.rows) << label;
}

TEST(CsvPythonTest, ReadsTheCorpusAsPythonsStrictCsv)
{
    int files = 0;
    QDirIterator it(QStringLiteral(BRIVANT_CSV_CORPUS_DIR), QDir::Files);
    while (it.hasNext()) {
        QFile file(it.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        expectSameAsPython(file.readAll(), file.fileName().toStdString());
        ++files;
    }
    EXPECT_GE(files, 10);
}

TEST(CsvPythonTest, ReadsQuotesLineEndsAndSeparatorsAsPythonsStrictCsv)
{
    const QByteArray cases[] = {
        "a,b\r\nc,d\r\n", "a,b\nc,d", "a\rb\r", "\"a\r\nb\",c\r\n", "\"a\rb\"\r", "\"\"\n", "\"\"\"\"\n",
        "a,\n", ",\n", ",,\n\n\n", "\"a\"\"b\",\"\"\n", "a\"b,c\n", "\"a\"b\n", "\"a\" \n", "\"a\"\"\n", "\"a\n",
        "\"a\"\r\n\"b\"", " \"a\",b\n", "a,\"b\nc\"d\n", "\xC3\xA9,\xE2\x82\xAC\n", QByteArray("a\0b,c\n", 6), "\n",
        "\"a,b\",\"c\nd\",e\n", "x\r\n\r\ny\r\n",
    };
    for (const QByteArray &bytes : cases)
        expectSameAsPython(bytes, bytes.toStdString());
    for (const QByteArray &bytes : {QByteArray("a\tb\n\"c\td\"\te\n"), QByteArray("\"a\"x\tb\n")})
        expectSameAsPython(bytes, bytes.toStdString(), u'\t');
}

} // namespace
