#include "commparams/CommParams.h"
#include "compare/ProjectDiff.h"
#include "s7access/S7Protocol.h"
#include "s7access/S7RuleCsv.h"
#include "s7access/S7TestRules.h"
#include "support/CliRunner.h"
#include "support/TempWorkspace.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

using L = S7Rule::List;
using K = RuleChange::Kind;

S7RuleList numbered(int count)
{
    S7RuleList rules;
    for (int i = 0; i < count; ++i)
        rules.push_back(Valid_Rule(i + 1, QStringLiteral("rule %1").arg(i + 1)));
    return rules;
}

// The non-empty fields as the text output lists them (the test rules need no escapes).
QString ruleTextForTest(const S7Rule &rule, L list)
{
    QStringList parts;
    for (const S7Rule::Field f : S7Rule::fields(list))
        if (!rule[f].isEmpty())
            parts.append(QStringLiteral("%1=\"%2\"").arg(S7Rule::fieldName(f), rule[f]));
    return parts.join(u' ');
}

// Two project folders A and B, both starting as the same project of 20 read and 3 write rules.
class ProjectDiffTest : public ::testing::Test
{
protected:
    ProjectDiffTest()
    {
        for (const char *side : {"A", "B"}) {
            ws.mkdir(QStringLiteral("PROJECTS/%1/bin").arg(QLatin1String(side)));
            save(side, read, write, params);
        }
    }

    QString dir(const char *side) const { return ws.file(QStringLiteral("PROJECTS/%1").arg(QLatin1String(side))); }
    void save(const char *side, const S7RuleList &r, const S7RuleList &w, const CommParams &p) const
    {
        Save_S7_Protocol(dir(side) + QStringLiteral("/S7_Protocol.xml"), r, w);
        Write_ParGen(dir(side) + QStringLiteral("/ParGen.xml"), p);
    }
    CliTextRun diff(const QString &a, const QString &b, const QStringList &more = {}) const
    {
        return Run_Cli_Text(QStringList{QStringLiteral("diff"), a, b} + more);
    }
    CliTextRun diffAB(const QStringList &more = {}) const { return diff(dir("A"), dir("B"), more); }
    QString header() const { return QStringLiteral("--- %1\n+++ %2\n").arg(dir("A"), dir("B")); }

    TempWorkspace ws;
    S7RuleList read = numbered(20);
    S7RuleList write = numbered(3);
    CommParams params = CommParams::windowDefaults();
};

TEST_F(ProjectDiffTest, EqualProjectsSayNothingAndExit0)
{
    CliTextRun r = diffAB();
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "");
    r = diffAB({QStringLiteral("--json")});
    EXPECT_EQ(r.exitCode, 0);
    const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_TRUE(json[QStringLiteral("equal")].toBool());
    EXPECT_TRUE(json[QStringLiteral("parametersCompared")].toBool());
    EXPECT_TRUE(json[QStringLiteral("rules")].toArray().isEmpty());
}

TEST_F(ProjectDiffTest, OneChangedFieldAndChangedParameters)
{
    S7RuleList r2 = read;
    r2[6].PollTime = QStringLiteral("250");
    r2[6].Mnemonic = QStringLiteral("say \"hi\"\r\n");
    CommParams p2 = params;
    p2.texts[CommParams::S7_Protocol_IP4] = QStringLiteral("6");
    p2.gatewayEnabled = true;
    save("B", r2, write, p2);

    CliTextRun r = diffAB();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, header() + "parameter S7_Protocol_IP4: \"5\" -> \"6\"\n"
                                "parameter S7_Protocol_EN_GAT: \"0\" -> \"1\"\n"
                                "Read row 7 changed:\n"
                                "    PollTime: \"100\" -> \"250\"\n"
                                "    Mnemonic: \"rule 7\" -> \"say \\\"hi\\\"\\r\\n\"\n"
                                "parameters changed: 2; rules added: 0, removed: 0, changed: 1, moved: 0\n");

    r = diffAB({QStringLiteral("--json")});
    EXPECT_EQ(r.exitCode, 1);
    const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_FALSE(json[QStringLiteral("equal")].toBool());
    EXPECT_EQ(json[QStringLiteral("parameters")].toArray().size(), 2);
    const QJsonObject change = json[QStringLiteral("rules")].toArray().at(0).toObject();
    EXPECT_EQ(change[QStringLiteral("kind")].toString(), "changed");
    EXPECT_EQ(change[QStringLiteral("list")].toString(), "Read");
    EXPECT_EQ(change[QStringLiteral("oldRow")].toInt(), 7);
    EXPECT_EQ(change[QStringLiteral("newRow")].toInt(), 7);
    const QJsonObject field = change[QStringLiteral("fields")].toArray().at(1).toObject();
    EXPECT_EQ(field[QStringLiteral("field")].toString(), "Mnemonic");
    EXPECT_EQ(field[QStringLiteral("new")].toString(), "say \"hi\"\r\n");
}

TEST_F(ProjectDiffTest, InsertedAndDeletedRowsShowAsOneRuleAndAMove)
{
    S7RuleList inserted = read;
    inserted.insert(inserted.begin() + 9, Valid_Rule(99, QStringLiteral("new")));
    S7RuleList deleted = write;
    deleted.erase(deleted.begin());
    save("B", inserted, deleted, params);

    const CliTextRun r = diffAB();
    EXPECT_EQ(r.exitCode, 1);
    const QString newRule = ruleTextForTest(Valid_Rule(99, QStringLiteral("new")), L::Read);
    EXPECT_EQ(r.out, header() + "Read row 10 added: " + newRule + "\n"
                                "Read rows 10 to 20 moved to rows 11 to 21\n"
                                "Write row 1 removed: " + ruleTextForTest(write[0], L::Write) + "\n"
                                "Write rows 2 to 3 moved to rows 1 to 2\n"
                                "parameters changed: 0; rules added: 1, removed: 1, changed: 0, moved: 13\n");
}

TEST_F(ProjectDiffTest, MixedInputsCompareWhatBothHold)
{
    // The same rules as CSV and as S7_Protocol.xml: equal to the folder, parameters not compared.
    ws.write(QStringLiteral("rules.csv"), Rules_To_Csv(read, write));
    EXPECT_EQ(diff(dir("A"), ws.file(QStringLiteral("rules.csv"))).exitCode, 0);
    EXPECT_EQ(diff(ws.file(QStringLiteral("rules.csv")), dir("B") + QStringLiteral("/S7_Protocol.xml")).exitCode, 0);

    S7RuleList r2 = read;
    r2[19].Enable = QStringLiteral("N");
    ws.write(QStringLiteral("rules.csv"), Rules_To_Csv(r2, write));
    CommParams p2 = params;
    p2.texts[CommParams::PROFINET_NB_IN] = QStringLiteral("16");
    save("B", read, write, p2);
    CliTextRun r = diff(dir("B"), ws.file(QStringLiteral("rules.csv")));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains(QLatin1String("Read row 20 changed:\n    Enable: \"Y\" -> \"N\"\n")))
        << r.out.toStdString();
    EXPECT_FALSE(r.out.contains(QLatin1String("parameter ")));

    // A ParGen.xml file against a folder compares the parameters only.
    r = diff(dir("A") + QStringLiteral("/ParGen.xml"), dir("B"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains(QLatin1String("parameter PROFINET_NB_IN: \"244\" -> \"16\"\n")));
    EXPECT_TRUE(r.out.endsWith(QLatin1String("parameters changed: 1\n")));
}

TEST_F(ProjectDiffTest, UnreadableSidesExit2)
{
    ws.write(QStringLiteral("broken.xml"), "<S7_Protocol><S7_Protocol_Read>");
    ws.write(QStringLiteral("nosection.xml"), "<S7_Protocol><S7_Protocol_Read/></S7_Protocol>");
    ws.write(QStringLiteral("bad.csv"), "List,Enable\nRead,Y\n");
    ws.write(QStringLiteral("PROJECTS/C/ParGen.xml"), "<Par_Gen><PROFINET_NB_IN>");
    ws.write(QStringLiteral("params.xml"), "<Par_Gen/>");
    const struct
    {
        QString a;
        QString b;
        const char *errorPart;
    } cases[] = {
        {ws.file(QStringLiteral("missing")), dir("B"), "missing does not exist"},
        {ws.file(QStringLiteral("PROJECTS")), dir("B"), "holds neither ParGen.xml nor S7_Protocol.xml"},
        {dir("A"), ws.file(QStringLiteral("broken.xml")), "broken.xml"},
        {ws.file(QStringLiteral("nosection.xml")), dir("A"), "S7_Protocol_Write"},
        {dir("A"), ws.file(QStringLiteral("bad.csv")), "bad.csv"},
        {ws.file(QStringLiteral("PROJECTS/C")), dir("A"), "ParGen.xml"},
        {ws.file(QStringLiteral("params.xml")), ws.file(QStringLiteral("bad.csv")), "bad.csv"},
        {ws.file(QStringLiteral("params.xml")), dir("A") + QStringLiteral("/S7_Protocol.xml"), "nothing comparable"},
    };
    for (const auto &c : cases) {
        for (const QStringList &more : {QStringList{}, QStringList{QStringLiteral("--json")}}) {
            const CliTextRun r = diff(c.a, c.b, more);
            EXPECT_EQ(r.exitCode, 2) << c.errorPart;
            EXPECT_EQ(r.out, "") << c.errorPart;
            EXPECT_TRUE(r.err.contains(QLatin1String(c.errorPart))) << r.err.toStdString();
        }
    }
    EXPECT_EQ(Run_Cli_Text({QStringLiteral("diff"), dir("A")}).exitCode, 2);
    EXPECT_EQ(Run_Cli_Text({QStringLiteral("diff"), dir("A"), dir("B"), QStringLiteral("--html")}).exitCode, 2);
}

TEST_F(ProjectDiffTest, GitDriverNamesThePathAndExits0)
{
    S7RuleList r2 = read;
    r2.pop_back();
    save("B", r2, write, params);
    const QString a = dir("A") + QStringLiteral("/S7_Protocol.xml");
    const QString b = dir("B") + QStringLiteral("/S7_Protocol.xml");
    const QString hex(40, u'0');
    CliTextRun r = Run_Cli_Text({QStringLiteral("diff"), QStringLiteral("--git"), QStringLiteral("P/S7_Protocol.xml"),
                                 a, hex, QStringLiteral("100644"), b, hex, QStringLiteral("100644")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QLatin1String("--- a/P/S7_Protocol.xml\n+++ b/P/S7_Protocol.xml\nRead row 20 removed: ")))
        << r.out.toStdString();

    // A file that git adds is compared with nothing: every rule added.
    r = Run_Cli_Text({QStringLiteral("diff"), QStringLiteral("--git"), QStringLiteral("P/S7_Protocol.xml"),
                      QStringLiteral("/dev/null"), QStringLiteral("."), QStringLiteral("."), b, hex, QStringLiteral("100644")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.endsWith(QLatin1String("rules added: 22, removed: 0, changed: 0, moved: 0\n")))
        << r.out.toStdString();
}

TEST(DiffRulesTest, MatchesByContentWhereRowsShifted)
{
    const S7RuleList a = numbered(6);
    const struct
    {
        const char *what;
        S7RuleList b;
        std::vector<std::tuple<K, int, int, int>> expected; // kind, old row, new row, count
    } cases[] = {
        {"two rules swapped", {a[0], a[2], a[1], a[3], a[4], a[5]}, {{K::Moved, 3, 2, 1}, {K::Moved, 2, 3, 1}}},
        {"a change below an insertion",
         [&] {
             S7RuleList b = a;
             b.insert(b.begin() + 1, Valid_Rule(50));
             b[4].Rack = QStringLiteral("2");
             return b;
         }(),
         {{K::Added, 0, 2, 1}, {K::Moved, 2, 3, 2}, {K::Changed, 4, 5, 1}, {K::Moved, 5, 6, 2}}},
        {"a deletion beside a change",
         [&] {
             S7RuleList b = a;
             b.erase(b.begin() + 2);
             b[2].PollTime = QStringLiteral("7");
             return b;
         }(),
         {{K::Removed, 3, 0, 1}, {K::Changed, 4, 3, 1}, {K::Moved, 5, 4, 2}}},
        {"a rule replaced by a different one at the same row",
         [&] {
             S7RuleList b = a;
             b[5] = S7Rule();
             b[5].PLC_Address = QStringLiteral("10.0.0.1");
             return b;
         }(),
         {{K::Changed, 6, 6, 1}}},
        {"the list emptied", {}, {{K::Removed, 1, 0, 1}, {K::Removed, 2, 0, 1}, {K::Removed, 3, 0, 1},
                                  {K::Removed, 4, 0, 1}, {K::Removed, 5, 0, 1}, {K::Removed, 6, 0, 1}}},
    };
    for (const auto &c : cases) {
        std::vector<std::tuple<K, int, int, int>> got;
        for (const RuleChange &change : Diff_Rules(L::Read, a, c.b))
            got.emplace_back(change.kind, change.oldRow, change.newRow, change.count);
        EXPECT_EQ(got, c.expected) << c.what;
    }
}

TEST(DiffRulesTest, TrailingEmptyRulesAreNotHeld)
{
    S7RuleList rules = Fresh_Rule_List();
    rules[0] = Valid_Rule(1);
    rules[3] = Valid_Rule(4);
    rules[4] = S7Rule::cleared();
    EXPECT_EQ(Rules_Held(rules).size(), 4u);
    EXPECT_TRUE(Diff_Rules(L::Write, Rules_Held(rules), Rules_Held(rules)).empty());
}

} // namespace
