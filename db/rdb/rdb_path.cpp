#include "rdb_path.h"

#include <algorithm>
#include <ostream>
#include <unordered_set>

#include "msg/msg.h"
#include "rdb_enum.h"
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
