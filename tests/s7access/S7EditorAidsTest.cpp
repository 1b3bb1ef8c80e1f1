#include "S7TestRules.h"
#include "s7access/S7Protocol.h"
#include "s7access/ui/S7ChangesLink.h"
#include "s7access/ui/S7FindBar.h"
#include "s7access/ui/S7GridView.h"
#include "s7access/ui/S7RuleTableModel.h"
#include "s7access/ui/TFS7_Protocol_Set_Access.h"
#include "support/TestContext.h"

#include <QApplication>
#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using F = S7Rule::Field;
using L = S7Rule::List;

// The find bar and the Changes view, on an editor whose mnemonics name pumps in both lists.
class S7EditorAidsTest : public ::testing::Test
{
protected:
    S7EditorAidsTest()
    {
        tc.openNewProject(QStringLiteral("P1"));
        S7RuleList read = Fresh_Rule_List();
        S7RuleList write = Fresh_Rule_List();
        const char *const mnemonics[] = {"Pump A", "Valve", "spare pump B"};
        for (int i = 0; i < 3; ++i)
            read[std::size_t(i)] = Valid_Rule(i + 1, QLatin1String(mnemonics[i]));
        write[0] = Valid_Rule(1, QStringLiteral("PUMP C"));
        Save_S7_Protocol(tc.context.workspace.S7_Protocol_File, read, write);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    ~S7EditorAidsTest() override { window.hide(); }

    template <class T> T *child(const char *name) { return window.findChild<T *>(QLatin1String(name)); }
    S7FindBar &bar() { return *child<S7FindBar>("P_Find"); }
    QLineEdit &edit() { return *child<QLineEdit>("E_Find"); }
    QString count() { return child<QLabel>("L_Find_Count")->text(); }
    int page() { return child<QTabWidget>("PageControl1")->currentIndex(); }
    S7RuleTableModel &model(L list) { return list == L::Read ? window.readModel() : window.writeModel(); }
    S7GridView &grid(L list) { return *child<S7GridView>(list == L::Read ? "ACG_S7_Read" : "ACG_S7_Write"); }
    // Page, row and column of the shown grid's current cell.
    std::tuple<int, int, int> here()
    {
        const QModelIndex i = grid(page() == 0 ? L::Read : L::Write).currentIndex();
        return {page(), i.row(), i.column()};
    }
    void key(QWidget *to, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(to, k, m); }

    TestContext tc;
    TFS7_Protocol_Set_Access window{tc.context};
};

TEST_F(S7EditorAidsTest, SearchesBothPagesAsTypedAndSteps)
{
    EXPECT_FALSE(bar().isVisible());
    key(&grid(L::Read), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(bar().isVisible());
    EXPECT_TRUE(edit().hasFocus());

    QTest::keyClicks(&edit(), QStringLiteral("pUmP"));
    const int mnemonic = model(L::Read).columnOf(F::Mnemonic);
    const int writeMnemonic = model(L::Write).columnOf(F::Mnemonic);
    EXPECT_EQ(count(), "1 of 3");
    EXPECT_EQ(here(), std::make_tuple(0, 0, mnemonic));

    // F3 / Enter forward, Shift+F3 / Shift+Enter back, across the pages and round the ends.
    const struct
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::tuple<int, int, int> where;
        const char *count;
    } steps[] = {
        {Qt::Key_F3, Qt::NoModifier, {0, 2, mnemonic}, "2 of 3"},
        {Qt::Key_Return, Qt::NoModifier, {1, 0, writeMnemonic}, "3 of 3"},
        {Qt::Key_F3, Qt::NoModifier, {0, 0, mnemonic}, "1 of 3"},
        {Qt::Key_F3, Qt::ShiftModifier, {1, 0, writeMnemonic}, "3 of 3"},
        {Qt::Key_Return, Qt::ShiftModifier, {0, 2, mnemonic}, "2 of 3"},
    };
    for (const auto &s : steps) {
        key(&edit(), s.key, s.modifiers);
        EXPECT_EQ(here(), s.where) << s.count;
        EXPECT_EQ(count(), s.count);
    }
    EXPECT_TRUE(bar().isVisible());
    EXPECT_TRUE(edit().hasFocus());

    // Matches are tinted; check boxes never match.
    const QColor tint(0xFF, 0xA0, 0x40);
    EXPECT_EQ(model(L::Read).index(0, mnemonic).data(Qt::BackgroundRole).value<QColor>(), tint);
    EXPECT_NE(model(L::Read).index(1, mnemonic).data(Qt::BackgroundRole).value<QColor>(), tint);
    edit().setText(QStringLiteral("y"));
    EXPECT_FALSE(model(L::Read).cellMatches(0, model(L::Read).columnOf(F::Enable)));
    edit().setText(QStringLiteral("no such text"));
    EXPECT_EQ(count(), "No matches");
    edit().clear();
    EXPECT_EQ(count(), "");
}

TEST_F(S7EditorAidsTest, FollowsEdits)
{
    bar().openBar();
    QTest::keyClicks(&edit(), QStringLiteral("pump"));
    EXPECT_EQ(count(), "1 of 3");
    grid(L::Read).setCurrentIndex(model(L::Read).index(5, 0)); // the cursor leaves the matches
    EXPECT_EQ(count(), "Matches: 3");
    grid(L::Read).setCurrentIndex(model(L::Read).index(0, model(L::Read).columnOf(F::Mnemonic)));
    EXPECT_EQ(count(), "1 of 3");
    const int mnemonic = model(L::Write).columnOf(F::Mnemonic);
    model(L::Write).setData(model(L::Write).index(0, mnemonic), QStringLiteral("Fan"));
    EXPECT_EQ(count(), "1 of 2");
    model(L::Read).setData(model(L::Read).index(1, model(L::Read).columnOf(F::PLC_Type)), QStringLiteral("pumps"));
    EXPECT_EQ(count(), "1 of 3");
    model(L::Read).deleteRow(0); // the current match moves away: no "0 of 2"
    EXPECT_EQ(count(), "Matches: 2");
    model(L::Read).undoStack().undo();
    EXPECT_EQ(count(), "1 of 3");
}

TEST_F(S7EditorAidsTest, EscapeClosesOnlyTheBar)
{
    key(&grid(L::Read), Qt::Key_F3); // F3 with the bar closed opens it
    ASSERT_TRUE(bar().isVisible());
    QTest::keyClicks(&edit(), QStringLiteral("valve"));
    key(&edit(), Qt::Key_Escape);
    EXPECT_FALSE(bar().isVisible());
    EXPECT_TRUE(window.isVisible()); // the editor neither closed nor asked
    EXPECT_EQ(window.result(), 0);
    EXPECT_FALSE(model(L::Read).cellMatches(1, model(L::Read).columnOf(F::Mnemonic))); // tint gone
    EXPECT_TRUE(grid(L::Read).hasFocus());

    // A new opening of the editor starts with the bar closed.
    bar().openBar();
    window.reject();
    window.show();
    EXPECT_FALSE(bar().isVisible());
}

} // namespace

namespace {

TEST_F(S7EditorAidsTest, ChangesShowWhatOkWouldSave)
{
    auto *link = child<S7ChangesLink>("Btn_Changes");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->text(), "Changes");
    EXPECT_FALSE(link->isEnabled()); // the lists are the file's

    S7RuleTableModel &read = model(L::Read);
    read.setData(read.index(1, read.columnOf(F::PollTime)), QStringLiteral("250"));
    EXPECT_TRUE(link->isEnabled());
    read.insertRow(0);
    read.setRowCells(0, Valid_Rule(9, QStringLiteral("new")).cells(L::Read));
    // A rule after the first one without address is not saved: no change.
    model(L::Write).setData(model(L::Write).index(5, model(L::Write).columnOf(F::Mnemonic)), QStringLiteral("x"));

    QString shown;
    tc.modal.expect([&](QDialog &dialog) {
        shown = dialog.findChild<QPlainTextEdit *>(QStringLiteral("M_Changes"))->toPlainText();
    });
    QTest::mouseClick(link, Qt::LeftButton);
    // The fields are named by the columns' headings, as the pages show them.
    EXPECT_TRUE(shown.startsWith(QLatin1String("Read row 1 added: Enable: \"Y\"; PLC Address: \"192.168.1.9\"")))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains(QLatin1String("Read row 1 moved to row 2\n"
                                             "Read row 2 changed (now row 3):\n"
                                             "    Poll Time: \"100\" -> \"250\"\n"
                                             "Read row 3 moved to row 4\n")))
        << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QLatin1String("Rules added: 1, removed: 0, changed: 1, moved: 2\n")));
    EXPECT_FALSE(shown.contains(QLatin1String("PollTime")));

    read.undoStack().undo();
    read.undoStack().undo();
    read.undoStack().undo();
    EXPECT_FALSE(link->isEnabled());
    tc.modal.expect([&](QDialog &dialog) {
        shown = dialog.findChild<QPlainTextEdit *>(QStringLiteral("M_Changes"))->toPlainText();
    });
    link->showChanges();
    EXPECT_EQ(shown, "The lists are the same as S7_Protocol.xml on disk.");

    // A rule after an empty row is what OK saves once it has closed the gap: it shows as added.
    model(L::Write).setRowCells(40, Valid_Rule(7, QStringLiteral("late")).cells(L::Write));
    EXPECT_TRUE(link->isEnabled());
    tc.modal.expect([&](QDialog &dialog) {
        shown = dialog.findChild<QPlainTextEdit *>(QStringLiteral("M_Changes"))->toPlainText();
    });
    link->showChanges();
    EXPECT_TRUE(shown.contains(QLatin1String("added: Enable: \"Y\"; PLC Address: \"192.168.1.7\""))) << shown.toStdString();
}

} // namespace
