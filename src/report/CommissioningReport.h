#pragma once

class QTextDocument;

#include "commparams/CommParams.h"
#include "s7access/S7Protocol.h"
#include "s7access/S7Rule.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

class TextTable;

// What the commissioning report of a project shows, read from its folder.
struct ReportInput
{
    QString projectName;
    QDateTime date;
    CommParams params;
    bool hasParGen = false;
    PositionLimits limits;
    S7RuleList read = Fresh_Rule_List();
    S7RuleList write = Fresh_Rule_List();

    // The images as the update step compiles them, or why they could not be compiled.
    struct Image
    {
        QString name;
        qsizetype size = 0;
        QByteArray sha256;
    };
    std::vector<Image> images;
    int compiledRules = 0;
    quint32 bank1Checksum = 0;
    QString compileError;

    // What the report documents: the saved project files, or an editor's lists that differ
    // from the saved S7_Protocol.xml.
    bool unsavedChanges = false;
    // Whether the lists pass the editor's validation. Images are given only for lists that
    // validate and compile; the report names the first fault instead.
    bool validates = true;
};

// Reads ParGen.xml and S7_Protocol.xml of the project folder (missing files keep their
// defaults, as the windows take them) and compiles the images in memory; nothing is written.
// Throws BrivantError when a file cannot be read.
ReportInput Load_Report_Input(const QString &projectDir, const QDateTime &date);
// The same with the rules an editor shows in place of the project's S7_Protocol.xml; the
// images are compiled from these rules.
ReportInput Load_Report_Input(const QString &projectDir, const QDateTime &date, const S7RuleList &read,
                              const S7RuleList &write);

// The report as one self-contained HTML page: the map pictures are embedded as PNG data,
// and nothing refers to another file or address.
QString Report_Html(const ReportInput &input, const TextTable &texts);

// The same document as PDF, A4 landscape, through Qt's text document and PDF writer. Needs a
// QGuiApplication (fonts).
QByteArray Report_Pdf(const ReportInput &input, const TextTable &texts);

// Called while the report is laid out, with the share done (0 to 100); answering false stops
// the work. It runs on the thread that writes the report.
using ReportProgress = std::function<bool(int percent)>;

// The PDF as above; nothing when `progress` answered false.
std::optional<QByteArray> Report_Pdf(const ReportInput &input, const TextTable &texts, const ReportProgress &progress);

// The file's bytes, PDF or HTML by its suffix (in any letter case); nothing when `progress`
// answered false. Throws ValueError for another suffix.
std::optional<QByteArray> Report_Bytes(const QString &fileName, const ReportInput &input, const TextTable &texts,
                                       const ReportProgress &progress = {});

// The name the save dialog suggests for a project's report: "PROJECT report.pdf".
QString Report_File_Name(const QString &projectName);

// Whether the laid-out document breaks a line inside a word (a table too narrow for its texts).
bool Breaks_Inside_Words(const QTextDocument &document);

// Writes FILE.pdf or FILE.html (by the suffix, in any letter case) safely. Throws ValueError
// for another suffix, FileError when the file cannot be written.
void Write_Report(const QString &fileName, const ReportInput &input, const TextTable &texts);
