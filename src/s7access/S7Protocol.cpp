#include "s7access/S7Protocol.h"

#include "common/Errors.h"
#include "common/SafeFile.h"
#include "common/XmlIo.h"
#include "s7access/S7ListEnd.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace {

const QString kRootName = QStringLiteral("S7_Protocol");
const QString kReadSection = QStringLiteral("S7_Protocol_Read");
const QString kWriteSection = QStringLiteral("S7_Protocol_Write");

QString sectionName(S7Rule::List list)
{
    return list == S7Rule::List::Read ? kReadSection : kWriteSection;
}

std::optional<QString> readSection(const XmlElement &root, S7Rule::List list, const QString &what,
                                   S7RuleList &rules, RowsPast512 rowsPast512, S7ReadNotes *notes)
{
    const QString &name = sectionName(list);
    const XmlElement section = root.firstChildElement(name);
    if (section.isNull())
        return QStringLiteral("%1 has no element %2").arg(what, name);

    const std::span<const S7Rule::Field> fields = S7Rule::fields(list);
    int index = 0;
    for (XmlElement row = section.firstChildElement();
         !row.isNull() && (index < kMaxRules || rowsPast512 == RowsPast512::Keep);
         row = row.nextSiblingElement(), ++index) {
        if (std::size_t(index) >= rules.size())
            rules.resize(std::size_t(index) + 1);
        S7Rule &rule = rules[std::size_t(index)];
        for (const S7Rule::Field field : fields) {
            const QString &attribute = S7Rule::fieldName(field);
            if (std::optional<QString> value = row.attribute(attribute)) {
                if (value->size() > kMaxCellLength)
                    return QStringLiteral("%1: rule %2 of %3: %4 holds %5 characters, while a cell holds at most %6")
                        .arg(what)
                        .arg(index + 1)
                        .arg(name, attribute, QLocale(QLocale::English).toString(value->size()),
                             QLocale(QLocale::English).toString(kMaxCellLength));
                rule[field] = std::move(*value);
            } else if (field == S7Rule::Field::Enable) {
                rule[field] = QStringLiteral("Y");
                if (notes)
                    notes->rowsWithoutEnable[list == S7Rule::List::Read ? 0 : 1].push_back(index + 1);
            } else if (field == S7Rule::Field::Rack || field == S7Rule::Field::Slot) {
                rule[field] = QStringLiteral("0");
            } else {
                return QStringLiteral("%1: rule %2 of %3 lacks the attribute %4")
                    .arg(what)
                    .arg(index + 1)
                    .arg(name, attribute);
            }
        }
    }
    return std::nullopt;
}

void appendEscaped(QString &out, const QString &text)
{
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&': out += QLatin1String("&amp;"); break;
        case u'<': out += QLatin1String("&lt;"); break;
        case u'>': out += QLatin1String("&gt;"); break;
        case u'"': out += QLatin1String("&quot;"); break;
        // Escaped so that a reader's attribute normalisation keeps them.
        case u'\t': out += QLatin1String("&#x9;"); break;
        case u'\n': out += QLatin1String("&#xa;"); break;
        case u'\r': out += QLatin1String("&#xd;"); break;
        default: out += c;
        }
    }
}

void appendSection(QString &out, S7Rule::List list, const S7RuleList &rules)
{
    const QString &name = sectionName(list);
    const std::span<const S7Rule::Field> fields = S7Rule::fields(list);
    QString body;
    for (const S7Rule &rule : rules) {
        if (!rule.inUse())
            break;
        body += QLatin1String("<row");
        for (const S7Rule::Field field : fields) {
            body += u' ';
            body += S7Rule::fieldName(field);
            body += QLatin1String("=\"");
            appendEscaped(body, rule[field]);
            body += u'"';
        }
        body += QLatin1String("/>");
    }
    out += u'<';
    out += name;
    if (body.isEmpty()) {
        out += QLatin1String("/>");
    } else {
        out += u'>';
        out += body;
        out += QLatin1String("</");
        out += name;
        out += u'>';
    }
}

} // namespace

PositionLimits Load_Position_Limits(const QString &parGenFile)
{
    PositionLimits limits;
    if (Name_Is_Missing(parGenFile))
        return limits;
    const XmlDocument doc = Load_Xml_File(parGenFile);
    const XmlValueReader reader(Document_Root(doc));
    limits.NByte_IN = reader.integer(QStringLiteral("PROFINET_NB_IN"), 0);
    limits.NByte_OUT = reader.integer(QStringLiteral("PROFINET_NB_OUT"), 0);
    return limits;
}

std::optional<QString> Load_S7_Protocol(const QString &path, S7RuleList &read, S7RuleList &write,
                                        RowsPast512 rowsPast512, S7ReadNotes *notes)
{
    if (Name_Is_Missing(path))
        return std::nullopt;
    QByteArray bytes;
    try {
        bytes = Read_Xml_File_Bytes(path);
    } catch (const BrivantError &e) {
        return e.text();
    }
    return Parse_S7_Protocol(bytes, QDir::toNativeSeparators(path), read, write, rowsPast512, notes);
}

std::optional<QString> Parse_S7_Protocol(const QByteArray &bytes, const QString &what,
                                         S7RuleList &read, S7RuleList &write, RowsPast512 rowsPast512,
                                         S7ReadNotes *notes)
{
    if (read.size() < std::size_t(kMaxRules))
        read.resize(kMaxRules);
    if (write.size() < std::size_t(kMaxRules))
        write.resize(kMaxRules);
    XmlDocument doc;
    try {
        doc = Parse_Xml(bytes, what);
    } catch (const BrivantError &e) {
        return e.text();
    }
    return Read_S7_Protocol_Document(doc, what, read, write, rowsPast512, notes);
}

std::optional<QString> Read_S7_Protocol_Document(const XmlDocument &doc, const QString &what, S7RuleList &read,
                                                 S7RuleList &write, RowsPast512 rowsPast512, S7ReadNotes *notes)
{
    if (notes)
        *notes = S7ReadNotes{};
    if (read.size() < std::size_t(kMaxRules))
        read.resize(kMaxRules);
    if (write.size() < std::size_t(kMaxRules))
        write.resize(kMaxRules);
    const XmlElement root = Document_Root(doc);
    if (root.isNull())
        return QStringLiteral("%1 holds no root element").arg(what);
    if (auto error = readSection(root, S7Rule::List::Read, what, read, rowsPast512, notes))
        return error;
    return readSection(root, S7Rule::List::Write, what, write, rowsPast512, notes);
}

std::optional<QString> Unvalidated_Rules_Text(const S7RuleList &rules, S7Rule::List list, const QString &what)
{
    const std::optional<RulesAfterEnd> after = Find_Rules_After_End(rules);
    if (!after)
        return std::nullopt;
    if (after->firstUnusedRow > kMaxRules)
        return QStringLiteral("%1: the %2 list holds %3 rules after row %4, which validation never checks")
            .arg(what, List_Name(list))
            .arg(after->ignoredRules)
            .arg(kMaxRules);
    return QStringLiteral("%1: the %2 list ends at its first unused row %3, but %4 rules follow it, which "
                          "validation never checks")
        .arg(what, List_Name(list))
        .arg(after->firstUnusedRow)
        .arg(after->ignoredRules);
}

std::optional<UnwritableCell> First_Unwritable_Cell(const S7RuleList &read, const S7RuleList &write)
{
    for (const S7Rule::List list : {S7Rule::List::Read, S7Rule::List::Write}) {
        const S7RuleList &rules = list == S7Rule::List::Read ? read : write;
        for (std::size_t r = 0; r < rules.size() && rules[r].inUse(); ++r) {
            for (const S7Rule::Field field : S7Rule::fields(list)) {
                const qsizetype at = First_Invalid_Xml_Char(rules[r][field]);
                if (at >= 0)
                    return UnwritableCell{list, int(r) + 1, field, at};
            }
        }
    }
    return std::nullopt;
}

QByteArray Serialize_S7_Protocol(const S7RuleList &read, const S7RuleList &write)
{
    if (const auto bad = First_Unwritable_Cell(read, write)) {
        const S7RuleList &rules = bad->list == S7Rule::List::Read ? read : write;
        Require_Xml_Text(rules[std::size_t(bad->row - 1)][bad->field],
                         QStringLiteral("%1 list, row %2, field %3")
                             .arg(List_Name(bad->list))
                             .arg(bad->row)
                             .arg(S7Rule::fieldName(bad->field)));
    }
    // What the readers would refuse is not written: a cell over its bound, a file over the
    // reader's bound (named by its longest cell, the likely cause).
    struct Longest
    {
        S7Rule::List list = S7Rule::List::Read;
        int row = 0;
        S7Rule::Field field = S7Rule::Field::Mnemonic;
        qsizetype length = -1;
    } longest;
    for (const S7Rule::List list : {S7Rule::List::Read, S7Rule::List::Write}) {
        const S7RuleList &rules = list == S7Rule::List::Read ? read : write;
        for (std::size_t r = 0; r < rules.size() && rules[r].inUse(); ++r) {
            for (const S7Rule::Field field : S7Rule::fields(list)) {
                const qsizetype length = rules[r][field].size();
                if (length > longest.length)
                    longest = {list, int(r) + 1, field, length};
            }
        }
    }
    const QLocale english(QLocale::English);
    const auto longestCell = [&] {
        return QStringLiteral("%1 row %2, %3: %4 characters")
            .arg(List_Name(longest.list))
            .arg(longest.row)
            .arg(S7Rule::fieldName(longest.field), english.toString(longest.length));
    };
    if (longest.length > kMaxCellLength)
        throw ValueError(QStringLiteral("%1, while a cell holds at most %2").arg(longestCell(), english.toString(kMaxCellLength)));
    QString out;
    out.reserve(1024);
    out += u'<';
    out += kRootName;
    out += u'>';
    appendSection(out, S7Rule::List::Read, read);
    appendSection(out, S7Rule::List::Write, write);
    out += QLatin1String("</");
    out += kRootName;
    out += QLatin1String("><!--");
    out += QLatin1String(kSoftwareVersionComment);
    out += QLatin1String("-->\n");
    QByteArray bytes = out.toUtf8();
    if (bytes.size() > kMaxXmlFileSize)
        throw ValueError(QStringLiteral("%1; the file would be %2 MB, the program reads at most 4 MiB")
                             .arg(longestCell(), english.toString(double(bytes.size()) / 1e6, 'f', 1)));
    return bytes;
}

void Save_S7_Protocol(const QString &path, const S7RuleList &read, const S7RuleList &write, KeepHistory history)
{
    const QByteArray bytes = Serialize_S7_Protocol(read, write);
    Keep_In_History(path, bytes, history);
    Write_File_Safely(path, bytes);
}
