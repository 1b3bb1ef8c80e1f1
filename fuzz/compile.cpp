#include "common/Errors.h"
#include "common/XmlIo.h"
#include "image/Bank1Block.h"
#include "image/Bank2Table.h"
#include "image/BankDump.h"
#include "FuzzInput.h"

#include <cstdlib>

// S7_Protocol.xml of any bytes compiled into the rule table, then decoded again: a clear
// error or a table whose used entries match the count.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Bank2Table table;
    int count = 0;
    try {
        const XmlDocument doc = Parse_Xml(Fuzz_Bytes(data, size), QStringLiteral("fuzz input"));
        table.Clear_Bank2();
        count = table.Load_S7_Protocol_Bank2(doc, QStringLiteral("fuzz input"));
    } catch (const BrivantError &) {
        return 0;
    }
    if (count < 0 || count > Bank2Table::kEntryCount)
        std::abort();
    QByteArray bank2;
    if (table.Store_Bank2(bank2) != static_cast<qsizetype>(Bank2Table::kSize))
        std::abort();
    const BankDump dump = Describe_Bank2(bank2);
    if (dump.lines.size() != count + 2 || !dump.consistent)
        std::abort();

    Bank1Block block;
    block.Set_Bank2_Address(Bank1Block::kBank2DeviceAddress);
    block.Set_Rule_Count(static_cast<std::uint32_t>(count));
    QByteArray bank1;
    block.Store_Bank1(bank1);
    if (!Describe_Bank1(bank1).consistent)
        std::abort();
    return 0;
}
