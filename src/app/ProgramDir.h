#pragma once

#include <QString>

// The name of the marker file that an installation puts beside the programs.
inline constexpr const char *kInstalledMarker = "brivant-installed";

// The folder that serves as Program_Dir when no --workspace is given. A portable copy (its
// folder writable, no installation marker beside it) keeps MASTER, PROJECTS, LANGUAGE,
// Brivant.xml and Ethernet_Update.xml beside the program. An installed copy, or one whose
// folder the user cannot write, uses the user's data folder instead (created when missing,
// unless `create` is false: the command-line tool creates it only for a command that works
// in it).
QString Default_Program_Dir(const QString &executableDir, bool create = true);

// The user's data folder for the workspace, e.g. ~/.local/share/Norvalt/ZE52840 (created when
// missing if `create`).
QString User_Workspace_Dir(bool create = true);
