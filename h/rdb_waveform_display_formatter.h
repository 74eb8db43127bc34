#pragma once
// The picture of a waveform diagram: RDB_WAVEFORM_DISPLAY_FORMATTER draws an
// RDB_WAVEFORM_DISPLAY_OBJECT as a raster image (row labels on the left, one 40-pixel row per waveform
// and per range arrow, a dotted time grid labelled in nanoseconds, digital traces, label markers and
// arrows between edges) and finds the edge nearest a pixel so that a viewer can snap a cursor to it.
// RDB_DISPLAY_ELEMENT is the formatter's per-row view of one model element.
//
// The graphics library stays behind an opaque image pointer: callers that draw on the image include
// its header themselves; get_gif() and write_gif() need none.

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "rdb_waveform_display.h"

struct gdImageStruct;

// One waveform, arrow or label as the formatter lays it out. The model element is not owned; the
// formatter forgets it (clear_rdb_pointers) once the image is drawn.
class RDB_DISPLAY_ELEMENT {
public:
    // A null element is the internal error "el != NULL".
    explicit RDB_DISPLAY_ELEMENT(const RDB_WAVEFORM_ELEMENT* el);
    explicit RDB_DISPLAY_ELEMENT(const RDB_ARROW_ELEMENT* el);
    explicit RDB_DISPLAY_ELEMENT(const RDB_LABEL_ELEMENT* el);

    unsigned int get_row() const { return m_row; }
    void set_row(unsigned int row) { m_row = row; }
    const std::string& get_label() const { return m_label; }
    // The 0xRRGGBB value of the line colour; black for "no colour", so that the image never gets an
    // invalid colour index.
    int get_color() const;
    RDB_LINE_PROPERTIES::TYPE get_line_style() const { return m_line_properties.get_line_type(); }
    RDB_LINE_PROPERTIES::THICKNESS get_line_thickness() const { return m_line_properties.get_thickness(); }
    const RDB_ARROW_PROPERTIES& get_arrow_properties() const { return m_arrow_properties; }

    bool is_waveform() const { return m_is_waveform; }
    bool is_arrow() const { return m_is_arrow; }
    bool is_label() const { return m_is_label; }
    bool is_direct_arrow() const { return m_is_arrow && m_arrow_properties.is_direct(); }
    bool is_range_arrow() const { return m_is_arrow && !m_arrow_properties.is_direct(); }
    // Waveforms and range arrows have a row of their own; labels and direct arrows are drawn on the
    // rows of the waveforms they name.
    bool has_display_row() const { return m_is_waveform || is_range_arrow(); }

    const RDB_WAVEFORM_ELEMENT* get_waveform_element() const { return m_waveform; }
    const RDB_ARROW_ELEMENT* get_arrow_element() const { return m_arrow; }
    const RDB_LABEL_ELEMENT* get_label_element() const { return m_label_el; }
    void clear_rdb_pointers();

    // Records a time drawn on this row (an edge, a label, an arrow end).
    void add_event(int time) { m_events.insert(time); }
    // The smallest recorded time after t, the largest before t; RDB_NO_EVENT_TIME when there is none.
    int find_next_event(int t) const;
    int find_previous_event(int t) const;

private:
    unsigned int m_row = 0;
    std::string m_label;
    RDB_LINE_PROPERTIES m_line_properties;
    RDB_ARROW_PROPERTIES m_arrow_properties;
    bool m_is_waveform = false;
    bool m_is_arrow = false;
    bool m_is_label = false;
    const RDB_WAVEFORM_ELEMENT* m_waveform = nullptr;
    const RDB_ARROW_ELEMENT* m_arrow = nullptr;
    const RDB_LABEL_ELEMENT* m_label_el = nullptr;
    std::set<int> m_events;
};

// The answer of the edge finders when there is no edge: 0x80000001.
constexpr int RDB_NO_EVENT_TIME = -2147483647;

class RDB_WAVEFORM_DISPLAY_FORMATTER {
public:
    // Pixel layout: rows 40 pixels apart, a waveform's high level 5 and its low level 35 pixels below
    // the top of its row; 5 pixels of margin on the right; 150 time units of margin at both ends.
    static constexpr int ROW_PITCH = 40;
    static constexpr int HIGH_OFFSET = 5;
    static constexpr int LOW_OFFSET = 35;
    static constexpr int RIGHT_MARGIN = 5;
    static constexpr int TIME_MARGIN = 150;
    // The width used when set_size gave none, and the largest side a GIF image can have.
    static constexpr int DEFAULT_WIDTH = 800;
    static constexpr int MAX_SIDE = 65535;

    RDB_WAVEFORM_DISPLAY_FORMATTER();
    RDB_WAVEFORM_DISPLAY_FORMATTER(const RDB_WAVEFORM_DISPLAY_FORMATTER&) = delete;
    RDB_WAVEFORM_DISPLAY_FORMATTER& operator=(const RDB_WAVEFORM_DISPLAY_FORMATTER&) = delete;
    // Resets (frees the image and the display elements).
    virtual ~RDB_WAVEFORM_DISPLAY_FORMATTER();

    // Only the width is used; the height follows from the rows. A width below 1 means 800.
    void set_size(int width, int height);
    // Lays out and draws the diagram object (a null object or one that is no waveform display is an
    // internal error); an earlier image is freed first. False, with a trace line and no image, when the
    // image would be too big to make or to store as a GIF.
    bool load_rdb_waveform(RDB_OBJECT* object);

    // The image, owned by the formatter; null until a load succeeded.
    gdImageStruct* get_image() const { return m_image; }
    // The image as GIF bytes; empty without an image.
    std::string get_gif() const;
    // Writes the GIF bytes to path atomically; false without an image or when the file was not written.
    bool write_gif(const std::string& path) const;

    double get_pixels_per_time() const { return m_pixels_per_time; }
    int get_left() const { return m_left; }
    int get_right() const { return m_right; }
    // The visible time range: the display's range with the margins, in 64 bits (the margins may pass
    // the range of int).
    std::int64_t get_begin_time() const { return m_begin_time; }
    std::int64_t get_end_time() const { return m_end_time; }
    int get_height() const { return m_height; }
    int get_width() const { return m_width; }
    int get_rows() const { return m_rows; }

    // (t - begin time) x pixels per time + left, truncated and clamped to the image.
    int time_to_pixel(std::int64_t t) const;
    // (x - left) / pixels per time + begin time, truncated and clamped to int; the begin time when
    // nothing is drawn (before a load, or when the labels leave no room).
    int pixel_to_time(int x) const;
    // The edge after (before) pixel x on the row at pixel y: its time, with x and y moved onto it; or
    // RDB_NO_EVENT_TIME with x and y unchanged.
    int find_next_event(int& x, int& y);
    int find_previous_event(int& x, int& y);

    // Back to the unloaded state: no size, no image, no elements.
    void reset();
    // A printf-style debug line of level 2 for the component RDB.
    static void trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

private:
    using ELEMENT_MAP = std::multimap<std::int64_t, RDB_DISPLAY_ELEMENT*>;

    void assign_rows(const RDB_WAVEFORM_DISPLAY_OBJECT& display);
    void clear_elements();
    // The element drawn for the waveform with that id, or null.
    RDB_DISPLAY_ELEMENT* find_waveform_row(int waveform_id) const;
    RDB_DISPLAY_ELEMENT* find_display_element(int y) const;
    int draw_labels();
    int setup_line_properties(const RDB_DISPLAY_ELEMENT& element, const char*& style_name);
    void draw_time_grid();
    void draw_waveforms();
    void draw_label_elements();
    void draw_arrows();
    void draw_arrow(RDB_DISPLAY_ELEMENT& element);
    void draw_arrowhead(int x1, int y1, int x2, int y2);
    void draw_line(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, int color);
    void draw_text(std::int64_t x, std::int64_t y, const std::string& text, int color);

    int m_width = -1;
    int m_height = -1;
    double m_pixels_per_time = 0;
    std::int64_t m_begin_time = 0;
    std::int64_t m_end_time = 0;
    int m_left = 0;
    int m_right = 0;
    int m_rows = 0;
    gdImageStruct* m_image = nullptr;
    ELEMENT_MAP m_elements;
};
