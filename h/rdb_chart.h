#pragma once
// Charts and heat maps, both kept as table rows and drawn by viewers.
//
// RDB_CHART_TABLE_OBJECT: labelled values shown as a bar or pie chart. Row 0 holds the x axis caption
// (column 0) and the y axis caption (column 1); every data row a text label and an integer value.
// RDB_HEATMAP_TABLE_OBJECT: a table whose cells viewers colour against a threshold percentage.

#include <string>

#include "rdb_enum.h"
#include "rdb_table_sys.h"

class RDB_CHART_TABLE_OBJECT : public RDB_TABLE_OBJECT {
public:
    // The number is not kept; a new chart is a bar chart with labels shown.
    RDB_CHART_TABLE_OBJECT(const std::string& name, int unused);
    ~RDB_CHART_TABLE_OBJECT() override;

    RDB_OVERRIDE_DOWNCAST(RDB_CHART_TABLE_OBJECT)
    PDB_DECLARE_PERSISTENT(RDB_CHART_TABLE_OBJECT)
    RDB_OBJECT_TYPE get_type() const override;
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;

    using RDB_TABLE_OBJECT::add_row;
    // Appends a data row: a text cell and an integer cell.
    void add_row(const std::string& label, int value);
    // Set the caption in header cell (0, 0) or (0, 1); a chart without rows first gets a header row of
    // two text cells. A header row without that cell is the internal error "element != 0".
    void set_x_axis(const std::string& caption);
    void set_y_axis(const std::string& caption);
    std::string get_x_axis() const { return get_data_string(0, 0); }
    std::string get_y_axis() const { return get_data_string(0, 1); }

    RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM get_default_chart_type() const { return m_default_type; }
    void set_default_chart_type(RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM type) { m_default_type = type; }
    bool display_labels() const { return m_display_labels; }
    void display_labels(bool display) { m_display_labels = display; }

protected:
    RDB_CHART_TABLE_OBJECT();

private:
    void set_axis(unsigned int col, const std::string& caption);

    RDB_CHART_TABLE_OBJECT_CHART_TYPES_ENUM m_default_type = CHART_TABLE_OBJECT_BAR_CHART;
    bool m_display_labels = true;
};

class RDB_HEATMAP_TABLE_OBJECT : public RDB_TABLE_OBJECT {
public:
    // No threshold (-1).
    explicit RDB_HEATMAP_TABLE_OBJECT(const std::string& name);
    ~RDB_HEATMAP_TABLE_OBJECT() override;

    PDB_DECLARE_PERSISTENT(RDB_HEATMAP_TABLE_OBJECT)
    RDB_OBJECT_TYPE get_type() const override;
    virtual RDB_HEATMAP_TABLE_OBJECT* dynamic_cast_to_RDB_HEATMAP_TABLE_OBJECT() { return this; }
    virtual const RDB_HEATMAP_TABLE_OBJECT* dynamic_cast_to_RDB_HEATMAP_TABLE_OBJECT() const { return this; }

    int get_threshold_percentage() const { return m_threshold_percentage; }
    void set_threshold_percentage(int percentage) { m_threshold_percentage = percentage; }

protected:
    RDB_HEATMAP_TABLE_OBJECT();

private:
    int m_threshold_percentage = -1;
};
