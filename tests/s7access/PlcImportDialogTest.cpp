#include "S7TestRules.h"
#include "s7access/S7Protocol.h"
#include "s7access/ui/S7RuleTableModel.h"
#include "s7access/ui/S7GridView.h"
#include "s7access/ui/TFPlcImport.h"
#include "s7access/ui/TFS7_Protocol_Set_Access.h"
#include "support/TestContext.h"
#include "support/TestParGen.h"
#include "texts/TextId.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

using F = S7Rule::Field;
using Kind = FakeMessageService::Kind;

const QString kTank = QStringLiteral(BRIVANT_TEST_DATA_DIR "/plcsource/tank.db");
enum { MemberColumn, TypeColumn, AddressColumn, BitsColumn, PositionColumn, NoteColumn };

// The editor over a project with two read rules at positions 0 and 2 of a 64-byte in area.
class PlcImportDialogTest : public ::testing::Test
{
protected:
    PlcImportDialogTest()
    {
        tc.openNewProject(QStringLiteral("P1"));
        Write_Test_ParGen(tc.context.workspace.ParGen_File, QStringLiteral("64"), QStringLiteral("16"));
        for (int i = 0; i < 2; ++i) {
            fileRead[std::size_t(i)] = Valid_Rule(i + 1, QStringLiteral("r%1").arg(i + 1));
            fileRead[std::size_t(i)].Position = QString::number(2 * i);
        }
        Save_S7_Protocol(tc.context.workspace.S7_Protocol_File, fileRead, fileWrite);
        window.show();
    }
    ~PlcImportDialogTest() override { window.hide(); }

    template <class T> static T *child(QWidget &w, const char *name) { return w.findChild<T *>(QLatin1String(name)); }
    static void click(QWidget &w, const char *button) { QTest::mouseClick(child<QPushButton>(w, button), Qt::LeftButton); }
    static QString preview(QWidget &d)
    {
        QCoreApplication::processEvents();
        return child<QLabel>(d, "L_Preview")->text();
    }

    TestContext tc;
    S7RuleList fileRead = Fresh_Rule_List();
    S7RuleList fileWrite = Fresh_Rule_List();
    TFS7_Protocol_Set_Access window{tc.context};
};

TEST_F(PlcImportDialogTest, PickMembersOkAndUndo)
{
    const QByteArray saved = tc.workspace.read(QStringLiteral("PROJECTS/P1/S7_Protocol.xml"));
    S7RuleTableModel &read = window.readModel();
    const int undoSteps = read.undoStack().count();
    auto *grid = child<S7GridView>(window, "ACG_S7_Read");
    grid->setCurrentIndex(read.index(1, 0));

    tc.files.answerOpen({kTank});
    tc.modal.expect([&](QDialog &d) {
        auto &dialog = static_cast<TFPlcImport &>(d);
        // The connection comes from the selected row.
        EXPECT_EQ(child<QLineEdit>(d, "E_PLC_Address")->text(), QStringLiteral("192.168.1.2"));
        EXPECT_EQ(child<QComboBox>(d, "CB_List")->currentIndex(), 0);
        EXPECT_EQ(preview(d), tc.context.text(TextId::PlcImport_NoSelection));
        click(d, "Btn_Files");
        QTreeWidget *tree = dialog.tree();
        ASSERT_EQ(tree->topLevelItemCount(), 1);
        EXPECT_EQ(tree->topLevelItem(0)->text(MemberColumn), QStringLiteral("DB100"));
        EXPECT_EQ(tree->topLevelItem(0)->childCount(), 28);
        // STRING and DATE_AND_TIME are greyed with the reason.
        QTreeWidgetItem *label = dialog.memberItem(QStringLiteral("DB100.Label"));
        ASSERT_NE(label, nullptr);
        EXPECT_FALSE(label->flags() & Qt::ItemIsEnabled);
        EXPECT_FALSE(label->flags() & Qt::ItemIsUserCheckable);
        EXPECT_EQ(label->text(NoteColumn), tc.context.text(TextId::PlcImport_NoRuleType));
        QTreeWidgetItem *level = dialog.memberItem(QStringLiteral("DB100.Level"));
        EXPECT_EQ(level->text(AddressColumn), QStringLiteral("DB100.DBW2"));
        EXPECT_EQ(level->text(TypeColumn), QStringLiteral("INT"));
        EXPECT_EQ(level->text(BitsColumn), QStringLiteral("16"));
        for (const char *m : {"DB100.Level", "DB100.Motor.Run", "DB100.Values[2]"})
            dialog.memberItem(QLatin1String(m))->setCheckState(0, Qt::Checked);
        EXPECT_EQ(preview(d), QStringLiteral("3 rules at rows 3 to 5"));
        EXPECT_EQ(level->text(PositionColumn), QStringLiteral("4.0"));
        EXPECT_EQ(dialog.memberItem(QStringLiteral("DB100.Motor.Run"))->text(PositionColumn), QStringLiteral("6.0"));
        EXPECT_EQ(dialog.memberItem(QStringLiteral("DB100.Values[2]"))->text(PositionColumn), QStringLiteral("8.0"));
        child<QLineEdit>(d, "E_PLC_Address")->setText(QStringLiteral("127.0.0.1"));
        click(d, "Btn_OK");
        EXPECT_EQ(d.result(), QDialog::Accepted);
    });
    click(window, "Btn_ImportPlc");

    const auto cell = [&](int row, F f) { return read.rules()[std::size_t(row)][f]; };
    EXPECT_EQ(cell(2, F::Mnemonic), QStringLiteral("DB100.Level"));
    EXPECT_EQ(cell(2, F::Data_Type), QStringLiteral("Int"));
    EXPECT_EQ(cell(2, F::DB_Number), QStringLiteral("100"));
    EXPECT_EQ(cell(2, F::PLC_Add), QStringLiteral("2"));
    EXPECT_EQ(cell(2, F::PLC_Address), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(cell(2, F::PLC_Type), QStringLiteral("S71200"));
    EXPECT_EQ(cell(3, F::Data_Type), QStringLiteral("Bit"));
    EXPECT_EQ(cell(3, F::PLC_Add), QStringLiteral("4"));
    EXPECT_EQ(cell(3, F::Position), QStringLiteral("6"));
    EXPECT_EQ(cell(4, F::Mnemonic), QStringLiteral("DB100.Values[2]"));
    EXPECT_EQ(cell(5, F::PLC_Address), QString());
    // One undo step, nothing saved until the editor's OK.
    EXPECT_EQ(read.undoStack().count(), undoSteps + 1);
    EXPECT_EQ(tc.workspace.read(QStringLiteral("PROJECTS/P1/S7_Protocol.xml")), saved);
    read.undoStack().undo();
    for (int row = 2; row < 5; ++row)
        EXPECT_EQ(cell(row, F::PLC_Address), QString()) << row;
    EXPECT_EQ(cell(1, F::Mnemonic), QStringLiteral("r2"));
}

TEST_F(PlcImportDialogTest, RefusedFilesRulesThatDoNotFitAndCancel)
{
    TempWorkspace src;
    const QString bad = src.write(QStringLiteral("bad.db"), "DATA_BLOCK DB 1\nSTRUCT\n a : LReal;\nEND_STRUCT;\nBEGIN\nEND_DATA_BLOCK\n");
    const QString tia = src.write(QStringLiteral("t.db"), "DATA_BLOCK \"T\"\n{ S7_Optimized_Access := 'FALSE' }\nVAR\n a : DInt;\n b : DInt;\n c : DInt;\n d : DInt;\nEND_VAR\nBEGIN\nEND_DATA_BLOCK\n");
    child<QTabWidget>(window, "PageControl1")->setCurrentIndex(1);
    tc.modal.expect([&](QDialog &d) {
        auto &dialog = static_cast<TFPlcImport &>(d);
        EXPECT_EQ(child<QComboBox>(d, "CB_List")->currentIndex(), 1); // the write page was shown
        dialog.loadFiles({bad});
        EXPECT_TRUE(tc.messages.takeOne(Kind::GeneralError).startsWith(bad + QStringLiteral(":3: the type LREAL")));
        EXPECT_EQ(dialog.tree()->topLevelItemCount(), 0);
        dialog.loadFiles({tia});
        EXPECT_TRUE(child<QLineEdit>(d, "E_DB_Number")->isEnabled());
        dialog.tree()->topLevelItem(0)->setCheckState(0, Qt::Checked); // the whole block
        EXPECT_EQ(preview(d), tc.context.text(TextId::PlcImport_NeedDbNumber));
        click(d, "Btn_OK");
        EXPECT_EQ(tc.messages.takeOne(Kind::Error), tc.context.text(TextId::PlcImport_NeedDbNumber));
        child<QLineEdit>(d, "E_DB_Number")->setText(QStringLiteral("7"));
        child<QLineEdit>(d, "E_PLC_Address")->setText(QStringLiteral("127.0.0.1"));
        // Four DWords in the 16 bytes of the out area fit; five would not.
        EXPECT_EQ(preview(d), QStringLiteral("4 rules at rows 1 to 4"));
        child<QComboBox>(d, "CB_List")->setCurrentIndex(0);
        EXPECT_EQ(preview(d), QStringLiteral("4 rules at rows 3 to 6"));
        click(d, "Btn_Cancel");
    });
    click(window, "Btn_ImportPlc");
    EXPECT_EQ(window.readModel().rules()[2].PLC_Address, QString());
    EXPECT_EQ(window.writeModel().rules()[0].PLC_Address, QString());

    // Out of room: 16 bytes hold four DWords, not five.
    const QString five = src.write(QStringLiteral("f.db"), "DATA_BLOCK DB 9\nSTRUCT\n a : ARRAY[1..5] OF DInt;\nEND_STRUCT;\nBEGIN\nEND_DATA_BLOCK\n");
    tc.modal.expect([&](QDialog &d) {
        auto &dialog = static_cast<TFPlcImport &>(d);
        dialog.loadFiles({five});
        dialog.tree()->topLevelItem(0)->setCheckState(0, Qt::Checked);
        child<QComboBox>(d, "CB_List")->setCurrentIndex(1);
        child<QLineEdit>(d, "E_PLC_Address")->setText(QStringLiteral("127.0.0.1"));
        const QString expected = tc.context.text(TextId::PlcImport_DoNotFit).arg(4).arg(5).arg(512).arg(16);
        EXPECT_EQ(preview(d), expected);
        click(d, "Btn_OK");
        EXPECT_EQ(tc.messages.takeOne(Kind::Error), expected);
        EXPECT_TRUE(d.isVisible());
    });
    click(window, "Btn_ImportPlc");
    EXPECT_EQ(window.writeModel().rules()[0].PLC_Address, QString());
}

} // namespace
