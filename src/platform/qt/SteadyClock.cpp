#include "platform/qt/SteadyClock.h"

#include <QCoreApplication>
#include <QThread>

void SteadyClock::sleepMs(int ms, bool processEvents)
{
    QThread::msleep(static_cast<unsigned long>(ms));
    if (processEvents && QCoreApplication::instance())
        QCoreApplication::processEvents();
}
