#include "cli/CliRuleWarnings.h"

#include "cli/CliIo.h"
#include "s7access/S7ListEnd.h"

void Warn_Rules_After_End(CliIo &io, const QString &source, const S7RuleList &read, const S7RuleList &write)
{
    for (const S7Rule::List list : {S7Rule::List::Read, S7Rule::List::Write}) {
        const auto gap = Find_Rules_After_End(list == S7Rule::List::Read ? read : write);
        if (!gap)
            continue;
        io.errln(QStringLiteral("warning: %1: %2 list ends at its first unused row %3; %4 rule%5 after it %6 ignored")
                     .arg(source, List_Name(list))
                     .arg(gap->firstUnusedRow)
                     .arg(gap->ignoredRules)
                     .arg(gap->ignoredRules == 1 ? QString() : QStringLiteral("s"),
                          gap->ignoredRules == 1 ? QStringLiteral("is") : QStringLiteral("are")));
    }
}
