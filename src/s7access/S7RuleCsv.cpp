#include "s7access/S7RuleCsv.h"

#include "common/TextUtil.h"
#include "s7access/DelimitedText.h"

#include <QStringDecoder>

namespace {

const QString kListColumn = QStringLiteral("List");
constexpr char kBom[] = "\xEF\xBB\xBF";
const QStringList kCheckBoxTexts = {QStringLiteral("Y"), QStringLiteral("N")};

} // namespace

QByteArray Rules_To_Csv(const S7RuleList &read, const S7RuleList &write)
{
    const std::span<const S7Rule::Field> columns = S7Rule::fields(S7Rule::List::Write);
    QList<QStringList> rows;
    rows.append(QStringList{kListColumn} + S7Rule::fieldNames(S7Rule::List::Write));
    for (const S7Rule::List list : {S7Rule::List::Read, S7Rule::List::Write}) {
        const S7RuleList &rules = list == S7Rule::List::Read ? read : write;
        for (std::size_t r = 0; r < rules.size() && r < std::size_t(kMaxRules) && rules[r].inUse(); ++r) {
            QStringList row{List_Name(list)};
            for (const S7Rule::Field f : columns) {
                const bool notInList = list == S7Rule::List::Read
                    && (f == S7Rule::Field::OnChange || f == S7Rule::Field::OnCMD);
                row.append(notInList ? QString() : rules[r][f]);
            }
            rows.append(row);
        }
    }
    return QByteArray(kBom) + Format_Delimited(rows, u',').toUtf8();
}

std::optional<QString> Csv_To_Rules(const QByteArray &bytes, S7RuleList &read, S7RuleList &write)
{
    read = Fresh_Rule_List();
    write = Fresh_Rule_List();
    QByteArrayView data(bytes);
    if (data.startsWith(kBom))
        data = data.sliced(3);
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(data);
    if (decoder.hasError())
        return QStringLiteral("the file is not UTF-8 text");

    qsizetype unclosedQuote = -1;
    const QList<QStringList> rows = Parse_Delimited(text, u',', &unclosedQuote);
    if (unclosedQuote >= 0) {
        // Everything after it would end up in that one cell.
        int quoteLine = 1;
        for (qsizetype i = 0; i < unclosedQuote; ++i) {
            if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n')))
                ++quoteLine;
        }
        return QStringLiteral("line %1: a quoted cell is not closed").arg(quoteLine);
    }
    if (rows.isEmpty())
        return QStringLiteral("the file is empty; the first line must name the columns");

    // Column of each field, from the header.
    const QStringList &header = rows.first();
    qsizetype listColumn = -1;
    std::array<qsizetype, S7Rule::kFieldCount> column;
    column.fill(-1);
    for (qsizetype c = 0; c < header.size(); ++c) {
        const QString name = header[c].trimmed();
        qsizetype *slot = nullptr;
        if (name == kListColumn) {
            slot = &listColumn;
        } else {
            const qsizetype at = S7Rule::fieldNames(S7Rule::List::Write).indexOf(name);
            if (at < 0)
                return QStringLiteral("line 1: unknown column \"%1\"").arg(Visible_Text(header[c]));
            slot = &column[std::size_t(S7Rule::fields(S7Rule::List::Write)[std::size_t(at)])];
        }
        if (*slot >= 0)
            return QStringLiteral("line 1: column \"%1\" appears twice").arg(Visible_Text(name));
        *slot = c;
    }
    if (listColumn < 0)
        return QStringLiteral("line 1: the column \"%1\" is missing").arg(kListColumn);
    for (const S7Rule::Field f : S7Rule::fields(S7Rule::List::Write))
        if (column[std::size_t(f)] < 0)
            return QStringLiteral("line 1: the column \"%1\" is missing").arg(S7Rule::fieldName(f));

    int counts[2] = {0, 0};
    int unusedAt[2] = {0, 0}; // 1-based rule number of the first rule without address
    int line = 1;
    // A rule after a gap is refused once the whole file is read, so that the lists show every
    // rule that would have been lost; an earlier refusal wins over a later one.
    std::optional<QString> gapError;
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const QStringList &row = rows[r];
        line += 1;
        // Line numbers count text lines; a quoted line break inside the previous row adds lines.
        for (const QString &cell : rows[r - 1])
            line += int(cell.count(u'\n'));
        if (row.size() == 1 && row.first().isEmpty())
            continue; // a blank line
        if (row.size() != header.size())
            return gapError ? *gapError : QStringLiteral("line %1: %2 cells where the header has %3")
                .arg(line)
                .arg(row.size())
                .arg(header.size());
        const QString listName = row[listColumn].trimmed();
        S7Rule::List list;
        if (listName.compare(QLatin1String("Read"), Qt::CaseInsensitive) == 0)
            list = S7Rule::List::Read;
        else if (listName.compare(QLatin1String("Write"), Qt::CaseInsensitive) == 0)
            list = S7Rule::List::Write;
        else
            return gapError ? *gapError : QStringLiteral("line %1: the list must be Read or Write, not \"%2\"").arg(line).arg(Visible_Text(row[listColumn]));
        const int li = list == S7Rule::List::Read ? 0 : 1;
        if (counts[li] == kMaxRules)
            return gapError ? *gapError : QStringLiteral("line %1: more than %2 %3 rules").arg(line).arg(kMaxRules).arg(List_Name(list));
        S7Rule &rule = (list == S7Rule::List::Read ? read : write)[std::size_t(counts[li])];
        ++counts[li];
        for (const S7Rule::Field f : S7Rule::fields(S7Rule::List::Write)) {
            const QString &cell = row[column[std::size_t(f)]];
            const bool notInList = list == S7Rule::List::Read
                && (f == S7Rule::Field::OnChange || f == S7Rule::Field::OnCMD);
            if (notInList) {
                if (!cell.isEmpty())
                    return gapError ? *gapError : QStringLiteral("line %1: a read rule has no %2").arg(line).arg(S7Rule::fieldName(f));
                continue;
            }
            // The device knows only the editor's choices; any other text would quietly become
            // the first choice, or an unchecked box.
            const QStringList &choices = S7Rule::isCheckBox(f) ? kCheckBoxTexts : S7Rule::choices(f);
            if (!cell.isEmpty() && !choices.isEmpty() && !choices.contains(cell))
                return QStringLiteral("line %1, column %2 (%3): \"%4\" is none of %5")
                    .arg(line)
                    .arg(column[std::size_t(f)] + 1)
                    .arg(S7Rule::fieldName(f), Visible_Text(cell), choices.join(QStringLiteral(", ")));
            rule[f] = cell;
        }
        if (unusedAt[li] > 0 && rule.inUse() && !gapError)
            gapError = QStringLiteral("line %1: %2 rule %3 has no PLC_Address, so the rules after it would be lost")
                .arg(line)
                .arg(List_Name(list))
                .arg(unusedAt[li]);
        if (!rule.inUse() && unusedAt[li] == 0)
            unusedAt[li] = counts[li];
    }
    return gapError;
}
