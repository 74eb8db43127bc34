#include "rdb_histogram.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>

#include "msg/msg.h"
#include "rdb_text.h"
#include "rdb_visitor.h"

RDB_HISTOGRAM_TABLE_OBJECT::RDB_HISTOGRAM_TABLE_OBJECT(const std::string& name, const std::string& x_axis_label,
                                                       const std::string& y_axis_label, const std::string& x_unit,
                                                       unsigned x_scale)
    : RDB_TABLE_OBJECT(name), m_x_axis_label(x_axis_label), m_y_axis_label(y_axis_label), m_x_unit(x_unit),
      m_x_scale(x_scale)
{
}

RDB_HISTOGRAM_TABLE_OBJECT::RDB_HISTOGRAM_TABLE_OBJECT(const std::string& name, const std::string& x_unit,
                                                       unsigned x_scale)
    : RDB_HISTOGRAM_TABLE_OBJECT(name, "", "", x_unit, x_scale)
{
}

RDB_HISTOGRAM_TABLE_OBJECT::RDB_HISTOGRAM_TABLE_OBJECT() = default;

RDB_HISTOGRAM_TABLE_OBJECT::~RDB_HISTOGRAM_TABLE_OBJECT() = default;

RDB_OBJECT_TYPE RDB_HISTOGRAM_TABLE_OBJECT::get_type() const { return RDB_HISTOGRAM_TYPE; }

void RDB_HISTOGRAM_TABLE_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_histogram(this); }

// ---- Bins

void RDB_HISTOGRAM_TABLE_OBJECT::add_row(int from, int to, int value, RDB_COLOR_NAME color)
{
    RDB_TABLE_OBJECT::add_row(new RDB_TABLE_ROW{new RDB_TABLE_INT_ELEMENT(from), new RDB_TABLE_INT_ELEMENT(to),
                                                new RDB_TABLE_INT_ELEMENT(value)});
    set_color(get_number_of_rows() - 1, color);
}

RDB_TABLE_ELEMENT& RDB_HISTOGRAM_TABLE_OBJECT::value_cell(unsigned int row_i) const
{
    RDB_ASSERT(row_i > 0);
    RDB_TABLE_ELEMENT* element = get_element(row_i, 2, nullptr);
    RDB_ASSERT(element != 0);
    return *element;
}

const RDB_TABLE_INT_ELEMENT& RDB_HISTOGRAM_TABLE_OBJECT::int_cell(unsigned int row_i, unsigned int col) const
{
    RDB_ASSERT(row_i > 0);
    const RDB_TABLE_ELEMENT* element = get_element(row_i, col, nullptr);
    RDB_ASSERT(element != 0);
    const RDB_TABLE_INT_ELEMENT* int_element = element->dynamic_cast_to_RDB_TABLE_INT_ELEMENT();
    RDB_ASSERT(int_element != 0);
    return *int_element;
}

int RDB_HISTOGRAM_TABLE_OBJECT::get_from(unsigned int row) const { return int_cell(row, 0).get_data(); }

int RDB_HISTOGRAM_TABLE_OBJECT::get_to(unsigned int row) const { return int_cell(row, 1).get_data(); }

int RDB_HISTOGRAM_TABLE_OBJECT::get_value(unsigned int row) const { return int_cell(row, 2).get_data(); }

RDB_COLOR_NAME RDB_HISTOGRAM_TABLE_OBJECT::get_color(unsigned int row) const
{
    return value_cell(row).get_foreground();
}

void RDB_HISTOGRAM_TABLE_OBJECT::set_color(unsigned int row, RDB_COLOR_NAME color)
{
    value_cell(row).set_foreground(color);
}

int RDB_HISTOGRAM_TABLE_OBJECT::get_max_value() const
{
    int max_value = 0;
    for (unsigned int r = 1; r < get_number_of_rows(); ++r)
        max_value = std::max(max_value, get_value(r));
    return max_value;
}

void RDB_HISTOGRAM_TABLE_OBJECT::set_x_scale(unsigned int scale)
{
    RDB_ASSERT(scale > 0);
    m_x_scale = scale;
}

// ---- Partitions

void RDB_HISTOGRAM_TABLE_OBJECT::add_partition_for_row(const std::vector<int>& values, int row)
{
    if (row == -1) row = static_cast<int>(get_number_of_rows()) - 1;
    // Below 0 the row would wrap to an index of billions.
    RDB_ASSERT(row >= 0);
    const auto index = static_cast<std::size_t>(row);
    if (m_partitions_values.size() <= index) m_partitions_values.resize(index + 1);
    m_partitions_values[index] = values;
}

const std::vector<int>& RDB_HISTOGRAM_TABLE_OBJECT::get_partition_values(unsigned int row) const
{
    static const std::vector<int> none;
    return row < m_partitions_values.size() ? m_partitions_values[row] : none;
}
