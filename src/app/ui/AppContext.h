#pragma once

#include "app/AppSettings.h"
#include "app/ConfigWorkspace.h"
#include "app/ProductIdentity.h"
#include "texts/TextTable.h"

#include <QStringList>
#include <functional>

class MessageService;
class ModalRunner;
class FileDialogs;
class UrlOpener;
class EchoClient;
class ProcessRunner;
class HttpClient;
class Clock;
class PlcCheckService;
class PlcScanService;

// The services the windows use; not owned. main() passes the real ones, tests strict fakes.
struct AppServices
{
    MessageService *messages = nullptr;
    ModalRunner *modal = nullptr;
    FileDialogs *files = nullptr;
    UrlOpener *urls = nullptr;
    EchoClient *echo = nullptr;
    ProcessRunner *processes = nullptr;
    HttpClient *http = nullptr;
    Clock *clock = nullptr;
    PlcCheckService *plc = nullptr; // the read-only PLC check of the access-list editor
    PlcScanService *plcScan = nullptr; // the editor's Find PLCs
};

// The state shared by all windows, created by main() and passed to every window's
// constructor. There are no globals.
struct AppContext
{
    ConfigWorkspace workspace;
    AppSettings settings;
    ProductIdentity identity;
    TextTable texts;
    QStringList Copy_Row_List; // the access-list editor's row clipboard
    AppServices services;
    // Re-labels every window after a language change (set by the main window).
    std::function<void()> changeLanguage;

    QString text(int index) const { return texts.text(index); }
};
