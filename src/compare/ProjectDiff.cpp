#include "compare/ProjectDiff.h"

#include "common/Errors.h"
#include "common/SafeFile.h"
#include "s7access/S7Protocol.h"
#include "s7access/S7RuleCsv.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include "common/XmlIo.h"
#include <algorithm>

namespace {

using Kind = RuleChange::Kind;

// Whether the bytes hold XML rather than CSV: after a byte-order mark (UTF-8, UTF-16 or
// UTF-32) and blanks, the first character is '<'. UTF-16 and UTF-32 without a mark show it by
// the zeros around that '<'.
bool looksLikeXml(const QByteArray &bytes)
{
    const QByteArrayView head = QByteArrayView(bytes).first(std::min<qsizetype>(bytes.size(), 256));
    const std::optional<QStringConverter::Encoding> encoding = QStringConverter::encodingForData(head, u'<');
    QStringDecoder decoder(encoding.value_or(QStringConverter::Latin1));
    const QString text = decoder.decode(encoding == QStringConverter::Utf8 && head.startsWith("\xEF\xBB\xBF") ? head.sliced(3) : head);
    for (const QChar c : text) {
        if (c == u'\uFEFF' || c == u' ' || c == u'\t' || c == u'\r' || c == u'\n')
            continue;
        return c == u'<';
    }
    return false;
}

bool isNullDevice(const QString &path)
{
#ifdef Q_OS_WIN
    return path.compare(QLatin1String("NUL"), Qt::CaseInsensitive) == 0;
#else
    // Elsewhere "NUL" is a file name like any other.
    return path == QLatin1String("/dev/null");
#endif
}

int fieldsEqual(S7Rule::List list, const S7Rule &a, const S7Rule &b)
{
    int same = 0;
    for (const S7Rule::Field f : S7Rule::fields(list))
        same += a[f] == b[f] ? 1 : 0;
    return same;
}

// Pairs the rules of a gap between two matches, keeping their order: the pairs with the most
// equal fields, a pair allowed when both rules sit at the same row or share half their fields.
std::vector<std::pair<int, int>> pairGap(S7Rule::List list, const S7RuleList &a, const S7RuleList &b,
                                         const std::vector<int> &ga, const std::vector<int> &gb)
{
    const std::size_t n = ga.size(), m = gb.size();
    if (n == 0 || m == 0)
        return {};
    const int half = (S7Rule::fieldCount(list) + 1) / 2;
    std::vector<int> score(n * m, -1);
    for (std::size_t p = 0; p < n; ++p)
        for (std::size_t q = 0; q < m; ++q) {
            const int same = fieldsEqual(list, a[std::size_t(ga[p])], b[std::size_t(gb[q])]);
            if (ga[p] == gb[q] || same >= half)
                score[p * m + q] = same + 1;
        }
    // best[p][q]: the best total over ga[p..] and gb[q..].
    std::vector<int> best((n + 1) * (m + 1), 0);
    const auto at = [&](std::size_t p, std::size_t q) -> int & { return best[p * (m + 1) + q]; };
    for (std::size_t p = n; p-- > 0;)
        for (std::size_t q = m; q-- > 0;) {
            int v = std::max(at(p + 1, q), at(p, q + 1));
            if (score[p * m + q] >= 0)
                v = std::max(v, score[p * m + q] + at(p + 1, q + 1));
            at(p, q) = v;
        }
    std::vector<std::pair<int, int>> pairs;
    std::size_t p = 0, q = 0;
    while (p < n && q < m) {
        if (score[p * m + q] >= 0 && at(p, q) == score[p * m + q] + at(p + 1, q + 1)) {
            pairs.emplace_back(ga[p], gb[q]);
            ++p;
            ++q;
        } else if (at(p, q) == at(p + 1, q)) {
            ++p;
        } else {
            ++q;
        }
    }
    return pairs;
}

QString quoted(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"': out += QLatin1String("\\\""); break;
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default: {
            const char16_t u = c.unicode();
            // Controls (C0, DEL, C1) and the marks that turn the direction of a line would
            // change what the terminal shows.
            const bool bidi = u == 0x061C || u == 0x200E || u == 0x200F || (u >= 0x202A && u <= 0x202E)
                || (u >= 0x2066 && u <= 0x2069);
            if (u < 32 || (u >= 0x7F && u <= 0x9F))
                out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
            else if (bidi)
                out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
        }
    }
    return out + u'"';
}

// The non-empty fields of a rule as name="value".
QString ruleText(S7Rule::List list, const S7Rule &rule)
{
    QStringList parts;
    for (const S7Rule::Field f : S7Rule::fields(list))
        if (!rule[f].isEmpty())
            parts.append(S7Rule::fieldName(f) + u'=' + quoted(rule[f]));
    return parts.join(u' ');
}

QString rows(int first, int count)
{
    return count == 1 ? QStringLiteral("row %1").arg(first)
                      : QStringLiteral("rows %1 to %2").arg(first).arg(first + count - 1);
}

QJsonObject ruleJson(S7Rule::List list, const S7Rule &rule)
{
    QJsonObject o;
    for (const S7Rule::Field f : S7Rule::fields(list))
        o.insert(S7Rule::fieldName(f), rule[f]);
    return o;
}

QString paramValue(const CommParams &params, int i)
{
    if (i == CommParams::FieldCount)
        return params.gatewayEnabled ? QStringLiteral("1") : QStringLiteral("0");
    return params.texts[std::size_t(i)];
}

QString paramName(int i)
{
    return i == CommParams::FieldCount ? QStringLiteral("S7_Protocol_EN_GAT")
                                       : CommParams::elementName(CommParams::Field(i));
}

} // namespace

S7RuleList Rules_Held(const S7RuleList &rules)
{
    const S7Rule fresh;
    const S7Rule cleared = S7Rule::cleared();
    std::size_t end = rules.size();
    while (end > 0 && (rules[end - 1] == fresh || rules[end - 1] == cleared))
        --end;
    return S7RuleList(rules.begin(), rules.begin() + std::ptrdiff_t(end));
}

std::optional<QString> Load_Project_Content(const QString &path, ProjectContent &content)
{
    content = ProjectContent{};
    if (isNullDevice(path)) {
        content.nothing = true;
        content.read.clear();
        content.write.clear();
        return std::nullopt;
    }
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("%1 does not exist").arg(shown);
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();
    try {
        if (info.isDir()) {
            const QString parGen = QDir(path).filePath(QStringLiteral("ParGen.xml"));
            const QString s7Protocol = QDir(path).filePath(QStringLiteral("S7_Protocol.xml"));
            // A folder without either file is a mistyped path rather than an empty project.
            if (!QFileInfo::exists(parGen) && !QFileInfo::exists(s7Protocol))
                return QStringLiteral("%1 holds neither ParGen.xml nor S7_Protocol.xml").arg(shown);
            content.hasParams = true;
            content.params = Read_ParGen_For_Window(parGen);
            content.hasRules = true;
            if (auto error = Load_S7_Protocol(s7Protocol, read, write))
                return error;
        } else {
            // Bounded before it is read, parsed once by the bounded reader, which tells the root.
            const QByteArray bytes = Read_Bounded_File(path, kMaxCsvFileSize, QStringLiteral("CSV and XML files"),
                                                       QStringLiteral("16 MiB"));
            if (looksLikeXml(bytes)) {
                const XmlDocument doc = Parse_Xml(bytes, shown);
                if (Document_Root(doc).tagName() == QLatin1String("Par_Gen")) {
                    content.hasParams = true;
                    content.params = Read_ParGen_Document(doc);
                } else {
                    content.hasRules = true;
                    if (auto error = Read_S7_Protocol_Document(doc, shown, read, write))
                        return error;
                }
            } else {
                content.hasRules = true;
                if (auto error = Csv_To_Rules(bytes, read, write))
                    return QStringLiteral("%1: %2").arg(shown, *error);
            }
        }
    } catch (const BrivantError &e) {
        return e.text();
    }
    content.read = Rules_Held(read);
    content.write = Rules_Held(write);
    return std::nullopt;
}

std::vector<RuleChange> Diff_Rules(S7Rule::List list, const S7RuleList &a, const S7RuleList &b)
{
    const std::size_t n = a.size(), m = b.size();
    QHash<QString, int> idOf;
    const auto id = [&](const S7Rule &rule) {
        const QString key = rule.cells(list).join(QChar(0x1F));
        auto it = idOf.constFind(key);
        if (it == idOf.constEnd())
            it = idOf.insert(key, int(idOf.size()));
        return it.value();
    };
    std::vector<int> ia(n), ib(m);
    for (std::size_t i = 0; i < n; ++i)
        ia[i] = id(a[i]);
    for (std::size_t j = 0; j < m; ++j)
        ib[j] = id(b[j]);

    // lcs[i][j]: the longest common subsequence of a[i..] and b[j..].
    std::vector<std::uint16_t> lcs((n + 1) * (m + 1), 0);
    const auto L = [&](std::size_t i, std::size_t j) -> std::uint16_t & { return lcs[i * (m + 1) + j]; };
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            L(i, j) = ia[i] == ib[j] ? std::uint16_t(L(i + 1, j + 1) + 1) : std::max(L(i + 1, j), L(i, j + 1));

    std::vector<RuleChange> changes;
    std::vector<int> ga, gb;
    const auto flushGap = [&] {
        const auto pairs = pairGap(list, a, b, ga, gb);
        std::size_t p = 0, q = 0;
        for (const auto &[x, y] : pairs) {
            for (; ga[p] != x; ++p)
                changes.push_back({Kind::Removed, list, ga[p] + 1, 0, 1, a[std::size_t(ga[p])], {}});
            for (; gb[q] != y; ++q)
                changes.push_back({Kind::Added, list, 0, gb[q] + 1, 1, {}, b[std::size_t(gb[q])]});
            changes.push_back({Kind::Changed, list, x + 1, y + 1, 1, a[std::size_t(x)], b[std::size_t(y)]});
            ++p;
            ++q;
        }
        for (; p < ga.size(); ++p)
            changes.push_back({Kind::Removed, list, ga[p] + 1, 0, 1, a[std::size_t(ga[p])], {}});
        for (; q < gb.size(); ++q)
            changes.push_back({Kind::Added, list, 0, gb[q] + 1, 1, {}, b[std::size_t(gb[q])]});
        ga.clear();
        gb.clear();
    };
    std::size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && ia[i] == ib[j] && L(i, j) == L(i + 1, j + 1) + 1) {
            flushGap();
            if (i != j)
                changes.push_back({Kind::Moved, list, int(i) + 1, int(j) + 1, 1, a[i], b[j]});
            ++i;
            ++j;
        } else if (j >= m || (i < n && L(i + 1, j) >= L(i, j + 1))) {
            ga.push_back(int(i++));
        } else {
            gb.push_back(int(j++));
        }
    }
    flushGap();

    // A rule removed in one place and added unchanged in another was moved.
    QHash<int, std::vector<std::size_t>> removedById;
    for (std::size_t k = 0; k < changes.size(); ++k)
        if (changes[k].kind == Kind::Removed)
            removedById[ia[std::size_t(changes[k].oldRow - 1)]].push_back(k);
    std::vector<bool> drop(changes.size(), false);
    for (RuleChange &c : changes) {
        if (c.kind != Kind::Added)
            continue;
        auto it = removedById.find(ib[std::size_t(c.newRow - 1)]);
        if (it == removedById.end() || it->empty())
            continue;
        const std::size_t k = it->front();
        it->erase(it->begin());
        drop[k] = true;
        c.kind = Kind::Moved;
        c.oldRow = changes[k].oldRow;
        c.oldRule = c.newRule;
    }
    std::vector<RuleChange> result;
    for (std::size_t k = 0; k < changes.size(); ++k) {
        if (drop[k])
            continue;
        RuleChange &c = changes[k];
        if (c.kind == Kind::Moved && !result.empty()) {
            RuleChange &last = result.back();
            if (last.kind == Kind::Moved && last.oldRow + last.count == c.oldRow && last.newRow + last.count == c.newRow) {
                ++last.count;
                continue;
            }
        }
        result.push_back(std::move(c));
    }
    return result;
}

ProjectDiff Diff_Projects(const ProjectContent &before, const ProjectContent &after)
{
    ProjectDiff diff;
    const bool beforeParams = before.hasParams || (before.nothing && after.hasParams);
    const bool afterParams = after.hasParams || (after.nothing && before.hasParams);
    diff.paramsCompared = beforeParams && afterParams;
    if (diff.paramsCompared) {
        // In file order: the gateway switch follows the gateway octets.
        static constexpr int kOrder[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, CommParams::FieldCount, 12, 13, 14};
        for (const int i : kOrder) {
            const QString old = before.nothing ? QString() : paramValue(before.params, i);
            const QString now = after.nothing ? QString() : paramValue(after.params, i);
            if (old != now)
                diff.params.push_back({paramName(i), old, now});
        }
    }
    const bool beforeRules = before.hasRules || (before.nothing && after.hasRules);
    const bool afterRules = after.hasRules || (after.nothing && before.hasRules);
    diff.rulesCompared = beforeRules && afterRules;
    if (diff.rulesCompared) {
        for (const S7Rule::List list : {S7Rule::List::Read, S7Rule::List::Write}) {
            const bool read = list == S7Rule::List::Read;
            auto changes = Diff_Rules(list, read ? before.read : before.write, read ? after.read : after.write);
            diff.rules.insert(diff.rules.end(), changes.begin(), changes.end());
        }
    }
    return diff;
}

QString Format_Diff_Text(const ProjectDiff &diff)
{
    if (diff.equal())
        return {};
    QString out;
    for (const ParamChange &p : diff.params)
        out += QStringLiteral("parameter %1: %2 -> %3\n").arg(p.field, quoted(p.oldValue), quoted(p.newValue));
    int added = 0, removed = 0, changed = 0, moved = 0;
    for (const RuleChange &c : diff.rules) {
        const QString list = List_Name(c.list);
        switch (c.kind) {
        case Kind::Added:
            ++added;
            out += QStringLiteral("%1 row %2 added: %3\n").arg(list).arg(c.newRow).arg(ruleText(c.list, c.newRule));
            break;
        case Kind::Removed:
            ++removed;
            out += QStringLiteral("%1 row %2 removed: %3\n").arg(list).arg(c.oldRow).arg(ruleText(c.list, c.oldRule));
            break;
        case Kind::Moved:
            moved += c.count;
            out += QStringLiteral("%1 %2 moved to %3\n").arg(list, rows(c.oldRow, c.count), rows(c.newRow, c.count));
            break;
        case Kind::Changed:
            ++changed;
            out += c.oldRow == c.newRow ? QStringLiteral("%1 row %2 changed:\n").arg(list).arg(c.oldRow)
                                        : QStringLiteral("%1 row %2 changed (now row %3):\n").arg(list).arg(c.oldRow).arg(c.newRow);
            for (const S7Rule::Field f : S7Rule::fields(c.list))
                if (c.oldRule[f] != c.newRule[f])
                    out += QStringLiteral("    %1: %2 -> %3\n").arg(S7Rule::fieldName(f), quoted(c.oldRule[f]), quoted(c.newRule[f]));
            break;
        }
    }
    QStringList summary;
    if (diff.paramsCompared)
        summary.append(QStringLiteral("parameters changed: %1").arg(diff.params.size()));
    if (diff.rulesCompared)
        summary.append(QStringLiteral("rules added: %1, removed: %2, changed: %3, moved: %4")
                           .arg(added)
                           .arg(removed)
                           .arg(changed)
                           .arg(moved));
    out += summary.join(QLatin1String("; ")) + u'\n';
    return out;
}

QByteArray Format_Diff_Json(const ProjectDiff &diff, const QString &before, const QString &after)
{
    QJsonObject root;
    root.insert(QStringLiteral("a"), before);
    root.insert(QStringLiteral("b"), after);
    root.insert(QStringLiteral("equal"), diff.equal());
    root.insert(QStringLiteral("parametersCompared"), diff.paramsCompared);
    root.insert(QStringLiteral("rulesCompared"), diff.rulesCompared);
    QJsonArray params;
    for (const ParamChange &p : diff.params)
        params.append(QJsonObject{{QStringLiteral("field"), p.field},
                                  {QStringLiteral("old"), p.oldValue},
                                  {QStringLiteral("new"), p.newValue}});
    root.insert(QStringLiteral("parameters"), params);
    QJsonArray rules;
    static const char *const kinds[] = {"added", "removed", "changed", "moved"};
    for (const RuleChange &c : diff.rules) {
        QJsonObject o{{QStringLiteral("list"), List_Name(c.list)},
                      {QStringLiteral("kind"), QLatin1String(kinds[int(c.kind)])}};
        if (c.oldRow > 0)
            o.insert(QStringLiteral("oldRow"), c.oldRow);
        if (c.newRow > 0)
            o.insert(QStringLiteral("newRow"), c.newRow);
        switch (c.kind) {
        case Kind::Added: o.insert(QStringLiteral("rule"), ruleJson(c.list, c.newRule)); break;
        case Kind::Removed: o.insert(QStringLiteral("rule"), ruleJson(c.list, c.oldRule)); break;
        case Kind::Moved: o.insert(QStringLiteral("count"), c.count); break;
        case Kind::Changed: {
            QJsonArray fields;
            for (const S7Rule::Field f : S7Rule::fields(c.list))
                if (c.oldRule[f] != c.newRule[f])
                    fields.append(QJsonObject{{QStringLiteral("field"), S7Rule::fieldName(f)},
                                              {QStringLiteral("old"), c.oldRule[f]},
                                              {QStringLiteral("new"), c.newRule[f]}});
            o.insert(QStringLiteral("fields"), fields);
            break;
        }
        }
        rules.append(o);
    }
    root.insert(QStringLiteral("rules"), rules);
    return QJsonDocument(root).toJson(QJsonDocument::Compact) + '\n';
}
