#pragma once

#include <QString>
#include <QStringList>

// The indexed table of every text the program shows: 1400 entries, built-in English texts
// replaced entry by entry by a language file. Unused entries hold a single blank.
class TextTable
{
public:
    static constexpr int kTextCount = 1400;

    // Empty until Load_Default_Texts runs.
    TextTable() = default;

    // Back to the 1400 built-in texts.
    void Load_Default_Texts();

    int Text_Count() const { return static_cast<int>(m_entries.size()); }

    // Entry `index`; an empty text for an index outside the table.
    QString text(int index) const;
    void setText(int index, const QString &text);

    const QStringList &entries() const { return m_entries; }

    // The locale that the loaded language file names in its comment line ("de_DE"), for the
    // toolkit's own texts; empty for the built-in texts and for a file without one.
    const QString &locale() const { return m_locale; }
    void setLocale(const QString &locale) { m_locale = locale; }

private:
    QStringList m_entries;
    QString m_locale;
};
