#pragma once

#include "s7access/S7Rule.h"

#include <QString>

struct CliIo;

// On stderr, one line per list whose rules go on after its first unused row (they are neither
// checked, compiled nor saved): "warning: SOURCE: Read list ends at its first unused row 3;
// 2 rules after it are ignored".
void Warn_Rules_After_End(CliIo &io, const QString &source, const S7RuleList &read, const S7RuleList &write);
