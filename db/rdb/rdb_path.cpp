#include "rdb_path.h"

#include <algorithm>
#include <ostream>
#include <unordered_set>

#include "msg/msg.h"
#include "rdb_enum.h"
#include "rdb_serialize_util.h"
#include "rdb_table_sys.h"
#include "rdb_text.h"
#include "rdb_visitor.h"
#include "rdb_waveform_display.h"

// ---- RDB_PATH_OBJECT -------------------------------------------------------------------------------

RDB_PATH_OBJECT::RDB_PATH_OBJECT(const std::string& name) : RDB_OBJECT(name) {}

RDB_PATH_OBJECT::~RDB_PATH_OBJECT()
{
    for (RDB_OBJECT* object : sub_objects())
        delete object;
    delete m_waveform;
}

RDB_OBJECT_TYPE RDB_PATH_OBJECT::get_type() const { return RDB_PATH_TYPE; }

void RDB_PATH_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_path(this); }

std::array<RDB_OBJECT*, 10> RDB_PATH_OBJECT::sub_objects() const
{
    return {
        m_summary,    m_optimizations_analyzed_table,  m_recommendations_table, m_critical_chain_table, m_path_stats,
        m_extra_info, m_internal_negative_cycle_table, m_data_arrival_path,     m_data_required_path,   m_idb_text};
}

bool RDB_PATH_OBJECT::holds(const RDB_OBJECT* object) const
{
    const std::array<RDB_OBJECT*, 10> held = sub_objects();
    return object == m_waveform || std::find(held.begin(), held.end(), object) != held.end();
}

template <class T> void RDB_PATH_OBJECT::replace(T*& slot, T* object)
{
    if (object == slot) return;
    if (object != nullptr) {
        // Taking an object a folder or another role owns would delete it twice.
        RDB_ASSERT(object->get_ownership_status() == NOT_OWNED);
        RDB_ASSERT(!holds(object));
    }
    delete slot;
    slot = object;
}

void RDB_PATH_OBJECT::set_summary_table(RDB_TABLE_OBJECT* table) { replace(m_summary, table); }
void RDB_PATH_OBJECT::set_data_arrival_table(RDB_TABLE_OBJECT* table) { replace(m_data_arrival_path, table); }
void RDB_PATH_OBJECT::set_data_required_table(RDB_TABLE_OBJECT* table) { replace(m_data_required_path, table); }
void RDB_PATH_OBJECT::set_path_stats_table(RDB_TABLE_OBJECT* table) { replace(m_path_stats, table); }
void RDB_PATH_OBJECT::set_extra_info_table(RDB_TABLE_OBJECT* table) { replace(m_extra_info, table); }
void RDB_PATH_OBJECT::set_waveform(RDB_WAVEFORM_DISPLAY_OBJECT* waveform) { replace(m_waveform, waveform); }
void RDB_PATH_OBJECT::set_idb_text(RDB_TEXT_OBJECT* text) { replace(m_idb_text, text); }
void RDB_PATH_OBJECT::set_critical_chain_table(RDB_TABLE_OBJECT* table) { replace(m_critical_chain_table, table); }
void RDB_PATH_OBJECT::set_recommendations_table(RDB_TABLE_OBJECT* table) { replace(m_recommendations_table, table); }
void RDB_PATH_OBJECT::set_internal_negative_cycle_table(RDB_TABLE_OBJECT* table)
{
    replace(m_internal_negative_cycle_table, table);
}
void RDB_PATH_OBJECT::set_optimizations_analyzed_table(RDB_TABLE_OBJECT* table)
{
    replace(m_optimizations_analyzed_table, table);
}

// ---- RDB_PATH_FOLDER_OBJECT ----------------------------------------------------------------------------

RDB_PATH_FOLDER_OBJECT::RDB_PATH_FOLDER_OBJECT(const std::string& name) : RDB_FOLDER_OBJECT(name) {}

void RDB_PATH_FOLDER_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_path_folder(this); }

void RDB_PATH_FOLDER_OBJECT::create_path_id_table() { create_path_id_table_report_neighbour_path(false); }

void RDB_PATH_FOLDER_OBJECT::create_path_id_table_report_neighbour_path(bool neighbours)
{
    RDB_ASSERT(m_summary_table != 0);
    const std::size_t copies = neighbours ? 3 : 1;
    m_path_vec.clear();
    m_path_vec.reserve(size() * copies);
    for (RDB_OBJECT* child : *this)
        if (RDB_PATH_OBJECT* path = child->dynamic_cast_to_RDB_PATH_OBJECT())
            m_path_vec.insert(m_path_vec.end(), copies, path);
}

RDB_PATH_OBJECT* RDB_PATH_FOLDER_OBJECT::get_path_object_by_index(unsigned int id) const
{
    return id < m_path_vec.size() ? m_path_vec[id] : nullptr;
}

// ==== Transfer routines ==================================================================================

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
    RDB_TRACE(m_highlight_violations);
    segment.transfer(m_highlight_violations);
    RDB_TRACE(m_slack);
    segment.transfer(m_slack);
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
    RDB_TRACE(m_loc_str);
    segment.transfer(m_loc_str);
    RDB_TRACE(m_arrival_loc_str);
    segment.transfer(m_arrival_loc_str);
    RDB_TRACE(m_required_loc_str);
    segment.transfer(m_required_loc_str);
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
