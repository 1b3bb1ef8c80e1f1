#include "common/TextUtil.h"
#include "FuzzInput.h"

#include <cstdlib>

// Text_To_Int on the bytes as UTF-8 and as UTF-16: the result is the default or a value whose
// decimal text converts back to itself.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = Fuzz_Bytes(data, size);
    const QString texts[] = {QString::fromUtf8(bytes),
                             QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2)};
    for (const QString &text : texts) {
        const int value = Text_To_Int(text, -7);
        if (value != -7 && Text_To_Int(QString::number(value), -7) != value)
            std::abort();
        (void)Trim_Text(text);
    }
    return 0;
}
