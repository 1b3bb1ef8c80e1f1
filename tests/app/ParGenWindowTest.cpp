#include "AppWindowTestUtil.h"

#include "commparams/CommParams.h"
#include "commparams/ui/TFParGen.h"
#include "texts/TextId.h"
#include "widgets/CategoryPanel.h"
#include "app/ui/TFBrivanteFirmWare.h"
#include <QToolButton>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <optional>

namespace {

using Kind = FakeMessageService::Kind;
using F = CommParams::Field;

class ParGenWindowTest : public ::testing::Test
{
protected:
    void SetUp() override { tc.openNewProject(QStringLiteral("Plant")); }

    // Loads the file and shows the window, as the main window's step does.
    void open()
    {
        window.FormShow();
        window.show();
    }
    QLineEdit *edit(F f) { return window.field(f); }
    QCheckBox *gateway() { return Child<QCheckBox>(&window, "CB_S7_Protocol_En_GAT"); }
    void ok() { Child<QPushButton>(&window, "Btn_OK")->click(); }
    bool fileExists() const { return QFileInfo::exists(tc.context.workspace.ParGen_File); }

    TestContext tc;
    TFParGen window{tc.context};
};

TEST_F(ParGenWindowTest, OpensWithTheDefaultsAndItsFixedLayout)
{
    open();
    EXPECT_EQ(window.size(), QSize(460, 700));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Set Communication"));
    const char *const expected[] = {"192", "168", "0", "5", "255", "255", "255", "0",
                                    "192", "168", "0", "1", "10",  "244", "244"};
    for (int f = 0; f < CommParams::FieldCount; ++f)
        EXPECT_EQ(edit(F(f))->text(), QLatin1String(expected[f])) << f;
    EXPECT_FALSE(gateway()->isChecked());
    EXPECT_TRUE(edit(F::S7_Protocol_GAT1)->isEnabled()); // editable while the gateway is off
    auto *baud = Child<QComboBox>(&window, "CB_PROFIBUS_Baudrate");
    EXPECT_FALSE(baud->isEnabled());
    EXPECT_EQ(baud->currentText(), QStringLiteral("Auto Baudrate"));
    EXPECT_EQ(Child<CategoryPanel>(&window, "CP_S7_Protocol")->caption(), QStringLiteral("1. S7comm"));
    EXPECT_EQ(Child<CategoryPanel>(&window, "CP_PROFIBUS")->caption(), QStringLiteral("2. PROFIBUS"));
    EXPECT_EQ(edit(F::S7_Protocol_IP3)->toolTip(), QStringLiteral("Insert Third byte of IP Address"));
    EXPECT_FALSE(fileExists());

    // The height follows the user; the width stays 460.
    window.resize(700, 300);
    EXPECT_EQ(window.size(), QSize(460, 300));
}

TEST_F(ParGenWindowTest, APointMovesThroughTheTwelveDottedFields)
{
    open();
    for (int f = F::S7_Protocol_IP1; f <= F::S7_Protocol_IP4; ++f)
        edit(F(f))->clear();
    edit(F::S7_Protocol_IP1)->setFocus();
    // Each key goes where the focus is, as when the user types.
    for (const QChar c : QStringLiteral("192.168.0.5"))
        QTest::keyClick(window.focusWidget(), c.toLatin1());
    EXPECT_EQ(edit(F::S7_Protocol_IP1)->text(), QStringLiteral("192"));
    EXPECT_EQ(edit(F::S7_Protocol_IP2)->text(), QStringLiteral("168"));
    EXPECT_EQ(edit(F::S7_Protocol_IP3)->text(), QStringLiteral("0"));
    EXPECT_EQ(edit(F::S7_Protocol_IP4)->text(), QStringLiteral("5"));
    EXPECT_EQ(window.focusWidget(), edit(F::S7_Protocol_IP4));

    // On from the address into the mask, replacing what the next field held.
    for (const QChar c : QStringLiteral(".255.255.0.0"))
        QTest::keyClick(window.focusWidget(), c.toLatin1());
    EXPECT_EQ(edit(F::S7_Protocol_SM3)->text(), QStringLiteral("0"));
    EXPECT_EQ(edit(F::S7_Protocol_SM4)->text(), QStringLiteral("0"));

    // In the last gateway field a point is dropped and the focus stays.
    edit(F::S7_Protocol_GAT4)->setFocus();
    edit(F::S7_Protocol_GAT4)->setText(QStringLiteral("1"));
    QTest::keyClick(window.focusWidget(), '.');
    EXPECT_EQ(edit(F::S7_Protocol_GAT4)->text(), QStringLiteral("1"));
    EXPECT_EQ(window.focusWidget(), edit(F::S7_Protocol_GAT4));

    // Outside the twelve a point is an ordinary character.
    QTest::keyClicks(edit(F::PROFIBUS_ID_Device), QStringLiteral("."));
    EXPECT_EQ(edit(F::PROFIBUS_ID_Device)->text(), QStringLiteral("10."));
}

TEST_F(ParGenWindowTest, ValidatesFieldByFieldInOrderAndWritesNothingOnAFault)
{
    struct Case
    {
        F field;
        const char *text;
        int message; // 0: accepted
    };
    const Case cases[] = {
        {F::S7_Protocol_IP1, "", TextId::ParGen_ErrorS7commIPAddress10},
        {F::S7_Protocol_IP2, "256", TextId::ParGen_ErrorS7commIPAddress20},
        {F::S7_Protocol_IP4, "-1", TextId::ParGen_ErrorS7commIPAddress40},
        {F::S7_Protocol_SM1, "x", TextId::ParGen_ErrorS7commSubNetMask10},
        {F::S7_Protocol_SM4, "300", TextId::ParGen_ErrorS7commSubNetMask40},
        {F::PROFIBUS_ID_Device, "0", TextId::ParGen_ErrorPROFIBUSIDDevice1125},
        {F::PROFIBUS_ID_Device, "126", TextId::ParGen_ErrorPROFIBUSIDDevice1125},
        {F::PROFINET_NB_IN, "245", TextId::ParGen_ErrorPROFIBUSNumberBytesInput0},
        {F::PROFINET_NB_OUT, "245", TextId::ParGen_ErrorPROFIBUSNumberBytesOutPut0},
        {F::S7_Protocol_GAT1, "letters", 0}, // gateway off: not examined
        {F::PROFIBUS_ID_Device, "125", 0},
        {F::PROFINET_NB_IN, "0", 0},
    };
    for (const Case &c : cases) {
        open();
        edit(c.field)->setText(QLatin1String(c.text));
        window.setResult(QDialog::Rejected);
        ok();
        if (c.message) {
            EXPECT_EQ(tc.messages.takeOne(Kind::Error), tc.context.text(c.message)) << c.field << c.text;
            EXPECT_EQ(window.focusWidget(), edit(c.field)) << c.field << c.text; // the failing field
            EXPECT_TRUE(window.isVisible());
            EXPECT_FALSE(fileExists());
        } else {
            EXPECT_EQ(window.result(), QDialog::Accepted) << c.field << c.text;
            EXPECT_TRUE(fileExists());
            QFile::remove(tc.context.workspace.ParGen_File);
        }
    }

    // Several faults: only the first in the order is shown; its category opens for it.
    open();
    Child<CategoryPanel>(&window, "CP_S7_Protocol")->setCollapsed(true);
    edit(F::PROFINET_NB_OUT)->setText(QStringLiteral("999"));
    edit(F::S7_Protocol_SM2)->setText(QStringLiteral("999"));
    ok();
    EXPECT_EQ(tc.messages.takeOne(Kind::Error), tc.context.text(TextId::ParGen_ErrorS7commSubNetMask20));
    EXPECT_FALSE(Child<CategoryPanel>(&window, "CP_S7_Protocol")->isCollapsed());
    EXPECT_EQ(window.focusWidget(), edit(F::S7_Protocol_SM2));
}

TEST_F(ParGenWindowTest, TheGatewayIsCheckedOnlyWhileEnabled)
{
    for (int i = 0; i < 4; ++i) {
        open();
        gateway()->setChecked(true);
        edit(F(F::S7_Protocol_GAT1 + i))->setText(QStringLiteral("256"));
        ok();
        EXPECT_EQ(tc.messages.takeOne(Kind::Error), tc.context.text(TextId::ParGen_ErrorS7commGATEWAYIP10 + i)) << i;
    }
    open();
    gateway()->setChecked(false);
    edit(F::S7_Protocol_GAT2)->setText(QStringLiteral("abc"));
    ok();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    const CommParams saved = Read_ParGen_For_Window(tc.context.workspace.ParGen_File);
    EXPECT_EQ(saved.texts[F::S7_Protocol_GAT2], QStringLiteral("abc")); // written as typed
    EXPECT_FALSE(saved.gatewayEnabled);
}

TEST_F(ParGenWindowTest, OkWritesTheFileCancelWritesNothingAndReopeningReloads)
{
    open();
    edit(F::S7_Protocol_IP4)->setText(QStringLiteral("77"));
    tc.messages.answerNextQuestion(true);
    Child<QPushButton>(&window, "Btn_Cancel")->click();
    tc.messages.takeOne(Kind::Question);
    EXPECT_EQ(window.result(), QDialog::Rejected);
    EXPECT_FALSE(fileExists());

    open();
    EXPECT_EQ(edit(F::S7_Protocol_IP4)->text(), QStringLiteral("5"));
    edit(F::S7_Protocol_IP4)->setText(QStringLiteral("77"));
    gateway()->setChecked(true);
    ok();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    const CommParams saved = Read_ParGen_For_Window(tc.context.workspace.ParGen_File);
    EXPECT_EQ(saved.texts[F::S7_Protocol_IP4], QStringLiteral("77"));
    EXPECT_TRUE(saved.gatewayEnabled);

    open();
    edit(F::S7_Protocol_IP4)->setText(QStringLiteral("88"));
    tc.messages.answerNextQuestion(true);
    Child<QPushButton>(&window, "Btn_Cancel")->click();
    tc.messages.takeOne(Kind::Question);
    open();
    EXPECT_EQ(edit(F::S7_Protocol_IP4)->text(), QStringLiteral("77"));
    EXPECT_TRUE(gateway()->isChecked());
}

// Cancel, Escape and the close box ask before edits are lost; with nothing changed (or a
// field typed back to its value) they close at once. ParGen.xml stays as it was.
TEST_F(ParGenWindowTest, ClosingAsksBeforeDiscardingEdits)
{
    enum class How { Cancel, Escape, CloseBox };
    const struct
    {
        const char *name;
        How how;
        QString ip4; // what the user leaves in the field ("5" is the loaded value)
        bool gatewayToggled;
        std::optional<bool> answer;
        bool closes;
    } cases[] = {
        {"cancel typed back", How::Cancel, "5", false, {}, true},
        {"cancel edited, keep editing", How::Cancel, "77", false, false, false},
        {"cancel gateway, discard", How::Cancel, "5", true, true, true},
        {"escape unchanged", How::Escape, "5", false, {}, true},
        {"escape edited, keep editing", How::Escape, "77", false, false, false},
        {"escape edited, discard", How::Escape, "77", false, true, true},
        {"close box edited, keep editing", How::CloseBox, "77", false, false, false},
        {"close box edited, discard", How::CloseBox, "77", false, true, true},
    };
    Write_ParGen(tc.context.workspace.ParGen_File, CommParams::windowDefaults());
    const QByteArray before = tc.workspace.read(QStringLiteral("PROJECTS/Plant/ParGen.xml"));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        window.hide();
        open();
        edit(F::S7_Protocol_IP4)->setText(QStringLiteral("7"));
        edit(F::S7_Protocol_IP4)->setText(c.ip4);
        if (c.gatewayToggled)
            gateway()->toggle();
        if (c.answer)
            tc.messages.answerNextQuestion(*c.answer);
        switch (c.how) {
        case How::Cancel: Child<QPushButton>(&window, "Btn_Cancel")->click(); break;
        case How::Escape: QTest::keyClick(edit(F::S7_Protocol_IP4), Qt::Key_Escape); break;
        case How::CloseBox: window.close(); break;
        }
        if (c.answer) {
            EXPECT_EQ(tc.messages.takeOne(Kind::Question), tc.context.text(TextId::Common_DiscardChanges));
        }
        EXPECT_EQ(window.isVisible(), !c.closes);
        EXPECT_EQ(tc.workspace.read(QStringLiteral("PROJECTS/Plant/ParGen.xml")), before);
    }
}

TEST_F(ParGenWindowTest, FileErrorsGoToTheGeneralReport)
{
    // Not well-formed on opening: the step ends before the window shows.
    tc.workspace.write(QStringLiteral("PROJECTS/Plant/ParGen.xml"), "<Par_Gen><S7_Protocol_IP1>1");
    AppWindows windows(tc.context);
    windows.main->findChild<QPushButton *>(QStringLiteral("Btn_Prm_Gen"))->click();
    EXPECT_FALSE(tc.messages.takeOne(Kind::GeneralError).isEmpty());
    EXPECT_EQ(tc.modal.shown(), 0);

    // A file that cannot be written: reported, the window stays open with its values.
    QFile::remove(tc.context.workspace.ParGen_File);
    open();
    tc.context.workspace.ParGen_File = tc.workspace.file(QStringLiteral("PROJECTS/Missing/ParGen.xml"));
    edit(F::S7_Protocol_IP4)->setText(QStringLiteral("9"));
    ok();
    EXPECT_TRUE(tc.messages.takeOne(Kind::GeneralError).contains(QStringLiteral("ParGen.xml")));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(edit(F::S7_Protocol_IP4)->text(), QStringLiteral("9"));
}

TEST_F(ParGenWindowTest, TheWheelScrollsTheCategoryGroupAndCategoriesCollapse)
{
    open();
    window.resize(460, 220); // lower than the two categories
    QApplication::processEvents();
    auto *group = Child<QScrollArea>(&window, "CPG");
    QScrollBar *bar = group->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    const QPoint centre = group->viewport()->rect().center();
    QWheelEvent down(centre, group->viewport()->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(group->viewport(), &down);
    const int expected = qMin(bar->maximum(), QApplication::wheelScrollLines() * bar->singleStep());
    EXPECT_EQ(bar->value(), expected);
    QWheelEvent up(centre, group->viewport()->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(group->viewport(), &up);
    EXPECT_EQ(bar->value(), 0);

    // A click on a category's header collapses it and a second one expands it.
    auto *s7 = Child<CategoryPanel>(&window, "CP_S7_Protocol");
    s7->header()->click();
    EXPECT_TRUE(s7->isCollapsed());
    EXPECT_FALSE(edit(F::S7_Protocol_IP1)->isVisibleTo(&window));
    s7->header()->click();
    EXPECT_TRUE(edit(F::S7_Protocol_IP1)->isVisibleTo(&window));
}

} // namespace
