// The XML writer's histograms and charts.

#include <string>
#include <typeinfo>
#include <vector>

#include "rdb_chart.h"
#include "rdb_enum.h"
#include "rdb_histogram.h"
#include "rdb_table_element.h"
#include "rdb_xml_write.h"

namespace RDB::XML {

// After the standard children, our own: the column lists, the partition names and, per row from
// row 0, its partition values separated by blanks.
void RDB_XML_DOCUMENT_WRITER::write_histogram(const RDB_HISTOGRAM_TABLE_OBJECT& histogram)
{
    open("histogram", LAYOUT::BLOCK, table_attributes(histogram));
    write_common_children(histogram);
    write_rows(histogram);
    text_element("x_label", histogram.get_x_axis_label());
    text_element("y_label", histogram.get_y_axis_label());
    text_element("unit", histogram.get_x_unit());
    text_element("scale", std::to_string(histogram.get_x_scale()));
    write_column_lists(histogram);
    for (const std::string& name : histogram.get_partition_names())
        text_element("partition_name", name);
    for (const std::vector<int>& values : histogram.get_all_partition_values()) {
        std::string text;
        for (int value : values)
            text += (text.empty() ? "" : " ") + std::to_string(value);
        text_element("partition_values", text);
    }
    close("histogram", LAYOUT::BLOCK);
}

// Whether name and value elements restore every row: rows of a text cell and a cell of
// value_kind (text for the first row), all without colours or tooltips.
bool RDB_XML_DOCUMENT_WRITER::rows_are_pairs(const RDB_TABLE_OBJECT& table, const std::type_info& header_kind,
                                             const std::type_info& value_kind)
{
    auto plain = [](const RDB_TABLE_ELEMENT* cell, const std::type_info& kind) {
        return cell != nullptr && typeid(*cell) == kind && cell->get_foreground() == RDB_COLOR_DEFAULT &&
               cell->get_background() == RDB_COLOR_DEFAULT && !cell->has_tooltip();
    };
    for (unsigned r = 0; r < table.get_number_of_rows(); ++r) {
        const RDB_TABLE_ROW* row = table.get_row(static_cast<int>(r));
        if (row == nullptr || row->size() != 2 || !plain((*row)[0], typeid(RDB_TABLE_STRING_ELEMENT)) ||
            !plain((*row)[1], r == 0 ? header_kind : value_kind))
            return false;
    }
    return true;
}

// Our own additions: the table flags that differ from a new chart's and the column lists; and,
// when the data elements cannot restore the rows, "full_rows" and every row as a table writes it.
void RDB_XML_DOCUMENT_WRITER::write_chart(const RDB_CHART_TABLE_OBJECT& chart)
{
    const unsigned rows = chart.get_number_of_rows();
    ATTRIBUTES attributes = common_attributes(chart, m_context.parent_of(&chart), false);
    attributes.emplace_back("size", std::to_string(rows));
    append(attributes, changed_table_flags(chart));
    const bool full_rows = !rows_are_pairs(chart, typeid(RDB_TABLE_STRING_ELEMENT), typeid(RDB_TABLE_INT_ELEMENT));
    if (full_rows) attributes.emplace_back("full_rows", "true");
    open("chart", LAYOUT::BLOCK, attributes);
    write_common_children(chart);
    const char* type = rdb_get_user_string(chart.get_default_chart_type());
    text_element("type", type != nullptr ? type : "");
    text_element("x_label", chart.get_x_axis());
    text_element("y_label", chart.get_y_axis());
    text_element("show_labels", bool_text(chart.display_labels()));
    for (unsigned r = 1; r < rows; ++r) {
        const RDB_TABLE_ROW* row = chart.get_row(static_cast<int>(r));
        text_element("data", cell_text(row, 1), {{"name", cell_text(row, 0)}});
    }
    write_column_lists(chart);
    if (full_rows) write_rows(chart);
    close("chart", LAYOUT::BLOCK);
}

} // namespace RDB::XML
