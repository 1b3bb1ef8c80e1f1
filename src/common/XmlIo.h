#pragma once

#include <QDomDocument>
#include <QDomElement>
#include "common/XmlReader.h"

#include <QString>
#include <optional>

// Every XML file of the program is read and written through these helpers.

// The comment that follows the root element of every project file.
inline constexpr const char *kSoftwareVersionComment = "SW_VERSION = 1.002";

// Reads a file of at most kMaxXmlFileSize bytes; throws FileError when it cannot be read and
// XmlLimitError when it is larger.
QByteArray Read_Xml_File_Bytes(const QString &path);

// Loads and parses a file. Throws FileError when it cannot be read, XmlLimitError when it is
// beyond the reader's bounds (XmlReader.h) and XmlError, naming the file, line and column, when
// it is not well-formed.
XmlDocument Load_Xml_File(const QString &path);

// Parses bytes already read; `what` names the source in the error text.
XmlDocument Parse_Xml(const QByteArray &bytes, const QString &what);

// The root is the document's first element: an XML declaration, comments or processing
// instructions before it are skipped. Null when the document holds no element.
XmlElement Document_Root(const XmlDocument &doc);

// Reads values below one element, each on its own: a lookup that fails affects only that value.
class XmlValueReader
{
public:
    explicit XmlValueReader(XmlElement parent) : m_parent(parent) {}

    // The first child element named `name`.
    XmlElement element(const QString &name) const;
    // Its text, or nothing when it is missing or holds child elements.
    std::optional<QString> text(const QString &name) const;
    QString text(const QString &name, const QString &defaultValue) const;
    // Text_To_Int of its text with `defaultValue`; the default as well when it is missing.
    int integer(const QString &name, int defaultValue) const;

private:
    XmlElement m_parent;
};

// Text of an element that holds no child elements; nothing otherwise.
std::optional<QString> Element_Text(const XmlElement &element);

// A new document for writing: the root first, then (for project files) the comment
// "SW_VERSION = 1.002" at document level after it.
struct NewXmlDocument
{
    QDomDocument doc;
    QDomElement root;
};
NewXmlDocument Create_Xml_Document(const QString &rootName, bool withVersionComment);

// Appends <name>text</name> to `parent`.
QDomElement Append_Text_Element(QDomDocument &doc, QDomElement &parent, const QString &name,
                                const QString &text);

// No declaration, no indentation.
QByteArray Serialize_Xml(const QDomDocument &doc);

// Serialises and writes through Write_File_Safely.
void Save_Xml_Document(const QDomDocument &doc, const QString &path);

// Index of the first character that XML 1.0 cannot carry (controls other than tab, LF and CR,
// U+FFFE, U+FFFF, unpaired surrogates), or -1.
qsizetype First_Invalid_Xml_Char(QStringView text);

// Throws ValueError "<where> holds a character that an XML file cannot carry (U+0001 at
// position 3)" when the text cannot be written.
void Require_Xml_Text(QStringView text, const QString &where);
