// The waveform image formatter: lays the rows of a waveform diagram out and draws them with GD.
//
// All pixel and time arithmetic is done in 64 bits and clamped to the image before it reaches GD:
// stored diagrams may hold times near the ends of int, and the margins, spans and grid times would
// otherwise overflow.

#include "rdb_waveform_display_formatter.h"

#include <gd.h>
#include <gdfonts.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <map>
#include <numbers>
#include <vector>

#include "fio/fio.h"
#include "ini/cfg.h"
#include "msg/msg.h"
#include "time/big_time.h"

namespace {

constexpr std::int64_t DIRECT_ARROW_KEY = -16777216; // 0xFF000000: before everything
constexpr std::int64_t LABEL_KEY = -65536; // 0xFFFF0000: after direct arrows, before every row
constexpr std::int64_t WAVEFORM_KEY_STEP = 16; // room for range arrows below each waveform
// Above this many pixels an image is refused: GD would allocate gigabytes for it.
constexpr std::int64_t MAX_PIXELS = std::int64_t(1) << 26;
constexpr int THICK_LINE = 5;
constexpr int EDGES_PER_PIXEL = 4;
// More rows than fit in the highest GIF image.
constexpr int MAX_ROWS = RDB_WAVEFORM_DISPLAY_FORMATTER::MAX_SIDE / RDB_WAVEFORM_DISPLAY_FORMATTER::ROW_PITCH;
constexpr int REFERENCE_BAR_ALPHA = 0x64000000; // GD alpha 100 of 127
constexpr int SHADING_ALPHA = 0x76000000; // GD alpha 118 of 127
constexpr int GRID_COLOR = 0x00FFFF;
constexpr int TEXT_COLOR = 0x000000;

gdFontPtr small_font() { return gdFontGetSmall(); }

int clamp_to_int(std::int64_t value, std::int64_t low, std::int64_t high)
{
    return static_cast<int>(std::clamp(value, low, high));
}

int text_width(const std::string& text) { return static_cast<int>(text.size()) * small_font()->w; }

int row_top(unsigned int row) { return static_cast<int>(row) * RDB_WAVEFORM_DISPLAY_FORMATTER::ROW_PITCH; }
int row_high(unsigned int row) { return row_top(row) + RDB_WAVEFORM_DISPLAY_FORMATTER::HIGH_OFFSET; }
int row_low(unsigned int row) { return row_top(row) + RDB_WAVEFORM_DISPLAY_FORMATTER::LOW_OFFSET; }
int row_middle(unsigned int row) { return row_top(row) + RDB_WAVEFORM_DISPLAY_FORMATTER::ROW_PITCH / 2; }

// A model time as the edge iterators take it.
int as_model_time(std::int64_t t)
{
    return static_cast<int>(
        std::clamp<std::int64_t>(t, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int decimal_digits(std::int64_t value)
{
    int digits = 1;
    for (value = value < 0 ? -value : value; value >= 10; value /= 10)
        ++digits;
    return digits;
}

std::string ns_text(std::int64_t ps)
{
    BIG_TIME time;
    time.set_time(ps, BIG_TIME::PS);
    return time.to_string_without_unit(BIG_TIME::NS, 3, false);
}

std::string span_text(std::int64_t ps)
{
    BIG_TIME time;
    time.set_time(ps, BIG_TIME::PS);
    return time.to_string(BIG_TIME::NS, 3, false);
}

const char* edge_name(RDB_WAVEFORM_EVENT::TYPE type)
{
    switch (type) {
    case RDB_WAVEFORM_EVENT::RISING_EDGE:
        return "0->1";
    case RDB_WAVEFORM_EVENT::FALLING_EDGE:
        return "1->0";
    default:
        return RDB_WAVEFORM_EVENT(0, type).get_type_string();
    }
}

} // namespace

// ---- RDB_DISPLAY_ELEMENT -------------------------------------------------------------------------

RDB_DISPLAY_ELEMENT::RDB_DISPLAY_ELEMENT(const RDB_WAVEFORM_ELEMENT* el)
{
    RDB_ASSERT(el != NULL);
    m_label = el->get_label();
    m_line_properties = el->get_properties();
    m_is_waveform = true;
    m_waveform = el;
}

RDB_DISPLAY_ELEMENT::RDB_DISPLAY_ELEMENT(const RDB_ARROW_ELEMENT* el)
{
    RDB_ASSERT(el != NULL);
    m_label = el->get_label();
    m_line_properties = el->get_properties();
    m_arrow_properties = el->get_properties();
    m_is_arrow = true;
    m_arrow = el;
}

RDB_DISPLAY_ELEMENT::RDB_DISPLAY_ELEMENT(const RDB_LABEL_ELEMENT* el)
{
    RDB_ASSERT(el != NULL);
    m_label = el->get_label();
    m_line_properties = el->get_properties();
    m_is_label = true;
    m_label_el = el;
}

int RDB_DISPLAY_ELEMENT::get_color() const
{
    const unsigned int rgb = rdb_get_rgb_value_by_name(m_line_properties.get_color());
    // "No colour" is all ones, which GD would read as an invalid colour with an alpha beyond 127.
    return rgb == RDB_RGB_DEFAULT_COLOR ? 0 : static_cast<int>(rgb & 0xFFFFFFu);
}

void RDB_DISPLAY_ELEMENT::clear_rdb_pointers()
{
    m_waveform = nullptr;
    m_arrow = nullptr;
    m_label_el = nullptr;
}

int RDB_DISPLAY_ELEMENT::find_next_event(int t) const
{
    auto it = m_events.upper_bound(t);
    return it == m_events.end() ? RDB_NO_EVENT_TIME : *it;
}

int RDB_DISPLAY_ELEMENT::find_previous_event(int t) const
{
    auto it = m_events.lower_bound(t);
    return it == m_events.begin() ? RDB_NO_EVENT_TIME : *std::prev(it);
}

// ---- RDB_WAVEFORM_DISPLAY_FORMATTER --------------------------------------------------------------

RDB_WAVEFORM_DISPLAY_FORMATTER::RDB_WAVEFORM_DISPLAY_FORMATTER() = default;

RDB_WAVEFORM_DISPLAY_FORMATTER::~RDB_WAVEFORM_DISPLAY_FORMATTER() { reset(); }

void RDB_WAVEFORM_DISPLAY_FORMATTER::trace(const char* format, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    msg_local_vdebug("RDB", 2, "%s", buffer);
}

void RDB_WAVEFORM_DISPLAY_FORMATTER::set_size(int width, int height)
{
    m_width = width;
    m_height = height;
}

void RDB_WAVEFORM_DISPLAY_FORMATTER::clear_elements()
{
    for (auto& [key, element] : m_elements)
        delete element;
    m_elements.clear();
}

void RDB_WAVEFORM_DISPLAY_FORMATTER::reset()
{
    m_width = -1;
    m_height = -1;
    m_pixels_per_time = 0;
    m_begin_time = 0;
    m_end_time = 0;
    m_left = 0;
    m_right = 0;
    m_rows = 0;
    if (m_image != nullptr) gdImageDestroy(m_image);
    m_image = nullptr;
    clear_elements();
}

RDB_DISPLAY_ELEMENT* RDB_WAVEFORM_DISPLAY_FORMATTER::find_waveform_row(int waveform_id) const
{
    for (const auto& [key, element] : m_elements) {
        const RDB_WAVEFORM_ELEMENT* waveform = element->get_waveform_element();
        if (waveform != nullptr && waveform->get_id() == waveform_id) return element;
    }
    return nullptr;
}

// Waveforms sort by their position; each range arrow sorts directly below its begin waveform and the
// range arrows placed there before it; direct arrows and labels sort before every row.
void RDB_WAVEFORM_DISPLAY_FORMATTER::assign_rows(const RDB_WAVEFORM_DISPLAY_OBJECT& display)
{
    for (auto it = display.begin_waveforms(); it != display.end_waveforms(); ++it) {
        const RDB_WAVEFORM_ELEMENT* waveform_el = *it;
        RDB_ASSERT(waveform_el != NULL);
        RDB_ASSERT(waveform_el->get_label());
        if (m_rows > MAX_ROWS) break; // the image cannot be made: no need to place the rest
        m_elements.emplace(WAVEFORM_KEY_STEP * waveform_el->get_position(), new RDB_DISPLAY_ELEMENT(waveform_el));
        trace("%2d. Found a waveform at position %2d: '%s'", m_rows, static_cast<int>(waveform_el->get_position()),
              waveform_el->get_label());
        ++m_rows;
    }
    for (auto it = display.begin_arrows(); it != display.end_arrows(); ++it) {
        const RDB_ARROW_ELEMENT* arrow_el = *it;
        RDB_ASSERT(arrow_el != NULL);
        RDB_ASSERT(arrow_el->get_label());
        const RDB_WAVEFORM_ELEMENT* from = display.get_waveform_by_id(arrow_el->get_begin_id());
        const RDB_WAVEFORM_ELEMENT* to = display.get_waveform_by_id(arrow_el->get_end_id());
        if (from == nullptr || to == nullptr) {
            trace("    Skipping an arrow from waveform %d to waveform %d: no such waveform: '%s'",
                  arrow_el->get_begin_id(), arrow_el->get_end_id(), arrow_el->get_label());
            continue;
        }
        const int from_position = static_cast<int>(from->get_position());
        const int to_position = static_cast<int>(to->get_position());
        if (arrow_el->get_properties().is_direct()) {
            m_elements.emplace(DIRECT_ARROW_KEY, new RDB_DISPLAY_ELEMENT(arrow_el));
            trace("    Found a DIRECT arrow from position %2d to %2d: '%s'", from_position, to_position,
                  arrow_el->get_label());
            continue;
        }
        if (m_rows > MAX_ROWS) break; // as above; this also bounds the search for a free key
        std::int64_t key = WAVEFORM_KEY_STEP * from->get_position() + 1;
        while (m_elements.count(key) != 0)
            ++key;
        m_elements.emplace(key, new RDB_DISPLAY_ELEMENT(arrow_el));
        trace("%2d. Found a RANGE arrow from position %2d to %2d: '%s'", m_rows, from_position, to_position,
              arrow_el->get_label());
        ++m_rows;
    }
    for (auto it = display.begin_labels(); it != display.end_labels(); ++it) {
        const RDB_LABEL_ELEMENT* label_el = *it;
        RDB_ASSERT(label_el != NULL);
        const RDB_WAVEFORM_ELEMENT* waveform = display.get_waveform_by_id(label_el->get_waveform_id());
        if (waveform == nullptr) {
            trace("    Skipping a LABEL on waveform %d: no such waveform: '%s'", label_el->get_waveform_id(),
                  label_el->get_label());
            continue;
        }
        m_elements.emplace(LABEL_KEY, new RDB_DISPLAY_ELEMENT(label_el));
        trace("    Found a LABEL at position %2d: '%s'", static_cast<int>(waveform->get_position()),
              label_el->get_label());
    }
    trace("Total rows = %d", m_rows);
}

bool RDB_WAVEFORM_DISPLAY_FORMATTER::load_rdb_waveform(RDB_OBJECT* object)
{
    RDB_ASSERT(object != NULL);
    auto* waveform_display_object = dynamic_cast<RDB_WAVEFORM_DISPLAY_OBJECT*>(object);
    RDB_ASSERT(waveform_display_object != NULL);

    // A second load starts afresh, keeping only the size asked for.
    const int asked_width = m_width;
    reset();
    m_width = asked_width;

    const RDB_WAVEFORM_DISPLAY_OBJECT& display = *waveform_display_object;
    const char* name = display.get_name().c_str();
    trace("BEGIN load_rdb_waveform '%s'", name);
    trace("Time range: %d..%d", display.get_begin_time(), display.get_end_time());
    assign_rows(display);

    const std::int64_t height = std::int64_t(small_font()->h) + 2 + std::int64_t(ROW_PITCH) * m_rows;
    const std::int64_t width = m_width < 1 ? DEFAULT_WIDTH : m_width;
    if (width > MAX_SIDE || height > MAX_SIDE || width * height > MAX_PIXELS) {
        trace("Image of %lld x %lld pixels is too big for a GIF image", static_cast<long long>(width),
              static_cast<long long>(height));
        reset();
        m_width = asked_width;
        return false;
    }
    m_width = static_cast<int>(width);
    m_height = static_cast<int>(height);
    m_image = gdImageCreateTrueColor(m_width, m_height);
    if (m_image == nullptr) {
        trace("No image of %d x %d pixels could be made", m_width, m_height);
        reset();
        m_width = asked_width;
        return false;
    }
    gdImageFilledRectangle(m_image, 0, 0, m_width - 1, m_height - 1,
                           static_cast<int>(rdb_get_rgb_value_by_name(RDB_COLOR_WHITE)));

    m_begin_time = std::int64_t(display.get_begin_time()) - TIME_MARGIN;
    m_end_time = std::int64_t(display.get_end_time()) + TIME_MARGIN;
    RDB_ASSERT(m_begin_time != m_end_time);

    m_left = draw_labels();
    m_right = m_width - RIGHT_MARGIN;
    m_pixels_per_time = double(m_right - m_left) / double(m_end_time - m_begin_time);
    if (m_left < m_right) {
        draw_time_grid();
        draw_waveforms();
        draw_label_elements();
        draw_arrows();
    }
    for (auto& [key, element] : m_elements)
        element->clear_rdb_pointers();
    trace("END   load_rdb_waveform '%s'", name);
    return true;
}

// A palette copy of a true-colour image for GIF. A diagram has few colours: when they fit in 256, each
// gets its own palette entry, so that lines keep their exact colour; GD's quantizer would shift them.
// Otherwise GD quantizes without dithering and matches the palette to the image.
namespace {

gdImagePtr palette_copy(gdImagePtr image)
{
    constexpr std::size_t MAX_COLORS = gdMaxColors;
    const int width = gdImageSX(image), height = gdImageSY(image);
    std::map<int, int> palette;
    for (int y = 0; y < height && palette.size() <= MAX_COLORS; ++y)
        for (int x = 0; x < width && palette.size() <= MAX_COLORS; ++x)
            palette.emplace(gdImageGetTrueColorPixel(image, x, y) & 0xFFFFFF, 0);
    if (palette.size() > MAX_COLORS) {
        gdImagePtr quantized = gdImageCreatePaletteFromTrueColor(image, 0, gdMaxColors);
        if (quantized != nullptr) gdImageColorMatch(image, quantized);
        return quantized;
    }
    gdImagePtr copy = gdImageCreate(width, height);
    if (copy == nullptr) return nullptr;
    for (auto& [rgb, index] : palette)
        index = gdImageColorAllocate(copy, gdTrueColorGetRed(rgb), gdTrueColorGetGreen(rgb), gdTrueColorGetBlue(rgb));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            gdImageSetPixel(copy, x, y, palette[gdImageGetTrueColorPixel(image, x, y) & 0xFFFFFF]);
    return copy;
}

} // namespace

std::string RDB_WAVEFORM_DISPLAY_FORMATTER::get_gif() const
{
    if (m_image == nullptr) return {};
    gdImagePtr palette_image = palette_copy(m_image);
    if (palette_image == nullptr) return {};
    int size = 0;
    void* bytes = gdImageGifPtr(palette_image, &size);
    gdImageDestroy(palette_image);
    if (bytes == nullptr) return {};
    std::string gif(static_cast<const char*>(bytes), static_cast<std::size_t>(std::max(size, 0)));
    gdFree(bytes);
    return gif;
}

bool RDB_WAVEFORM_DISPLAY_FORMATTER::write_gif(const std::string& path) const
{
    const std::string gif = get_gif();
    return !gif.empty() && fio_write_file_atomically(path, gif);
}

// ---- Pixels and times ----------------------------------------------------------------------------

int RDB_WAVEFORM_DISPLAY_FORMATTER::time_to_pixel(std::int64_t t) const
{
    if (m_image == nullptr) return m_left;
    const double x = double(t - m_begin_time) * m_pixels_per_time + m_left;
    return clamp_to_int(static_cast<std::int64_t>(std::clamp(x, -1.0, double(m_width))), -1, m_width);
}

int RDB_WAVEFORM_DISPLAY_FORMATTER::pixel_to_time(int x) const
{
    if (m_image == nullptr || m_left >= m_right || m_pixels_per_time <= 0) return as_model_time(m_begin_time);
    const double t = double(x - m_left) / m_pixels_per_time + double(m_begin_time);
    return as_model_time(static_cast<std::int64_t>(
        std::clamp(t, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max()))));
}

// The row under pixel y; nothing in the 5-pixel bands at the top and bottom (y < 6 as the row
// arithmetic has it).
RDB_DISPLAY_ELEMENT* RDB_WAVEFORM_DISPLAY_FORMATTER::find_display_element(int y) const
{
    if (y < 6 || y >= m_height - 5) return nullptr;
    const unsigned int row = static_cast<unsigned int>((y - HIGH_OFFSET) / ROW_PITCH);
    for (const auto& [key, element] : m_elements)
        if (element->has_display_row() && element->get_row() == row) return element;
    return nullptr;
}

int RDB_WAVEFORM_DISPLAY_FORMATTER::find_next_event(int& x, int& y)
{
    const RDB_DISPLAY_ELEMENT* element = find_display_element(y);
    if (element == nullptr || m_left >= m_right) return RDB_NO_EVENT_TIME;
    const int t = element->find_next_event(pixel_to_time(x));
    if (t == RDB_NO_EVENT_TIME) return t;
    x = time_to_pixel(t);
    y = row_middle(element->get_row());
    return t;
}

int RDB_WAVEFORM_DISPLAY_FORMATTER::find_previous_event(int& x, int& y)
{
    const RDB_DISPLAY_ELEMENT* element = find_display_element(y);
    if (element == nullptr || m_left >= m_right) return RDB_NO_EVENT_TIME;
    const int t = element->find_previous_event(pixel_to_time(x));
    if (t == RDB_NO_EVENT_TIME) return t;
    x = time_to_pixel(t);
    y = row_middle(element->get_row());
    return t;
}

// ---- Drawing -------------------------------------------------------------------------------------

void RDB_WAVEFORM_DISPLAY_FORMATTER::draw_line(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
                                               int color)
{
    gdImageLine(m_image, clamp_to_int(x1, -1, m_width), clamp_to_int(y1, -1, m_height), clamp_to_int(x2, -1, m_width),
                clamp_to_int(y2, -1, m_height), color);
}

void RDB_WAVEFORM_DISPLAY_FORMATTER::draw_text(std::int64_t x, std::int64_t y, const std::string& text, int color)
{
    std::vector<unsigned char> bytes(text.begin(), text.end());
    bytes.push_back(0);
    gdImageString(m_image, small_font(), clamp_to_int(x, -m_width - 1, m_width),
                  clamp_to_int(y, -m_height - 1, m_height), bytes.data(), color);
}

// Numbers the rows in key order (only elements with a row of their own: the image height counts only
// those) and draws the row labels and the caption; answers the left edge of the plot.
int RDB_WAVEFORM_DISPLAY_FORMATTER::draw_labels()
{
    const gdFontPtr font = small_font();
    int widest = 5;
    unsigned int row = 0;
    for (auto& [key, element] : m_elements) {
        if (!element->has_display_row()) continue;
        element->set_row(row++);
        draw_text(5, std::int64_t(row_top(element->get_row())) - font->h / 2 + ROW_PITCH / 2, element->get_label(),
                  element->get_color());
        widest = std::max<std::int64_t>(widest, std::int64_t(text_width(element->get_label())) + 10);
    }
    draw_text(5, m_height - font->h, "Time (ns)", TEXT_COLOR);
    return std::max(widest, 9 * font->w + 10);
}

// Sets the anti-aliasing colour, thickness and style of the element's line; answers the colour to draw
// with (the element's colour, or gdStyled for a patterned line).
int RDB_WAVEFORM_DISPLAY_FORMATTER::setup_line_properties(const RDB_DISPLAY_ELEMENT& element, const char*& style_name)
{
    const int color = element.get_color();
    gdImageSetAntiAliased(m_image, color);
    gdImageSetThickness(m_image, element.get_line_thickness() == RDB_LINE_PROPERTIES::THICK ? THICK_LINE : 1);
    switch (element.get_line_style()) {
    case RDB_LINE_PROPERTIES::DASH: {
        int style[] = {color, color, color, gdTransparent, gdTransparent, gdTransparent};
        gdImageSetStyle(m_image, style, static_cast<int>(std::size(style)));
        style_name = "DASH";
        return gdStyled;
    }
    case RDB_LINE_PROPERTIES::DOT: {
        int style[] = {color, gdTransparent};
        gdImageSetStyle(m_image, style, static_cast<int>(std::size(style)));
        style_name = "DOT";
        return gdStyled;
    }
    case RDB_LINE_PROPERTIES::DASHDOT: {
        int style[] = {color, color, color, color, gdTransparent, gdTransparent, color, gdTransparent, gdTransparent};
        gdImageSetStyle(m_image, style, static_cast<int>(std::size(style)));
        style_name = "DASHDOT";
        return gdStyled;
    }
    default:
        style_name = "SOLID";
        return color;
    }
}

void RDB_WAVEFORM_DISPLAY_FORMATTER::draw_time_grid()
{
    const gdFontPtr font = small_font();
    const std::int64_t min_spacing =
        std::int64_t(font->w) * (8 + decimal_digits(m_end_time / 10000) + (m_end_time / 10000 < 0 ? 1 : 0));
    int style[] = {GRID_COLOR, gdTransparent};
    gdImageSetStyle(m_image, style, static_cast<int>(std::size(style)));
    gdImageSetThickness(m_image, 1);

    // The grid follows the earliest periodic waveform (its period is the step), else the earliest edge.
    std::int64_t step = 0;
    std::int64_t origin = std::numeric_limits<int>::max();
    const int from = as_model_time(m_begin_time), to = as_model_time(m_end_time);
    for (const auto& [key, element] : m_elements) {
        const RDB_WAVEFORM_ELEMENT* waveform = element->get_waveform_element();
        if (waveform == nullptr) continue;
        RDB_WAVEFORM_EVENT_ITER first = waveform->begin_event_range_iter(from, to);
        if (first.is_end()) continue;
        const std::int64_t edge = (*first).get_time();
        if (step == 0) {
            if (edge < origin || waveform->is_periodic()) origin = edge;
            if (waveform->is_periodic()) step = waveform->get_period();
        } else if (waveform->is_periodic() && edge < origin) {
            origin = edge;
            step = waveform->get_period();
        }
    }
    if (step <= 0) step = 1000;
    if (origin == std::numeric_limits<int>::max()) origin = m_begin_time;

    // Spread the lines so that their labels do not touch: never closer than the minimum step, and
    // halved while that keeps them more than twice the minimum apart and on whole time units. A wide
    // image over a short span would give a minimum step of 0, on which no doubling ends.
    const std::int64_t lines = (m_right - m_left) / min_spacing + 1;
    const std::int64_t min_step = std::clamp<std::int64_t>((m_end_time - m_begin_time) / lines, 1, 1073741822);
    while (step < min_step)
        step *= 2;
    while (step % 2 == 0 && step / 2 > 2 * min_step)
        step /= 2;

    for (std::int64_t t = origin; t <= m_end_time; t += step) {
        const int x = time_to_pixel(t);
        const std::string label = ns_text(t);
        const int half = text_width(label) / 2;
        if (x + half > m_right) continue;
        draw_line(x, 0, x, m_height - font->h, gdStyled);
        draw_text(x - half, m_height - font->h, label, TEXT_COLOR);
    }
}

void RDB_WAVEFORM_DISPLAY_FORMATTER::draw_waveforms()
{
    const int from = as_model_time(m_begin_time), to = as_model_time(m_end_time);
    for (auto& [key, element] : m_elements) {
        const RDB_WAVEFORM_ELEMENT* waveform = element->get_waveform_element();
        if (waveform == nullptr) continue;
        const char* style_name = "";
        const int color = setup_line_properties(*element, style_name);
        trace("===== Drawing waveform at row %2d line_style %7s color 0x%06X '%s'", element->get_row(), style_name,
              static_cast<unsigned int>(element->get_color()), element->get_label().c_str());
        const int top = row_high(element->get_row()), bottom = row_low(element->get_row());
        int previous_x = m_left;
        bool first = true;
        RDB_WAVEFORM_EVENT::TYPE last = RDB_WAVEFORM_EVENT::NON_EVENT;
        // A periodic waveform of a tiny period over a long stored range would give billions of edges,
        // most of them on the same pixels: drawing stops after a few per pixel.
        std::int64_t edges_left = std::int64_t(EDGES_PER_PIXEL) * m_width;
        for (auto it = waveform->begin_event_range_iter(from, to); !it.is_end(); ++it) {
            if (edges_left-- == 0) {
                trace("Too many edges to draw on row %2d: '%s'", element->get_row(), element->get_label().c_str());
                break;
            }
            const RDB_WAVEFORM_EVENT event = *it;
            element->add_event(event.get_time());
            trace("event at %6d of type %s", event.get_time(), edge_name(event.get_type()));
            const int x = time_to_pixel(event.get_time());
            switch (event.get_type()) {
            case RDB_WAVEFORM_EVENT::RISING_EDGE:
            case RDB_WAVEFORM_EVENT::FALLING_EDGE: {
                draw_line(x, top, x, bottom, color);
                const int level = event.get_type() == RDB_WAVEFORM_EVENT::RISING_EDGE ? bottom : top;
                draw_line(previous_x, level, x, level, color);
                break;
            }
            case RDB_WAVEFORM_EVENT::DATA_TRANSITION: {
                const int start = first ? m_left : previous_x + 5;
                draw_line(start, top, x - 5, top, color);
                draw_line(start, bottom, x - 5, bottom, color);
                const int middle = top + 15;
                if (x < m_right - 5) {
                    draw_line(x, middle, x + 5, top, gdAntiAliased);
                    draw_line(x, middle, x + 5, bottom, gdAntiAliased);
                }
                if (x > m_left + 5) {
                    draw_line(x, middle, x - 5, top, gdAntiAliased);
                    draw_line(x, middle, x - 5, bottom, gdAntiAliased);
                }
                break;
            }
            default:
                break;
            }
            if (event.get_type() != RDB_WAVEFORM_EVENT::NON_EVENT) last = event.get_type();
            previous_x = x;
            first = false;
        }
        if (last == RDB_WAVEFORM_EVENT::RISING_EDGE) draw_line(previous_x, top, m_right, top, color);
        if (last == RDB_WAVEFORM_EVENT::FALLING_EDGE) draw_line(previous_x, bottom, m_right, bottom, color);
        if (last == RDB_WAVEFORM_EVENT::DATA_TRANSITION) {
            draw_line(previous_x + 5, top, m_right, top, color);
            draw_line(previous_x + 5, bottom, m_right, bottom, color);
        }
    }
    trace("END   Drawing waveforms");
}

void RDB_WAVEFORM_DISPLAY_FORMATTER::draw_label_elements()
{
    trace("BEGIN Drawing labels");
    for (auto& [key, element] : m_elements) {
        const RDB_LABEL_ELEMENT* label_el = element->get_label_element();
        if (label_el == nullptr) continue;
        RDB_DISPLAY_ELEMENT* waveform_row = find_waveform_row(label_el->get_waveform_id());
        if (waveform_row == nullptr) continue;
        const unsigned int row = waveform_row->get_row();
        const char* style_name = "";
        const int color = setup_line_properties(*element, style_name);
        trace("||||| Drawing LABEL at row %2d line_style %7s color 0x%06X at time %6d '%s'", row, style_name,
              static_cast<unsigned int>(element->get_color()), label_el->get_time(), element->get_label().c_str());
        waveform_row->add_event(label_el->get_time());
        const int x = time_to_pixel(label_el->get_time());
        draw_line(x, row_high(row), x, row_low(row), color);
        draw_text(std::int64_t(x) - 5 - text_width(element->get_label()), row_top(row) + 10, element->get_label(),
                  element->get_color());
    }
    trace("END   Drawing labels");
}

void RDB_WAVEFORM_DISPLAY_FORMATTER::draw_arrows()
{
    trace("BEGIN Drawing arrows");
    for (auto& [key, element] : m_elements)
        if (element->is_arrow()) draw_arrow(*element);
    trace("END   Drawing arrows");
}

void RDB_WAVEFORM_DISPLAY_FORMATTER::draw_arrow(RDB_DISPLAY_ELEMENT& element)
{
    const RDB_ARROW_ELEMENT* arrow_el = element.get_arrow_element();
    RDB_ASSERT(arrow_el != NULL);
    RDB_DISPLAY_ELEMENT* from = find_waveform_row(arrow_el->get_begin_id());
    RDB_DISPLAY_ELEMENT* to = find_waveform_row(arrow_el->get_end_id());
    if (from == nullptr || to == nullptr) return; // skipped (with a trace line) when the rows were assigned
    const gdFontPtr font = small_font();
    const char* style_name = "";
    const int color = setup_line_properties(element, style_name);
    const RDB_ARROW_PROPERTIES& properties = element.get_arrow_properties();
    const int begin_time = arrow_el->get_begin_time(), end_time = arrow_el->get_end_time();
    from->add_event(begin_time);
    to->add_event(end_time);
    const int x1 = time_to_pixel(begin_time), x2 = time_to_pixel(end_time);
    const std::string span = span_text(std::int64_t(end_time) - begin_time);
    const std::string& label = element.get_label();

    int y1 = 0, y2 = 0;
    unsigned int low_row = std::min(from->get_row(), to->get_row());
    unsigned int high_row = std::max(from->get_row(), to->get_row());
    if (element.is_range_arrow()) {
        const unsigned int row = element.get_row();
        trace("----> Drawing RANGE arrow at row %2d from row %d to %d line_style %7s color 0x%06X from time %6d to %6d "
              "'%s'",
              row, from->get_row(), to->get_row(), style_name, static_cast<unsigned int>(element.get_color()),
              begin_time, end_time, label.c_str());
        element.add_event(begin_time);
        element.add_event(end_time);
        y1 = y2 = row_top(row) + 23;
        draw_line(x1, y1, x2, y2, color);
        draw_text((std::int64_t(x1) + x2) / 2 - text_width(span) / 2, std::int64_t(y1) - font->h - 3, span,
                  element.get_color());
        low_row = std::min(low_row, row);
        high_row = std::max(high_row, row);
    } else {
        trace("----> Drawing DIRECT arrow from row %d to %d line_style %7s color 0x%06X from time %6d to %6d '%s'",
              from->get_row(), to->get_row(), style_name, static_cast<unsigned int>(element.get_color()), begin_time,
              end_time, label.c_str());
        y1 = row_middle(from->get_row());
        y2 = row_middle(to->get_row());
        draw_line(x1, y1, x2, y2, color);
        const std::int64_t mx = (std::int64_t(x1) + x2) / 2, my = (std::int64_t(y1) + y2) / 2;
        const int lift = (y2 - y1 < 1 || x2 - x1 < 1) ? 0 : font->h;
        draw_text(mx, my - lift, span, element.get_color());
        draw_text(mx - text_width(label), my - lift, label, element.get_color());
    }
    if (properties.has_begin_arrowhead()) draw_arrowhead(x2, y2, x1, y1);
    if (properties.has_end_arrowhead()) draw_arrowhead(x1, y1, x2, y2);

    const int band_top = row_top(low_row), band_bottom = row_top(high_row + 1);
    if (properties.show_reference_bars()) {
        gdImageSetThickness(m_image, 1);
        draw_line(x1, band_top, x1, band_bottom, element.get_color() + REFERENCE_BAR_ALPHA);
        draw_line(x2, band_top, x2, band_bottom, element.get_color() + REFERENCE_BAR_ALPHA);
        for (auto& [key, other] : m_elements) {
            if (!other->has_display_row() || other->get_row() < low_row || other->get_row() > high_row) continue;
            other->add_event(begin_time);
            other->add_event(end_time);
        }
    }
    if (properties.is_shaded() && !cfg_is_on("RDB_dont_show_range_in_color", false))
        gdImageFilledRectangle(m_image, std::min(x1, x2), band_top, std::max(x1, x2), band_bottom,
                               element.get_color() + SHADING_ALPHA);
}

// A small filled triangle at (x2, y2) pointing away from (x1, y1).
void RDB_WAVEFORM_DISPLAY_FORMATTER::draw_arrowhead(int x1, int y1, int x2, int y2)
{
    const double theta = std::atan2(double(y2) - y1, double(x2) - x1);
    const double phi = std::numbers::pi / 4 - theta;
    const double length = 3 * std::numbers::sqrt2;
    gdPoint points[3] = {
        {x2, y2},
        {static_cast<int>(x2 - length * std::cos(phi)), static_cast<int>(y2 + length * std::sin(phi))},
        {static_cast<int>(x2 - length * std::sin(phi)), static_cast<int>(y2 - length * std::cos(phi))}};
    gdImageFilledPolygon(m_image, points, 3, gdAntiAliased);
}
