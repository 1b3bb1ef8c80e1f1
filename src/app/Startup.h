#pragma once

#include <QString>
#include <optional>

struct ConfigWorkspace;
struct AppSettings;
class TextTable;

struct StartupResult
{
    bool projectOpen = false;
    // A language file that exists but could not be read (the built-in texts stay).
    std::optional<QString> languageError;
};

// The start-up steps that need no window, in their order: the workspace folders found or
// created below `programDir` (a LANGUAGE folder without language files gets copies of those in
// `shippedLanguageDir`, if given), the settings read, the language loaded, the last project
// reopened when its folder still exists (its name is kept either way, so that it is written
// back at close), the project files set.
StartupResult Run_Startup(const QString &programDir, ConfigWorkspace &workspace,
                          AppSettings &settings, TextTable &texts, const QString &shippedLanguageDir = {});
