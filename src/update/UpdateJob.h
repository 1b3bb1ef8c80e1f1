#pragma once

#include <QString>

// The job file Ethernet_Update.xml for the external Ethernet update program.
struct UpdateJob
{
    QString ipAddressDev;   // the four address texts joined with "." as typed
    int updateOption = 0;   // 0 firmware + configuration, 1 firmware, 2 configuration, -1 none
    bool readBack = true;
    QString masterDir;      // ConfigWorkspace::Master_Dir
    QString projectDir;     // ConfigWorkspace::Project_Dir

    QByteArray toXml() const;
    // Writes the job safely; throws FileError.
    void write(const QString &jobFile) const;
};
