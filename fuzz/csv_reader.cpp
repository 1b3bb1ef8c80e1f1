#include "FuzzInput.h"
#include "s7access/DelimitedText.h"
#include "s7access/S7RuleCsv.h"

#include <QStringDecoder>
#include <cstdlib>

// Any bytes through the strict CSV reader and the rule import. What the reader reads, written
// again and read back, gives the same rows; rows start on rising lines; a refusal names a line
// within the text. What the import takes, exported and imported again, gives the same rules.
// (tests/s7access/CsvPythonTest.cpp holds the same corpus against Python's strict csv module.)
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = Fuzz_Bytes(data, size);
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (!decoder.hasError()) {
        const StrictDelimited parsed = Parse_Delimited_Strict(text, u',');
        const int lines = Delimited_Line_Column(text, text.size()).first;
        int last = 0;
        for (const DelimitedRow &row : parsed.rows) {
            if (row.line <= last || row.line > lines)
                std::abort();
            last = row.line;
        }
        if (parsed.error && (parsed.error->line < last || parsed.error->line > lines))
            std::abort();
        if (!parsed.error) {
            // A row of one empty cell and a blank line are the same line of text.
            QList<QStringList> rows;
            for (const DelimitedRow &row : parsed.rows)
                rows.append(row.cells.isEmpty() ? QStringList{QString()} : row.cells);
            const StrictDelimited again = Parse_Delimited_Strict(Format_Delimited(rows, u','), u',');
            if (again.error || again.rows.size() != rows.size())
                std::abort();
            for (qsizetype i = 0; i < rows.size(); ++i) {
                const QStringList cells = again.rows[i].cells.isEmpty() ? QStringList{QString()} : again.rows[i].cells;
                if (cells != rows[i])
                    std::abort();
            }
        }
    }

    S7RuleList read;
    S7RuleList write;
    if (!Csv_To_Rules(bytes, read, write)) {
        S7RuleList read2;
        S7RuleList write2;
        if (Csv_To_Rules(Rules_To_Csv(read, write), read2, write2) || read2 != read || write2 != write)
            std::abort();
    }
    return 0;
}
