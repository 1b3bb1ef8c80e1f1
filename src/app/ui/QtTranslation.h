#pragma once

#include <QString>
#include <memory>

class QTranslator;

// The toolkit's own texts (Yes, No, OK, Cancel of message boxes, the file dialog) in the
// language of the loaded language file: Qt's translation qtbase_<language>.qm from Qt's
// translations folder (Debian: qt6-translations-l10n), chosen by the locale that the file
// names in its comment line. The previous translation is removed first, so a language without
// a locale line, or one that Qt does not translate, brings Qt's English back.
class QtTranslation
{
public:
    // `folder` overrides Qt's translations folder (for tests).
    explicit QtTranslation(const QString &folder = QString());
    ~QtTranslation();
    QtTranslation(const QtTranslation &) = delete;
    QtTranslation &operator=(const QtTranslation &) = delete;

    // Returns whether a translation is installed now.
    bool apply(const QString &locale);

private:
    QString m_folder;
    std::unique_ptr<QTranslator> m_translator;
};
