#pragma once

#include "s7access/S7Rule.h"

#include <QString>

// The rule's PLC data item as an S7 engineer writes it: DB10.DBW20, DB5.DBX3.1, MB12, QW2,
// I3.4. A rule whose Data_Identifier is "DB" addresses its data block; any other rule its
// PLC_Area (P, I, Q, M). Numbers that cannot be read are shown as typed.
QString S7_Address_Text(const S7Rule &rule);
