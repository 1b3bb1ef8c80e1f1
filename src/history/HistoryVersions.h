#pragma once

#include "commparams/CommParams.h"
#include "history/ProjectHistory.h"
#include "s7access/S7Rule.h"

#include <QString>
#include <optional>
#include <vector>

// A kept version as people see it: what it holds in short, or why it cannot be read.
struct HistoryVersion
{
    HistoryEntry entry;
    QString problem; // empty when the version reads as its file
    // S7_Protocol.xml: the rules held and how many of them are enabled.
    int readRules = 0;
    int readEnabled = 0;
    int writeRules = 0;
    int writeEnabled = 0;
    // ParGen.xml
    CommParams params;

    bool readable() const { return problem.isEmpty(); }
    // "read 12 (10 enabled), write 3 (3 enabled)" or "192.168.0.5/255.255.255.0, gateway off,
    // station 10, in 244, out 244", or "unreadable: " and the reason.
    QString summary() const;
};

// Reads what a version holds; a link, a folder or a file that is not its kind of XML is
// marked unreadable, never followed.
HistoryVersion Read_History_Entry(const HistoryEntry &entry);

// Every version of the project, oldest first (see List_History; throws FileError likewise).
std::vector<HistoryVersion> Read_History(const QString &projectDir);

// The versions of one file ("ParGen.xml", "S7_Protocol.xml"), newest first, for the windows.
std::vector<HistoryVersion> Read_File_History(const QString &projectDir, const QString &fileName);

// The rules of an S7_Protocol.xml version into lists of 512 fresh rules; the reason when the
// version cannot be read.
std::optional<QString> Load_History_Rules(const HistoryEntry &entry, S7RuleList &read, S7RuleList &write);

// The parameters of a ParGen.xml version as the window reads them; throws FileError or
// XmlError when it cannot be read.
CommParams Load_History_Params(const HistoryEntry &entry);

// Puts the version NAME back as the project's live file, its bytes as they were kept; the
// file it replaces is kept first (unless KeepHistory::No), so that a restore can itself be
// undone. Throws FileError when there is no such readable version, HistoryError when the
// replaced file cannot be kept, FileError when the live file cannot be written.
// Returns the live file's path.
QString Restore_From_History(const QString &projectDir, const QString &name, KeepHistory keep = KeepHistory::Yes);
