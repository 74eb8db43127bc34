#include "rdb_waveform_display.h"

#include <algorithm>
#include <cinttypes>
#include <climits>
#include <optional>
#include <string>

#include "msg/msg.h"
#include "rdb_enum.h"
#include "rdb_visitor.h"

namespace {

const std::string RULE_49(49, '-');
const std::string RULE_58(58, '-');
const std::string RULE_60(60, '-');
const std::string RULE_74_SLASH(74, '/');
const std::string RULE_74_EQUAL(74, '=');

void debug_line(const std::string& text) { msg_local_vdebug("RDB", 2, "%s", text.c_str()); }

std::uintptr_t address_of(const void* object) { return reinterpret_cast<std::uintptr_t>(object); }

bool fits_int(std::int64_t value) { return value >= INT_MIN && value <= INT_MAX; }

} // namespace

// ---- RDB_WAVEFORM_EVENT ----------------------------------------------------------------------------

const char* RDB_WAVEFORM_EVENT::get_type_string() const
{
    switch (m_type) {
    case NON_EVENT:
        return "Non-Event";
    case RISING_EDGE:
        return "0 to 1";
    case FALLING_EDGE:
        return "1 to 0";
    case DATA_TRANSITION:
        return "Data Transition";
    }
    RDB_INTERNAL_ERROR("Unrecognized event type");
}

void RDB_WAVEFORM_EVENT::debug_dump() const { msg_local_vdebug("RDB", 2, "%12d: %s", m_time, get_type_string()); }

// ---- Line and arrow properties -----------------------------------------------------------------------

const char* RDB_LINE_PROPERTIES::get_enum_str(TYPE type)
{
    switch (type) {
    case SOLID:
        return "solid";
    case DASH:
        return "dash";
    case DOT:
        return "dot";
    case DASHDOT:
        return "dashdot";
    }
    return "unknown";
}

const char* RDB_LINE_PROPERTIES::get_enum_str(THICKNESS thickness)
{
    switch (thickness) {
    case NORMAL:
        return "normal";
    case THICK:
        return "thick";
    }
    return "unknown";
}

void RDB_LINE_PROPERTIES::debug_dump() const
{
    msg_local_vdebug("RDB", 2, "line:  type: %s, thickness: %s, color: %d", get_enum_str(m_line_type),
                     get_enum_str(m_thickness), static_cast<int>(m_color));
}

void RDB_ARROW_PROPERTIES::set_arrow_direction(DIRECTION direction)
{
    switch (direction) {
    case NO_ARROWHEAD:
    case END_ARROWHEAD:
    case BEGIN_ARROWHEAD:
    case BOTH_ARROWHEADS:
        m_has_end_arrowhead = (direction & END_ARROWHEAD) != 0;
        m_has_begin_arrowhead = (direction & BEGIN_ARROWHEAD) != 0;
        return;
    }
    RDB_INTERNAL_ERROR("Unexpected arrow direction");
}

void RDB_ARROW_PROPERTIES::set_style(STYLE style)
{
    switch (style) {
    case DIRECT_STYLE:
    case REFERENCE_BARS_STYLE:
    case SHADED_STYLE:
        m_is_direct = style == DIRECT_STYLE;
        m_is_shaded = style == SHADED_STYLE;
        m_show_reference_bars = style != DIRECT_STYLE;
        return;
    }
    RDB_INTERNAL_ERROR("Unexpected arrow style");
}

void RDB_ARROW_PROPERTIES::debug_dump() const
{
    RDB_LINE_PROPERTIES::debug_dump();
    msg_local_vdebug("RDB", 2, "arrow: %s%s%s%s", m_has_begin_arrowhead ? "begin " : "",
                     m_has_end_arrowhead ? "end " : "", m_is_direct ? "direct " : "",
                     m_show_reference_bars ? "ref_bar" : "");
}

// ---- RDB_WAVEFORM_ELEMENT ----------------------------------------------------------------------------

RDB_WAVEFORM_ELEMENT::RDB_WAVEFORM_ELEMENT(int period, int begin_time) : m_period(period), m_begin_time(begin_time)
{
    // A negative period would make the edge iterator walk backwards for ever.
    RDB_ASSERT(period >= 0);
    const std::int64_t end_time = std::int64_t{begin_time} + period;
    RDB_ASSERT(end_time <= INT_MAX);
    m_end_time = static_cast<int>(end_time);
}

bool RDB_WAVEFORM_ELEMENT::add_event(const RDB_WAVEFORM_EVENT& event)
{
    const int time = event.get_time();
    if (!m_events.empty() && time <= m_events.back().get_time()) return false;
    if (is_periodic()) {
        if (time < 0 || time >= m_period) return false;
        m_events.push_back(event);
        return true;
    }
    // The end time is one past the edge.
    if (time == INT_MAX) return false;
    if (m_events.empty()) m_begin_time = time;
    m_events.push_back(event);
    m_end_time = time + 1;
    return true;
}

void RDB_WAVEFORM_ELEMENT::shift_by(int delay)
{
    const std::int64_t tmp_delay_end = std::int64_t{m_end_time} + delay;
    const std::int64_t tmp_delay_begin = std::int64_t{m_begin_time} + delay;
    if (delay > 0) RDB_ASSERT_MSG(fits_int(tmp_delay_end), "tmp_delay > m_end_time");
    if (delay < 0) RDB_ASSERT_MSG(fits_int(tmp_delay_begin), "tmp_delay < m_begin_time");
    // Begin and end bound every one-shot edge, so the edges stay in range too.
    m_begin_time = static_cast<int>(tmp_delay_begin);
    m_end_time = static_cast<int>(tmp_delay_end);
    if (is_periodic()) return;
    for (RDB_WAVEFORM_EVENT& event : m_events)
        event.set_time(event.get_time() + delay);
}

RDB_WAVEFORM_ELEMENT* RDB_WAVEFORM_ELEMENT::clone() const
{
    auto* copy = new RDB_WAVEFORM_ELEMENT(*this);
    copy->m_id = RDB_ILLEGAL_WAVEFORM_ELEMENT_ID;
    copy->m_position = 0;
    return copy;
}

RDB_WAVEFORM_EVENT_ITER RDB_WAVEFORM_ELEMENT::begin_event_range_iter(int from, int to) const
{
    return RDB_WAVEFORM_EVENT_ITER(this, from, to, true);
}

RDB_WAVEFORM_EVENT_ITER RDB_WAVEFORM_ELEMENT::end_event_range_iter(int from, int to) const
{
    return RDB_WAVEFORM_EVENT_ITER(this, from, to, false);
}

void RDB_WAVEFORM_ELEMENT::debug_dump() const
{
    msg_local_vdebug("RDB", 2, "Waveform %" PRIxPTR, address_of(this));
    debug_line(RULE_58);
    msg_local_vdebug("RDB", 2, "ID    : %d", m_id);
    msg_local_vdebug("RDB", 2, "Pos   : %u", m_position);
    msg_local_vdebug("RDB", 2, "Label : %s", get_label());
    msg_local_vdebug("RDB", 2, "Period: %d", m_period);
    msg_local_vdebug("RDB", 2, "Begin : %d ps", m_begin_time);
    msg_local_vdebug("RDB", 2, "End   : %d ps", m_end_time);
    debug_line("Events");
    debug_line(RULE_49);
    for (const RDB_WAVEFORM_EVENT& event : m_events)
        event.debug_dump();
}

// ---- RDB_WAVEFORM_EVENT_ITER -------------------------------------------------------------------------

RDB_WAVEFORM_EVENT_ITER::RDB_WAVEFORM_EVENT_ITER(const RDB_WAVEFORM_ELEMENT* waveform, int from, int to, bool seek)
    : m_range_begin(from), m_range_end(to), m_waveform(waveform)
{
    if (waveform == nullptr) return;
    m_iter = m_end_iter = waveform->end_events();
    if (from > to) return;
    m_period = waveform->get_period();
    if (m_period != 0) {
        // The period holding from, or the one before: truncation rounds negative quotients up.
        std::int64_t k = (std::int64_t{from} - waveform->get_begin_time()) / m_period;
        if (k < 1) --k;
        m_period_base = waveform->get_begin_time() + k * m_period;
    }
    if (!seek || waveform->begin_events() == waveform->end_events()) return;
    m_iter = waveform->begin_events();
    if (time_at(m_iter) > m_range_end) {
        m_iter = m_end_iter;
        return;
    }
    while (!is_end() && time_at(m_iter) < m_range_begin)
        step();
}

void RDB_WAVEFORM_EVENT_ITER::step()
{
    if (is_end()) return;
    ++m_iter;
    if (m_iter == m_end_iter && m_period != 0) {
        m_iter = m_waveform->begin_events();
        m_period_base += m_period;
    }
    if (!is_end() && time_at(m_iter) > m_range_end) m_iter = m_end_iter;
}

RDB_WAVEFORM_EVENT_ITER& RDB_WAVEFORM_EVENT_ITER::operator++()
{
    step();
    return *this;
}

RDB_WAVEFORM_EVENT_ITER RDB_WAVEFORM_EVENT_ITER::operator++(int)
{
    RDB_WAVEFORM_EVENT_ITER old = *this;
    step();
    return old;
}

RDB_WAVEFORM_EVENT RDB_WAVEFORM_EVENT_ITER::operator*() const
{
    RDB_ASSERT_MSG(!is_end(), "Attempted to dereference an out-of-bounds RDB_WAVEFORM_EVENT_ITER");
    // Every edge reached lies in [from, to], so its time is an int.
    return RDB_WAVEFORM_EVENT(static_cast<int>(time_at(m_iter)), m_iter->get_type());
}

bool RDB_WAVEFORM_EVENT_ITER::operator==(const RDB_WAVEFORM_EVENT_ITER& other) const
{
    if (m_waveform != other.m_waveform || m_iter != other.m_iter) return false;
    return (is_end() && other.is_end()) || m_period_base == other.m_period_base;
}

void RDB_WAVEFORM_EVENT_ITER::debug_dump() const
{
    msg_local_vdebug("RDB", 2, "Event Iter %" PRIxPTR, address_of(this));
    debug_line(RULE_58);
    msg_local_vdebug("RDB", 2, "Start Time  : %d", m_range_begin);
    msg_local_vdebug("RDB", 2, "End Time    : %d", m_range_end);
    msg_local_vdebug("RDB", 2, "Period Base : %" PRId64, m_period_base);
    msg_local_vdebug("RDB", 2, "Period      : %d", m_period);
    msg_local_vdebug("RDB", 2, "Waveform    : %" PRIxPTR, address_of(m_waveform));
    if (m_waveform == nullptr) {
        debug_line(" - No Iterators (m_waveform is null)");
    } else {
        if (is_end()) {
            debug_line("m_iter      : <end>");
        } else {
            const RDB_WAVEFORM_EVENT event = **this;
            msg_local_vdebug("RDB", 2, "m_iter      : %12d: %s", event.get_time(), event.get_type_string());
        }
        // The end position is always the end of the waveform's edges.
        debug_line("m_end_iter  : <end>");
    }
    debug_line(RULE_49);
}

// ---- Arrows and labels -------------------------------------------------------------------------------

void RDB_ARROW_ELEMENT::debug_dump() const
{
    msg_local_vdebug("RDB", 2, "Arrow %" PRIxPTR, address_of(this));
    debug_line(RULE_60);
    msg_local_vdebug("RDB", 2, "Label   : %s", get_label());
    msg_local_vdebug("RDB", 2, "%d @ %dps ---> %d @ %dps", m_begin_waveform_id, m_begin_time, m_end_waveform_id,
                     m_end_time);
    m_properties.debug_dump();
}

void RDB_LABEL_ELEMENT::debug_dump() const
{
    msg_local_vdebug("RDB", 2, "Event Label %" PRIxPTR, address_of(this));
    debug_line(RULE_60);
    msg_local_vdebug("RDB", 2, "Label    : %s", get_label());
    msg_local_vdebug("RDB", 2, "Location : %d @ %dps", m_waveform_id, m_time);
    m_properties.debug_dump();
}

// ---- RDB_WAVEFORM_DISPLAY_OBJECT -----------------------------------------------------------------------

RDB_WAVEFORM_DISPLAY_OBJECT::~RDB_WAVEFORM_DISPLAY_OBJECT()
{
    for (RDB_WAVEFORM_ELEMENT* waveform : m_waveforms)
        delete waveform;
    for (RDB_ARROW_ELEMENT* arrow : m_arrows)
        delete arrow;
    for (RDB_LABEL_ELEMENT* label : m_labels)
        delete label;
}

RDB_OBJECT_TYPE RDB_WAVEFORM_DISPLAY_OBJECT::get_type() const { return RDB_WAVEFORM_DISPLAY_TYPE; }

void RDB_WAVEFORM_DISPLAY_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_waveform_display(this); }

void RDB_WAVEFORM_DISPLAY_OBJECT::add_waveform(RDB_WAVEFORM_ELEMENT* waveform, int overlay_on_waveform_id)
{
    if (waveform == nullptr) return;
    RDB_ASSERT(waveform->get_id() == RDB_ILLEGAL_WAVEFORM_ELEMENT_ID);
    unsigned int position = m_next_position;
    if (overlay_on_waveform_id != -1) {
        RDB_ASSERT(overlay_on_waveform_id >= 0 &&
                   static_cast<unsigned int>(overlay_on_waveform_id) < m_waveforms.size());
        position = m_waveforms[static_cast<std::size_t>(overlay_on_waveform_id)]->get_position();
    }
    m_waveforms.reserve(m_waveforms.size() + 1);
    waveform->set_id(static_cast<int>(m_waveforms.size()));
    waveform->set_position(position);
    if (overlay_on_waveform_id == -1) ++m_next_position;
    m_waveforms.push_back(waveform);
}

void RDB_WAVEFORM_DISPLAY_OBJECT::add_arrow(RDB_ARROW_ELEMENT* arrow)
{
    if (arrow != nullptr) m_arrows.push_back(arrow);
}

void RDB_WAVEFORM_DISPLAY_OBJECT::add_label(RDB_LABEL_ELEMENT* label)
{
    if (label != nullptr) m_labels.push_back(label);
}

RDB_WAVEFORM_ELEMENT* RDB_WAVEFORM_DISPLAY_OBJECT::get_waveform_by_id(int id) const
{
    if (id < 0 || static_cast<std::size_t>(id) >= m_waveforms.size()) return nullptr;
    return m_waveforms[static_cast<std::size_t>(id)];
}

int RDB_WAVEFORM_DISPLAY_OBJECT::get_begin_time() const
{
    std::optional<int> begin;
    auto take = [&begin](int time) { begin = begin ? std::min(*begin, time) : time; };
    for (const RDB_ARROW_ELEMENT* arrow : m_arrows)
        take(std::min(arrow->get_begin_time(), arrow->get_end_time()));
    for (const RDB_LABEL_ELEMENT* label : m_labels)
        take(label->get_time());
    const bool count_periodic = m_arrows.empty() && m_labels.empty();
    for (const RDB_WAVEFORM_ELEMENT* waveform : m_waveforms)
        if (!waveform->is_periodic() || count_periodic) take(waveform->get_begin_time());
    return begin.value_or(0);
}

int RDB_WAVEFORM_DISPLAY_OBJECT::get_end_time() const
{
    std::optional<int> end;
    auto take = [&end](int time) { end = end ? std::max(*end, time) : time; };
    for (const RDB_ARROW_ELEMENT* arrow : m_arrows)
        take(std::max(arrow->get_begin_time(), arrow->get_end_time()));
    for (const RDB_LABEL_ELEMENT* label : m_labels)
        take(label->get_time());
    const bool count_periodic = m_arrows.empty() && m_labels.empty();
    for (const RDB_WAVEFORM_ELEMENT* waveform : m_waveforms)
        if (!waveform->is_periodic() || count_periodic) take(waveform->get_end_time());
    return end.value_or(0);
}

void RDB_WAVEFORM_DISPLAY_OBJECT::debug_dump() const
{
    const int begin = get_begin_time();
    const int end = get_end_time();
    debug_line(RULE_74_SLASH);
    msg_local_vdebug("RDB", 2, "RDB_WAVEFORM_DISPLAY_OBJECT [%" PRIxPTR "]", address_of(this));
    msg_local_vdebug("RDB", 2, "Waveforms : %zu", m_waveforms.size());
    msg_local_vdebug("RDB", 2, "Arrows    : %zu", m_arrows.size());
    msg_local_vdebug("RDB", 2, "Labels    : %zu", m_labels.size());
    msg_local_vdebug("RDB", 2, "Begin Time: %d", begin);
    msg_local_vdebug("RDB", 2, "End Time  : %d", end);
    debug_line("Waveforms");
    debug_line(RULE_74_EQUAL);
    for (const RDB_WAVEFORM_ELEMENT* waveform : m_waveforms)
        waveform->debug_dump();
    for (const RDB_ARROW_ELEMENT* arrow : m_arrows)
        arrow->debug_dump();
    for (const RDB_LABEL_ELEMENT* label : m_labels)
        label->debug_dump();
    debug_line("Waveform edges in default range (using event iterators)");
    debug_line(RULE_74_EQUAL);
    for (const RDB_WAVEFORM_ELEMENT* waveform : m_waveforms) {
        msg_local_vdebug("RDB", 2, "Waveform %d (%s)", waveform->get_id(), waveform->get_label());
        debug_line(RULE_58);
        for (RDB_WAVEFORM_EVENT_ITER it = waveform->begin_event_range_iter(begin, end); !it.is_end(); ++it)
            (*it).debug_dump();
    }
}
