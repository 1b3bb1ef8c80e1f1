#include "report/CommissioningReport.h"

#include "app/ConfigWorkspace.h"
#include "app/ProductIdentity.h"
#include "common/Errors.h"
#include "common/SafeFile.h"
#include "compare/ProjectDiff.h"
#include "gsd/GsdGenerator.h"
#include "image/ImageCompiler.h"
#include "report/ProfibusMapPicture.h"
#include "s7access/ProfibusMap.h"
#include "s7access/S7AddressText.h"
#include "s7access/S7ListEnd.h"
#include "s7access/S7Validation.h"
#include "texts/TextId.h"
#include "texts/TextTable.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <memory>

namespace {

constexpr int kReadHeadings[] = {
    TextId::S7_Enable, TextId::S7_PLCAddress, TextId::S7_PLCPort, TextId::S7_PLCType, TextId::S7_Rack,
    TextId::S7_Slot, TextId::S7_DataType, TextId::S7_DataIdentifier, TextId::S7_DBNumber, TextId::S7_PLCArea,
    TextId::S7_PLCAdd, TextId::S7_PLCBit, TextId::S7_PollTime, TextId::S7_Position, TextId::S7_StartBit,
    TextId::S7_Swap, TextId::S7_SwapWord, TextId::S7_Mnemonic};
constexpr int kWriteHeadings[] = {
    TextId::S7_Enable_1230, TextId::S7_PLCAddress_1231, TextId::S7_PLCPort_1232, TextId::S7_PLCType_1233,
    TextId::S7_Rack_1315, TextId::S7_Slot_1316, TextId::S7_DataType_1234, TextId::S7_DataIdentifier_1235,
    TextId::S7_DBNumber_1293, TextId::S7_PLCArea_1294, TextId::S7_PLCAdd_1295, TextId::S7_PLCBit_1296,
    TextId::S7_PollTime_1236, TextId::S7_OnChange, TextId::S7_OnCMD, TextId::S7_Position_1239,
    TextId::S7_StartBit_1240, TextId::S7_Swap_1241, TextId::S7_SwapWord_1242, TextId::S7_Mnemonic_1243};
static_assert(std::size(kReadHeadings) == 18 && std::size(kWriteHeadings) == 20);

// The report as a sequence of blocks, written out as HTML or drawn as PDF.
struct Table
{
    QStringList headings; // no heading row when empty
    QList<QStringList> rows;
    bool small = false;      // the rule lists' many columns
    bool asWritten = false;  // lines of a file, spaces kept, in a fixed-pitch font
};

struct Block
{
    enum class Kind { Title, Heading, Subheading, Paragraph, Warning, TableBlock, Picture };
    Kind kind;
    QString text;
    Table table;
    MapArea area = MapArea::In;
};
using Document = std::vector<Block>;

Block textBlock(Block::Kind kind, const QString &text)
{
    return Block{kind, text, {}, MapArea::In};
}

Block tableBlock(Table table)
{
    return Block{Block::Kind::TableBlock, QString(), std::move(table), MapArea::In};
}

QString dotted(const CommParams &p, int first)
{
    return QStringList{p.texts[std::size_t(first)], p.texts[std::size_t(first + 1)], p.texts[std::size_t(first + 2)],
                       p.texts[std::size_t(first + 3)]}
        .join(u'.');
}

// "2,3,4,5,9" as "2-5,9".
QString rowRanges(const std::vector<int> &rows)
{
    QStringList parts;
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1)
            ++j;
        parts.append(j == i ? QString::number(rows[i]) : QStringLiteral("%1-%2").arg(rows[i]).arg(rows[j]));
        i = j + 1;
    }
    return parts.join(u',');
}

QString areaName(MapArea area, const TextTable &texts)
{
    return texts.text(area == MapArea::In ? TextId::Report_AreaIn : TextId::Report_AreaOut);
}

QString listName(S7Rule::List list, const TextTable &texts)
{
    return texts.text(list == S7Rule::List::Read ? TextId::Report_Read : TextId::Report_Write);
}

// The map's warnings with every conflicting pair named once: a read row that shares bytes
// with one later row gets the pair's warning, one that shares with several gets one line
// naming their rows. Many fully overlapping rules would otherwise fill pages.
QStringList reportWarnings(const ProfibusMap &map, const TextTable &texts)
{
    QStringList lines;
    const std::vector<MapConflict> &conflicts = map.conflicts();
    for (std::size_t i = 0; i < conflicts.size();) {
        std::size_t j = i;
        std::vector<int> partners;
        while (j < conflicts.size() && conflicts[j].rowA == conflicts[i].rowA)
            partners.push_back(conflicts[j++].rowB);
        lines.append(partners.size() == 1
                         ? Map_Conflict_Warning(conflicts[i], texts)
                         : texts.text(TextId::Report_ConflictGroup).arg(conflicts[i].rowA).arg(rowRanges(partners)));
        i = j;
    }
    // The conflicts come first in the map's own warnings; the rest follow as they are.
    const QStringList all = Map_Warnings(map, texts);
    lines.append(all.mid(qsizetype(conflicts.size())));
    return lines;
}

// The map table's note with the conflicting rows given as ranges ("Conflict 2-512").
QString shortNote(const QString &note, const TextTable &texts)
{
    const QString prefix = texts.text(TextId::Map_Conflict) + QLatin1Char(' ');
    QStringList parts = note.split(QStringLiteral("; "));
    for (QString &part : parts) {
        if (!part.startsWith(prefix))
            continue;
        std::vector<int> rows;
        for (const QString &n : part.mid(prefix.size()).split(u','))
            rows.push_back(n.toInt());
        std::sort(rows.begin(), rows.end());
        part = prefix + rowRanges(rows);
    }
    return parts.join(QStringLiteral("; "));
}

Document buildDocument(const ReportInput &in, const TextTable &texts, const ProfibusMap &map)
{
    const auto t = [&](int id) { return texts.text(id); };
    using K = Block::Kind;
    Document doc;
    doc.push_back(textBlock(K::Title, QStringLiteral("%1: %2").arg(t(TextId::Map_Report), in.projectName)));
    doc.push_back(tableBlock({{},
                              {{t(TextId::Report_Project), in.projectName},
                               {t(TextId::Report_Date), in.date.toString(Qt::ISODate)},
                               {t(TextId::Report_Software), QStringLiteral("ZE52840 %1").arg(QLatin1String(ProductIdentity::kVersion))},
                               {t(TextId::Report_Device), QLatin1String(ProductIdentity::kModelName)}}}));
    doc.push_back(textBlock(K::Paragraph, t(in.unsavedChanges ? TextId::Report_BasisUnsaved : TextId::Report_BasisSaved)));
    QString fault;
    if (!in.validates) {
        const auto first = Controllo_dati(in.read, in.write, in.limits, texts);
        fault = t(TextId::Report_NotValid).arg(first ? first->message.trimmed() : QString());
        doc.push_back(textBlock(K::Warning, fault));
    }

    // Communication parameters, labelled as their window labels them.
    doc.push_back(textBlock(K::Heading, t(TextId::ParGen_SetCommunicationSetting)));
    if (!in.hasParGen)
        doc.push_back(textBlock(K::Paragraph, t(TextId::Report_NoParGen)));
    const CommParams &p = in.params;
    doc.push_back(tableBlock(
        {{},
         {{t(TextId::ParGen_IPAddress), dotted(p, CommParams::S7_Protocol_IP1)},
          {t(TextId::ParGen_SubNetMask), dotted(p, CommParams::S7_Protocol_SM1)},
          {t(TextId::ParGen_Gateway),
           p.gatewayEnabled ? dotted(p, CommParams::S7_Protocol_GAT1) : t(TextId::Report_Disabled)},
          {t(TextId::ParGen_PROFIBUS) + QLatin1Char(' ') + t(TextId::ParGen_IDDevice), p.texts[CommParams::PROFIBUS_ID_Device]},
          {t(TextId::ParGen_NumberByte) + QStringLiteral(" (PROFINET_NB_IN)"), p.texts[CommParams::PROFINET_NB_IN]},
          {t(TextId::ParGen_NumberByteOut) + QStringLiteral(" (PROFINET_NB_OUT)"), p.texts[CommParams::PROFINET_NB_OUT]}}}));

    // Both rule lists as the report's basis holds them.
    for (const S7Rule::List list : {S7Rule::List::Read, S7Rule::List::Write}) {
        const S7RuleList &rules = list == S7Rule::List::Read ? in.read : in.write;
        Table table;
        table.small = true;
        table.headings.append(t(TextId::Report_Row));
        for (const int id : list == S7Rule::List::Read ? std::span<const int>(kReadHeadings) : std::span<const int>(kWriteHeadings))
            table.headings.append(t(id));
        table.headings.append(QStringLiteral("S7"));
        QStringList afterEnd;
        for (const ListedRule &listed : Listed_Rules(rules)) {
            const S7Rule &rule = rules[std::size_t(listed.row - 1)];
            table.rows.append(QStringList{QString::number(listed.row)} + rule.cells(list) + QStringList{S7_Address_Text(rule)});
            if (listed.afterEnd)
                afterEnd.append(QString::number(listed.row));
        }
        doc.push_back(textBlock(K::Heading, t(list == S7Rule::List::Read ? TextId::S7_S7commRead : TextId::S7_S7commWrite)));
        doc.push_back(tableBlock(std::move(table)));
        if (!afterEnd.isEmpty())
            doc.push_back(textBlock(K::Warning, t(TextId::Report_RowsAfterEnd).arg(afterEnd.join(QStringLiteral(", ")), t(TextId::S7_AfterEndNotSent))));
    }

    // The map: what the two counts are, then picture and table per area.
    doc.push_back(textBlock(K::Heading, t(TextId::Map_PageCaption)));
    doc.push_back(textBlock(K::Paragraph, t(TextId::Report_MapCounts).arg(t(TextId::ParGen_NumberByte), t(TextId::ParGen_NumberByteOut))));
    const QList<QStringList> mapRows = Map_Table_Rows(map, in.read, in.write, texts);
    const QStringList mapHeadings{t(TextId::Report_FirstByte), t(TextId::Report_LastByte), t(TextId::Report_Bits),
                                  t(TextId::Report_List),      t(TextId::Report_Row),      t(TextId::S7_PLCAddress),
                                  t(TextId::Report_S7Address), t(TextId::S7_DataType),     t(TextId::S7_Mnemonic),
                                  t(TextId::Report_Note)};
    for (const MapArea area : {MapArea::In, MapArea::Out}) {
        doc.push_back(textBlock(K::Subheading, QStringLiteral("%1: %2 %3")
                                                   .arg(areaName(area, texts),
                                                        t(area == MapArea::In ? TextId::ParGen_NumberByte : TextId::ParGen_NumberByteOut))
                                                   .arg(map.byteCount(area))));
        if (map.shownBytes(area) > 0)
            doc.push_back(Block{K::Picture, QString(), {}, area});
        Table table;
        table.headings = mapHeadings;
        for (const QStringList &row : mapRows) {
            if (row.first() != Map_Area_Name(area))
                continue;
            QStringList cells = row.mid(1);
            cells[3] = listName(cells[3] == List_Name(S7Rule::List::Read) ? S7Rule::List::Read : S7Rule::List::Write, texts);
            cells.last() = shortNote(cells.last(), texts);
            table.rows.append(cells);
        }
        doc.push_back(tableBlock(std::move(table)));
    }
    for (const QString &line : reportWarnings(map, texts))
        doc.push_back(textBlock(K::Warning, line));
    for (const QString &line : Map_Unplaced_Lines(map, in.read, in.write, texts))
        doc.push_back(textBlock(K::Warning, line));

    // The GSD's modules for these byte counts, beside the areas above.
    doc.push_back(textBlock(K::Heading, QStringLiteral("GSD")));
    try {
        const GsdGenerator::Counts counts{p.texts[CommParams::PROFINET_NB_OUT].toInt(), p.texts[CommParams::PROFINET_NB_IN].toInt()};
        const QByteArray gsd = GsdGenerator::Build_GSD_Text(counts);
        Table table;
        table.asWritten = true;
        table.headings = QStringList{t(TextId::Report_Module)};
        for (const QByteArray &line : gsd.split('\n')) {
            if (line.startsWith("Module="))
                table.rows.append({QString::fromLatin1(line.trimmed())});
        }
        doc.push_back(textBlock(K::Paragraph, t(TextId::Report_GsdLengths).arg(counts.inputLength).arg(counts.outputLength)));
        doc.push_back(tableBlock(std::move(table)));
    } catch (const BrivantError &e) {
        doc.push_back(textBlock(K::Paragraph, e.text()));
    }

    doc.push_back(textBlock(K::Heading, QStringLiteral("bank1.bin, bank2.bin")));
    if (!in.validates) {
        doc.push_back(textBlock(K::Warning, fault));
    } else if (!in.compileError.isEmpty()) {
        doc.push_back(textBlock(K::Warning, t(TextId::Report_NotCompiled).arg(in.compileError)));
    } else {
        // The summary first, so that it never stands alone at the top of a page.
        doc.push_back(textBlock(K::Paragraph, t(TextId::Report_ImageSummary)
                                                  .arg(in.compiledRules)
                                                  .arg(in.bank1Checksum)
                                                  .arg(in.bank1Checksum, 8, 16, QLatin1Char('0'))));
        Table table;
        table.headings = QStringList{t(TextId::Report_File), t(TextId::Report_Bytes), QStringLiteral("SHA-256")};
        for (const ReportInput::Image &image : in.images)
            table.rows.append({image.name, QString::number(image.size), QString::fromLatin1(image.sha256.toHex())});
        doc.push_back(tableBlock(std::move(table)));
    }
    return doc;
}

// Eight bytes a line; up to twelve for large areas, so that the picture stays near a page.
ProfibusMapPicture::Style reportStyle(const ProfibusMap &map, MapArea area)
{
    ProfibusMapPicture::Style style;
    style.bytesPerLine = std::clamp((map.shownBytes(area) + 63) / 64, 8, 12);
    style.cellWidth = 14;
    style.cellHeight = 13;
    style.labelWidth = 30;
    return style;
}

QFont pictureFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(10);
    return font;
}

// ---- HTML ----

QString esc(const QString &text)
{
    return text.toHtmlEscaped();
}

const QString kCss = QStringLiteral("body{font-family:sans-serif;font-size:9pt} table{border-collapse:collapse}"
                                    " th{background:#e8e8e8;text-align:left} h1{font-size:16pt} h2{font-size:12pt}");

QString htmlTable(const Table &table)
{
    QString html = table.small ? QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\" width=\"100%\" style=\"font-size:7pt\">")
                               : QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\" width=\"100%\">");
    if (!table.headings.isEmpty()) {
        html += QStringLiteral("<tr>");
        for (const QString &h : table.headings)
            html += QStringLiteral("<th>%1</th>").arg(esc(h));
        html += QStringLiteral("</tr>");
    }
    const QString open = table.asWritten ? QStringLiteral("<td style=\"white-space:pre\">") : QStringLiteral("<td>");
    for (const QStringList &row : table.rows) {
        html += QStringLiteral("<tr>");
        for (const QString &c : row)
            html += open + esc(c) + QStringLiteral("</td>");
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QString htmlOf(const Document &doc, const QString &title, const ProfibusMap &map)
{
    QString html = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title><style>%2</style></head><body>")
                       .arg(esc(title), kCss);
    for (const Block &b : doc) {
        switch (b.kind) {
        case Block::Kind::Title: html += QStringLiteral("<h1>%1</h1>").arg(esc(b.text)); break;
        case Block::Kind::Heading: html += QStringLiteral("<h2>%1</h2>").arg(esc(b.text)); break;
        case Block::Kind::Subheading: html += QStringLiteral("<h3>%1</h3>").arg(esc(b.text)); break;
        case Block::Kind::Paragraph: html += QStringLiteral("<p>%1</p>").arg(esc(b.text)); break;
        case Block::Kind::Warning: html += QStringLiteral("<p><b>%1</b></p>").arg(esc(b.text)); break;
        case Block::Kind::TableBlock: html += htmlTable(b.table); break;
        case Block::Kind::Picture: {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            ProfibusMapPicture(map, b.area, reportStyle(map, b.area)).image(pictureFont()).save(&buffer, "PNG");
            html += QStringLiteral("<p><img src=\"data:image/png;base64,%1\"></p>").arg(QString::fromLatin1(png.toBase64()));
            break;
        }
        }
    }
    return html + QStringLiteral("</body></html>\n");
}

// ---- PDF ----

// Draws the blocks onto the pages of a PDF writer. Every table is laid out once: its column
// widths come from all its cells, so it prints at one size on every page; a text wider than
// its column is wrapped at its spaces, and a word wider than the column anywhere, in a single
// pass. Rows move to the next page whole, the heading row repeated; a row taller than a page
// is cut between its lines. The map pictures are drawn as vectors, their lines spread over
// pages as they need.
class PdfLayout
{
public:
    PdfLayout(QPdfWriter &writer, const ProfibusMap &map, const ReportProgress &progress, int work)
        : m_writer(writer), m_map(map), m_progress(progress), m_work(std::max(1, work))
    {
        const int resolution = writer.resolution();
        m_page = writer.pageLayout().paintRectPixels(resolution);
        m_pt = resolution / 72.0;
        m_bottom = m_page.height() - 14 * m_pt;
        QFont base = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        // Without shaping there are no ligatures, so that the PDF's text reads back (and
        // searches) as written: "fill" rather than a glyph for "fi".
        base.setStyleStrategy(QFont::PreferNoShaping);
        m_body = sized(base, 9);
        m_small = sized(base, 7);
        QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        fixed.setStyleStrategy(QFont::PreferNoShaping);
        m_fixed = sized(fixed, 8);
        m_painter.begin(&writer);
    }

    // False when the progress answered false.
    bool draw(const Document &doc)
    {
        for (std::size_t i = 0; i < doc.size(); ++i) {
            const Block &b = doc[i];
            switch (b.kind) {
            case Block::Kind::Title: paragraph(b.text, bold(m_body, 16), 6); break;
            case Block::Kind::Heading: keepWithNext(bold(m_body, 12)); paragraph(b.text, bold(m_body, 12), 4); break;
            case Block::Kind::Subheading: keepWithNext(bold(m_body, 10)); paragraph(b.text, bold(m_body, 10), 3); break;
            case Block::Kind::Paragraph: paragraph(b.text, m_body, 4); break;
            case Block::Kind::Warning: paragraph(b.text, bold(m_body, 9), 4); break;
            case Block::Kind::TableBlock:
                if (!table(b.table))
                    return false;
                m_y += 6 * m_pt;
                break;
            case Block::Kind::Picture: picture(b.area); break;
            }
            if (!tick())
                return false;
        }
        finishPage();
        m_painter.end();
        return true;
    }

    void abandon()
    {
        if (m_painter.isActive())
            m_painter.end();
    }

private:
    // A cell's text wrapped by the report itself: its glyphs, each line's first glyph, and
    // each glyph's place (baseline y of the line's top at 0).
    struct GlyphLines
    {
        QList<quint32> glyphs;
        QList<QPointF> positions;
        std::vector<qsizetype> lineStarts; // one per line, and the end
    };

    struct Cell
    {
        QString text;
        std::unique_ptr<QTextLayout> layout; // for a text of more than one line that needs shaping
        std::unique_ptr<GlyphLines> glyphs;  // for a text of more than one line that does not
        int lines = 1;
    };

    QFont sized(QFont font, qreal points) const
    {
        font.setPointSizeF(points);
        return font;
    }
    QFont bold(QFont font, qreal points) const
    {
        font.setPointSizeF(points);
        font.setBold(true);
        return font;
    }

    bool tick()
    {
        ++m_done;
        if (!m_progress || m_done % 16 != 0)
            return true;
        return m_progress(std::min(99, int(qint64(m_done) * 100 / m_work)));
    }

    void finishPage()
    {
        m_painter.setFont(m_body);
        m_painter.setPen(Qt::black);
        m_painter.drawText(QRectF(0, m_bottom, m_page.width(), m_page.height() - m_bottom), Qt::AlignRight | Qt::AlignBottom,
                           QString::number(m_pageNumber));
    }

    void newPage()
    {
        finishPage();
        m_writer.newPage();
        ++m_pageNumber;
        m_y = 0;
    }

    // A heading stays with what follows it: a few lines of it must fit below.
    void keepWithNext(const QFont &headingFont)
    {
        const qreal need = QFontMetricsF(headingFont, &m_writer).lineSpacing() + 4 * QFontMetricsF(m_body, &m_writer).lineSpacing();
        if (m_y > 0 && m_y + need > m_bottom)
            newPage();
    }

    static QString displayText(QString text)
    {
        text.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
        text.replace(u'\n', QChar::LineSeparator);
        text.replace(u'\r', QChar::LineSeparator);
        return text;
    }

    // Lays out `text` at `width`, one line after the other `lineSpacing` apart.
    // The text with a zero-width space wherever a word wider than `width` must break: a
    // line breaker that searches a long word for its break anew on each line takes time in
    // the square of the word's length; these breaks make each search short.
    static QString withBreaks(const QString &text, const QFontMetricsF &fm, qreal width)
    {
        QString out;
        qreal run = 0;
        for (const QChar c : text) {
            if (c == u' ' || c == QChar::LineSeparator) {
                run = 0;
            } else {
                const qreal advance = fm.horizontalAdvance(c);
                if (run > 0 && run + advance > width * 0.97) {
                    out += QChar(0x200B);
                    run = 0;
                }
                run += advance;
            }
            out += c;
        }
        return out;
    }

    std::unique_ptr<QTextLayout> wrapped(const QString &text, const QFont &font, qreal width, qreal lineSpacing, int &lines)
    {
        auto layout = std::make_unique<QTextLayout>(withBreaks(text, QFontMetricsF(font, &m_writer), width), font, &m_writer);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout->setTextOption(option);
        layout->beginLayout();
        lines = 0;
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLineWidth(std::max<qreal>(width, 1));
            line.setPosition(QPointF(0, lines * lineSpacing));
            ++lines;
        }
        layout->endLayout();
        lines = std::max(lines, 1);
        return layout;
    }

    // The font as the PDF draws it, for glyph runs; made once for each font of a table.
    const QRawFont &rawFont(const QFont &font)
    {
        if (!m_rawFont || m_rawFontKey != font) {
            m_rawFontKey = font;
            m_rawFont = std::make_unique<QRawFont>(QRawFont::fromFont(QFont(font, &m_writer)));
        }
        return *m_rawFont;
    }

    // Wraps a text of Latin letters (below U+0300: no shaping, no joining, left to right) at
    // its spaces and a word wider than `width` where it meets the edge, without the text
    // engine: the largest lists have millions of lines, and laying each out through it costs
    // more than drawing it. Nothing for any other text, and where the font lacks a glyph
    // (those take the text engine, with its fallback fonts).
    std::unique_ptr<GlyphLines> wrappedGlyphs(const QString &text, const QFont &font, qreal width, qreal ascent,
                                              qreal lineSpacing, int &lines)
    {
        for (const QChar c : text) {
            if (c.unicode() >= 0x300 && c != QChar::LineSeparator)
                return nullptr;
            if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0))
                return nullptr;
        }
        const QRawFont &raw = rawFont(font);
        if (!raw.isValid())
            return nullptr;
        QString plain = text;
        plain.replace(QChar::LineSeparator, u' ');
        const QList<quint32> indexes = raw.glyphIndexesForString(plain);
        if (indexes.size() != plain.size())
            return nullptr;
        for (const quint32 g : indexes)
            if (g == 0)
                return nullptr;
        const QList<QPointF> advances = raw.advancesForGlyphIndexes(indexes);
        auto out = std::make_unique<GlyphLines>();
        out->glyphs.reserve(indexes.size());
        out->positions.reserve(indexes.size());
        int line = 0;
        qreal x = 0;
        const auto newLine = [&] {
            ++line;
            x = 0;
            out->lineStarts.push_back(out->glyphs.size());
        };
        const auto place = [&](qsizetype i) {
            out->glyphs.append(indexes[i]);
            // Whole device pixels (1/1200 inch): the writer then moves from glyph to glyph by
            // whole numbers, the shortest text for each of millions of glyphs.
            out->positions.append(QPointF(std::round(x), std::round(line * lineSpacing + ascent)));
            x += advances[i].x();
        };
        out->lineStarts.push_back(0);
        const qsizetype n = text.size();
        for (qsizetype i = 0; i < n;) {
            if (text.at(i) == QChar::LineSeparator) {
                newLine();
                ++i;
                continue;
            }
            if (text.at(i) == u' ') {
                // A space is not drawn: its width keeps the words apart, as readers of the PDF see.
                x += advances[i].x();
                ++i;
                continue;
            }
            qsizetype end = i;
            qreal wordWidth = 0;
            while (end < n && text.at(end) != u' ' && text.at(end) != QChar::LineSeparator)
                wordWidth += advances[end++].x();
            if (x > 0 && x + wordWidth > width)
                newLine();
            for (; i < end; ++i) {
                if (x > 0 && x + advances[i].x() > width)
                    newLine();
                place(i);
            }
        }
        out->lineStarts.push_back(out->glyphs.size());
        lines = line + 1;
        return out;
    }

    void drawGlyphLines(const GlyphLines &g, const QFont &font, QPointF origin, int from, int to, qreal lineSpacing)
    {
        const int lineCount = int(g.lineStarts.size()) - 1;
        to = std::min(to, lineCount);
        if (from >= to)
            return;
        const qsizetype first = g.lineStarts[std::size_t(from)];
        const qsizetype last = g.lineStarts[std::size_t(to)];
        if (first == last)
            return;
        QGlyphRun run;
        run.setRawFont(rawFont(font));
        run.setGlyphIndexes(g.glyphs.mid(first, last - first));
        run.setPositions(g.positions.mid(first, last - first));
        m_painter.drawGlyphRun(origin - QPointF(0, from * lineSpacing), run);
    }

    void paragraph(const QString &text, const QFont &font, qreal spaceAfter)
    {
        const QFontMetricsF fm(font, &m_writer);
        const qreal ls = fm.lineSpacing();
        int lines = 0;
        const auto layout = wrapped(displayText(text), font, m_page.width(), ls, lines);
        m_painter.setPen(Qt::black);
        for (int i = 0; i < layout->lineCount(); ++i) {
            if (m_y > 0 && m_y + ls > m_bottom)
                newPage();
            layout->lineAt(i).draw(&m_painter, QPointF(0, m_y - i * ls));
            m_y += ls;
        }
        m_y += spaceAfter * m_pt;
    }

    struct Measure
    {
        qreal natural = 0; // the widest line
        qreal word = 0;    // the widest word
    };

    Measure measure(const QString &text, const QFontMetricsF &fm, QHash<QString, Measure> &cache) const
    {
        const auto found = cache.constFind(text);
        if (found != cache.constEnd())
            return *found;
        // One pass over the text: the width of each line, and of each word; in a long text
        // only the word with the most characters is measured, as shaping every word of it
        // would cost more than it tells.
        Measure m;
        const bool everyWord = text.size() <= 200;
        qsizetype lineStart = 0;
        qsizetype wordStart = 0;
        qsizetype longestWord = 0;
        qsizetype longestStart = 0;
        for (qsizetype i = 0; i <= text.size(); ++i) {
            const bool end = i == text.size();
            const QChar c = end ? QChar(QChar::LineSeparator) : text.at(i);
            if (c == u' ' || c == QChar::LineSeparator) {
                if (everyWord && i > wordStart)
                    m.word = std::max(m.word, fm.horizontalAdvance(text.mid(wordStart, i - wordStart)));
                if (i - wordStart > longestWord) {
                    longestWord = i - wordStart;
                    longestStart = wordStart;
                }
                wordStart = i + 1;
            }
            if (c == QChar::LineSeparator) {
                m.natural = std::max(m.natural, fm.horizontalAdvance(QStringView(text).sliced(lineStart, i - lineStart).toString()));
                lineStart = i + 1;
            }
        }
        if (longestWord == text.size())
            m.word = m.natural;
        else if (!everyWord)
            m.word = fm.horizontalAdvance(text.mid(longestStart, longestWord));
        cache.insert(text, m);
        return m;
    }

    // The widths of the columns; `needed` is the least width at which no word breaks.
    std::vector<qreal> columnWidths(const Table &table, const QFontMetricsF &fm, const QFontMetricsF &headFm, qreal &needed) const
    {
        const qsizetype columns = std::max<qsizetype>(table.headings.size(), table.rows.isEmpty() ? 0 : table.rows.first().size());
        std::vector<qreal> natural(std::size_t(columns), 0), word(std::size_t(columns), 0);
        QHash<QString, Measure> cache, headCache;
        // A heading asks only for its widest word: it wraps at its spaces before a cell does.
        const auto take = [&](const QStringList &row, const QFontMetricsF &metrics, QHash<QString, Measure> &c, bool heading) {
            for (qsizetype i = 0; i < std::min(columns, row.size()); ++i) {
                const Measure m = measure(displayText(row[i]), metrics, c);
                natural[std::size_t(i)] = std::max(natural[std::size_t(i)], heading ? m.word : m.natural);
                word[std::size_t(i)] = std::max(word[std::size_t(i)], m.word);
            }
        };
        take(table.headings, headFm, headCache, true);
        for (const QStringList &row : table.rows)
            take(row, fm, cache, false);
        const qreal pad = 2 * padding();
        const qreal total = m_page.width();
        // A single long word may not squeeze the other columns: its column takes at most a
        // quarter of the page as its least width, and breaks the word there.
        for (qreal &w : word)
            w = std::min(w, total / 4);
        qreal sumNatural = 0, sumWord = 0;
        for (std::size_t i = 0; i < natural.size(); ++i) {
            natural[i] += pad + 1;
            word[i] += pad + 1;
            sumNatural += natural[i];
            sumWord += word[i];
        }
        needed = sumWord;
        std::vector<qreal> widths(natural.size());
        if (sumNatural <= total) {
            // Tables with headings span the page; a list of labels and values keeps its width.
            const qreal spare = table.headings.isEmpty() ? 0 : total - sumNatural;
            for (std::size_t i = 0; i < widths.size(); ++i)
                widths[i] = natural[i] + spare * natural[i] / sumNatural;
        } else if (sumWord <= total) {
            const qreal spare = total - sumWord;
            const qreal wanted = sumNatural - sumWord;
            for (std::size_t i = 0; i < widths.size(); ++i)
                widths[i] = word[i] + spare * (natural[i] - word[i]) / wanted;
        } else {
            for (std::size_t i = 0; i < widths.size(); ++i)
                widths[i] = word[i] * total / sumWord;
        }
        return widths;
    }

    qreal padding() const { return 1.5 * m_pt; }
    static constexpr qreal kLeastPoints = 5;

    std::vector<Cell> layRow(const QStringList &row, const std::vector<qreal> &widths, const QFont &font,
                             const QFontMetricsF &fm, qreal ls)
    {
        std::vector<Cell> cells(widths.size());
        for (std::size_t i = 0; i < widths.size(); ++i) {
            Cell &cell = cells[i];
            cell.text = qsizetype(i) < row.size() ? displayText(row[qsizetype(i)]) : QString();
            const qreal inner = widths[i] - 2 * padding();
            // A long text is laid out at once: measuring it first would shape it twice.
            if (cell.text.size() > 64 || cell.text.contains(QChar::LineSeparator) || fm.horizontalAdvance(cell.text) > inner) {
                cell.glyphs = wrappedGlyphs(cell.text, font, std::max<qreal>(inner, 1), fm.ascent(), ls, cell.lines);
                if (!cell.glyphs)
                    cell.layout = wrapped(cell.text, font, inner, ls, cell.lines);
            }
        }
        return cells;
    }

    // Draws lines [from, to) of the row's cells at the current place.
    void drawRow(const std::vector<Cell> &cells, const std::vector<qreal> &widths, const QFont &font,
                 const QFontMetricsF &fm, qreal ls, int from, int to, bool heading)
    {
        const qreal height = 2 * padding() + (to - from) * ls;
        qreal x = 0;
        m_painter.setFont(font);
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const QRectF box(x, m_y, widths[i], height);
            if (heading)
                m_painter.fillRect(box, QColor(0xe8, 0xe8, 0xe8));
            m_painter.setPen(QPen(Qt::black, 0.5 * m_pt));
            m_painter.drawRect(box);
            const Cell &cell = cells[i];
            if (cell.glyphs) {
                drawGlyphLines(*cell.glyphs, font, QPointF(x + padding(), m_y + padding()), from, to, ls);
            } else if (cell.layout) {
                for (int l = from; l < std::min(to, cell.layout->lineCount()); ++l)
                    cell.layout->lineAt(l).draw(&m_painter, QPointF(x + padding(), m_y + padding() - from * ls));
            } else if (from == 0 && !cell.text.isEmpty()) {
                m_painter.drawText(QPointF(x + padding(), m_y + padding() + fm.ascent()), cell.text);
            }
            x += widths[i];
        }
        m_y += height;
    }

    static int rowLines(const std::vector<Cell> &cells)
    {
        int lines = 1;
        for (const Cell &c : cells)
            lines = std::max(lines, c.lines);
        return lines;
    }

    bool table(const Table &table)
    {
        // A table whose words do not fit the page side by side (the 22 columns of a rule
        // list in a language of long words) takes a smaller font, the same on all its pages.
        QFont font = table.asWritten ? m_fixed : table.small ? m_small : m_body;
        std::vector<qreal> widths;
        for (int attempt = 0;; ++attempt) {
            qreal needed = 0;
            widths = columnWidths(table, QFontMetricsF(font, &m_writer), QFontMetricsF(bold(font, font.pointSizeF()), &m_writer), needed);
            if (needed <= m_page.width() || attempt == 3 || font.pointSizeF() <= kLeastPoints)
                break;
            font.setPointSizeF(std::max(kLeastPoints, font.pointSizeF() * m_page.width() / needed * 0.98));
        }
        const QFont headFont = bold(font, font.pointSizeF());
        const QFontMetricsF fm(font, &m_writer);
        const QFontMetricsF headFm(headFont, &m_writer);
        const qreal ls = fm.lineSpacing();
        const qreal headLs = headFm.lineSpacing();
        std::vector<Cell> head;
        int headLines = 0;
        if (!table.headings.isEmpty()) {
            head = layRow(table.headings, widths, headFont, headFm, headLs);
            headLines = rowLines(head);
        }
        const qreal headHeight = head.empty() ? 0 : 2 * padding() + headLines * headLs;
        const auto drawHead = [&] {
            if (!head.empty())
                drawRow(head, widths, headFont, headFm, headLs, 0, headLines, true);
        };
        if (m_y > 0 && m_y + headHeight + 2 * padding() + ls > m_bottom)
            newPage();
        drawHead();
        for (const QStringList &row : table.rows) {
            const std::vector<Cell> cells = layRow(row, widths, font, fm, ls);
            const int lines = rowLines(cells);
            const qreal height = 2 * padding() + lines * ls;
            if (m_y + height > m_bottom && height <= m_bottom - headHeight && m_y > headHeight) {
                newPage();
                drawHead();
            }
            // Cut between lines when the row does not fit (taller than a page).
            for (int from = 0; from < lines;) {
                int fit = int((m_bottom - m_y - 2 * padding()) / ls);
                if (fit < 1) {
                    newPage();
                    drawHead();
                    fit = std::max(1, int((m_bottom - m_y - 2 * padding()) / ls));
                }
                const int to = std::min(lines, from + fit);
                drawRow(cells, widths, font, fm, ls, from, to, false);
                from = to;
            }
            if (!tick())
                return false;
        }
        return true;
    }

    void picture(MapArea area)
    {
        const ProfibusMapPicture::Style style = reportStyle(m_map, area);
        const ProfibusMapPicture picture(m_map, area, style);
        const QSize size = picture.size();
        // As large as on a screen of 96 dpi, smaller when the page is narrower.
        const qreal scale = std::min(m_writer.resolution() / 96.0, m_page.width() / qreal(size.width()));
        const qreal lineHeight = style.cellHeight * scale;
        const int lines = (size.height() - 1) / style.cellHeight;
        for (int first = 0; first < lines;) {
            int fit = int((m_bottom - m_y) / lineHeight);
            if (fit < 1) {
                newPage();
                fit = std::max(1, int((m_bottom - m_y) / lineHeight));
            }
            const int end = std::min(lines, first + fit);
            m_painter.save();
            m_painter.translate(0, m_y);
            m_painter.scale(scale, scale);
            m_painter.translate(0, -first * style.cellHeight);
            m_painter.setFont(pictureFont());
            picture.paint(m_painter, QPoint(0, 0),
                          QRect(0, first * style.cellHeight, size.width(), (end - first) * style.cellHeight));
            m_painter.restore();
            m_y += (end - first) * lineHeight + 1;
            first = end;
        }
        m_y += 6 * m_pt;
    }

    QPdfWriter &m_writer;
    const ProfibusMap &m_map;
    const ReportProgress &m_progress;
    int m_work;
    int m_done = 0;
    QPainter m_painter;
    QRect m_page;
    qreal m_pt = 1;
    qreal m_bottom = 0;
    qreal m_y = 0;
    int m_pageNumber = 1;
    QFont m_body;
    QFont m_small;
    QFont m_fixed;
    QFont m_rawFontKey;
    std::unique_ptr<QRawFont> m_rawFont;
};

int workOf(const Document &doc)
{
    int work = 0;
    for (const Block &b : doc)
        work += 1 + int(b.table.rows.size());
    return work;
}

} // namespace

bool Breaks_Inside_Words(const QTextDocument &document)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextLayout *layout = block.layout();
        const QString text = block.text();
        for (int i = 1; layout && i < layout->lineCount(); ++i) {
            const int start = layout->lineAt(i).textStart();
            if (start > 0 && start < text.size() && !text.at(start - 1).isSpace() && !text.at(start).isSpace()
                && text.at(start - 1) != u'-')
                return true;
        }
    }
    return false;
}

namespace {

ReportInput readReportInput(const QString &projectDir, const QDateTime &date, const S7RuleList *read,
                            const S7RuleList *write)
{
    ReportInput in;
    in.projectName = QFileInfo(projectDir).fileName();
    in.date = date;
    const QString parGen = ConfigWorkspace::join(projectDir, QStringLiteral("ParGen.xml"));
    QString s7File = ConfigWorkspace::join(projectDir, QStringLiteral("S7_Protocol.xml"));
    in.hasParGen = QFileInfo::exists(parGen);
    in.params = Read_ParGen_For_Window(parGen);
    in.limits = Load_Position_Limits(parGen);
    QTemporaryDir shown;
    if (read && write) {
        in.read = *read;
        in.write = *write;
        // Whether the lists are what the project's file holds.
        S7RuleList savedRead = Fresh_Rule_List();
        S7RuleList savedWrite = Fresh_Rule_List();
        in.unsavedChanges = Load_S7_Protocol(s7File, savedRead, savedWrite).has_value()
            || Rules_Held(savedRead) != Rules_Held(in.read) || Rules_Held(savedWrite) != Rules_Held(in.write);
        // The compiler reads files: the shown rules go to a temporary copy.
        s7File = shown.filePath(QStringLiteral("S7_Protocol.xml"));
        try {
            Save_S7_Protocol(s7File, in.read, in.write);
        } catch (const BrivantError &e) {
            in.compileError = e.text();
        }
    } else if (const auto error = Load_S7_Protocol(s7File, in.read, in.write)) {
        throw XmlError(*error);
    }
    // Images only for lists that the editor's OK would save and the compiler takes.
    TextTable english;
    english.Load_Default_Texts();
    in.validates = !Controllo_dati(in.read, in.write, in.limits, english).has_value();
    if (!in.validates || !in.compileError.isEmpty())
        return in;
    try {
        ImageCompiler compiler;
        compiler.Compile_Banks(parGen, s7File);
        for (const auto &[name, bytes] : {std::pair{QStringLiteral("bank1.bin"), compiler.bank1Output()},
                                          std::pair{QStringLiteral("bank2.bin"), compiler.bank2Output()}})
            in.images.push_back({name, bytes.size(), QCryptographicHash::hash(bytes, QCryptographicHash::Sha256)});
        in.compiledRules = compiler.ruleCount();
        in.bank1Checksum = compiler.checksum();
    } catch (const BrivantError &e) {
        in.compileError = e.text();
    }
    return in;
}

} // namespace

ReportInput Load_Report_Input(const QString &projectDir, const QDateTime &date)
{
    return readReportInput(projectDir, date, nullptr, nullptr);
}

ReportInput Load_Report_Input(const QString &projectDir, const QDateTime &date, const S7RuleList &read,
                              const S7RuleList &write)
{
    return readReportInput(projectDir, date, &read, &write);
}

QString Report_Html(const ReportInput &input, const TextTable &texts)
{
    const ProfibusMap map = ProfibusMap::build(input.read, input.write, input.limits);
    return htmlOf(buildDocument(input, texts, map), texts.text(TextId::Map_Report) + QStringLiteral(" - ") + input.projectName, map);
}

std::optional<QByteArray> Report_Pdf(const ReportInput &input, const TextTable &texts, const ReportProgress &progress)
{
    const ProfibusMap map = ProfibusMap::build(input.read, input.write, input.limits);
    const Document doc = buildDocument(input, texts, map);
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setTitle(texts.text(TextId::Map_Report) + QStringLiteral(" - ") + input.projectName);
    writer.setCreator(QStringLiteral("ZE52840 %1").arg(QLatin1String(ProductIdentity::kVersion)));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(12, 12, 12, 12),
                                     QPageLayout::Millimeter));
    writer.setResolution(300);
    PdfLayout layout(writer, map, progress, workOf(doc));
    if (!layout.draw(doc)) {
        layout.abandon();
        return std::nullopt;
    }
    buffer.close();
    if (progress)
        progress(100);
    return pdf;
}

QByteArray Report_Pdf(const ReportInput &input, const TextTable &texts)
{
    return *Report_Pdf(input, texts, ReportProgress());
}

std::optional<QByteArray> Report_Bytes(const QString &fileName, const ReportInput &input, const TextTable &texts,
                                       const ReportProgress &progress)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == u"pdf")
        return Report_Pdf(input, texts, progress);
    if (suffix == u"html" || suffix == u"htm")
        return Report_Html(input, texts).toUtf8();
    throw ValueError(QStringLiteral("%1: the report is written as .pdf or .html").arg(QDir::toNativeSeparators(fileName)));
}

QString Report_File_Name(const QString &projectName)
{
    return projectName + QStringLiteral(" report.pdf");
}

void Write_Report(const QString &fileName, const ReportInput &input, const TextTable &texts)
{
    Write_File_Safely(fileName, *Report_Bytes(fileName, input, texts));
}
