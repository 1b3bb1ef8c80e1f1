#pragma once

#include <QString>

// The folders and files the configurator works in. Paths join a folder and a name with the
// native separator; folder and file names are fixed.
struct ConfigWorkspace
{
    QString Program_Dir;  // without a trailing separator
    QString Master_Dir;   // Program_Dir/MASTER: firmware and master data for the update program
    QString Projects_Dir; // Program_Dir/PROJECTS: one folder per project
    QString Language_Dir; // Program_Dir/LANGUAGE: the *.lng files and their flags
    QString Project_Name; // empty when none was ever opened
    QString Project_Dir;  // empty while no project is open
    QString ParGen_File;
    QString S7_Protocol_File;

    // Sets Program_Dir and the three folders formed from it.
    void setProgramDir(const QString &programDir);

    // Creates MASTER, PROJECTS and LANGUAGE, one level only, where missing; failures are silent.
    void createFolders() const;

    // ParGen_File and S7_Protocol_File from Project_Dir.
    void Set_Files();

    // Opens the project `name` (a folder in PROJECTS) or, with an empty name, none.
    void openProject(const QString &name);

    bool projectOpen() const { return !Project_Dir.isEmpty(); }

    QString settingsFile() const;   // Program_Dir/Brivant.xml
    QString updateJobFile() const;  // Program_Dir/Ethernet_Update.xml

    // Names that would leave PROJECTS, or that the open dialog could not list: path separators,
    // "." and "..", control characters. (An empty name is refused on its own.)
    static bool Project_Name_Is_Refused(const QString &name);

    // Joins a folder and a name with the native separator.
    static QString join(const QString &folder, const QString &name);
};
