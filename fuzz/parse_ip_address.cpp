#include "s7access/IpAddress.h"
#include "FuzzInput.h"

#include <cstdlib>

// A text accepted as an address prints back as the same four bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(Fuzz_Bytes(data, size));
    const ParsedIp ip = Parse_IP_Address(text, {1, 2, 3, 4});
    if (!ip.error) {
        const QString dotted = QStringLiteral("%1.%2.%3.%4").arg(ip.bytes[0]).arg(ip.bytes[1]).arg(ip.bytes[2]).arg(ip.bytes[3]);
        const ParsedIp again = Parse_IP_Address(dotted);
        if (again.error || again.bytes != ip.bytes)
            std::abort();
    }
    return 0;
}
