#include "common/Errors.h"
#include "plcsource/PlcSource.h"
#include "plcsource/PlcTagTable.h"
#include "FuzzInput.h"

#include <cstdlib>

// Any bytes as a data block source, then laid out; every member lies within its block and the
// members come in address order. The same bytes as symbol files.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = Fuzz_Bytes(data, size);
    try {
        PlcSourceSet set;
        Parse_Plc_Source(Decode_Plc_Source(bytes), QStringLiteral("fuzz.db"), set);
        for (const PlcBlockLayout &block : Plc_Layout(set)) {
            if (block.length % 2 != 0 || block.length > kMaxPlcBlockBytes)
                std::abort();
            int previous = 0;
            for (const PlcMemberLayout &m : block.members) {
                const int first = m.byte * 8 + m.bit;
                if (first < previous || first + m.bits > block.length * 8)
                    std::abort();
                previous = first;
            }
            (void)Plc_Layout_Json({block});
        }
    } catch (const PlcSourceError &) {
    }
    try {
        (void)Parse_Asc_Tags(bytes, QStringLiteral("fuzz.asc"));
    } catch (const PlcSourceError &) {
    }
    try {
        (void)Parse_Sdf_Tags(bytes, QStringLiteral("fuzz.sdf"));
    } catch (const PlcSourceError &) {
    }
    return 0;
}
