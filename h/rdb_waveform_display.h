#pragma once
// Waveform diagrams: RDB_WAVEFORM_DISPLAY_OBJECT owns a few digital signals (RDB_WAVEFORM_ELEMENT,
// each a list of timed edges, one-shot or repeating with a period), arrows between edges
// (RDB_ARROW_ELEMENT) and event labels (RDB_LABEL_ELEMENT), each drawn with line properties.
// RDB_WAVEFORM_EVENT_ITER walks the edges of one waveform inside a time window, unrolling periodic
// waveforms. Times are integers in picoseconds; window arithmetic is done in 64 bits.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "pdb/pdb.h"
#include "rdb_object.h"
#include "rdb_rgb.h"

// The id of a waveform that no display has taken yet.
constexpr int RDB_ILLEGAL_WAVEFORM_ELEMENT_ID = -1;

// One edge: a time and what happens there.
class RDB_WAVEFORM_EVENT : public PDB_VIRTUAL_OBJECT {
public:
    enum TYPE : std::int32_t { NON_EVENT = 0, RISING_EDGE = 1, FALLING_EDGE = 2, DATA_TRANSITION = 3 };

    RDB_WAVEFORM_EVENT() = default;
    RDB_WAVEFORM_EVENT(int time, TYPE type) : m_time(time), m_type(type) {}
    RDB_WAVEFORM_EVENT(const RDB_WAVEFORM_EVENT&) = default;
    RDB_WAVEFORM_EVENT& operator=(const RDB_WAVEFORM_EVENT&) = default;
    PDB_DECLARE_PERSISTENT(RDB_WAVEFORM_EVENT)

    int get_time() const { return m_time; }
    void set_time(int time) { m_time = time; }
    TYPE get_type() const { return m_type; }
    void set_type(TYPE type) { m_type = type; }
    // "Non-Event", "0 to 1", "1 to 0" or "Data Transition"; another value is the internal error
    // "Unrecognized event type".
    const char* get_type_string() const;
    // One debug line "%12d: %s" (time, type name).
    void debug_dump() const;

private:
    int m_time = 0;
    TYPE m_type = NON_EVENT;
};

// How a line is drawn.
class RDB_LINE_PROPERTIES : public PDB_VIRTUAL_OBJECT {
public:
    enum TYPE : std::int32_t { SOLID = 0, DASH = 1, DOT = 2, DASHDOT = 3 };
    enum THICKNESS : std::int32_t { NORMAL = 0, THICK = 1 };

    RDB_LINE_PROPERTIES() = default;
    RDB_LINE_PROPERTIES(TYPE type, THICKNESS thickness, RDB_COLOR_NAME color)
        : m_line_type(type), m_thickness(thickness), m_color(color)
    {
    }
    RDB_LINE_PROPERTIES(const RDB_LINE_PROPERTIES&) = default;
    RDB_LINE_PROPERTIES& operator=(const RDB_LINE_PROPERTIES&) = default;
    PDB_DECLARE_PERSISTENT(RDB_LINE_PROPERTIES)

    TYPE get_line_type() const { return m_line_type; }
    void set_line_type(TYPE type) { m_line_type = type; }
    THICKNESS get_thickness() const { return m_thickness; }
    void set_thickness(THICKNESS thickness) { m_thickness = thickness; }
    RDB_COLOR_NAME get_color() const { return m_color; }
    void set_color(RDB_COLOR_NAME color) { m_color = color; }

    // "solid", "dash", "dot", "dashdot"; "normal", "thick"; "unknown" for any other value.
    static const char* get_enum_str(TYPE type);
    static const char* get_enum_str(THICKNESS thickness);
    // "line:  type: %s, thickness: %s, color: %d".
    virtual void debug_dump() const;

private:
    TYPE m_line_type = SOLID;
    THICKNESS m_thickness = NORMAL;
    RDB_COLOR_NAME m_color = RDB_COLOR_BLACK;
};

// The line of an arrow, with its arrowheads and how its range is shown.
class RDB_ARROW_PROPERTIES : public RDB_LINE_PROPERTIES {
public:
    enum DIRECTION : std::int32_t { NO_ARROWHEAD = 0, END_ARROWHEAD = 1, BEGIN_ARROWHEAD = 2, BOTH_ARROWHEADS = 3 };
    enum STYLE : std::int32_t { DIRECT_STYLE = 0, REFERENCE_BARS_STYLE = 1, SHADED_STYLE = 2 };

    RDB_ARROW_PROPERTIES() = default;
    PDB_DECLARE_PERSISTENT(RDB_ARROW_PROPERTIES)

    bool has_begin_arrowhead() const { return m_has_begin_arrowhead; }
    bool has_end_arrowhead() const { return m_has_end_arrowhead; }
    bool is_direct() const { return m_is_direct; }
    bool is_shaded() const { return m_is_shaded; }
    bool show_reference_bars() const { return m_show_reference_bars; }
    void use_begin_arrowhead(bool on) { m_has_begin_arrowhead = on; }
    void use_end_arrowhead(bool on) { m_has_end_arrowhead = on; }
    // Sets both arrowheads; another value is the internal error "Unexpected arrow direction".
    void set_arrow_direction(DIRECTION direction);
    // Sets the direct, shaded and reference-bar flags; another value is the internal error
    // "Unexpected arrow style".
    void set_style(STYLE style);
    // The line properties, then "arrow: " and the set flags among begin, end, direct and ref_bar.
    void debug_dump() const override;

private:
    bool m_has_begin_arrowhead = false;
    bool m_has_end_arrowhead = true;
    bool m_is_direct = false;
    bool m_is_shaded = false;
    bool m_show_reference_bars = true;
};

class RDB_WAVEFORM_EVENT_ITER;

// One signal. A one-shot waveform (period 0) holds absolute edge times and spans from its first edge
// to one past its last; a periodic one holds offsets within its period and repeats from its begin time.
class RDB_WAVEFORM_ELEMENT : public PDB_VIRTUAL_OBJECT {
public:
    using EVENT_LIST = std::vector<RDB_WAVEFORM_EVENT>;

    // One-shot, all times 0.
    RDB_WAVEFORM_ELEMENT() = default;
    // End time = begin time + period. A negative period is the internal error "period >= 0"; an end
    // time beyond int the internal error "end_time <= INT_MAX".
    RDB_WAVEFORM_ELEMENT(int period, int begin_time);
    RDB_WAVEFORM_ELEMENT(const RDB_WAVEFORM_ELEMENT&) = default;
    RDB_WAVEFORM_ELEMENT& operator=(const RDB_WAVEFORM_ELEMENT&) = default;
    PDB_DECLARE_PERSISTENT(RDB_WAVEFORM_ELEMENT)

    // Appends an edge later than the last one: for a periodic waveform an offset in [0, period), for
    // a one-shot one any time below INT_MAX (its end time becomes time + 1). False when refused.
    bool add_event(const RDB_WAVEFORM_EVENT& event);
    // Moves the waveform in time. A begin or end time pushed beyond int is the internal error
    // "tmp_delay < m_begin_time" or "tmp_delay > m_end_time".
    void shift_by(int delay);
    // A new element (owned by the caller) with the same period, times, edges, line and label, without
    // an id or position.
    RDB_WAVEFORM_ELEMENT* clone() const;
    bool is_periodic() const { return m_period != 0; }

    EVENT_LIST::const_iterator begin_events() const { return m_events.begin(); }
    EVENT_LIST::const_iterator end_events() const { return m_events.end(); }
    // The edges in [from, to] (periodic waveforms unrolled), from the first one on, and the end of them.
    RDB_WAVEFORM_EVENT_ITER begin_event_range_iter(int from, int to) const;
    RDB_WAVEFORM_EVENT_ITER end_event_range_iter(int from, int to) const;

    int get_id() const { return m_id; }
    void set_id(int id) { m_id = id; }
    unsigned int get_position() const { return m_position; }
    void set_position(unsigned int position) { m_position = position; }
    int get_period() const { return m_period; }
    int get_begin_time() const { return m_begin_time; }
    int get_end_time() const { return m_end_time; }
    // "" when none was set.
    const char* get_label() const { return m_label.c_str(); }
    // Copies the text; null clears the label.
    void set_label(const char* label) { m_label = label != nullptr ? label : ""; }
    void set_label(const std::string& label) { m_label = label; }
    RDB_LINE_PROPERTIES& get_properties() { return m_line_properties; }
    const RDB_LINE_PROPERTIES& get_properties() const { return m_line_properties; }

    void debug_dump() const;

private:
    int m_id = RDB_ILLEGAL_WAVEFORM_ELEMENT_ID;
    unsigned int m_position = 0;
    std::string m_label;
    int m_period = 0;
    int m_begin_time = 0;
    int m_end_time = 0;
    EVENT_LIST m_events;
    RDB_LINE_PROPERTIES m_line_properties;
};

// The edges of one waveform inside [from, to], both ends included, in time order. A view: it must not
// outlive its waveform.
class RDB_WAVEFORM_EVENT_ITER {
public:
    // from > to or a null waveform give an iterator at the end. With seek, the iterator stands on the
    // first edge at or after from; without, at the end.
    RDB_WAVEFORM_EVENT_ITER(const RDB_WAVEFORM_ELEMENT* waveform, int from, int to, bool seek);

    RDB_WAVEFORM_EVENT_ITER& operator++();
    RDB_WAVEFORM_EVENT_ITER operator++(int);
    // The edge with its absolute time. At the end: the internal error "Attempted to dereference an
    // out-of-bounds RDB_WAVEFORM_EVENT_ITER".
    RDB_WAVEFORM_EVENT operator*() const;
    // Same waveform and position, and the same period unless both are at the end.
    bool operator==(const RDB_WAVEFORM_EVENT_ITER& other) const;
    bool operator!=(const RDB_WAVEFORM_EVENT_ITER& other) const { return !(*this == other); }
    bool is_end() const { return m_iter == m_end_iter; }

    void debug_dump() const;

private:
    using EVENT_ITER = RDB_WAVEFORM_ELEMENT::EVENT_LIST::const_iterator;

    std::int64_t time_at(EVENT_ITER it) const { return m_period_base + it->get_time(); }
    void step();

    int m_range_begin;
    int m_range_end;
    std::int64_t m_period_base = 0;
    int m_period = 0;
    const RDB_WAVEFORM_ELEMENT* m_waveform;
    EVENT_ITER m_iter{};
    EVENT_ITER m_end_iter{};
};

// An arrow from a time on one waveform to a time on another.
class RDB_ARROW_ELEMENT : public PDB_VIRTUAL_OBJECT {
public:
    RDB_ARROW_ELEMENT() = default;
    RDB_ARROW_ELEMENT(const std::string& label, int begin_id, int begin_time, int end_id, int end_time)
        : m_label(label), m_begin_waveform_id(begin_id), m_end_waveform_id(end_id), m_begin_time(begin_time),
          m_end_time(end_time)
    {
    }
    RDB_ARROW_ELEMENT(const RDB_ARROW_ELEMENT&) = default;
    RDB_ARROW_ELEMENT& operator=(const RDB_ARROW_ELEMENT&) = default;
    PDB_DECLARE_PERSISTENT(RDB_ARROW_ELEMENT)

    int get_begin_id() const { return m_begin_waveform_id; }
    void set_begin_id(int id) { m_begin_waveform_id = id; }
    int get_end_id() const { return m_end_waveform_id; }
    void set_end_id(int id) { m_end_waveform_id = id; }
    int get_begin_time() const { return m_begin_time; }
    void set_begin_time(int time) { m_begin_time = time; }
    int get_end_time() const { return m_end_time; }
    void set_end_time(int time) { m_end_time = time; }
    const char* get_label() const { return m_label.c_str(); }
    void set_label(const std::string& label) { m_label = label; }
    RDB_ARROW_PROPERTIES& get_properties() { return m_properties; }
    const RDB_ARROW_PROPERTIES& get_properties() const { return m_properties; }

    void debug_dump() const;

private:
    std::string m_label;
    int m_begin_waveform_id = RDB_ILLEGAL_WAVEFORM_ELEMENT_ID;
    int m_end_waveform_id = RDB_ILLEGAL_WAVEFORM_ELEMENT_ID;
    int m_begin_time = 0;
    int m_end_time = 0;
    RDB_ARROW_PROPERTIES m_properties;
};

// A label at a time on one waveform.
class RDB_LABEL_ELEMENT : public PDB_VIRTUAL_OBJECT {
public:
    RDB_LABEL_ELEMENT() = default;
    RDB_LABEL_ELEMENT(const std::string& label, int waveform_id, int time)
        : m_label(label), m_waveform_id(waveform_id), m_time(time)
    {
    }
    RDB_LABEL_ELEMENT(const RDB_LABEL_ELEMENT&) = default;
    RDB_LABEL_ELEMENT& operator=(const RDB_LABEL_ELEMENT&) = default;
    PDB_DECLARE_PERSISTENT(RDB_LABEL_ELEMENT)

    int get_waveform_id() const { return m_waveform_id; }
    void set_waveform_id(int id) { m_waveform_id = id; }
    int get_time() const { return m_time; }
    void set_time(int time) { m_time = time; }
    const char* get_label() const { return m_label.c_str(); }
    void set_label(const std::string& label) { m_label = label; }
    RDB_LINE_PROPERTIES& get_properties() { return m_properties; }
    const RDB_LINE_PROPERTIES& get_properties() const { return m_properties; }

    void debug_dump() const;

private:
    std::string m_label;
    int m_waveform_id = RDB_ILLEGAL_WAVEFORM_ELEMENT_ID;
    int m_time = 0;
    RDB_LINE_PROPERTIES m_properties;
};

// The diagram: waveforms on display rows, arrows and labels, all owned.
class RDB_WAVEFORM_DISPLAY_OBJECT : public RDB_OBJECT {
public:
    using WAVEFORM_LIST = std::vector<RDB_WAVEFORM_ELEMENT*>;
    using ARROW_LIST = std::vector<RDB_ARROW_ELEMENT*>;
    using LABEL_LIST = std::vector<RDB_LABEL_ELEMENT*>;

    RDB_WAVEFORM_DISPLAY_OBJECT() = default;
    explicit RDB_WAVEFORM_DISPLAY_OBJECT(const std::string& name) : RDB_OBJECT(name) {}
    RDB_WAVEFORM_DISPLAY_OBJECT(const RDB_WAVEFORM_DISPLAY_OBJECT&) = delete;
    RDB_WAVEFORM_DISPLAY_OBJECT& operator=(const RDB_WAVEFORM_DISPLAY_OBJECT&) = delete;
    // Deletes every waveform, arrow and label.
    ~RDB_WAVEFORM_DISPLAY_OBJECT() override;

    RDB_OVERRIDE_DOWNCAST(RDB_WAVEFORM_DISPLAY_OBJECT)
    PDB_DECLARE_PERSISTENT(RDB_WAVEFORM_DISPLAY_OBJECT)
    RDB_OBJECT_TYPE get_type() const override;
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;
    // Writes nothing; posts a debug line saying so.
    void output_ascii(std::ostream& os) override;
    void output_html(std::ostream& os) override;

    // Takes ownership and gives the waveform its id (the number of waveforms before it) and a row: the
    // next free one, or with overlay_on_waveform_id >= 0 the row of that waveform. Null is ignored. A
    // waveform that has an id already, or an overlay id naming no waveform, is an internal error.
    void add_waveform(RDB_WAVEFORM_ELEMENT* waveform, int overlay_on_waveform_id = -1);
    // Append and take ownership; null is ignored.
    void add_arrow(RDB_ARROW_ELEMENT* arrow);
    void add_label(RDB_LABEL_ELEMENT* label);

    WAVEFORM_LIST::const_iterator begin_waveforms() const { return m_waveforms.begin(); }
    WAVEFORM_LIST::const_iterator end_waveforms() const { return m_waveforms.end(); }
    ARROW_LIST::const_iterator begin_arrows() const { return m_arrows.begin(); }
    ARROW_LIST::const_iterator end_arrows() const { return m_arrows.end(); }
    LABEL_LIST::const_iterator begin_labels() const { return m_labels.begin(); }
    LABEL_LIST::const_iterator end_labels() const { return m_labels.end(); }
    std::size_t get_waveform_count() const { return m_waveforms.size(); }
    // The number of display rows handed out.
    unsigned int get_row_count() const { return m_next_position; }
    // The waveform with that id, or null.
    RDB_WAVEFORM_ELEMENT* get_waveform_by_id(int id) const;

    // The earliest and latest time shown: arrow ends, label times and waveform spans (periodic
    // waveforms only when there are neither arrows nor labels); 0 when there is nothing.
    int get_begin_time() const;
    int get_end_time() const;

    void debug_dump() const;

private:
    unsigned int m_next_position = 0;
    WAVEFORM_LIST m_waveforms;
    ARROW_LIST m_arrows;
    LABEL_LIST m_labels;
};
