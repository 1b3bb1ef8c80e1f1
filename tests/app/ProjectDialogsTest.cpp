#include "AppWindowTestUtil.h"

#include "app/ui/TFNew_Project.h"
#include "app/ui/TFOpenConf.h"
#include "texts/TextId.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

using Kind = FakeMessageService::Kind;

class NewProjectTest : public ::testing::Test
{
protected:
    void SetUp() override { dialog.show(); }
    QLineEdit *edit() { return Child<QLineEdit>(&dialog, "E_New_Proj"); }
    void tryName(const QString &name)
    {
        edit()->setText(name);
        Child<QPushButton>(&dialog, "Btn_OK")->click();
    }
    QStringList projects() const
    {
        return QDir(tc.context.workspace.Projects_Dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    TestContext tc;
    TFNew_Project dialog{tc.context};
};

TEST_F(NewProjectTest, CreatesTheFolderWithBinAndOpensTheProject)
{
    EXPECT_EQ(dialog.size(), QSize(331, 162));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Create New Configuration"));
    EXPECT_EQ(edit()->width(), 297);
    tryName(QStringLiteral("Line 4")); // an inner blank is kept
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(QFileInfo(tc.workspace.file(QStringLiteral("PROJECTS/Line 4/bin"))).isDir());
    const ConfigWorkspace &ws = tc.context.workspace;
    EXPECT_EQ(ws.Project_Name, QStringLiteral("Line 4"));
    EXPECT_EQ(ws.Project_Dir, Native(tc.workspace.file(QStringLiteral("PROJECTS/Line 4"))));
    EXPECT_EQ(ws.ParGen_File, Native(tc.workspace.file(QStringLiteral("PROJECTS/Line 4/ParGen.xml"))));

    // The next showing starts empty.
    dialog.show();
    EXPECT_TRUE(edit()->text().isEmpty());
}

TEST_F(NewProjectTest, RefusesBadNamesAndStaysOpenWithTheName)
{
    tc.openNewProject(QStringLiteral("Existing"));
    tc.workspace.write(QStringLiteral("PROJECTS/AFile"), "x");
    struct Case
    {
        QString name;
        int textId;
    };
    const Case cases[] = {
        {QString(), TextId::NewProject_ErrorNameProjectNotValid_107},
        // Blanks only would be an invisible project; blanks around a name a look-alike.
        {QStringLiteral("   "), TextId::NewProject_ErrorNameProjectNotValid_107},
        {QStringLiteral("Plant A "), TextId::NewProject_ErrorNameProjectNotValid},
        {QStringLiteral(" Plant A"), TextId::NewProject_ErrorNameProjectNotValid},
        {QStringLiteral("Existing"), TextId::NewProject_ErrorNameProjectNotValidBecause},
        {QStringLiteral("AFile"), TextId::NewProject_ErrorNameProjectNotValid}, // the folder cannot be made
        {QStringLiteral("Existing/Sub"), TextId::NewProject_ErrorNameProjectNotValid},
        {QStringLiteral("a\\b"), TextId::NewProject_ErrorNameProjectNotValid},
        {QStringLiteral("../Outside"), TextId::NewProject_ErrorNameProjectNotValid},
        {QStringLiteral(".."), TextId::NewProject_ErrorNameProjectNotValid},
        {QStringLiteral("."), TextId::NewProject_ErrorNameProjectNotValid},
        {QStringLiteral("tab\there"), TextId::NewProject_ErrorNameProjectNotValid},
        {QStringLiteral("line\nbreak"), TextId::NewProject_ErrorNameProjectNotValid},
    };
    const QStringList before = projects();
    for (const Case &c : cases) {
        tryName(c.name);
        EXPECT_EQ(tc.messages.takeOne(Kind::Error), tc.context.text(c.textId)) << c.name.toStdString();
        EXPECT_TRUE(dialog.isVisible()) << c.name.toStdString();
        EXPECT_EQ(edit()->text(), c.name);
    }
    EXPECT_EQ(projects(), before);
    EXPECT_FALSE(QFileInfo::exists(tc.workspace.file(QStringLiteral("Outside"))));
    EXPECT_FALSE(QFileInfo::exists(tc.workspace.file(QStringLiteral("PROJECTS/Existing/Sub"))));

    // Cancel after the failures keeps the project that was open.
    Child<QPushButton>(&dialog, "Btn_Cancel")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(tc.context.workspace.Project_Name, QStringLiteral("Existing"));
}

TEST_F(NewProjectTest, EnterInTheFieldActsAsOk)
{
    edit()->setFocus();
    QTest::keyClick(edit(), Qt::Key_Return);
    EXPECT_EQ(tc.messages.takeOne(Kind::Error), QStringLiteral("Error! Name Project is not valid"));
    QTest::keyClicks(edit(), QStringLiteral("Fresh"));
    QTest::keyClick(edit(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(tc.context.workspace.Project_Name, QStringLiteral("Fresh"));
}

class OpenConfTest : public ::testing::Test
{
protected:
    QListWidget *list() { return Child<QListWidget>(&dialog, "ListBox1"); }
    QStringList listed()
    {
        QStringList names;
        for (int i = 0; i < list()->count(); ++i)
            names << list()->item(i)->text();
        return names;
    }
    QString selected()
    {
        const auto items = list()->selectedItems();
        return items.isEmpty() ? QString() : items.first()->text();
    }

    TestContext tc;
    TFOpenConf dialog{tc.context};
};

// A double click or Return on a project opens it, as OK does.
TEST_F(OpenConfTest, DoubleClickOrReturnOnAProjectOpensIt)
{
    for (const char *name : {"Alpha", "Beta"})
        tc.workspace.mkdir(QStringLiteral("PROJECTS/") + QLatin1String(name));
    enum class How { DoubleClick, Return };
    for (const How how : {How::DoubleClick, How::Return}) {
        dialog.setResult(QDialog::Rejected);
        dialog.show();
        const int row = list()->count() - 1;
        list()->setCurrentRow(row);
        QListWidgetItem *item = list()->item(row);
        list()->setFocus();
        if (how == How::DoubleClick) {
            const QPoint at = list()->visualItemRect(item).center();
            QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
        } else {
            QTest::keyClick(list(), Qt::Key_Return);
        }
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << int(how);
        EXPECT_FALSE(dialog.isVisible()) << int(how);
        EXPECT_EQ(dialog.Name_Conf, item->text()) << int(how);
    }
}

TEST_F(OpenConfTest, ListsTheProjectFoldersInFileSystemOrderAndSelectsTheFirst)
{
    EXPECT_EQ(dialog.size(), QSize(377, 351));
    for (const char *name : {"Gamma", "Alpha", "Beta"})
        tc.workspace.mkdir(QStringLiteral("PROJECTS/") + QLatin1String(name));
    tc.workspace.mkdir(QStringLiteral("PROJECTS/.hidden"));
    tc.workspace.write(QStringLiteral("PROJECTS/notes.txt"), "not a project");
    dialog.show();
    const QStringList expected = QDir(tc.context.workspace.Projects_Dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
    EXPECT_EQ(listed(), expected);
    EXPECT_EQ(dialog.SL, expected);
    EXPECT_EQ(listed().size(), 3);
    EXPECT_EQ(selected(), expected.first());
    EXPECT_EQ(dialog.Name_Conf, expected.first());

    list()->setCurrentRow(2);
    EXPECT_EQ(dialog.Name_Conf, expected.at(2));
}

TEST_F(OpenConfTest, PreselectsTheOpenProjectComparingLettersInCapitals)
{
    for (const char *name : {"First", "Plant_a", "Other"})
        tc.workspace.mkdir(QStringLiteral("PROJECTS/") + QLatin1String(name));
    tc.context.workspace.openProject(QStringLiteral("Other"));
    dialog.show();
    EXPECT_EQ(selected(), QStringLiteral("Other"));

    // The open project's name differs from the folder in letter case only: the listed name wins.
    tc.context.workspace.openProject(QStringLiteral("PLANT_A"));
    dialog.hide();
    dialog.show();
    EXPECT_EQ(selected(), QStringLiteral("Plant_a"));
    EXPECT_EQ(dialog.Name_Conf, QStringLiteral("Plant_a"));

    EXPECT_EQ(dialog.Search_Open_Conf(QStringLiteral("pLaNt_A")), dialog.SL.indexOf(QStringLiteral("Plant_a")));
    EXPECT_EQ(dialog.Search_Open_Conf(QStringLiteral("Plant")), -1);
    // Only a to z are compared in capitals.
    tc.workspace.mkdir(QStringLiteral("PROJECTS/\u00e9t\u00e9"));
    dialog.Load_Existing_Configuration();
    EXPECT_EQ(dialog.Search_Open_Conf(QStringLiteral("\u00c9T\u00c9")), -1);
    EXPECT_GE(dialog.Search_Open_Conf(QStringLiteral("\u00e9T\u00e9")), 0);
}

TEST_F(OpenConfTest, EmptyProjectsFolderGivesAnEmptyName)
{
    dialog.Name_Conf = QStringLiteral("stale");
    dialog.show();
    EXPECT_EQ(list()->count(), 0);
    EXPECT_TRUE(dialog.Name_Conf.isEmpty());
    Child<QPushButton>(&dialog, "Btn_OK")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

} // namespace
