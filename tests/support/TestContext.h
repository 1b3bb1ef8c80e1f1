#pragma once

#include "app/ui/AppContext.h"
#include "support/FakeServices.h"
#include "support/TempWorkspace.h"

// A fresh AppContext over a temporary workspace, with strict fakes for the dialog services.
// Other services (echo, processes, HTTP, clock) are left for the test to set.
struct TestContext
{
    TestContext();

    // Runs the start-up steps that need no window over the temporary workspace.
    void startup();
    // Creates PROJECTS/name (with bin) and opens it.
    QString openNewProject(const QString &name);

    TempWorkspace workspace;
    FakeMessageService messages;
    FakeModalRunner modal;
    FakeFileDialogs files;
    FakeUrlOpener urls;
    AppContext context;
};
