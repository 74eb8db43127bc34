// Transfer routines and class records of timing paths, path folders and waveform displays.

#include <cstdint>
#include <unordered_set>

#include "pdb/pdb.h"
#include "rdb_path.h"
#include "rdb_table_sys.h"
#include "rdb_text.h"
#include "rdb_waveform_display.h"
#include "rdb_serialize_util.h"

// ---- Paths ---------------------------------------------------------------------------------------

namespace {

// An owned sub-object: outside any folder, as the path keeps it.
template <class T> void transfer_sub_object(PDB_SEGMENT& segment, T*& object)
{
    segment.transfer_owned(object);
    if (segment.is_reading() && object != nullptr &&
        (object->get_parent() != nullptr || object->get_ownership_status() != NOT_OWNED))
        segment.fail("a path sub-object that claims a folder");
}

using CHILDREN = std::unordered_set<const RDB_OBJECT*>;

// A pointer at one of the folder's children: written only while it still names one (a removed child
// leaves it dangling), read only when it does.
template <class T> void transfer_child_pointer(PDB_SEGMENT& segment, const CHILDREN& children, T*& pointer)
{
    T* value = segment.is_writing() && children.count(pointer) != 0 ? pointer : nullptr;
    segment.transfer_ptr(value);
    if (segment.is_writing()) return;
    if (value != nullptr && children.count(value) == 0) segment.fail("a path folder pointer outside its children");
    pointer = value;
}

} // namespace

PDB_CLASS_THUNK<RDB_PATH_OBJECT> RDB_PATH_OBJECT::s_thunk("RDB_PATH_OBJECT", RDB_OBJECT::pdb_thunk(),
                                                          []() -> PDB_VIRTUAL_OBJECT* {
                                                              return new RDB_PATH_OBJECT();
                                                          });

void RDB_PATH_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_OBJECT);
    RDB_OBJECT::serialize(segment);
    RDB_TRANSFER(segment, m_highlight_violations);
    RDB_TRANSFER(segment, m_slack);
    RDB_TRACE(m_summary);
    transfer_sub_object(segment, m_summary);
    RDB_TRACE(m_data_arrival_path);
    transfer_sub_object(segment, m_data_arrival_path);
    RDB_TRACE(m_data_required_path);
    transfer_sub_object(segment, m_data_required_path);
    RDB_TRACE(m_path_stats);
    transfer_sub_object(segment, m_path_stats);
    RDB_TRACE(m_extra_info);
    transfer_sub_object(segment, m_extra_info);
    RDB_TRACE(m_waveform);
    transfer_sub_object(segment, m_waveform);
    RDB_TRACE(m_idb_text);
    transfer_sub_object(segment, m_idb_text);
    RDB_TRACE(m_critical_chain_table);
    transfer_sub_object(segment, m_critical_chain_table);
    RDB_TRACE(m_recommendations_table);
    transfer_sub_object(segment, m_recommendations_table);
    RDB_TRACE(m_internal_negative_cycle_table);
    transfer_sub_object(segment, m_internal_negative_cycle_table);
    RDB_TRACE(m_optimizations_analyzed_table);
    transfer_sub_object(segment, m_optimizations_analyzed_table);
    RDB_TRANSFER(segment, m_loc_str);
    RDB_TRANSFER(segment, m_arrival_loc_str);
    RDB_TRANSFER(segment, m_required_loc_str);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_PATH_FOLDER_OBJECT>
    RDB_PATH_FOLDER_OBJECT::s_thunk("RDB_PATH_FOLDER_OBJECT", RDB_FOLDER_OBJECT::pdb_thunk(),
                                    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_PATH_FOLDER_OBJECT(); });

void RDB_PATH_FOLDER_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_FOLDER_OBJECT);
    RDB_FOLDER_OBJECT::serialize(segment);
    const CHILDREN children(begin_object_const_iter(), end_object_const_iter());
    RDB_TRACE(m_summary_table);
    transfer_child_pointer(segment, children, m_summary_table);
    RDB_TRACE(m_option_summary_panel);
    transfer_child_pointer(segment, children, m_option_summary_panel);
    RDB_TRACE(m_path_vec);
    std::uint32_t count = static_cast<std::uint32_t>(m_path_vec.size());
    segment.transfer(count);
    if (segment.is_reading()) {
        segment.require_items(count, 4);
        m_path_vec.assign(count, nullptr);
    }
    for (RDB_PATH_OBJECT*& path : m_path_vec)
        transfer_child_pointer(segment, children, path);
    segment.end_class();
}

// ---- Waveforms -----------------------------------------------------------------------------------

PDB_CLASS_THUNK<RDB_WAVEFORM_EVENT> RDB_WAVEFORM_EVENT::s_thunk("RDB_WAVEFORM_EVENT", nullptr,
                                                                []() -> PDB_VIRTUAL_OBJECT* {
                                                                    return new RDB_WAVEFORM_EVENT();
                                                                });

void RDB_WAVEFORM_EVENT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRANSFER(segment, m_time);
    RDB_TRACE(m_type);
    segment.transfer_enum(m_type, NON_EVENT, DATA_TRANSITION);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_LINE_PROPERTIES> RDB_LINE_PROPERTIES::s_thunk("RDB_LINE_PROPERTIES", nullptr,
                                                                  []() -> PDB_VIRTUAL_OBJECT* {
                                                                      return new RDB_LINE_PROPERTIES();
                                                                  });

void RDB_LINE_PROPERTIES::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(m_line_type);
    segment.transfer_enum(m_line_type, SOLID, DASHDOT);
    RDB_TRACE(m_thickness);
    segment.transfer_enum(m_thickness, NORMAL, THICK);
    RDB_TRACE(m_color);
    segment.transfer_enum(m_color, RDB_COLOR_DEFAULT, RDB_COLOR_COUNT - 1);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_ARROW_PROPERTIES>
    RDB_ARROW_PROPERTIES::s_thunk("RDB_ARROW_PROPERTIES", RDB_LINE_PROPERTIES::pdb_thunk(),
                                  []() -> PDB_VIRTUAL_OBJECT* { return new RDB_ARROW_PROPERTIES(); });

void RDB_ARROW_PROPERTIES::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_LINE_PROPERTIES);
    RDB_LINE_PROPERTIES::serialize(segment);
    RDB_TRANSFER(segment, m_has_begin_arrowhead);
    RDB_TRANSFER(segment, m_has_end_arrowhead);
    RDB_TRANSFER(segment, m_is_direct);
    RDB_TRANSFER(segment, m_is_shaded);
    RDB_TRANSFER(segment, m_show_reference_bars);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_WAVEFORM_ELEMENT> RDB_WAVEFORM_ELEMENT::s_thunk("RDB_WAVEFORM_ELEMENT", nullptr,
                                                                    []() -> PDB_VIRTUAL_OBJECT* {
                                                                        return new RDB_WAVEFORM_ELEMENT();
                                                                    });

void RDB_WAVEFORM_ELEMENT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRANSFER(segment, m_id);
    RDB_TRANSFER(segment, m_position);
    RDB_TRANSFER(segment, m_label);
    RDB_TRANSFER(segment, m_period);
    RDB_TRANSFER(segment, m_begin_time);
    RDB_TRANSFER(segment, m_end_time);
    RDB_TRACE(m_events);
    std::uint32_t count = static_cast<std::uint32_t>(m_events.size());
    segment.transfer(count);
    if (segment.is_reading()) {
        segment.require_items(count, 8);
        m_events.resize(count);
    }
    for (RDB_WAVEFORM_EVENT& event : m_events)
        event.serialize(segment);
    RDB_TRACE(m_line_properties);
    m_line_properties.serialize(segment);

    // The iterator and the time arithmetic rely on these; add_event and shift_by keep them.
    if (segment.is_reading()) {
        if (m_period < 0) segment.fail("a waveform with a negative period");
        for (std::size_t i = 1; i < m_events.size(); ++i)
            if (m_events[i].get_time() <= m_events[i - 1].get_time()) segment.fail("waveform edges out of order");
        if (is_periodic()) {
            if (std::int64_t{m_begin_time} + m_period != m_end_time)
                segment.fail("a periodic waveform of the wrong span");
            if (!m_events.empty() && (m_events.front().get_time() < 0 || m_events.back().get_time() >= m_period))
                segment.fail("a periodic waveform edge outside its period");
        } else if (m_events.empty() ? m_begin_time != m_end_time
                                    : m_begin_time != m_events.front().get_time() ||
                                          std::int64_t{m_end_time} != std::int64_t{m_events.back().get_time()} + 1) {
            segment.fail("a one-shot waveform whose span does not match its edges");
        }
    }
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_ARROW_ELEMENT> RDB_ARROW_ELEMENT::s_thunk("RDB_ARROW_ELEMENT", nullptr,
                                                              []() -> PDB_VIRTUAL_OBJECT* {
                                                                  return new RDB_ARROW_ELEMENT();
                                                              });

void RDB_ARROW_ELEMENT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRANSFER(segment, m_label);
    RDB_TRANSFER(segment, m_begin_waveform_id);
    RDB_TRANSFER(segment, m_end_waveform_id);
    RDB_TRANSFER(segment, m_begin_time);
    RDB_TRANSFER(segment, m_end_time);
    RDB_TRACE(m_properties);
    m_properties.serialize(segment);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_LABEL_ELEMENT> RDB_LABEL_ELEMENT::s_thunk("RDB_LABEL_ELEMENT", nullptr,
                                                              []() -> PDB_VIRTUAL_OBJECT* {
                                                                  return new RDB_LABEL_ELEMENT();
                                                              });

void RDB_LABEL_ELEMENT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRANSFER(segment, m_label);
    RDB_TRANSFER(segment, m_waveform_id);
    RDB_TRANSFER(segment, m_time);
    RDB_TRACE(m_properties);
    m_properties.serialize(segment);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_WAVEFORM_DISPLAY_OBJECT>
    RDB_WAVEFORM_DISPLAY_OBJECT::s_thunk("RDB_WAVEFORM_DISPLAY_OBJECT", RDB_OBJECT::pdb_thunk(),
                                         []() -> PDB_VIRTUAL_OBJECT* { return new RDB_WAVEFORM_DISPLAY_OBJECT(); });

void RDB_WAVEFORM_DISPLAY_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_OBJECT);
    RDB_OBJECT::serialize(segment);
    RDB_TRANSFER(segment, m_next_position);
    RDB_TRACE(m_waveforms);
    segment.transfer_owned(m_waveforms, false);
    RDB_TRACE(m_arrows);
    segment.transfer_owned(m_arrows, false);
    RDB_TRACE(m_labels);
    segment.transfer_owned(m_labels, false);
    if (segment.is_reading()) {
        // Ids and rows exactly as add_waveform hands them out: a waveform starts the next row or
        // shares the row of an earlier one.
        unsigned int rows = 0;
        for (std::size_t i = 0; i < m_waveforms.size(); ++i) {
            if (m_waveforms[i]->get_id() != static_cast<int>(i)) segment.fail("a waveform with the wrong id");
            if (m_waveforms[i]->get_position() > rows) segment.fail("a waveform on a row not handed out");
            rows += m_waveforms[i]->get_position() == rows;
        }
        if (rows != m_next_position) segment.fail("a display whose row count does not match its waveforms");
    }
    segment.end_class();
}
