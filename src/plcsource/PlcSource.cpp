#include "plcsource/PlcSource.h"

#include "common/SafeFile.h"
#include "texts/LanguageFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

PlcSourceError::PlcSourceError(const QString &file, int line, const QString &reason)
    : BrivantError(QStringLiteral("%1:%2: %3").arg(QDir::toNativeSeparators(file)).arg(line).arg(reason)),
      m_file(file), m_line(line), m_reason(reason)
{
}

QString Decode_Plc_Source(const QByteArray &bytes)
{
    return Decode_Language_Bytes(bytes);
}

namespace {

struct Token
{
    enum class Kind { Ident, Quoted, String, Number, Symbol, End };
    Kind kind = Kind::End;
    QString text;
    int line = 0;
};

bool isIdentStart(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_'; }
bool isIdentChar(QChar c) { return isIdentStart(c) || (c >= u'0' && c <= u'9'); }
bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

class Lexer
{
public:
    Lexer(const QString &text, const QString &file) : m_s(text), m_file(file) {}

    std::vector<Token> run()
    {
        std::vector<Token> out;
        const qsizetype n = m_s.size();
        while (true) {
            skipBlanks();
            if (m_i >= n)
                break;
            const QChar c = m_s[m_i];
            Token t;
            t.line = m_line;
            if (isIdentStart(c)) {
                const qsizetype b = m_i;
                while (m_i < n && isIdentChar(m_s[m_i]))
                    ++m_i;
                // Typed constants of start values and code: T#5S, DT#2020-1-1-0:0:0, P#DBX0.0.
                if (m_i < n && m_s[m_i] == u'#') {
                    while (m_i < n && (isIdentChar(m_s[m_i]) || QStringView(u"#.:-+").contains(m_s[m_i])))
                        ++m_i;
                }
                t.kind = Token::Kind::Ident;
                t.text = m_s.mid(b, m_i - b);
                out.push_back(t);
                // The title runs to the end of its line, whatever it holds.
                if (t.text.compare(QLatin1String("TITLE"), Qt::CaseInsensitive) == 0) {
                    qsizetype j = m_i;
                    while (j < n && (m_s[j] == u' ' || m_s[j] == u'\t'))
                        ++j;
                    if (j < n && m_s[j] == u'=') {
                        Token eq{Token::Kind::Symbol, QStringLiteral("="), m_line};
                        out.push_back(eq);
                        m_i = j + 1;
                        const qsizetype e = m_s.indexOf(u'\n', m_i);
                        const qsizetype end = e < 0 ? n : e;
                        out.push_back(Token{Token::Kind::String, m_s.mid(m_i, end - m_i).trimmed(), m_line});
                        m_i = end;
                    }
                }
                continue;
            }
            if (isDigit(c)) {
                const qsizetype b = m_i;
                while (m_i < n && isDigit(m_s[m_i]))
                    ++m_i;
                if (m_i < n && m_s[m_i] == u'#') { // 16#0F, 2#1010
                    ++m_i;
                    while (m_i < n && (isIdentChar(m_s[m_i])))
                        ++m_i;
                } else if (m_i + 1 < n && m_s[m_i] == u'.' && isDigit(m_s[m_i + 1])) {
                    ++m_i;
                    while (m_i < n && isDigit(m_s[m_i]))
                        ++m_i;
                    if (m_i < n && (m_s[m_i] == u'e' || m_s[m_i] == u'E')) {
                        ++m_i;
                        if (m_i < n && (m_s[m_i] == u'+' || m_s[m_i] == u'-'))
                            ++m_i;
                        while (m_i < n && isDigit(m_s[m_i]))
                            ++m_i;
                    }
                }
                t.kind = Token::Kind::Number;
                t.text = m_s.mid(b, m_i - b);
                out.push_back(t);
                continue;
            }
            if (c == u'"' || c == u'\'') {
                const qsizetype b = ++m_i;
                while (m_i < n && m_s[m_i] != c) {
                    if (m_s[m_i] == u'\n')
                        fail(c == u'"' ? QStringLiteral("a quoted name does not end on its line")
                                       : QStringLiteral("a text in quotes does not end on its line"));
                    if (c == u'\'' && m_s[m_i] == u'$' && m_i + 1 < n && m_s[m_i + 1] != u'\n')
                        ++m_i;
                    ++m_i;
                }
                if (m_i >= n)
                    fail(QStringLiteral("a quoted text does not end"));
                t.kind = c == u'"' ? Token::Kind::Quoted : Token::Kind::String;
                t.text = m_s.mid(b, m_i - b);
                ++m_i;
                out.push_back(t);
                continue;
            }
            t.kind = Token::Kind::Symbol;
            if (m_s.mid(m_i, 2) == QLatin1String(":=") || m_s.mid(m_i, 2) == QLatin1String("..")) {
                t.text = m_s.mid(m_i, 2);
                m_i += 2;
            } else {
                t.text = QString(c);
                ++m_i;
            }
            out.push_back(t);
        }
        out.push_back(Token{Token::Kind::End, QString(), m_line});
        return out;
    }

private:
    [[noreturn]] void fail(const QString &why) const { throw PlcSourceError(m_file, m_line, why); }

    void skipBlanks()
    {
        const qsizetype n = m_s.size();
        while (m_i < n) {
            const QChar c = m_s[m_i];
            if (c == u'\n') {
                ++m_line;
                ++m_i;
            } else if (c.unicode() <= 32 || c == QChar(0xFEFF)) {
                ++m_i;
            } else if (c == u'/' && m_i + 1 < n && m_s[m_i + 1] == u'/') {
                while (m_i < n && m_s[m_i] != u'\n')
                    ++m_i;
            } else if (c == u'(' && m_i + 1 < n && m_s[m_i + 1] == u'*') {
                const int startLine = m_line;
                m_i += 2;
                while (m_i < n && !(m_s[m_i] == u'*' && m_i + 1 < n && m_s[m_i + 1] == u')')) {
                    if (m_s[m_i] == u'\n')
                        ++m_line;
                    ++m_i;
                }
                if (m_i >= n)
                    throw PlcSourceError(m_file, startLine, QStringLiteral("a comment (* does not end"));
                m_i += 2;
            } else {
                break;
            }
        }
    }

    const QString &m_s;
    const QString &m_file;
    qsizetype m_i = 0;
    int m_line = 1;
};

bool is(const Token &t, const char *word)
{
    return t.kind == Token::Kind::Ident && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}
bool isSym(const Token &t, const char *sym)
{
    return t.kind == Token::Kind::Symbol && t.text == QLatin1String(sym);
}

// "DB100" / "UDT5" / "FB10" as one word.
std::optional<int> numberedWord(const Token &t, const char *prefix)
{
    if (t.kind != Token::Kind::Ident)
        return std::nullopt;
    const QString p = QString::fromLatin1(prefix);
    if (!t.text.startsWith(p, Qt::CaseInsensitive) || t.text.size() == p.size())
        return std::nullopt;
    bool ok = false;
    const QStringView digits = QStringView(t.text).sliced(p.size());
    for (const QChar c : digits)
        if (!isDigit(c))
            return std::nullopt;
    const int v = digits.toInt(&ok);
    if (!ok || v > 65535)
        return std::nullopt;
    return v;
}

struct ElementaryName
{
    const char *name;
    PlcElementary type;
};
constexpr ElementaryName kElementary[] = {
    {"BOOL", PlcElementary::Bool},     {"BYTE", PlcElementary::Byte},
    {"CHAR", PlcElementary::Char},     {"WORD", PlcElementary::Word},
    {"INT", PlcElementary::Int},       {"DWORD", PlcElementary::DWord},
    {"DINT", PlcElementary::DInt},     {"REAL", PlcElementary::Real},
    {"SINT", PlcElementary::SInt},     {"USINT", PlcElementary::USInt},
    {"UINT", PlcElementary::UInt},     {"UDINT", PlcElementary::UDInt},
    {"TIME", PlcElementary::Time},     {"DATE", PlcElementary::Date},
    {"TIME_OF_DAY", PlcElementary::TimeOfDay}, {"TOD", PlcElementary::TimeOfDay},
    {"S5TIME", PlcElementary::S5Time}, {"DATE_AND_TIME", PlcElementary::DateAndTime},
    {"DT", PlcElementary::DateAndTime},
};

class Parser
{
public:
    Parser(std::vector<Token> tokens, const QString &file, PlcSourceSet &set)
        : m_t(std::move(tokens)), m_file(file), m_set(set)
    {
    }

    void run()
    {
        while (cur().kind != Token::Kind::End) {
            if (is(cur(), "DATA_BLOCK"))
                dataBlock();
            else if (is(cur(), "TYPE"))
                udt();
            else if (is(cur(), "FUNCTION_BLOCK"))
                skipBlock("END_FUNCTION_BLOCK", true);
            else if (is(cur(), "FUNCTION"))
                skipBlock("END_FUNCTION", false);
            else if (is(cur(), "ORGANIZATION_BLOCK"))
                skipBlock("END_ORGANIZATION_BLOCK", false);
            else
                fail(QStringLiteral("expected DATA_BLOCK, TYPE, FUNCTION_BLOCK, FUNCTION or ORGANIZATION_BLOCK, found %1").arg(shown(cur())));
        }
    }

private:
    const Token &cur() const { return m_t[m_p]; }
    const Token &next() const { return m_t[std::min(m_p + 1, m_t.size() - 1)]; }
    void advance()
    {
        if (m_p + 1 < m_t.size())
            ++m_p;
    }
    [[noreturn]] void fail(const QString &why) const { failAt(cur().line, why); }
    [[noreturn]] void failAt(int line, const QString &why) const { throw PlcSourceError(m_file, line, why); }

    static QString shown(const Token &t)
    {
        switch (t.kind) {
        case Token::Kind::End: return QStringLiteral("the end of the file");
        case Token::Kind::Quoted: return QStringLiteral("\"%1\"").arg(t.text);
        case Token::Kind::String: return QStringLiteral("'%1'").arg(t.text);
        default: return QStringLiteral("'%1'").arg(t.text.left(40));
        }
    }

    void expectSym(const char *sym)
    {
        if (!isSym(cur(), sym))
            fail(QStringLiteral("expected '%1', found %2").arg(QLatin1String(sym), shown(cur())));
        advance();
    }
    void expectWord(const char *word)
    {
        if (!is(cur(), word))
            fail(QStringLiteral("expected %1, found %2").arg(QLatin1String(word), shown(cur())));
        advance();
    }

    int integer(bool allowSign)
    {
        bool negative = false;
        if (allowSign && (isSym(cur(), "-") || isSym(cur(), "+"))) {
            negative = isSym(cur(), "-");
            advance();
        }
        if (cur().kind != Token::Kind::Number)
            fail(QStringLiteral("expected a number, found %1").arg(shown(cur())));
        bool ok = false;
        const int v = cur().text.toInt(&ok);
        if (!ok || v > 1000000000)
            fail(QStringLiteral("the number %1 cannot be used here").arg(cur().text));
        advance();
        return negative ? -v : v;
    }

    // { name := 'value'; ... }: block or member attributes. Returns whether the block has
    // optimized access.
    bool attributes()
    {
        bool optimized = false;
        expectSym("{");
        while (!isSym(cur(), "}")) {
            if (cur().kind == Token::Kind::End)
                fail(QStringLiteral("an attribute list { does not end"));
            if (is(cur(), "S7_Optimized_Access") && isSym(next(), ":=")) {
                advance();
                advance();
                if (cur().kind == Token::Kind::String && cur().text.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0)
                    optimized = true;
            }
            advance();
        }
        advance();
        return optimized;
    }

    // The header lines of a block or type, up to its declaration.
    bool headers()
    {
        bool optimized = false;
        while (true) {
            const Token &t = cur();
            if (isSym(t, "{")) {
                optimized = attributes() || optimized;
            } else if (is(t, "TITLE") && isSym(next(), "=")) {
                advance();
                advance();
                if (cur().kind == Token::Kind::String)
                    advance();
            } else if ((is(t, "VERSION") || is(t, "AUTHOR") || is(t, "FAMILY") || is(t, "NAME")) && isSym(next(), ":")) {
                advance();
                advance();
                if (cur().kind != Token::Kind::End && !isSym(cur(), ";"))
                    advance();
                while (isSym(cur(), "."))
                    advance(), advance();
            } else if (is(t, "KNOW_HOW_PROTECT") || is(t, "NON_RETAIN") || is(t, "RETAIN") || is(t, "READ_ONLY")
                       || is(t, "UNLINKED") || is(t, "CODE_VERSION1") || is(t, "STANDARD")) {
                advance();
            } else {
                return optimized;
            }
        }
    }

    void dataBlock()
    {
        const int line = cur().line;
        advance();
        PlcBlockDecl block;
        block.file = m_file;
        block.line = line;
        if (const auto n = numberedWord(cur(), "DB")) {
            block.number = *n;
            advance();
        } else if (is(cur(), "DB")) {
            advance();
            block.number = integer(false);
            if (block.number > 65535)
                fail(QStringLiteral("DB %1 is beyond DB 65535").arg(block.number));
        } else if (cur().kind == Token::Kind::Quoted) {
            block.name = cur().text;
            advance();
        } else {
            fail(QStringLiteral("expected the data block's name, found %1").arg(shown(cur())));
        }
        const QString shownName = block.number >= 0 ? QStringLiteral("DB%1").arg(block.number)
                                                    : QStringLiteral("\"%1\"").arg(block.name);
        if (headers())
            failAt(line, QStringLiteral("%1 has optimized access and so no absolute addresses: switch off "
                                        "\"Optimized block access\" in its properties and export it again")
                             .arg(shownName));
        const Token &t = cur();
        if (is(t, "STRUCT")) {
            block.type = structType(0);
            if (isSym(cur(), ";"))
                advance();
        } else if (is(t, "VAR")) {
            auto node = std::make_shared<PlcTypeNode>();
            node->kind = PlcTypeNode::Kind::Struct;
            node->file = m_file;
            node->line = t.line;
            while (is(cur(), "VAR")) {
                advance();
                while (is(cur(), "RETAIN") || is(cur(), "NON_RETAIN") || is(cur(), "CONSTANT"))
                    advance();
                members(*node, "END_VAR", 1);
                advance();
                if (isSym(cur(), ";"))
                    advance();
            }
            block.type = node;
        } else if (numberedWord(t, "FB") || numberedWord(t, "SFB") || is(t, "FB") || is(t, "SFB")) {
            failAt(t.line, QStringLiteral("%1 is an instance DB of a function block: only global data blocks can be imported").arg(shownName));
        } else if (numberedWord(t, "UDT") || is(t, "UDT") || t.kind == Token::Kind::Quoted) {
            block.type = udtRef();
        } else {
            fail(QStringLiteral("expected STRUCT, VAR or the block's type, found %1").arg(shown(cur())));
        }
        if (!is(cur(), "BEGIN"))
            fail(QStringLiteral("expected BEGIN, found %1").arg(shown(cur())));
        // Start values: not part of the layout.
        while (!is(cur(), "END_DATA_BLOCK")) {
            if (cur().kind == Token::Kind::End)
                failAt(line, QStringLiteral("%1 has no END_DATA_BLOCK").arg(shownName));
            advance();
        }
        advance();
        m_set.blocks.push_back(std::move(block));
    }

    void udt()
    {
        const int line = cur().line;
        advance();
        PlcUdtDecl decl;
        decl.file = m_file;
        decl.line = line;
        if (const auto n = numberedWord(cur(), "UDT")) {
            decl.number = *n;
            advance();
        } else if (is(cur(), "UDT")) {
            advance();
            decl.number = integer(false);
        } else if (cur().kind == Token::Kind::Quoted) {
            decl.name = cur().text;
            advance();
        } else {
            fail(QStringLiteral("expected the type's name, found %1").arg(shown(cur())));
        }
        headers();
        if (!is(cur(), "STRUCT"))
            fail(QStringLiteral("expected STRUCT, found %1").arg(shown(cur())));
        decl.type = structType(0);
        if (isSym(cur(), ";"))
            advance();
        expectWord("END_TYPE");
        m_set.udts.push_back(std::move(decl));
    }

    void skipBlock(const char *endWord, bool functionBlock)
    {
        const int line = cur().line;
        advance();
        if (functionBlock) {
            if (const auto n = numberedWord(cur(), "FB"))
                m_set.functionBlocks.append(QStringLiteral("fb%1").arg(*n));
            else if (is(cur(), "FB") && next().kind == Token::Kind::Number)
                m_set.functionBlocks.append(QStringLiteral("fb%1").arg(next().text.toInt()));
            else if (cur().kind == Token::Kind::Quoted)
                m_set.functionBlocks.append(cur().text.toLower());
        }
        while (!is(cur(), endWord)) {
            if (cur().kind == Token::Kind::End)
                failAt(line, QStringLiteral("the block has no %1").arg(QLatin1String(endWord)));
            advance();
        }
        advance();
    }

    std::shared_ptr<const PlcTypeNode> udtRef()
    {
        auto node = std::make_shared<PlcTypeNode>();
        node->kind = PlcTypeNode::Kind::UdtRef;
        node->file = m_file;
        node->line = cur().line;
        if (const auto n = numberedWord(cur(), "UDT")) {
            node->udtNumber = *n;
            advance();
        } else if (is(cur(), "UDT")) {
            advance();
            node->udtNumber = integer(false);
        } else {
            node->udtName = cur().text;
            advance();
        }
        return node;
    }

    // STRUCT at cur(), members, END_STRUCT (the ';' after it is left to the caller).
    std::shared_ptr<const PlcTypeNode> structType(int depth)
    {
        auto node = std::make_shared<PlcTypeNode>();
        node->kind = PlcTypeNode::Kind::Struct;
        node->file = m_file;
        node->line = cur().line;
        advance();
        members(*node, "END_STRUCT", depth + 1);
        advance();
        return node;
    }

    // Declarations up to `endWord` (left at cur()).
    void members(PlcTypeNode &node, const char *endWord, int depth)
    {
        if (depth > kMaxPlcNesting)
            fail(QStringLiteral("structures are nested deeper than %1 levels").arg(kMaxPlcNesting));
        while (!is(cur(), endWord)) {
            PlcMemberDecl m;
            m.line = cur().line;
            if (cur().kind == Token::Kind::Ident || cur().kind == Token::Kind::Quoted)
                m.name = cur().text;
            else
                fail(QStringLiteral("expected a member name or %1, found %2").arg(QLatin1String(endWord), shown(cur())));
            if (is(cur(), "BEGIN") || is(cur(), "END_DATA_BLOCK") || is(cur(), "END_TYPE"))
                fail(QStringLiteral("expected %1, found %2").arg(QLatin1String(endWord), shown(cur())));
            advance();
            if (isSym(cur(), "{"))
                attributes();
            expectSym(":");
            m.type = type(depth);
            if (isSym(cur(), ":="))
                skipStartValue();
            if (isSym(cur(), ";"))
                advance();
            else if (!(m.type->kind == PlcTypeNode::Kind::Struct && is(cur(), endWord)))
                fail(QStringLiteral("expected ';' after the member %1, found %2").arg(m.name, shown(cur())));
            node.members.push_back(std::move(m));
        }
    }

    void skipStartValue()
    {
        advance();
        int depth = 0;
        while (true) {
            const Token &t = cur();
            if (t.kind == Token::Kind::End)
                fail(QStringLiteral("a start value does not end"));
            if (depth == 0 && isSym(t, ";"))
                return;
            if (isSym(t, "[") || isSym(t, "("))
                ++depth;
            else if (isSym(t, "]") || isSym(t, ")"))
                --depth;
            if (depth < 0)
                fail(QStringLiteral("unexpected %1 in a start value").arg(shown(t)));
            advance();
        }
    }

    std::shared_ptr<const PlcTypeNode> type(int depth)
    {
        if (depth > kMaxPlcNesting)
            fail(QStringLiteral("types are nested deeper than %1 levels").arg(kMaxPlcNesting));
        const Token t = cur();
        auto node = std::make_shared<PlcTypeNode>();
        node->file = m_file;
        node->line = t.line;
        if (is(t, "STRUCT"))
            return structType(depth);
        if (t.kind == Token::Kind::Quoted || numberedWord(t, "UDT") || is(t, "UDT"))
            return udtRef();
        if (is(t, "ARRAY")) {
            advance();
            expectSym("[");
            while (true) {
                const int lo = integer(true);
                expectSym("..");
                const int hi = integer(true);
                if (hi < lo)
                    failAt(t.line, QStringLiteral("the array bounds %1..%2 are reversed").arg(lo).arg(hi));
                node->dims.emplace_back(lo, hi);
                if (node->dims.size() > 6)
                    failAt(t.line, QStringLiteral("an array has more than 6 dimensions"));
                if (isSym(cur(), ","))
                    advance();
                else
                    break;
            }
            expectSym("]");
            expectWord("OF");
            node->kind = PlcTypeNode::Kind::Array;
            node->element = type(depth + 1);
            if (node->element->kind == PlcTypeNode::Kind::Array)
                failAt(t.line, QStringLiteral("the layout of an ARRAY OF ARRAY is not certain; declare one "
                                              "multi-dimensional ARRAY instead"));
            return node;
        }
        if (t.kind != Token::Kind::Ident)
            fail(QStringLiteral("expected a type, found %1").arg(shown(t)));
        if (is(t, "STRING")) {
            advance();
            node->elementary = PlcElementary::String;
            node->stringLength = 254;
            if (isSym(cur(), "[")) {
                advance();
                node->stringLength = integer(false);
                if (node->stringLength > 254)
                    failAt(t.line, QStringLiteral("STRING[%1] is longer than STRING[254]").arg(node->stringLength));
                expectSym("]");
            }
            return node;
        }
        for (const auto &e : kElementary) {
            if (is(t, e.name)) {
                advance();
                node->elementary = e.type;
                return node;
            }
        }
        failAt(t.line, QStringLiteral("the type %1 has no standard layout that can be stated with certainty; "
                                      "it cannot be imported")
                           .arg(t.text.toUpper()));
    }

    std::vector<Token> m_t;
    std::size_t m_p = 0;
    const QString &m_file;
    PlcSourceSet &m_set;
};

// ---- layout --------------------------------------------------------------------------------

qint64 elementarySize(const PlcTypeNode &n) // bytes; 0 for BOOL
{
    switch (n.elementary) {
    case PlcElementary::Bool: return 0;
    case PlcElementary::Byte: case PlcElementary::Char: case PlcElementary::SInt: case PlcElementary::USInt:
        return 1;
    case PlcElementary::Word: case PlcElementary::Int: case PlcElementary::UInt: case PlcElementary::Date:
    case PlcElementary::S5Time:
        return 2;
    case PlcElementary::DWord: case PlcElementary::DInt: case PlcElementary::UDInt: case PlcElementary::Real:
    case PlcElementary::Time: case PlcElementary::TimeOfDay:
        return 4;
    case PlcElementary::DateAndTime: return 8;
    case PlcElementary::String: return n.stringLength + 2;
    }
    return 0;
}

qint64 roundEven(qint64 bytes) { return (bytes + 1) & ~qint64(1); }

class Layouter
{
public:
    explicit Layouter(const PlcSourceSet &set) : m_set(set) {}

    std::vector<PlcBlockLayout> run()
    {
        std::vector<PlcBlockLayout> out;
        for (const PlcBlockDecl &b : m_set.blocks) {
            PlcBlockLayout block;
            block.name = b.number >= 0 ? QStringLiteral("DB%1").arg(b.number) : b.name;
            block.number = b.number;
            block.file = b.file;
            block.line = b.line;
            const PlcTypeNode &type = resolve(*b.type, 0);
            const qint64 size = sizeOf(type, 0);
            if (size > kMaxPlcBlockBytes)
                throw PlcSourceError(b.file, b.line, QStringLiteral("%1 takes %2 bytes, more than a data block holds (%3)")
                                                          .arg(block.name).arg(size).arg(kMaxPlcBlockBytes));
            block.length = int(size);
            m_out = &block.members;
            qint64 bit = 0;
            layMembers(type, bit, QString(), 0);
            out.push_back(std::move(block));
        }
        return out;
    }

private:
    // The UDT a reference names, or the node itself.
    const PlcTypeNode &resolve(const PlcTypeNode &n, int depth) const
    {
        if (n.kind != PlcTypeNode::Kind::UdtRef)
            return n;
        if (depth > kMaxPlcNesting)
            throw PlcSourceError(n.file, n.line, QStringLiteral("UDTs are nested deeper than %1 levels (or contain themselves)").arg(kMaxPlcNesting));
        for (const PlcUdtDecl &u : m_set.udts) {
            const bool match = n.udtNumber >= 0 ? u.number == n.udtNumber
                                                : (!u.name.isEmpty() && u.name.compare(n.udtName, Qt::CaseInsensitive) == 0);
            if (match)
                return *u.type;
        }
        const QString shown = n.udtNumber >= 0 ? QStringLiteral("UDT %1").arg(n.udtNumber) : QStringLiteral("\"%1\"").arg(n.udtName);
        if (n.udtNumber < 0 && m_set.functionBlocks.contains(n.udtName.toLower()))
            throw PlcSourceError(n.file, n.line, QStringLiteral("the block is an instance DB of the function block %1: only global data blocks can be imported").arg(shown));
        throw PlcSourceError(n.file, n.line, QStringLiteral("unknown UDT %1: give the file that defines it too").arg(shown));
    }

    // Bytes a non-BOOL member takes: elementary size; structures and arrays rounded up to even.
    qint64 sizeOf(const PlcTypeNode &raw, int depth)
    {
        if (depth > kMaxPlcNesting)
            throw PlcSourceError(raw.file, raw.line, QStringLiteral("types are nested deeper than %1 levels (or a UDT contains itself)").arg(kMaxPlcNesting));
        const PlcTypeNode &n = resolve(raw, depth);
        if (const auto it = m_sizes.constFind(&n); it != m_sizes.constEnd())
            return *it;
        qint64 size = 0;
        switch (n.kind) {
        case PlcTypeNode::Kind::Elementary:
            size = elementarySize(n);
            break;
        case PlcTypeNode::Kind::Struct: {
            qint64 bit = 0;
            for (const PlcMemberDecl &m : n.members) {
                bit = startBit(*m.type, bit, depth + 1) + sizeBits(*m.type, depth + 1);
                if (bit > kMaxPlcBlockBytes * 8 * 2)
                    break;
            }
            size = roundEven((bit + 7) / 8);
            break;
        }
        case PlcTypeNode::Kind::Array: {
            const PlcTypeNode &e = resolve(*n.element, depth + 1);
            qint64 rows = 1;
            for (std::size_t i = 0; i + 1 < n.dims.size(); ++i)
                rows = std::min<qint64>(rows * (qint64(n.dims[i].second) - n.dims[i].first + 1), kMaxPlcBlockBytes * 16);
            const qint64 last = qint64(n.dims.back().second) - n.dims.back().first + 1;
            if (e.kind == PlcTypeNode::Kind::Elementary && e.elementary == PlcElementary::Bool)
                size = roundEven(rows * ((last + 7) / 8));
            else
                size = roundEven(std::min<qint64>(rows * last, kMaxPlcBlockBytes * 16) * sizeOf(e, depth + 1));
            break;
        }
        case PlcTypeNode::Kind::UdtRef:
            break;
        }
        size = std::min(size, kMaxPlcBlockBytes * 16);
        m_sizes.insert(&n, size);
        return size;
    }

    static bool isBool(const PlcTypeNode &n)
    {
        return n.kind == PlcTypeNode::Kind::Elementary && n.elementary == PlcElementary::Bool;
    }
    static bool isByteSized(const PlcTypeNode &n)
    {
        return n.kind == PlcTypeNode::Kind::Elementary && elementarySize(n) == 1;
    }

    // Where a member of this type starts when the next free bit is `bit`.
    qint64 startBit(const PlcTypeNode &raw, qint64 bit, int depth)
    {
        const PlcTypeNode &n = resolve(raw, depth);
        if (isBool(n))
            return bit;
        const qint64 byte = (bit + 7) / 8;
        return (isByteSized(n) ? byte : roundEven(byte)) * 8;
    }
    qint64 sizeBits(const PlcTypeNode &raw, int depth)
    {
        const PlcTypeNode &n = resolve(raw, depth);
        return isBool(n) ? 1 : sizeOf(n, depth) * 8;
    }

    void addMember(const PlcTypeNode &n, qint64 bit, const QString &path, int line)
    {
        if (++m_count > kMaxPlcMembers)
            throw PlcSourceError(n.file, line, QStringLiteral("the blocks hold more than %1 members").arg(kMaxPlcMembers));
        PlcMemberLayout m;
        m.path = path;
        m.type = n.elementary;
        m.stringLength = n.stringLength;
        m.byte = int(bit / 8);
        m.bit = int(bit % 8);
        m.bits = isBool(n) ? 1 : int(elementarySize(n) * 8);
        m.line = line;
        m_out->push_back(std::move(m));
    }

    void layMembers(const PlcTypeNode &structNode, qint64 &bit, const QString &prefix, int depth)
    {
        for (const PlcMemberDecl &m : structNode.members) {
            const QString path = prefix.isEmpty() ? m.name : prefix + u'.' + m.name;
            const qint64 start = startBit(*m.type, bit, depth + 1);
            place(*m.type, start, path, m.line, depth + 1);
            bit = start + sizeBits(*m.type, depth + 1);
        }
    }

    // Emits the elementary members of a member of type `raw` that starts at `start`.
    void place(const PlcTypeNode &raw, qint64 start, const QString &path, int line, int depth)
    {
        const PlcTypeNode &n = resolve(raw, depth);
        switch (n.kind) {
        case PlcTypeNode::Kind::Elementary:
            addMember(n, start, path, line);
            break;
        case PlcTypeNode::Kind::Struct: {
            qint64 bit = start;
            layMembers(n, bit, path, depth);
            break;
        }
        case PlcTypeNode::Kind::Array: {
            const PlcTypeNode &e = resolve(*n.element, depth + 1);
            const std::size_t dims = n.dims.size();
            const qint64 last = qint64(n.dims.back().second) - n.dims.back().first + 1;
            const qint64 rowBytes = (last + 7) / 8;
            const qint64 stride = isBool(e) ? 0 : sizeOf(e, depth + 1) * 8;
            qint64 total = 1;
            for (const auto &d : n.dims)
                total *= qint64(d.second) - d.first + 1;
            for (qint64 ordinal = 0; ordinal < total; ++ordinal) {
                // Row-major: the last index runs fastest.
                QStringList indices;
                qint64 rest = ordinal;
                for (std::size_t i = dims; i-- > 0;) {
                    const qint64 len = qint64(n.dims[i].second) - n.dims[i].first + 1;
                    indices.prepend(QString::number(n.dims[i].first + rest % len));
                    rest /= len;
                }
                const QString p = path + u'[' + indices.join(u',') + u']';
                const qint64 row = ordinal / last;
                const qint64 col = ordinal % last;
                // A BOOL array starts each row of its last dimension on a new byte.
                const qint64 bit = isBool(e) ? start + row * rowBytes * 8 + col : start + ordinal * stride;
                place(e, bit, p, line, depth + 1);
            }
            break;
        }
        case PlcTypeNode::Kind::UdtRef:
            break;
        }
    }

    const PlcSourceSet &m_set;
    QHash<const PlcTypeNode *, qint64> m_sizes;
    std::vector<PlcMemberLayout> *m_out = nullptr;
    qint64 m_count = 0;
};

} // namespace

void Parse_Plc_Source(const QString &text, const QString &file, PlcSourceSet &set)
{
    Lexer lexer(text, file);
    Parser parser(lexer.run(), file, set);
    parser.run();
}

std::vector<PlcBlockLayout> Plc_Layout(const PlcSourceSet &set)
{
    Layouter layouter(set);
    return layouter.run();
}

std::vector<PlcBlockLayout> Load_Plc_Sources(const QStringList &files)
{
    if (files.size() > kMaxPlcSourceFiles)
        throw FileError(QStringLiteral("More than %1 source files").arg(kMaxPlcSourceFiles));
    PlcSourceSet set;
    for (const QString &file : files) {
        const QFileInfo info(file);
        if (info.exists() && !info.isFile())
            throw FileError(QStringLiteral("Cannot read %1: not a file").arg(QDir::toNativeSeparators(file)));
        if (info.size() > kMaxPlcSourceFileSize)
            throw FileError(QStringLiteral("Cannot read %1: larger than %2 bytes")
                                .arg(QDir::toNativeSeparators(file))
                                .arg(kMaxPlcSourceFileSize));
        const QByteArray bytes = Read_Whole_File(file);
        if (bytes.size() > kMaxPlcSourceFileSize)
            throw FileError(QStringLiteral("Cannot read %1: larger than %2 bytes")
                                .arg(QDir::toNativeSeparators(file))
                                .arg(kMaxPlcSourceFileSize));
        Parse_Plc_Source(Decode_Plc_Source(bytes), file, set);
    }
    return Plc_Layout(set);
}

QString PlcMemberLayout::typeName() const
{
    if (type == PlcElementary::String)
        return QStringLiteral("STRING[%1]").arg(stringLength);
    // The long names come first in the table (TIME_OF_DAY before TOD).
    for (const auto &e : kElementary)
        if (e.type == type)
            return QString::fromLatin1(e.name);
    return QString();
}

QString Plc_Member_Address(const PlcBlockLayout &block, const PlcMemberLayout &member)
{
    const QString db = block.number >= 0 ? QStringLiteral("DB%1").arg(block.number) : QStringLiteral("\"%1\"").arg(block.name);
    if (member.type == PlcElementary::Bool)
        return QStringLiteral("%1.DBX%2.%3").arg(db).arg(member.byte).arg(member.bit);
    const QChar size = member.bits == 16 ? u'W' : member.bits == 32 ? u'D' : u'B';
    return QStringLiteral("%1.DB%2%3").arg(db).arg(size).arg(member.byte);
}

namespace {

QString jsonString(const QString &text)
{
    const QByteArray quoted = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(quoted.mid(1, quoted.size() - 2));
}

} // namespace

QByteArray Plc_Layout_Json(const std::vector<PlcBlockLayout> &blocks)
{
    // Written by hand to keep the keys in reading order.
    QString out = QStringLiteral("[");
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const PlcBlockLayout &b = blocks[i];
        out += i ? QStringLiteral(",\n  {") : QStringLiteral("\n  {");
        out += QStringLiteral("\"block\": %1, \"db\": %2, \"length\": %3, \"members\": [")
                   .arg(jsonString(b.name), b.number >= 0 ? QString::number(b.number) : QStringLiteral("null"))
                   .arg(b.length);
        for (std::size_t j = 0; j < b.members.size(); ++j) {
            const PlcMemberLayout &m = b.members[j];
            out += j ? QStringLiteral(",\n    ") : QStringLiteral("\n    ");
            out += QStringLiteral("{\"path\": %1, \"type\": %2, \"byte\": %3, \"bit\": %4, \"bits\": %5}")
                       .arg(jsonString(m.path), jsonString(m.typeName()))
                       .arg(m.byte)
                       .arg(m.bit)
                       .arg(m.bits);
        }
        out += b.members.empty() ? QStringLiteral("]}") : QStringLiteral("\n  ]}");
    }
    out += blocks.empty() ? QStringLiteral("]\n") : QStringLiteral("\n]\n");
    return out.toUtf8();
}
