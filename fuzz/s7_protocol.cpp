#include "common/Errors.h"
#include "s7access/S7Protocol.h"
#include "s7access/S7Validation.h"
#include "texts/TextTable.h"
#include "FuzzInput.h"

#include <cstdlib>

// S7_Protocol.xml of any bytes as the editor loads it, then validated; a list that validates is
// saved and loaded back unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const TextTable texts = [] {
        TextTable t;
        t.Load_Default_Texts();
        return t;
    }();
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
    if (Parse_S7_Protocol(Fuzz_Bytes(data, size), QStringLiteral("fuzz input"), read, write))
        return 0;
    const PositionLimits limits;
    (void)Controllo_dati_All(read, write, limits, texts);
    if (Controllo_dati(read, write, limits, texts))
        return 0;
    QByteArray saved;
    try {
        saved = Serialize_S7_Protocol(read, write);
    } catch (const ValueError &) {
        return 0;
    }
    S7RuleList read2 = Fresh_Rule_List();
    S7RuleList write2 = Fresh_Rule_List();
    if (Parse_S7_Protocol(saved, QStringLiteral("saved"), read2, write2))
        std::abort();
    if (Serialize_S7_Protocol(read2, write2) != saved)
        std::abort();
    return 0;
}
