#pragma once

// The reading of a document as QDomDocument made it, which the program's readers used before
// their own reader, beside the reading of that reader: both as one text (elements in order,
// attributes sorted by name, the text of each element), so that a test or a fuzz target can
// hold them against each other.
#include "common/TextUtil.h"
#include "common/XmlReader.h"

#include <QDomDocument>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <optional>

namespace XmlDifferential {


inline std::optional<QString> domText(const QDomElement &element)
{
    QString result;
    for (QDomNode n = element.firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (n.isElement())
            return std::nullopt;
        if (n.isText() || n.isCDATASection())
            result += n.toText().data();
    }
    return result;
}

inline QString shown(const std::optional<QString> &text)
{
    return text ? QLatin1Char('[') + *text + QLatin1Char(']') : QStringLiteral("(elements)");
}

inline void dumpDom(const QDomElement &e, int depth, QString &out)
{
    QStringList attributes;
    const QDomNamedNodeMap map = e.attributes();
    for (int i = 0; i < map.count(); ++i) {
        const QDomAttr a = map.item(i).toAttr();
        attributes << a.name() + QLatin1Char('=') + QLatin1Char('[') + a.value() + QLatin1Char(']');
    }
    attributes.sort();
    out += QString(depth, u' ') + e.tagName() + QLatin1Char(' ') + attributes.join(u' ') + QLatin1Char(' ')
        + shown(domText(e)) + QLatin1Char('\n');
    for (QDomElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
        dumpDom(c, depth + 1, out);
}

inline void dumpTree(const XmlElement &e, int depth, QString &out)
{
    QStringList attributes;
    for (const QString &name : e.attributeNames())
        attributes << name + QLatin1Char('=') + QLatin1Char('[') + e.attribute(name).value_or(QStringLiteral("?")) + QLatin1Char(']');
    attributes.sort();
    out += QString(depth, u' ') + e.tagName() + QLatin1Char(' ') + attributes.join(u' ') + QLatin1Char(' ')
        + shown(e.text()) + QLatin1Char('\n');
    for (XmlElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
        dumpTree(c, depth + 1, out);
}

// Refusals of the program's reader that the DOM does not make, or makes in other words: a byte
// the encoding cannot hold, a character XML does not allow (named), a control character in an
// attribute's name. The DOM may read such bytes (as U+FFFD) or refuse them for another reason.
inline bool isOwnRefusal(const QString &text)
{
    return text.contains(QLatin1String("the file's encoding")) || text.contains(QLatin1String("which XML does not allow"))
        || text.contains(QLatin1String("holds the control character"));
}

// The reader decodes UTF-16 and UTF-32 itself (by the byte-order mark, or by a first '<' beside
// NUL bytes) and reads characters, where the DOM decodes the bytes its own way: when both refuse
// such a document, each says why in its own words.
inline bool isWide(const QByteArray &bytes)
{
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") || bytes.left(4).contains('\0');
}

// Whether the declaration names an encoding the program does not read (it refuses the file
// before reading it, as a file beyond its bounds).
inline bool declaresOtherEncoding(const QByteArray &bytes)
{
    static const QRegularExpression declaration(
        QStringLiteral(R"(^(\xEF\xBB\xBF)?<\?xml[ \t\r\n][^>]*?encoding[ \t\r\n]*=[ \t\r\n]*(["'])([^"'>]*)\2)"));
    const QRegularExpressionMatch m = declaration.match(QString::fromLatin1(bytes.left(512)));
    if (!m.hasMatch())
        return false;
    static const QStringList accepted = {"utf-8", "utf8", "utf-16", "utf-16le", "utf-16be", "utf-32", "utf-32le",
                                         "utf-32be", "iso-8859-1", "iso_8859-1", "latin1", "latin-1", "l1",
                                         "windows-1252", "cp1252", "us-ascii", "ascii"};
    return !accepted.contains(m.captured(3).toLower());
}

// What a reader makes of the bytes: the tree, or the error text.
struct Outcome
{
    bool ok = false;
    QString text;
};

struct DomOutcome : Outcome
{
    bool withinBounds = true;
};

inline int domDepth(const QDomElement &e)
{
    int deepest = 0;
    for (QDomElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
        deepest = std::max(deepest, domDepth(c));
    return deepest + 1;
}

inline int domMostAttributes(const QDomElement &e)
{
    int most = e.attributes().count();
    for (QDomElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
        most = std::max(most, domMostAttributes(c));
    return most;
}

inline DomOutcome readWithDom(const QByteArray &bytes, const QString &what)
{
    DomOutcome o;
    QDomDocument doc;
    QString message;
    int line = 0;
    int column = 0;
    if (!doc.setContent(bytes, false, &message, &line, &column)) {
        o.text = QStringLiteral("%1 is not a valid XML file: %2 (line %3, column %4)").arg(what, Visible_Text(message)).arg(line).arg(column);
        return o;
    }
    o.ok = true;
    const QDomElement root = doc.documentElement();
    if (!root.isNull()) {
        dumpDom(root, 0, o.text);
        o.withinBounds = domDepth(root) <= kMaxXmlDepth && domMostAttributes(root) <= kMaxXmlAttributes;
    }
    o.withinBounds = o.withinBounds && doc.doctype().name().isEmpty() && !declaresOtherEncoding(bytes);
    return o;
}

inline Outcome outcomeOf(const XmlDocument &doc)
{
    Outcome o;
    o.ok = true;
    if (!doc.root().isNull())
        dumpTree(doc.root(), 0, o.text);
    return o;
}

} // namespace XmlDifferential
