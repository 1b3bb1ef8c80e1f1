#include "support/TestContext.h"

#include "app/Startup.h"

#include <QDir>

TestContext::TestContext()
{
    context.services.messages = &messages;
    context.services.modal = &modal;
    context.services.files = &files;
    context.services.urls = &urls;
    startup();
}

void TestContext::startup()
{
    Run_Startup(workspace.path(), context.workspace, context.settings, context.texts);
}

QString TestContext::openNewProject(const QString &name)
{
    const QString dir = workspace.mkdir(QStringLiteral("PROJECTS/") + name + QStringLiteral("/bin"));
    context.workspace.openProject(name);
    return QDir::cleanPath(dir + QStringLiteral("/.."));
}
