#include "s7access/PlcCheck.h"
#include "s7access/PlcIdentity.h"
#include "s7access/S7Frames.h"
#include "FuzzInput.h"

#include <cstdlib>

// A PLC's answers come from the network: the first byte picks the item count, the rest is the
// frame. Parsing never reads outside the frame, and an answer without error has exactly the
// items asked for, each success carrying no more bytes than the frame.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int itemCount = 1 + data[0] % S7::kMaxItemsPerRequest;
    const QByteArray frame = Fuzz_Bytes(data + 1, size - 1);
    (void)S7::Frame_Length(frame);
    (void)S7::Parse_Connection_Confirm(frame);
    const S7::SetupAnswer setup = S7::Parse_Setup_Communication_Answer(frame, 1);
    if (!setup.error && (setup.pduSize < 24 || setup.pduSize > 0xFFFF))
        std::abort();
    const S7::ReadAnswer answer = S7::Parse_Read_Var_Answer(frame, 1, itemCount);
    if (!answer.error) {
        if (int(answer.items.size()) != itemCount)
            std::abort();
        for (const S7::ItemAnswer &item : answer.items) {
            if (item.data.size() > frame.size())
                std::abort();
            for (std::uint8_t type = 1; type <= 8; ++type) {
                if (const auto value = Decode_Plc_Value(type, item.data))
                    (void)value->text();
            }
        }
    }
    // Read SZL answers: a part never carries more than the frame, and any list it holds,
    // whole or cut short, gives an identity that prints.
    const S7::SzlPart part = S7::Parse_Read_Szl_Answer(frame, 1);
    if (part.data.size() > frame.size())
        std::abort();
    for (const QByteArray &bytes : {part.data, frame}) {
        if (const auto list = S7::Parse_Szl_List(bytes)) {
            PlcIdentity identity;
            identity.apply(*list);
            (void)Plc_Identity_Text(identity);
        }
    }
    return 0;
}
