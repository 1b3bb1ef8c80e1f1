#pragma once

#include <memory>

struct AppContext;
class QtTranslation;
class CutTextToolTips;
class TFBrivanteFirmWare;
class TFAbout;
class TFNew_Project;
class TFOpenConf;
class TFSoftOptions;
class TFParGen;
class TFBoot;
class TFS7_Protocol_Set_Access;

// The program's eight windows, created once in this order and kept for the whole run. The
// main window comes first: the others read the product texts and the loaded language. The
// context must have been through Run_Startup.
struct AppWindows
{
    explicit AppWindows(AppContext &context);
    ~AppWindows();
    AppWindows(const AppWindows &) = delete;
    AppWindows &operator=(const AppWindows &) = delete;

    AppContext &context;
    // Qt's own texts in the loaded language; follows every language change.
    std::unique_ptr<QtTranslation> qtTranslation;
    // A text that does not fit its control shows whole as the control's tooltip.
    std::unique_ptr<CutTextToolTips> cutTextToolTips;
    // Declared first, destroyed last: the dialogs are its children.
    std::unique_ptr<TFBrivanteFirmWare> main;
    std::unique_ptr<TFAbout> about;
    std::unique_ptr<TFNew_Project> newProject;
    std::unique_ptr<TFOpenConf> openConf;
    std::unique_ptr<TFSoftOptions> options;
    std::unique_ptr<TFParGen> parGen;
    std::unique_ptr<TFBoot> boot;
    std::unique_ptr<TFS7_Protocol_Set_Access> access;
};
