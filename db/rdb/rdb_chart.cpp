#include "rdb_chart.h"

#include "msg/msg.h"
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

// ---- RDB_HEATMAP_TABLE_OBJECT --------------------------------------------------------------------

RDB_HEATMAP_TABLE_OBJECT::RDB_HEATMAP_TABLE_OBJECT(const std::string& name) : RDB_TABLE_OBJECT(name) {}

RDB_HEATMAP_TABLE_OBJECT::RDB_HEATMAP_TABLE_OBJECT() = default;

RDB_HEATMAP_TABLE_OBJECT::~RDB_HEATMAP_TABLE_OBJECT() = default;

RDB_OBJECT_TYPE RDB_HEATMAP_TABLE_OBJECT::get_type() const { return RDB_HEATMAP_TYPE; }
