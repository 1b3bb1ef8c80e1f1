#include "texts/TextTable.h"

#include "texts/DefaultTexts.h"

void TextTable::Load_Default_Texts()
{
    m_entries = QStringList(kTextCount, QStringLiteral(" "));
    m_locale.clear();
    for (const DefaultTexts::Entry &e : DefaultTexts::entries())
        m_entries[e.index] = QString::fromLatin1(e.text);
}

QString TextTable::text(int index) const
{
    if (index < 0 || index >= m_entries.size())
        return {};
    return m_entries[index];
}

void TextTable::setText(int index, const QString &text)
{
    if (index >= 0 && index < m_entries.size())
        m_entries[index] = text;
}
