#include "report/CommissioningReport.h"

#include "app/ConfigWorkspace.h"
#include "app/ProductIdentity.h"
#include "common/Errors.h"
#include "common/SafeFile.h"
#include "gsd/GsdGenerator.h"
#include "image/ImageCompiler.h"
#include "report/ProfibusMapPicture.h"
#include "s7access/ProfibusMap.h"
#include "s7access/S7AddressText.h"
#include "s7access/S7ListEnd.h"
#include "texts/TextId.h"
#include "texts/TextTable.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPageLayout>
#include <QPageSize>
#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QUrl>

#include <algorithm>
#include <functional>

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

QString esc(const QString &text)
{
    return text.toHtmlEscaped();
}

QString cell(const QString &text, const char *tag = "td")
{
    return QStringLiteral("<%1>%2</%1>").arg(QLatin1String(tag), esc(text));
}

// Where the PDF may break a page: between the pieces of the body. A heading stays with the
// piece after it. User texts are escaped, so the marker cannot come from them.
const QString kPiece = QStringLiteral("<!--piece-->");
const QString kCss = QStringLiteral("body{font-family:sans-serif;font-size:9pt} table{border-collapse:collapse}"
                                    " th{background:#e8e8e8;text-align:left} h1{font-size:16pt} h2{font-size:12pt}");

// A table, its heading row left out when every heading is empty; `cellTag` may carry a style.
// Long tables are cut into blocks of rows, each a piece with the headings, so that the PDF
// breaks pages between blocks and lays out each block on its own.
QString tableOf(const QStringList &headings, const QList<QStringList> &rows, const char *cellTag = "td",
                qsizetype blockRows = 32, const char *tableStyle = "")
{
    QString head;
    if (std::any_of(headings.begin(), headings.end(), [](const QString &h) { return !h.isEmpty(); })) {
        head += QStringLiteral("<tr>");
        for (const QString &h : headings)
            head += cell(h, "th");
        head += QStringLiteral("</tr>");
    }
    const QString open = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\" width=\"100%\"%1>")
                             .arg(*tableStyle ? QStringLiteral(" style=\"%1\"").arg(QLatin1String(tableStyle)) : QString());
    QString html = kPiece + open + head;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        if (r > 0 && r % blockRows == 0)
            html += QStringLiteral("</table>") + kPiece + open + head;
        html += QStringLiteral("<tr>");
        for (const QString &c : rows[r])
            html += QStringLiteral("<%1>%2</td>").arg(QLatin1String(cellTag), esc(c));
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
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

QString dotted(const CommParams &p, int first)
{
    return QStringList{p.texts[std::size_t(first)], p.texts[std::size_t(first + 1)], p.texts[std::size_t(first + 2)],
                       p.texts[std::size_t(first + 3)]}
        .join(u'.');
}

QFont pictureFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(10);
    return font;
}

// The report's HTML; `imageSource` names the picture of an area ("in" or "out").
QString buildHtml(const ReportInput &in, const TextTable &texts, const std::function<QString(MapArea)> &imageSource)
{
    const auto t = [&](int id) { return texts.text(id); };
    const ProfibusMap map = ProfibusMap::build(in.read, in.write, in.limits);
    QString html;
    html += QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1 - %2</title>"
                           "<style>%3</style></head>")
                .arg(esc(t(TextId::Map_Report)), esc(in.projectName), kCss);
    html += QStringLiteral("<body><h1>%1: %2</h1>").arg(esc(t(TextId::Map_Report)), esc(in.projectName));
    html += tableOf({QStringLiteral("Project"), in.projectName},
                    {{QStringLiteral("Date"), in.date.toString(Qt::ISODate)},
                     {QStringLiteral("Software"), QStringLiteral("ZE52840 version %1").arg(QLatin1String(ProductIdentity::kVersion))},
                     {QStringLiteral("Device"), QLatin1String(ProductIdentity::kModelName)}});

    // Communication parameters, labelled as their window labels them.
    html += kPiece + QStringLiteral("<h2>%1</h2>").arg(esc(t(TextId::ParGen_SetCommunicationSetting)));
    if (!in.hasParGen)
        html += QStringLiteral("<p>ParGen.xml: -</p>");
    const CommParams &p = in.params;
    html += tableOf({QString(), QString()},
                    {{t(TextId::ParGen_IPAddress), dotted(p, CommParams::S7_Protocol_IP1)},
                     {t(TextId::ParGen_SubNetMask), dotted(p, CommParams::S7_Protocol_SM1)},
                     {t(TextId::ParGen_Gateway), dotted(p, CommParams::S7_Protocol_GAT1) + (p.gatewayEnabled ? QString() : QStringLiteral(" (-)"))},
                     {t(TextId::ParGen_PROFIBUS) + QLatin1Char(' ') + t(TextId::ParGen_IDDevice), p.texts[CommParams::PROFIBUS_ID_Device]},
                     {t(TextId::ParGen_NumberByte) + QStringLiteral(" (PROFINET_NB_IN)"), p.texts[CommParams::PROFINET_NB_IN]},
                     {t(TextId::ParGen_NumberByteOut) + QStringLiteral(" (PROFINET_NB_OUT)"), p.texts[CommParams::PROFINET_NB_OUT]}});

    // Both rule lists as saved.
    for (const S7Rule::List list : {S7Rule::List::Read, S7Rule::List::Write}) {
        const S7RuleList &rules = list == S7Rule::List::Read ? in.read : in.write;
        QStringList headings{QStringLiteral("N")};
        for (const int id : list == S7Rule::List::Read ? std::span<const int>(kReadHeadings) : std::span<const int>(kWriteHeadings))
            headings.append(t(id));
        headings.append(QStringLiteral("S7"));
        QList<QStringList> rows;
        QStringList afterEnd;
        for (const ListedRule &listed : Listed_Rules(rules)) {
            const S7Rule &rule = rules[std::size_t(listed.row - 1)];
            rows.append(QStringList{QString::number(listed.row)} + rule.cells(list) + QStringList{S7_Address_Text(rule)});
            if (listed.afterEnd)
                afterEnd.append(QString::number(listed.row));
        }
        html += kPiece + QStringLiteral("<h2>%1</h2>").arg(esc(t(list == S7Rule::List::Read ? TextId::S7_S7commRead : TextId::S7_S7commWrite)));
        html += tableOf(headings, rows, "td", 14, "font-size:7pt");
        if (!afterEnd.isEmpty())
            html += QStringLiteral("<p><b>%1</b></p>").arg(esc(t(TextId::Report_RowsAfterEnd).arg(afterEnd.join(QStringLiteral(", ")), t(TextId::S7_AfterEndNotSent))));
    }

    // The map: picture and table per area.
    html += kPiece + QStringLiteral("<h2>%1</h2>").arg(esc(t(TextId::Map_PageCaption)));
    const QList<QStringList> mapRows = Map_Table_Rows(map, in.read, in.write, texts);
    for (const MapArea area : {MapArea::In, MapArea::Out}) {
        html += kPiece + QStringLiteral("<h3>%1: %2 %3</h3>")
                    .arg(Map_Area_Name(area), esc(t(area == MapArea::In ? TextId::ParGen_NumberByte : TextId::ParGen_NumberByteOut)))
                    .arg(map.byteCount(area));
        if (map.shownBytes(area) > 0)
            html += kPiece + QStringLiteral("<p><img src=\"%1\"></p>").arg(esc(imageSource(area)));
        QList<QStringList> rows;
        for (const QStringList &row : mapRows) {
            if (row.first() == Map_Area_Name(area))
                rows.append(row.mid(1));
        }
        html += tableOf(Map_Table_Header().mid(1), rows);
    }
    for (const QString &line : Map_Warnings(map, texts))
        html += QStringLiteral("<p><b>%1</b></p>").arg(esc(line));
    for (const QString &line : Map_Unplaced_Lines(map, in.read, in.write, texts))
        html += QStringLiteral("<p><b>%1</b></p>").arg(esc(line));

    // The GSD's modules for these byte counts, beside the areas above.
    html += kPiece + QStringLiteral("<h2>GSD</h2>");
    try {
        const GsdGenerator::Counts counts{p.texts[CommParams::PROFINET_NB_OUT].toInt(), p.texts[CommParams::PROFINET_NB_IN].toInt()};
        const QByteArray gsd = GsdGenerator::Build_GSD_Text(counts);
        QList<QStringList> rows;
        for (const QByteArray &line : gsd.split('\n')) {
            if (line.startsWith("Module="))
                rows.append({QString::fromLatin1(line.trimmed())});
        }
        html += QStringLiteral("<p>Input length %1 (PROFINET_NB_OUT), output length %2 (PROFINET_NB_IN)</p>")
                    .arg(counts.inputLength)
                    .arg(counts.outputLength);
        html += tableOf({QStringLiteral("Module")}, rows, "td style=\"white-space:pre\"");
    } catch (const BrivantError &e) {
        html += QStringLiteral("<p>%1</p>").arg(esc(e.text()));
    }

    html += kPiece + QStringLiteral("<h2>bank1.bin, bank2.bin</h2>");
    if (!in.compileError.isEmpty()) {
        html += QStringLiteral("<p>%1</p>").arg(esc(in.compileError));
    } else {
        QList<QStringList> rows;
        for (const ReportInput::Image &image : in.images)
            rows.append({image.name, QString::number(image.size), QString::fromLatin1(image.sha256.toHex())});
        html += tableOf({QStringLiteral("File"), QStringLiteral("Bytes"), QStringLiteral("SHA-256")}, rows);
        html += QStringLiteral("<p>Rules: %1; checksum of bank1.bin: %2 (0x%3)</p>")
                    .arg(in.compiledRules)
                    .arg(in.bank1Checksum)
                    .arg(in.bank1Checksum, 8, 16, QLatin1Char('0'));
    }
    return html + QStringLiteral("</body></html>\n");
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

} // namespace

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
        // The compiler reads files: the shown rules go to a temporary copy.
        s7File = shown.filePath(QStringLiteral("S7_Protocol.xml"));
        try {
            Save_S7_Protocol(s7File, in.read, in.write);
        } catch (const BrivantError &e) {
            in.compileError = e.text();
            return in;
        }
    } else if (const auto error = Load_S7_Protocol(s7File, in.read, in.write)) {
        throw XmlError(*error);
    }
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
    return buildHtml(input, texts, [&](MapArea area) {
               QByteArray png;
               QBuffer buffer(&png);
               buffer.open(QIODevice::WriteOnly);
               ProfibusMapPicture(map, area, reportStyle(map, area)).image(pictureFont()).save(&buffer, "PNG");
               return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64());
           })
        .remove(kPiece);
}

QByteArray Report_Pdf(const ReportInput &input, const TextTable &texts)
{
    const ProfibusMap map = ProfibusMap::build(input.read, input.write, input.limits);
    QList<std::pair<QUrl, QImage>> images;
    for (const MapArea area : {MapArea::In, MapArea::Out}) {
        images.append({QUrl(QStringLiteral("map-%1.png").arg(Map_Area_Name(area))),
                       ProfibusMapPicture(map, area, reportStyle(map, area)).image(pictureFont())});
    }
    const QString html = buildHtml(input, texts, [](MapArea area) { return QStringLiteral("map-%1.png").arg(Map_Area_Name(area)); });
    const qsizetype bodyStart = html.indexOf(QLatin1String("<body>")) + 6;
    QStringList pieces = html.mid(bodyStart, html.lastIndexOf(QLatin1String("</body>")) - bodyStart).split(kPiece, Qt::SkipEmptyParts);
    // A heading stays with what follows it.
    for (qsizetype i = pieces.size() - 2; i >= 0; --i) {
        if (pieces[i].endsWith(QLatin1String("</h2>")) || pieces[i].endsWith(QLatin1String("</h3>"))) {
            pieces[i] += pieces[i + 1];
            pieces.removeAt(i + 1);
        }
    }

    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setTitle(texts.text(TextId::Map_Report) + QStringLiteral(" - ") + input.projectName);
    writer.setCreator(QStringLiteral("ZE52840 %1").arg(QLatin1String(ProductIdentity::kVersion)));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(12, 12, 12, 12),
                                     QPageLayout::Millimeter));
    writer.setResolution(150);
    const QRect page = writer.pageLayout().paintRectPixels(writer.resolution());
    const int footer = writer.resolution() / 4;
    const qreal pageHeight = page.height() - footer;

    // Each piece is laid out on its own and placed on the page where it fits; one document for
    // the whole report would be laid out anew for every page it draws.
    QPainter painter(&writer);
    int pageNumber = 1;
    qreal y = 0;
    const auto finishPage = [&] {
        painter.drawText(QRect(0, page.height() - footer, page.width(), footer), Qt::AlignRight | Qt::AlignBottom,
                         QString::number(pageNumber));
    };
    for (const QString &piece : pieces) {
        QTextDocument document;
        document.documentLayout()->setPaintDevice(&writer);
        // Without shaping there are no ligatures, so that the PDF's text reads back (and
        // searches) as written: "fill" rather than a glyph for "fi".
        QFont font = document.defaultFont();
        font.setStyleStrategy(QFont::PreferNoShaping);
        document.setDefaultFont(font);
        document.setDefaultStyleSheet(kCss);
        for (const auto &[url, image] : images)
            document.addResource(QTextDocument::ImageResource, url, image);
        document.setHtml(piece);
        // A table too wide for the page (the 22 columns of a rule list) would have its words cut
        // ("Positio n", "192.168.1 .10"): it is laid out wider and drawn smaller instead.
        qreal width = page.width();
        document.setTextWidth(width);
        for (int widen = 0; widen < 8 && Breaks_Inside_Words(document); ++widen) {
            width *= 1.125;
            document.setTextWidth(width);
        }
        // A piece taller than a page (the map of a 1500-byte area) is drawn smaller to fit.
        const qreal scale = std::min({1.0, page.width() / width, pageHeight / document.size().height()});
        const qreal height = document.size().height() * scale;
        if (y > 0 && y + height > pageHeight) {
            finishPage();
            writer.newPage();
            ++pageNumber;
            y = 0;
        }
        painter.save();
        painter.translate(0, y);
        painter.scale(scale, scale);
        document.drawContents(&painter);
        painter.restore();
        y += height;
    }
    finishPage();
    painter.end();
    buffer.close();
    return pdf;
}

void Write_Report(const QString &fileName, const ReportInput &input, const TextTable &texts)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == u"pdf")
        Write_File_Safely(fileName, Report_Pdf(input, texts));
    else if (suffix == u"html" || suffix == u"htm")
        Write_File_Safely(fileName, Report_Html(input, texts).toUtf8());
    else
        throw ValueError(QStringLiteral("%1: the report is written as .pdf or .html").arg(QDir::toNativeSeparators(fileName)));
}
