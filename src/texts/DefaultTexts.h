#pragma once

#include <span>

namespace DefaultTexts {

struct Entry
{
    int index;
    const char *text; // ASCII
};

// The built-in English texts that are not a single blank, in index order.
std::span<const Entry> entries();

} // namespace DefaultTexts
