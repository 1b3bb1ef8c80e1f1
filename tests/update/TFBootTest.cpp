#include "JobXml.h"
#include "UpdateFakes.h"

#include "support/TestContext.h"
#include "texts/TextId.h"
#include "update/ui/ProgramWaitDialog.h"
#include "update/ui/TFBoot.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Kind = FakeMessageService::Kind;

class TFBootTest : public ::testing::Test
{
protected:
    TFBootTest()
    {
        tc.context.services.echo = &echo;
        tc.context.services.clock = &clock;
        tc.context.services.processes = &processes;
        tc.openNewProject(QStringLiteral("Line4"));
    }

    static QLineEdit *ip(QDialog &d, int n) { return d.findChild<QLineEdit *>(QStringLiteral("E_IP%1").arg(n)); }
    static QStringList fields(QDialog &d) { return {ip(d, 1)->text(), ip(d, 2)->text(), ip(d, 3)->text(), ip(d, 4)->text()}; }
    static void type(QDialog &d, const QStringList &parts)
    {
        for (int n = 1; n <= 4; ++n)
            ip(d, n)->setText(parts.value(n - 1));
    }
    static QComboBox *options(QDialog &d) { return d.findChild<QComboBox *>(QStringLiteral("CB_Update_Options")); }
    static QCheckBox *readBack(QDialog &d) { return d.findChild<QCheckBox *>(QStringLiteral("CB_Update_Option_Read_Back")); }
    static void press(QDialog &d, const char *button)
    {
        QTest::mouseClick(d.findChild<QPushButton *>(QString::fromLatin1(button)), Qt::LeftButton);
    }
    // Shows the window modally through the fake runner and hands it to `handler`.
    void show(TFBoot &boot, FakeModalRunner::Handler handler)
    {
        tc.modal.expect(std::move(handler));
        tc.context.services.modal->run(boot);
    }
    QString jobFile() const { return tc.context.workspace.updateJobFile(); }

    TestContext tc;
    FakeClock clock;
    FakeEchoClient echo{clock};
    FakeProcessRunner processes;
};

TEST_F(TFBootTest, ShowingFillsTheFieldsFromTheStoredAddressWhenItIsValid)
{
    struct Case
    {
        const char *stored;
        QStringList fields;
    };
    const Case cases[] = {
        {"192.168.2.205", {"192", "168", "2", "205"}},
        {"  10 . 1 .2 . 3\t", {"10", "1", "2", "3"}},
        {"10.0.0", {"7", "7", "7", "7"}},
        {"10.0.0.300", {"7", "7", "7", "7"}},
        {"", {"7", "7", "7", "7"}},
    };
    TFBoot boot(tc.context);
    for (const Case &c : cases) {
        type(boot, {"7", "7", "7", "7"}); // what an earlier showing left
        tc.context.settings.Ip_Address = QString::fromLatin1(c.stored);
        show(boot, [&](QDialog &d) {
            EXPECT_EQ(fields(d), c.fields) << c.stored;
            EXPECT_EQ(d.focusWidget(), ip(d, 1)) << c.stored;
        });
    }
    TFBoot fresh(tc.context);
    EXPECT_EQ(fields(fresh), (QStringList{"0", "0", "0", "0"}));
}

TEST_F(TFBootTest, TextsComeFromTheTextTable)
{
    tc.context.texts.setText(TextId::Boot_Configuration, QStringLiteral("Nur Konfiguration"));
    tc.context.texts.setText(TextId::Boot_ExecuteUpdateFirmware, QStringLiteral("Aktualisieren"));
    TFBoot boot(tc.context);
    EXPECT_EQ(boot.windowTitle(), QStringLiteral("Update Device by Ethernet (UDP)"));
    QComboBox *list = options(boot);
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->itemText(0), QStringLiteral("Firmware + Configuration"));
    EXPECT_EQ(list->itemText(2), QStringLiteral("Nur Konfiguration"));
    EXPECT_EQ(boot.findChild<QPushButton *>(QStringLiteral("Btn_Update"))->text(), QStringLiteral("Aktualisieren"));
    EXPECT_EQ(ip(boot, 3)->toolTip(), QStringLiteral("Insert third byte of IP Address"));
    EXPECT_EQ(boot.width(), 449);
}

TEST_F(TFBootTest, DotMovesToTheNextFieldAndIsNeverEntered)
{
    TFBoot boot(tc.context);
    show(boot, [&](QDialog &d) {
        type(d, {"", "", "", ""});
        QTest::keyClicks(ip(d, 1), QStringLiteral("10."));
        EXPECT_EQ(d.focusWidget(), ip(d, 2));
        QTest::keyClicks(ip(d, 2), QStringLiteral("1."));
        QTest::keyClicks(ip(d, 3), QStringLiteral("2."));
        EXPECT_EQ(d.focusWidget(), ip(d, 4));
        QTest::keyClicks(ip(d, 4), QStringLiteral("3.x"));
        EXPECT_EQ(d.focusWidget(), ip(d, 4));
        EXPECT_EQ(fields(d), (QStringList{"10", "1", "2", "3x"}));
    });
}

TEST_F(TFBootTest, SuccessfulUpdateStoresTheChoicesWritesTheJobAndStartsTheProgram)
{
    echo.script({FakeEchoClient::reply(1024)});
    TFBoot boot(tc.context);
    show(boot, [&](QDialog &d) {
        EXPECT_EQ(options(d)->currentIndex(), 0);
        EXPECT_TRUE(readBack(d)->isChecked());
        type(d, {"10", "1", "2", "3"});
        options(d)->setCurrentIndex(2);
        readBack(d)->setChecked(false);
        press(d, "Btn_Update");
        EXPECT_TRUE(d.isVisible()) << "the window stays open";
    });
    EXPECT_EQ(tc.messages.takeOne(Kind::Information), "The update program ended successfully.");
    EXPECT_EQ(echo.requests.value(0).host, QStringLiteral("10.1.2.3"));
    EXPECT_EQ(tc.context.settings.Ip_Address, QStringLiteral("10.1.2.3"));
    EXPECT_EQ(tc.context.settings.Update_Option, 2);
    EXPECT_FALSE(tc.context.settings.Read_Back);

    const QStringList job = Flatten_Xml(tc.workspace.read(QStringLiteral("Ethernet_Update.xml")));
    EXPECT_EQ(Xml_Value(job, QStringLiteral("IP_Address_Dev")), QStringLiteral("10.1.2.3"));
    EXPECT_EQ(Xml_Value(job, QStringLiteral("Operations/Operation[1]/Ope_FileName")),
              QDir::toNativeSeparators(tc.context.workspace.Project_Dir + QStringLiteral("/bin/bank1.bin")));
    EXPECT_EQ(Xml_Value(job, QStringLiteral("Operations/Operation[2]/Ope_Read_Back")), QStringLiteral("0"));

    ASSERT_EQ(processes.calls.size(), 1);
    const FakeProcessRunner::Call &call = processes.calls.first();
    // No Ethernet_Update.exe in the program folder: the one beside the configurator.
    EXPECT_EQ(call.program, QDir(boot.Own_Program_Dir).filePath(QStringLiteral("Ethernet_Update.exe")));
    EXPECT_TRUE(call.arguments.isEmpty());
    EXPECT_EQ(call.tipo, 0);
    EXPECT_EQ(call.workingDir, tc.context.workspace.Program_Dir);
    EXPECT_EQ(call.limitMs, 150000);
    EXPECT_TRUE(call.withObserver);

    // The next showing offers the choices of the successful update.
    tc.context.settings.Ip_Address = QStringLiteral("10.9.9.9");
    show(boot, [&](QDialog &d) {
        EXPECT_EQ(options(d)->currentIndex(), 2);
        EXPECT_FALSE(readBack(d)->isChecked());
        EXPECT_EQ(fields(d), (QStringList{"10", "9", "9", "9"}));
    });

    // An update program in the program folder is preferred.
    tc.workspace.write(QStringLiteral("Ethernet_Update.exe"), "#");
    show(boot, [&](QDialog &d) { press(d, "Btn_Update"); });
    tc.messages.takeOne(Kind::Information);
    ASSERT_EQ(processes.calls.size(), 2);
    EXPECT_EQ(processes.calls[1].program, tc.workspace.file(QStringLiteral("Ethernet_Update.exe")));
}

TEST_F(TFBootTest, CancelKeepsTheEarlierChoices)
{
    TFBoot boot(tc.context);
    show(boot, [&](QDialog &d) {
        options(d)->setCurrentIndex(1);
        readBack(d)->setChecked(false);
        type(d, {"10", "0", "0", "9"});
        press(d, "Btn_Cancel");
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(tc.context.settings.Ip_Address, QStringLiteral("192.168.2.205"));
    show(boot, [&](QDialog &d) {
        EXPECT_EQ(options(d)->currentIndex(), 0);
        EXPECT_TRUE(readBack(d)->isChecked());
        EXPECT_EQ(fields(d), (QStringList{"192", "168", "2", "205"}));
    });
    EXPECT_TRUE(echo.requests.isEmpty());
}

TEST_F(TFBootTest, DeviceThatDoesNotAnswerStoresWritesAndStartsNothing)
{
    struct Case
    {
        const char *name;
        std::vector<FakeEchoClient::Answer> answers;
        QStringList address;
        Kind kind;
        QString text;
    };
    const Case cases[] = {
        {"silence", {FakeEchoClient::timeout()}, {"10", "1", "2", "3"}, Kind::Warning, "Device Not Found!"},
        {"replies without data", {FakeEchoClient::reply(0)}, {"10", "1", "2", "3"}, Kind::Warning, "Device Not Found!"},
        {"no address", {FakeEchoClient::error("cannot resolve")}, {"10", "", "0", "7"}, Kind::Error,
         "Error!!! Check the Ip Address"},
        {"no ICMP socket", {FakeEchoClient::noSocket()}, {"10", "1", "2", "3"}, Kind::Error,
         "The device cannot be checked: this system allows the configurator no ICMP echo socket. Allow ICMP echo "
         "sockets for the user's group (sysctl net.ipv4.ping_group_range) or give the configurator the CAP_NET_RAW "
         "capability. (denied)"},
    };
    TFBoot boot(tc.context);
    for (const Case &c : cases) {
        echo.script(c.answers);
        const std::int64_t start = clock.nowMs();
        show(boot, [&](QDialog &d) {
            type(d, c.address);
            options(d)->setCurrentIndex(1);
            press(d, "Btn_Update");
        });
        const QList<FakeMessageService::Message> shown = tc.messages.take();
        ASSERT_EQ(shown.size(), 1) << c.name;
        EXPECT_EQ(shown[0].kind, c.kind) << c.name;
        EXPECT_EQ(shown[0].text, c.text) << c.name;
        if (c.kind == Kind::Warning) {
            EXPECT_GT(clock.nowMs() - start, 5000) << c.name << ": gave up after 5 s";
        }
        EXPECT_EQ(tc.context.settings.Ip_Address, QStringLiteral("192.168.2.205")) << c.name;
        EXPECT_EQ(tc.context.settings.Update_Option, 0) << c.name;
    }
    EXPECT_FALSE(QFileInfo::exists(jobFile()));
    EXPECT_TRUE(processes.calls.isEmpty());
}

// The update program's end is always shown: only exit 0 is a success; a failure names the
// exit code and the program's log when this run wrote to it (a log left from an earlier run
// holds that run's report and is not named).
TEST_F(TFBootTest, TheUpdateProgramsResultIsShown)
{
    using O = ProgramRun::Outcome;
    const QString log = QDir::toNativeSeparators(tc.workspace.file(QStringLiteral("Ethernet_Update.log")));
    enum class Log { None, Stale, Written, Created };
    const struct
    {
        const char *name;
        ProgramRun run;
        Log log;
        Kind kind;
        QString text;
    } cases[] = {
        {"exit 0", {O::Finished, 0, 7, {}}, Log::Written, Kind::Information, "The update program ended successfully."},
        {"exit 1 with log", {O::Finished, 1, 7, {}}, Log::Written, Kind::Error,
         "The update failed: the update program ended with exit code 1\nIts report is in " + log},
        {"exit 1 with a new log", {O::Finished, 1, 7, {}}, Log::Created, Kind::Error,
         "The update failed: the update program ended with exit code 1\nIts report is in " + log},
        {"exit 1 with the last run's log", {O::Finished, 1, 7, {}}, Log::Stale, Kind::Error,
         "The update failed: the update program ended with exit code 1"},
        {"exit 3 without log", {O::Finished, 3, 7, {}}, Log::None, Kind::Error,
         "The update failed: the update program ended with exit code 3"},
        {"crash", {O::Finished, -1, 7, {}}, Log::None, Kind::Error, "The update failed: the update program crashed."},
        {"not started", {O::NotStarted, -1, 0, "No such file"}, Log::Stale, Kind::Error,
         "The update failed: the update program could not be started: No such file"},
        {"still running", {O::TimedOut, -1, 7, {}}, Log::Written, Kind::Information,
         "The update program is still running after 150 seconds. It goes on by itself: check its window or its report for the result."},
    };
    TFBoot boot(tc.context);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(log);
        if (c.log == Log::Stale || c.log == Log::Written)
            tc.workspace.write(QStringLiteral("Ethernet_Update.log"), "result: FAILED\n");
        echo.script({FakeEchoClient::reply(1024)});
        processes.onStart = [&](ProgramWaitObserver *) {
            if (c.log == Log::Written || c.log == Log::Created) {
                QFile file(log);
                EXPECT_TRUE(file.open(QIODevice::Append));
                file.write("result: FAILED again\n");
            }
            return c.run;
        };
        show(boot, [&](QDialog &d) {
            type(d, {"10", "1", "2", "3"});
            press(d, "Btn_Update");
            EXPECT_TRUE(d.isVisible());
        });
        EXPECT_EQ(tc.messages.take(), (QList<FakeMessageService::Message>{{c.kind, c.text}}));
    }
}

// Return in an address field starts nothing: the update starts only from its button.
TEST_F(TFBootTest, ReturnInAnAddressFieldStartsNothing)
{
    TFBoot boot(tc.context);
    show(boot, [&](QDialog &d) {
        type(d, {"10", "1", "2", "3"});
        for (int n = 1; n <= 4; ++n) {
            ip(d, n)->setFocus();
            QTest::keyClick(ip(d, n), Qt::Key_Return);
        }
        EXPECT_TRUE(d.isVisible());
    });
    EXPECT_TRUE(echo.requests.isEmpty());
    EXPECT_TRUE(processes.calls.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(jobFile()));
}

TEST_F(TFBootTest, WindowTakesNoInputWhileTheDeviceIsChecked)
{
    TFBoot boot(tc.context);
    QList<bool> enabled;
    struct ObservingEcho : FakeEchoClient
    {
        using FakeEchoClient::FakeEchoClient;
        EchoReply echo(const QString &host, const QByteArray &data, int timeoutMs) override
        {
            observe();
            return FakeEchoClient::echo(host, data, timeoutMs);
        }
        std::function<void()> observe;
    } observing(clock);
    observing.script({FakeEchoClient::timeout()});
    tc.context.services.echo = &observing;
    observing.observe = [&] {
        enabled << boot.findChild<QPushButton *>(QStringLiteral("Btn_Update"))->isEnabled()
                << ip(boot, 1)->isEnabled() << options(boot)->isEnabled();
        boot.reject(); // Escape
        enabled << !boot.isVisible();
    };
    show(boot, [&](QDialog &d) {
        press(d, "Btn_Update");
        EXPECT_TRUE(d.findChild<QPushButton *>(QStringLiteral("Btn_Cancel"))->isEnabled()) << "enabled again";
    });
    tc.messages.takeOne(Kind::Warning);
    ASSERT_FALSE(enabled.isEmpty());
    EXPECT_FALSE(enabled.contains(true));
}

TEST_F(TFBootTest, JobThatCannotBeWrittenEndsTheStepBeforeTheProgramStarts)
{
    echo.script({FakeEchoClient::reply(1024)});
    QDir().mkpath(jobFile()); // a folder where the job should go
    TFBoot boot(tc.context);
    show(boot, [&](QDialog &d) {
        type(d, {"10", "1", "2", "3"});
        press(d, "Btn_Update");
    });
    EXPECT_TRUE(tc.messages.takeOne(Kind::GeneralError).contains(QStringLiteral("Ethernet_Update.xml")));
    EXPECT_TRUE(processes.calls.isEmpty());
    EXPECT_EQ(tc.context.settings.Ip_Address, QStringLiteral("10.1.2.3")) << "stored before the job";
}

TEST_F(TFBootTest, WaitWindowShowsTheProgramAndTheSecondsAndBlocksTheOtherWindows)
{
    echo.script({FakeEchoClient::reply(1024)});
    QStringList seen;
    processes.onStart = [&](ProgramWaitObserver *observer) {
        observer->waitStarted(QStringLiteral("Ethernet_Update.exe"));
        auto *wait = dynamic_cast<ProgramWaitDialog *>(observer);
        EXPECT_NE(wait, nullptr);
        if (!wait)
            return ProgramRun{};
        EXPECT_TRUE(wait->isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), wait);
        seen << wait->programText() << wait->elapsedText();
        observer->waiting(2400);
        seen << wait->elapsedText();
        wait->close();
        wait->reject();
        EXPECT_TRUE(wait->isVisible()) << "the wait cannot be cut short";
        observer->waitEnded();
        EXPECT_FALSE(wait->isVisible());
        return ProgramRun{ProgramRun::Outcome::Finished, 0, 1, {}};
    };
    TFBoot boot(tc.context);
    show(boot, [&](QDialog &d) {
        type(d, {"10", "1", "2", "3"});
        press(d, "Btn_Update");
    });
    tc.messages.takeOne(Kind::Information);
    ASSERT_EQ(seen.size(), 3);
    EXPECT_TRUE(seen[0].contains(QStringLiteral("Ethernet_Update.exe")));
    EXPECT_TRUE(seen[1].startsWith(QStringLiteral("0 ")));
    EXPECT_TRUE(seen[2].startsWith(QStringLiteral("2 ")));
}

} // namespace
