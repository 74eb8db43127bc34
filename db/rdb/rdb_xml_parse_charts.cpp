// The XML reader's code for histograms and charts: the members of the table reader that read their
// own elements and check their rows.

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "msg/msg.h"
#include "rdb_chart.h"
#include "rdb_enum.h"
#include "rdb_histogram.h"
#include "rdb_table_element.h"
#include "rdb_xml_parse.h"

namespace RDB::XML {

// A chart of "size" rows gets its header row here, unless it has none or our own "full_rows"
// says that its rows follow as table rows.
void RDB_XML_TABLE_HANDLER::start_chart(const XML_ATTRIBUTES& attributes)
{
    const std::string object_name = attributes.get("name");
    std::optional<int> size = 1;
    if (const std::string* size_text = attributes.find("size")) size = number<int>(*size_text, "size");
    if (!size) return;
    m_chart = m_state.create<RDB_CHART_TABLE_OBJECT>(object_name, *size);
    m_table = m_chart;
    m_chart_full_rows = is_true(attributes, "full_rows");
    if (!m_chart_full_rows && *size != 0) m_chart->add_row_of_strings("", "");
    if (!apply_changed_table_flags(*m_chart, attributes)) return;
    apply_common_attributes(*m_chart, attributes);
    attach(*m_chart, attributes);
}

void RDB_XML_TABLE_HANDLER::start_chart_data(const XML_ATTRIBUTES& attributes)
{
    if (m_chart_full_rows) return;
    m_chart->add_row(attributes.get("name"), 0);
    m_row = m_chart->get_row(static_cast<int>(m_chart->get_number_of_rows() - 1));
}

// The children of a histogram or chart besides rows, column lists and the common ones; false for
// any other element.
bool RDB_XML_TABLE_HANDLER::end_chart_or_histogram_child(const std::string& name)
{
    if (RDB_HISTOGRAM_TABLE_OBJECT* histogram = m_table->dynamic_cast_to_RDB_HISTOGRAM_TABLE_OBJECT()) {
        if (name == "x_label") {
            histogram->set_x_axis_label(m_text);
        } else if (name == "y_label") {
            histogram->set_y_axis_label(m_text);
        } else if (name == "unit") {
            histogram->set_x_unit(m_text);
        } else if (name == "scale") {
            if (std::optional<unsigned> scale = number<unsigned>(m_text, "scale")) histogram->restore_x_scale(*scale);
        } else if (name == "partition_name") {
            std::vector<std::string> names = histogram->get_partition_names();
            names.push_back(m_text);
            histogram->add_partition_names(names);
        } else if (name == "partition_values") {
            end_partition_values(*histogram);
        } else {
            return false;
        }
        return true;
    }
    if (m_chart == nullptr) return false;
    if (name == "type") {
        // The writer leaves the text empty for the one type without a user text.
        if (m_text.empty())
            m_chart->set_default_chart_type(CHART_TABLE_OBJECT_UNKNOWN_CHART_TYPE);
        else if (rdb_exists_rdb_chart_table_object_chart_types_enum_by_string(m_text.c_str()))
            m_chart->set_default_chart_type(rdb_get_rdb_chart_table_object_chart_types_enum_by_string(m_text.c_str()));
        else
            msg_local_vdebug("RDB", 2, "Unrecognized enumeration type: %s", m_text.c_str());
    } else if (name == "show_labels") {
        m_chart->display_labels(is_true(m_text));
    } else if (name != "x_label" && name != "y_label" && name != "data") {
        return false;
    } else if (m_chart_full_rows) {
        // The rows that follow carry the captions and the data.
    } else if (name == "data") {
        std::optional<int> value = number<int>(m_text, "data");
        if (value && m_row != nullptr) (*m_row)[1]->set_int_element_data(*value);
        m_row = nullptr;
    } else if (m_chart->get_number_of_rows() > 0 &&
               m_chart->get_element(0, name == "x_label" ? 0 : 1, nullptr) == nullptr) {
        fail("chart \"" + m_chart->get_name() + "\" has no header cell for its " + name);
    } else if (!m_text.empty() || m_chart->get_number_of_rows() > 0) {
        // An empty caption of a chart without rows is no header row.
        if (name == "x_label")
            m_chart->set_x_axis(m_text);
        else
            m_chart->set_y_axis(m_text);
    }
    return true;
}

// One list per element, in row order: integers separated by blanks.
void RDB_XML_TABLE_HANDLER::end_partition_values(RDB_HISTOGRAM_TABLE_OBJECT& histogram)
{
    std::vector<int> values;
    std::size_t at = 0;
    while ((at = m_text.find_first_not_of(" \t\n\r", at)) != std::string::npos) {
        const std::size_t end = std::min(m_text.find_first_of(" \t\n\r", at), m_text.size());
        std::optional<int> value = number<int>(std::string_view(m_text).substr(at, end - at), "partition value");
        if (!value) return;
        values.push_back(*value);
        at = end;
    }
    histogram.add_partition_for_row(values, static_cast<int>(histogram.get_all_partition_values().size()));
}

// Every data row of a histogram must hold the three integers its accessors and text form read.
void RDB_XML_TABLE_HANDLER::end_table()
{
    const RDB_HISTOGRAM_TABLE_OBJECT* histogram = m_table->dynamic_cast_to_RDB_HISTOGRAM_TABLE_OBJECT();
    if (histogram == nullptr) return;
    for (unsigned r = 1; r < histogram->get_number_of_rows(); ++r)
        for (unsigned c = 0; c < 3; ++c) {
            const RDB_TABLE_ELEMENT* cell = histogram->get_element(r, c, nullptr);
            if (cell == nullptr || cell->dynamic_cast_to_RDB_TABLE_INT_ELEMENT() == nullptr)
                return fail("histogram \"" + histogram->get_name() + "\" has a bin that is not three integers");
        }
}

} // namespace RDB::XML
