#pragma once
// RDB_HISTOGRAM_TABLE_OBJECT: a histogram kept as table rows. Row 0 is the header row; every data row
// holds three integer cells, the bin's lower bound, upper bound and value, and the value cell's
// foreground colour is the bin's colour. Bins may be split into named partitions, with one list of
// values per row.

#include <iosfwd>
#include <string>
#include <vector>

#include "rdb_enum.h"
#include "rdb_table_sys.h"

class RDB_HISTOGRAM_TABLE_OBJECT : public RDB_TABLE_OBJECT {
public:
    // Bounds are printed divided by x_scale.
    RDB_HISTOGRAM_TABLE_OBJECT(const std::string& name, const std::string& x_axis_label,
                               const std::string& y_axis_label, const std::string& x_unit, unsigned x_scale);
    // Both axis labels empty.
    RDB_HISTOGRAM_TABLE_OBJECT(const std::string& name, const std::string& x_unit, unsigned x_scale);
    ~RDB_HISTOGRAM_TABLE_OBJECT() override;

    RDB_OVERRIDE_DOWNCAST(RDB_HISTOGRAM_TABLE_OBJECT)
    PDB_DECLARE_PERSISTENT(RDB_HISTOGRAM_TABLE_OBJECT)
    RDB_OBJECT_TYPE get_type() const override;
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;
    // A box of the bins (bounds, value, a bar of up to 50 "X"), or a "Nothing to report." box for a
    // histogram without rows. The histogram's own header and footer texts are not printed.
    void output_ascii(std::ostream& os) override;
    void output_html(std::ostream& os) override;

    using RDB_TABLE_OBJECT::add_row;
    // Appends a data row of three integer cells and colours its value.
    void add_row(int from, int to, int value, RDB_COLOR_NAME color);
    // The cells of a data row. Row 0 is the internal error "row_i > 0", a missing cell "element != 0",
    // a cell that is not an integer "int_element != 0".
    int get_from(unsigned int row) const;
    int get_to(unsigned int row) const;
    int get_value(unsigned int row) const;
    using RDB_OBJECT::get_color;
    using RDB_OBJECT::set_color;
    // The foreground colour of a data row's value cell (same checks as get_value).
    RDB_COLOR_NAME get_color(unsigned int row) const;
    void set_color(unsigned int row, RDB_COLOR_NAME color);
    // The largest value of the data rows, at least 0.
    int get_max_value() const;

    const std::string& get_x_axis_label() const { return m_x_axis_label; }
    void set_x_axis_label(const std::string& label) { m_x_axis_label = label; }
    const std::string& get_y_axis_label() const { return m_y_axis_label; }
    void set_y_axis_label(const std::string& label) { m_y_axis_label = label; }
    const std::string& get_x_unit() const { return m_x_unit; }
    void set_x_unit(const std::string& unit) { m_x_unit = unit; }
    unsigned int get_x_scale() const { return m_x_scale; }
    // 0 is the internal error "scale > 0".
    void set_x_scale(unsigned int scale);
    // For readers of stored reports: any scale, 0 included (the text form then divides by 1).
    void restore_x_scale(unsigned int scale) { m_x_scale = scale; }

    // Replaces the partition names.
    void add_partition_names(const std::vector<std::string>& names) { m_partition_names = names; }
    const std::vector<std::string>& get_partition_names() const { return m_partition_names; }
    // Stores the values of one row's partitions; row -1 is the last row. A row below 0 (-1 on a
    // histogram without rows included) is the internal error "row >= 0".
    void add_partition_for_row(const std::vector<int>& values, int row);
    // The partition values of a row; empty for a row that has none.
    const std::vector<int>& get_partition_values(unsigned int row) const;
    // One list per row from row 0 up to the highest row given values.
    const std::vector<std::vector<int>>& get_all_partition_values() const { return m_partitions_values; }

protected:
    RDB_HISTOGRAM_TABLE_OBJECT();

private:
    const RDB_TABLE_INT_ELEMENT& int_cell(unsigned int row, unsigned int col) const;
    RDB_TABLE_ELEMENT& value_cell(unsigned int row) const;

    std::string m_x_axis_label;
    std::string m_y_axis_label;
    std::string m_x_unit;
    unsigned int m_x_scale = 1;
    std::vector<std::string> m_partition_names;
    std::vector<std::vector<int>> m_partitions_values;
};
