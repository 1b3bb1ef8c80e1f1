#include "options/VersionCheck.h"

#include "app/ProductIdentity.h"
#include "common/TextUtil.h"
#include "platform/HttpClient.h"

int Conv_Version(const QString &Ver_str)
{
    const qsizetype blank = Ver_str.indexOf(u' ');
    const QString version = Trim_Text(blank >= 0 ? QStringView(Ver_str).mid(blank + 1) : QStringView(Ver_str));
    if (version.size() < 5)
        return -1;
    // d.ddd: the point at position 2 is left out.
    const QString digits = version.at(0) + version.mid(2, 3);
    return Text_To_Int(digits, -1);
}

bool Is_Newer_Version(const QString &answer)
{
    const QString trimmed = Trim_Text(answer);
    const QString upper = trimmed.toUpper();
    if (upper.isEmpty() || upper == QLatin1String("VER. 0.000"))
        return false;
    const int local = Conv_Version(QString::fromLatin1(ProductIdentity::kVersion));
    const int remote = Conv_Version(trimmed);
    return local != -1 && remote != -1 && remote > local;
}

VersionAnswer Ask_Version(HttpClient &http, const QUrl &queryUrl, int timeoutMs)
{
    const std::optional<QByteArray> body = http.get(queryUrl, QByteArray(kVersionAccept), timeoutMs);
    if (!body)
        return VersionAnswer::Unreachable;
    return Is_Newer_Version(QString::fromUtf8(*body)) ? VersionAnswer::Newer : VersionAnswer::NotNewer;
}

bool Check_Version(HttpClient &http, const QUrl &queryUrl, int timeoutMs)
{
    return Ask_Version(http, queryUrl, timeoutMs) == VersionAnswer::Newer;
}

QString Update_Link_Html(const QUrl &target, const QString &caption)
{
    return QStringLiteral("<a href=\"%1\">%2</a>")
        .arg(target.toString(QUrl::FullyEncoded).toHtmlEscaped(), caption.toHtmlEscaped());
}
