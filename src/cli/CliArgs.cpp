#include "cli/CliArgs.h"

#include "cli/CliIo.h"
#include "cli/Commands.h"
#include "common/SafeFile.h"

#include <QDir>
#include <QFileInfo>

std::optional<CliArgs> CliArgs::parse(const QStringList &args, const QStringList &valueOptions,
                                      const QStringList &flags, QString *error)
{
    CliArgs result;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (!a.startsWith(QLatin1String("--")) || a == QLatin1String("--")) {
            result.positional.append(a);
            continue;
        }
        QString name = a;
        std::optional<QString> inlineValue;
        const qsizetype eq = a.indexOf(u'=');
        if (eq > 0) {
            name = a.left(eq);
            inlineValue = a.mid(eq + 1);
        }
        if (valueOptions.contains(name)) {
            if (inlineValue) {
                result.m_values.insert(name, *inlineValue);
            } else if (i + 1 < args.size()) {
                result.m_values.insert(name, args[++i]);
            } else {
                *error = QStringLiteral("option %1 needs a value").arg(name);
                return std::nullopt;
            }
        } else if (flags.contains(name) && !inlineValue) {
            result.m_flags.insert(name);
        } else {
            *error = QStringLiteral("unknown option %1").arg(a);
            return std::nullopt;
        }
    }
    return result;
}

int CliCommand::fail(const QString &why, int code) const
{
    m_io.errln(QStringLiteral("brivant-cli %1: %2").arg(m_name, why));
    return code;
}

bool CliCommand::isProjectFolder(const QString &dir) const
{
    if (QFileInfo(dir).isDir())
        return true;
    fail(QStringLiteral("no project folder %1").arg(QDir::toNativeSeparators(dir)), 0);
    return false;
}

bool CliCommand::holdsProjectFiles(const QString &dir) const
{
    for (const char *name : {"ParGen.xml", "S7_Protocol.xml"}) {
        if (!Name_Is_Missing(QDir(dir).filePath(QString::fromLatin1(name))))
            return true;
    }
    fail(QStringLiteral("%1 is no project: it holds neither ParGen.xml nor S7_Protocol.xml")
             .arg(QDir::toNativeSeparators(dir)),
         0);
    return false;
}

std::optional<CliArgs> CliCommand::parse(const QStringList &args, const QStringList &flags,
                                         qsizetype positionalCount, const char *usage) const
{
    QString error;
    std::optional<CliArgs> parsed = CliArgs::parse(args, {}, flags, &error);
    if (!parsed) {
        fail(error, kUsageExit);
    } else if (parsed->positional.size() != positionalCount) {
        fail(QStringLiteral("usage: brivant-cli %1 %2").arg(m_name, QString::fromLatin1(usage)), kUsageExit);
        parsed.reset();
    } else if (parsed->positional.contains(QString())) {
        // An empty name would mean the current folder, or a file at the root.
        fail(QStringLiteral("an empty argument names no file or folder; usage: brivant-cli %1 %2")
                 .arg(m_name, QString::fromLatin1(usage)),
             kUsageExit);
        parsed.reset();
    }
    return parsed;
}
