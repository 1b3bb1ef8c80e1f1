#include "app/WebServer.h"

#include "app/ProductIdentity.h"

#include <QUrlQuery>

namespace WebServer {

namespace {

QUrl withPath(const QString &path)
{
    QUrl url = Base_Url();
    url.setPath(path);
    return url;
}

} // namespace

QUrl Base_Url()
{
    QString base = qEnvironmentVariable(kEnvironmentVariable).trimmed();
    if (base.isEmpty())
        base = QString::fromLatin1(kHost);
    if (!base.contains(QLatin1String("://")))
        base.prepend(QLatin1String("http://"));
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return QUrl(base);
}

QString Display_Address()
{
    return Base_Url().authority();
}

QUrl Version_Query_Url(const QString &softwareCode)
{
    QUrl url = withPath(QStringLiteral("/home/download/GetversionSW.asp"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("nomesw"), softwareCode);
    url.setQuery(query);
    return url;
}

QUrl Download_Page_Url()
{
    QUrl url = withPath(QStringLiteral("/Home/download/download.asp"));
    url.setFragment(QString::fromLatin1(ProductIdentity::kModelName));
    return url;
}

QUrl Home_Page_Url(const QString &softwareCode)
{
    QUrl url = withPath(QStringLiteral("/HOME/default.asp"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("frompg"), softwareCode);
    url.setQuery(query);
    return url;
}

} // namespace WebServer
