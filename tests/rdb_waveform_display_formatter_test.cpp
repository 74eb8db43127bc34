// The waveform image formatter, read back by ImageMagick: image sizes and rows, pixel probes of
// levels, background and grid, a reviewed golden image, the edge finders and the mends of unknown
// waveforms, huge sizes, extreme times, "no colour" and a second load.

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ini/cfg.h"
#include "rdb_folder.h"
#include "rdb_waveform_display_formatter.h"
#include "test_support.h"

namespace {

constexpr int FONT_HEIGHT = 13; // GD's small font is 6 x 13 pixels

RDB_WAVEFORM_ELEMENT* clock(const char* label, int period, int begin, RDB_COLOR_NAME color = RDB_COLOR_BLUE)
{
    auto* waveform = new RDB_WAVEFORM_ELEMENT(period, begin);
    waveform->set_label(label);
    waveform->get_properties().set_color(color);
    waveform->add_event(RDB_WAVEFORM_EVENT(0, RDB_WAVEFORM_EVENT::RISING_EDGE));
    waveform->add_event(RDB_WAVEFORM_EVENT(period / 2, RDB_WAVEFORM_EVENT::FALLING_EDGE));
    return waveform;
}

RDB_WAVEFORM_ELEMENT* data(const char* label, int at)
{
    auto* waveform = new RDB_WAVEFORM_ELEMENT();
    waveform->set_label(label);
    waveform->add_event(RDB_WAVEFORM_EVENT(at, RDB_WAVEFORM_EVENT::DATA_TRANSITION));
    return waveform;
}

RDB_ARROW_ELEMENT* arrow(int from_id, int from_time, int to_id, int to_time, RDB_ARROW_PROPERTIES::STYLE style)
{
    auto* el = new RDB_ARROW_ELEMENT("Slack", from_id, from_time, to_id, to_time);
    el->get_properties().set_style(style);
    el->get_properties().set_color(RDB_COLOR_GREEN);
    return el;
}

// A timing path's diagram: launch and latch clocks, the data arriving, the slack as a shaded range
// arrow, the setup as a direct arrow and a label on the launch edge.
std::unique_ptr<RDB_WAVEFORM_DISPLAY_OBJECT> path_display()
{
    auto display = std::make_unique<RDB_WAVEFORM_DISPLAY_OBJECT>("Waveform");
    display->add_waveform(clock("Launch Clock", 6000, 0));
    display->add_waveform(clock("Latch Clock", 6000, 6000, RDB_COLOR_RED));
    display->add_waveform(data("Data Arrival", 4200));
    display->add_arrow(arrow(2, 4200, 1, 5900, RDB_ARROW_PROPERTIES::SHADED_STYLE));
    display->add_arrow(arrow(0, 0, 2, 4200, RDB_ARROW_PROPERTIES::DIRECT_STYLE));
    display->add_label(new RDB_LABEL_ELEMENT("Launch", 0, 0));
    return display;
}

// One blue clock of period 10 ns from 0, alone on its display.
std::unique_ptr<RDB_WAVEFORM_DISPLAY_OBJECT> clock_display()
{
    auto display = std::make_unique<RDB_WAVEFORM_DISPLAY_OBJECT>("Clock");
    display->add_waveform(clock("clk", 10000, 0));
    return display;
}

std::string command_output(const std::string& command)
{
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

// A GIF file of the test's own, removed afterwards.
struct GIF_FILE {
    std::string path = std::filesystem::temp_directory_path() / ("rdb_wave_" + std::to_string(::getpid()) + ".gif");
    ~GIF_FILE() { std::filesystem::remove(path); }
};

// The pixels of a GIF as ImageMagick reads them, 0xRRGGBB at (x, y).
struct PIXELS {
    std::string rgb;
    int width;
    unsigned int at(int x, int y) const
    {
        const std::size_t at = 3 * (static_cast<std::size_t>(y) * width + x);
        return static_cast<unsigned char>(rgb.at(at)) << 16 | static_cast<unsigned char>(rgb.at(at + 1)) << 8 |
               static_cast<unsigned char>(rgb.at(at + 2));
    }
};

PIXELS read_pixels(const std::string& gif, int width)
{
    return {command_output("convert '" + gif + "' -depth 8 rgb:-"), width};
}

// Loads display into formatter at width and writes the GIF; "" when the load failed.
std::string draw(RDB_WAVEFORM_DISPLAY_FORMATTER& formatter, RDB_WAVEFORM_DISPLAY_OBJECT& display, int width,
                 const GIF_FILE& file)
{
    formatter.set_size(width, 1200);
    if (!formatter.load_rdb_waveform(&display)) return "";
    EXPECT_TRUE(formatter.write_gif(file.path));
    return command_output("identify -format '%m %w %h' '" + file.path + "'");
}

} // namespace

TEST(RdbWaveformFormatter, ImageSizeCountsWaveformAndRangeArrowRows)
{
    struct CASE {
        const char* name;
        std::function<std::unique_ptr<RDB_WAVEFORM_DISPLAY_OBJECT>()> make;
        int width;
        int rows;
        int image_width;
    };
    const CASE cases[] = {
        {"two waveforms and a range arrow",
         [] {
             auto d = std::make_unique<RDB_WAVEFORM_DISPLAY_OBJECT>("d");
             d->add_waveform(clock("a", 1000, 0));
             d->add_waveform(clock("b", 1000, 0));
             d->add_arrow(arrow(0, 0, 1, 500, RDB_ARROW_PROPERTIES::REFERENCE_BARS_STYLE));
             return d;
         },
         1400, 3, 1400},
        {"no size asked", clock_display, -1, 1, 800},
        {"overlaid waveform keeps a row",
         [] {
             auto d = clock_display();
             d->add_waveform(data("overlay", 300), 0);
             return d;
         },
         1400, 2, 1400},
        // Labels and direct arrows take no row: the last waveform stays on the image.
        {"path with label and direct arrow", path_display, 1400, 4, 1400},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.name);
        auto display = c.make();
        RDB_WAVEFORM_DISPLAY_FORMATTER formatter;
        GIF_FILE file;
        const int height = FONT_HEIGHT + 2 + 40 * c.rows;
        EXPECT_EQ(draw(formatter, *display, c.width, file),
                  "GIF " + std::to_string(c.image_width) + " " + std::to_string(height));
        EXPECT_EQ(formatter.get_rows(), c.rows);
        // Every row has its edges: the finder snaps to the middle of the last row.
        int x = formatter.get_left(), y = 40 * (c.rows - 1) + 20;
        EXPECT_NE(formatter.find_next_event(x, y), RDB_NO_EVENT_TIME);
        EXPECT_EQ(y, 40 * (c.rows - 1) + 20);
    }
}

TEST(RdbWaveformFormatter, PixelsShowLevelsBackgroundAndGrid)
{
    // A second clock without colour is drawn black; the load after another starts afresh.
    auto display = clock_display();
    display->add_waveform(clock("no colour", 10000, 0, RDB_COLOR_DEFAULT));
    RDB_WAVEFORM_DISPLAY_FORMATTER formatter;
    GIF_FILE file;
    auto other = path_display();
    ASSERT_EQ(draw(formatter, *other, 1400, file), "GIF 1400 175");
    ASSERT_EQ(draw(formatter, *display, 1400, file), "GIF 1400 95");
    const PIXELS pixels = read_pixels(file.path, 1400);
    const int height = formatter.get_height();
    ASSERT_EQ(pixels.rgb.size(), 3u * 1400 * height);
    const unsigned int blue = rdb_get_rgb_value_by_name(RDB_COLOR_BLUE);
    const int x0 = formatter.time_to_pixel(0), x5 = formatter.time_to_pixel(5000);
    const int x10 = formatter.time_to_pixel(10000);
    // High from the rising edge at 0 to the falling one at 5 ns, low from there to 10 ns.
    for (int x = x0 + 1; x < x5; ++x) {
        ASSERT_EQ(pixels.at(x, 5), blue) << x;
        ASSERT_EQ(pixels.at(x, 45), 0x000000u) << x;
    }
    for (int x = x5 + 1; x < x10; ++x)
        ASSERT_EQ(pixels.at(x, 35), blue) << x;

    // Cyan appears only in whole grid columns, evenly spaced from the first edge, as far apart as the
    // labels need; everything else in the middle of the row is white.
    std::vector<int> grid;
    for (int x = 0; x < 1400; ++x) {
        bool cyan = false;
        for (int y = 0; y < height; ++y)
            cyan = cyan || pixels.at(x, y) == 0x00FFFF;
        if (cyan) grid.push_back(x);
        const unsigned int middle = pixels.at(x, 20);
        if (!cyan && x != x0 && x != x5 && x != x10 && x > formatter.get_left()) {
            ASSERT_EQ(middle, 0xFFFFFFu) << x;
        }
    }
    ASSERT_GE(grid.size(), 3u);
    EXPECT_EQ(grid[0], x0);
    const int spacing = grid[1] - grid[0];
    EXPECT_GE(spacing, 6 * 9);
    for (std::size_t i = 1; i < grid.size(); ++i)
        EXPECT_NEAR(grid[i] - grid[i - 1], spacing, 1) << i;
}

TEST(RdbWaveformFormatter, PathImageMatchesTheReviewedGolden)
{
    auto display = path_display();
    RDB_WAVEFORM_DISPLAY_FORMATTER formatter;
    GIF_FILE file;
    ASSERT_EQ(draw(formatter, *display, 1400, file), "GIF 1400 175");
    const std::string golden = std::string(RDB_TEST_DATA_DIR) + "/golden/waveform/path.gif";
    if (std::getenv("RDB_UPDATE_GOLDEN") != nullptr) {
        std::filesystem::create_directories(std::filesystem::path(golden).parent_path());
        std::filesystem::copy_file(file.path, golden, std::filesystem::copy_options::overwrite_existing);
        GTEST_SKIP() << "golden image regenerated";
    }
    EXPECT_EQ(command_output("compare -metric AE '" + golden + "' '" + file.path + "' null: 2>&1"), "0");

    // The INI switch takes the shading out: the picture then differs.
    cfg_set_value("RDB_dont_show_range_in_color", "on");
    ASSERT_FALSE(draw(formatter, *display, 1400, file).empty());
    cfg_set_value("RDB_dont_show_range_in_color", "");
    EXPECT_NE(command_output("compare -metric AE '" + golden + "' '" + file.path + "' null: 2>&1"), "0");
}

TEST(RdbWaveformFormatter, EdgeFindersSnapToRecordedTimes)
{
    auto display = clock_display();
    RDB_WAVEFORM_DISPLAY_FORMATTER formatter;
    int x = 100, y = 20;
    EXPECT_EQ(formatter.find_next_event(x, y), RDB_NO_EVENT_TIME) << "before a load";
    EXPECT_EQ(formatter.pixel_to_time(100), 0);
    formatter.set_size(1400, 0);
    ASSERT_TRUE(formatter.load_rdb_waveform(display.get()));

    struct CASE {
        int time;
        int y;
        bool next;
        int expected;
    };
    const CASE cases[] = {
        {2000, 20, true, 5000},
        {2000, 20, false, 0},
        {6000, 30, true, 10000},
        {7000, 6, false, 5000},
        {10050, 20, true, RDB_NO_EVENT_TIME},
        {-100, 20, false, RDB_NO_EVENT_TIME},
        {2000, 5, true, RDB_NO_EVENT_TIME}, // the band above the rows
        {2000, formatter.get_height() - 5, true, RDB_NO_EVENT_TIME},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(std::to_string(c.time) + "@" + std::to_string(c.y) + (c.next ? " next" : " previous"));
        x = formatter.time_to_pixel(c.time);
        y = c.y;
        const int before_x = x, before_y = y;
        const int found = c.next ? formatter.find_next_event(x, y) : formatter.find_previous_event(x, y);
        EXPECT_EQ(found, c.expected);
        if (found == RDB_NO_EVENT_TIME) {
            EXPECT_EQ(std::make_pair(x, y), std::make_pair(before_x, before_y));
        } else {
            EXPECT_EQ(std::make_pair(x, y), std::make_pair(formatter.time_to_pixel(found), 20));
        }
    }
    // Converting back and forth loses at most a pixel's worth of time.
    for (int t : {-150, 0, 3333, 10150})
        EXPECT_NEAR(formatter.pixel_to_time(formatter.time_to_pixel(t)), t, 2 / formatter.get_pixels_per_time()) << t;

    // When the labels leave no room for the plot, every pixel is the begin time and no edge is found.
    formatter.set_size(50, 0);
    ASSERT_TRUE(formatter.load_rdb_waveform(display.get()));
    ASSERT_GE(formatter.get_left(), formatter.get_right());
    EXPECT_EQ(formatter.pixel_to_time(formatter.get_left()), -150);
    x = formatter.get_left(), y = 20;
    EXPECT_EQ(formatter.find_previous_event(x, y), RDB_NO_EVENT_TIME);
}

TEST(RdbWaveformFormatter, StoredOdditiesDrawOrFailCleanly)
{
    struct CASE {
        const char* name;
        std::function<std::unique_ptr<RDB_WAVEFORM_DISPLAY_OBJECT>()> make;
        int width;
        bool loads;
        const char* trace;
    };
    const CASE cases[] = {
        {"arrow and label on missing waveforms",
         [] {
             auto d = clock_display();
             d->add_arrow(arrow(0, 0, 7, 100, RDB_ARROW_PROPERTIES::SHADED_STYLE));
             d->add_label(new RDB_LABEL_ELEMENT("gone", 9, 10));
             return d;
         },
         1400, true, "    Skipping a LABEL on waveform 9: no such waveform: 'gone'"},
        {"too wide for a GIF", clock_display, 70000, false, "Image of 70000 x 55 pixels is too big for a GIF image"},
        {"too many rows for a GIF",
         [] {
             auto d = std::make_unique<RDB_WAVEFORM_DISPLAY_OBJECT>("tall");
             for (int i = 0; i < 1700; ++i)
                 d->add_waveform(data("d", i));
             return d;
         },
         10, false, "Image of 10 x 65575 pixels is too big for a GIF image"},
        {"times at the ends of int",
         [] {
             auto d = std::make_unique<RDB_WAVEFORM_DISPLAY_OBJECT>("extreme");
             d->add_waveform(data("early", INT_MIN + 1));
             d->add_waveform(data("late", INT_MAX - 1));
             d->add_arrow(arrow(0, INT_MIN + 1, 1, INT_MAX - 1, RDB_ARROW_PROPERTIES::SHADED_STYLE));
             return d;
         },
         1400, true, "Total rows = 3"},
        {"tiny period over the whole range",
         [] {
             auto d = std::make_unique<RDB_WAVEFORM_DISPLAY_OBJECT>("fast");
             d->add_waveform(clock("fast", 2, 0));
             d->add_arrow(arrow(0, INT_MIN + 1, 0, INT_MAX - 1, RDB_ARROW_PROPERTIES::DIRECT_STYLE));
             return d;
         },
         1400, true, "Too many edges to draw on row  0: 'fast'"},
        {"wide image over a short span",
         [] {
             auto d = std::make_unique<RDB_WAVEFORM_DISPLAY_OBJECT>("short");
             d->add_label(new RDB_LABEL_ELEMENT("x", 0, 0));
             d->add_waveform(data("d", 0));
             return d;
         },
         60000, true, "Total rows = 1"},
        // Labels are drawn as bytes with the bitmap font and traced as arguments, never as formats.
        {"hostile labels",
         [] {
             auto d = std::make_unique<RDB_WAVEFORM_DISPLAY_OBJECT>("<script>%s%n");
             d->add_waveform(clock("'); Qt.quit(); // \"q\" a||b %n\n\xff\xfe", 1000, 0));
             d->add_label(new RDB_LABEL_ELEMENT("<img src=x onerror=alert(1)>", 0, 10));
             return d;
         },
         1400, true, " 0. Found a waveform at position  0: ''); Qt.quit(); // \"q\" a||b %n\n\xff\xfe'"},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.name);
        auto display = c.make();
        RDB_WAVEFORM_DISPLAY_FORMATTER formatter;
        GIF_FILE file;
        DEBUG_RECORDER recorder;
        formatter.set_size(c.width, 0);
        EXPECT_EQ(formatter.load_rdb_waveform(display.get()), c.loads);
        EXPECT_EQ(formatter.get_image() != nullptr, c.loads);
        EXPECT_EQ(formatter.get_gif().empty(), !c.loads);
        EXPECT_TRUE(recorder.saw(c.trace));
        if (!c.loads) {
            EXPECT_FALSE(formatter.write_gif(file.path));
        }
    }
    // Loading what is no waveform display is an internal error.
    RDB_WAVEFORM_DISPLAY_FORMATTER formatter;
    RDB_FOLDER_OBJECT folder("folder");
    EXPECT_INTERNAL_ERROR(formatter.load_rdb_waveform(nullptr), "object != NULL");
    EXPECT_INTERNAL_ERROR(formatter.load_rdb_waveform(&folder), "waveform_display_object != NULL");
    EXPECT_INTERNAL_ERROR(RDB_DISPLAY_ELEMENT(static_cast<const RDB_LABEL_ELEMENT*>(nullptr)), "el != NULL");
}
