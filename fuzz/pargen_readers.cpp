#include "common/Errors.h"
#include "commparams/CommParams.h"
#include "gsd/GsdGenerator.h"
#include "image/Bank1Block.h"
#include "s7access/S7Protocol.h"
#include "FuzzInput.h"

// ParGen.xml of any bytes through every reader: a clear error or the readers' defaults. What
// the window reads is validated and, when valid, written and read back.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = Fuzz_File(QStringLiteral("ParGen.xml"), Fuzz_Bytes(data, size));
    try {
        const CommParams params = Read_ParGen_For_Window(path);
        (void)Read_ParGen_For_Compiler(path);
        (void)Read_ParGen_Counts(path);
        (void)Load_Position_Limits(path);
        Bank1Block block;
        block.Load_ParGen_Bank1(path);
        QByteArray image;
        block.Store_Bank1(image);
        const GsdGenerator::Counts counts = GsdGenerator::Read_Gsd_Counts(path);
        try {
            (void)GsdGenerator::Build_GSD_Text(counts);
        } catch (const ValueError &) {
        }
        if (!Controllo_Dati(params)) {
            const QString copy = Fuzz_File(QStringLiteral("ParGen_copy.xml"), QByteArray());
            Write_ParGen(copy, params);
            const CommParams back = Read_ParGen_For_Window(copy);
            if (back.texts != params.texts || back.gatewayEnabled != params.gatewayEnabled)
                std::abort();
        }
    } catch (const BrivantError &) {
    }
    return 0;
}
