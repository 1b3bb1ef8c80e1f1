#pragma once

#include "common/Errors.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

// The data blocks and user data types of the sources that the PLC engineering tools write
// ("Generate source from blocks": .db, .udt, .awl, .scl), and the absolute layout of blocks
// with standard access. Other blocks of a program's source (function blocks, functions,
// organisation blocks) are skipped.
//
// Sources come from users: each file is bounded in size, every declaration in nesting, each
// block in length and the whole set in elementary members, before the work they would cause.

inline constexpr qsizetype kMaxPlcSourceFileSize = 16 * 1024 * 1024;
inline constexpr int kMaxPlcSourceFiles = 64;
// STRUCT, ARRAY and UDT levels of one member, counted through UDT references too.
inline constexpr int kMaxPlcNesting = 24;
// A data block with standard access holds at most 64 kB.
inline constexpr qint64 kMaxPlcBlockBytes = 65536;
// Elementary members of all blocks together.
inline constexpr qint64 kMaxPlcMembers = 1000000;

// A source that cannot be imported: the file, the 1-based line and the reason. Nothing of a
// set of files is imported when one of them is refused.
class PlcSourceError : public BrivantError
{
public:
    PlcSourceError(const QString &file, int line, const QString &reason);
    QString file() const { return m_file; }
    int line() const { return m_line; }
    QString reason() const { return m_reason; }

private:
    QString m_file;
    int m_line;
    QString m_reason;
};

// The elementary types whose standard layout is known.
enum class PlcElementary {
    Bool, Byte, Char, Word, Int, DWord, DInt, Real, SInt, USInt, UInt, UDInt, Time, Date,
    TimeOfDay, S5Time, DateAndTime, String
};

struct PlcTypeNode;

struct PlcMemberDecl
{
    QString name;
    std::shared_ptr<const PlcTypeNode> type;
    int line = 0;
};

// A declared type as the source writes it; UDT references are resolved when the set is laid out.
struct PlcTypeNode
{
    enum class Kind { Elementary, Array, Struct, UdtRef };
    Kind kind = Kind::Elementary;
    PlcElementary elementary = PlcElementary::Bool;
    int stringLength = 0; // STRING[n]
    std::vector<std::pair<int, int>> dims; // ARRAY bounds, first to last dimension
    std::shared_ptr<const PlcTypeNode> element; // ARRAY OF
    std::vector<PlcMemberDecl> members; // STRUCT
    QString udtName;   // UdtRef by name (without quotes)
    int udtNumber = -1; // UdtRef by number (UDT 5)
    QString file;
    int line = 0;
};

struct PlcUdtDecl
{
    QString name;   // without quotes; empty for UDT n
    int number = -1;
    std::shared_ptr<const PlcTypeNode> type; // a Struct
    QString file;
    int line = 0;
};

struct PlcBlockDecl
{
    QString name;   // without quotes; empty for DB n
    int number = -1;
    std::shared_ptr<const PlcTypeNode> type; // a Struct or a UdtRef (a DB of a UDT's type)
    QString file;
    int line = 0;
};

// What the files declare, in file order.
struct PlcSourceSet
{
    std::vector<PlcUdtDecl> udts;
    std::vector<PlcBlockDecl> blocks;
    // The function blocks seen ("FB10", or the name without quotes), lower case: a DB of
    // their type is an instance DB.
    QStringList functionBlocks;
};

// Decodes a source: UTF-8 with or without byte-order mark, else Windows-1252.
QString Decode_Plc_Source(const QByteArray &bytes);

// Adds the declarations of one source to `set`; `file` names it in errors. Throws PlcSourceError.
void Parse_Plc_Source(const QString &text, const QString &file, PlcSourceSet &set);

// One elementary member at its absolute address.
struct PlcMemberLayout
{
    QString path;     // Motor.Speed, Values[3], Grid[1,2]
    PlcElementary type = PlcElementary::Bool;
    int stringLength = 0;
    int byte = 0;
    int bit = 0;      // 0 unless BOOL
    int bits = 1;     // its size in bits
    int line = 0;     // of its declaration
    QString typeName() const; // BOOL, TIME_OF_DAY, STRING[20]
};

struct PlcBlockLayout
{
    QString name;   // DB100, or the name without its quotes
    int number = -1; // -1 when the file has none
    int length = 0; // bytes, even
    QString file;
    int line = 0;
    std::vector<PlcMemberLayout> members; // elementary members in address order
};

// Lays out every data block of the set. Throws PlcSourceError (an unknown UDT, a block beyond
// 64 kB, a UDT that contains itself, too many members).
std::vector<PlcBlockLayout> Plc_Layout(const PlcSourceSet &set);

// Reads, parses and lays out the files together (UDTs may be defined in any of them). Throws
// PlcSourceError or FileError.
std::vector<PlcBlockLayout> Load_Plc_Sources(const QStringList &files);

// The S7 address of a member as an engineer writes it: DB100.DBX36.5, DB100.DBB3,
// DB100.DBW20, DB100.DBD24; a block without number is written by its quoted name.
QString Plc_Member_Address(const PlcBlockLayout &block, const PlcMemberLayout &member);

// The layout as JSON: one array of blocks.
QByteArray Plc_Layout_Json(const std::vector<PlcBlockLayout> &blocks);
