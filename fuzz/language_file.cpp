#include "texts/LanguageFile.h"
#include "texts/TextTable.h"
#include "FuzzInput.h"

#include <cstdlib>

// A language file of any bytes: decoded, split and applied line by line; the table keeps its
// 1400 entries.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static TextTable defaults = [] {
        TextTable t;
        t.Load_Default_Texts();
        return t;
    }();
    TextTable table = defaults;
    const QString text = Decode_Language_Bytes(Fuzz_Bytes(data, size));
    for (const QString &line : Split_Language_Lines(text))
        Apply_Language_Line(table, line);
    if (table.Text_Count() != TextTable::kTextCount)
        std::abort();
    QList<int> skipped;
    (void)Write_Language_File(table, &skipped);
    return 0;
}
