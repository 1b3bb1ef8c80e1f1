#include "support/TempWorkspace.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace {

struct ProgramRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs build/bin/brivant with `args` and without any display.
ProgramRun runHeadless(const QStringList &args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(BRIVANT_BIN_DIR "/brivant"), args);
    ProgramRun r;
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "brivant did not end";
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

TEST(ProgramEntryTest, WithoutADisplayItSaysSoInOneLineAndEnds)
{
    TempWorkspace ws;
    const ProgramRun r = runHeadless({QStringLiteral("--workspace"), ws.path()});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("xvfb-run build/bin/brivant"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("build/bin/brivant-cli"))) << r.err.toStdString();
    // Nothing was started: no workspace folders, no settings.
    EXPECT_FALSE(ws.exists(QStringLiteral("PROJECTS")));
}

TEST(ProgramEntryTest, HelpNeedsNoDisplay)
{
    const ProgramRun r = runHeadless({QStringLiteral("--help")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("--workspace DIR")));
}

} // namespace
