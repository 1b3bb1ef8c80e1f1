// The reader against QDomDocument, which read the files before it: on every document within the
// bounds, both ways of the reader (quick and complete) see the same elements, attributes and
// texts as the DOM did, and refuse exactly what it refused, with its message.
#include "common/Errors.h"
#include "common/XmlIo.h"
#include "common/XmlReader.h"

#include "XmlDifferential.h"

#include <QDirIterator>
#include <QFile>
#include <QStringEncoder>
#include <gtest/gtest.h>

#include <random>

namespace {

const QString kWhat = QStringLiteral("test.xml");

using namespace XmlDifferential;

Outcome readComplete(const QByteArray &bytes)
{
    try {
        return outcomeOf(Read_Xml_Complete(bytes, kWhat));
    } catch (const BrivantError &e) {
        return {false, e.text()};
    }
}

// Holds the three readers against each other on one document; false when the DOM's reading
// lies beyond the bounds (the new reader refuses it).
bool expectSameReading(const QByteArray &bytes, const std::string &label)
{
    const DomOutcome dom = readWithDom(bytes, kWhat);
    if (!dom.withinBounds) {
        EXPECT_THROW(Read_Xml(bytes, kWhat), XmlLimitError) << label;
        return false;
    }
    const Outcome complete = readComplete(bytes);
    // A document beyond the bounds that the DOM refused for another fault: either reason will do.
    if (!dom.ok && complete.text.contains(QLatin1String(" is refused: ")))
        return true;
    // A byte or character the reader refuses by name, which the DOM reads or refuses otherwise.
    if (!complete.ok && isOwnRefusal(complete.text)) {
        EXPECT_FALSE(Read_Xml_Quick(bytes)) << label;
        return true;
    }
    // Both refuse a UTF-16 or UTF-32 document, each in its own words.
    if (!dom.ok && !complete.ok && isWide(bytes))
        return true;
    EXPECT_EQ(complete.ok, dom.ok) << label << "\nDOM: " << dom.text.toStdString() << "\nnew: " << complete.text.toStdString();
    EXPECT_EQ(complete.text.toStdString(), dom.text.toStdString()) << label;
    if (const std::optional<XmlDocument> quick = Read_Xml_Quick(bytes)) {
        EXPECT_TRUE(dom.ok) << label << ": the quick way read what the DOM refused";
        EXPECT_EQ(outcomeOf(*quick).text, dom.text) << label;
    }
    return true;
}

// ---- documents

// Random documents in the shapes of the program's files, with the variations hand editing and
// other tools bring.
class DocumentMaker
{
public:
    explicit DocumentMaker(unsigned seed) : m_random(seed) {}

    QByteArray make()
    {
        QByteArray out;
        if (chance(10))
            out += "\xEF\xBB\xBF";
        if (chance(25))
            out += pick({"<?xml version=\"1.0\"?>", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n",
                         "<?xml version='1.0' encoding='utf-8' standalone='yes'?>", "<?xml  version=\"1.0\"   ?>\r\n",
                         "<?xml version=\"1.1\"?>", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>",
                         "<?xml encoding=\"UTF-8\" version=\"1.0\"?>", " <?xml version=\"1.0\"?>"});
        for (int i = number(0, 2); i > 0; --i)
            out += pick({"<!-- saved by hand -->", "\n", "<?editor keep?>", "  \r\n", "<?xml-stylesheet href=\"a\"?>"});
        const bool rows = chance(50);
        out += element(pick({"S7_Protocol", "Par_Gen", "Conf_Settings", "Root", "other-name"}), 0, rows);
        for (int i = number(0, 2); i > 0; --i)
            out += pick({"<!--SW_VERSION = 1.002-->", "\n", " ", "<?after?>", "\r\n"});
        return out;
    }

private:
    bool chance(int percent) { return number(0, 99) < percent; }
    int number(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    QByteArray pick(std::initializer_list<const char *> items)
    {
        return QByteArray(*(items.begin() + number(0, int(items.size()) - 1)));
    }

    QByteArray value()
    {
        QByteArray v;
        for (int i = number(0, 4); i > 0; --i)
            v += pick({"192.168.0.1", "102", "Y", "N", " ", "  ", "\t", "\n", "\r\n", "\r", "&amp;", "&lt;", "&gt;",
                       "&quot;", "&apos;", "&#x41;", "&#65;", "&#9;", "&#xa;", "&#xD;", "&#32;", "&#xA0;", "&#x1F600;",
                       "\xC3\xA9", "\xF0\x9F\x98\x80", "\xEF\xBB\xBF", "Flags (M) (Merker)", "x>y", "", "0x1F", "-5"});
        return v;
    }

    QByteArray attributes()
    {
        static const char *const names[] = {"Enable", "PLC_Address", "PLC_Port", "PLC_Type", "Rack", "Slot",
                                            "Data_Type", "Mnemonic", "Swap", "OnCMD", "extra", "b"};
        QByteArray out;
        std::vector<int> order(std::size(names));
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), m_random);
        for (int i = number(0, int(order.size())); i > 0; --i) {
            const QByteArray quote = chance(80) ? "\"" : "'";
            out += pick({" ", "  ", "\n", "\t", "\r\n"}) + QByteArray(names[order[std::size_t(i - 1)]])
                + pick({"=", " = ", "=\n"}) + quote + value().replace(quote, "") + quote;
        }
        return out;
    }

    QByteArray content(int depth)
    {
        QByteArray out;
        for (int i = number(0, 3); i > 0; --i) {
            switch (number(0, 7)) {
            case 0: out += value(); break;
            case 1: out += "<![CDATA[" + pick({" ", "\t \n", "", "x", "<&>", " a ", "\r\n"}) + "]]>"; break;
            case 2: out += "<!--" + pick({"c", " - ", ""}) + "-->"; break;
            case 3: out += "<?pi data?>"; break;
            case 4: out += pick({" ", "\n  ", "\r\n\t", "\t"}); break;
            default:
                if (depth < 18 && chance(depth < 3 ? 60 : 15))
                    out += element(pick({"S7_Protocol_IP1", "a", "row", "PROFINET_NB_IN", "_x.y-z"}), depth + 1, false);
                else
                    out += value();
            }
        }
        return out;
    }

    QByteArray element(const QByteArray &name, int depth, bool rows)
    {
        QByteArray out = "<" + name + attributes() + pick({"", " ", "\n"});
        if (rows) {
            out += ">";
            for (const char *section : {"S7_Protocol_Read", "S7_Protocol_Write"}) {
                const int count = chance(5) ? number(510, 520) : number(0, 4);
                out += QByteArray("<") + section + ">";
                for (int r = 0; r < count; ++r) {
                    out += "<row" + attributes() + (chance(80) ? QByteArray("/>") : ">" + content(3) + "</row>");
                    if (chance(10))
                        out += content(3);
                }
                out += QByteArray("</") + section + ">";
            }
            return out + "</" + name + ">";
        }
        if (chance(30))
            return out + "/>";
        return out + ">" + content(depth) + "</" + name + pick({">", " >", "\n>"});
    }

    std::mt19937 m_random;
};

// A byte changed, removed, doubled or inserted: mostly documents that are no longer well-formed.
QByteArray mutated(QByteArray bytes, std::mt19937 &random)
{
    if (bytes.isEmpty())
        return bytes;
    static const char inserts[] = {'<', '>', '&', '"', '\'', ']', '-', '?', '!', '/', '\x01', '\x80', '\xFF', ';', ' ', '=', 'x'};
    const auto at = qsizetype(std::uniform_int_distribution<qsizetype>(0, bytes.size() - 1)(random));
    switch (std::uniform_int_distribution<int>(0, 3)(random)) {
    case 0: bytes[at] = inserts[random() % sizeof inserts]; break;
    case 1: bytes.remove(at, 1); break;
    case 2: bytes.insert(at, bytes[at]); break;
    default: bytes.insert(at, inserts[random() % sizeof inserts]); break;
    }
    return bytes;
}

TEST(XmlReaderTest, ReadsTheCorpusAsTheDomDid)
{
    int files = 0;
    QDirIterator it(QStringLiteral(BRIVANT_FUZZ_CORPUS_DIR), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        expectSameReading(file.readAll(), file.fileName().toStdString());
        ++files;
    }
    EXPECT_GT(files, 20);
}

TEST(XmlReaderTest, ReadsGeneratedDocumentsAndTheirMutationsAsTheDomDid)
{
    DocumentMaker maker(20261211);
    std::mt19937 random(7);
    int compared = 0;
    int quick = 0;
    for (int i = 0; i < 1500; ++i) {
        const QByteArray doc = maker.make();
        if (expectSameReading(doc, "document " + std::to_string(i) + ":\n" + doc.left(2000).toStdString()))
            ++compared;
        quick += Read_Xml_Quick(doc) ? 1 : 0;
        for (int m = 0; m < 3; ++m) {
            const QByteArray bad = mutated(doc, random);
            expectSameReading(bad, "mutation of document " + std::to_string(i) + ":\n" + bad.left(2000).toStdString());
        }
        if (::testing::Test::HasFailure())
            break;
    }
    // The generator must reach both ways, or the comparison would prove little.
    EXPECT_GT(compared, 1000);
    EXPECT_GT(quick, 300);
}

TEST(XmlReaderTest, ReadsOtherEncodingsAsTheDomDid)
{
    const QString text = QStringLiteral("<Par_Gen><A>\u00e9\u20ac &#x41;</A><B c=\"\u00fc\"/></Par_Gen><!--c-->");
    QByteArray utf16 = "\xFF\xFE";
    utf16 += QStringEncoder(QStringConverter::Utf16LE).encode(text);
    QByteArray latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><R a=\"\xE9\">\xFC</R>";
    const QByteArray cases[] = {utf16,
                                latin1,
                                QByteArray("<R>\xC3\xA9</R>"),
                                QByteArray("<R>\xC3</R>"),           // cut UTF-8
                                QByteArray("<R>\xED\xA0\x80</R>"),   // an encoded surrogate
                                QByteArray("<R>\xC0\xAF</R>"),       // overlong
                                QByteArray("<R>\xEF\xBF\xBE</R>"),   // U+FFFE
                                QByteArray("<R a=\"\x01\"/>"),
                                QByteArray("<R>a\0b</R>", 10),
                                QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF<R/>")};
    for (const QByteArray &bytes : cases)
        expectSameReading(bytes, bytes.toHex().toStdString());
    EXPECT_EQ(Read_Xml(utf16, kWhat).root().firstChildElement(u"A").text(), QStringLiteral("\u00e9\u20ac A"));
}

TEST(XmlReaderTest, QuickWayTakesTheProgramsOwnFiles)
{
    const QByteArray s7 = "<S7_Protocol><S7_Protocol_Read><row Enable=\"Y\" Mnemonic=\"&lt;tank &amp; &quot;valve&quot;&gt;&#xa;\"/>"
                          "</S7_Protocol_Read><S7_Protocol_Write/></S7_Protocol><!--SW_VERSION = 1.002-->\n";
    const std::optional<XmlDocument> doc = Read_Xml_Quick(s7);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->root().firstChildElement(u"S7_Protocol_Read").firstChildElement().attribute(u"Mnemonic"),
              QStringLiteral("<tank & \"valve\">\n"));
    EXPECT_TRUE(Read_Xml_Quick("<Par_Gen><A><![CDATA[ ]]></A></Par_Gen><!--SW_VERSION = 1.002-->"));
}

// Each bound on its own, just past the limit and just within it.
TEST(XmlReaderTest, RefusesWhatLiesBeyondTheBoundsAndNothingWithin)
{
    const auto nested = [](int depth) {
        return QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth);
    };
    const auto attributes = [](int count) {
        QByteArray out = "<a";
        for (int i = 0; i < count; ++i)
            out += " n" + QByteArray::number(i) + "='1'";
        return out + "/>";
    };
    struct Case
    {
        const char *label;
        QByteArray bytes;
        const char *refusal; // nullptr: read
    };
    const Case cases[] = {
        {"16 levels", nested(kMaxXmlDepth), nullptr},
        {"17 levels", nested(kMaxXmlDepth + 1), "its elements nest deeper than 16 levels (line 1, column 51)"},
        {"256 attributes", attributes(kMaxXmlAttributes), nullptr},
        {"257 attributes", attributes(kMaxXmlAttributes + 1), "an element has more than 256 attributes"},
        {"257 attributes in UTF-16", QByteArray("\xFF\xFE") + QStringEncoder(QStringConverter::Utf16LE).encode(QString::fromLatin1(attributes(kMaxXmlAttributes + 1))),
         "an element has more than 256 attributes"},
        {"4 MiB", "<a>" + QByteArray(kMaxXmlFileSize - 7, 'x') + "</a>", nullptr},
        {"4 MiB and one byte", "<a>" + QByteArray(kMaxXmlFileSize - 6, 'x') + "</a>",
         "test.xml is too large: 4194305 bytes, while the program reads XML files of at most 4 MiB (4194304 bytes)"},
        {"DOCTYPE", "<!DOCTYPE a><a/>", "it holds a document type declaration (DOCTYPE)"},
        {"DOCTYPE after a comment", "<!-- x --><!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>", "document type declaration"},
        {"DOCTYPE in a comment", "<!-- <!DOCTYPE a> --><a/>", nullptr},
        {"DOCTYPE in a CDATA section", "<a><![CDATA[<!DOCTYPE a>]]></a>", nullptr},
    };
    for (const Case &c : cases) {
        try {
            const XmlDocument doc = Read_Xml(c.bytes, kWhat);
            EXPECT_EQ(c.refusal, nullptr) << c.label;
            EXPECT_EQ(doc.root().tagName(), QStringLiteral("a")) << c.label;
        } catch (const XmlLimitError &e) {
            ASSERT_NE(c.refusal, nullptr) << c.label << ": " << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(QString::fromLatin1(c.refusal))) << c.label << ": " << e.text().toStdString();
        }
    }
}

} // namespace
