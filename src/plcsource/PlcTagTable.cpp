#include "plcsource/PlcTagTable.h"

#include "common/Errors.h"
#include "common/SafeFile.h"
#include "common/XmlReader.h"
#include "plcsource/PlcSource.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QHash>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

namespace {

QString shownPath(const QString &file) { return QDir::toNativeSeparators(file); }

// The lines of a decoded file, split at CR LF, LF and CR.
QStringList lines(const QByteArray &bytes)
{
    return Decode_Plc_Source(bytes).split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
}

int typeBits(const QString &type)
{
    static const QHash<QString, int> bits = {
        {QStringLiteral("BOOL"), 1},   {QStringLiteral("BYTE"), 8},   {QStringLiteral("CHAR"), 8},
        {QStringLiteral("SINT"), 8},   {QStringLiteral("USINT"), 8},  {QStringLiteral("WORD"), 16},
        {QStringLiteral("INT"), 16},   {QStringLiteral("UINT"), 16},  {QStringLiteral("DATE"), 16},
        {QStringLiteral("S5TIME"), 16}, {QStringLiteral("DWORD"), 32}, {QStringLiteral("DINT"), 32},
        {QStringLiteral("UDINT"), 32}, {QStringLiteral("REAL"), 32},  {QStringLiteral("TIME"), 32},
        {QStringLiteral("TIME_OF_DAY"), 32}, {QStringLiteral("TOD"), 32}};
    return bits.value(type, 0);
}

} // namespace

void Resolve_Plc_Tag(PlcTag &tag)
{
    // %I3.4, I 3.4, E 3.4, %MW20, MW 20, QB5, AB 5, %ID8, ED 8; P (peripheral), T, C/Z and
    // block addresses are no area the rules read.
    static const QRegularExpression re(QStringLiteral("^%?\\s*([IEQAM])\\s*([XBWD]?)\\s*(\\d{1,5})(?:\\s*\\.\\s*(\\d))?$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(tag.address.trimmed());
    if (!m.hasMatch()) {
        tag.skipReason = QStringLiteral("the address %1 is not in the inputs, outputs or flags").arg(tag.address);
        return;
    }
    const QChar letter = m.captured(1).toUpper().at(0);
    tag.area = letter == u'E' ? QChar(u'I') : letter == u'A' ? QChar(u'Q') : letter;
    const QString size = m.captured(2).toUpper();
    tag.byte = m.captured(3).toInt();
    const bool hasBit = m.capturedLength(4) > 0;
    tag.bit = hasBit ? m.captured(4).toInt() : 0;
    if (tag.byte > 65535) {
        tag.skipReason = QStringLiteral("the address %1 is beyond byte 65535").arg(tag.address);
        return;
    }
    if ((size.isEmpty() || size == QLatin1String("X")) != hasBit || tag.bit > 7) {
        tag.skipReason = QStringLiteral("the address %1 is not a valid S7 address").arg(tag.address);
        return;
    }
    const int addressBits = hasBit ? 1 : size == QLatin1String("B") ? 8 : size == QLatin1String("W") ? 16 : 32;
    const int bits = typeBits(tag.typeName);
    if (bits == 0) {
        tag.skipReason = QStringLiteral("the type %1 has no rule data type").arg(tag.typeName);
        return;
    }
    if (bits != addressBits) {
        tag.skipReason = QStringLiteral("the type %1 does not fit the address %2").arg(tag.typeName, tag.address);
        return;
    }
    tag.bits = bits;
}

std::vector<PlcTag> Parse_Asc_Tags(const QByteArray &bytes, const QString &file)
{
    std::vector<PlcTag> tags;
    const QStringList all = lines(bytes);
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QString &line = all[i];
        if (line.trimmed().isEmpty())
            continue;
        if (!line.startsWith(QLatin1String("126,")))
            throw PlcSourceError(file, int(i + 1), QStringLiteral("a symbol line starts with \"126,\""));
        PlcTag tag;
        tag.line = int(i + 1);
        tag.name = line.mid(4, 24).trimmed();
        tag.address = line.mid(28, 12).simplified();
        tag.typeName = line.mid(40, 10).trimmed().toUpper();
        tag.comment = line.mid(50, 80).trimmed();
        Resolve_Plc_Tag(tag);
        tags.push_back(std::move(tag));
    }
    return tags;
}

std::vector<PlcTag> Parse_Sdf_Tags(const QByteArray &bytes, const QString &file)
{
    std::vector<PlcTag> tags;
    const QStringList all = lines(bytes);
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QString &line = all[i];
        if (line.trimmed().isEmpty())
            continue;
        QStringList fields;
        qsizetype p = 0;
        while (p < line.size()) {
            if (line[p] != u'"')
                throw PlcSourceError(file, int(i + 1), QStringLiteral("expected a field in double quotes"));
            const qsizetype end = line.indexOf(u'"', p + 1);
            if (end < 0)
                throw PlcSourceError(file, int(i + 1), QStringLiteral("a field in double quotes does not end"));
            fields.append(line.mid(p + 1, end - p - 1).trimmed());
            p = end + 1;
            if (p < line.size() && line[p] == u',')
                ++p;
            else if (p < line.size())
                throw PlcSourceError(file, int(i + 1), QStringLiteral("expected ',' between the fields"));
        }
        if (fields.size() < 3)
            throw PlcSourceError(file, int(i + 1), QStringLiteral("a symbol line holds name, address, type and comment"));
        PlcTag tag;
        tag.line = int(i + 1);
        tag.name = fields[0];
        tag.address = fields[1].simplified();
        tag.typeName = fields[2].toUpper();
        tag.comment = fields.value(3);
        Resolve_Plc_Tag(tag);
        tags.push_back(std::move(tag));
    }
    return tags;
}

namespace {

QStringView localName(const QString &qualified)
{
    const qsizetype colon = qualified.indexOf(u':');
    return colon < 0 ? QStringView(qualified) : QStringView(qualified).sliced(colon + 1);
}

std::vector<XmlElement> children(const XmlElement &parent, QStringView name)
{
    std::vector<XmlElement> out;
    for (XmlElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        if (localName(e.tagName()) == name)
            out.push_back(e);
    return out;
}

XmlElement child(const XmlElement &parent, QStringView name)
{
    for (XmlElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        if (localName(e.tagName()) == name)
            return e;
    return {};
}

// Every text below an element, in order (a shared string of several runs).
QString allText(const XmlElement &e)
{
    if (const auto t = e.text())
        return *t;
    QString out;
    for (XmlElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
        if (localName(c.tagName()) != u"rPh") // phonetic hints are no part of the text
            out += allText(c);
    return out;
}

class Xlsx
{
public:
    explicit Xlsx(const QString &file) : m_file(file), m_zip(file)
    {
        if (!m_zip.open(QuaZip::mdUnzip))
            fail(QStringLiteral("not an xlsx file (no zip archive)"));
        if (m_zip.getEntriesCount() > kMaxXlsxEntries)
            fail(QStringLiteral("the archive holds more than %1 entries").arg(kMaxXlsxEntries));
    }

    [[noreturn]] void fail(const QString &why) const
    {
        throw FileError(QStringLiteral("Cannot read %1: %2").arg(shownPath(m_file), why));
    }

    bool has(const QString &name) { return m_zip.setCurrentFile(name); }

    // An entry, bounded whatever its header claims: a zip bomb stops at the bound.
    QByteArray entry(const QString &name)
    {
        if (!m_zip.setCurrentFile(name))
            fail(QStringLiteral("the archive has no %1").arg(name));
        QuaZipFileInfo64 info;
        if (m_zip.getCurrentFileInfo(&info) && info.uncompressedSize > quint64(kMaxTagTableBytes))
            fail(QStringLiteral("%1 unpacks to more than %2 bytes").arg(name).arg(kMaxTagTableBytes));
        QuaZipFile f(&m_zip);
        if (!f.open(QIODevice::ReadOnly))
            fail(QStringLiteral("%1 cannot be unpacked").arg(name));
        QByteArray data;
        char buffer[65536];
        while (true) {
            const qint64 n = f.read(buffer, sizeof buffer);
            if (n < 0)
                fail(QStringLiteral("%1 cannot be unpacked").arg(name));
            if (n == 0)
                break;
            data.append(buffer, qsizetype(n));
            if (data.size() > kMaxTagTableBytes)
                fail(QStringLiteral("%1 unpacks to more than %2 bytes").arg(name).arg(kMaxTagTableBytes));
        }
        f.close();
        if (f.getZipError() != UNZ_OK)
            fail(QStringLiteral("%1 is damaged").arg(name));
        return data;
    }

    XmlDocument xml(const QString &name)
    {
        return Read_Xml(entry(name), shownPath(m_file) + u':' + name);
    }

private:
    QString m_file;
    QuaZip m_zip;
};

int columnOf(QStringView ref)
{
    int col = 0;
    for (const QChar c : ref) {
        if (c < u'A' || c > u'Z')
            break;
        col = col * 26 + (c.unicode() - u'A' + 1);
        if (col > 16384)
            return -1;
    }
    return col - 1;
}

} // namespace

static std::vector<PlcTag> parseXlsx(const QString &file)
{
    Xlsx xlsx(file);
    const XmlDocument workbook = xlsx.xml(QStringLiteral("xl/workbook.xml"));
    QString relId;
    QString firstRelId;
    for (const XmlElement &sheet : children(child(workbook.root(), u"sheets"), u"sheet")) {
        QString id = sheet.attribute(u"r:id").value_or(QString());
        if (id.isEmpty())
            for (const QString &a : sheet.attributeNames())
                if (localName(a) == u"id")
                    id = sheet.attribute(a).value_or(QString());
        if (firstRelId.isEmpty())
            firstRelId = id;
        if (sheet.attribute(u"name").value_or(QString()).compare(QLatin1String("PLC Tags"), Qt::CaseInsensitive) == 0)
            relId = id;
    }
    if (relId.isEmpty())
        relId = firstRelId;
    QString target;
    const XmlDocument rels = xlsx.xml(QStringLiteral("xl/_rels/workbook.xml.rels"));
    for (const XmlElement &r : children(rels.root(), u"Relationship"))
        if (r.attribute(u"Id").value_or(QString()) == relId)
            target = r.attribute(u"Target").value_or(QString());
    if (target.isEmpty())
        xlsx.fail(QStringLiteral("the workbook has no sheet \"PLC Tags\""));
    target = target.startsWith(u'/') ? target.mid(1) : QStringLiteral("xl/") + target;

    QStringList shared;
    if (xlsx.has(QStringLiteral("xl/sharedStrings.xml"))) {
        const XmlDocument sst = xlsx.xml(QStringLiteral("xl/sharedStrings.xml"));
        for (const XmlElement &si : children(sst.root(), u"si"))
            shared.append(allText(si));
    }

    const XmlDocument sheet = xlsx.xml(target);
    std::vector<PlcTag> tags;
    int nameCol = -1, typeCol = -1, addressCol = -1, commentCol = -1;
    bool header = true;
    for (const XmlElement &row : children(child(sheet.root(), u"sheetData"), u"row")) {
        QHash<int, QString> cells;
        int nextCol = 0;
        for (const XmlElement &c : children(row, u"c")) {
            const QString ref = c.attribute(u"r").value_or(QString());
            const int col = ref.isEmpty() ? nextCol : columnOf(ref);
            nextCol = col + 1;
            const QString t = c.attribute(u"t").value_or(QString());
            QString value;
            if (t == QLatin1String("inlineStr")) {
                value = allText(child(c, u"is"));
            } else {
                const QString v = child(c, u"v").isNull() ? QString() : child(c, u"v").text().value_or(QString());
                if (t == QLatin1String("s")) {
                    bool ok = false;
                    const int index = v.toInt(&ok);
                    value = ok && index >= 0 && index < shared.size() ? shared[index] : QString();
                } else {
                    value = v;
                }
            }
            if (col >= 0)
                cells.insert(col, value.trimmed());
        }
        const int rowNumber = row.attribute(u"r").value_or(QString()).toInt();
        if (header) {
            for (auto it = cells.cbegin(); it != cells.cend(); ++it) {
                const QString h = it.value().toLower();
                if (h == QLatin1String("name"))
                    nameCol = it.key();
                else if (h == QLatin1String("data type"))
                    typeCol = it.key();
                else if (h == QLatin1String("logical address"))
                    addressCol = it.key();
                else if (h == QLatin1String("comment"))
                    commentCol = it.key();
            }
            if (nameCol < 0 || typeCol < 0 || addressCol < 0)
                throw PlcSourceError(file, rowNumber > 0 ? rowNumber : 1,
                                     QStringLiteral("the first row names the columns Name, Data Type and Logical Address"));
            header = false;
            continue;
        }
        PlcTag tag;
        tag.line = rowNumber;
        tag.name = cells.value(nameCol);
        tag.typeName = cells.value(typeCol).toUpper();
        tag.address = cells.value(addressCol);
        tag.comment = cells.value(commentCol);
        if (tag.name.isEmpty() && tag.address.isEmpty())
            continue;
        Resolve_Plc_Tag(tag);
        tags.push_back(std::move(tag));
    }
    if (header)
        xlsx.fail(QStringLiteral("the sheet \"PLC Tags\" is empty"));
    return tags;
}

std::vector<PlcTag> Load_Plc_Tag_Table(const QString &file)
{
    const QFileInfo info(file);
    if (info.exists() && !info.isFile())
        throw FileError(QStringLiteral("Cannot read %1: not a file").arg(shownPath(file)));
    if (info.size() > kMaxTagTableBytes)
        throw FileError(QStringLiteral("Cannot read %1: larger than %2 bytes").arg(shownPath(file)).arg(kMaxTagTableBytes));
    const QString suffix = info.suffix().toLower();
    if (suffix == QLatin1String("xlsx")) {
        if (!info.exists())
            (void)Read_Whole_File(file); // the system's reason
        return parseXlsx(file);
    }
    if (suffix != QLatin1String("asc") && suffix != QLatin1String("sdf"))
        throw FileError(QStringLiteral("Cannot read %1: a tag table is an .asc, .sdf or .xlsx file").arg(shownPath(file)));
    const QByteArray bytes = Read_Whole_File(file);
    if (bytes.size() > kMaxTagTableBytes)
        throw FileError(QStringLiteral("Cannot read %1: larger than %2 bytes").arg(shownPath(file)).arg(kMaxTagTableBytes));
    return suffix == QLatin1String("asc") ? Parse_Asc_Tags(bytes, file) : Parse_Sdf_Tags(bytes, file);
}
