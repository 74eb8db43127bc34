#include "rdb_chart.h"

#include "msg/msg.h"
#include "rdb_serialize_util.h"
#include "rdb_visitor.h"

// ---- RDB_CHART_TABLE_OBJECT ----------------------------------------------------------------------

RDB_CHART_TABLE_OBJECT::RDB_CHART_TABLE_OBJECT(const std::string& name, int) : RDB_TABLE_OBJECT(name) {}

RDB_CHART_TABLE_OBJECT::RDB_CHART_TABLE_OBJECT() = default;

RDB_CHART_TABLE_OBJECT::~RDB_CHART_TABLE_OBJECT() = default;

RDB_OBJECT_TYPE RDB_CHART_TABLE_OBJECT::get_type() const { return RDB_CHART_TYPE; }

void RDB_CHART_TABLE_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_chart(this); }

void RDB_CHART_TABLE_OBJECT::add_row(const std::string& label, int value)
{
    RDB_TABLE_OBJECT::add_row(new RDB_TABLE_ROW{new RDB_TABLE_STRING_ELEMENT(label), new RDB_TABLE_INT_ELEMENT(value)});
}

void RDB_CHART_TABLE_OBJECT::set_axis(unsigned int col, const std::string& caption)
{
    if (get_number_of_rows() == 0) {
        const std::string empty;
        add_row_of_strings(col == 0 ? caption.c_str() : empty.c_str(), col == 1 ? caption.c_str() : empty.c_str());
        return;
    }
    RDB_TABLE_ELEMENT* element = get_element(0, col, nullptr);
    RDB_ASSERT(element != 0);
    element->set_string(caption);
}

void RDB_CHART_TABLE_OBJECT::set_x_axis(const std::string& caption) { set_axis(0, caption); }

void RDB_CHART_TABLE_OBJECT::set_y_axis(const std::string& caption) { set_axis(1, caption); }

PDB_CLASS_THUNK<RDB_CHART_TABLE_OBJECT> RDB_CHART_TABLE_OBJECT::s_thunk(
    "RDB_CHART_TABLE_OBJECT", RDB_TABLE_OBJECT::pdb_thunk(),
    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_CHART_TABLE_OBJECT(); });

void RDB_CHART_TABLE_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_OBJECT);
    RDB_TABLE_OBJECT::serialize(segment);
    RDB_TRACE(m_default_type);
    segment.transfer_enum(m_default_type, CHART_TABLE_OBJECT_UNKNOWN_CHART_TYPE, CHART_TABLE_OBJECT_PIE_CHART);
    RDB_TRACE(m_display_labels);
    segment.transfer(m_display_labels);
    segment.end_class();
}

// ---- RDB_HEATMAP_TABLE_OBJECT --------------------------------------------------------------------

RDB_HEATMAP_TABLE_OBJECT::RDB_HEATMAP_TABLE_OBJECT(const std::string& name) : RDB_TABLE_OBJECT(name) {}

RDB_HEATMAP_TABLE_OBJECT::RDB_HEATMAP_TABLE_OBJECT() = default;

RDB_HEATMAP_TABLE_OBJECT::~RDB_HEATMAP_TABLE_OBJECT() = default;

RDB_OBJECT_TYPE RDB_HEATMAP_TABLE_OBJECT::get_type() const { return RDB_HEATMAP_TYPE; }

PDB_CLASS_THUNK<RDB_HEATMAP_TABLE_OBJECT> RDB_HEATMAP_TABLE_OBJECT::s_thunk(
    "RDB_HEATMAP_TABLE_OBJECT", RDB_TABLE_OBJECT::pdb_thunk(),
    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_HEATMAP_TABLE_OBJECT(); });

void RDB_HEATMAP_TABLE_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_OBJECT);
    RDB_TABLE_OBJECT::serialize(segment);
    RDB_TRACE(m_threshold_percentage);
    segment.transfer(m_threshold_percentage);
    segment.end_class();
}
