#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

class Clock;
class EchoClient;

// The four parts of a dotted IPv4 address as texts.
using AddressParts = std::array<QString, 4>;

// Splits a dotted address into four trimmed texts; succeeds only when each is a plain decimal
// number (one to three digits) from 0 to 255. Blanks around the dots and at both ends are
// allowed; the fourth part takes the rest after the third dot.
std::optional<AddressParts> Split_IP_Address(const QString &text);

// The address to check and to write into the job: the four parts of Split_IP_Address as
// plain decimal numbers ("010" gives 10), or nothing when the text is no address.
std::optional<QString> Device_Address(const QString &text);

// The outcome of a device check.
struct PingOutcome
{
    bool found = false;
    // 0 no answer reported yet, 1 the last reply carried data, 2 the last attempt brought a
    // reply without data or none in time.
    int ping_res = 0;
    // The system allows no ICMP socket at all; errorText says so.
    bool noSocket = false;
    // Why the check ended early (the host cannot be resolved, the request not sent).
    QString errorText;
    // For noSocket: the system's reasons alone.
    QString detail;
};

// A device counts as found after two replies carrying data. Each attempt waits at most
// 400 ms for its reply; after 5 s without the second reply the check gives up. A request
// that cannot be sent (host text no address and no known name) ends the check at once.
inline constexpr int kEchoTimeoutMs = 400;
inline constexpr int kDeviceCheckLimitMs = 5000;
inline constexpr int kEchoDataSize = 1024;
inline constexpr int kRepliesNeeded = 2;

// The echo data: the host text, padded with zero bytes to 1024 bytes.
QByteArray Echo_Data(const QString &host);

// Checks the device at `host` by ICMP echo. Between attempts it sleeps 10 ms on `clock`
// and lets the window repaint.
PingOutcome Send_Ping(EchoClient &echo, Clock &clock, const QString &host);

// The update program: Program_Dir/Ethernet_Update.exe when that file exists, else the one
// beside the configurator's own executable (in `ownDir`).
QString Update_Program_Path(const QString &programDir, const QString &ownDir);
