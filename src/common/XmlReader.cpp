#include "common/XmlReader.h"

#include "common/TextUtil.h"

#include "common/Errors.h"
#include "common/XmlIo.h"

#include <QRegularExpression>
#include <QStringConverter>
#include <QXmlStreamReader>

#include <array>
#include <cstdint>
#include <cstring>
#include <new>

// ---------------------------------------------------------------------------------------------
// The tree

namespace {

// Names are short: compared in place rather than through a call per pair.
bool sameName(const QString &a, QStringView b)
{
    return a.size() == b.size() && std::equal(b.begin(), b.end(), a.cbegin());
}

bool sameName(const QString &a, QByteArrayView latin1)
{
    if (a.size() != latin1.size())
        return false;
    const QChar *p = a.cbegin();
    for (const char c : latin1) {
        if ((p++)->unicode() != char16_t(uchar(c)))
            return false;
    }
    return true;
}

} // namespace

QString XmlElement::tagName() const
{
    return isNull() ? QString() : m_doc->m_nodes[std::size_t(m_index)].name;
}

XmlElement XmlElement::firstChildElement(QStringView name) const
{
    if (isNull())
        return {};
    for (int i = m_doc->m_nodes[std::size_t(m_index)].firstChild; i >= 0; i = m_doc->m_nodes[std::size_t(i)].nextSibling) {
        if (name.isEmpty() || sameName(m_doc->m_nodes[std::size_t(i)].name, name))
            return {m_doc, i};
    }
    return {};
}

XmlElement XmlElement::nextSiblingElement() const
{
    if (isNull())
        return {};
    const int next = m_doc->m_nodes[std::size_t(m_index)].nextSibling;
    return next < 0 ? XmlElement() : XmlElement(m_doc, next);
}

std::optional<QStringView> XmlElement::attributeView(QStringView name) const
{
    if (isNull())
        return std::nullopt;
    const XmlDocument::Node &node = m_doc->m_nodes[std::size_t(m_index)];
    // Readers ask for the attributes of a row mostly in the order the file holds them: the
    // search starts after the place of the last answer.
    const int count = node.attributeCount;
    int i = m_doc->m_lastAttributePlace + 1;
    for (int n = 0; n < count; ++n, ++i) {
        if (i >= count)
            i = 0;
        const XmlDocument::Attribute &a = m_doc->m_attributes[std::size_t(node.firstAttribute + i)];
        if (sameName(m_doc->m_names[std::size_t(a.name)], name)) {
            m_doc->m_lastAttributePlace = i;
            return QStringView(m_doc->m_values).sliced(a.valueStart, a.valueLength);
        }
    }
    return std::nullopt;
}

QStringList XmlElement::attributeNames() const
{
    QStringList names;
    if (isNull())
        return names;
    const XmlDocument::Node &node = m_doc->m_nodes[std::size_t(m_index)];
    for (int i = 0; i < node.attributeCount; ++i)
        names << m_doc->name(m_doc->m_attributes[std::size_t(node.firstAttribute + i)].name);
    return names;
}

std::optional<QString> XmlElement::attribute(QStringView name) const
{
    const std::optional<QStringView> value = attributeView(name);
    return value ? std::optional<QString>(value->toString()) : std::nullopt;
}

std::optional<QString> XmlElement::text() const
{
    if (isNull())
        return std::nullopt;
    const XmlDocument::Node &node = m_doc->m_nodes[std::size_t(m_index)];
    if (node.hasElementChild)
        return std::nullopt;
    return node.text;
}

int XmlDocument::addElement(int parent, QString name)
{
    const int index = int(m_nodes.size());
    Node node;
    node.name = std::move(name);
    node.parent = parent;
    node.firstAttribute = int(m_attributes.size());
    m_nodes.push_back(std::move(node));
    if (parent >= 0) {
        Node &p = m_nodes[std::size_t(parent)];
        if (p.lastChild >= 0)
            m_nodes[std::size_t(p.lastChild)].nextSibling = index;
        else
            p.firstChild = index;
        p.lastChild = index;
        p.hasElementChild = true;
    }
    return index;
}

int XmlDocument::nameId(const QString &name)
{
    const auto it = m_nameIds.constFind(name);
    if (it != m_nameIds.cend())
        return *it;
    const int id = int(m_names.size());
    m_names.push_back(name);
    m_nameIds.insert(name, id);
    return id;
}

void XmlDocument::addAttribute(int element, const QString &name, QStringView value)
{
    const qsizetype start = m_values.size();
    m_values += value;
    addAttributeAt(element, nameId(name), start);
}

void XmlDocument::addAttributeAt(int element, int nameId, qsizetype valueStart)
{
    m_attributes.push_back({nameId, int(valueStart), int(m_values.size() - valueStart)});
    ++m_nodes[std::size_t(element)].attributeCount;
}

void XmlDocument::addText(int element, QStringView text)
{
    m_nodes[std::size_t(element)].text += text;
}

// ---------------------------------------------------------------------------------------------
// Errors

namespace {

[[noreturn]] void throwTooLarge(const QString &what, qint64 size)
{
    throw XmlLimitError(QStringLiteral("%1 is too large: %2 bytes, while the program reads XML files of at most 4 MiB (%3 bytes)")
                            .arg(what)
                            .arg(size)
                            .arg(kMaxXmlFileSize));
}

[[noreturn]] void throwLimit(const QString &what, const QString &why, qint64 line, qint64 column)
{
    throw XmlLimitError(QStringLiteral("%1 is refused: %2 (line %3, column %4)").arg(what, why).arg(line).arg(column));
}

QString tooDeep()
{
    return QStringLiteral("its elements nest deeper than %1 levels").arg(kMaxXmlDepth);
}

QString tooManyAttributes()
{
    return QStringLiteral("an element has more than %1 attributes").arg(kMaxXmlAttributes);
}

// ---------------------------------------------------------------------------------------------
// The quick way: a strict reader of the plain constructs. Whatever it does not know for sure,
// malformed input included, it leaves to the complete way by answering false.

constexpr bool isNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// Byte classes, looked up once per byte in the loops that cross most of a file.
enum : unsigned char { NameByte = 1, PlainValueByte = 2 };
constexpr std::array<unsigned char, 256> kByteClass = [] {
    std::array<unsigned char, 256> table{};
    for (int b = 0; b < 256; ++b) {
        const char c = char(b);
        if (isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.')
            table[std::size_t(b)] |= NameByte;
        // ASCII that a value holds as it stands: no quote, reference, '<' or blank but the space.
        if (b >= 0x20 && b < 0x80 && c != '"' && c != '\'' && c != '&' && c != '<')
            table[std::size_t(b)] |= PlainValueByte;
    }
    return table;
}();

bool isNameChar(char c)
{
    return kByteClass[uchar(c)] & NameByte;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

// Whether the bytes are strict UTF-8 of characters that XML allows.
bool isXmlUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        // Eight bytes at a time while they are ASCII from 0x20 up, as nearly all of a file is.
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            constexpr std::uint64_t ones = 0x0101010101010101u;
            constexpr std::uint64_t highs = 0x8080808080808080u;
            if (((word | (word - ones * 0x20)) & highs) != 0)
                break;
            p += 8;
        }
        if (p >= end)
            break;
        const unsigned char b = *p;
        if (b >= 0x20 && b < 0x80) {
            ++p;
            continue;
        }
        if (b < 0x80) {
            if (b != '\t' && b != '\n' && b != '\r')
                return false;
            ++p;
            continue;
        }
        int length = 0;
        char32_t c = 0;
        char32_t least = 0;
        if ((b & 0xE0) == 0xC0) {
            length = 2, c = b & 0x1F, least = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3, c = b & 0x0F, least = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4, c = b & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (end - p < length)
            return false;
        for (int i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (p[i] & 0x3F);
        }
        if (c < least || !isXmlChar(c))
            return false;
        p += length;
    }
    return true;
}

// UTF-8 to UTF-16 keeping a U+FEFF at the start, which QString::fromUtf8 drops as a byte-order
// mark: inside a document it is a character like any other.
QString utf8ToString(QByteArrayView utf8)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(utf8);
}

// Reads the bytes of a document that isXmlUtf8 accepted. Markup is ASCII; texts and values are
// taken as UTF-8.
class QuickReader
{
public:
    QuickReader(QByteArrayView text, XmlDocument &doc) : m_p(text.data()), m_end(text.data() + text.size()), m_doc(doc)
    {
    }

    bool run()
    {
        if (startsWith("<?xml") && m_p + 5 < m_end && isBlank(m_p[5]) && !declaration())
            return false;
        while (m_p < m_end) {
            if (*m_p != '<') {
                if (m_open.empty()) {
                    if (!isBlank(*m_p))
                        return false;
                    ++m_p;
                } else if (!text()) {
                    return false;
                }
                continue;
            }
            bool ok = false;
            if (startsWith("<?"))
                ok = processingInstruction();
            else if (startsWith("<!--"))
                ok = comment();
            else if (startsWith("<![CDATA["))
                ok = !m_open.empty() && cdata();
            else if (startsWith("</"))
                ok = endTag();
            else if (startsWith("<!"))
                ok = false;
            else
                ok = startTag();
            if (!ok)
                return false;
        }
        return m_open.empty() && m_rootSeen;
    }

private:
    bool startsWith(std::string_view s) const
    {
        return std::size_t(m_end - m_p) >= s.size() && std::equal(s.begin(), s.end(), m_p);
    }

    bool skipBlanks()
    {
        const char *start = m_p;
        while (m_p < m_end && isBlank(*m_p))
            ++m_p;
        return m_p != start;
    }

    QByteArrayView name()
    {
        const char *start = m_p;
        if (m_p >= m_end || !isNameStart(*m_p))
            return {};
        while (m_p < m_end && isNameChar(*m_p))
            ++m_p;
        // A colon or a letter beyond ASCII would continue the name: left to the complete way.
        if (m_p < m_end && !isBlank(*m_p) && *m_p != '>' && *m_p != '/' && *m_p != '=' && *m_p != '?')
            return {};
        return QByteArrayView(start, m_p - start);
    }

    // Finds `terminator` from here; the position after it, or nullptr.
    const char *find(std::string_view terminator) const
    {
        const char *it = std::search(m_p, m_end, terminator.begin(), terminator.end());
        return it == m_end ? nullptr : it + terminator.size();
    }

    bool declaration()
    {
        m_p += 5;
        const char *start = m_p;
        const char *after = find("?>");
        if (!after)
            return false;
        static const QRegularExpression form(QStringLiteral(
            R"(^[ \t\r\n]+version[ \t\r\n]*=[ \t\r\n]*(["'])1\.0\1([ \t\r\n]+encoding[ \t\r\n]*=[ \t\r\n]*(["'])[Uu][Tt][Ff]-8\3)?)"
            R"(([ \t\r\n]+standalone[ \t\r\n]*=[ \t\r\n]*(["'])(yes|no)\5)?[ \t\r\n]*$)"));
        if (!form.match(QString::fromLatin1(start, after - 2 - start)).hasMatch())
            return false;
        m_p = after;
        return true;
    }

    bool processingInstruction()
    {
        m_p += 2;
        const QByteArrayView target = name();
        if (target.isEmpty() || QLatin1StringView(target).compare(QLatin1StringView("xml"), Qt::CaseInsensitive) == 0)
            return false;
        if (!startsWith("?>") && !skipBlanks())
            return false;
        const char *after = find("?>");
        if (!after)
            return false;
        m_p = after;
        return true;
    }

    bool comment()
    {
        m_p += 4;
        const char *after = find("--");
        if (!after || after >= m_end || *after != '>')
            return false;
        m_p = after + 1;
        return true;
    }

    bool cdata()
    {
        m_p += 9;
        const char *start = m_p;
        const char *after = find("]]>");
        if (!after)
            return false;
        m_bytes.clear();
        appendWithLineEnds(start, after - 3);
        m_doc.addText(m_open.back(), utf8ToString(m_bytes));
        m_p = after;
        return true;
    }

    // Line ends as XML reads them: CR LF and a lone CR become LF.
    void appendWithLineEnds(const char *from, const char *to)
    {
        while (from < to) {
            const char *cr = std::find(from, to, '\r');
            m_bytes.append(from, cr - from);
            if (cr == to)
                return;
            m_bytes.append('\n');
            from = cr + 1;
            if (from < to && *from == '\n')
                ++from;
        }
    }

    // A reference after '&': appends its character as UTF-8, or answers false.
    bool reference()
    {
        ++m_p;
        static constexpr struct
        {
            std::string_view name;
            char c;
        } predefined[] = {{"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
        for (const auto &p : predefined) {
            if (startsWith(p.name)) {
                m_bytes.append(p.c);
                m_p += p.name.size();
                return true;
            }
        }
        if (m_p >= m_end || *m_p != '#')
            return false;
        ++m_p;
        const bool hex = m_p < m_end && *m_p == 'x';
        if (hex)
            ++m_p;
        char32_t value = 0;
        int digits = 0;
        for (; m_p < m_end && *m_p != ';'; ++m_p, ++digits) {
            const char c = *m_p;
            int d = -1;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            if (d < 0)
                return false;
            value = value * (hex ? 16 : 10) + char32_t(d);
            if (value > 0x10FFFF)
                return false;
        }
        if (m_p >= m_end || digits == 0 || !isXmlChar(value))
            return false;
        ++m_p;
        m_bytes.append(QString::fromUcs4(&value, 1).toUtf8());
        return true;
    }

    bool text()
    {
        m_bytes.clear();
        const char *run = m_p;
        while (m_p < m_end && *m_p != '<') {
            if (*m_p == '&') {
                appendWithLineEnds(run, m_p);
                if (!reference())
                    return false;
                run = m_p;
            } else {
                if (*m_p == '>' && m_p - run >= 2 && m_p[-1] == ']' && m_p[-2] == ']')
                    return false;
                ++m_p;
            }
        }
        appendWithLineEnds(run, m_p);
        // A text of blanks alone (in the wide sense of QString::trimmed) counts for nothing.
        const QString t = utf8ToString(m_bytes);
        if (!QStringView(t).trimmed().isEmpty())
            m_doc.addText(m_open.back(), t);
        return true;
    }

    // Appends UTF-8 to the document's characters; ASCII, the common case, as it stands.
    void appendValue(QByteArrayView utf8, bool ascii)
    {
        if (ascii)
            m_doc.values().append(QLatin1StringView(utf8));
        else
            m_doc.values().append(utf8ToString(utf8));
    }

    // The value after its opening quote, appended to the document's characters; blanks become
    // spaces, CR LF one space.
    bool attributeValue()
    {
        const char quote = *m_p++;
        const char *start = m_p;
        // Most values hold no reference and no blank other than the space: taken as they stand.
        while (m_p < m_end && (kByteClass[uchar(*m_p)] & PlainValueByte))
            ++m_p;
        if (m_p < m_end && *m_p == quote) {
            appendValue(QByteArrayView(start, m_p++ - start), true);
            return true;
        }
        m_bytes.clear();
        m_bytes.append(start, m_p - start);
        while (m_p < m_end && *m_p != quote) {
            const char *run = m_p;
            while (m_p < m_end && (kByteClass[uchar(*m_p)] & PlainValueByte))
                ++m_p;
            m_bytes.append(run, m_p - run);
            if (m_p >= m_end || *m_p == quote)
                break;
            const char c = *m_p;
            if (c == '<')
                return false;
            if (c == '&') {
                if (!reference())
                    return false;
                continue;
            }
            ++m_p;
            if (c == '\r' && m_p < m_end && *m_p == '\n')
                ++m_p;
            m_bytes.append((c == '\t' || c == '\n' || c == '\r') ? ' ' : c);
        }
        if (m_p >= m_end)
            return false;
        ++m_p;
        appendValue(m_bytes, false);
        return true;
    }

    // Shares the text of a name seen before at the same place, so that a thousand rows do not
    // hold a thousand copies of their element and attribute names.
    int sharedName(std::size_t at, QByteArrayView name)
    {
        if (at < m_attributeNames.size() && sameName(m_doc.name(m_attributeNames[at]), name))
            return m_attributeNames[at];
        if (m_attributeNames.size() <= at)
            m_attributeNames.resize(at + 1);
        m_attributeNames[at] = m_doc.nameId(QString::fromLatin1(name));
        return m_attributeNames[at];
    }

    static QString shared(std::vector<QString> &seen, std::size_t at, QByteArrayView name)
    {
        if (at < seen.size() && sameName(seen[at], name))
            return seen[at];
        if (seen.size() <= at)
            seen.resize(at + 1);
        seen[at] = QString::fromLatin1(name);
        return seen[at];
    }

    bool startTag()
    {
        ++m_p;
        const QByteArrayView tag = name();
        if (tag.isEmpty())
            return false;
        if (m_open.empty() && m_rootSeen)
            return false;
        if (int(m_open.size()) >= kMaxXmlDepth)
            return false;
        const int parent = m_open.empty() ? -1 : m_open.back();
        const QString tagName = shared(m_elementNames, m_open.size(), tag);
        const int element = m_doc.addElement(parent, tagName);
        m_rootSeen = true;
        int attributeCount = 0;
        for (;;) {
            const bool blank = skipBlanks();
            if (m_p >= m_end)
                return false;
            if (*m_p == '>') {
                ++m_p;
                m_open.push_back(element);
                m_openTags.push_back(tagName);
                return true;
            }
            if (*m_p == '/') {
                ++m_p;
                if (m_p >= m_end || *m_p != '>')
                    return false;
                ++m_p;
                return true;
            }
            if (!blank)
                return false;
            const QByteArrayView attribute = name();
            if (attribute.isEmpty())
                return false;
            skipBlanks();
            if (m_p >= m_end || *m_p != '=')
                return false;
            ++m_p;
            skipBlanks();
            if (m_p >= m_end || (*m_p != '"' && *m_p != '\''))
                return false;
            const qsizetype valueStart = m_doc.values().size();
            if (!attributeValue())
                return false;
            if (attributeCount >= kMaxXmlAttributes)
                return false;
            const int id = sharedName(std::size_t(attributeCount), attribute);
            // A name given twice: the element where each name was seen last tells.
            if (std::size_t(id) >= m_lastElementOfName.size())
                m_lastElementOfName.resize(std::size_t(id) + 1, -1);
            if (m_lastElementOfName[std::size_t(id)] == element)
                return false;
            m_lastElementOfName[std::size_t(id)] = element;
            ++attributeCount;
            m_doc.addAttributeAt(element, id, valueStart);
        }
    }

    bool endTag()
    {
        m_p += 2;
        const QByteArrayView tag = name();
        if (tag.isEmpty() || m_open.empty())
            return false;
        skipBlanks();
        if (m_p >= m_end || *m_p != '>')
            return false;
        ++m_p;
        if (!sameName(m_openTags.back(), tag))
            return false;
        m_open.pop_back();
        m_openTags.pop_back();
        return true;
    }

    const char *m_p;
    const char *m_end;
    XmlDocument &m_doc;
    std::vector<int> m_open;
    std::vector<QString> m_openTags;
    std::vector<int> m_lastElementOfName;
    std::vector<QString> m_elementNames;
    std::vector<int> m_attributeNames;
    QByteArray m_bytes;
    bool m_rootSeen = false;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// The complete way

namespace {

QString doctypeRefused()
{
    return QStringLiteral("it holds a document type declaration (DOCTYPE), which the program's files never carry");
}

// QXmlStreamReader compares each attribute of an element with every earlier one, and each
// attribute declaration of a document type declaration likewise, which takes time quadratic in
// their number; and it reads the whole declaration before it reports it. So a scan of the
// markup (comments, CDATA sections, processing instructions and quoted values skipped) refuses
// a document type declaration and counts the '=' of each tag before the reader sees them. It
// stops at any other "<!": the reader stops there too, at an error.
void Check_Markup(QStringView s, const QString &what)
{
    const auto skipTo = [&](qsizetype from, QStringView end) {
        const qsizetype at = s.indexOf(end, from);
        return at < 0 ? s.size() : at + end.size();
    };
    qsizetype i = 0;
    while (i < s.size()) {
        if (s[i] != u'<') {
            ++i;
            continue;
        }
        const QStringView rest = s.mid(i);
        if (rest.startsWith(u"<!--")) {
            i = skipTo(i + 4, u"-->");
        } else if (rest.startsWith(u"<![CDATA[")) {
            i = skipTo(i + 9, u"]]>");
        } else if (rest.startsWith(u"<?")) {
            i = skipTo(i + 2, u"?>");
        } else if (rest.startsWith(u"<!DOCTYPE")) {
            const QStringView before = s.first(i);
            throwLimit(what, doctypeRefused(), before.count(u'\n') + 1, i - before.lastIndexOf(u'\n'));
        } else if (rest.startsWith(u"<!")) {
            return;
        } else {
            int count = 0;
            char16_t quote = 0;
            for (++i; i < s.size(); ++i) {
                const char16_t c = s[i].unicode();
                if (quote) {
                    if (c == quote)
                        quote = 0;
                } else if (c == u'"' || c == u'\'') {
                    quote = c;
                } else if (c == u'=') {
                    if (++count > kMaxXmlAttributes) {
                        const QStringView before = s.first(i);
                        throwLimit(what, tooManyAttributes(), before.count(u'\n') + 1,
                                   i - before.lastIndexOf(u'\n'));
                    }
                } else if (c == u'>') {
                    break;
                }
            }
        }
    }
}

// The document's characters, decoded here as well as by QXmlStreamReader, so that the scan
// above sees the characters the reader will see: UTF-8, UTF-16 and UTF-32 (told by a byte-order
// mark or by the first '<'), or the encoding the declaration names, ISO-8859-1, Windows-1252 or
// US-ASCII. Any other declared encoding is refused before it is read, and so is a byte that
// the encoding cannot hold (it would turn into U+FFFD).
enum class Family { Utf8, Utf16LE, Utf16BE, Utf32LE, Utf32BE };

QString byteRefused(const QString &what, const QString &encoding, qsizetype offset, QByteArrayView bytes)
{
    qint64 line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < offset; ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))) {
            ++line;
            lineStart = i + 1;
        }
    }
    return QStringLiteral("%1 is not a valid XML file: the byte 0x%2 is no %3 text, the file's encoding (line %4, column %5)")
        .arg(what)
        .arg(QString::number(uchar(bytes[offset]), 16).toUpper().rightJustified(2, u'0'))
        .arg(encoding)
        .arg(line)
        .arg(offset - lineStart + 1);
}

// Index of the first byte that does not begin a valid UTF-8 sequence, or -1.
qsizetype firstBadUtf8(QByteArrayView bytes)
{
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = b[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        char32_t value = 0;
        char32_t least = 0;
        if ((c & 0xE0) == 0xC0)
            length = 2, value = c & 0x1F, least = 0x80;
        else if ((c & 0xF0) == 0xE0)
            length = 3, value = c & 0x0F, least = 0x800;
        else if ((c & 0xF8) == 0xF0)
            length = 4, value = c & 0x07, least = 0x10000;
        else
            return i;
        if (n - i < length)
            return i;
        for (int k = 1; k < length; ++k) {
            if ((b[i + k] & 0xC0) != 0x80)
                return i;
            value = (value << 6) | (b[i + k] & 0x3F);
        }
        if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return i;
        i += length;
    }
    return -1;
}

QString decodeDocument(const QByteArray &bytes, const QString &what, bool &wideOut)
{
    QByteArrayView data(bytes);
    Family family = Family::Utf8;
    bool bom = true;
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    else if (data.startsWith(QByteArrayView("\xFF\xFE\0\0", 4)))
        family = Family::Utf32LE, data = data.sliced(4);
    else if (data.startsWith(QByteArrayView("\0\0\xFE\xFF", 4)))
        family = Family::Utf32BE, data = data.sliced(4);
    else if (data.startsWith("\xFF\xFE"))
        family = Family::Utf16LE, data = data.sliced(2);
    else if (data.startsWith("\xFE\xFF"))
        family = Family::Utf16BE, data = data.sliced(2);
    else {
        bom = false;
        if (data.startsWith(QByteArrayView("<\0\0\0", 4)))
            family = Family::Utf32LE;
        else if (data.startsWith(QByteArrayView("\0\0\0<", 4)))
            family = Family::Utf32BE;
        else if (data.startsWith(QByteArrayView("<\0", 2)))
            family = Family::Utf16LE;
        else if (data.startsWith(QByteArrayView("\0<", 2)))
            family = Family::Utf16BE;
    }
    const bool wide = family != Family::Utf8;
    wideOut = wide;
    QString text;
    if (wide) {
        static constexpr QStringConverter::Encoding encodings[] = {QStringConverter::Utf8, QStringConverter::Utf16LE,
                                                                   QStringConverter::Utf16BE, QStringConverter::Utf32LE,
                                                                   QStringConverter::Utf32BE};
        const int unit = family == Family::Utf16LE || family == Family::Utf16BE ? 2 : 4;
        QStringDecoder decoder(encodings[int(family)], QStringConverter::Flag::ConvertInitialBom);
        text = decoder.decode(data);
        if (decoder.hasError() || data.size() % unit != 0)
            throw XmlError(QStringLiteral("%1 is not a valid XML file: its bytes are no UTF-%2 text, the file's encoding")
                               .arg(what)
                               .arg(unit * 8));
    }

    // The declaration, when the document begins with one.
    static const QRegularExpression declaration(
        QStringLiteral(R"(^<\?xml[ \t\r\n][^>]*?encoding[ \t\r\n]*=[ \t\r\n]*(["'])([^"'>]*)\1)"));
    const QString head = wide ? text.first(std::min<qsizetype>(text.size(), 512))
                              : QString::fromLatin1(data.first(std::min<qsizetype>(data.size(), 512)));
    const QRegularExpressionMatch m = declaration.match(head);
    enum class Declared { None, Utf8, Utf16, Utf32, Latin1, Windows1252, Ascii } declared = Declared::None;
    if (m.hasMatch()) {
        const QString name = m.captured(2).toLower();
        if (name == u"utf-8" || name == u"utf8")
            declared = Declared::Utf8;
        else if (name == u"utf-16" || name == u"utf-16le" || name == u"utf-16be")
            declared = Declared::Utf16;
        else if (name == u"utf-32" || name == u"utf-32le" || name == u"utf-32be")
            declared = Declared::Utf32;
        else if (name == u"iso-8859-1" || name == u"iso_8859-1" || name == u"latin1" || name == u"latin-1" || name == u"l1")
            declared = Declared::Latin1;
        else if (name == u"windows-1252" || name == u"cp1252")
            declared = Declared::Windows1252;
        else if (name == u"us-ascii" || name == u"ascii")
            declared = Declared::Ascii;
        const qsizetype column = m.capturedStart(2) + 1;
        if (declared == Declared::None)
            throwLimit(what,
                       QStringLiteral("it declares the encoding \"%1\"; the program reads UTF-8, UTF-16, UTF-32, "
                                      "ISO-8859-1 and Windows-1252")
                           .arg(Visible_Text(m.captured(2))),
                       1, column);
        const bool fits = wide ? (declared == Declared::Utf16) == (family == Family::Utf16LE || family == Family::Utf16BE)
                && (declared == Declared::Utf16 || declared == Declared::Utf32)
                               : declared != Declared::Utf16 && declared != Declared::Utf32 && (!bom || declared == Declared::Utf8);
        if (!fits)
            throwLimit(what, QStringLiteral("it declares the encoding \"%1\", but its bytes are in another one").arg(m.captured(2)),
                       1, column);
    }
    if (wide)
        return text;
    switch (declared) {
    case Declared::Latin1:
        return QString::fromLatin1(data);
    case Declared::Ascii:
        for (qsizetype i = 0; i < data.size(); ++i)
            if (uchar(data[i]) >= 0x80)
                throw XmlError(byteRefused(what, QStringLiteral("US-ASCII"), i, data));
        return QString::fromLatin1(data);
    case Declared::Windows1252: {
        // 0x80 to 0x9F as Windows-1252 has them; 0x81, 0x8D, 0x8F, 0x90 and 0x9D it leaves unused.
        static constexpr char16_t high[32] = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                              0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
                                              0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                              0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};
        QString out(data.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < data.size(); ++i) {
            const uchar c = uchar(data[i]);
            char16_t u = c;
            if (c >= 0x80 && c < 0xA0) {
                u = high[c - 0x80];
                if (u == 0)
                    throw XmlError(byteRefused(what, QStringLiteral("Windows-1252"), i, data));
            }
            out[i] = QChar(u);
        }
        return out;
    }
    default: {
        if (const qsizetype bad = firstBadUtf8(data); bad >= 0)
            throw XmlError(byteRefused(what, QStringLiteral("UTF-8"), bad, data));
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        return decoder.decode(data);
    }
    }
}

// XML 1.0 leaves out the controls but tab, LF and CR (and U+FFFE, U+FFFF, lone surrogates);
// the reader's own message would not say which character it refused.
void Check_Characters(QStringView s, const QString &what)
{
    const qsizetype at = First_Invalid_Xml_Char(s);
    if (at < 0)
        return;
    const QStringView before = s.first(at);
    throw XmlError(QStringLiteral("%1 is not a valid XML file: it holds the character U+%2, which XML does not allow (line %3, column %4)")
                       .arg(what)
                       .arg(QString::number(s[at].unicode(), 16).toUpper().rightJustified(4, u'0'))
                       .arg(before.count(u'\n') + before.count(u'\r') - before.count(u"\r\n") + 1)
                       .arg(at - std::max(before.lastIndexOf(u'\n'), before.lastIndexOf(u'\r'))));
}

// A name with a control character in it (U+007F to U+009F are characters in a text, but not in
// a name), or nothing.
std::optional<QChar> controlInName(QStringView name)
{
    for (const QChar c : name)
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
            return c;
    return std::nullopt;
}

XmlDocument Read_Complete(const QByteArray &bytes, const QString &what)
{
    bool wide = false;
    const QString text = decodeDocument(bytes, what, wide);
    Check_Characters(text, what);
    Check_Markup(text, what);
    XmlDocument doc;
    // Single-byte encodings and UTF-8 go to the reader as bytes, which it decodes as above (the
    // encodings it would read otherwise were refused), so that its messages stay those of every
    // other program using it. UTF-16 and UTF-32 go as characters: the reader takes a declared
    // "UTF-32" without a mark for another byte order than the bytes show.
    QXmlStreamReader reader;
    if (wide)
        reader.addData(text);
    else
        reader.addData(bytes);
    reader.setNamespaceProcessing(false);
    std::vector<int> open;
    bool rootSeen = false;
    QString error;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.hasError())
            break;
        switch (reader.tokenType()) {
        case QXmlStreamReader::DTD:
            throwLimit(what, doctypeRefused(), reader.lineNumber(), reader.columnNumber());
        case QXmlStreamReader::StartElement: {
            if (int(open.size()) >= kMaxXmlDepth)
                throwLimit(what, tooDeep(), reader.lineNumber(), reader.columnNumber());
            // The reader allows no second root; the check keeps the tree to one all the same.
            if (open.empty() && rootSeen)
                break;
            rootSeen = true;
            const QXmlStreamAttributes attributes = reader.attributes();
            if (attributes.size() > kMaxXmlAttributes)
                throwLimit(what, tooManyAttributes(), reader.lineNumber(), reader.columnNumber());
            const int element = doc.addElement(open.empty() ? -1 : open.back(), reader.qualifiedName().toString());
            for (const QXmlStreamAttribute &a : attributes) {
                if (const std::optional<QChar> c = controlInName(a.qualifiedName()))
                    throw XmlError(QStringLiteral("%1 is not a valid XML file: the name of an attribute holds the control "
                                                  "character U+%2 (line %3, column %4)")
                                       .arg(what)
                                       .arg(QString::number(c->unicode(), 16).toUpper().rightJustified(4, u'0'))
                                       .arg(reader.lineNumber())
                                       .arg(reader.columnNumber()));
                doc.addAttribute(element, a.qualifiedName().toString(), a.value());
            }
            open.push_back(element);
            break;
        }
        case QXmlStreamReader::EndElement:
            if (!open.empty())
                open.pop_back();
            break;
        case QXmlStreamReader::Characters:
            // Texts of blanks alone count for nothing; CDATA sections always count.
            if (reader.isWhitespace() || (!reader.isCDATA() && reader.text().trimmed().isEmpty()))
                break;
            if (open.empty()) {
                error = QStringLiteral("Error occurred while processing the element content");
                break;
            }
            doc.addText(open.back(), reader.text());
            break;
        default:
            break;
        }
        if (!error.isEmpty())
            break;
    }
    if (reader.hasError())
        error = reader.errorString();
    if (!error.isEmpty())
        throw XmlError(QStringLiteral("%1 is not a valid XML file: %2 (line %3, column %4)")
                           .arg(what, Visible_Text(error))
                           .arg(reader.lineNumber())
                           .arg(reader.columnNumber()));
    return doc;
}

} // namespace

void Check_Xml_Size(qint64 size, const QString &what)
{
    if (size > kMaxXmlFileSize)
        throwTooLarge(what, size);
}

std::optional<XmlDocument> Read_Xml_Quick(const QByteArray &bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    if (!isXmlUtf8(view))
        return std::nullopt;
    XmlDocument doc;
    // Values are about a third of a project file.
    doc.reserve(view.size() / 2);
    if (!QuickReader(view, doc).run())
        return std::nullopt;
    return doc;
}

XmlDocument Read_Xml_Complete(const QByteArray &bytes, const QString &what)
{
    Check_Xml_Size(bytes.size(), what);
    try {
        return Read_Complete(bytes, what);
    } catch (const std::bad_alloc &) {
        throw XmlLimitError(QStringLiteral("%1 is refused: not enough memory to read it").arg(what));
    }
}

XmlDocument Read_Xml(const QByteArray &bytes, const QString &what)
{
    Check_Xml_Size(bytes.size(), what);
    try {
        if (std::optional<XmlDocument> doc = Read_Xml_Quick(bytes))
            return std::move(*doc);
    } catch (const std::bad_alloc &) {
    }
    return Read_Xml_Complete(bytes, what);
}
