#pragma once

#include "commparams/CommParams.h"
#include "s7access/S7Rule.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// What one side of a comparison holds: a project folder (communication parameters and rules),
// an S7_Protocol.xml or CSV file (rules), a ParGen.xml file (parameters), or nothing at all
// (the empty side git passes as /dev/null for a file that was added or deleted).
struct ProjectContent
{
    bool hasParams = false;
    CommParams params;
    bool hasRules = false;
    S7RuleList read;
    S7RuleList write;
    bool nothing = false; // stands for an empty version of whatever the other side holds
};

// Loads a side; the kind is told by what the path is: a folder, an XML file whose root is
// Par_Gen, another XML file (S7_Protocol.xml), a CSV file, or the null device. The rule lists
// hold the rules the source holds, trailing empty rules dropped; a folder's missing ParGen.xml
// counts as the parameter window's defaults, its missing S7_Protocol.xml as empty lists, but a
// folder with neither is refused. Answers the reason when the side cannot be read.
std::optional<QString> Load_Project_Content(const QString &path, ProjectContent &content);

// The rules of a list up to its last rule that is neither fresh nor cleared.
S7RuleList Rules_Held(const S7RuleList &rules);

// One difference between two rule lists. Rows are 1-based; a moved run covers `count`
// consecutive rules that kept their content and order but changed rows.
struct RuleChange
{
    enum class Kind { Added, Removed, Changed, Moved };
    Kind kind;
    S7Rule::List list;
    int oldRow = 0; // 0 for an added rule
    int newRow = 0; // 0 for a removed rule
    int count = 1;
    S7Rule oldRule; // removed, changed, moved (the first of the run)
    S7Rule newRule; // added, changed, moved
};

// Compares two lists. Rules are first matched by their whole content (the longest common
// subsequence), so that rules shifted by an inserted or deleted row show as moved; the rules
// left between two matches are paired as changes when they share the row or at least half
// of their fields, the rest are additions and removals, and an addition with the content of
// a removal is a move.
std::vector<RuleChange> Diff_Rules(S7Rule::List list, const S7RuleList &before, const S7RuleList &after);

// One communication parameter that differs ("1"/"0" for S7_Protocol_EN_GAT).
struct ParamChange
{
    QString field;
    QString oldValue;
    QString newValue;
};

struct ProjectDiff
{
    bool paramsCompared = false;
    bool rulesCompared = false;
    std::vector<ParamChange> params;
    std::vector<RuleChange> rules; // the read list's changes, then the write list's
    bool equal() const { return params.empty() && rules.empty(); }
};

// Compares what both sides hold: the parameters when both hold them, the rules likewise.
ProjectDiff Diff_Projects(const ProjectContent &before, const ProjectContent &after);

// For people: one line per parameter, per added, removed or moved rule (runs of moves in one
// line), per changed rule followed by one indented line per changed field; then a summary
// ("parameters changed: 1; rules added: 1, removed: 0, changed: 2, moved: 5").
// Empty when the sides are equal.
QString Format_Diff_Text(const ProjectDiff &diff);
// For tools: one JSON object (UTF-8, one line).
QByteArray Format_Diff_Json(const ProjectDiff &diff, const QString &before, const QString &after);
