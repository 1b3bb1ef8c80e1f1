#include "app/Settings.h"
#include "app/ui/AppWindows.h"
#include "app/ui/TFAbout.h"
#include "app/ui/TFBrivanteFirmWare.h"
#include "app/ui/TFNew_Project.h"
#include "app/ui/TFOpenConf.h"
#include "commparams/ui/TFParGen.h"
#include "options/ui/TFSoftOptions.h"
#include "s7access/ui/TFS7_Protocol_Set_Access.h"
#include "support/TestContext.h"
#include "texts/LanguageFile.h"
#include "texts/TextId.h"
#include "update/ui/TFBoot.h"

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using Kind = FakeMessageService::Kind;

template <class T = QWidget> T *child(const QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// A language in which every text starts with "DE:", with the page texts in German.
QByteArray prefixedLanguage()
{
    TextTable table;
    table.Load_Default_Texts();
    for (int i = 0; i < table.Text_Count(); ++i)
        table.setText(i, QStringLiteral("DE:") + table.text(i));
    table.setText(TextId::Options_Page, QStringLiteral("Seite "));
    table.setText(TextId::Options_PageOf, QStringLiteral(" von "));
    return Write_Language_File(table, nullptr);
}

TEST(OptionsWithMainWindow, SwitchingOnPageTwoRelabelsEveryWindowAndCancelKeepsTheSetting)
{
    TestContext tc;
    for (int i = 1; i <= 6; ++i)
        tc.workspace.write(QStringLiteral("LANGUAGE/A%1.lng").arg(i), "");
    tc.workspace.write(QStringLiteral("LANGUAGE/Deutsch.lng"), prefixedLanguage());
    AppWindows windows(tc.context);

    tc.modal.expect([&](QDialog &options) {
        QTest::mouseClick(child(&options, "Btn_Next"), Qt::LeftButton);
        tc.messages.answerNextQuestion(true);
        QTest::mouseClick(child(&options, "L_L1"), Qt::LeftButton);
        EXPECT_EQ(tc.messages.takeOne(Kind::Question).toStdString(),
                  "Do you want to change the Language from English to Deutsch?");
        EXPECT_EQ(child<QLabel>(&options, "L_Page_Lang")->text(), "Seite 2 von 2");
        EXPECT_EQ(child<QLabel>(&options, "L_Sel_Lang")->text(), "DE:Selected Language : Deutsch");
        child<QPushButton>(&options, "Btn_Cancel")->click();
    });
    child<QPushButton>(windows.main.get(), "Btn_Opz")->click();

    EXPECT_EQ(child<QLabel>(windows.main.get(), "L_Begin")->text(), "DE:Begin");
    for (QWidget *window : std::initializer_list<QWidget *>{windows.newProject.get(), windows.openConf.get(),
                                                            windows.options.get(), windows.boot.get(),
                                                            windows.parGen.get(), windows.access.get()})
        EXPECT_TRUE(window->windowTitle().startsWith("DE:")) << window->objectName().toStdString();
    EXPECT_EQ(windows.about->windowTitle(), "About...");

    // Cancel: the language stays for this run, the setting and the settings file do not change.
    EXPECT_EQ(tc.context.settings.Language, "English");
    EXPECT_FALSE(tc.workspace.exists("Brivant.xml"));

    // A message shown afterwards speaks the new language.
    child<QPushButton>(windows.main.get(), "Btn_Prm_Gen")->click();
    EXPECT_EQ(tc.messages.takeOne(Kind::Error), "DE:Error! Project not Valid");
}

TEST(OptionsWithMainWindow, EnablingBothInternetOptionsStartsTheCheckAMinuteLater)
{
    TestContext tc;
    AppWindows windows(tc.context);
    auto *timer = child<QTimer>(windows.main.get(), "Timer_Update");
    ASSERT_FALSE(timer->isActive());

    tc.modal.expect([](QDialog &options) {
        child<QCheckBox>(&options, "CB_En_Con")->click();
        child<QCheckBox>(&options, "CB_Update")->click();
        child<QPushButton>(&options, "Btn_OK")->click();
    });
    child<QPushButton>(windows.main.get(), "Btn_Opz")->click();

    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), TFBrivanteFirmWare::kFirstCheckMs);
    EXPECT_GT(timer->remainingTime(), TFBrivanteFirmWare::kFirstCheckMs / 2); // not at once
    const StoredSettings stored = Load_Setting(tc.workspace.file("Brivant.xml"));
    EXPECT_TRUE(stored.settings.Enable_Internet);
    EXPECT_TRUE(stored.settings.Enable_Update);
}

// Qt's own button texts follow the locale that the language file names in its comment line;
// a file without one, and the built-in English, bring Qt's English back.
TEST(OptionsWithMainWindow, QtsOwnTextsFollowTheLocaleLineOfTheLanguageFile)
{
    TestContext tc;
    tc.workspace.write(QStringLiteral("LANGUAGE/Deutsch.lng"), "/# locale: de_DE\r\nSTR0 = Anfang\r\n");
    tc.workspace.write(QStringLiteral("LANGUAGE/Plain.lng"), "STR0 = Start\r\n");
    const auto yesNo = [] {
        QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
        return box.button(QMessageBox::Yes)->text() + QLatin1Char('/') + box.button(QMessageBox::No)->text();
    };
    {
        AppWindows windows(tc.context);
        EXPECT_EQ(yesNo(), QStringLiteral("&Yes/&No"));
        const std::pair<const char *, const char *> steps[] = {
            {"Deutsch", "&Ja/&Nein"}, {"Plain", "&Yes/&No"}, {"Deutsch", "&Ja/&Nein"}, {"English", "&Yes/&No"}, {"Deutsch", "&Ja/&Nein"}};
        for (const auto &[language, expected] : steps) {
            QString name = QString::fromLatin1(language);
            Load_Language(tc.context.texts, name, tc.context.workspace.Language_Dir);
            tc.context.changeLanguage();
            EXPECT_EQ(yesNo(), QString::fromUtf8(expected)) << language;
        }
    }
    EXPECT_EQ(yesNo(), QStringLiteral("&Yes/&No")) << "the translation leaves with the windows";
}

} // namespace
