#pragma once

#include <QString>

// The one rule by which the program reads an integer from a text: optional leading spaces
// (the space character only), an optional sign, then decimal digits or a hexadecimal number
// introduced by "$", "x", "X", "0x" or "0X". Nothing may follow and the value must fit a
// signed 32-bit integer; anything else yields the default.
int Text_To_Int(QStringView text, int defaultValue);

// Removes leading and trailing characters with codes 0 to 32 (blanks and control characters).
QString Trim_Text(QStringView text);

// A text from a file made fit for a message: every character that cannot be seen or that
// changes how the text around it shows (control and format characters, line and paragraph
// separators, spaces other than the blank, lone surrogates) is written as <U+XXXX>.
QString Visible_Text(QStringView text);
