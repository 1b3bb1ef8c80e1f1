#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// The PLC tags of the inputs, outputs and flags, from the tag tables the engineering tools
// export: a symbol file ".asc" (lines of "126," then name 24, address 12, type 10 and comment
// 80 characters), ".sdf" (four quoted fixed-width fields) and the tag table export ".xlsx"
// (sheet "PLC Tags" with the columns Name, Data Type and Logical Address such as %MW20).
// German operand letters read as the English ones (E = I, A = Q).

// A tag table file or one xlsx entry beyond this many bytes is refused.
inline constexpr qint64 kMaxTagTableBytes = 16 * 1024 * 1024;
// An xlsx archive may hold this many entries.
inline constexpr int kMaxXlsxEntries = 1000;

struct PlcTag
{
    QString name;
    QString address;   // as the file writes it, trimmed
    QString typeName;  // upper case: BOOL, WORD ...
    QString comment;
    int line = 0;      // line (or spreadsheet row) of the tag
    // Where it lives, when it is an input, output or flag the converter can read:
    QChar area;        // 'I', 'Q' or 'M'; null when not
    int byte = 0;
    int bit = 0;
    int bits = 0;      // 1, 8, 16 or 32
    QString skipReason; // why it cannot become a rule; empty when it can
};

// Reads a tag table by its file name's extension. Throws FileError (unreadable, too large,
// an unknown extension, an xlsx file without the tag sheet) or PlcSourceError naming the line.
std::vector<PlcTag> Load_Plc_Tag_Table(const QString &file);

// The same over the bytes of an .asc or .sdf file.
std::vector<PlcTag> Parse_Asc_Tags(const QByteArray &bytes, const QString &file);
std::vector<PlcTag> Parse_Sdf_Tags(const QByteArray &bytes, const QString &file);

// Fills area, byte, bit and bits of a tag from its address and type, or sets skipReason.
void Resolve_Plc_Tag(PlcTag &tag);
