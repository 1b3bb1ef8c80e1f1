#include "s7access/S7RuleCsv.h"

#include "common/TextUtil.h"
#include "s7access/DelimitedText.h"

#include <QLocale>
#include <QStringDecoder>

#include <algorithm>

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

namespace {

QString thousands(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

// Whether the bytes look like UTF-16 without a byte-order mark: text of ASCII characters has a
// zero in every second byte.
bool looksLikeUtf16(QByteArrayView data)
{
    const qsizetype n = std::min<qsizetype>(data.size(), 1024) & ~qsizetype(1);
    if (n < 2)
        return false;
    qsizetype zeros[2] = {0, 0};
    for (qsizetype i = 0; i < n; ++i)
        zeros[i % 2] += data[i] == 0 ? 1 : 0;
    const qsizetype half = n / 2;
    return (zeros[0] * 10 >= half * 4 && zeros[1] * 20 < half) || (zeros[1] * 10 >= half * 4 && zeros[0] * 20 < half);
}

} // namespace

std::optional<QString> Csv_To_Rules(const QByteArray &bytes, S7RuleList &read, S7RuleList &write,
                                    std::array<std::vector<int>, 2> *ruleLines)
{
    read = Fresh_Rule_List();
    write = Fresh_Rule_List();
    if (ruleLines) {
        (*ruleLines)[0].clear();
        (*ruleLines)[1].clear();
    }
    if (bytes.size() > kMaxCsvFileSize)
        return QStringLiteral("the file holds %1 bytes, while the program reads CSV files of at most 16 MiB")
            .arg(thousands(bytes.size()));
    QByteArrayView data(bytes);
    if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF"))
        return QStringLiteral("the file is UTF-16 text; the program reads CSV files in UTF-8 (\"CSV UTF-8\" in spreadsheets)");
    if (looksLikeUtf16(data))
        return QStringLiteral("the file looks like UTF-16 text without a byte-order mark; the program reads CSV files "
                              "in UTF-8 (\"CSV UTF-8\" in spreadsheets)");
    if (data.startsWith(kBom))
        data = data.sliced(3);
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(data);
    if (decoder.hasError())
        return QStringLiteral("the file is not UTF-8 text");
    if (const qsizetype nul = text.indexOf(QChar(0)); nul >= 0) {
        const auto [line, column] = Delimited_Line_Column(text, nul);
        return QStringLiteral("line %1, column %2: the file holds a NUL character (U+0000)").arg(line).arg(column);
    }

    DelimitedLimits limits;
    limits.keepBlankLines = false;
    limits.maxRows = 1 + 2 * kMaxRules;
    limits.maxCells = 256;
    const StrictDelimited parsed = Parse_Delimited_Strict(text, u',', limits);
    const QList<DelimitedRow> &rows = parsed.rows;
    const auto parseError = [&]() {
        const DelimitedError &e = *parsed.error;
        if (e.column > 0)
            return QStringLiteral("line %1, column %2: %3").arg(e.line).arg(e.column).arg(e.reason);
        return QStringLiteral("line %1: %2").arg(e.line).arg(e.reason);
    };
    if (rows.isEmpty())
        return parsed.error ? parseError() : QStringLiteral("the file is empty; the first line must name the columns");

    // Column of each field, from the header.
    const QStringList &header = rows.first().cells;
    const int headerLine = rows.first().line;
    if (header.size() == 1 && header.first().contains(u';') && !header.first().contains(u','))
        return QStringLiteral("line %1: the columns are separated by semicolons, as spreadsheets with some language "
                              "settings save CSV files; the program reads them separated by commas")
            .arg(headerLine);
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
                return QStringLiteral("line %1: unknown column \"%2\"").arg(headerLine).arg(Visible_Text(header[c]));
            slot = &column[std::size_t(S7Rule::fields(S7Rule::List::Write)[std::size_t(at)])];
        }
        if (*slot >= 0)
            return QStringLiteral("line %1: column \"%2\" appears twice").arg(headerLine).arg(Visible_Text(name));
        *slot = c;
    }
    if (listColumn < 0)
        return QStringLiteral("line %1: the column \"%2\" is missing").arg(headerLine).arg(kListColumn);
    for (const S7Rule::Field f : S7Rule::fields(S7Rule::List::Write))
        if (column[std::size_t(f)] < 0)
            return QStringLiteral("line %1: the column \"%2\" is missing").arg(headerLine).arg(S7Rule::fieldName(f));

    int counts[2] = {0, 0};
    int unusedAt[2] = {0, 0};   // 1-based rule number of the first rule without address
    int unusedLine[2] = {0, 0}; // and its line
    // A rule after a gap is refused once the whole file is read, so that the lists show every
    // rule that would have been lost; an earlier refusal wins over a later one.
    std::optional<QString> gapError;
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const QStringList &row = rows[r].cells;
        const int line = rows[r].line;
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
            return gapError ? *gapError : QStringLiteral("line %1: the list must be Read or Write, not \"%2\"").arg(line).arg(Visible_Text(row[listColumn].left(kMaxCellLength)));
        const int li = list == S7Rule::List::Read ? 0 : 1;
        if (counts[li] == kMaxRules)
            return gapError ? *gapError : QStringLiteral("line %1: more than %2 %3 rules").arg(line).arg(kMaxRules).arg(List_Name(list));
        S7Rule &rule = (list == S7Rule::List::Read ? read : write)[std::size_t(counts[li])];
        ++counts[li];
        if (ruleLines)
            (*ruleLines)[std::size_t(li)].push_back(line);
        for (const S7Rule::Field f : S7Rule::fields(S7Rule::List::Write)) {
            const QString &cell = row[column[std::size_t(f)]];
            const bool notInList = list == S7Rule::List::Read
                && (f == S7Rule::Field::OnChange || f == S7Rule::Field::OnCMD);
            if (notInList) {
                if (!cell.isEmpty())
                    return gapError ? *gapError : QStringLiteral("line %1: a read rule has no %2").arg(line).arg(S7Rule::fieldName(f));
                continue;
            }
            if (cell.size() > kMaxCellLength)
                return QStringLiteral("line %1, column %2 (%3): %4 characters, while a cell holds at most %5")
                    .arg(line)
                    .arg(column[std::size_t(f)] + 1)
                    .arg(S7Rule::fieldName(f), thousands(cell.size()), thousands(kMaxCellLength));
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
        if (!rule.inUse() && unusedAt[li] == 0) {
            unusedAt[li] = counts[li];
            unusedLine[li] = line;
        }
    }
    if (gapError)
        return gapError;
    if (parsed.error)
        return parseError();
    // A row without an address at the end of its list would not be saved: the file ends a list
    // at its first rule without address.
    const int li = unusedLine[0] > 0 && (unusedLine[1] == 0 || unusedLine[0] < unusedLine[1]) ? 0 : 1;
    if (unusedLine[li] > 0)
        return QStringLiteral("line %1: %2 rule %3 has no PLC_Address")
            .arg(unusedLine[li])
            .arg(List_Name(li == 0 ? S7Rule::List::Read : S7Rule::List::Write))
            .arg(unusedAt[li]);
    return std::nullopt;
}
