#include "rdb_rgb.h"

#include "test_support.h"

TEST(RdbRgb, EveryNamedColourRoundTripsThroughItsRgbValue)
{
    DEBUG_RECORDER rec;
    for (int value = RDB_COLOR_RED; value <= RDB_COLOR_VEXA_DAISY_S2; ++value) {
        const auto color = static_cast<RDB_COLOR_NAME>(value);
        const unsigned int rgb = rdb_get_rgb_value_by_name(color);
        EXPECT_EQ(rdb_get_color_name_by_rgb_value(rgb), color) << value;
        // The text form written to files reads back to the same colour.
        EXPECT_EQ(rdb_get_color_name_by_rgb_value(rdb_get_rgb_color(rdb_get_string_color(rgb))), color) << value;
    }
    // Older shades still found in stored reports read as their nearest colour.
    EXPECT_EQ(rdb_get_color_name_by_rgb_value(0xEE0000u), RDB_COLOR_RED);
    EXPECT_EQ(rdb_get_color_name_by_rgb_value(0xBEBEBEu), RDB_COLOR_GRAY75);
    EXPECT_EQ(rdb_get_rgb_value_by_name(RDB_COLOR_RED), 0xFF0000u);
    EXPECT_EQ(rdb_get_rgb_value_by_name(RDB_COLOR_VEXA_DAISY_S2), 0xC98F00u);
    // The default colour has no RGB value and is not worth a warning.
    EXPECT_EQ(rdb_get_rgb_value_by_name(RDB_COLOR_DEFAULT), RDB_RGB_DEFAULT_COLOR);
    EXPECT_EQ(rdb_get_color_name_by_rgb_value(RDB_RGB_DEFAULT_COLOR), RDB_COLOR_DEFAULT);
    EXPECT_TRUE(rec.lines().empty());
}

TEST(RdbRgb, ColourWordsFallBackToBlack)
{
    EXPECT_EQ(rdb_get_rgb_string_by_name(RDB_COLOR_LIGHT_RED), "light red");
    EXPECT_EQ(rdb_get_rgb_string_by_name(RDB_COLOR_DARK_ORCHID), "dark_orchid");
    EXPECT_EQ(rdb_get_rgb_string_by_name(RDB_COLOR_VEXA_DAISY_S2), "vexa_daisy_s2");
    for (int value : {int(RDB_COLOR_DEFAULT), int(RDB_COLOR_UNKNOWN), 74, -1})
        EXPECT_EQ(rdb_get_rgb_string_by_name(static_cast<RDB_COLOR_NAME>(value)), "black") << value;
}

TEST(RdbRgb, UnknownNamesAndValuesWarn)
{
    DEBUG_RECORDER rec;
    EXPECT_EQ(rdb_get_rgb_value_by_name(RDB_COLOR_UNKNOWN), RDB_RGB_DEFAULT_COLOR);
    EXPECT_EQ(rdb_get_rgb_value_by_name(static_cast<RDB_COLOR_NAME>(74)), RDB_RGB_DEFAULT_COLOR);
    EXPECT_EQ(rdb_get_rgb_value_by_name(static_cast<RDB_COLOR_NAME>(-5)), RDB_RGB_DEFAULT_COLOR);
    EXPECT_EQ(rdb_get_color_name_by_rgb_value(0xABCDEFu), RDB_COLOR_UNKNOWN);
    ASSERT_EQ(rec.lines().size(), 4u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(rec.lines()[i].text, "WARNING: Converting an unknown color - returning RDB_RGB_DEFAULT_COLOR");
    EXPECT_EQ(rec.lines()[3].text, "WARNING: Color abcdef is unknown!");
    EXPECT_EQ(rec.lines()[3].component, "RDB");
    EXPECT_EQ(rec.lines()[3].level, 2);
}

TEST(RdbRgb, HexTexts)
{
    EXPECT_EQ(rdb_get_string_color(0xFFu), "0000FF");
    EXPECT_EQ(rdb_get_string_color(0xabcdefu), "ABCDEF");
    EXPECT_INTERNAL_ERROR(rdb_get_string_color(0x1000000u), "Color cannot be expressed in string format");
    EXPECT_INTERNAL_ERROR(rdb_get_string_color(RDB_RGB_DEFAULT_COLOR), "Color cannot be expressed in string format");

    // At most six characters are read, with an optional "0x" but no blank, sign or '#'.
    const struct {
        const char* text;
        unsigned int rgb;
    } cases[] = {
        {"abcdef", 0xABCDEFu}, {"1234567", 0x123456u}, {"12G456", 0x12u}, {"0x00FF", 0xFFu}, {"0x", 0u}, {"", 0u},
        {"#FF0000", 0u},       {" FF0000", 0u},        {"-1", 0u}};
    for (const auto& c : cases)
        EXPECT_EQ(rdb_get_rgb_color(c.text), c.rgb) << c.text;
}
