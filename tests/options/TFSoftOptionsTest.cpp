#include "app/WebServer.h"
#include "options/VersionCheck.h"
#include "options/ui/TFSoftOptions.h"
#include "platform/HttpClient.h"
#include "platform/qt/QtHttpClient.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestContext.h"
#include "texts/TextId.h"

#include <QBuffer>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Answers every GET with one scripted body (or failure) and records what it was asked.
class ScriptedHttpClient : public HttpClient
{
public:
    std::optional<QByteArray> get(const QUrl &url, const QByteArray &accept, int timeoutMs) override
    {
        urls.append(url);
        accepts.append(accept);
        timeouts.append(timeoutMs);
        return answer;
    }
    std::optional<QByteArray> answer;
    QList<QUrl> urls;
    QList<QByteArray> accepts;
    QList<int> timeouts;
};

struct EnvironmentGuard
{
    explicit EnvironmentGuard(const QByteArray &value) { qputenv(WebServer::kEnvironmentVariable, value); }
    ~EnvironmentGuard() { qunsetenv(WebServer::kEnvironmentVariable); }
};

QByteArray bmp(Qt::GlobalColor color)
{
    QImage image(48, 32, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

// German texts for the labels that the tests read.
const QByteArray kDeutsch = "STR300 = Software-Optionen\r\n"
                            "STR304 = \xC2\xB6Gew\xC3\xA4hlte Sprache : \xC2\xB6\r\n"
                            "STR305 = \xC2\xB6Seite \xC2\xB6\r\n"
                            "STR306 = \xC2\xB6 von \xC2\xB6\r\n"
                            "STR307 = Zur\xC3\xBC" "ck\r\n"
                            "STR316 = \xC2\xB6Sprache wechseln von \xC2\xB6\r\n";

class SoftOptionsTest : public ::testing::Test
{
protected:
    void addLanguage(const QString &name, const QByteArray &content = "STR1 = x\r\n")
    {
        tc.workspace.write(QStringLiteral("LANGUAGE/") + name, content);
    }

    // Creates and shows the window (which lists the languages as it is shown).
    TFSoftOptions &open()
    {
        window = std::make_unique<TFSoftOptions>(tc.context);
        window->show();
        return *window;
    }

    template <typename T> T *child(const char *name)
    {
        T *found = window->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QLabel *label(const char *name) { return child<QLabel>(name); }
    QCheckBox *box(const char *name) { return child<QCheckBox>(name); }
    QPushButton *button(const char *name) { return child<QPushButton>(name); }
    void click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center()); }

    // The names of the visible language entries, in entry order.
    QStringList shownNames()
    {
        QStringList names;
        for (int k = 1; k <= 6; ++k) {
            QLabel *name = label(QStringLiteral("L_L%1").arg(k).toLatin1().constData());
            if (!name->isHidden())
                names.append(name->text());
        }
        return names;
    }

    TestContext tc;
    std::unique_ptr<TFSoftOptions> window;
};

TEST_F(SoftOptionsTest, LanguagePagesOfSix)
{
    const struct
    {
        int files;
        const char *firstPage;
        int onFirstPage;
        bool nextShown;
    } cases[] = {
        {0, "Page 1 / 1", 0, false},
        {6, "Page 1 / 1", 6, false},
        {7, "Page 1 / 2", 6, true},
        {12, "Page 1 / 2", 6, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.files);
        TestContext fresh;
        for (int i = 1; i <= c.files; ++i)
            fresh.workspace.write(QStringLiteral("LANGUAGE/Lang%1.lng").arg(i, 2, 10, QLatin1Char('0')), "");
        TFSoftOptions w(fresh.context);
        w.show();
        const auto names = [&w] {
            QStringList shown;
            for (int k = 1; k <= 6; ++k) {
                auto *name = w.findChild<QLabel *>(QStringLiteral("L_L%1").arg(k));
                if (!name->isHidden())
                    shown.append(name->text());
            }
            return shown;
        };
        auto *prev = w.findChild<QPushButton *>("Btn_Prev");
        auto *next = w.findChild<QPushButton *>("Btn_Next");
        auto *page = w.findChild<QLabel *>("L_Page_Lang");
        EXPECT_EQ(page->text(), c.firstPage);
        EXPECT_TRUE(prev->isHidden());
        EXPECT_EQ(!next->isHidden(), c.nextShown);
        EXPECT_EQ(names().size(), c.onFirstPage);
        if (c.onFirstPage > 0) {
            EXPECT_EQ(names().first(), "Lang01");
        }

        QTest::mouseClick(next, Qt::LeftButton);
        if (!c.nextShown)
            continue;
        EXPECT_EQ(page->text(), "Page 2 / 2");
        EXPECT_FALSE(prev->isHidden());
        EXPECT_TRUE(next->isHidden());
        QStringList expected;
        for (int i = 7; i <= c.files; ++i)
            expected.append(QStringLiteral("Lang%1").arg(i, 2, 10, QLatin1Char('0')));
        EXPECT_EQ(names(), expected);

        QTest::mouseClick(prev, Qt::LeftButton);
        EXPECT_EQ(page->text(), "Page 1 / 2");
        EXPECT_EQ(names().size(), 6);
    }
}

TEST_F(SoftOptionsTest, LanguageListSortedWithoutCaseAndOnlyWritableFiles)
{
    addLanguage("english.lng");
    addLanguage("Deutsch.lng");
    addLanguage("alpha.lng");
    addLanguage("Zulu.lng");
    addLanguage("Locked.lng");
    QFile::setPermissions(tc.workspace.file("LANGUAGE/Locked.lng"), QFile::ReadOwner | QFile::ReadGroup);
    tc.workspace.mkdir("LANGUAGE/Folder.lng");
    QFile::link(tc.workspace.file("LANGUAGE/english.lng"), tc.workspace.file("LANGUAGE/Link.lng"));
    addLanguage("Notes.txt");
    addLanguage("Shouting.LNG");

    open();
    EXPECT_EQ(window->languageFiles(), QStringList({"alpha.lng", "Deutsch.lng", "english.lng", "Zulu.lng"}));
    EXPECT_EQ(shownNames(), QStringList({"alpha", "Deutsch", "english", "Zulu"}));
    EXPECT_EQ(label("L_Sel_Lang")->text(), "Selected Language : English");
}

TEST_F(SoftOptionsTest, FlagOfTheLanguageElseDefaultFlagElseNone)
{
    addLanguage("Deutsch.lng");
    addLanguage("English.lng");
    tc.workspace.write("LANGUAGE/Deutsch.bmp", bmp(Qt::red));
    tc.workspace.write("LANGUAGE/DefaultFlag.bmp", bmp(Qt::blue));

    open();
    QLabel *deutsch = label("I_L1");
    QLabel *english = label("I_L2");
    ASSERT_FALSE(deutsch->isHidden());
    ASSERT_FALSE(english->isHidden());
    const QImage own = deutsch->pixmap().toImage();
    EXPECT_LE(own.width(), TFSoftOptions::kFlagSize);
    EXPECT_EQ(own.pixelColor(own.rect().center()), QColor(Qt::red));
    const QImage fallback = english->pixmap().toImage();
    EXPECT_EQ(fallback.pixelColor(fallback.rect().center()), QColor(Qt::blue));

    QFile::remove(tc.workspace.file("LANGUAGE/DefaultFlag.bmp"));
    open();
    EXPECT_FALSE(label("I_L1")->isHidden());
    EXPECT_TRUE(label("I_L2")->isHidden());
    EXPECT_FALSE(label("L_L2")->isHidden());
    EXPECT_EQ(label("L_L2")->text(), "English");
}

TEST_F(SoftOptionsTest, UnreadableFlagIsReportedAndTheWindowStaysUsable)
{
    addLanguage("Deutsch.lng");
    addLanguage("English.lng");
    tc.workspace.write("LANGUAGE/Deutsch.bmp", "not a picture");
    tc.context.settings.Enable_Internet = true;

    open();
    const QString report = tc.messages.takeOne(FakeMessageService::Kind::GeneralError);
    EXPECT_TRUE(report.contains("Deutsch.bmp")) << report.toStdString();
    EXPECT_TRUE(label("I_L1")->isHidden());
    EXPECT_EQ(shownNames(), QStringList({"Deutsch", "English"}));
    EXPECT_TRUE(box("CB_En_Con")->isChecked());
}

TEST_F(SoftOptionsTest, SwitchingLanguageAppliesAtOnceButBecomesTheSettingOnlyOnOk)
{
    addLanguage("Deutsch.lng", kDeutsch);
    addLanguage("English.lng");
    int relabelled = 0;
    tc.context.changeLanguage = [&] {
        ++relabelled;
        window->Set_Lang();
    };

    open();
    tc.messages.answerNextQuestion(false);
    click(label("L_L1"));
    EXPECT_EQ(tc.messages.takeOne(FakeMessageService::Kind::Question),
              "Do you want to change the Language from English to Deutsch?");
    EXPECT_EQ(relabelled, 0);
    EXPECT_EQ(window->windowTitle(), "Software Options");

    tc.messages.answerNextQuestion(true);
    click(label("I_L1"));
    tc.messages.takeOne(FakeMessageService::Kind::Question);
    EXPECT_EQ(relabelled, 1);
    EXPECT_EQ(window->windowTitle(), "Software-Optionen");
    EXPECT_EQ(label("L_Sel_Lang")->text(), "Gewählte Sprache : Deutsch");
    EXPECT_EQ(button("Btn_Prev")->text(), "Zurück");
    EXPECT_EQ(tc.context.settings.Language, "English");

    // A message shown later already speaks the new language.
    tc.messages.answerNextQuestion(false);
    click(label("L_L2"));
    EXPECT_EQ(tc.messages.takeOne(FakeMessageService::Kind::Question),
              "Sprache wechseln von Deutsch to English?");

    click(button("Btn_Cancel"));
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_EQ(tc.context.settings.Language, "English");
    EXPECT_EQ(tc.context.text(TextId::Options_SoftwareOptions), "Software-Optionen");

    // Shown again, the window starts from the setting; confirmed, the choice is stored.
    window->show();
    EXPECT_EQ(window->languageInUse(), "English");
    tc.messages.answerNextQuestion(true);
    click(label("L_L1"));
    tc.messages.takeOne(FakeMessageService::Kind::Question);
    click(button("Btn_OK"));
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(tc.context.settings.Language, "Deutsch");
}

TEST_F(SoftOptionsTest, SwitchingOnPageTwoKeepsThePageInTheNewLanguage)
{
    for (int i = 1; i <= 6; ++i)
        addLanguage(QStringLiteral("A%1.lng").arg(i));
    addLanguage("Deutsch.lng", kDeutsch); // the seventh, alone on page 2
    tc.context.changeLanguage = [&] { window->Set_Lang(); };

    open();
    ASSERT_EQ(window->languageFiles().last(), "Deutsch.lng");
    click(button("Btn_Next"));
    tc.messages.answerNextQuestion(true);
    click(label("L_L1"));
    tc.messages.takeOne(FakeMessageService::Kind::Question);
    EXPECT_EQ(label("L_Page_Lang")->text(), "Seite 2 von 2");
    EXPECT_EQ(shownNames(), QStringList({"Deutsch"}));
    EXPECT_EQ(window->shownPage(), 2);
}

TEST_F(SoftOptionsTest, InternetOptionsFollowTheBoxesAndAreStoredOnOk)
{
    tc.context.settings.Enable_Internet = true;
    tc.context.settings.Enable_Update = true;
    open();
    QCheckBox *internet = box("CB_En_Con");
    QCheckBox *update = box("CB_Update");
    QPushButton *check = button("Btn_Check_Update");
    EXPECT_TRUE(update->isEnabled());
    EXPECT_TRUE(check->isEnabled());

    internet->click();
    EXPECT_FALSE(update->isEnabled());
    EXPECT_TRUE(update->isChecked());
    EXPECT_FALSE(check->isEnabled());
    internet->click();
    EXPECT_TRUE(check->isEnabled());
    update->click();
    EXPECT_TRUE(update->isEnabled());
    EXPECT_FALSE(check->isEnabled());

    box("CB_Soft_Set_Jump_Table")->click();
    box("CB_DoubleClick_Auto_Size")->click();
    click(button("Btn_OK"));
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_TRUE(tc.context.settings.Enable_Internet);
    EXPECT_FALSE(tc.context.settings.Enable_Update);
    EXPECT_TRUE(tc.context.settings.Enable_Jump_Field_Tables);
    EXPECT_TRUE(tc.context.settings.Double_Click_Auto_Size);
    EXPECT_EQ(tc.context.settings.Language, "English");
}

TEST_F(SoftOptionsTest, CancelStoresNothing)
{
    open();
    box("CB_En_Con")->click();
    click(button("Btn_Cancel"));
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_FALSE(tc.context.settings.Enable_Internet);
    window->show();
    EXPECT_FALSE(box("CB_En_Con")->isChecked());
}

TEST_F(SoftOptionsTest, CheckButtonShowsTheLinkOrNoUpdate)
{
    EnvironmentGuard env("127.0.0.1:1");
    ScriptedHttpClient http;
    tc.context.services.http = &http;
    tc.context.settings.Enable_Internet = tc.context.settings.Enable_Update = true;
    open();
    QLabel *result = label("LL_Check_Update");
    EXPECT_TRUE(result->isHidden());

    http.answer = "VER. 1.003";
    click(button("Btn_Check_Update"));
    EXPECT_FALSE(result->isHidden());
    EXPECT_EQ(result->text(), "<a href=\"http://127.0.0.1:1/Home/download/download.asp#DA52840\">"
                              "New Version Available. Click Here for more Details</a>");
    ASSERT_EQ(http.urls.size(), 1);
    EXPECT_EQ(http.urls[0].toString(), "http://127.0.0.1:1/home/download/GetversionSW.asp?nomesw=ZE52840");
    EXPECT_EQ(http.accepts[0], kVersionAccept);
    EXPECT_EQ(http.timeouts[0], kVersionCheckTimeoutMs);

    emit result->linkActivated("http://127.0.0.1:1/Home/download/download.asp#DA52840");
    EXPECT_EQ(tc.urls.opened, QList<QUrl>({QUrl("http://127.0.0.1:1/Home/download/download.asp#DA52840")}));

    // No newer version, an unknown software code, no answer at all.
    const struct
    {
        std::optional<QByteArray> answer;
        const char *shown;
    } answers[] = {
        {"VER. 1.002", "No Update Available"},
        {"VER. 0.000", "No Update Available"},
        {std::nullopt, "The version server could not be reached."},
    };
    for (const auto &a : answers) {
        http.answer = a.answer;
        click(button("Btn_Check_Update"));
        EXPECT_EQ(result->text(), a.shown);
    }

    window->hide();
    window->show();
    EXPECT_TRUE(result->isHidden());
}

TEST_F(SoftOptionsTest, ResultTextsFromALanguageFileCannotAddMarkup)
{
    addLanguage("Evil.lng", "STR314 = <b>New</b></a><a href=\"http://elsewhere/\">x\r\n"
                            "STR315 = <a href=\"http://elsewhere/\">none</a>\r\n");
    tc.context.settings.Language = "Evil";
    tc.startup();
    ScriptedHttpClient http;
    tc.context.services.http = &http;
    tc.context.settings.Enable_Internet = tc.context.settings.Enable_Update = true;
    open();
    QLabel *result = label("LL_Check_Update");

    http.answer = "VER. 1.003";
    click(button("Btn_Check_Update"));
    EXPECT_EQ(result->text().count("<a "), 1) << result->text().toStdString();
    EXPECT_FALSE(result->text().contains("elsewhere/\">")) << result->text().toStdString();

    http.answer = "VER. 1.002";
    click(button("Btn_Check_Update"));
    EXPECT_FALSE(result->text().contains("<a")) << result->text().toStdString();
}

TEST_F(SoftOptionsTest, CheckVersionAsksTheConfiguredServer)
{
    LoopbackHttpServer server;
    EnvironmentGuard env(server.hostAndPort().toLatin1());
    QtHttpClient http;
    tc.context.services.http = &http;
    open();

    server.setBody("VER. 1.003\r\n");
    EXPECT_TRUE(window->Check_Version());
    server.setBody("VER. 0.000");
    EXPECT_FALSE(window->Check_Version());
    EXPECT_EQ(server.requests().size(), 2);

    tc.context.services.http = nullptr;
    EXPECT_FALSE(window->Check_Version());
}

} // namespace
