#include "common/XmlIo.h"

#include "common/Errors.h"
#include "common/SafeFile.h"
#include "common/TextUtil.h"

#include <QDir>
#include <QFile>

#include <algorithm>

QByteArray Read_Xml_File_Bytes(const QString &path)
{
    Require_Regular_File(path);
    QFile file(path);
    const auto fail = [&] {
        throw FileError(QStringLiteral("Cannot read %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    };
    if (!file.open(QIODevice::ReadOnly))
        fail();
    // The size is checked before reading and the reading bounded as well: a device or a
    // growing file has no size to check.
    const QString what = QDir::toNativeSeparators(path);
    Check_Xml_Size(file.size(), what);
    QByteArray bytes;
    if (!file.isSequential())
        bytes.reserve(file.size() + 1);
    char chunk[64 * 1024];
    for (;;) {
        const qint64 n = file.read(chunk, sizeof chunk);
        if (n < 0)
            fail();
        if (n == 0)
            break;
        bytes.append(chunk, n);
        Check_Xml_Size(bytes.size(), what);
    }
    return bytes;
}

XmlDocument Load_Xml_File(const QString &path)
{
    return Parse_Xml(Read_Xml_File_Bytes(path), QDir::toNativeSeparators(path));
}

XmlDocument Parse_Xml(const QByteArray &bytes, const QString &what)
{
    return Read_Xml(bytes, what);
}

XmlElement Document_Root(const XmlDocument &doc)
{
    return doc.root();
}

XmlElement XmlValueReader::element(const QString &name) const
{
    return m_parent.firstChildElement(name);
}

std::optional<QString> XmlValueReader::text(const QString &name) const
{
    return element(name).text();
}

QString XmlValueReader::text(const QString &name, const QString &defaultValue) const
{
    return text(name).value_or(defaultValue);
}

int XmlValueReader::integer(const QString &name, int defaultValue) const
{
    const std::optional<QString> t = text(name);
    return t ? Text_To_Int(*t, defaultValue) : defaultValue;
}

std::optional<QString> Element_Text(const XmlElement &element)
{
    return element.text();
}

NewXmlDocument Create_Xml_Document(const QString &rootName, bool withVersionComment)
{
    NewXmlDocument result;
    result.root = result.doc.createElement(rootName);
    result.doc.appendChild(result.root);
    if (withVersionComment)
        result.doc.appendChild(result.doc.createComment(QString::fromLatin1(kSoftwareVersionComment)));
    return result;
}

QDomElement Append_Text_Element(QDomDocument &doc, QDomElement &parent, const QString &name,
                                const QString &text)
{
    QDomElement e = doc.createElement(name);
    // The parser drops text nodes made only of blanks; a CDATA section keeps them. (A carriage
    // return inside it still becomes a line feed, as XML normalises line ends.)
    const bool blanksOnly = !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
    });
    if (blanksOnly)
        e.appendChild(doc.createCDATASection(text));
    else
        e.appendChild(doc.createTextNode(text));
    parent.appendChild(e);
    return e;
}

QByteArray Serialize_Xml(const QDomDocument &doc)
{
    return doc.toByteArray(-1);
}

void Save_Xml_Document(const QDomDocument &doc, const QString &path)
{
    const QByteArray bytes = Serialize_Xml(doc);
    // What the readers would refuse is not written.
    if (bytes.size() > kMaxXmlFileSize)
        throw ValueError(QStringLiteral("%1 would be %2 bytes, while the program reads XML files of at most 4 MiB")
                             .arg(QDir::toNativeSeparators(path))
                             .arg(bytes.size()));
    Write_File_Safely(path, bytes);
}

qsizetype First_Invalid_Xml_Char(QStringView text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x20) {
            if (u != 0x09 && u != 0x0A && u != 0x0D)
                return i;
        } else if (u == 0xFFFE || u == 0xFFFF) {
            return i;
        } else if (QChar::isHighSurrogate(u)) {
            if (i + 1 >= n || !QChar::isLowSurrogate(text[i + 1].unicode()))
                return i;
            ++i;
        } else if (QChar::isLowSurrogate(u)) {
            return i;
        }
    }
    return -1;
}

void Require_Xml_Text(QStringView text, const QString &where)
{
    const qsizetype at = First_Invalid_Xml_Char(text);
    if (at < 0)
        return;
    throw ValueError(QStringLiteral("%1 holds a character that an XML file cannot carry (U+%2 at position %3)")
                         .arg(where)
                         .arg(QString::number(text[at].unicode(), 16).toUpper().rightJustified(4, u'0'))
                         .arg(at + 1));
}
