#pragma once

#include <QString>

// The program's message boxes. Windows never open a QMessageBox themselves.
class MessageService
{
public:
    virtual ~MessageService() = default;
    // Error icon, one OK button.
    virtual void error(const QString &text) = 0;
    // Warning icon, one OK button.
    virtual void warning(const QString &text) = 0;
    // Information icon, one OK button.
    virtual void information(const QString &text) = 0;
    // Confirmation icon, Yes and No; true only for Yes.
    virtual bool question(const QString &text) = 0;
    // The application's general error report for errors an action did not handle.
    virtual void generalError(const QString &text) = 0;
};
