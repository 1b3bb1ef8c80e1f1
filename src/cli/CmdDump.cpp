#include "cli/CliArgs.h"
#include "cli/CliIo.h"
#include "cli/Commands.h"
#include "common/Errors.h"
#include "common/SafeFile.h"
#include "image/Bank1Block.h"
#include "image/Bank2Table.h"
#include "image/BankDump.h"

#include <QDir>
#include <QFileInfo>

// Decodes bank1.bin or bank2.bin, told apart by their sizes. Exit 1 when the image is not
// what the compiler writes (wrong checksum, reserved bytes set, unknown codes).
int Cmd_Dump(const QStringList &args, CliIo &io)
{
    const CliCommand command("dump", io);
    const auto parsed = command.parse(args, {}, 1, "FILE");
    if (!parsed)
        return kUsageExit;
    const QString file = parsed->positional.first();
    const auto wrongSize = [&](qint64 size) {
        return command.fail(QStringLiteral("%1 holds %2 bytes; bank1.bin has 2048 and bank2.bin 28672")
                                .arg(QDir::toNativeSeparators(file))
                                .arg(size),
                            1);
    };
    const auto isImageSize = [](qint64 size) {
        return size == qint64(Bank1Block::kSize) || size == qint64(Bank2Table::kSize);
    };
    // The size first: a huge file, a device or a pipe is refused without reading it.
    const QFileInfo info(file);
    if (const std::optional<QString> kind = Special_File_Kind(file))
        return command.fail(QStringLiteral("%1 is %2, not a file").arg(QDir::toNativeSeparators(file), *kind), 1);
    if (info.exists() && !info.isDir() && (!info.isFile() || !isImageSize(info.size())))
        return wrongSize(info.isFile() ? info.size() : 0);
    QByteArray image;
    try {
        image = Read_Whole_File(file);
    } catch (const BrivantError &e) {
        return command.fail(e.text(), 1);
    }
    BankDump dump;
    if (image.size() == static_cast<qsizetype>(Bank1Block::kSize))
        dump = Describe_Bank1(image);
    else if (image.size() == static_cast<qsizetype>(Bank2Table::kSize))
        dump = Describe_Bank2(image);
    else
        return wrongSize(image.size());
    for (const QString &line : dump.lines)
        io.println(line);
    return dump.consistent ? 0 : 1;
}
