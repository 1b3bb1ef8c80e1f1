#pragma once

#include <QUrl>

// Opens a web address in the user's browser. Failures are not reported.
class UrlOpener
{
public:
    virtual ~UrlOpener() = default;
    virtual void open(const QUrl &url) = 0;
};
