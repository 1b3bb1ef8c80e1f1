#include "common/TextUtil.h"

#include <gtest/gtest.h>

namespace {

struct IntCase
{
    const char *text;
    int expected;
};

class TextToIntTest : public ::testing::TestWithParam<IntCase>
{
};

TEST_P(TextToIntTest, ConvertsOrFallsBack)
{
    const IntCase c = GetParam();
    EXPECT_EQ(Text_To_Int(QString::fromUtf8(c.text), -7), c.expected) << "text: \"" << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextToIntTest,
    ::testing::Values(IntCase{"0", 0}, IntCase{"42", 42}, IntCase{"007", 7}, IntCase{"+5", 5},
                      IntCase{"-5", -5}, IntCase{"   12", 12}, IntCase{" -3", -3},
                      IntCase{"$1F", 31}, IntCase{"x10", 16}, IntCase{"X10", 16}, IntCase{"0x1a", 26},
                      IntCase{"0XFF", 255}, IntCase{"-$10", -16}, IntCase{"+0x10", 16},
                      IntCase{"2147483647", 2147483647}, IntCase{"-2147483648", -2147483647 - 1},
                      IntCase{"$7FFFFFFF", 2147483647}, IntCase{"-$80000000", -2147483647 - 1},
                      // Everything else gives the default.
                      IntCase{"", -7}, IntCase{" ", -7}, IntCase{"+", -7}, IntCase{"-", -7},
                      IntCase{"$", -7}, IntCase{"0x", -7}, IntCase{"12 ", -7}, IntCase{"\t12", -7},
                      IntCase{"1 2", -7}, IntCase{"12a", -7}, IntCase{"1.5", -7}, IntCase{"--1", -7},
                      IntCase{"+-1", -7}, IntCase{"2147483648", -7}, IntCase{"-2147483649", -7},
                      IntCase{"$80000000", -7}, IntCase{"$FFFFFFFF", -7},
                      IntCase{"99999999999999999999", -7}, IntCase{"$G", -7}, IntCase{"0x0x1", -7},
                      IntCase{"\xd9\xa3", -7} /* Arabic-Indic digit three */, IntCase{"1e3", -7}));

TEST(TrimTextTest, RemovesCodesUpTo32OnlyAtTheEnds)
{
    EXPECT_EQ(Trim_Text(u" \t\r\n a b \x01\x1f "), QStringLiteral("a b"));
    EXPECT_EQ(Trim_Text(u"   "), QString());
    EXPECT_EQ(Trim_Text(u"\u00a0x\u00a0"), QStringLiteral("\u00a0x\u00a0")); // no-break space stays
    EXPECT_EQ(Trim_Text(QStringView(u"\0x\0", 3)), QStringLiteral("x"));
}

} // namespace

namespace {

TEST(VisibleTextTest, NamesTheCharactersAMessageCouldNotShow)
{
    const struct
    {
        QString text;
        QString visible;
    } cases[] = {
        {QStringLiteral("Entity 'abc' not declared."), QStringLiteral("Entity 'abc' not declared.")},
        {QStringLiteral("S7-1500 \u00e4\u4e2d"), QStringLiteral("S7-1500 \u00e4\u4e2d")},
        {QString::fromUtf16(u"a\u200bb"), QStringLiteral("a<U+200B>b")},
        {QString::fromUtf16(u"\u202eevil"), QStringLiteral("<U+202E>evil")},
        {QString::fromUtf16(u"tab\there\r\n"), QStringLiteral("tab<U+0009>here<U+000D><U+000A>")},
        {QString::fromUtf16(u"nb\u00a0sp\u2028"), QStringLiteral("nb<U+00A0>sp<U+2028>")},
        {QString::fromUtf16(u"\U0001F600 \xFEFF"), QString::fromUtf16(u"\U0001F600 <U+FEFF>")},
        {QString(QChar(0xD800)), QStringLiteral("<U+D800>")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Visible_Text(c.text), c.visible) << c.visible.toStdString();
}

} // namespace
