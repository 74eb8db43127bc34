// Transfer routines and class records of gauges, histograms, charts and heat maps.

#include <cstdint>
#include <vector>

#include "pdb/pdb.h"
#include "rdb_chart.h"
#include "rdb_gauges.h"
#include "rdb_histogram.h"
#include "rdb_serialize_util.h"

// ---- Gauges --------------------------------------------------------------------------------------

void RDB_GAUGES_DATA_ELEMENT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class("RDB_GAUGES_DATA_ELEMENT", this);
    RDB_TRANSFER(segment, name);
    RDB_TRANSFER(segment, m_percent);
    RDB_TRANSFER(segment, m_min_range);
    RDB_TRANSFER(segment, m_max_range);
    RDB_TRANSFER(segment, m_status);
    RDB_TRANSFER(segment, m_disable);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_GAUGES_OBJECT> RDB_GAUGES_OBJECT::s_thunk("RDB_GAUGES_OBJECT", RDB_OBJECT::pdb_thunk(),
                                                              []() -> PDB_VIRTUAL_OBJECT* {
                                                                  return new RDB_GAUGES_OBJECT();
                                                              });

void RDB_GAUGES_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_OBJECT);
    RDB_OBJECT::serialize(segment);
    // Entries, empty slots included (a slot is a present flag and the entry's fields).
    RDB_TRACE(m_data);
    if (m_data == nullptr) m_data = new std::vector<RDB_GAUGES_DATA_ELEMENT*>;
    std::uint32_t count = static_cast<std::uint32_t>(m_data->size());
    segment.transfer(count);
    if (segment.is_writing()) {
        for (RDB_GAUGES_DATA_ELEMENT* data : *m_data)
            segment.transfer_record(data);
    } else {
        segment.require_items(count, 1);
        m_data->reserve(m_data->size() + count);
        for (std::uint32_t i = 0; i < count; ++i) {
            RDB_GAUGES_DATA_ELEMENT* data = nullptr;
            segment.transfer_record(data);
            m_data->push_back(data);
        }
    }
    segment.end_class();
}

// ---- Histograms, charts and heat maps ------------------------------------------------------------

PDB_CLASS_THUNK<RDB_HISTOGRAM_TABLE_OBJECT>
    RDB_HISTOGRAM_TABLE_OBJECT::s_thunk("RDB_HISTOGRAM_TABLE_OBJECT", RDB_TABLE_OBJECT::pdb_thunk(),
                                        []() -> PDB_VIRTUAL_OBJECT* { return new RDB_HISTOGRAM_TABLE_OBJECT(); });

void RDB_HISTOGRAM_TABLE_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_OBJECT);
    RDB_TABLE_OBJECT::serialize(segment);
    RDB_TRANSFER(segment, m_x_axis_label);
    RDB_TRANSFER(segment, m_y_axis_label);
    RDB_TRANSFER(segment, m_x_unit);
    RDB_TRANSFER(segment, m_x_scale);
    RDB_TRANSFER(segment, m_partition_names);
    RDB_TRANSFER(segment, m_partitions_values);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_CHART_TABLE_OBJECT>
    RDB_CHART_TABLE_OBJECT::s_thunk("RDB_CHART_TABLE_OBJECT", RDB_TABLE_OBJECT::pdb_thunk(),
                                    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_CHART_TABLE_OBJECT(); });

void RDB_CHART_TABLE_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_OBJECT);
    RDB_TABLE_OBJECT::serialize(segment);
    RDB_TRACE(m_default_type);
    segment.transfer_enum(m_default_type, CHART_TABLE_OBJECT_UNKNOWN_CHART_TYPE, CHART_TABLE_OBJECT_PIE_CHART);
    RDB_TRANSFER(segment, m_display_labels);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_HEATMAP_TABLE_OBJECT>
    RDB_HEATMAP_TABLE_OBJECT::s_thunk("RDB_HEATMAP_TABLE_OBJECT", RDB_TABLE_OBJECT::pdb_thunk(),
                                      []() -> PDB_VIRTUAL_OBJECT* { return new RDB_HEATMAP_TABLE_OBJECT(); });

void RDB_HEATMAP_TABLE_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_OBJECT);
    RDB_TABLE_OBJECT::serialize(segment);
    RDB_TRANSFER(segment, m_threshold_percentage);
    segment.end_class();
}
