#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <span>
#include <vector>

// One read or write rule of the S7comm access list. Every field is a text kept exactly as
// the user entered it; numbers are read only where they are used.
struct S7Rule
{
    enum class List { Read, Write };

    // Every field of a write rule, in write-file order; a read rule lacks OnChange and OnCMD.
    enum class Field {
        Enable, PLC_Address, PLC_Port, PLC_Type, Rack, Slot, Data_Type, Data_Identifier,
        DB_Number, PLC_Area, PLC_Add, PLC_Bit, PollTime, OnChange, OnCMD, Position, Bit, Swap,
        SwapWord, Mnemonic
    };
    static constexpr int kFieldCount = 20;

    QString Enable = QStringLiteral("Y");
    QString PLC_Address, PLC_Port, PLC_Type, Rack, Slot, Data_Type, Data_Identifier, DB_Number,
        PLC_Area, PLC_Add, PLC_Bit, PollTime, OnChange, OnCMD, Position, Bit, Swap, SwapWord,
        Mnemonic;

    // In use when the trimmed PLC_Address is not empty.
    bool inUse() const;

    // The attribute names of a list, in file and grid order (18 read, 20 write).
    static const QStringList &fieldNames(List list);
    // The fields of a list, in the same order.
    static std::span<const Field> fields(List list);
    static int fieldCount(List list) { return list == List::Read ? 18 : 20; }
    // The attribute name of a field.
    static const QString &fieldName(Field field);
    // The check-box fields (stored "Y" or "N").
    static bool isCheckBox(Field field);
    // The texts a drop-down field (PLC_Type, Data_Type, Data_Identifier, PLC_Area) offers and
    // the device knows; empty for the other fields.
    static const QStringList &choices(Field field);

    QString &operator[](Field field);
    const QString &operator[](Field field) const;

    // Field by attribute name, for the grids and the readers. An unknown name is a programming
    // error (asserted); in release builds it yields Mnemonic.
    QString &field(const QString &name);
    const QString &field(const QString &name) const;
    // The rule's cells of `list` in column order.
    QStringList cells(List list) const;
    // Takes the cells of `list` in column order; missing cells become empty, extra ones are ignored.
    void setCells(List list, const QStringList &cells);

    // A rule with every field empty, Enable included (what Delete Row leaves in the last row).
    static S7Rule cleared();

    bool operator==(const S7Rule &) const = default;
};

inline constexpr int kMaxRules = 512;

// The most characters a rule's cell holds (a mnemonic, an address): the editor, the CSV import,
// the reader and the writer of S7_Protocol.xml all keep to it, so that whatever is saved can be
// read back (1024 rules at the bound still need a bound on the file, see kMaxXmlFileSize).
inline constexpr int kMaxCellLength = 1000;

// A list of 512 rules; fresh rules are Enable "Y" and every other field empty.
using S7RuleList = std::vector<S7Rule>;
S7RuleList Fresh_Rule_List();

// The rules from the top up to the first one not in use: what S7_Protocol.xml holds.
int Rules_In_Use(const S7RuleList &rules);

// "Read" or "Write", as the lists are named in messages and in CSV files.
QString List_Name(S7Rule::List list);
