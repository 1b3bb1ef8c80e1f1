// The editor's Find PLCs against a scripted PLC on 127.0.0.4: the proposed range, the scan, and
// Use filling the selected rows in one undo step.
#include "PlcTestRules.h"
#include "platform/qt/PlcScanner.h"
#include "s7access/S7Protocol.h"
#include "s7access/ui/S7GridView.h"
#include "s7access/ui/S7RuleTableModel.h"
#include "s7access/ui/TFS7_Protocol_Set_Access.h"
#include "support/LoopbackS7Server.h"
#include "support/TestContext.h"
#include "texts/TextId.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

TEST(FindPlcsDialogTest, ProposesTheRowsNetworkFindsThePlcAndUseFillsTheSelectedRowsInOneUndoStep)
{
    TestContext tc;
    tc.openNewProject(QStringLiteral("P1"));
    LoopbackS7Server plc(QHostAddress(QStringLiteral("127.0.0.4")));
    ASSERT_TRUE(plc.listening());
    S7RuleList read = Fresh_Rule_List();
    for (std::size_t i = 0; i < 3; ++i) {
        read[i] = Loopback_Rule(102, "Word", "DB", 1, int(2 * i));
        read[i].PLC_Address = QStringLiteral("127.0.0.9");
        read[i].PLC_Type = QStringLiteral("S7300");
    }
    Save_S7_Protocol(tc.context.workspace.S7_Protocol_File, read, Fresh_Rule_List());
    PlcScanner scanner;
    tc.context.services.plcScan = &scanner;
    auto window = std::make_unique<TFS7_Protocol_Set_Access>(tc.context);
    window->show();

    auto *view = window->findChild<S7GridView *>(QStringLiteral("ACG_S7_Read"));
    ASSERT_TRUE(view);
    S7RuleTableModel &model = window->readModel();
    view->setCurrentIndex(model.index(0, 2));
    view->selectionModel()->select(QItemSelection(model.index(0, 2), model.index(1, 2)), QItemSelectionModel::ClearAndSelect);

    auto *open = window->findChild<QPushButton *>(QStringLiteral("Btn_FindPlcs"));
    ASSERT_TRUE(open && open->isVisible());
    EXPECT_EQ(open->text(), tc.context.text(TextId::S7_FindPlcs));
    open->click();
    auto *dialog = window->findChild<QDialog *>(QStringLiteral("FindPlcs"));
    ASSERT_TRUE(dialog && dialog->isVisible());
    const auto edit = [dialog](const char *name) { return dialog->findChild<QLineEdit *>(QLatin1String(name)); };
    const auto label = [dialog](const char *name) { return dialog->findChild<QLabel *>(QLatin1String(name))->text(); };
    auto *find = dialog->findChild<QPushButton *>(QStringLiteral("Btn_ScanFind"));
    // The selected row's /24, and nothing tried before Find.
    EXPECT_EQ(edit("E_ScanFirst")->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(edit("E_ScanLast")->text(), QStringLiteral("127.0.0.254"));
    EXPECT_EQ(edit("E_ScanPort")->text(), QStringLiteral("102"));
    EXPECT_EQ(label("L_ScanCount"), QStringLiteral("254 addresses will be tried."));
    EXPECT_EQ(plc.connections(), 0);

    edit("E_ScanFirst")->setText(QStringLiteral("127.0.0.3"));
    edit("E_ScanLast")->setText(QStringLiteral("127.0.0.2"));
    EXPECT_EQ(label("L_ScanCount"), tc.context.text(TextId::S7_FindPlcsBadRange));
    EXPECT_FALSE(find->isEnabled());
    edit("E_ScanLast")->setText(QStringLiteral("127.0.0.5"));
    edit("E_ScanPort")->setText(QString::number(plc.port()));
    EXPECT_EQ(label("L_ScanCount"), QStringLiteral("3 addresses will be tried."));
    QTest::mouseClick(find, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return label("L_ScanProgress") == QStringLiteral("3 of 3 addresses tried, 1 PLCs found.") && find->text() == QStringLiteral("Find"); },
        10000))
        << label("L_ScanProgress").toStdString();
    auto *list = dialog->findChild<QTreeWidget *>(QStringLiteral("T_ScanResults"));
    ASSERT_EQ(list->topLevelItemCount(), 1);
    const QTreeWidgetItem *found = list->topLevelItem(0);
    EXPECT_EQ(found->text(0), QStringLiteral("127.0.0.4:%1").arg(plc.port()));
    EXPECT_EQ(found->text(1), QStringLiteral("0/2"));
    EXPECT_EQ(found->text(2), QStringLiteral("S7-1200"));
    EXPECT_EQ(found->text(3), QStringLiteral("CPU 1214C DC/DC/DC"));

    const int undoBefore = model.undoStack().count();
    list->setCurrentItem(list->topLevelItem(0));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Btn_ScanUse")), Qt::LeftButton);
    for (int row : {0, 1}) {
        const S7Rule &rule = model.rules()[std::size_t(row)];
        EXPECT_EQ(rule.PLC_Address, QStringLiteral("127.0.0.4")) << row;
        EXPECT_EQ(rule.PLC_Port, QString::number(plc.port())) << row;
        EXPECT_EQ(rule.Rack, QStringLiteral("0")) << row;
        EXPECT_EQ(rule.Slot, QStringLiteral("2")) << row;
        EXPECT_EQ(rule.PLC_Type, QStringLiteral("S71200")) << row;
    }
    EXPECT_EQ(model.rules()[2].PLC_Address, QStringLiteral("127.0.0.9")); // not selected
    EXPECT_EQ(model.undoStack().count(), undoBefore + 1);
    model.undoStack().undo();
    for (int row : {0, 1}) {
        const S7Rule &rule = model.rules()[std::size_t(row)];
        EXPECT_EQ(rule.PLC_Address, QStringLiteral("127.0.0.9")) << row;
        EXPECT_EQ(rule.PLC_Port, QStringLiteral("102")) << row;
        EXPECT_EQ(rule.Slot, QStringLiteral("1")) << row;
        EXPECT_EQ(rule.PLC_Type, QStringLiteral("S7300")) << row;
    }

    // A scan reads no value.
    for (const std::uint8_t code : plc.functionCodes())
        EXPECT_EQ(code, 0xF0) << "function code " << int(code);
    dialog->close();
    window->hide();
}

} // namespace
