#include "app/ui/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QtTranslation::QtTranslation(const QString &folder)
    : m_folder(folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder)
{
}

QtTranslation::~QtTranslation()
{
    if (m_translator)
        QCoreApplication::removeTranslator(m_translator.get());
}

bool QtTranslation::apply(const QString &locale)
{
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator.get());
        m_translator.reset();
    }
    if (locale.isEmpty())
        return false;
    auto translator = std::make_unique<QTranslator>();
    // "de_DE" finds qtbase_de_DE.qm or else qtbase_de.qm.
    if (!translator->load(QLocale(locale), QStringLiteral("qtbase"), QStringLiteral("_"), m_folder))
        return false;
    QCoreApplication::installTranslator(translator.get());
    m_translator = std::move(translator);
    return true;
}
