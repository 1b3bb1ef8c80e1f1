#include "PlcTestRules.h"
#include "platform/PlcCheckService.h"
#include "platform/qt/QtPlcChecker.h"
#include "s7access/S7Protocol.h"
#include "s7access/ui/S7RuleTableModel.h"
#include "s7access/ui/TFS7_Protocol_Set_Access.h"
#include "support/LoopbackHttpServer.h"
#include "support/LoopbackS7Server.h"
#include "support/TestContext.h"
#include "texts/LanguageFile.h"
#include "texts/TextId.h"

#include <QClipboard>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <gtest/gtest.h>
#include <memory>

namespace {

using L = S7Rule::List;
using Kind = FakeMessageService::Kind;

// The editor over a project whose rules read from a loopback PLC (DB 1 holds 12 34 56 78).
class PlcCheckButtonTest : public ::testing::Test
{
protected:
    PlcCheckButtonTest()
    {
        tc.openNewProject(QStringLiteral("P1"));
        plc.setDataBlock(1, QByteArray::fromHex("12345678"));
        S7RuleList read = Fresh_Rule_List();
        S7RuleList write = Fresh_Rule_List();
        read[0] = Loopback_Rule(plc.port(), "Word", "DB", 1, 0);
        read[1] = Loopback_Rule(plc.port(), "Word", "DB", 9, 0);
        write[0] = Loopback_Rule(plc.port(), "Byte", "DB", 1, 3);
        Save_S7_Protocol(tc.context.workspace.S7_Protocol_File, read, write);
        tc.context.services.plc = &checker;
        window = std::make_unique<TFS7_Protocol_Set_Access>(tc.context);
        window->show();
    }
    ~PlcCheckButtonTest() override
    {
        window->hide();
        for (const std::uint8_t code : plc.functionCodes())
            EXPECT_TRUE(code == 0xF0 || code == 0x04) << "function code " << int(code);
    }

    template <class T> T *child(const char *name) { return window->findChild<T *>(QLatin1String(name)); }
    QDialog *results() { return child<QDialog>("PlcCheckResults"); }
    void clickCheck()
    {
        QTest::mouseClick(child<QPushButton>("Btn_CheckPlcs"), Qt::LeftButton);
    }
    QString tip(L list, int row)
    {
        S7RuleTableModel &model = list == L::Read ? window->readModel() : window->writeModel();
        return model.headerData(row, Qt::Vertical, Qt::ToolTipRole).toString();
    }
    bool marked(L list, int row, bool ok)
    {
        const auto &marks = (list == L::Read ? window->readModel() : window->writeModel()).rowMarks();
        return marks.contains(row) && marks.value(row).ok == ok;
    }

    LoopbackS7Server plc;
    TestContext tc;
    QtPlcChecker checker;
    std::unique_ptr<TFS7_Protocol_Set_Access> window;
};

TEST_F(PlcCheckButtonTest, ChecksTheListsAsTheyStandAndMarksEachRow)
{
    auto *button = child<QPushButton>("Btn_CheckPlcs");
    ASSERT_TRUE(button);
    EXPECT_EQ(button->text(), tc.context.text(TextId::S7_CheckPlcs));
    // Beside the editor's own buttons, after them.
    EXPECT_GT(button->x(), child<QPushButton>("Btn_PasteRow")->x());

    // An unsaved third rule is checked too.
    window->readModel().setRowCells(2, Loopback_Rule(plc.port(), "Int", "DB", 1, 2).cells(L::Read));
    clickCheck();
    ASSERT_TRUE(QTest::qWaitFor([&] { return results()->isVisible(); }, 5000));

    EXPECT_TRUE(marked(L::Read, 0, true));
    EXPECT_EQ(tip(L::Read, 0), QStringLiteral("DB1.DBW0 = 4660"));
    EXPECT_TRUE(marked(L::Read, 1, false));
    EXPECT_EQ(tip(L::Read, 1), QStringLiteral("DB9.DBW0: object does not exist (0x0A)"));
    EXPECT_TRUE(marked(L::Read, 2, true));
    EXPECT_EQ(tip(L::Read, 2), QStringLiteral("DB1.DBW2 = 22136"));
    EXPECT_FALSE(window->readModel().rowMarks().contains(3));
    EXPECT_TRUE(marked(L::Write, 0, true));
    EXPECT_EQ(tip(L::Write, 0), QStringLiteral("DB1.DBB3 = 120"));

    EXPECT_EQ(results()->findChild<QLabel *>(QStringLiteral("L_PlcCheckSummary"))->text(),
              QStringLiteral("3 of 4 rules OK"));
    const QString list = results()->findChild<QPlainTextEdit *>(QStringLiteral("M_PlcCheckResults"))->toPlainText();
    const QString at = QStringLiteral("127.0.0.1:%1").arg(plc.port());
    // Which PLC answered comes before its first rule.
    EXPECT_EQ(list, QStringLiteral("PLC %1 rack 0 slot 1: 6ES7 214-1AG40-0XB0 (S7-1200), CPU 1214C DC/DC/DC, "
                                   "firmware V3.2.6, RUN\n"
                                   "S7comm Read\t1\t%1\tDB1.DBW0\tOK 4660\n"
                                   "S7comm Read\t2\t%1\tDB9.DBW0\tobject does not exist (0x0A)\n"
                                   "S7comm Read\t3\t%1\tDB1.DBW2\tOK 22136\n"
                                   "S7comm Write\t1\t%1\tDB1.DBB3\tOK 120").arg(at));
    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(results()->findChild<QPushButton *>(QStringLiteral("Btn_CopyPlcResults")), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), list);
    EXPECT_TRUE(button->isEnabled());

    // Editing a rule takes its mark away, and only its: the mark described the rule as it was
    // checked. The find bar's tint changes no rule and keeps every mark.
    window->readModel().setFindText(QStringLiteral("DB"));
    EXPECT_EQ(window->readModel().rowMarks().size(), 3);
    EXPECT_EQ(tip(L::Read, 1), QStringLiteral("DB9.DBW0: object does not exist (0x0A)"));
    window->readModel().setData(window->readModel().index(0, 0), QStringLiteral("N"));
    EXPECT_FALSE(window->readModel().rowMarks().contains(0));
    EXPECT_TRUE(marked(L::Read, 1, false));
    EXPECT_TRUE(marked(L::Read, 2, true));
    EXPECT_TRUE(marked(L::Write, 0, true));
    // A rule that only moves keeps its mark: Delete Row above moves rows 2 and 3 up.
    window->readModel().deleteRow(0);
    EXPECT_EQ(window->readModel().rowMarks().size(), 2);
    EXPECT_TRUE(marked(L::Read, 0, false));
    EXPECT_EQ(tip(L::Read, 0), QStringLiteral("DB9.DBW0: object does not exist (0x0A)"));
    EXPECT_TRUE(marked(L::Read, 1, true));
    // Moved below an empty row, a rule is no longer what was checked: its mark goes.
    window->readModel().insertRow(0);
    EXPECT_TRUE(window->readModel().rowMarks().isEmpty());
}

// Rules after an empty row are checked and marked as the device never gets them; a row that
// validation refuses is not sent and names the column it lacks as the grid heads it.
TEST_F(PlcCheckButtonTest, RulesAfterTheEndAndIncompleteRowsAreMarkedInPlace)
{
    window->readModel().setRowCells(3, Loopback_Rule(plc.port(), "Word", "DB", 1, 0).cells(L::Read));
    S7Rule addressOnly;
    addressOnly.PLC_Address = QStringLiteral("127.0.0.1");
    addressOnly.PLC_Port = QString::number(plc.port());
    window->writeModel().setRowCells(1, addressOnly.cells(L::Write));
    clickCheck();
    ASSERT_TRUE(QTest::qWaitFor([&] { return results()->isVisible(); }, 5000));

    EXPECT_TRUE(marked(L::Read, 3, true));
    EXPECT_TRUE(window->readModel().rowMarks().value(3).afterEnd);
    EXPECT_EQ(tip(L::Read, 3), QStringLiteral("DB1.DBW0 = 4660\nafter the end of the list: not sent to the device"));
    EXPECT_FALSE(window->readModel().rowMarks().value(0).afterEnd);
    const QString plcType = window->writeModel().headerData(window->writeModel().columnOf(S7Rule::Field::PLC_Type),
                                                            Qt::Horizontal).toString();
    EXPECT_TRUE(marked(L::Write, 1, false));
    EXPECT_EQ(tip(L::Write, 1), QStringLiteral("P0.0: incomplete: %1").arg(plcType));

    EXPECT_EQ(results()->findChild<QLabel *>(QStringLiteral("L_PlcCheckSummary"))->text(),
              QStringLiteral("3 of 5 rules OK\n1 of the checked rules follow the end of the list: the device does not "
                             "get them."));
    const QString at = QStringLiteral("127.0.0.1:%1").arg(plc.port());
    EXPECT_EQ(results()->findChild<QPlainTextEdit *>(QStringLiteral("M_PlcCheckResults"))->toPlainText(),
              QStringLiteral("PLC %1 rack 0 slot 1: 6ES7 214-1AG40-0XB0 (S7-1200), CPU 1214C DC/DC/DC, firmware V3.2.6, "
                             "RUN\n"
                             "S7comm Read\t1\t%1\tDB1.DBW0\tOK 4660\n"
                             "S7comm Read\t2\t%1\tDB9.DBW0\tobject does not exist (0x0A)\n"
                             "S7comm Read\t4\t%1\tDB1.DBW0\tOK 4660; after the end of the list: not sent to the device\n"
                             "S7comm Write\t1\t%1\tDB1.DBB3\tOK 120\n"
                             "S7comm Write\t2\t%1\tP0.0\tincomplete: %2")
                  .arg(at, plcType));
}

// In a shipped language the rows' tips and the result list tell the list and the frequent
// errors in that language.
TEST_F(PlcCheckButtonTest, ErrorsInTheLoadedLanguage)
{
    Load_Language_File(tc.context.texts, QStringLiteral(BRIVANT_LANGUAGES_DIR "/Deutsch.lng"));
    ASSERT_EQ(tc.context.text(TextId::S7_S7commRead), QStringLiteral("S7comm Lesen"));
    window->Set_Lang();
    S7Rule invalid = Loopback_Rule(plc.port(), "Word", "DB", 1, 0);
    invalid.PLC_Address = QStringLiteral("127.0.0.256");
    window->readModel().setRowCells(2, invalid.cells(L::Read));
    const quint16 closed = LoopbackHttpServer::closedPort();
    window->writeModel().setRowCells(0, Loopback_Rule(closed, "Byte", "DB", 1, 3).cells(L::Write));
    clickCheck();
    ASSERT_TRUE(QTest::qWaitFor([&] { return results()->isVisible(); }, 5000));

    EXPECT_EQ(tip(L::Read, 0), QStringLiteral("DB1.DBW0 = 4660"));
    EXPECT_EQ(tip(L::Read, 1), QStringLiteral("DB9.DBW0: Objekt existiert nicht (0x0A)"));
    EXPECT_EQ(tip(L::Read, 2), QStringLiteral("DB1.DBW0: keine gültige PLC-Adresse"));
    EXPECT_EQ(tip(L::Write, 0), QStringLiteral("DB1.DBB3: Verbindung abgelehnt"));
    EXPECT_EQ(results()->findChild<QLabel *>(QStringLiteral("L_PlcCheckSummary"))->text(),
              QStringLiteral("1 von 4 Regeln OK"));
    EXPECT_EQ(results()->findChild<QPlainTextEdit *>(QStringLiteral("M_PlcCheckResults"))->toPlainText(),
              QStringLiteral("PLC 127.0.0.1:%1 Rack 0 Steckplatz 1: 6ES7 214-1AG40-0XB0 (S7-1200), CPU 1214C DC/DC/DC, "
                             "Firmware V3.2.6, RUN\n"
                             "S7comm Lesen\t1\t127.0.0.1:%1\tDB1.DBW0\tOK 4660\n"
                             "S7comm Lesen\t2\t127.0.0.1:%1\tDB9.DBW0\tObjekt existiert nicht (0x0A)\n"
                             "S7comm Lesen\t3\t127.0.0.256:%1\tDB1.DBW0\tkeine gültige PLC-Adresse\n"
                             "PLC 127.0.0.1:%2 Rack 0 Steckplatz 1: nicht verbunden\n"
                             "S7comm Schreiben\t1\t127.0.0.1:%2\tDB1.DBB3\tVerbindung abgelehnt")
                  .arg(plc.port())
                  .arg(closed));
}

// A PLC Type the PLC is not, and a PLC in STOP, are warned at the top of the list.
TEST_F(PlcCheckButtonTest, WarnsOfTheWrongPlcTypeAndOfAPlcInStop)
{
    plc.setIdentity("6ES7 315-2EH14-0AB0", "CPU 315-2 PN/DP", 0x04);
    S7Rule rule = Loopback_Rule(plc.port(), "Int", "DB", 1, 2);
    rule.PLC_Type = QStringLiteral("S7400");
    window->readModel().setRowCells(2, rule.cells(L::Read));
    clickCheck();
    ASSERT_TRUE(QTest::qWaitFor([&] { return results()->isVisible(); }, 5000));
    const QStringList lines =
        results()->findChild<QPlainTextEdit *>(QStringLiteral("M_PlcCheckResults"))->toPlainText().split(u'\n');
    const QString at = QStringLiteral("127.0.0.1:%1").arg(plc.port());
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("Warning: PLC %1: the rules name PLC Type S71200, but the PLC is S7-300 "
                                       "(6ES7 315-2EH14-0AB0).").arg(at));
    EXPECT_EQ(lines[1], QStringLiteral("Warning: PLC %1: the rules name PLC Type S7400, but the PLC is S7-300 "
                                       "(6ES7 315-2EH14-0AB0).").arg(at));
    EXPECT_EQ(lines[2], QStringLiteral("Warning: PLC %1 is in STOP: the values read are stale.").arg(at));
    EXPECT_EQ(lines[3], QStringLiteral("PLC %1 rack 0 slot 1: 6ES7 315-2EH14-0AB0 (S7-300), CPU 315-2 PN/DP, "
                                       "firmware V3.2.6, STOP").arg(at));
}

TEST_F(PlcCheckButtonTest, CancelStopsTheCheck)
{
    plc.setMode(LoopbackS7Server::Mode::Silent);
    clickCheck();
    auto *progress = child<QProgressDialog>("PD_CheckPlcs");
    ASSERT_TRUE(QTest::qWaitFor([&] { return progress->isVisible() && plc.connections() == 1; }, 2000));
    EXPECT_FALSE(child<QPushButton>("Btn_CheckPlcs")->isEnabled());
    EXPECT_EQ(progress->labelText(), QStringLiteral("Checking the PLCs: 0 of 3 rules done"));
    QTest::mouseClick(progress->findChild<QPushButton *>(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return results()->isVisible(); }, 1000));
    EXPECT_FALSE(checker.running());
    EXPECT_FALSE(progress->isVisible());
    EXPECT_TRUE(marked(L::Read, 0, false));
    EXPECT_EQ(tip(L::Read, 0), QStringLiteral("DB1.DBW0: cancelled"));
    EXPECT_TRUE(results()->findChild<QLabel *>(QStringLiteral("L_PlcCheckSummary"))->text().endsWith(
        tc.context.text(TextId::S7_CheckPlcsCancelled)));
    EXPECT_TRUE(child<QPushButton>("Btn_CheckPlcs")->isEnabled());
}

// The result list is tab-separated for copying; on screen its columns line up however long
// an item or a PLC's address is.
TEST_F(PlcCheckButtonTest, ResultColumnsLineUp)
{
    window->readModel().setRowCells(2, Loopback_Rule(plc.port(), "Bit", "DB", 65000, 60000, 7).cells(L::Read));
    clickCheck();
    ASSERT_TRUE(QTest::qWaitFor([&] { return results()->isVisible(); }, 5000));
    auto *list = results()->findChild<QPlainTextEdit *>(QStringLiteral("M_PlcCheckResults"));
    ASSERT_TRUE(list->toPlainText().contains(QStringLiteral("\tDB65000.DBX60000.7\t")));
    // Where each line's fields start, on screen.
    std::vector<std::vector<qreal>> starts;
    for (QTextBlock block = list->document()->begin(); block.isValid(); block = block.next()) {
        std::vector<qreal> x;
        const QString text = block.text();
        if (!text.contains(u'\t'))
            continue; // a PLC's identity line
        for (int at = 0; at >= 0; at = text.indexOf(u'\t', at) < 0 ? -1 : text.indexOf(u'\t', at) + 1)
            x.push_back(block.layout()->lineAt(0).cursorToX(at));
        starts.push_back(x);
    }
    ASSERT_EQ(starts.size(), 4u);
    for (const auto &line : starts) {
        ASSERT_EQ(line.size(), 5u);
        EXPECT_EQ(line, starts.front());
    }
}

// The progress window is as wide as its Cancel button needs, and places the button again when
// a language switch changes its text, whether the window is shown or not.
TEST_F(PlcCheckButtonTest, ProgressWindowMakesRoomForItsCancelButton)
{
    plc.setMode(LoopbackS7Server::Mode::Silent);
    auto *progress = child<QProgressDialog>("PD_CheckPlcs");
    const auto inside = [progress](QPushButton *cancel) {
        const QRect r = cancel->geometry();
        return r.left() >= 0 && r.right() < progress->width() && r.width() >= cancel->sizeHint().width();
    };
    const QString shortText = QStringLiteral("Stop");
    const QString longText = QStringLiteral("Abbrechen und die Verbindungen zu allen Steuerungen sofort schliessen");
    for (const QString &first : {longText, shortText}) {
        SCOPED_TRACE(first.toStdString());
        tc.context.texts.setText(TextId::S7_CheckPlcsCancel, first);
        window->Set_Lang();
        clickCheck();
        ASSERT_TRUE(QTest::qWaitFor([&] { return progress->isVisible() && plc.connections() >= 1; }, 2000));
        auto *cancel = progress->findChild<QPushButton *>();
        EXPECT_EQ(cancel->text(), first);
        EXPECT_TRUE(inside(cancel)) << cancel->geometry().x() << " " << cancel->width() << " in " << progress->width();

        // Switched while the window is shown.
        const QString other = first == longText ? shortText : longText;
        tc.context.texts.setText(TextId::S7_CheckPlcsCancel, other);
        window->Set_Lang();
        EXPECT_EQ(cancel->text(), other);
        EXPECT_TRUE(inside(cancel)) << cancel->geometry().x() << " " << cancel->width() << " in " << progress->width();
        QTest::mouseClick(cancel, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return results()->isVisible(); }, 1000));
        results()->hide();
    }
}

TEST_F(PlcCheckButtonTest, NothingToCheckAndNoServiceWithoutAButton)
{
    window->readModel().resetRules();
    window->writeModel().resetRules();
    clickCheck();
    EXPECT_EQ(tc.messages.takeOne(Kind::Warning), tc.context.text(TextId::S7_CheckPlcsNoRule));
    EXPECT_EQ(plc.connections(), 0);

    tc.context.services.plc = nullptr;
    TFS7_Protocol_Set_Access plain(tc.context);
    EXPECT_FALSE(plain.findChild<QPushButton *>(QStringLiteral("Btn_CheckPlcs"))->isVisibleTo(&plain));
}

// Holds the callbacks of a started check for the test to report through.
class HeldPlcCheck : public PlcCheckService
{
public:
    void start(std::vector<PlcCheckItem> items, const PlcCheckLimits &, Progress p, Finished f) override
    {
        total = int(items.size());
        progress = std::move(p);
        finished = std::move(f);
    }
    void cancel() override { ADD_FAILURE() << "cancel"; }
    bool running() const override { return bool(finished); }

    int total = 0;
    Progress progress;
    Finished finished;
};

// Reports that arrive together: moving the window-modal bar runs the later ones within the
// earlier one, and the text must still tell the bar's last state.
TEST(PlcCheckProgressTest, TextAndBarAgreeWhenReportsArriveTogether)
{
    TestContext tc;
    tc.openNewProject(QStringLiteral("P1"));
    S7RuleList read = Fresh_Rule_List();
    for (int row = 0; row < 4; ++row)
        read[row] = Loopback_Rule(1, "Word", "DB", 1, 2 * row);
    Save_S7_Protocol(tc.context.workspace.S7_Protocol_File, read, Fresh_Rule_List());
    HeldPlcCheck check;
    tc.context.services.plc = &check;
    TFS7_Protocol_Set_Access window(tc.context);
    window.show();
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("Btn_CheckPlcs")), Qt::LeftButton);
    ASSERT_EQ(check.total, 4);
    auto *progress = window.findChild<QProgressDialog *>(QStringLiteral("PD_CheckPlcs"));
    ASSERT_TRUE(progress->isVisible());
    for (int done = 1; done <= 3; ++done)
        check.progress(done, 4);
    QCoreApplication::processEvents();
    EXPECT_EQ(progress->value(), 3);
    EXPECT_EQ(progress->labelText(), QStringLiteral("Checking the PLCs: 3 of 4 rules done"));
    const auto finished = std::move(check.finished);
    check.finished = nullptr;
    finished({}, false);
    window.hide();
}

} // namespace
