#include "app/ui/ActionGuard.h"

#include "common/Errors.h"
#include "platform/MessageService.h"

#include <QString>
#include <exception>
#include <new>

bool Run_Guarded(MessageService &messages, const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const BrivantError &e) {
        messages.generalError(e.text());
    } catch (const std::bad_alloc &) {
        messages.generalError(QStringLiteral("Out of memory."));
    } catch (const std::exception &e) {
        messages.generalError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}
