#pragma once

#include "app/ui/AppWindows.h"
#include "support/TestContext.h"

#include <QDir>
#include <QObject>
#include <QString>
#include <gtest/gtest.h>

// The child `name` of `parent`; fails the test when there is none.
template <class T = QWidget>
T *Child(const QObject *parent, const char *name)
{
    T *child = parent->findChild<T *>(QLatin1String(name));
    EXPECT_NE(child, nullptr) << "no child " << name;
    return child;
}

inline QString Native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}
