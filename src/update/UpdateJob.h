#pragma once

#include <QByteArray>
#include <QString>

struct ConfigWorkspace;

// The job file Ethernet_Update.xml for the external Ethernet update program: which device,
// on which ports, and which images (firmware, bank 1, bank 2) go to which device addresses.
struct UpdateJob
{
    static constexpr const char *kJobFileName = "Ethernet_Update.xml";
    static constexpr const char *kProgramFileName = "Ethernet_Update.exe";

    QString ipAddressDev;   // the four address texts joined with "." as typed
    int updateOption = 0;   // 0 firmware + configuration, 1 firmware, 2 configuration, -1 none
    bool readBack = true;
    QString masterDir;      // ConfigWorkspace::Master_Dir
    QString projectDir;     // ConfigWorkspace::Project_Dir

    // The job for the open project of `workspace`: the firmware from its MASTER folder, the
    // banks from the project's bin folder.
    static UpdateJob forProject(const ConfigWorkspace &workspace, const QString &ipAddress, int updateOption,
                                bool readBack);

    // The images the operations name: MASTER/Vod52840.sim, bin/bank1.bin, bin/bank2.bin.
    QString firmwareFile() const;
    QString bank1File() const;
    QString bank2File() const;

    // Throws ValueError when a text holds a character that XML cannot carry.
    QByteArray toXml() const;
    // Writes the job safely, replacing an earlier one; throws FileError or ValueError.
    void write(const QString &jobFile) const;
};
