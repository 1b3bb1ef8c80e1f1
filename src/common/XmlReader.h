#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <vector>

// The program's XML files read into a small tree of elements, their attributes and their
// texts: what every reader looks up, and nothing else (comments, processing instructions and
// the declaration are skipped).
//
// Project files come from users, so reading is bounded: a file larger than kMaxXmlFileSize,
// a document type declaration (and with it every entity but the five predefined ones), an
// element nested deeper than kMaxXmlDepth and an element with more than kMaxXmlAttributes
// attributes are refused with XmlLimitError before the work they would cause. Reading takes
// time linear in the file's size.

// A full project (512 + 512 rules with every attribute set) is below 400 kB.
inline constexpr qsizetype kMaxXmlFileSize = 4 * 1024 * 1024;
// The files need three levels (root, section, row or value).
inline constexpr int kMaxXmlDepth = 16;
// A rule row carries twenty attributes.
inline constexpr int kMaxXmlAttributes = 256;

class XmlDocument;

// One element of a document, or a null element. Valid while its document lives.
class XmlElement
{
public:
    XmlElement() = default;

    bool isNull() const { return m_doc == nullptr; }
    QString tagName() const;
    // The first child element named `name` (any name when `name` is empty).
    XmlElement firstChildElement(QStringView name = {}) const;
    // The next element after this one below the same parent, whatever its name.
    XmlElement nextSiblingElement() const;
    // The attribute's value (references resolved, blanks normalised), or nothing.
    std::optional<QString> attribute(QStringView name) const;
    // The same without a copy; valid while the document lives.
    std::optional<QStringView> attributeView(QStringView name) const;
    // The names of its attributes, in the file's order.
    QStringList attributeNames() const;
    // Its text when it holds no child elements: text and CDATA sections joined, where a
    // text made only of blanks counts for nothing while a CDATA section always counts.
    std::optional<QString> text() const;

private:
    friend class XmlDocument;
    XmlElement(const XmlDocument *doc, int index) : m_doc(doc), m_index(index) {}

    const XmlDocument *m_doc = nullptr;
    int m_index = -1;
};

class XmlDocument
{
public:
    XmlDocument() = default;
    XmlDocument(XmlDocument &&) noexcept = default;
    XmlDocument &operator=(XmlDocument &&) noexcept = default;
    XmlDocument(const XmlDocument &) = delete;
    XmlDocument &operator=(const XmlDocument &) = delete;

    // The document's first element; null when it holds none.
    XmlElement root() const { return m_nodes.empty() ? XmlElement() : XmlElement(this, 0); }

    // Building, in document order; an element's attributes right after it.
    int addElement(int parent, QString name);
    void addAttribute(int element, const QString &name, QStringView value);
    void addText(int element, QStringView text);
    void reserve(qsizetype characters) { m_values.reserve(characters); }
    // Attribute names are kept once each, by number.
    int nameId(const QString &name);
    const QString &name(int id) const { return m_names[std::size_t(id)]; }
    // The value of addAttributeAt appended to the document's characters: it ends at their end.
    QString &values() { return m_values; }
    void addAttributeAt(int element, int nameId, qsizetype valueStart);

private:
    friend class XmlElement;
    struct Node
    {
        QString name;
        int parent = -1;
        int firstChild = -1;
        int lastChild = -1;
        int nextSibling = -1;
        int firstAttribute = 0;
        int attributeCount = 0;
        bool hasElementChild = false;
        QString text;
    };
    // Values live in one string: a full project holds 20 000 of them. Offsets fit an int, as
    // a document holds at most kMaxXmlFileSize characters.
    struct Attribute
    {
        int name = 0;
        int valueStart = 0;
        int valueLength = 0;
    };
    std::vector<Node> m_nodes;
    std::vector<Attribute> m_attributes;
    std::vector<QString> m_names;
    QHash<QString, int> m_nameIds;
    QString m_values;
    mutable int m_lastAttributePlace = -1;
};

// Throws XmlLimitError when `size` bytes are more than the reader takes.
void Check_Xml_Size(qint64 size, const QString &what);

// Reads a document; `what` names the source in error texts. Throws XmlLimitError for a file
// beyond the bounds above and XmlError, with line and column, for one that is not well-formed.
XmlDocument Read_Xml(const QByteArray &bytes, const QString &what);

// The two ways Read_Xml takes, for tests that hold them against each other:
// - the quick one reads UTF-8 documents made of the plain constructs the program writes
//   (elements, attributes, texts, references, comments, CDATA, processing instructions and a
//   UTF-8 declaration) and answers nothing for anything else, malformed input included;
std::optional<XmlDocument> Read_Xml_Quick(const QByteArray &bytes);
// - the complete one reads every document through QXmlStreamReader, with the bounds.
XmlDocument Read_Xml_Complete(const QByteArray &bytes, const QString &what);
