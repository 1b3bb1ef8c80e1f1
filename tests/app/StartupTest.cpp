#include "app/AppSettings.h"
#include "app/ConfigWorkspace.h"
#include "app/Settings.h"
#include "app/ShippedLanguages.h"
#include "app/Startup.h"
#include "support/FileSizeLimit.h"
#include "support/TempWorkspace.h"
#include "texts/TextTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

struct Started
{
    ConfigWorkspace workspace;
    AppSettings settings;
    TextTable texts;
    StartupResult result;

    explicit Started(const QString &dir, const QString &shippedLanguages = {})
    {
        result = Run_Startup(dir, workspace, settings, texts, shippedLanguages);
    }
};

TEST(StartupTest, FirstStartInAnEmptyFolderCreatesTheWorkspaceAndUsesDefaults)
{
    TempWorkspace ws;
    Started s(ws.path());
    for (const char *dir : {"MASTER", "PROJECTS", "LANGUAGE"})
        EXPECT_TRUE(QDir(ws.file(QString::fromLatin1(dir))).exists()) << dir;
    EXPECT_FALSE(ws.exists(QStringLiteral("Brivant.xml")));
    EXPECT_FALSE(s.result.projectOpen);
    EXPECT_TRUE(s.workspace.Project_Dir.isEmpty());
    EXPECT_EQ(s.settings.Ip_Address, QStringLiteral("192.168.2.205"));
    EXPECT_EQ(s.settings.Language, QStringLiteral("English"));
    EXPECT_FALSE(s.settings.updateTimerEnabled());
    EXPECT_TRUE(s.settings.Read_Back);
    EXPECT_EQ(s.settings.Update_Option, 0);
    EXPECT_EQ(s.texts.Text_Count(), 1400);
    EXPECT_EQ(s.workspace.Projects_Dir, QDir::toNativeSeparators(ws.file(QStringLiteral("PROJECTS"))));
}

TEST(StartupTest, ReopensTheLastProjectOnlyWhenItsFolderExists)
{
    TempWorkspace ws;
    ws.mkdir(QStringLiteral("PROJECTS/Plant/bin"));
    Save_Setting(ws.file(QStringLiteral("Brivant.xml")), QStringLiteral("Plant"), AppSettings{});
    {
        Started s(ws.path());
        EXPECT_TRUE(s.result.projectOpen);
        EXPECT_EQ(s.workspace.Project_Dir, QDir::toNativeSeparators(ws.file(QStringLiteral("PROJECTS/Plant"))));
        EXPECT_EQ(s.workspace.ParGen_File, QDir::toNativeSeparators(ws.file(QStringLiteral("PROJECTS/Plant/ParGen.xml"))));
        EXPECT_EQ(s.workspace.S7_Protocol_File,
                  QDir::toNativeSeparators(ws.file(QStringLiteral("PROJECTS/Plant/S7_Protocol.xml"))));
    }
    Save_Setting(ws.file(QStringLiteral("Brivant.xml")), QStringLiteral("Deleted"), AppSettings{});
    Started s(ws.path());
    EXPECT_FALSE(s.result.projectOpen);
    EXPECT_TRUE(s.workspace.Project_Dir.isEmpty());
    EXPECT_EQ(s.workspace.Project_Name, QStringLiteral("Deleted")); // written back unchanged at close
}

TEST(StartupTest, AMissingLanguageFallsBackToEnglishAndATranslationApplies)
{
    TempWorkspace ws;
    AppSettings stored;
    stored.Language = QStringLiteral("Italiano");
    stored.Enable_Internet = stored.Enable_Update = true;
    Save_Setting(ws.file(QStringLiteral("Brivant.xml")), QString(), stored);
    {
        Started s(ws.path());
        EXPECT_EQ(s.settings.Language, QStringLiteral("English"));
        EXPECT_TRUE(s.settings.updateTimerEnabled());
    }
    ws.write(QStringLiteral("LANGUAGE/Italiano.lng"), "STR18 = Errore! Progetto non valido");
    Started s(ws.path());
    EXPECT_EQ(s.settings.Language, QStringLiteral("Italiano"));
    EXPECT_EQ(s.texts.text(18), QStringLiteral("Errore! Progetto non valido"));
}

// The shipped languages reach a workspace whose LANGUAGE folder has no language file, and
// never replace a file the user already has there.
TEST(StartupTest, ShippedLanguagesAreCopiedOnlyIntoAWorkspaceWithoutLanguageFiles)
{
    TempWorkspace shipped;
    shipped.write(QStringLiteral("English.lng"), "STR0 = Begin\r\n");
    shipped.write(QStringLiteral("Deutsch.lng"), "/# locale: de_DE\r\nSTR0 = Anfang\r\n");
    shipped.write(QStringLiteral("Deutsch.bmp"), "shipped flag");
    shipped.write(QStringLiteral("notes.txt"), "not a language");
    QFile::setPermissions(shipped.file(QStringLiteral("Deutsch.lng")), QFile::ReadOwner | QFile::ReadGroup);

    TempWorkspace fresh;
    fresh.write(QStringLiteral("LANGUAGE/Deutsch.bmp"), "own flag");
    fresh.write(QStringLiteral("Brivant.xml"),
                "<Conf_Settings><lastlang><language>Deutsch</language></lastlang></Conf_Settings>");
    Started s(fresh.path(), shipped.path());
    EXPECT_EQ(s.texts.text(0), QStringLiteral("Anfang"));
    EXPECT_EQ(s.settings.Language, QStringLiteral("Deutsch"));
    EXPECT_EQ(fresh.read(QStringLiteral("LANGUAGE/English.lng")), QByteArray("STR0 = Begin\r\n"));
    EXPECT_EQ(fresh.read(QStringLiteral("LANGUAGE/Deutsch.bmp")), QByteArray("own flag"));
    EXPECT_FALSE(fresh.exists(QStringLiteral("LANGUAGE/notes.txt")));
    // A read-only copy would be left out of the options window's list.
    EXPECT_TRUE(QFileInfo(fresh.file(QStringLiteral("LANGUAGE/Deutsch.lng"))).isWritable());

    TempWorkspace own;
    own.write(QStringLiteral("LANGUAGE/Mine.lng"), "STR0 = Mine\r\n");
    Started o(own.path(), shipped.path());
    EXPECT_FALSE(own.exists(QStringLiteral("LANGUAGE/English.lng")));
    EXPECT_FALSE(own.exists(QStringLiteral("LANGUAGE/Deutsch.lng")));

    // The portable layout: the shipped folder is the workspace's own.
    EXPECT_TRUE(Install_Shipped_Languages(shipped.path(), shipped.path()).isEmpty());
    EXPECT_TRUE(Install_Shipped_Languages(own.file(QStringLiteral("LANGUAGE")), QString()).isEmpty());
}

// On a full disk the copies fail whole: no cut language file is left that the next start would
// take for the user's own (and then never copy the shipped files again).
TEST(StartupTest, ShippedLanguagesOnAFullDiskLeaveNoCutFile)
{
    TempWorkspace shipped;
    shipped.write(QStringLiteral("Deutsch.lng"), QByteArray("STR0 = Anfang\r\n").repeated(2000));
    shipped.write(QStringLiteral("English.lng"), "STR0 = Begin\r\n");
    TempWorkspace fresh;
    const QString languageDir = fresh.mkdir(QStringLiteral("LANGUAGE"));
    const std::optional<QString> copied = Run_With_File_Size_Limit(
        4096, [&] { return Install_Shipped_Languages(languageDir, shipped.path()).join(u','); });
    ASSERT_TRUE(copied.has_value());
    EXPECT_EQ(*copied, QStringLiteral("English.lng"));
    EXPECT_EQ(QDir(languageDir).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("English.lng")});
}

TEST(StartupTest, TheShippedFolderIsFoundBesideTheProgramOrInTheInstalledDataFolder)
{
    TempWorkspace prefix;
    const QString appDir = prefix.mkdir(QStringLiteral(BRIVANT_INSTALL_APPDIR));
    prefix.write(QStringLiteral(BRIVANT_INSTALL_LANGUAGEDIR "/English.lng"), "STR0 = Begin\r\n");
    EXPECT_EQ(QDir(Shipped_Language_Dir(appDir)).canonicalPath(),
              QDir(prefix.file(QStringLiteral(BRIVANT_INSTALL_LANGUAGEDIR))).canonicalPath());
    prefix.write(QStringLiteral(BRIVANT_INSTALL_APPDIR "/LANGUAGE/Deutsch.lng"), "STR0 = Anfang\r\n");
    EXPECT_EQ(Shipped_Language_Dir(appDir), QDir::cleanPath(appDir + QStringLiteral("/LANGUAGE")));
    EXPECT_TRUE(Shipped_Language_Dir(prefix.path()).isEmpty());
}

} // namespace
