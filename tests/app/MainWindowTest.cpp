#include "AppWindowTestUtil.h"

#include "app/Settings.h"
#include "platform/HttpClient.h"
#include "app/ui/TFAbout.h"
#include "app/ui/TFBrivanteFirmWare.h"
#include "app/ui/TFNew_Project.h"
#include "app/ui/TFOpenConf.h"
#include "commparams/CommParams.h"
#include "commparams/ui/TFParGen.h"
#include "options/ui/TFSoftOptions.h"
#include "s7access/ui/TFS7_Protocol_Set_Access.h"
#include "texts/TextId.h"
#include "update/ui/TFBoot.h"

#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

using Kind = FakeMessageService::Kind;

class FixedAnswerHttpClient : public HttpClient
{
public:
    std::optional<QByteArray> get(const QUrl &url, const QByteArray &, int) override
    {
        asked.append(url);
        return answer;
    }
    std::optional<QByteArray> answer;
    QList<QUrl> asked;
};

class MainWindowTest : public ::testing::Test
{
protected:
    // Restarts over the workspace as it stands (for a Brivant.xml or projects written first).
    void restart()
    {
        windows.reset();
        tc.startup();
        windows = std::make_unique<AppWindows>(tc.context);
    }
    TFBrivanteFirmWare &main() { return *windows->main; }
    QPushButton *button(const char *name) { return Child<QPushButton>(windows->main.get(), name); }
    QString label(const char *name) { return Child<QLabel>(windows->main.get(), name)->text(); }
    QString text(int id) const { return tc.context.text(id); }
    QTimer *timer() { return Child<QTimer>(windows->main.get(), "Timer_Update"); }

    TestContext tc;
    std::unique_ptr<AppWindows> windows = std::make_unique<AppWindows>(tc.context);
};

TEST_F(MainWindowTest, LaysOutTheStepsAsAFixedWindowWithTheProductTexts)
{
    EXPECT_EQ(main().size(), QSize(694, 440));
    EXPECT_EQ(main().minimumSize(), main().maximumSize());
    EXPECT_FALSE(main().windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(main().windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(main().windowTitle(), QStringLiteral("Norvalt - Configurator ZE52840 - S7comm / PROFIBUS Slave "));
    EXPECT_EQ(main().font().family(), QStringLiteral("Verdana"));
    EXPECT_EQ(label("L_SW_Code"), QStringLiteral("ZE52840"));
    EXPECT_EQ(label("L_SW_Desc"), QStringLiteral("R7araz / IRUDODAZ Uzizu - Zovaredid"));
    EXPECT_EQ(label("L_Norvalt"), QStringLiteral("www.norvalt.example"));

    struct Place
    {
        const char *name;
        int left, top, width, height; // 0: not fixed
        bool visible;
    };
    const Place places[] = {
        {"L_SW_Code", 16, 8, 0, 0, true},        {"L_SW_Desc", 16, 42, 0, 0, true},
        {"L_Begin", 16, 84, 0, 0, true},         {"Shape2", 80, 70, 348, 36, true},
        {"L_Name_Conf", 87, 75, 0, 0, true},     {"L_Name_Conf_L2", 87, 88, 0, 0, true},
        {"Btn_Info", 516, 8, 50, 50, true},      {"Btn_Opz", 574, 8, 50, 50, true},
        {"Btn_Close", 632, 8, 50, 50, true},     {"LL_Update", 208, 19, 0, 0, false},
        {"L_Step_1", 16, 128, 0, 0, true},       {"L_Step_5", 16, 304, 0, 0, true},
        {"L_Step_6", 16, 348, 0, 0, false},      {"L_Step_8", 16, 436, 0, 0, false},
        {"Btn_New", 80, 112, 170, 36, true},     {"Btn_Open", 258, 112, 170, 36, true},
        {"Btn_Prm_Gen", 80, 156, 170, 36, true}, {"Btn_S7_Protocol_Access", 80, 200, 170, 36, true},
        {"Btn_PROFIBUS_GSD", 80, 244, 170, 36, true}, {"Btn_CreateBin", 80, 288, 170, 36, true},
        {"Shape1", 10, 339, 674, 1, true},
    };
    for (const Place &p : places) {
        const QWidget *w = Child(windows->main.get(), p.name);
        if (!w)
            continue;
        EXPECT_EQ(w->pos(), QPoint(p.left, p.top)) << p.name;
        if (p.width) {
            EXPECT_EQ(w->size(), QSize(p.width, p.height)) << p.name;
        }
        EXPECT_EQ(w->isVisibleTo(&main()), p.visible) << p.name;
        // Every control lies inside the client area.
        EXPECT_TRUE(!p.visible || QRect(QPoint(), main().size()).contains(w->geometry())) << p.name;
    }
    EXPECT_EQ(Child(windows->main.get(), "L_Norvalt")->y(), 304);

    EXPECT_EQ(label("L_Begin"), text(TextId::Main_Begin));
    EXPECT_EQ(label("L_Step_7"), QStringLiteral("Step 7"));
    EXPECT_EQ(button("Btn_CreateBin")->text(), QStringLiteral("Update Device UDP"));
    EXPECT_EQ(button("Btn_CreateBin")->toolTip(), text(TextId::Main_UpdateActualFirmwareConfigurationDevice));
    EXPECT_EQ(button("Btn_PROFIBUS_GSD")->toolTip(), QStringLiteral("Create the GSD File for PROFIBUS"));
    EXPECT_EQ(button("Btn_Close")->toolTip(), QStringLiteral("Close Configurator"));
}

TEST_F(MainWindowTest, ProjectStepsWithoutAProjectShowText18AndOpenNothing)
{
    EXPECT_EQ(label("L_Name_Conf"), QStringLiteral("None Configuration Opened "));
    EXPECT_EQ(label("L_Name_Conf_L2"), QStringLiteral("Use Step1 to open or create new configuration"));
    for (const char *name : {"Btn_Prm_Gen", "Btn_S7_Protocol_Access", "Btn_PROFIBUS_GSD", "Btn_CreateBin"}) {
        button(name)->click();
        EXPECT_EQ(tc.messages.takeOne(Kind::Error), QStringLiteral("Error! Project not Valid")) << name;
    }
    EXPECT_EQ(tc.modal.shown(), 0);
    EXPECT_FALSE(tc.workspace.exists(QStringLiteral("PROJECTS/bin")));
}

TEST_F(MainWindowTest, ProjectStepsOpenTheirWindowsWithAProject)
{
    tc.openNewProject(QStringLiteral("Plant"));
    tc.modal.expect([](QDialog &d) { EXPECT_EQ(d.objectName(), QStringLiteral("TFParGen")); });
    button("Btn_Prm_Gen")->click();
    tc.modal.expect([](QDialog &d) { EXPECT_EQ(d.objectName(), QStringLiteral("TFS7_Protocol_Set_Access")); });
    button("Btn_S7_Protocol_Access")->click();
    tc.modal.expect([](QDialog &d) { EXPECT_EQ(d.objectName(), QStringLiteral("TFAbout")); });
    button("Btn_Info")->click();
    EXPECT_EQ(tc.modal.shown(), 3);
}

TEST_F(MainWindowTest, NewProjectOpensItAndOpenDialogCancelChangesNothing)
{
    tc.modal.expect([](QDialog &d) {
        Child<QLineEdit>(&d, "E_New_Proj")->setText(QStringLiteral("Line 4"));
        Child<QPushButton>(&d, "Btn_OK")->click();
    });
    button("Btn_New")->click();
    EXPECT_EQ(label("L_Name_Conf"), QStringLiteral("Opened Configuration of the Converter : "));
    EXPECT_EQ(label("L_Name_Conf_L2"), QStringLiteral("Line 4"));
    EXPECT_TRUE(QFileInfo(tc.workspace.file(QStringLiteral("PROJECTS/Line 4/bin"))).isDir());
    EXPECT_EQ(tc.context.workspace.ParGen_File, Native(tc.workspace.file(QStringLiteral("PROJECTS/Line 4/ParGen.xml"))));

    tc.workspace.mkdir(QStringLiteral("PROJECTS/Other"));
    tc.modal.expect([](QDialog &d) {
        auto *list = Child<QListWidget>(&d, "ListBox1");
        list->setCurrentItem(list->findItems(QStringLiteral("Other"), Qt::MatchExactly).first());
        Child<QPushButton>(&d, "Btn_Cancel")->click();
    });
    button("Btn_Open")->click();
    EXPECT_EQ(label("L_Name_Conf_L2"), QStringLiteral("Line 4"));
    EXPECT_EQ(tc.context.workspace.Project_Name, QStringLiteral("Line 4"));

    tc.modal.expect([](QDialog &d) {
        auto *list = Child<QListWidget>(&d, "ListBox1");
        list->setCurrentItem(list->findItems(QStringLiteral("Other"), Qt::MatchExactly).first());
        Child<QPushButton>(&d, "Btn_OK")->click();
    });
    button("Btn_Open")->click();
    EXPECT_EQ(label("L_Name_Conf_L2"), QStringLiteral("Other"));
    EXPECT_EQ(tc.context.workspace.Project_Dir, Native(tc.workspace.file(QStringLiteral("PROJECTS/Other"))));
    EXPECT_EQ(tc.context.workspace.S7_Protocol_File,
              Native(tc.workspace.file(QStringLiteral("PROJECTS/Other/S7_Protocol.xml"))));
}

TEST_F(MainWindowTest, OpeningAnEmptyProjectsFolderLeavesNoProjectOpen)
{
    tc.openNewProject(QStringLiteral("Gone"));
    QDir(tc.workspace.file(QStringLiteral("PROJECTS/Gone"))).removeRecursively();
    tc.modal.expect([](QDialog &d) {
        EXPECT_EQ(Child<QListWidget>(&d, "ListBox1")->count(), 0);
        Child<QPushButton>(&d, "Btn_OK")->click();
    });
    button("Btn_Open")->click();
    EXPECT_FALSE(tc.context.workspace.projectOpen());
    EXPECT_EQ(label("L_Name_Conf"), text(TextId::Main_NoneConfigurationOpened));
    EXPECT_EQ(label("L_Name_Conf_L2"), text(TextId::Main_UseStep1OpenCreateNewConfiguration));
}

TEST_F(MainWindowTest, UpdateStepWritesTheBankFilesEveryTimeAndShowsTheUpdateWindow)
{
    const QString dir = tc.openNewProject(QStringLiteral("Plant"));
    // Without ParGen.xml the step is refused before anything is compiled, as the GSD step is.
    button("Btn_CreateBin")->click();
    EXPECT_EQ(tc.messages.takeOne(Kind::Error),
              "Error! Please set the Set Communication Parameter before to update the device");
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("/bin/bank1.bin")));
    EXPECT_EQ(tc.modal.shown(), 0);

    Write_ParGen(tc.context.workspace.ParGen_File, CommParams::windowDefaults());
    for (int press = 0; press < 2; ++press) {
        QFile::remove(dir + QStringLiteral("/bin/bank1.bin"));
        QFile::remove(dir + QStringLiteral("/bin/bank2.bin"));
        windows->boot->Form_Type = 0;
        tc.modal.expect([&](QDialog &d) {
            EXPECT_EQ(&d, windows->boot.get());
            EXPECT_EQ(windows->boot->Form_Type, 1);
        });
        button("Btn_CreateBin")->click();
        EXPECT_EQ(QFileInfo(dir + QStringLiteral("/bin/bank1.bin")).size(), 2048) << press;
        EXPECT_EQ(QFileInfo(dir + QStringLiteral("/bin/bank2.bin")).size(), 28672) << press;
    }
}

TEST_F(MainWindowTest, UpdateStepThatCannotWriteTheBanksReportsTheFileAndOpensNoWindow)
{
    const QString dir = tc.openNewProject(QStringLiteral("Plant"));
    Write_ParGen(tc.context.workspace.ParGen_File, CommParams::windowDefaults());
    // A folder in the place of bank1.bin: the images cannot be written.
    tc.workspace.mkdir(QStringLiteral("PROJECTS/Plant/bin/bank1.bin"));
    button("Btn_CreateBin")->click();
    const QString report = tc.messages.takeOne(Kind::GeneralError);
    EXPECT_TRUE(report.contains(QStringLiteral("bank1.bin"))) << report.toStdString();
    EXPECT_EQ(tc.modal.shown(), 0);

    // A ParGen.xml that is not well-formed ends the step the same way.
    QDir(dir + QStringLiteral("/bin/bank1.bin")).removeRecursively();
    tc.workspace.write(QStringLiteral("PROJECTS/Plant/ParGen.xml"), "<Par_Gen><S7_Protocol_IP1>");
    button("Btn_CreateBin")->click();
    EXPECT_FALSE(tc.messages.takeOne(Kind::GeneralError).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("/bin/bank1.bin")));
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("/bin/bank2.bin")));
}

TEST_F(MainWindowTest, GsdStepAsksForTheFileAndWritesIt)
{
    const QString dir = tc.openNewProject(QStringLiteral("Plant"));
    button("Btn_PROFIBUS_GSD")->click();
    EXPECT_EQ(tc.messages.takeOne(Kind::Error), text(TextId::Rows_ErrorPleaseSetSetCommunicationParameter));
    EXPECT_TRUE(tc.files.requests.isEmpty());

    CommParams params = CommParams::windowDefaults();
    params.texts[CommParams::PROFINET_NB_IN] = QStringLiteral("65");  // the GSD's output length
    params.texts[CommParams::PROFINET_NB_OUT] = QStringLiteral("10"); // its input length
    Write_ParGen(tc.context.workspace.ParGen_File, params);

    tc.files.answer(QString()); // cancelled
    button("Btn_PROFIBUS_GSD")->click();
    ASSERT_EQ(tc.files.requests.size(), 1);
    EXPECT_EQ(tc.files.requests[0].folder, tc.context.workspace.Project_Dir);
    EXPECT_EQ(tc.files.requests[0].filter, QStringLiteral("Generic Station Description (*.gsd)"));

    tc.files.answer(dir + QStringLiteral("/Station"));
    button("Btn_PROFIBUS_GSD")->click();
    const QByteArray gsd = tc.workspace.read(QStringLiteral("PROJECTS/Plant/Station.gsd"));
    EXPECT_TRUE(gsd.contains("Max_Input_Len=10\r\n"));
    EXPECT_TRUE(gsd.contains("Max_Output_Len=65\r\n"));

    // An existing file: No keeps it, Yes replaces it. A name ending in ".GSD" is kept as it is.
    tc.workspace.write(QStringLiteral("PROJECTS/Plant/Old.GSD"), "old");
    tc.files.answer(dir + QStringLiteral("/Old.GSD"));
    tc.messages.answerNextQuestion(false);
    button("Btn_PROFIBUS_GSD")->click();
    EXPECT_EQ(tc.messages.takeOne(Kind::Question), QStringLiteral("File already exists! Do you want to overwrite the file?"));
    EXPECT_EQ(tc.workspace.read(QStringLiteral("PROJECTS/Plant/Old.GSD")), QByteArray("old"));
    tc.files.answer(dir + QStringLiteral("/Old.GSD"));
    tc.messages.answerNextQuestion(true);
    button("Btn_PROFIBUS_GSD")->click();
    tc.messages.takeOne(Kind::Question);
    EXPECT_TRUE(tc.workspace.read(QStringLiteral("PROJECTS/Plant/Old.GSD")).startsWith(";\r\n"));

    tc.workspace.write(QStringLiteral("PROJECTS/Plant/ParGen.xml"), "<Par_Gen>");
    button("Btn_PROFIBUS_GSD")->click();
    EXPECT_FALSE(tc.messages.takeOne(Kind::GeneralError).isEmpty());
}

TEST_F(MainWindowTest, CloseSavesTheSettingsAndKeepsAMissingLastProjectsName)
{
    AppSettings stored;
    stored.Ip_Address = QStringLiteral("10.1.1.9");
    Save_Setting(tc.workspace.file(QStringLiteral("Brivant.xml")), QStringLiteral("Deleted"), stored);
    restart();
    EXPECT_FALSE(tc.context.workspace.projectOpen());
    EXPECT_EQ(label("L_Name_Conf"), text(TextId::Main_NoneConfigurationOpened));
    EXPECT_EQ(label("L_Name_Conf_L2"), text(TextId::Main_UseStep1OpenCreateNewConfiguration));
    main().show();
    button("Btn_Close")->click();
    EXPECT_FALSE(main().isVisible());
    const StoredSettings saved = Load_Setting(tc.workspace.file(QStringLiteral("Brivant.xml")));
    EXPECT_EQ(saved.Project_Name, QStringLiteral("Deleted"));
    EXPECT_EQ(saved.settings.Ip_Address, QStringLiteral("10.1.1.9"));

    tc.workspace.mkdir(QStringLiteral("PROJECTS/Deleted"));
    restart();
    EXPECT_EQ(label("L_Name_Conf"), text(TextId::Main_OpenedConfigurationConverter));
    EXPECT_EQ(label("L_Name_Conf_L2"), QStringLiteral("Deleted"));

    // A settings file that cannot be written is reported; the window closes all the same.
    QFile::remove(tc.workspace.file(QStringLiteral("Brivant.xml")));
    tc.workspace.mkdir(QStringLiteral("Brivant.xml"));
    main().show();
    main().close();
    EXPECT_TRUE(tc.messages.takeOne(Kind::GeneralError).contains(QStringLiteral("Brivant.xml")));
    EXPECT_FALSE(main().isVisible());
}

TEST_F(MainWindowTest, UpdateTimerFollowsTheInternetOptions)
{
    EXPECT_FALSE(timer()->isActive());
    EXPECT_EQ(timer()->interval(), 60000);

    struct Case
    {
        bool internet, update, active;
    };
    for (const Case c : {Case{true, false, false}, Case{false, true, false}, Case{true, true, true}}) {
        AppSettings stored;
        stored.Enable_Internet = c.internet;
        stored.Enable_Update = c.update;
        Save_Setting(tc.workspace.file(QStringLiteral("Brivant.xml")), QString(), stored);
        restart();
        EXPECT_EQ(timer()->isActive(), c.active) << c.internet << c.update;
    }

    // A tick: the check runs, the link stays hidden without a newer version, and the next
    // check comes two hours later.
    main().Timer_UpdateTimer();
    EXPECT_FALSE(Child(windows->main.get(), "LL_Update")->isVisibleTo(&main()));
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(timer()->interval(), 7200000);
}

TEST_F(MainWindowTest, ANewerVersionShowsTheLinkWithItsTextEscaped)
{
    FixedAnswerHttpClient http;
    http.answer = QByteArray("VER. 1.003");
    tc.context.services.http = &http;
    tc.context.texts.setText(TextId::Main_NewVersionAvailableClickHereMore, QStringLiteral("New <b>1.003</b> & more"));
    main().show();
    main().Timer_UpdateTimer();
    ASSERT_EQ(http.asked.size(), 1);
    auto *link = Child<QLabel>(windows->main.get(), "LL_Update");
    EXPECT_TRUE(link->isVisible());
    EXPECT_EQ(link->text(), QStringLiteral("<a href=\"http://www.norvalt.example/Home/download/download.asp#DA52840\">"
                                           "New &lt;b&gt;1.003&lt;/b&gt; &amp; more</a>"));
    emit link->linkActivated(QStringLiteral("http://www.norvalt.example/Home/download/download.asp#DA52840"));
    ASSERT_EQ(tc.urls.opened.size(), 1);
    EXPECT_EQ(tc.urls.opened[0].fragment(), QStringLiteral("DA52840"));

    // A later check that finds nothing newer hides the link again.
    http.answer = QByteArray("VER. 1.002");
    main().Timer_UpdateTimer();
    EXPECT_FALSE(link->isVisible());
    tc.context.services.http = nullptr;
}

TEST_F(MainWindowTest, OptionsOkSavesTheSettingsAndSetsTheTimerCancelDoesNot)
{
    tc.modal.expect([&](QDialog &d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("TFSoftOptions"));
        tc.context.settings.Enable_Internet = true;
        tc.context.settings.Enable_Update = true;
    });
    button("Btn_Opz")->click();
    EXPECT_FALSE(timer()->isActive());
    EXPECT_FALSE(tc.workspace.exists(QStringLiteral("Brivant.xml")));

    tc.modal.expect([](QDialog &d) { d.accept(); });
    button("Btn_Opz")->click();
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(timer()->remainingTime() > 50000, true); // the first check a minute later, not at once
    EXPECT_TRUE(Load_Setting(tc.workspace.file(QStringLiteral("Brivant.xml"))).settings.Enable_Update);
}

TEST_F(MainWindowTest, WebAddressLabelOpensTheHomePage)
{
    main().show();
    QTest::mouseClick(Child(windows->main.get(), "L_Norvalt"), Qt::LeftButton);
    ASSERT_EQ(tc.urls.opened.size(), 1);
    EXPECT_EQ(tc.urls.opened[0].toString(), QStringLiteral("http://www.norvalt.example/HOME/default.asp?frompg=ZE52840"));
}

TEST_F(MainWindowTest, ChangeLanguageRelabelsEveryWindowButAbout)
{
    TextTable &t = tc.context.texts;
    t.setText(TextId::Main_NewConfiguration, QStringLiteral("Nuova"));
    t.setText(TextId::Main_NoneConfigurationOpened, QStringLiteral("Nessuna"));
    t.setText(TextId::NewProject_CreateNewConfiguration, QStringLiteral("Crea"));
    t.setText(TextId::OpenConf_OpenConfiguration, QStringLiteral("Apri"));
    t.setText(TextId::Options_SoftwareOptions, QStringLiteral("Opzioni"));
    t.setText(TextId::Boot_UpdateDeviceEthernetUDP, QStringLiteral("Aggiorna"));
    t.setText(TextId::ParGen_SetCommunication, QStringLiteral("Comunicazione"));
    t.setText(TextId::S7_S7commAccess, QStringLiteral("Accesso"));
    ASSERT_TRUE(tc.context.changeLanguage);
    tc.context.changeLanguage();
    EXPECT_EQ(button("Btn_New")->text(), QStringLiteral("Nuova"));
    EXPECT_EQ(label("L_Name_Conf"), QStringLiteral("Nessuna"));
    EXPECT_EQ(windows->newProject->windowTitle(), QStringLiteral("Crea"));
    EXPECT_EQ(windows->openConf->windowTitle(), QStringLiteral("Apri"));
    EXPECT_EQ(windows->options->windowTitle(), QStringLiteral("Opzioni"));
    EXPECT_EQ(windows->boot->windowTitle(), QStringLiteral("Aggiorna"));
    EXPECT_EQ(windows->parGen->windowTitle(), QStringLiteral("Comunicazione"));
    EXPECT_EQ(windows->access->windowTitle(), QStringLiteral("Accesso"));
    EXPECT_EQ(windows->about->windowTitle(), QStringLiteral("About..."));

    // Texts from a language file are shown as they are, never as markup.
    t.setText(TextId::Main_Step1, QStringLiteral("<b>Passo</b> 1"));
    tc.context.changeLanguage();
    EXPECT_EQ(Child<QLabel>(windows->main.get(), "L_Step_1")->textFormat(), Qt::PlainText);
}

TEST_F(MainWindowTest, AboutShowsTheIdentityAndLinksToTheHomePage)
{
    TFAbout &about = *windows->about;
    about.show();
    EXPECT_EQ(about.size(), QSize(425, 148));
    EXPECT_EQ(Child<QLabel>(&about, "Label2")->text(), QStringLiteral("R7araz / IRUDODAZ Uzizu - Zovaredid"));
    EXPECT_EQ(Child<QLabel>(&about, "Label9")->text(), QStringLiteral("ZE52840"));
    EXPECT_EQ(Child<QLabel>(&about, "Label10")->text(), QStringLiteral("1.002"));
    EXPECT_EQ(Child<QLabel>(&about, "Label12")->text(), QStringLiteral("RU52840"));
    QTest::mouseClick(Child(&about, "Label4"), Qt::LeftButton);
    QTest::mouseClick(Child(&about, "Image2"), Qt::LeftButton);
    ASSERT_EQ(tc.urls.opened.size(), 2);
    EXPECT_EQ(tc.urls.opened[1], tc.urls.opened[0]);
    EXPECT_EQ(tc.urls.opened[0].path(), QStringLiteral("/HOME/default.asp"));
    Child<QPushButton>(&about, "LbButton1")->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}

} // namespace
