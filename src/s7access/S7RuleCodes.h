#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>

// The device codes of the rule fields that offer a list of texts (PLC Type, Data Type, Data
// Identifier, PLC Area). The rule model, the PLC check and the image compiler read them here.

// Device codes of the editor's texts, matched on the whole text, case-sensitive; any other
// text gets the first code of each list (S7200, Bit, OB, direct peripheral access).
std::uint8_t PLC_Type_Code(QStringView text);
std::uint8_t Data_Type_Code(QStringView text);
std::uint8_t Data_Identifier_Code(QStringView text);
std::uint8_t PLC_Area_Code(QStringView text);

// The editor's text of a code, for people reading an image; empty for a code no text maps to.
// Code 0 of the PLC type reads "S7200".
QString PLC_Type_Text(std::uint8_t code);
QString Data_Type_Text(std::uint8_t code);
QString Data_Identifier_Text(std::uint8_t code);
QString PLC_Area_Text(std::uint8_t code);
