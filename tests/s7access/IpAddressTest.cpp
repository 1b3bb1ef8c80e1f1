#include "s7access/IpAddress.h"

#include <gtest/gtest.h>

namespace {

struct IpCase
{
    const char *text;
    bool error;
    std::array<std::uint8_t, 4> bytes;
};

TEST(ParseIpAddressTest, DottedTextToFourBytes)
{
    const IpCase cases[] = {
        {"192.168.1.125", false, {192, 168, 1, 125}},
        {"0.0.0.0", false, {0, 0, 0, 0}},
        {"255.255.255.255", false, {255, 255, 255, 255}},
        {"+1.2.3.4", false, {1, 2, 3, 4}},
        {" 10.0.0.1", false, {10, 0, 0, 1}},
        {"$C0.x10.0X1.4", false, {192, 16, 1, 4}},
        {"192.168.1.125 ", true, {192, 168, 1, 0}},
        {"10.0.0", true, {10, 0, 0, 0}},          // third part empty, fourth "0" read again
        {"192.168.1", true, {192, 168, 0, 1}},  // third part empty, fourth "1"
        {"1.2.3.4.5", true, {1, 2, 3, 0}},        // the fourth part is "4.5"
        {"256.1.1.1", true, {0, 1, 1, 1}},
        {"300.1.1.1", true, {0, 1, 1, 1}},
        {"a.b.c.d", true, {0, 0, 0, 0}},
        {"1..2.3", true, {1, 0, 2, 3}},
        {"-1.2.3.4", true, {0, 2, 3, 4}},
        {"1.2.3.4 ", true, {1, 2, 3, 0}},
    };
    for (const IpCase &c : cases) {
        const ParsedIp ip = Parse_IP_Address(QString::fromLatin1(c.text), {9, 9, 9, 9});
        EXPECT_EQ(ip.error, c.error) << c.text;
        EXPECT_EQ(ip.bytes, c.bytes) << c.text;
    }
}

TEST(ParseIpAddressTest, EmptyTextIsAnErrorAndKeepsThePreviousBytes)
{
    const ParsedIp ip = Parse_IP_Address(u"", {1, 2, 3, 4});
    EXPECT_TRUE(ip.error);
    EXPECT_EQ(ip.bytes, (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(Parse_IP_Address(u"192.168.1.125").value(), 0xC0A8017Du);
}

} // namespace
