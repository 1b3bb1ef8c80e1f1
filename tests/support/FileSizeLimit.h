#pragma once

#include <QString>

#include <functional>
#include <optional>

// Runs `body` in a forked child whose files may not grow beyond `limitBytes` (RLIMIT_FSIZE,
// SIGXFSZ ignored, so that a write past the limit fails as on a full disk). Returns the text
// the body returned, or nothing when the child did not end normally (a crash, a signal).
std::optional<QString> Run_With_File_Size_Limit(long limitBytes, const std::function<QString()> &body);
