#include "app/Startup.h"

#include "app/AppSettings.h"
#include "app/ConfigWorkspace.h"
#include "app/Settings.h"
#include "app/ShippedLanguages.h"
#include "texts/LanguageFile.h"
#include "texts/TextTable.h"

#include <QFileInfo>

StartupResult Run_Startup(const QString &programDir, ConfigWorkspace &workspace,
                          AppSettings &settings, TextTable &texts, const QString &shippedLanguageDir)
{
    StartupResult result;
    workspace.setProgramDir(programDir);
    workspace.createFolders();
    Install_Shipped_Languages(workspace.Language_Dir, shippedLanguageDir);

    workspace.Project_Name.clear();
    settings.Read_Back = true;
    settings.Update_Option = 0;

    const StoredSettings stored = Load_Setting(workspace.settingsFile());
    workspace.Project_Name = stored.Project_Name;
    settings.Ip_Address = stored.settings.Ip_Address;
    settings.Language = stored.settings.Language;
    settings.Enable_Internet = stored.settings.Enable_Internet;
    settings.Enable_Update = stored.settings.Enable_Update;
    settings.Enable_Jump_Field_Tables = stored.settings.Enable_Jump_Field_Tables;
    settings.Double_Click_Auto_Size = stored.settings.Double_Click_Auto_Size;

    result.languageError = Load_Language(texts, settings.Language, workspace.Language_Dir);

    const QString projectDir = ConfigWorkspace::join(workspace.Projects_Dir, workspace.Project_Name);
    if (!workspace.Project_Name.isEmpty() && QFileInfo(projectDir).isDir())
        workspace.Project_Dir = projectDir;
    else
        workspace.Project_Dir.clear();
    result.projectOpen = workspace.projectOpen();
    workspace.Set_Files();
    return result;
}
