#include "rdb_rgb.h"

#include "test_support.h"

namespace {

const char* const UNKNOWN_NAME_WARNING = "WARNING: Converting an unknown color - returning RDB_RGB_DEFAULT_COLOR";

} // namespace

TEST(RdbRgb, EveryNamedColourRoundTripsThroughItsRgbValue)
{
    DEBUG_RECORDER rec;
    for (int value = RDB_COLOR_RED; value <= RDB_COLOR_VEXA_DAISY_S2; ++value) {
        const auto color = static_cast<RDB_COLOR_NAME>(value);
        const unsigned int rgb = rdb_get_rgb_value_by_name(color);
        EXPECT_LE(rgb, 0xFFFFFFu) << value;
        EXPECT_EQ(rdb_get_color_name_by_rgb_value(rgb), color) << value;
        // The text form written to files reads back to the same colour.
        EXPECT_EQ(rdb_get_color_name_by_rgb_value(rdb_get_rgb_color(rdb_get_string_color(rgb))), color) << value;
    }
    EXPECT_TRUE(rec.lines().empty());
}

TEST(RdbRgb, SampleValuesAndWords)
{
    EXPECT_EQ(rdb_get_rgb_value_by_name(RDB_COLOR_RED), 0xFF0000u);
    EXPECT_EQ(rdb_get_rgb_value_by_name(RDB_COLOR_BLACK), 0x000000u);
    EXPECT_EQ(rdb_get_rgb_value_by_name(RDB_COLOR_WHITE), 0xFFFFFFu);
    EXPECT_EQ(rdb_get_rgb_value_by_name(RDB_COLOR_VEXA_BLUE_STEEL), 0x548FADu);
    EXPECT_EQ(rdb_get_rgb_value_by_name(RDB_COLOR_VEXA_DAISY_S2), 0xC98F00u);
    EXPECT_EQ(rdb_get_color_name_by_rgb_value(0), RDB_COLOR_BLACK);

    EXPECT_EQ(rdb_get_rgb_string_by_name(RDB_COLOR_LIGHT_RED), "light red");
    EXPECT_EQ(rdb_get_rgb_string_by_name(RDB_COLOR_DARK_ORCHID), "dark_orchid");
    EXPECT_EQ(rdb_get_rgb_string_by_name(RDB_COLOR_GRAY93), "gray93");
    EXPECT_EQ(rdb_get_rgb_string_by_name(RDB_COLOR_VEXA_CORAL_S3), "vexa_coral_s3");
    EXPECT_EQ(rdb_get_rgb_string_by_name(RDB_COLOR_DEFAULT), "black");
    EXPECT_EQ(rdb_get_rgb_string_by_name(RDB_COLOR_UNKNOWN), "black");
    EXPECT_EQ(rdb_get_rgb_string_by_name(static_cast<RDB_COLOR_NAME>(74)), "black");
    EXPECT_EQ(rdb_get_rgb_string_by_name(static_cast<RDB_COLOR_NAME>(-1)), "black");
}

TEST(RdbRgb, DefaultColourHasNoRgbAndNoWarning)
{
    DEBUG_RECORDER rec;
    EXPECT_EQ(rdb_get_rgb_value_by_name(RDB_COLOR_DEFAULT), RDB_RGB_DEFAULT_COLOR);
    EXPECT_EQ(rdb_get_color_name_by_rgb_value(RDB_RGB_DEFAULT_COLOR), RDB_COLOR_DEFAULT);
    EXPECT_TRUE(rec.lines().empty());
}

TEST(RdbRgb, UnknownAndOutOfRangeNamesWarnAndGiveDefaultRgb)
{
    {
        DEBUG_RECORDER rec;
        EXPECT_EQ(rdb_get_rgb_value_by_name(RDB_COLOR_UNKNOWN), RDB_RGB_DEFAULT_COLOR);
        ASSERT_EQ(rec.lines().size(), 1u);
        EXPECT_EQ(rec.lines()[0].text, UNKNOWN_NAME_WARNING);
        EXPECT_EQ(rec.lines()[0].level, 2);
        EXPECT_EQ(rec.lines()[0].component, "RDB");
    }
    {
        DEBUG_RECORDER rec;
        EXPECT_EQ(rdb_get_rgb_value_by_name(static_cast<RDB_COLOR_NAME>(74)), RDB_RGB_DEFAULT_COLOR);
        EXPECT_EQ(rdb_get_rgb_value_by_name(static_cast<RDB_COLOR_NAME>(-5)), RDB_RGB_DEFAULT_COLOR);
        EXPECT_EQ(rec.lines().size(), 2u);
        EXPECT_TRUE(rec.saw(UNKNOWN_NAME_WARNING));
    }
}

TEST(RdbRgb, UnknownRgbWarnsWithLowerCaseHex)
{
    DEBUG_RECORDER rec;
    EXPECT_EQ(rdb_get_color_name_by_rgb_value(0x123456u), RDB_COLOR_UNKNOWN);
    EXPECT_EQ(rdb_get_color_name_by_rgb_value(0xABCDEFu), RDB_COLOR_UNKNOWN);
    ASSERT_EQ(rec.lines().size(), 2u);
    EXPECT_EQ(rec.lines()[0].text, "WARNING: Color 123456 is unknown!");
    EXPECT_EQ(rec.lines()[0].level, 2);
    EXPECT_EQ(rec.lines()[1].text, "WARNING: Color abcdef is unknown!");
}

TEST(RdbRgb, OlderShadesMapToTheirNearestColour)
{
    DEBUG_RECORDER rec;
    EXPECT_EQ(rdb_get_color_name_by_rgb_value(0xEE0000u), RDB_COLOR_RED);
    EXPECT_EQ(rdb_get_color_name_by_rgb_value(0xA020F0u), RDB_COLOR_DARK_ORCHID);
    EXPECT_EQ(rdb_get_color_name_by_rgb_value(0x0000AAu), RDB_COLOR_MEDIUM_BLUE);
    EXPECT_EQ(rdb_get_color_name_by_rgb_value(0xEE8800u), RDB_COLOR_DARK_ORANGE);
    EXPECT_EQ(rdb_get_color_name_by_rgb_value(0xAA0000u), RDB_COLOR_FIRE_BRICK);
    EXPECT_EQ(rdb_get_color_name_by_rgb_value(0x007700u), RDB_COLOR_GREEN);
    EXPECT_EQ(rdb_get_color_name_by_rgb_value(0xAAAAAAu), RDB_COLOR_GRAY67);
    EXPECT_EQ(rdb_get_color_name_by_rgb_value(0xBEBEBEu), RDB_COLOR_GRAY75);
    EXPECT_EQ(rdb_get_color_name_by_rgb_value(0xE0E0E0u), RDB_COLOR_GRAY87);
    EXPECT_EQ(rdb_get_color_name_by_rgb_value(0xEEEEEEu), RDB_COLOR_GRAY93);
    EXPECT_TRUE(rec.lines().empty());
    // An older shade does not change the value written for the colour.
    EXPECT_EQ(rdb_get_rgb_value_by_name(RDB_COLOR_RED), 0xFF0000u);
}

TEST(RdbRgb, StringColourIsSixUpperCaseHexDigits)
{
    EXPECT_EQ(rdb_get_string_color(0xFFu), "0000FF");
    EXPECT_EQ(rdb_get_string_color(0u), "000000");
    EXPECT_EQ(rdb_get_string_color(0xabcdefu), "ABCDEF");
    EXPECT_EQ(rdb_get_string_color(0xFFFFFFu), "FFFFFF");
    EXPECT_INTERNAL_ERROR(rdb_get_string_color(0x1000000u), "Color cannot be expressed in string format");
    EXPECT_INTERNAL_ERROR(rdb_get_string_color(RDB_RGB_DEFAULT_COLOR), "Color cannot be expressed in string format");
}

TEST(RdbRgb, RgbColourReadsAtMostSixHexDigits)
{
    EXPECT_EQ(rdb_get_rgb_color("0000FF"), 0xFFu);
    EXPECT_EQ(rdb_get_rgb_color("abcdef"), 0xABCDEFu);
    EXPECT_EQ(rdb_get_rgb_color("FF"), 0xFFu);
    EXPECT_EQ(rdb_get_rgb_color("1234567"), 0x123456u);
    EXPECT_EQ(rdb_get_rgb_color("12G456"), 0x12u);
    EXPECT_EQ(rdb_get_rgb_color("0x00FF"), 0xFFu);
    EXPECT_EQ(rdb_get_rgb_color("0x"), 0u);
    EXPECT_EQ(rdb_get_rgb_color(""), 0u);
    EXPECT_EQ(rdb_get_rgb_color("#FF0000"), 0u);
    EXPECT_EQ(rdb_get_rgb_color(" FF0000"), 0u);
    EXPECT_EQ(rdb_get_rgb_color("-1"), 0u);
    EXPECT_EQ(rdb_get_rgb_color("+1"), 0u);
    EXPECT_EQ(rdb_get_rgb_color("red"), 0u);
}
