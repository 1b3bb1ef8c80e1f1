#pragma once

#include "app/AppSettings.h"

#include <QString>

// What Brivant.xml holds: the last project's name and the persisted settings.
struct StoredSettings
{
    QString Project_Name;
    AppSettings settings;
};

// Reads Brivant.xml; each value on its own, a missing or unreadable one taking its default.
// A missing file, or one that is not well-formed, gives all defaults.
StoredSettings Load_Setting(const QString &settingsFile);

// Writes Brivant.xml anew, safely. Throws FileError when it cannot.
void Save_Setting(const QString &settingsFile, const QString &projectName, const AppSettings &settings);
