#pragma once

#include "s7access/S7Rule.h"

#include <QString>

// The PLC item of a rule as an engineer writes it: DB100.DBW20, DB1.DBX4.3, MB12, QW2, I3.4.
// A rule whose Data Identifier is "DB" addresses DB Number; any other identifier addresses the
// rule's PLC Area (P, I, Q or M). Numbers are read as the device reads them.
QString S7_Address_Text(const S7Rule &rule);
