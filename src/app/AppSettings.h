#pragma once

#include <QString>

// The application settings. All but the last two are kept in Brivant.xml.
struct AppSettings
{
    static constexpr const char *kDefaultIpAddress = "192.168.2.205";
    static constexpr const char *kDefaultLanguage = "English";

    QString Ip_Address = QString::fromLatin1(kDefaultIpAddress); // as typed, not validated
    QString Language = QString::fromLatin1(kDefaultLanguage);
    bool Enable_Internet = false;
    bool Enable_Update = false;          // check for a newer configurator while running
    bool Enable_Jump_Field_Tables = false; // Enter moves to the next cell in the rule tables
    bool Double_Click_Auto_Size = false;   // double click on a heading fits the column

    // Run-time only.
    int Update_Option = 0; // 0 firmware + configuration, 1 firmware, 2 configuration
    bool Read_Back = true;

    bool updateTimerEnabled() const { return Enable_Internet && Enable_Update; }
};
