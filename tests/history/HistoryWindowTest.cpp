// History... in the access-list editor and the communication parameter window, and the open
// dialog's last save.
#include "../s7access/S7TestRules.h"
#include "app/ui/TFOpenConf.h"
#include "commparams/ui/TFParGen.h"
#include "history/ProjectHistory.h"
#include "history/ui/HistoryDialog.h"
#include "s7access/S7Protocol.h"
#include "s7access/ui/S7RuleTableModel.h"
#include "s7access/ui/TFS7_Protocol_Set_Access.h"
#include "support/TestContext.h"
#include "support/TestParGen.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

using Kind = FakeMessageService::Kind;

template <class T = QWidget> T *Child(const QObject *parent, const char *name)
{
    T *child = parent->findChild<T *>(QLatin1String(name));
    EXPECT_NE(child, nullptr) << "no child " << name;
    return child;
}

void Click(const QObject *parent, const char *name)
{
    QTest::mouseClick(Child<QPushButton>(parent, name), Qt::LeftButton);
}

S7RuleList Read_Rules(const QStringList &mnemonics)
{
    S7RuleList rules = Fresh_Rule_List();
    for (int i = 0; i < mnemonics.size(); ++i) {
        S7Rule &r = rules[std::size_t(i)];
        r = Valid_Rule(i + 1, mnemonics[i]);
        r.OnChange.clear();
        r.OnCMD.clear();
        r.Position = QString::number(3 + 4 * i); // apart in the in area
    }
    return rules;
}

class HistoryWindowTest : public ::testing::Test
{
protected:
    HistoryWindowTest()
    {
        project = tc.openNewProject(QStringLiteral("P"));
        Write_Test_ParGen(tc.context.workspace.ParGen_File, QStringLiteral("244"), QStringLiteral("244"));
        Save_S7_Protocol(s7File(), Read_Rules({QStringLiteral("old 1"), QStringLiteral("old 2")}), Fresh_Rule_List());
        oldBytes = bytes(s7File());
        Save_S7_Protocol(s7File(), Read_Rules({QStringLiteral("new")}), Fresh_Rule_List());
        newBytes = bytes(s7File());
    }

    QString s7File() const { return tc.context.workspace.S7_Protocol_File; }
    QString historyDir() const { return History_Dir(project); }
    static QByteArray bytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QList<QByteArray> keptVersions(const QString &fileName) const
    {
        QList<QByteArray> kept;
        for (const HistoryEntry &e : List_History(project))
            if (e.fileName == fileName)
                kept += bytes(e.path);
        return kept;
    }

    // Opens History... in `window` and hands the list to `use`.
    void inHistory(QWidget &window, const std::function<void(HistoryDialog &)> &use)
    {
        tc.modal.expect([use](QDialog &dialog) { use(static_cast<HistoryDialog &>(dialog)); });
        Click(&window, "Btn_History");
    }

    TestContext tc;
    QString project;
    QByteArray oldBytes;
    QByteArray newBytes;
};

TEST_F(HistoryWindowTest, EditorRestoreIsAnEditThatOnlyOkSaves)
{
    TFS7_Protocol_Set_Access window(tc.context);

    // Restore, then Cancel: the file and the history stay as they were.
    tc.modal.expect([&](QDialog &) {
        inHistory(window, [&](HistoryDialog &history) {
            ASSERT_EQ(history.versions().size(), 1u);
            const auto *list = Child<QTreeWidget>(&history, "LB_History");
            EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("Read: 2 rules (2 enabled), write: 0 rules (0 enabled)"));
            QString compared;
            tc.modal.expect([&](QDialog &changes) {
                compared = Child<QPlainTextEdit>(&changes, "M_Changes")->toPlainText();
            });
            Click(&history, "Btn_Compare");
            EXPECT_TRUE(compared.contains(QLatin1String("Read row 1 changed")) && compared.contains(QLatin1String("Read row 2 removed")))
                << compared.toStdString();
            Click(&history, "Btn_Restore");
        });
        EXPECT_EQ(window.readModel().rules()[1].Mnemonic, QStringLiteral("old 2"));
        // One undo takes the restore back, one redo brings it again.
        window.readModel().undoStack().undo();
        EXPECT_EQ(window.readModel().rules()[0].Mnemonic, QStringLiteral("new"));
        EXPECT_TRUE(window.readModel().rules()[1].PLC_Address.isEmpty());
        window.readModel().undoStack().redo();
        EXPECT_EQ(window.readModel().rules()[0].Mnemonic, QStringLiteral("old 1"));
        tc.messages.answerNextQuestion(true);
        Click(&window, "Btn_Cancel");
        tc.messages.takeOne(Kind::Question);
    });
    EXPECT_EQ(tc.context.services.modal->run(window), QDialog::Rejected);
    EXPECT_EQ(bytes(s7File()), newBytes);
    EXPECT_EQ(keptVersions(QStringLiteral("S7_Protocol.xml")), QList<QByteArray>{oldBytes});

    // Restore, then OK: the version is the live file, and the file it replaced is kept.
    tc.modal.expect([&](QDialog &) {
        inHistory(window, [&](HistoryDialog &history) { Click(&history, "Btn_Restore"); });
        Click(&window, "Btn_OK");
    });
    EXPECT_EQ(tc.context.services.modal->run(window), QDialog::Accepted);
    EXPECT_EQ(bytes(s7File()), oldBytes);
    EXPECT_EQ(keptVersions(QStringLiteral("S7_Protocol.xml")), (QList<QByteArray>{oldBytes, newBytes}));
}

TEST_F(HistoryWindowTest, ParGenRestoresAndAsksWhenTheCopyCannotBeKept)
{
    CommParams changed = CommParams::windowDefaults();
    changed.texts[CommParams::PROFIBUS_ID_Device] = QStringLiteral("42");
    changed.gatewayEnabled = true;
    Write_ParGen(tc.context.workspace.ParGen_File, changed); // keeps the 244/244 file
    TFParGen window(tc.context);
    window.FormShow();
    window.show();

    inHistory(window, [&](HistoryDialog &history) {
        ASSERT_EQ(history.versions().size(), 1u);
        EXPECT_EQ(Child<QTreeWidget>(&history, "LB_History")->topLevelItem(0)->text(1),
                  QStringLiteral("192.168.0.5 / 255.255.255.0, gateway off, station 10, in 244, out 244 bytes"));
        Click(&history, "Btn_Restore");
    });
    EXPECT_EQ(window.field(CommParams::PROFIBUS_ID_Device)->text(), QStringLiteral("10"));
    EXPECT_FALSE(Child<QCheckBox>(&window, "CB_S7_Protocol_En_GAT")->isChecked());
    EXPECT_TRUE(window.hasUnsavedChanges());
    // The field's own undo takes the restored value back.
    window.field(CommParams::PROFIBUS_ID_Device)->undo();
    EXPECT_EQ(window.field(CommParams::PROFIBUS_ID_Device)->text(), QStringLiteral("42"));
    window.field(CommParams::PROFIBUS_ID_Device)->redo();

    // A history that cannot take the copy: OK says so and asks; No leaves everything as it was.
    const QByteArray live = bytes(tc.context.workspace.ParGen_File);
    const QString moved = tc.workspace.file(QStringLiteral("moved-history"));
    ASSERT_TRUE(QDir().rename(historyDir(), moved));
    ASSERT_TRUE(QFile::link(moved, historyDir()));
    tc.messages.answerNextQuestion(false);
    Click(&window, "Btn_OK");
    const QString question = tc.messages.takeOne(Kind::Question);
    EXPECT_TRUE(question.startsWith(QLatin1String("The file this save replaces could not be kept in the project's history.")))
        << question.toStdString();
    EXPECT_TRUE(question.contains(QLatin1String("is a link")));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(bytes(tc.context.workspace.ParGen_File), live);

    tc.messages.answerNextQuestion(true);
    Click(&window, "Btn_OK");
    tc.messages.takeOne(Kind::Question);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(Read_ParGen_For_Window(tc.context.workspace.ParGen_File).texts[CommParams::PROFIBUS_ID_Device], QStringLiteral("10"));
    EXPECT_EQ(QDir(moved).entryList(QDir::Files).size(), 2); // nothing written through the link
}

TEST_F(HistoryWindowTest, TheOpenDialogShowsWhenTheSelectedProjectWasLastSaved)
{
    tc.workspace.mkdir(QStringLiteral("PROJECTS/Empty"));
    TFOpenConf dialog(tc.context);
    dialog.show();
    auto *list = Child<QListWidget>(&dialog, "ListBox1");
    auto *label = Child<QLabel>(&dialog, "L_LastSaved");
    for (int row = 0; row < list->count(); ++row) {
        list->setCurrentRow(row);
        if (list->item(row)->text() == QLatin1String("Empty")) {
            EXPECT_EQ(label->text(), QStringLiteral("Not saved yet"));
        } else {
            const QDateTime saved = QFileInfo(s7File()).lastModified();
            EXPECT_EQ(label->text(), QStringLiteral("Last saved: ") + QLocale().toString(saved, QLocale::ShortFormat));
        }
    }
    dialog.hide();
}

} // namespace
