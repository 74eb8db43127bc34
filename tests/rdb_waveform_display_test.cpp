// The waveform display model: edges and their order, periodic unrolling over time windows, display
// rows and time range, properties, the debug dumps, and the mends of time overflow, negative periods
// and copies.

#include <climits>
#include <memory>
#include <vector>

#include "rdb_enum.h"
#include "rdb_waveform_display.h"
#include "report_copies.h"
#include "test_support.h"

namespace {

using EDGES = std::vector<int>;

// A waveform with rising and falling edges at the given times, alternating.
std::unique_ptr<RDB_WAVEFORM_ELEMENT> clock(int period, int begin, const EDGES& times)
{
    auto waveform = std::make_unique<RDB_WAVEFORM_ELEMENT>(period, begin);
    for (std::size_t i = 0; i < times.size(); ++i) {
        const auto type = i % 2 == 0 ? RDB_WAVEFORM_EVENT::RISING_EDGE : RDB_WAVEFORM_EVENT::FALLING_EDGE;
        EXPECT_TRUE(waveform->add_event(RDB_WAVEFORM_EVENT(times[i], type))) << times[i];
    }
    return waveform;
}

EDGES edges(const RDB_WAVEFORM_ELEMENT& waveform, int from, int to)
{
    EDGES out;
    const RDB_WAVEFORM_EVENT_ITER end = waveform.end_event_range_iter(from, to);
    for (RDB_WAVEFORM_EVENT_ITER it = waveform.begin_event_range_iter(from, to); it != end; ++it) {
        out.push_back((*it).get_time());
        if (out.size() > 1000) break; // a runaway iterator fails the comparison instead of hanging
    }
    return out;
}

} // namespace

TEST(RdbWaveformElement, AddEventKeepsEdgesInOrderAndInsideThePeriod)
{
    RDB_WAVEFORM_ELEMENT one_shot;
    EXPECT_TRUE(one_shot.add_event(RDB_WAVEFORM_EVENT(5, RDB_WAVEFORM_EVENT::RISING_EDGE)));
    EXPECT_FALSE(one_shot.add_event(RDB_WAVEFORM_EVENT(5, RDB_WAVEFORM_EVENT::FALLING_EDGE)));
    EXPECT_FALSE(one_shot.add_event(RDB_WAVEFORM_EVENT(4, RDB_WAVEFORM_EVENT::FALLING_EDGE)));
    EXPECT_EQ(one_shot.end_events() - one_shot.begin_events(), 1);

    // A one-shot waveform spans its edges; offsets within the period leave a periodic one's span alone.
    auto spans = clock(0, 100, {3, 7});
    EXPECT_EQ(std::make_pair(spans->get_begin_time(), spans->get_end_time()), std::make_pair(3, 8));
    RDB_WAVEFORM_ELEMENT periodic(10, 40);
    EXPECT_FALSE(periodic.add_event(RDB_WAVEFORM_EVENT(10, RDB_WAVEFORM_EVENT::RISING_EDGE)));
    EXPECT_FALSE(periodic.add_event(RDB_WAVEFORM_EVENT(-1, RDB_WAVEFORM_EVENT::RISING_EDGE)));
    EXPECT_TRUE(periodic.add_event(RDB_WAVEFORM_EVENT(9, RDB_WAVEFORM_EVENT::RISING_EDGE)));
    EXPECT_EQ(std::make_pair(periodic.get_begin_time(), periodic.get_end_time()), std::make_pair(40, 50));

    // Shifting moves one-shot edges, but not the offsets of a periodic waveform.
    spans->shift_by(-10);
    EXPECT_EQ(edges(*spans, INT_MIN, INT_MAX), (EDGES{-7, -3}));
    EXPECT_EQ(spans->get_end_time(), -2);
    periodic.shift_by(5);
    EXPECT_EQ(periodic.begin_events()->get_time(), 9);
    EXPECT_EQ(periodic.get_begin_time(), 45);
}

TEST(RdbWaveformEventIter, WindowsYieldTheEdgesInsideThem)
{
    // Both ends of a window are included; periodic clocks repeat forwards and backwards.
    auto clk = clock(10, 0, {2, 7});
    auto late = clock(10, 100, {2, 7});
    auto data = clock(0, 0, {3, 7, 12});
    struct CASE {
        const RDB_WAVEFORM_ELEMENT* waveform;
        int from, to;
        EDGES expected;
    };
    const CASE cases[] = {
        {clk.get(), 0, 30, {2, 7, 12, 17, 22, 27}},
        {clk.get(), 5, 22, {7, 12, 17, 22}},
        {clk.get(), 12, 12, {12}},
        {clk.get(), 13, 16, {}},
        {clk.get(), 5, 4, {}},
        {clk.get(), -15, 0, {-13, -8, -3}},
        {clk.get(), -20, -13, {-18, -13}},
        {late.get(), 75, 104, {77, 82, 87, 92, 97, 102}},
        {data.get(), 4, 12, {7, 12}},
        {data.get(), 0, 3, {3}},
        {data.get(), 13, 20, {}},
        {data.get(), -50, 50, {3, 7, 12}},
    };
    for (const CASE& c : cases)
        EXPECT_EQ(edges(*c.waveform, c.from, c.to), c.expected) << c.from << ".." << c.to;

    // The types repeat with the edges; the end compares equal whatever its period.
    RDB_WAVEFORM_EVENT_ITER it = clk->begin_event_range_iter(5, 12);
    EXPECT_EQ((*it).get_type(), RDB_WAVEFORM_EVENT::FALLING_EDGE);
    EXPECT_EQ((*++it).get_type(), RDB_WAVEFORM_EVENT::RISING_EDGE);
    const RDB_WAVEFORM_EVENT_ITER before = it++;
    EXPECT_TRUE(it == clk->end_event_range_iter(-100, 400));
    EXPECT_FALSE(before == it);
    EXPECT_INTERNAL_ERROR(*it, "Attempted to dereference an out-of-bounds RDB_WAVEFORM_EVENT_ITER");
    ++it; // stepping at the end does nothing
    EXPECT_TRUE(it.is_end());

    // A periodic waveform without edges, and no waveform at all, yield nothing.
    EXPECT_EQ(edges(RDB_WAVEFORM_ELEMENT(10, 0), 0, 100), EDGES{});
    EXPECT_TRUE(RDB_WAVEFORM_EVENT_ITER(nullptr, 0, 10, true) == RDB_WAVEFORM_EVENT_ITER(nullptr, 0, 10, false));
}

// Period base plus edge time, and shifts, near the ends of int would wrap around: the iterator would
// run backwards or for ever, and shifts would move waveforms to the other end of time.
TEST(RdbWaveformOutOfRangeTimes, TimeArithmeticNearTheEndsOfIntDoesNotOverflowAndPeriodsAreNotNegative)
{
    auto late = clock(10, INT_MAX - 25, {0, 5});
    EXPECT_EQ(late->get_end_time(), INT_MAX - 15);
    const int m = INT_MAX;
    EXPECT_EQ(edges(*late, m - 30, m), (EDGES{m - 30, m - 25, m - 20, m - 15, m - 10, m - 5, m}));
    auto early = clock(10, 0, {2, 7});
    const int n = INT_MIN;
    EXPECT_EQ(edges(*early, n, n + 20), (EDGES{n, n + 5, n + 10, n + 15, n + 20}));
    EXPECT_EQ(edges(*early, m - 9, m), (EDGES{m - 5, m}));

    EXPECT_INTERNAL_ERROR(RDB_WAVEFORM_ELEMENT(10, INT_MAX - 5), "end_time <= INT_MAX");

    // A one-shot edge at INT_MAX would need an end time past it.
    RDB_WAVEFORM_ELEMENT top;
    EXPECT_FALSE(top.add_event(RDB_WAVEFORM_EVENT(INT_MAX, RDB_WAVEFORM_EVENT::RISING_EDGE)));
    EXPECT_TRUE(top.add_event(RDB_WAVEFORM_EVENT(INT_MAX - 10, RDB_WAVEFORM_EVENT::RISING_EDGE)));
    top.shift_by(9);
    EXPECT_EQ(top.get_end_time(), INT_MAX);
    EXPECT_INTERNAL_ERROR(top.shift_by(1), "tmp_delay > m_end_time");
    EXPECT_EQ(top.begin_events()->get_time(), INT_MAX - 1);
    RDB_WAVEFORM_ELEMENT bottom(10, -1);
    EXPECT_INTERNAL_ERROR(bottom.shift_by(INT_MIN), "tmp_delay < m_begin_time");
    bottom.shift_by(INT_MIN + 1);
    EXPECT_EQ(bottom.get_begin_time(), INT_MIN);

    // A negative period would make the edge iterator step backwards for ever.
    EXPECT_INTERNAL_ERROR(RDB_WAVEFORM_ELEMENT(-10, 0), "period >= 0");
    EXPECT_INTERNAL_ERROR(RDB_WAVEFORM_ELEMENT(INT_MIN, 0), "period >= 0");
}

// A copy that shared the label buffer would free it twice.
TEST(RdbWaveformCopies, CopiesAndClonesHaveLabelsOfTheirOwn)
{
    RDB_WAVEFORM_ELEMENT* owned = clock(10, 5, {1, 4}).release();
    owned->set_label("clk_pix");
    RDB_WAVEFORM_DISPLAY_OBJECT display("D");
    display.add_waveform(clock(0, 0, {}).release());
    display.add_waveform(owned);

    RDB_WAVEFORM_ELEMENT copy(*owned);
    RDB_WAVEFORM_ELEMENT assigned;
    assigned = copy;
    copy.set_label("changed");
    EXPECT_STREQ(owned->get_label(), "clk_pix");
    EXPECT_STREQ(assigned.get_label(), "clk_pix");

    // A clone has no id of its own yet, so that it can join a display.
    std::unique_ptr<RDB_WAVEFORM_ELEMENT> clone(owned->clone());
    EXPECT_EQ(clone->get_id(), RDB_ILLEGAL_WAVEFORM_ELEMENT_ID);
    EXPECT_STREQ(clone->get_label(), "clk_pix");
    EXPECT_EQ(edges(*clone, 0, 30), edges(*owned, 0, 30));
    clone->set_label(static_cast<const char*>(nullptr));
    EXPECT_STREQ(clone->get_label(), "");
    display.add_waveform(clone.release());

    RDB_ARROW_ELEMENT arrow("setup", 0, 5, 1, 9);
    RDB_ARROW_ELEMENT arrow_copy(arrow);
    arrow.set_label("other");
    EXPECT_STREQ(arrow_copy.get_label(), "setup");
    RDB_LABEL_ELEMENT label("launch", 0, 5);
    RDB_LABEL_ELEMENT label_copy = label;
    label.set_label("x");
    EXPECT_STREQ(label_copy.get_label(), "launch");
}

TEST(RdbWaveformDisplay, AddWaveformHandsOutIdsAndRowsAndTheTimeRangeFollows)
{
    RDB_WAVEFORM_DISPLAY_OBJECT display("Diagram");
    display.add_waveform(nullptr);
    RDB_WAVEFORM_ELEMENT* launch = clock(10, 0, {2}).release();
    display.add_waveform(launch);
    display.add_waveform(clock(0, 0, {1}).release());
    RDB_WAVEFORM_ELEMENT* overlaid = clock(0, 0, {3}).release();
    display.add_waveform(overlaid, 0);
    EXPECT_EQ(display.get_row_count(), 2u);
    EXPECT_EQ(overlaid->get_position(), launch->get_position());
    EXPECT_EQ(display.get_waveform_by_id(2), overlaid);
    EXPECT_EQ(display.get_waveform_by_id(3), nullptr);
    EXPECT_EQ(display.get_waveform_by_id(-1), nullptr);

    EXPECT_INTERNAL_ERROR(display.add_waveform(launch), "waveform->get_id() == RDB_ILLEGAL_WAVEFORM_ELEMENT_ID");
    auto stray = clock(0, 0, {});
    for (int bad : {3, -2})
        EXPECT_INTERNAL_ERROR(display.add_waveform(stray.get(), bad),
                              "overlay_on_waveform_id >= 0 && static_cast<unsigned int>(overlay_on_waveform_id) < "
                              "m_waveforms.size()");
    EXPECT_EQ(display.get_waveform_count(), 3u);
    display.add_arrow(nullptr);
    display.add_label(nullptr);
    EXPECT_TRUE(display.begin_arrows() == display.end_arrows() && display.begin_labels() == display.end_labels());

    // The time range comes from the arrows, labels and waveforms.
    RDB_WAVEFORM_DISPLAY_OBJECT ranged("Ranged");
    EXPECT_EQ(ranged.get_end_time(), 0);
    ranged.add_waveform(clock(10, -5, {2, 7}).release());
    ranged.add_waveform(clock(20, 15, {0}).release());
    EXPECT_EQ(ranged.get_begin_time(), -5);
    EXPECT_EQ(ranged.get_end_time(), 35);

    // With an arrow, the periodic waveforms no longer count.
    ranged.add_arrow(new RDB_ARROW_ELEMENT("setup", 0, 12, 1, 4));
    EXPECT_EQ(ranged.get_begin_time(), 4);
    EXPECT_EQ(ranged.get_end_time(), 12);
    ranged.add_waveform(clock(0, 0, {6, 30}).release());
    ranged.add_label(new RDB_LABEL_ELEMENT("launch", 0, -40));
    EXPECT_EQ(ranged.get_begin_time(), -40);
    EXPECT_EQ(ranged.get_end_time(), 31);
    // A time equal to the old "nothing found" marker is an ordinary time.
    ranged.add_label(new RDB_LABEL_ELEMENT("far", 0, -2147483647));
    EXPECT_EQ(ranged.get_begin_time(), -2147483647);
}

TEST(RdbWaveformProperties, NamesDirectionsAndStyles)
{
    EXPECT_STREQ(RDB_WAVEFORM_EVENT(0, RDB_WAVEFORM_EVENT::DATA_TRANSITION).get_type_string(), "Data Transition");
    EXPECT_INTERNAL_ERROR(RDB_WAVEFORM_EVENT(0, static_cast<RDB_WAVEFORM_EVENT::TYPE>(4)).get_type_string(),
                          "Unrecognized event type");
    EXPECT_STREQ(RDB_LINE_PROPERTIES::get_enum_str(static_cast<RDB_LINE_PROPERTIES::TYPE>(4)), "unknown");

    RDB_ARROW_PROPERTIES arrow;
    EXPECT_TRUE(!arrow.has_begin_arrowhead() && arrow.has_end_arrowhead() && arrow.show_reference_bars());
    arrow.set_arrow_direction(RDB_ARROW_PROPERTIES::BEGIN_ARROWHEAD);
    EXPECT_TRUE(arrow.has_begin_arrowhead() && !arrow.has_end_arrowhead());
    arrow.set_arrow_direction(RDB_ARROW_PROPERTIES::BOTH_ARROWHEADS);
    EXPECT_TRUE(arrow.has_begin_arrowhead() && arrow.has_end_arrowhead());
    arrow.set_arrow_direction(RDB_ARROW_PROPERTIES::NO_ARROWHEAD);
    EXPECT_FALSE(arrow.has_begin_arrowhead() || arrow.has_end_arrowhead());
    EXPECT_INTERNAL_ERROR(arrow.set_arrow_direction(static_cast<RDB_ARROW_PROPERTIES::DIRECTION>(4)),
                          "Unexpected arrow direction");
    arrow.set_style(RDB_ARROW_PROPERTIES::DIRECT_STYLE);
    EXPECT_TRUE(arrow.is_direct() && !arrow.is_shaded() && !arrow.show_reference_bars());
    arrow.set_style(RDB_ARROW_PROPERTIES::SHADED_STYLE);
    EXPECT_TRUE(!arrow.is_direct() && arrow.is_shaded() && arrow.show_reference_bars());
    arrow.set_style(RDB_ARROW_PROPERTIES::REFERENCE_BARS_STYLE);
    EXPECT_TRUE(!arrow.is_direct() && !arrow.is_shaded() && arrow.show_reference_bars());
    EXPECT_INTERNAL_ERROR(arrow.set_style(static_cast<RDB_ARROW_PROPERTIES::STYLE>(3)), "Unexpected arrow style");
}

TEST(RdbWaveformDisplay, DebugDumpListsElementsAndEdgesAndTextWritesNothing)
{
    RDB_WAVEFORM_DISPLAY_OBJECT display("Diagram");
    auto clk = clock(10, 0, {2, 7});
    clk->set_label("clk");
    display.add_waveform(clk.release());
    auto* arrow = new RDB_ARROW_ELEMENT("setup", 0, 2, 0, 12);
    arrow->get_properties().set_arrow_direction(RDB_ARROW_PROPERTIES::BOTH_ARROWHEADS);
    display.add_arrow(arrow);
    auto* label = new RDB_LABEL_ELEMENT("launch", 0, 7);
    label->get_properties() =
        RDB_LINE_PROPERTIES(RDB_LINE_PROPERTIES::DASH, RDB_LINE_PROPERTIES::THICK, RDB_COLOR_BLACK);
    display.add_label(label);

    DEBUG_RECORDER rec;
    display.debug_dump();
    for (const char* line :
         {"Waveforms : 1", "Arrows    : 1", "Labels    : 1", "Begin Time: 2", "End Time  : 12", "ID    : 0",
          "Label : clk", "Period: 10", "Begin : 0 ps", "End   : 10 ps", "Label   : setup", "0 @ 2ps ---> 0 @ 12ps",
          "arrow: begin end ref_bar", "Location : 0 @ 7ps", "line:  type: dash, thickness: thick, color: 6",
          "line:  type: solid, thickness: normal, color: 6", "Waveform 0 (clk)"})
        EXPECT_TRUE(rec.saw(line)) << line;
    // The edges in the display's range, unrolled from the waveform's own edge list.
    for (const std::string edge : {"2: 0 to 1", "7: 1 to 0", "12: 0 to 1"})
        EXPECT_TRUE(rec.saw(std::string(12 - edge.find(':'), ' ') + edge)) << edge;
    EXPECT_FALSE(rec.saw(std::string(10, ' ') + "17: 1 to 0"));

    display.get_waveform_by_id(0)->begin_event_range_iter(-5, 20).debug_dump();
    EXPECT_TRUE(rec.saw("m_iter      : " + std::string(10, ' ') + "-3: 1 to 0"));
    EXPECT_TRUE(rec.saw("Period Base : -10"));
    RDB_WAVEFORM_EVENT_ITER(nullptr, 0, 1, true).debug_dump();
    EXPECT_TRUE(rec.saw(" - No Iterators (m_waveform is null)"));

    EXPECT_EQ(ascii_of(display), "");
    EXPECT_TRUE(rec.saw("WARNING: RDB_WAVEFORM_DISPLAY_OBJECT does not yet grok output_ascii() [My eyes! The "
                        "goggles do nothing for them!]"));
}
