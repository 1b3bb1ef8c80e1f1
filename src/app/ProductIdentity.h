#pragma once

#include <QString>

// The fixed texts that name the product.
struct ProductIdentity
{
    static constexpr const char *kVersion = "1.002";
    static constexpr const char *kDocumentCode = "RU52840";
    static constexpr const char *kModelName = "DA52840";

    QString Window_Title = QStringLiteral("Norvalt - Configurator ZE52840 - S7comm / PROFIBUS Slave ");
    QString Software_Code = QStringLiteral("ZE52840");
    QString Software_Description = QStringLiteral("R7araz / IRUDODAZ Uzizu - Zovaredid");
};
