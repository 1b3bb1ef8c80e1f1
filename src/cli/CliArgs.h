#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

struct CliIo;

// The arguments of one command: positional arguments, options with a value ("--name VALUE"
// or "--name=VALUE") and flags.
class CliArgs
{
public:
    // Unknown options and options without their value are errors.
    static std::optional<CliArgs> parse(const QStringList &args, const QStringList &valueOptions,
                                        const QStringList &flags, QString *error);

    QStringList positional;

    bool has(const QString &name) const { return m_flags.contains(name) || m_values.contains(name); }
    QString value(const QString &name, const QString &defaultValue = {}) const
    {
        return m_values.value(name, defaultValue);
    }

private:
    QHash<QString, QString> m_values;
    QSet<QString> m_flags;
};

// The frame of a command that takes a fixed number of positional arguments: its messages start
// with "brivant-cli NAME: ", and a command line it cannot understand is answered with the fault
// or the usage line and exit code 2.
class CliCommand
{
public:
    CliCommand(const char *name, CliIo &io) : m_name(QString::fromLatin1(name)), m_io(io) {}

    // Prints "brivant-cli NAME: why" on stderr and returns code.
    int fail(const QString &why, int code) const;
    // Whether `dir` is a folder; when not, says "no project folder DIR".
    bool isProjectFolder(const QString &dir) const;
    // Whether the folder holds ParGen.xml or S7_Protocol.xml (a name that exists counts); when
    // neither, says "DIR is no project: it holds neither ParGen.xml nor S7_Protocol.xml".
    bool holdsProjectFiles(const QString &dir) const;

    // The arguments, or nothing after the fault was printed: an unknown option, an option
    // without its value, not `positionalCount` positional arguments ("usage: " + usage), or
    // an empty one.
    std::optional<CliArgs> parse(const QStringList &args, const QStringList &flags, qsizetype positionalCount,
                                 const char *usage) const;

private:
    QString m_name;
    CliIo &m_io;
};
