#include "app/AppSettings.h"
#include "app/ConfigWorkspace.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "support/TempWorkspace.h"
#include "texts/TextTable.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

struct Started
{
    ConfigWorkspace workspace;
    AppSettings settings;
    TextTable texts;
    StartupResult result;

    explicit Started(const QString &dir) { result = Run_Startup(dir, workspace, settings, texts); }
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

} // namespace
