#include "S7TestRules.h"
#include "report/ProfibusMapPicture.h"
#include "s7access/S7Protocol.h"
#include "s7access/ui/ProfibusMapPage.h"
#include "s7access/ui/ProfibusMapView.h"
#include "s7access/ui/S7GridView.h"
#include "s7access/ui/S7RuleTableModel.h"
#include "s7access/ui/TFS7_Protocol_Set_Access.h"
#include "s7access/S7ListEnd.h"
#include "support/TestContext.h"
#include "support/TestParGen.h"
#include "texts/TextId.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using F = S7Rule::Field;
using L = S7Rule::List;
using Kind = FakeMessageService::Kind;

// The editor over read rules 1 to 3 (Words at bytes 0, 2 and 4 of a 16-byte in area) and one
// write rule (a Bit at byte 1, bit 3 of the out area).
class ProfibusMapPageTest : public ::testing::Test
{
protected:
    ProfibusMapPageTest()
    {
        tc.openNewProject(QStringLiteral("P1"));
        Write_Test_ParGen(tc.context.workspace.ParGen_File, QStringLiteral("16"), QStringLiteral("8"));
        for (int i = 0; i < 3; ++i) {
            read[std::size_t(i)] = Valid_Rule(i + 1, QStringLiteral("r%1").arg(i + 1));
            read[std::size_t(i)].Position = QString::number(2 * i);
        }
        write[0] = Valid_Rule(1, QStringLiteral("w1"));
        write[0].Data_Type = QStringLiteral("Bit");
        write[0].Position = QStringLiteral("1");
        write[0].Bit = QStringLiteral("3");
        Save_S7_Protocol(tc.context.workspace.S7_Protocol_File, read, write);
        window.show();
        pages()->setCurrentIndex(2);
    }
    ~ProfibusMapPageTest() override { window.hide(); }

    QTabWidget *pages() { return window.findChild<QTabWidget *>(QStringLiteral("PageControl1")); }
    ProfibusMapView &view() { return *window.findChild<ProfibusMapView *>(QStringLiteral("ProfibusMapView")); }
    void clickCell(MapArea area, int bit)
    {
        QTest::mouseClick(&view(), Qt::LeftButton, {}, view().cellRect(area, bit).center());
    }
    void setCell(L list, int row, F field, const char *text)
    {
        S7RuleTableModel &m = list == L::Read ? window.readModel() : window.writeModel();
        m.setData(m.index(row, m.columnOf(field)), QString::fromLatin1(text));
    }
    QByteArray fileBytes() const { return tc.workspace.read(QStringLiteral("PROJECTS/P1/S7_Protocol.xml")); }

    TestContext tc;
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
    TFS7_Protocol_Set_Access window{tc.context};
};

TEST_F(ProfibusMapPageTest, TheThirdPageShowsTheMapAndAClickSelectsTheRulesRow)
{
    EXPECT_EQ(pages()->tabText(2), "PROFIBUS map");
    EXPECT_FALSE(window.findChild<QPushButton *>(QStringLiteral("Btn_DelRow"))->isEnabled());
    EXPECT_EQ(view().cellColour(MapArea::In, 2 * 8 + 7), ProfibusMapPicture::ruleColour(L::Read, 2));
    EXPECT_EQ(view().cellColour(MapArea::In, 6 * 8), Qt::white);
    EXPECT_EQ(view().cellColour(MapArea::Out, 11), ProfibusMapPicture::ruleColour(L::Write, 1));
    EXPECT_EQ(view().cellColour(MapArea::Out, 10), Qt::white);

    clickCell(MapArea::In, 3 * 8 + 4); // second byte of read row 2
    EXPECT_EQ(pages()->currentIndex(), 0);
    auto *readGrid = window.findChild<S7GridView *>(QStringLiteral("ACG_S7_Read"));
    EXPECT_TRUE(readGrid->selectionModel()->isRowSelected(1, {}));
    EXPECT_TRUE(window.findChild<QPushButton *>(QStringLiteral("Btn_DelRow"))->isEnabled());

    pages()->setCurrentIndex(2);
    clickCell(MapArea::Out, 11);
    EXPECT_EQ(pages()->currentIndex(), 1);
    EXPECT_TRUE(window.findChild<S7GridView *>(QStringLiteral("ACG_S7_Write"))->selectionModel()->isRowSelected(0, {}));

    // A free cell leaves the page as it is.
    pages()->setCurrentIndex(2);
    clickCell(MapArea::In, 6 * 8);
    EXPECT_EQ(pages()->currentIndex(), 2);

    // A DB rule is named by its DB address alone: its PLC Area is not used.
    EXPECT_EQ(view().cellToolTip(MapArea::In, 16), "S7comm Read, row 2: 192.168.1.2, DB10.DBW20, Word, r2");
    EXPECT_EQ(view().cellToolTip(MapArea::In, 6 * 8), "");
}

TEST_F(ProfibusMapPageTest, EditsUndoAndPasteRecolourAtOnce)
{
    // Row 3 moved onto row 2's second byte: the shared byte turns red, row 2's first stays.
    setCell(L::Read, 2, F::Position, "3");
    EXPECT_EQ(view().cellColour(MapArea::In, 3 * 8), ProfibusMapPicture::conflictColour());
    EXPECT_EQ(view().cellColour(MapArea::In, 2 * 8), ProfibusMapPicture::ruleColour(L::Read, 2));
    EXPECT_TRUE(view().cellToolTip(MapArea::In, 3 * 8).startsWith(u"Conflict\nS7comm Read, row 2: "));

    window.readModel().undoStack().undo();
    EXPECT_EQ(view().cellColour(MapArea::In, 3 * 8), ProfibusMapPicture::ruleColour(L::Read, 2));

    // A pasted row, then a Real at the last byte: its bytes past the count are grey.
    S7Rule real = read[0];
    real.Data_Type = QStringLiteral("Real");
    real.Position = QStringLiteral("15");
    window.readModel().setRowCells(3, real.cells(L::Read));
    EXPECT_EQ(view().cellColour(MapArea::In, 15 * 8), ProfibusMapPicture::ruleColour(L::Read, 4));
    EXPECT_EQ(view().cellColour(MapArea::In, 16 * 8), ProfibusMapPicture::pastCountColour());
    EXPECT_EQ(view().map().shownBytes(MapArea::In), 19);

    // Disabling a rule frees its cells.
    setCell(L::Read, 0, F::Enable, "N");
    EXPECT_EQ(view().cellColour(MapArea::In, 0), Qt::white);
}

TEST_F(ProfibusMapPageTest, OkAsksBeforeSavingConflictsNamingTheFirst)
{
    const QByteArray before = fileBytes();
    setCell(L::Read, 1, F::Position, "1");
    setCell(L::Read, 2, F::Position, "0");
    tc.messages.answerNextQuestion(false);
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("Btn_OK")), Qt::LeftButton);
    EXPECT_EQ(tc.messages.takeOne(Kind::Question),
              "Read rows 1 and 2 fill the same bytes of the PROFIBUS in area, so the device writes both values to "
              "the same place. Do you want to save anyway?");
    EXPECT_EQ(fileBytes(), before);
    EXPECT_TRUE(window.isVisible());

    tc.messages.answerNextQuestion(true);
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("Btn_OK")), Qt::LeftButton);
    tc.messages.takeOne(Kind::Question);
    EXPECT_FALSE(window.isVisible());
    EXPECT_NE(fileBytes(), before);
}

// The report is written on a thread of its own; the page shows progress and Cancel meanwhile.
TEST_F(ProfibusMapPageTest, TheReportButtonWritesTheReportOfTheRulesShownOffTheInterfaceThread)
{
    auto *page = window.findChild<ProfibusMapPage *>();
    auto *button = window.findChild<QPushButton *>(QStringLiteral("Btn_Report"));
    auto *done = window.findChild<QLabel *>(QStringLiteral("L_Report"));
    auto *cancel = window.findChild<QPushButton *>(QStringLiteral("Btn_ReportCancel"));
    setCell(L::Read, 0, F::Mnemonic, "edited, not saved");
    const QString file = tc.workspace.file(QStringLiteral("report"));
    tc.files.answer(file);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(tc.files.requests.size(), 1);
    EXPECT_EQ(tc.files.requests[0].title, "Save the commissioning report");
    EXPECT_EQ(tc.files.requests[0].suggestedFile, tc.context.workspace.Project_Dir + QStringLiteral("/P1 report.pdf"));
    EXPECT_TRUE(page->reportRunning());
    EXPECT_FALSE(button->isEnabled());
    EXPECT_TRUE(cancel->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!page->reportRunning(), 30000);
    const QByteArray pdf = tc.workspace.read(QStringLiteral("report.pdf"));
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_TRUE(done->text().startsWith(u"Report written: ")) << done->text().toStdString();
    EXPECT_TRUE(button->isEnabled());
    EXPECT_FALSE(cancel->isVisible());

    // The HTML says what it documents: the editor's lists, with the edit.
    tc.files.answer(tc.workspace.file(QStringLiteral("report.html")));
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!page->reportRunning(), 30000);
    const QByteArray html = tc.workspace.read(QStringLiteral("report.html"));
    EXPECT_TRUE(html.contains("the editor&#x27;s lists with unsaved changes") || html.contains("the editor's lists with unsaved changes"));
    EXPECT_TRUE(html.contains("edited, not saved"));

    // Cancel before the result is taken: nothing is written.
    tc.files.answer(tc.workspace.file(QStringLiteral("cancelled.pdf")));
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(cancel, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!page->reportRunning(), 30000);
    EXPECT_FALSE(QFile::exists(tc.workspace.file(QStringLiteral("cancelled.pdf"))));
    EXPECT_EQ(done->text(), "The report was cancelled; nothing was written.");

    tc.files.answer(QString()); // Cancel in the dialog
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(tc.files.requests.size(), 4);
    EXPECT_FALSE(page->reportRunning());
}

// Insert Row leaves row 2 empty: the rules below stay on the map, marked, and the report offers
// to close the gap first, as OK does. Rules the map cannot place are listed under it.
TEST_F(ProfibusMapPageTest, RulesAfterAGapAndRulesWithoutAPlaceAreShownInPlace)
{
    auto *unplaced = window.findChild<QLabel *>(QStringLiteral("L_Map_Unplaced"));
    ASSERT_TRUE(unplaced);
    EXPECT_FALSE(unplaced->isVisibleTo(&window));

    auto *afterEndLegend = window.findChild<QLabel *>(QStringLiteral("L_Map_AfterEnd"));
    ASSERT_TRUE(afterEndLegend);
    EXPECT_FALSE(afterEndLegend->isVisibleTo(&window));
    window.readModel().insertRow(1);
    EXPECT_TRUE(afterEndLegend->isVisibleTo(&window));
    EXPECT_EQ(view().cellColour(MapArea::In, 2 * 8), ProfibusMapPicture::ruleColour(L::Read, 3));
    EXPECT_EQ(view().cellToolTip(MapArea::In, 2 * 8),
              "S7comm Read, row 3: 192.168.1.2, DB10.DBW20, Word, r2\nafter the end of the list: not sent to the device");
    const ProfibusMapPicture picture(view().map(), MapArea::In, {});
    EXPECT_TRUE(picture.isAfterEndBit(2 * 8));
    EXPECT_FALSE(picture.isAfterEndBit(0));

    setCell(L::Read, 0, F::Position, "");
    setCell(L::Write, 0, F::Bit, "8");
    EXPECT_TRUE(unplaced->isVisibleTo(&window));
    EXPECT_EQ(unplaced->text(), "S7comm Read row 1 is not on the map: Position is empty\n"
                                "S7comm Write row 1 is not on the map: Start Bit 8 is not within 0 to 7");
    setCell(L::Read, 0, F::Position, "0");
    setCell(L::Write, 0, F::Bit, "3");
    EXPECT_FALSE(unplaced->isVisibleTo(&window));

    // Declined: the report is written of the lists as they stand, the gap left as it is.
    const QString file = tc.workspace.file(QStringLiteral("report.html"));
    tc.files.answer(file);
    tc.messages.answerNextQuestion(false);
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("Btn_Report")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window.findChild<ProfibusMapPage *>()->reportRunning(), 30000); // written on its own thread
    EXPECT_EQ(tc.messages.takeOne(Kind::Question),
              tc.context.text(TextId::Map_CloseGapsBeforeReport) + "\nS7comm Read: first empty row 2, rules below it: 2");
    EXPECT_TRUE(QString::fromUtf8(tc.workspace.read(QStringLiteral("report.html")))
                    .contains("Rows 3, 4: after the end of the list: not sent to the device"));
    EXPECT_EQ(Rows_After_End(window.readModel().rules()), (std::vector<int>{3, 4}));

    // Agreed: the rules move up before the report is written.
    tc.files.answer(file);
    tc.messages.answerNextQuestion(true);
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("Btn_Report")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window.findChild<ProfibusMapPage *>()->reportRunning(), 30000); // written on its own thread
    tc.messages.takeOne(Kind::Question);
    EXPECT_TRUE(Rows_After_End(window.readModel().rules()).empty());
    EXPECT_FALSE(QString::fromUtf8(tc.workspace.read(QStringLiteral("report.html"))).contains("after the end of the list"));

    // Whole lists: no question.
    tc.files.answer(file);
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("Btn_Report")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window.findChild<ProfibusMapPage *>()->reportRunning(), 30000); // written on its own thread
    EXPECT_EQ(tc.files.requests.size(), 3);
}

} // namespace
