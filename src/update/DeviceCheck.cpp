#include "update/DeviceCheck.h"

#include "common/TextUtil.h"
#include "platform/Clock.h"
#include "platform/EchoClient.h"
#include "update/UpdateJob.h"

#include <QDir>
#include <QFileInfo>

std::optional<AddressParts> Split_IP_Address(const QString &text)
{
    AddressParts parts;
    QString rest = Trim_Text(text);
    for (int i = 0; i < 3; ++i) {
        const qsizetype dot = rest.indexOf(QLatin1Char('.'));
        if (dot < 0)
            return std::nullopt;
        parts[static_cast<size_t>(i)] = Trim_Text(QStringView(rest).left(dot));
        rest = Trim_Text(QStringView(rest).mid(dot + 1));
    }
    parts[3] = rest;
    // Plain decimal numbers only: a sign or a hexadecimal prefix would be read one way here and
    // another way by the system ("010" is octal 8 there).
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return std::nullopt;
        for (const QChar c : part) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
        }
        if (part.toInt() > 255)
            return std::nullopt;
    }
    return parts;
}

std::optional<QString> Device_Address(const QString &text)
{
    const std::optional<AddressParts> parts = Split_IP_Address(text);
    if (!parts)
        return std::nullopt;
    QStringList numbers;
    for (const QString &part : *parts)
        numbers.append(QString::number(part.toInt()));
    return numbers.join(QLatin1Char('.'));
}

QByteArray Echo_Data(const QString &host)
{
    QByteArray data = host.toUtf8().left(kEchoDataSize);
    data.append(kEchoDataSize - data.size(), '\0');
    return data;
}

PingOutcome Send_Ping(EchoClient &echo, Clock &clock, const QString &host)
{
    PingOutcome outcome;
    const QByteArray data = Echo_Data(host);
    const std::int64_t start = clock.nowMs();
    int successes = 0;
    for (;;) {
        const EchoReply reply = echo.echo(host, data, kEchoTimeoutMs);
        switch (reply.status) {
        case EchoReply::Status::Reply:
            outcome.ping_res = reply.receivedBytes > 0 ? 1 : 2;
            break;
        case EchoReply::Status::Timeout:
            outcome.ping_res = 2;
            break;
        case EchoReply::Status::NoSocket:
            outcome.noSocket = true;
            outcome.errorText = reply.errorText;
            outcome.detail = reply.detail;
            return outcome;
        case EchoReply::Status::Error:
            outcome.errorText = reply.errorText;
            return outcome;
        }
        // The reply has been handled; let the window repaint before the next attempt.
        clock.sleepMs(10, true);
        if (outcome.ping_res == 1 && ++successes >= kRepliesNeeded)
            break;
        if (clock.nowMs() - start > kDeviceCheckLimitMs)
            break;
    }
    outcome.found = outcome.ping_res == 1;
    return outcome;
}

QString Update_Program_Path(const QString &programDir, const QString &ownDir)
{
    const QString name = QString::fromLatin1(UpdateJob::kProgramFileName);
    const QString inProgramDir = QDir::toNativeSeparators(programDir + QLatin1Char('/') + name);
    if (QFileInfo(inProgramDir).isFile())
        return inProgramDir;
    return QDir::toNativeSeparators(ownDir + QLatin1Char('/') + name);
}
