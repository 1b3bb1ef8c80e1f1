#include "texts/TextId.h"
#include "texts/TextTable.h"

#include <gtest/gtest.h>

namespace {

TEST(TextTableTest, StartsEmptyAndHolds1400TextsAfterLoadingTheDefaults)
{
    TextTable table;
    EXPECT_EQ(table.Text_Count(), 0);
    table.Load_Default_Texts();
    ASSERT_EQ(table.Text_Count(), 1400);

    int used = 0;
    for (const QString &t : table.entries()) {
        EXPECT_FALSE(t.isEmpty());
        if (t != QLatin1String(" "))
            ++used;
    }
    EXPECT_GE(used, 318);
    EXPECT_EQ(table.text(29), QStringLiteral(" "));
    EXPECT_EQ(table.text(1399), QStringLiteral(" "));
    EXPECT_EQ(table.text(-1), QString());
    EXPECT_EQ(table.text(1400), QString());
}

TEST(TextTableTest, KeepsTheExactEnglishTextsWithTheirBlanks)
{
    TextTable table;
    table.Load_Default_Texts();
    EXPECT_EQ(table.text(TextId::Main_ErrorProjectNotValid), QStringLiteral("Error! Project not Valid"));
    EXPECT_EQ(table.text(9), QStringLiteral("None Configuration Opened "));
    EXPECT_EQ(table.text(11), QStringLiteral("Opened Configuration of the Converter : "));
    EXPECT_EQ(table.text(306), QStringLiteral(" / "));
    EXPECT_EQ(table.text(317), QStringLiteral(" to "));
    EXPECT_EQ(table.text(1270), QStringLiteral("Error row "));
    EXPECT_EQ(table.text(1277), QStringLiteral("!! [S7comm Read] Position must be between 0 and "));
    EXPECT_EQ(table.text(100), table.text(101));
    EXPECT_EQ(table.text(203), table.text(103));
    EXPECT_EQ(table.text(1105), QStringLiteral("File already exists. Do you want to overwrite?"));
}

TEST(TextTableTest, ReloadingTheDefaultsUndoesEveryReplacement)
{
    TextTable table;
    table.Load_Default_Texts();
    table.setText(20, QStringLiteral("Kommunikation"));
    table.setText(5000, QStringLiteral("ignored"));
    table.Load_Default_Texts();
    EXPECT_EQ(table.text(20), QStringLiteral("Set Communication"));
    EXPECT_EQ(table.Text_Count(), 1400);
}

} // namespace
