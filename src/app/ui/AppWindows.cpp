#include "app/ui/AppWindows.h"

#include "app/ui/AppContext.h"
#include "app/ui/QtTranslation.h"
#include "app/ui/TFAbout.h"
#include "app/ui/TFBrivanteFirmWare.h"
#include "app/ui/TFNew_Project.h"
#include "app/ui/TFOpenConf.h"
#include "commparams/ui/TFParGen.h"
#include "options/ui/TFSoftOptions.h"
#include "s7access/ui/TFS7_Protocol_Set_Access.h"
#include "update/ui/TFBoot.h"
#include "widgets/TextFit.h"

#include <QApplication>

AppWindows::AppWindows(AppContext &ctx)
    : context(ctx),
      qtTranslation(std::make_unique<QtTranslation>()),
      cutTextToolTips(std::make_unique<CutTextToolTips>()),
      main(std::make_unique<TFBrivanteFirmWare>(ctx)),
      about(std::make_unique<TFAbout>(ctx, main.get())),
      newProject(std::make_unique<TFNew_Project>(ctx, main.get())),
      openConf(std::make_unique<TFOpenConf>(ctx, main.get())),
      options(std::make_unique<TFSoftOptions>(ctx, main.get())),
      parGen(std::make_unique<TFParGen>(ctx, main.get())),
      boot(std::make_unique<TFBoot>(ctx, main.get())),
      access(std::make_unique<TFS7_Protocol_Set_Access>(ctx, main.get()))
{
    main->setPeers({about.get(), newProject.get(), openConf.get(), options.get(), parGen.get(), boot.get(),
                    access.get()});
    qtTranslation->apply(ctx.texts.locale());
    QApplication::instance()->installEventFilter(cutTextToolTips.get());
    context.changeLanguage = [this] {
        qtTranslation->apply(context.texts.locale());
        main->Change_Language();
    };
}

AppWindows::~AppWindows()
{
    context.changeLanguage = nullptr;
    main->setPeers({});
}
