// The value-list reader: fields up to each comma, missing commas giving empty fields, the last field
// taking the rest, and the leading-integer rule of numeric fields.
#include <gtest/gtest.h>

#include <climits>

#include "app/value_list.h"

namespace {

using app::ParseLeadingInt;
using app::ValueList;

TEST(ValueList, FieldsRunToEachCommaAndTheLastTakesTheRest) {
    ValueList list("Base,1,base.bmp,,2,a.zip,,b.zip,bin");
    EXPECT_EQ(list.Text(), "Base");
    EXPECT_EQ(list.Number(), 1);
    EXPECT_EQ(list.Text(), "base.bmp");
    EXPECT_EQ(list.Text(), "");
    EXPECT_EQ(list.Number(), 2);
    EXPECT_EQ(list.Last(), "a.zip,,b.zip,bin");
    EXPECT_TRUE(list.Empty());
}

TEST(ValueList, FieldWithoutCommaIsEmptyAndLeavesTheText) {
    // "Finance" as a product entry: every field before the last is empty or 0, the last takes it all.
    ValueList list("Finance");
    EXPECT_EQ(list.Text(), "");
    EXPECT_EQ(list.Number(), 0);
    EXPECT_EQ(list.Number(), 0);
    EXPECT_EQ(list.Rest(), "Finance");
    EXPECT_EQ(list.Last(), "Finance");
    EXPECT_EQ(list.Last(), "");
}

TEST(ValueList, TextFieldsAreNotTrimmed) {
    ValueList list(" a , b ");
    EXPECT_EQ(list.Text(), " a ");
    EXPECT_EQ(list.Last(), " b ");
}

TEST(ValueList, NumbersAreLeadingDecimalIntegers) {
    EXPECT_EQ(ParseLeadingInt("  12abc"), 12);
    EXPECT_EQ(ParseLeadingInt("\t7"), 7);
    EXPECT_EQ(ParseLeadingInt(""), 0);
    EXPECT_EQ(ParseLeadingInt("x1"), 0);
    EXPECT_EQ(ParseLeadingInt("-3"), 0);
    EXPECT_EQ(ParseLeadingInt("+3"), 0);
    EXPECT_EQ(ParseLeadingInt(" -1"), 0);
    EXPECT_EQ(ParseLeadingInt("1 2"), 1);
    EXPECT_EQ(ParseLeadingInt("99999999999999999999"), INT_MAX);
    EXPECT_EQ(ParseLeadingInt("-99999999999999999999"), 0);
}

}  // namespace
