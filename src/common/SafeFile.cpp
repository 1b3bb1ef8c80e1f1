#include "common/SafeFile.h"

#include "common/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void failWrite(const QString &path, const QString &reason)
{
    throw FileError(QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), reason));
}

// Qt's own text where it has one; its "Unknown error" gives way to the system's reason.
QString deviceReason(const QFileDevice &file, int error)
{
    const QString text = file.errorString();
    if ((text.isEmpty() || text == QLatin1String("Unknown error")) && error != 0)
        return systemReason(error);
    return text;
}

// Writes every byte straight to the descriptor and flushes it to the disk, so that a short
// write or a delayed allocation failure is seen here and not lost in a buffer. Returns 0 or
// the system's error number.
int writeAndSync(int fd, const QByteArray &data)
{
    const char *p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, std::size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        p += n;
        left -= n;
    }
    // The data only, as QSaveFile::commit syncs it too (its result unchecked there).
    if (::fdatasync(fd) != 0 && errno != EINVAL && errno != EROFS)
        return errno;
    return 0;
}

// Opens the temporary beside `path` and writes `data` to it; on failure the temporary is
// removed and FileError thrown.
std::unique_ptr<QSaveFile> writeTemporary(const SafeFileWrite &target)
{
    auto file = std::make_unique<QSaveFile>(target.path);
    if (!file->open(QIODevice::WriteOnly))
        failWrite(target.path, deviceReason(*file, errno));
    const int fd = file->handle();
    const int error = fd >= 0 ? writeAndSync(fd, target.data) : EBADF;
    if (error != 0) {
        file->cancelWriting();
        failWrite(target.path, systemReason(error));
    }
    return file;
}

void commit(QSaveFile &file, const QString &path)
{
    errno = 0;
    if (!file.commit())
        failWrite(path, deviceReason(file, errno));
}

// A second name for an existing file, so that it can come back when a later file of the same
// unit cannot replace its own. Empty when there is no old file.
QString keepOldFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {};
    const QString backup = path + QStringLiteral(".brivant-old");
    const QByteArray from = QFile::encodeName(path);
    const QByteArray to = QFile::encodeName(backup);
    ::unlink(to.constData());
    if (::link(from.constData(), to.constData()) == 0)
        return backup;
    // File systems without hard links: a copy serves as well.
    if (QFile::copy(path, backup))
        return backup;
    failWrite(path, QStringLiteral("cannot keep the old file aside: %1").arg(systemReason(errno)));
}

} // namespace

void Write_File_Safely(const QString &path, const QByteArray &data)
{
    const SafeFileWrite target{path, data};
    Write_Files_Safely(std::span(&target, 1));
}

void Write_Files_Safely(std::span<const SafeFileWrite> files)
{
    // Every file complete on the disk before any old one is touched; a failure here removes
    // the temporaries (QSaveFile without commit) and leaves all old files.
    std::vector<std::unique_ptr<QSaveFile>> temporaries;
    temporaries.reserve(files.size());
    for (const SafeFileWrite &target : files)
        temporaries.push_back(writeTemporary(target));

    if (files.size() == 1) {
        commit(*temporaries.front(), files.front().path);
        return;
    }

    std::vector<QString> backups;
    try {
        for (const SafeFileWrite &target : files)
            backups.push_back(keepOldFile(target.path));
    } catch (...) {
        for (const QString &backup : backups) {
            if (!backup.isEmpty())
                QFile::remove(backup);
        }
        throw;
    }

    std::size_t committed = 0;
    try {
        for (; committed < files.size(); ++committed)
            commit(*temporaries[committed], files[committed].path);
    } catch (...) {
        // The files replaced so far get their old contents back (or go, when there were none).
        for (std::size_t i = 0; i < committed; ++i) {
            const QByteArray path = QFile::encodeName(files[i].path);
            if (backups[i].isEmpty())
                ::unlink(path.constData());
            else
                ::rename(QFile::encodeName(backups[i]).constData(), path.constData());
        }
        for (std::size_t i = committed; i < files.size(); ++i) {
            if (!backups[i].isEmpty())
                QFile::remove(backups[i]);
        }
        throw;
    }
    for (const QString &backup : backups) {
        if (!backup.isEmpty())
            QFile::remove(backup);
    }
}

bool Name_Is_Missing(const QString &path)
{
    if (path.isEmpty())
        return true;
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) == 0)
        return false;
    return errno == ENOENT || errno == ENOTDIR;
}

std::optional<QString> Special_File_Kind(const QString &path)
{
    struct stat st;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    if (S_ISFIFO(st.st_mode))
        return QStringLiteral("a named pipe");
    if (S_ISCHR(st.st_mode))
        return QStringLiteral("a character device");
    if (S_ISBLK(st.st_mode))
        return QStringLiteral("a block device");
    if (S_ISSOCK(st.st_mode))
        return QStringLiteral("a socket");
    return std::nullopt;
}

void Require_Regular_File(const QString &path)
{
    if (const std::optional<QString> kind = Special_File_Kind(path))
        throw FileError(QStringLiteral("Cannot read %1: it is %2, not a file").arg(QDir::toNativeSeparators(path), *kind));
}

QByteArray Read_Bounded_File(const QString &path, qint64 maxBytes, const QString &kind, const QString &maxShown)
{
    Require_Regular_File(path);
    QFile file(path);
    const QString shown = QDir::toNativeSeparators(path);
    const auto fail = [&] { throw FileError(QStringLiteral("Cannot read %1: %2").arg(shown, file.errorString())); };
    const auto tooLarge = [&](qint64 size) {
        throw FileError(QStringLiteral("%1 holds %2 bytes, while the program reads %3 of at most %4")
                            .arg(shown)
                            .arg(size)
                            .arg(kind, maxShown));
    };
    if (!file.open(QIODevice::ReadOnly))
        fail();
    if (file.size() > maxBytes)
        tooLarge(file.size());
    try {
        QByteArray bytes;
        bytes.reserve(file.size() + 1);
        char chunk[64 * 1024];
        for (;;) {
            const qint64 n = file.read(chunk, sizeof chunk);
            if (n < 0)
                fail();
            if (n == 0)
                break;
            bytes.append(chunk, n);
            // A file that grows while it is read.
            if (bytes.size() > maxBytes)
                tooLarge(bytes.size());
        }
        return bytes;
    } catch (const std::bad_alloc &) {
        throw FileError(QStringLiteral("Cannot read %1: not enough memory").arg(shown));
    }
}

QByteArray Read_Whole_File(const QString &path)
{
    Require_Regular_File(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("Cannot read %1: %2")
                            .arg(QDir::toNativeSeparators(path), file.errorString()));
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("Cannot read %1: %2")
                            .arg(QDir::toNativeSeparators(path), file.errorString()));
    return data;
}
