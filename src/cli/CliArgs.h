#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

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
