#include "S7TestRules.h"
#include "s7access/S7Protocol.h"
#include "s7access/ui/CheckBoxDelegate.h"
#include "s7access/ui/S7GridView.h"
#include "s7access/ui/S7RuleTableModel.h"
#include "s7access/ui/TFS7_Protocol_Set_Access.h"
#include "support/TestContext.h"
#include "support/TestParGen.h"
#include "texts/TextId.h"
#include "widgets/WindowStyle.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <functional>
#include <optional>

namespace {

using F = S7Rule::Field;
using L = S7Rule::List;
using Kind = FakeMessageService::Kind;

class S7AccessWindowTest : public ::testing::Test
{
protected:
    S7AccessWindowTest()
    {
        tc.openNewProject(QStringLiteral("P1"));
        writeParGen("244", "10");
        for (int i = 0; i < 3; ++i) {
            fileRead[std::size_t(i)] = Valid_Rule(i + 1, QStringLiteral("r%1").arg(i + 1));
            fileRead[std::size_t(i)].OnChange.clear();
            fileRead[std::size_t(i)].OnCMD.clear();
            fileRead[std::size_t(i)].Position = QString::number(3 + 2 * i); // apart in the in area
        }
        fileWrite[0] = Valid_Rule(1, QStringLiteral("w1"));
        Save_S7_Protocol(s7File(), fileRead, fileWrite);
    }
    ~S7AccessWindowTest() override { window.hide(); }

    QString s7File() const { return tc.context.workspace.S7_Protocol_File; }
    void writeParGen(const char *in, const char *out)
    {
        Write_Test_ParGen(tc.context.workspace.ParGen_File, QString::fromLatin1(in), QString::fromLatin1(out));
    }
    QByteArray fileBytes() const { return tc.workspace.read(QStringLiteral("PROJECTS/P1/S7_Protocol.xml")); }

    void open() { window.show(); }
    void reopen()
    {
        window.reject();
        window.show();
    }
    template <class T> T *child(const char *name) { return window.findChild<T *>(QLatin1String(name)); }
    void click(const char *button) { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
    void showPage(L list) { child<QTabWidget>("PageControl1")->setCurrentIndex(list == L::Read ? 0 : 1); }
    S7GridView &grid(L list) { return *child<S7GridView>(list == L::Read ? "ACG_S7_Read" : "ACG_S7_Write"); }
    S7RuleTableModel &model(L list) { return list == L::Read ? window.readModel() : window.writeModel(); }
    void setCurrent(L list, int row, int column = 0) { grid(list).setCurrentIndex(model(list).index(row, column)); }
    const S7Rule &rule(L list, int row) { return model(list).rules()[std::size_t(row)]; }
    QString cell(L list, int row, F field) { return rule(list, row)[field]; }
    QStringList choices(L list)
    {
        S7RuleTableModel &m = model(list);
        return m.data(m.index(0, m.columnOf(F::Position)), S7RuleTableModel::ChoicesRole).toStringList();
    }

    TestContext tc;
    S7RuleList fileRead = Fresh_Rule_List();
    S7RuleList fileWrite = Fresh_Rule_List();
    TFS7_Protocol_Set_Access window{tc.context};
};

TEST_F(S7AccessWindowTest, OpensWithTheProjectsRulesAndTexts)
{
    open();
    EXPECT_EQ(window.windowTitle(), "S7comm Access");
    EXPECT_EQ(child<QLabel>("L_SW_Code")->text(), tc.context.identity.Software_Code);
    EXPECT_EQ(child<QLabel>("L_SW_Desc")->text(), "S7comm Access");
    EXPECT_EQ(window.width(), 1350);
    const struct
    {
        const char *name, *caption, *hint;
    } buttons[] = {
        {"Btn_OK", "OK", "Confirm and save the S7comm Set Access List"},
        {"Btn_Cancel", "Cancel", "Exit without save the S7comm Set Access List"},
        {"Btn_DelRow", "Delete Row", "Delete the Selected Row in the table"},
        {"Btn_InsRow", "Insert Row", "Insert a Row in the Table"},
        {"Btn_CopyRow", "Copy Row", "Copy all Fields of the Selected Row"},
        {"Btn_PasteRow", "Paste Row", "Paste the Copied Fields in the Selected Row"},
    };
    for (const auto &b : buttons) {
        ASSERT_NE(child<QPushButton>(b.name), nullptr) << b.name;
        EXPECT_EQ(child<QPushButton>(b.name)->text(), b.caption);
        EXPECT_EQ(child<QPushButton>(b.name)->toolTip(), b.hint);
    }
    auto *pages = child<QTabWidget>("PageControl1");
    EXPECT_EQ(pages->currentWidget()->objectName(), "TS_S7_Read");
    EXPECT_EQ(pages->tabText(0), "S7comm Read");
    EXPECT_EQ(pages->tabText(1), "S7comm Write");

    for (const L list : {L::Read, L::Write}) {
        S7RuleTableModel &m = model(list);
        EXPECT_EQ(m.rowCount(), 512);
        EXPECT_EQ(m.columnCount(), list == L::Read ? 18 : 20);
        EXPECT_EQ(grid(list).cornerText(), "N");
        EXPECT_EQ(m.headerData(0, Qt::Vertical).toString(), "1");
        EXPECT_EQ(m.headerData(511, Qt::Vertical).toString(), "512");
        EXPECT_FALSE(m.headerData(3, Qt::Vertical, Qt::ToolTipRole).isValid());
        EXPECT_EQ(m.headerData(m.columnOf(F::DB_Number), Qt::Horizontal, Qt::ToolTipRole).toString(), "Insert the DB Number");
        EXPECT_EQ(m.headerData(m.columnOf(F::Mnemonic), Qt::Horizontal, Qt::ToolTipRole).toString(),
                  "Insert the Description of S7comm Rule");
        EXPECT_EQ(m.headerData(m.columnOf(F::Bit), Qt::Horizontal).toString(), "Start Bit");
    }
    EXPECT_EQ(model(L::Write).headerData(13, Qt::Horizontal).toString(), "On Change");
    EXPECT_EQ(model(L::Write).headerData(13, Qt::Horizontal, Qt::ToolTipRole).toString(),
              "Enable or Disable the Possibility to Send the Write S7 Request when Data Change");

    EXPECT_EQ(All_Cells(model(L::Read).rules(), L::Read), All_Cells(fileRead, L::Read));
    EXPECT_EQ(model(L::Write).rules(), fileWrite);
    EXPECT_EQ(rule(L::Read, 3), S7Rule());

    // Colours by group, check boxes centred and shown from "Y" only.
    S7RuleTableModel &w = model(L::Write);
    const auto colour = [&](F f) { return w.data(w.index(0, w.columnOf(f)), Qt::BackgroundRole).value<QColor>(); };
    EXPECT_EQ(colour(F::Enable), QColor(0xFFD8B0));
    EXPECT_EQ(colour(F::PLC_Bit), QColor(0xE0FAFE));
    EXPECT_EQ(colour(F::OnCMD), QColor(0xA8FFA8));
    EXPECT_EQ(colour(F::Bit), QColor(0xFCD6F4));
    EXPECT_EQ(colour(F::SwapWord), QColor(0xFFFFA8));
    EXPECT_EQ(colour(F::Mnemonic), QColor(Qt::white));
    EXPECT_EQ(w.data(w.index(0, w.columnOf(F::Swap)), Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    EXPECT_EQ(w.data(w.index(0, w.columnOf(F::Enable)), Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
    EXPECT_EQ(w.data(w.index(0, w.columnOf(F::OnCMD)), Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
    EXPECT_FALSE(w.data(w.index(0, w.columnOf(F::Enable)), Qt::DisplayRole).isValid());

    // A click on a row number selects the whole row.
    QHeaderView *rows = grid(L::Read).verticalHeader();
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, QPoint(rows->width() / 2, rows->sectionViewportPosition(4) + rows->sectionSize(4) / 2));
    EXPECT_TRUE(grid(L::Read).selectionModel()->isRowSelected(4, {}));
    EXPECT_EQ(grid(L::Read).selectionModel()->selectedIndexes().size(), 18);
}

TEST_F(S7AccessWindowTest, PositionListsComeFromParGen)
{
    open();
    EXPECT_EQ(choices(L::Read).size(), 244);
    EXPECT_EQ(choices(L::Read).last(), "243");
    EXPECT_EQ(choices(L::Write), QStringList({"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));

    writeParGen("244", "0");
    reopen();
    EXPECT_TRUE(choices(L::Write).isEmpty());
    EXPECT_EQ(choices(L::Read).size(), 244);

    QFile::remove(tc.context.workspace.ParGen_File);
    reopen();
    EXPECT_EQ(choices(L::Read).size(), 1500);
    EXPECT_EQ(choices(L::Write).size(), 1500);
    EXPECT_EQ(window.limits(), (PositionLimits{1500, 1500}));

    // Hand-edited counts: the lists stay bounded (no freeze, no memory exhaustion), while the
    // validation still names the count the file holds.
    const struct
    {
        const char *count;
        const char *message;
    } huge[] = {
        {"10000000", "Error row 1!! [S7comm Write] Position must be between 0 and 9999999"},
        {"2147483647", "Error row 1!! [S7comm Write] Position must be between 0 and 2147483646"},
    };
    for (const auto &h : huge) {
        writeParGen(h.count, h.count);
        reopen();
        EXPECT_EQ(choices(L::Read).size(), 1500) << h.count;
        EXPECT_EQ(choices(L::Write).size(), 1500) << h.count;
        model(L::Write).setData(model(L::Write).index(0, model(L::Write).columnOf(F::Position)), QStringLiteral("x"));
        click("Btn_OK");
        EXPECT_EQ(tc.messages.takeOne(Kind::Error), h.message);
    }
}

TEST_F(S7AccessWindowTest, UnreadableFilesAreReportedAndOkAsksBeforeReplacing)
{
    // ParGen.xml broken: reported, the rules are not loaded.
    tc.workspace.write(QStringLiteral("PROJECTS/P1/ParGen.xml"), "<Par_Gen><PROFINET_NB_IN>");
    open();
    EXPECT_TRUE(tc.messages.takeOne(Kind::GeneralError).contains(QLatin1String("ParGen.xml")));
    EXPECT_EQ(rule(L::Read, 0), S7Rule());
    tc.messages.answerNextQuestion(false);
    click("Btn_OK");
    EXPECT_EQ(tc.messages.takeOne(Kind::Question), tc.context.text(TextId::S7_SaveAfterLoadFailure));
    EXPECT_TRUE(window.isVisible());

    // S7_Protocol.xml cut off in its second read rule: the first one is shown.
    writeParGen("244", "10");
    QByteArray broken = fileBytes();
    broken.replace("PLC_Port=\"102\" PLC_Type=\"S71200\" Rack=\"0\" Slot=\"1\" Data_Type=\"Word\" "
                   "Data_Identifier=\"DB\" DB_Number=\"10\" PLC_Area=\"Flags (M) (Merker)\" PLC_Add=\"20\" "
                   "PLC_Bit=\"0\" PollTime=\"100\" Position=\"5\" Bit=\"0\" Swap=\"N\" SwapWord=\"\" Mnemonic=\"r2\"",
                   "");
    tc.workspace.write(QStringLiteral("PROJECTS/P1/S7_Protocol.xml"), broken);
    reopen();
    EXPECT_TRUE(tc.messages.takeOne(Kind::GeneralError).contains(QLatin1String("lacks the attribute PLC_Port")));
    EXPECT_EQ(cell(L::Read, 0, F::Mnemonic), "r1");
    EXPECT_EQ(cell(L::Read, 1, F::PLC_Address), "192.168.1.2");
    EXPECT_EQ(cell(L::Read, 1, F::PLC_Port), "");
    EXPECT_EQ(cell(L::Read, 2, F::PLC_Address), "");

    model(L::Read).setRowCells(1, fileRead[1].cells(L::Read));
    tc.messages.answerNextQuestion(false);
    click("Btn_OK");
    tc.messages.takeOne(Kind::Question);
    EXPECT_EQ(fileBytes(), broken);
    tc.messages.answerNextQuestion(true);
    click("Btn_OK");
    tc.messages.takeOne(Kind::Question);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(fileBytes(), Serialize_S7_Protocol(model(L::Read).rules(), model(L::Write).rules()));
}

TEST_F(S7AccessWindowTest, AFaultOnOkTakesTheCurrentCellToItsField)
{
    open();
    struct Case
    {
        F field;
        const char *text; // nullptr: an eleventh connection
    };
    const Case cases[] = {
        {F::PLC_Address, "10.0.0"}, {F::PLC_Port, "102 "}, {F::PLC_Address, nullptr}, {F::PLC_Type, ""},
        {F::Rack, "4"},             {F::Slot, "32"},       {F::Data_Type, ""},        {F::Data_Identifier, ""},
        {F::DB_Number, "x"},        {F::PLC_Area, " "},    {F::PLC_Add, "-1"},        {F::PLC_Bit, ""},
        {F::PollTime, "-1"},        {F::Position, "300"},  {F::Bit, ""},
    };
    constexpr int kFaultRow = 150; // far below the first screen
    for (const L list : {L::Read, L::Write}) {
        for (const Case &c : cases) {
            const std::string what = List_Name(list).toStdString() + " " + S7Rule::fieldName(c.field).toStdString();
            for (const L l : {L::Read, L::Write}) {
                S7RuleList &rules = model(l).rulesForLoading();
                rules = Fresh_Rule_List();
                if (l == list)
                    for (int i = 0; i < kFaultRow; ++i)
                        rules[std::size_t(i)] = Valid_Rule(1 + i % 10); // the ten connections
                model(l).rulesLoaded();
            }
            S7Rule faulty = Valid_Rule(c.text ? 1 : 11);
            if (c.text)
                faulty[c.field] = QString::fromLatin1(c.text);
            model(list).setRowCells(kFaultRow - 1, faulty.cells(list));
            showPage(list == L::Read ? L::Write : L::Read);
            setCurrent(L::Read, 0, 0);
            setCurrent(L::Write, 0, 0);

            click("Btn_OK");
            EXPECT_TRUE(tc.messages.takeOne(Kind::Error).startsWith(QStringLiteral("Error row %1!!").arg(kFaultRow)))
                << what;
            EXPECT_EQ(child<QTabWidget>("PageControl1")->currentIndex(), list == L::Read ? 0 : 1) << what;
            S7GridView &view = grid(list);
            const QModelIndex current = view.currentIndex();
            EXPECT_EQ(current.row(), kFaultRow - 1) << what;
            EXPECT_EQ(current.column(), model(list).columnOf(c.field)) << what;
            EXPECT_TRUE(view.selectionModel()->isRowSelected(kFaultRow - 1, {})) << what;
            EXPECT_TRUE(view.viewport()->rect().intersects(view.visualRect(current))) << what;
        }
    }
}

// A cell holds what a saved file may hold: a longer text typed is cut at the bound.
TEST_F(S7AccessWindowTest, CellsHoldAtMostTheCellBound)
{
    open();
    model(L::Read).setData(model(L::Read).index(0, model(L::Read).columnOf(F::Mnemonic)), QString(1500, u'x'));
    EXPECT_EQ(cell(L::Read, 0, F::Mnemonic), QString(kMaxCellLength, u'x'));
}

// Full lists of valid rules whose cells are each within the bound can still make a file over
// the readers' bound (a quote is written as six bytes): OK names the longest cell and the size,
// writes nothing, keeps no version and stays open with the edits.
TEST_F(S7AccessWindowTest, OkRefusesListsTooLargeForTheFile)
{
    open();
    const QByteArray before = fileBytes();
    const QDir history(tc.context.workspace.Project_Dir + QStringLiteral("/history"));
    const QStringList versionsBefore = history.entryList(QDir::Files);
    const QString quotes(kMaxCellLength, u'"');
    for (const L l : {L::Read, L::Write}) {
        S7RuleList &rules = model(l).rulesForLoading();
        for (std::size_t i = 0; i < rules.size(); ++i) {
            rules[i] = Valid_Rule(1 + int(i % 10), quotes);
            rules[i].Position = QString::number(2 * (i % 5));
        }
        model(l).rulesLoaded();
    }
    tc.messages.answerNextQuestion(true); // the rules share their positions
    click("Btn_OK");
    const QList<FakeMessageService::Message> shown = tc.messages.take();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0].kind, Kind::Question);
    EXPECT_EQ(shown[1].kind, Kind::GeneralError);
    const QString message = shown[1].text;
    EXPECT_TRUE(message.contains(QLatin1String("Read row 1, Mnemonic: 1,000 characters; the file would be ")))
        << message.toStdString();
    EXPECT_TRUE(message.contains(QLatin1String(" MB, the program reads at most 4 MiB"))) << message.toStdString();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(fileBytes(), before);
    EXPECT_EQ(history.entryList(QDir::Files), versionsBefore);
    EXPECT_EQ(cell(L::Write, 511, F::Mnemonic), quotes);

    // Shorter texts in half the rules: the same lists save, and read back as they were.
    for (const L l : {L::Read, L::Write})
        for (int row = 0; row < 512; row += 2)
            model(l).setData(model(l).index(row, model(l).columnOf(F::Mnemonic)), QStringLiteral("Tank %1").arg(row));
    tc.messages.answerNextQuestion(true);
    click("Btn_OK");
    tc.messages.takeOne(Kind::Question);
    EXPECT_FALSE(window.isVisible());
    const S7RuleList savedRead = model(L::Read).rules(), savedWrite = model(L::Write).rules();
    S7RuleList read, write;
    EXPECT_EQ(Load_S7_Protocol(s7File(), read, write), std::nullopt);
    // (compared whole: a failure would print a megabyte of quotes)
    EXPECT_TRUE(All_Cells(read, L::Read) == All_Cells(savedRead, L::Read));
    EXPECT_TRUE(All_Cells(write, L::Write) == All_Cells(savedWrite, L::Write));
}

TEST_F(S7AccessWindowTest, OkValidatesThenSaves)
{
    open();
    // A fault: the row's message, the window stays with the edits, nothing is written.
    const QByteArray before = fileBytes();
    setCurrent(L::Write, 0);
    model(L::Write).setData(model(L::Write).index(0, model(L::Write).columnOf(F::Position)), QStringLiteral("10"));
    showPage(L::Read);
    click("Btn_OK");
    EXPECT_EQ(tc.messages.takeOne(Kind::Error), "Error row 1!! [S7comm Write] Position must be between 0 and 9");
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(child<QTabWidget>("PageControl1")->currentIndex(), 1); // taken to the fault
    EXPECT_EQ(cell(L::Write, 0, F::Position), "10");
    EXPECT_EQ(fileBytes(), before);

    // A text the file cannot carry: named by list, row and column; nothing written.
    model(L::Write).setData(model(L::Write).index(0, model(L::Write).columnOf(F::Position)), QStringLiteral("9"));
    model(L::Read).setData(model(L::Read).index(2, model(L::Read).columnOf(F::Mnemonic)), QStringLiteral("a\x01"));
    click("Btn_OK");
    EXPECT_EQ(tc.messages.takeOne(Kind::Error),
              "Error row 3 (S7comm Read, Mnemonic): " + tc.context.text(TextId::S7_CellCannotBeSaved));
    EXPECT_EQ(fileBytes(), before);

    // Valid: written as the lists stand, closed with OK (the window reloads the file when shown).
    window.hide();
    tc.modal.expect([&](QDialog &) {
        model(L::Write).setData(model(L::Write).index(0, model(L::Write).columnOf(F::Position)), QStringLiteral("9"));
        model(L::Read).setData(model(L::Read).index(2, model(L::Read).columnOf(F::Mnemonic)), QStringLiteral("a"));
        click("Btn_OK");
    });
    EXPECT_EQ(tc.context.services.modal->run(window), QDialog::Accepted);
    fileWrite[0].Position = QStringLiteral("9");
    fileRead[2].Mnemonic = QStringLiteral("a");
    EXPECT_EQ(fileBytes(), Serialize_S7_Protocol(fileRead, fileWrite));

    // Cancel writes nothing (after the discard question).
    tc.modal.expect([&](QDialog &) {
        model(L::Read).setData(model(L::Read).index(0, 0), QStringLiteral("N"));
        tc.messages.answerNextQuestion(true);
        click("Btn_Cancel");
        tc.messages.takeOne(Kind::Question);
    });
    EXPECT_EQ(tc.context.services.modal->run(window), QDialog::Rejected);
    EXPECT_EQ(fileBytes(), Serialize_S7_Protocol(fileRead, fileWrite));
}

// OK never drops a rule below an unused row without asking: Yes closes the gaps and saves
// every rule in order, No saves nothing and selects the first empty row.
TEST_F(S7AccessWindowTest, OkAsksToCloseGapsBeforeSaving)
{
    const QString question = tc.context.text(TextId::S7_CloseGapsQuestion);
    S7Rule badAfterGap = Valid_Rule(9, QStringLiteral("w3"));
    badAfterGap.PollTime = QStringLiteral("x");
    const struct
    {
        const char *name;
        std::function<void()> edit;
        QString asked;
        bool answer;
        L selectedList;
        int selectedRow; // 0-based; -1 when the window closed
        QString error;   // the validation message after the gaps closed
    } cases[] = {
        {"insert row, then Yes",
         [&] {
             setCurrent(L::Read, 1);
             click("Btn_InsRow");
         },
         question + "\nS7comm Read: first empty row 2, rules below it: 2", true, L::Read, -1, {}},
        {"insert row, then No",
         [&] {
             setCurrent(L::Read, 1);
             click("Btn_InsRow");
         },
         question + "\nS7comm Read: first empty row 2, rules below it: 2", false, L::Read, 1, {}},
        {"both lists, No selects in the read list",
         [&] {
             setCurrent(L::Read, 0);
             click("Btn_InsRow");
             model(L::Write).setRowCells(3, Valid_Rule(4, QStringLiteral("w2")).cells(L::Write));
         },
         question + "\nS7comm Read: first empty row 1, rules below it: 3\nS7comm Write: first empty row 2, rules below it: 1",
         false, L::Read, 0, {}},
        {"a faulty rule after the gap is checked once it moved up",
         [&] { model(L::Write).setRowCells(5, badAfterGap.cells(L::Write)); },
         question + "\nS7comm Write: first empty row 2, rules below it: 1", true, L::Write, 1,
         "Error row 2!! [S7comm Write] Poll Time must be between 0 and 100000000"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Save_S7_Protocol(s7File(), fileRead, fileWrite);
        const QByteArray before = fileBytes();
        reopen();
        c.edit();
        tc.messages.answerNextQuestion(c.answer);
        click("Btn_OK");
        QList<FakeMessageService::Message> shown{{Kind::Question, c.asked}};
        if (!c.error.isEmpty())
            shown.append({Kind::Error, c.error});
        EXPECT_EQ(tc.messages.take(), shown);
        if (c.selectedRow < 0) {
            EXPECT_FALSE(window.isVisible());
            S7RuleList read = Fresh_Rule_List();
            S7RuleList write = Fresh_Rule_List();
            ASSERT_FALSE(Load_S7_Protocol(s7File(), read, write));
            EXPECT_EQ(Rules_In_Use(read), 3);
            for (int i = 0; i < 3; ++i)
                EXPECT_EQ(read[std::size_t(i)].Mnemonic, QStringLiteral("r%1").arg(i + 1));
            continue;
        }
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(fileBytes(), before);
        if (c.error.isEmpty()) {
            EXPECT_EQ(child<QTabWidget>("PageControl1")->currentIndex(), c.selectedList == L::Read ? 0 : 1);
            EXPECT_EQ(grid(c.selectedList).currentRow(), c.selectedRow);
            EXPECT_TRUE(grid(c.selectedList).selectionModel()->isRowSelected(c.selectedRow));
        } else {
            EXPECT_EQ(cell(L::Write, 1, F::Mnemonic), "w3"); // moved up, kept on the fault
        }
    }
}

// Only Cancel and the close box end the editor; both ask when edits would be lost, and
// undoing back to the loaded lists counts as no edit. Escape never closes it.
TEST_F(S7AccessWindowTest, ClosingAsksBeforeDiscardingEdits)
{
    enum class How { Cancel, CloseBox, Escape };
    const struct
    {
        const char *name;
        How how;
        bool edit, undo;
        std::optional<bool> answer; // the discard question, when asked
        bool closes;
    } cases[] = {
        {"cancel unchanged", How::Cancel, false, false, {}, true},
        {"cancel edited, keep editing", How::Cancel, true, false, false, false},
        {"cancel edited, discard", How::Cancel, true, false, true, true},
        {"cancel after undo", How::Cancel, true, true, {}, true},
        {"close box edited, keep editing", How::CloseBox, true, false, false, false},
        {"close box edited, discard", How::CloseBox, true, false, true, true},
        {"close box unchanged", How::CloseBox, false, false, {}, true},
        {"escape edited", How::Escape, true, false, {}, false},
        {"escape unchanged", How::Escape, false, false, {}, false},
    };
    const QByteArray before = fileBytes();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        reopen();
        S7RuleTableModel &m = model(L::Read);
        if (c.edit)
            m.setData(m.index(0, m.columnOf(F::Mnemonic)), QStringLiteral("edited"));
        if (c.undo)
            m.undoStack().undo();
        if (c.answer)
            tc.messages.answerNextQuestion(*c.answer);
        switch (c.how) {
        case How::Cancel: click("Btn_Cancel"); break;
        case How::CloseBox: window.close(); break;
        case How::Escape: QTest::keyClick(&grid(L::Read), Qt::Key_Escape); break;
        }
        if (c.answer) {
            EXPECT_EQ(tc.messages.takeOne(Kind::Question), tc.context.text(TextId::Common_DiscardChanges));
        }
        EXPECT_EQ(window.isVisible(), !c.closes);
        if (!c.closes && c.edit) {
            EXPECT_EQ(cell(L::Read, 0, F::Mnemonic), "edited");
        }
        EXPECT_EQ(fileBytes(), before);
    }
}

TEST_F(S7AccessWindowTest, InsertAndDeleteAtTheEnds)
{
    open();
    S7RuleTableModel &m = model(L::Read);
    // Delete asks with the row number; No changes nothing.
    setCurrent(L::Read, 0, 5);
    tc.messages.answerNextQuestion(false);
    click("Btn_DelRow");
    EXPECT_EQ(tc.messages.takeOne(Kind::Question), "Do you want to delete row 1?");
    EXPECT_EQ(cell(L::Read, 0, F::Mnemonic), "r1");

    tc.messages.answerNextQuestion(true);
    click("Btn_DelRow");
    tc.messages.takeOne(Kind::Question);
    EXPECT_EQ(cell(L::Read, 0, F::Mnemonic), "r2");
    EXPECT_EQ(cell(L::Read, 1, F::Mnemonic), "r3");
    EXPECT_EQ(rule(L::Read, 511), S7Rule::cleared());

    // Insert at row 1 moves everything down; the new row is fresh.
    click("Btn_InsRow");
    EXPECT_EQ(rule(L::Read, 0), S7Rule());
    EXPECT_EQ(cell(L::Read, 1, F::Mnemonic), "r2");

    // Row 512: delete empties it completely; insert makes it fresh.
    m.setRowCells(511, fileRead[0].cells(L::Read));
    setCurrent(L::Read, 511);
    tc.messages.answerNextQuestion(true);
    click("Btn_DelRow");
    EXPECT_EQ(tc.messages.takeOne(Kind::Question), "Do you want to delete row 512?");
    EXPECT_EQ(rule(L::Read, 511), S7Rule::cleared());
    click("Btn_InsRow");
    EXPECT_EQ(rule(L::Read, 511), S7Rule());

    // Insert while row 512 holds a rule would drop it: refused.
    m.setRowCells(511, fileRead[0].cells(L::Read));
    for (const int row : {0, 511}) {
        setCurrent(L::Read, row);
        const S7RuleList before = m.rules();
        click("Btn_InsRow");
        EXPECT_EQ(tc.messages.takeOne(Kind::Warning), tc.context.text(TextId::S7_InsertRowLastRowUsed));
        EXPECT_EQ(m.rules(), before);
    }
    // The buttons work on the page shown.
    showPage(L::Write);
    setCurrent(L::Write, 0);
    tc.messages.answerNextQuestion(true);
    click("Btn_DelRow");
    tc.messages.takeOne(Kind::Question);
    EXPECT_EQ(rule(L::Write, 0), S7Rule());
    EXPECT_EQ(cell(L::Read, 1, F::Mnemonic), "r2");
}

TEST_F(S7AccessWindowTest, RowClipboard)
{
    open();
    // Copy on the read page, paste on the write page: refused.
    setCurrent(L::Read, 1);
    click("Btn_CopyRow");
    EXPECT_EQ(tc.context.Copy_Row_List, fileRead[1].cells(L::Read));
    showPage(L::Write);
    setCurrent(L::Write, 5);
    click("Btn_PasteRow");
    EXPECT_EQ(tc.messages.takeOne(Kind::Error), "Error!!! Copy a valid row before Paste it");
    EXPECT_EQ(rule(L::Write, 5), S7Rule());

    // Into an unused row whose check boxes are set: no question; the clipboard stays.
    showPage(L::Read);
    model(L::Read).setData(model(L::Read).index(4, model(L::Read).columnOf(F::Swap)), Qt::Checked, Qt::CheckStateRole);
    setCurrent(L::Read, 4);
    click("Btn_PasteRow");
    EXPECT_EQ(rule(L::Read, 4).cells(L::Read), fileRead[1].cells(L::Read));
    setCurrent(L::Read, 5);
    click("Btn_PasteRow");
    EXPECT_EQ(cell(L::Read, 5, F::Mnemonic), "r2");

    // Into a used row: asked first.
    setCurrent(L::Read, 0);
    tc.messages.answerNextQuestion(false);
    click("Btn_PasteRow");
    EXPECT_EQ(tc.messages.takeOne(Kind::Question), "Row Already used. Do you want to overwrite the values?");
    EXPECT_EQ(cell(L::Read, 0, F::Mnemonic), "r1");
    tc.messages.answerNextQuestion(true);
    click("Btn_PasteRow");
    tc.messages.takeOne(Kind::Question);
    EXPECT_EQ(cell(L::Read, 0, F::Mnemonic), "r2");

    // A clipboard of the wrong length.
    tc.context.Copy_Row_List.removeLast();
    click("Btn_PasteRow");
    EXPECT_EQ(tc.messages.takeOne(Kind::Error), "Error in the Copy values!!! Copy a valid row before Paste it");

    // Copy, Cancel, open again: the clipboard holds the row but may not be pasted.
    click("Btn_CopyRow");
    tc.messages.answerNextQuestion(true); // the pastes above are discarded
    click("Btn_Cancel");
    tc.messages.takeOne(Kind::Question);
    open();
    setCurrent(L::Read, 7);
    click("Btn_PasteRow");
    EXPECT_EQ(tc.messages.takeOne(Kind::Error), "Error!!! Copy a valid row before Paste it");
    EXPECT_EQ(tc.context.Copy_Row_List.size(), 18);
}

TEST_F(S7AccessWindowTest, EnterMovesToTheNextCellOnlyWithTheSetting)
{
    open();
    S7GridView &view = grid(L::Write);
    showPage(L::Write);
    const struct
    {
        int row, column, nextRow, nextColumn;
    } moves[] = {{511, 19, 0, 0}, {6, 19, 7, 0}, {3, 4, 3, 5}};
    tc.context.settings.Enable_Jump_Field_Tables = true;
    for (const auto &m : moves) {
        setCurrent(L::Write, m.row, m.column);
        QTest::keyClick(&view, Qt::Key_Return);
        EXPECT_EQ(view.currentIndex().row(), m.nextRow) << m.row << "," << m.column;
        EXPECT_EQ(view.currentIndex().column(), m.nextColumn) << m.row << "," << m.column;
        EXPECT_FALSE(view.isEditing());
    }
    // Enter in an open text editor commits and moves on.
    setCurrent(L::Write, 2, model(L::Write).columnOf(F::Mnemonic));
    view.edit(view.currentIndex());
    ASSERT_TRUE(view.isEditing());
    QWidget *editor = view.indexWidget(view.currentIndex());
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, QStringLiteral("typed"));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.isEditing(); }, 2000));
    EXPECT_EQ(cell(L::Write, 2, F::Mnemonic), "typed");
    EXPECT_EQ(view.currentIndex().row(), 3);
    EXPECT_EQ(view.currentIndex().column(), 0);

    tc.context.settings.Enable_Jump_Field_Tables = false;
    setCurrent(L::Write, 6, 19);
    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_EQ(view.currentIndex(), model(L::Write).index(6, 19));
}

TEST_F(S7AccessWindowTest, DoubleClickOnAHeadingFitsThatColumnOnlyWithTheSetting)
{
    open();
    S7GridView &view = grid(L::Read);
    S7RuleTableModel &m = model(L::Read);
    const int column = m.columnOf(F::PLC_Area);
    m.setData(m.index(300, column), QStringLiteral("Direct peripheral access (P) and much more text"));
    QHeaderView *header = view.horizontalHeader();
    const auto doubleClickHeading = [&] {
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
        QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, at);
    };
    view.setColumnWidth(column, 30);
    const int neighbour = view.columnWidth(column + 1);
    doubleClickHeading();
    EXPECT_EQ(view.columnWidth(column), 30);

    tc.context.settings.Double_Click_Auto_Size = true;
    doubleClickHeading();
    // Fitted to the widest text, also of a row out of sight.
    EXPECT_GE(view.columnWidth(column), view.fontMetrics().horizontalAdvance(m.index(300, column).data().toString()));
    EXPECT_EQ(view.columnWidth(column + 1), neighbour);
}

TEST_F(S7AccessWindowTest, CellEditorsStoreTheirTexts)
{
    open();
    S7GridView &view = grid(L::Write);
    S7RuleTableModel &m = model(L::Write);
    showPage(L::Write);

    // Check boxes: a click on the box or Space toggles between "Y" and "N"; other texts show cleared.
    const QModelIndex swap = m.index(0, m.columnOf(F::Swap));
    QStyleOptionViewItem option;
    option.initFrom(&view);
    const QPoint centre = CheckBoxDelegate::checkRect(option, view.visualRect(swap)).center();
    EXPECT_EQ(cell(L::Write, 0, F::Swap), "N");
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, centre);
    EXPECT_EQ(cell(L::Write, 0, F::Swap), "Y");
    view.setCurrentIndex(swap);
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_EQ(cell(L::Write, 0, F::Swap), "N");
    m.setData(swap, QStringLiteral("yes"));
    EXPECT_EQ(swap.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);

    // Drop-down lists offer only their texts; Position follows the limit.
    const QModelIndex type = m.index(1, m.columnOf(F::PLC_Type));
    view.setCurrentIndex(type);
    view.edit(type);
    auto *combo = qobject_cast<QComboBox *>(view.indexWidget(type));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 6);
    EXPECT_EQ(combo->itemText(0), "Logo0BA8");
    combo->setCurrentIndex(combo->findText(QStringLiteral("S71500")));
    view.commitOpenEditor();
    EXPECT_EQ(cell(L::Write, 1, F::PLC_Type), "S71500");

    const QModelIndex area = m.index(1, m.columnOf(F::PLC_Area));
    view.setCurrentIndex(area);
    view.edit(area);
    combo = qobject_cast<QComboBox *>(view.indexWidget(area));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 4);
    EXPECT_EQ(combo->currentIndex(), -1); // an empty cell chooses nothing
    view.commitOpenEditor();
    EXPECT_EQ(cell(L::Write, 1, F::PLC_Area), "");
}

TEST_F(S7AccessWindowTest, CellRangesThroughTheClipboard)
{
    open();
    S7GridView &readView = grid(L::Read);
    S7RuleTableModel &r = model(L::Read);
    // Rows 1-2, columns PLC_Address..PLC_Type, copied as tab-separated text.
    readView.selectionModel()->select(QItemSelection(r.index(0, 1), r.index(1, 3)), QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(&readView, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "192.168.1.1\t102\tS71200\n192.168.1.2\t102\tS71200\n");

    // Pasted on the write page into unused rows: no question, one undo step.
    showPage(L::Write);
    S7GridView &writeView = grid(L::Write);
    S7RuleTableModel &w = model(L::Write);
    writeView.setCurrentIndex(w.index(4, 1));
    QTest::keyClick(&writeView, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(cell(L::Write, 4, F::PLC_Address), "192.168.1.1");
    EXPECT_EQ(cell(L::Write, 5, F::PLC_Type), "S71200");
    EXPECT_EQ(w.undoStack().count(), 1);

    // Spreadsheet text: quoted cells, check boxes as Y/N, clipped at row 512 and the last column.
    QGuiApplication::clipboard()->setText(QStringLiteral("x\t\"two\nlines\"\tTRUE\tno\textra\n\t\t1\t\t\n"));
    writeView.setCurrentIndex(w.index(511, w.columnOf(F::Mnemonic) - 3)); // Swap is 2 to the left
    QTest::keyClick(&writeView, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(cell(L::Write, 511, F::Bit), "x");
    EXPECT_EQ(cell(L::Write, 511, F::Swap), "N"); // "two\nlines" is no yes
    EXPECT_EQ(cell(L::Write, 511, F::SwapWord), "Y");
    EXPECT_EQ(cell(L::Write, 511, F::Mnemonic), "no");

    // Overwriting a used row asks nothing: one undo takes the paste back.
    QGuiApplication::clipboard()->setText(QStringLiteral("S7300\n"));
    writeView.setCurrentIndex(w.index(0, w.columnOf(F::PLC_Type)));
    QTest::keyClick(&writeView, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(cell(L::Write, 0, F::PLC_Type), "S7300");
    QTest::keyClick(&writeView, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(cell(L::Write, 0, F::PLC_Type), "S71200");
}

// A coded drop-down column takes only its list texts from a paste; refused cells keep their
// value, the rest lands, one message counts them. Texts from a file stay and are marked.
TEST_F(S7AccessWindowTest, PasteIntoDropDownColumnsTakesOnlyListedTexts)
{
    open();
    S7RuleTableModel &r = model(L::Read);
    S7GridView &view = grid(L::Read);
    // From PLC Type on: PLC_Type, Rack, Slot, Data_Type, Data_Identifier, DB_Number, PLC_Area.
    QGuiApplication::clipboard()->setText(QStringLiteral("102\t0\t2\t word \tdb\t5\tinputs (i)\n"
                                                         " s7300 \t1\t3\tfoo\t\t6\tOutput (Q)\n"));
    view.setCurrentIndex(r.index(0, r.columnOf(F::PLC_Type)));
    QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(tc.messages.takeOne(Kind::Error),
              "2" + tc.context.text(TextId::S7_CellsNotPasted) + "Error row 1 (S7comm Read, PLC Type): \"102\"");
    const struct
    {
        int row;
        F field;
        const char *text;
    } cells[] = {
        {0, F::PLC_Type, "S71200"}, {0, F::Slot, "2"}, {0, F::Data_Type, "Word"}, {0, F::Data_Identifier, "DB"},
        {0, F::PLC_Area, "Inputs (I)"}, {1, F::PLC_Type, "S7300"}, {1, F::Data_Type, "Word"},
        {1, F::Data_Identifier, ""}, {1, F::PLC_Area, "Output (Q)"},
    };
    for (const auto &c : cells)
        EXPECT_EQ(cell(L::Read, c.row, c.field), c.text) << c.row << " " << int(c.field);
    EXPECT_EQ(r.undoStack().count(), 1);

    // From a file an unlisted text stays as it is, marked in the grid.
    fileRead[1].PLC_Type = QStringLiteral("102");
    Save_S7_Protocol(s7File(), fileRead, fileWrite);
    reopen();
    EXPECT_EQ(cell(L::Read, 1, F::PLC_Type), "102");
    const QModelIndex off = r.index(1, r.columnOf(F::PLC_Type));
    EXPECT_TRUE(r.isOffList(1, off.column()));
    EXPECT_NE(r.data(off, Qt::BackgroundRole), r.data(r.index(0, off.column()), Qt::BackgroundRole));
    EXPECT_FALSE(r.isOffList(0, off.column()));
}

// Row numbers and headings select without moving the row the buttons act on; a paste after
// a row-number click starts at the first rule column, however the grid is scrolled.
TEST_F(S7AccessWindowTest, RowAndHeadingClicksKeepTheRowsThatButtonsAndPasteUse)
{
    open();
    window.resize(600, 500); // narrow, so that the grid scrolls sideways
    S7GridView &view = grid(L::Read);
    S7RuleTableModel &m = model(L::Read);
    const auto clickHeader = [](QHeaderView *header, int section) {
        const int at = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
        const QPoint point = header->orientation() == Qt::Horizontal ? QPoint(at, header->height() / 2)
                                                                      : QPoint(header->width() / 2, at);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, point);
    };

    // Scrolled to the right, row number 5 clicked, then Ctrl+V.
    view.scrollTo(m.index(4, m.columnCount() - 1));
    clickHeader(view.verticalHeader(), 4);
    ASSERT_EQ(view.selectedWholeRows(), QList<int>{4});
    QGuiApplication::clipboard()->setText(QStringLiteral("Y\t10.0.0.5\t102\n"));
    QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(cell(L::Read, 4, F::Enable), "Y");
    EXPECT_EQ(cell(L::Read, 4, F::PLC_Address), "10.0.0.5");
    EXPECT_EQ(cell(L::Read, 4, F::PLC_Port), "102");

    // A heading click keeps row 2 as the current row: Delete Row asks for row 2.
    setCurrent(L::Read, 1, 3);
    view.scrollToTop();
    clickHeader(view.horizontalHeader(), 1);
    EXPECT_EQ(view.currentRow(), 1);
    EXPECT_EQ(view.currentIndex().column(), 1);
    tc.messages.answerNextQuestion(false);
    click("Btn_DelRow");
    EXPECT_EQ(tc.messages.takeOne(Kind::Question), "Do you want to delete row 2?");

    // Rows 1 and 3 selected by their numbers: one question, both go, one undo step.
    clickHeader(view.verticalHeader(), 0);
    view.selectionModel()->select(m.index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    tc.messages.answerNextQuestion(true);
    const int steps = m.undoStack().count();
    click("Btn_DelRow");
    EXPECT_EQ(tc.messages.takeOne(Kind::Question), "Do you want to delete these 2 rows: 1, 3?");
    EXPECT_EQ(cell(L::Read, 0, F::Mnemonic), "r2");
    EXPECT_EQ(cell(L::Read, 2, F::PLC_Address), "10.0.0.5");
    EXPECT_EQ(rule(L::Read, 511), S7Rule::cleared());
    EXPECT_EQ(rule(L::Read, 510), S7Rule::cleared());
    EXPECT_EQ(m.undoStack().count(), steps + 1);
}

TEST_F(S7AccessWindowTest, UndoAndRedo)
{
    open();
    S7GridView &view = grid(L::Read);
    S7RuleTableModel &m = model(L::Read);
    const S7RuleList loaded = m.rules();
    m.setData(m.index(0, m.columnOf(F::Mnemonic)), QStringLiteral("edited"));
    setCurrent(L::Read, 0);
    tc.messages.answerNextQuestion(true);
    click("Btn_DelRow");
    tc.messages.takeOne(Kind::Question);
    EXPECT_EQ(cell(L::Read, 0, F::Mnemonic), "r2");

    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(cell(L::Read, 0, F::Mnemonic), "edited");
    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(m.rules(), loaded);
    QTest::keyClick(&view, Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(cell(L::Read, 0, F::Mnemonic), "r2");
    EXPECT_EQ(rule(L::Read, 511), S7Rule::cleared());

    // Each opening starts a new history.
    reopen();
    EXPECT_EQ(m.undoStack().count(), 0);
}

// On a screen smaller than the editor (the offscreen screen is 800x600) the editor shrinks
// into the screen's free area, every button still reachable.
TEST_F(S7AccessWindowTest, ShrinksToASmallScreen)
{
    const QRect available = window.screen()->availableGeometry();
    ASSERT_LT(available.width(), 1350);
    WindowStyle::Fit_To_Screen(&window);
    open();
    EXPECT_LE(window.width(), available.width());
    EXPECT_LE(window.height(), available.height());
    EXPECT_TRUE(available.contains(window.geometry())) << window.geometry().x() << "," << window.geometry().y();
    for (const char *name : {"Btn_OK", "Btn_Cancel", "Btn_PasteRow"}) {
        QPushButton *button = child<QPushButton>(name);
        EXPECT_TRUE(window.rect().contains(QRect(button->mapTo(&window, QPoint(0, 0)), button->size()))) << name;
    }
}

TEST_F(S7AccessWindowTest, LanguageChangeRelabels)
{
    tc.context.texts.setText(TextId::S7_Mnemonic_1243, QStringLiteral("Beschreibung"));
    tc.context.texts.setText(TextId::S7_PasteRow, QStringLiteral("Zeile einfügen"));
    window.Set_Lang();
    EXPECT_EQ(model(L::Write).headerData(19, Qt::Horizontal).toString(), "Beschreibung");
    EXPECT_EQ(child<QPushButton>("Btn_PasteRow")->text(), "Zeile einfügen");
}

TEST(S7RuleTableModelTest, PassesTheModelTester)
{
    for (const L list : {L::Read, L::Write}) {
        S7RuleTableModel model(list);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        model.setPositionLimit(10);
        model.setHeadings(S7Rule::fieldNames(list), S7Rule::fieldNames(list));
        model.setData(model.index(0, 1), QStringLiteral("1.2.3.4"));
        model.setData(model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
        model.insertRow(0);
        model.deleteRow(511);
        model.pasteBlock(510, 3, {{"a", "b"}, {"c"}, {"d"}});
        model.undoStack().undo();
        model.resetRules();
        model.rulesForLoading()[3].Mnemonic = QStringLiteral("m");
        model.rulesLoaded();
        EXPECT_EQ(model.rules()[3].Mnemonic, "m");
        EXPECT_FALSE(model.setData(model.index(0, 1), 5, Qt::CheckStateRole));
    }
}

} // namespace
