#pragma once
// The gauges panel of a summary table: a list of named range gauges.

#include <string>
#include <vector>

#include "rdb_object.h"

class PDB_SEGMENT;

struct RDB_GAUGES_DATA_ELEMENT {
    RDB_GAUGES_DATA_ELEMENT() = default;
    RDB_GAUGES_DATA_ELEMENT(const std::string& gauge_name, bool percent, int min_range, int max_range, int status,
                            bool disable)
        : name(gauge_name), m_percent(percent), m_min_range(min_range), m_max_range(max_range), m_status(status),
          m_disable(disable)
    {
    }
    RDB_GAUGES_DATA_ELEMENT(const char* gauge_name, bool percent, int min_range, int max_range, int status,
                            bool disable)
        : RDB_GAUGES_DATA_ELEMENT(std::string(gauge_name ? gauge_name : ""), percent, min_range, max_range, status,
                                  disable)
    {
    }

    std::string name;
    bool m_percent = false;
    int m_min_range = 0;
    int m_max_range = 0;
    int m_status = 0;
    bool m_disable = false;

    // The transfer routine of the persistent segment store.
    void serialize(PDB_SEGMENT& segment);
};

class RDB_GAUGES_OBJECT : public RDB_OBJECT {
public:
    // count empty slots (none when count is below 1).
    RDB_GAUGES_OBJECT(const std::string& name, int count);
    RDB_GAUGES_OBJECT(const RDB_GAUGES_OBJECT&) = delete;
    RDB_GAUGES_OBJECT& operator=(const RDB_GAUGES_OBJECT&) = delete;
    // Deletes every entry.
    ~RDB_GAUGES_OBJECT() override;

    RDB_OVERRIDE_DOWNCAST(RDB_GAUGES_OBJECT)
    PDB_DECLARE_PERSISTENT(RDB_GAUGES_OBJECT)
    RDB_OBJECT_TYPE get_type() const override;
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;
    // One line per gauge: "Name: %s   Range: %d - %d  Status: %d", stopping at the first empty slot.
    void output_ascii(std::ostream& os) override;
    void output_html(std::ostream& os) override;

    // Appends an entry and takes ownership.
    void add_data(RDB_GAUGES_DATA_ELEMENT* data);
    // The entry at pos, or null when pos is out of range or the slot is empty.
    RDB_GAUGES_DATA_ELEMENT* get_data_at(unsigned int pos);
    const RDB_GAUGES_DATA_ELEMENT* get_data_at(unsigned int pos) const;
    // Fills an empty slot and takes ownership; pos out of range or a filled slot is an internal error.
    void set_data_at(unsigned int pos, RDB_GAUGES_DATA_ELEMENT* data);
    std::size_t get_size() const { return m_data ? m_data->size() : 0; }

protected:
    RDB_GAUGES_OBJECT();

private:
    std::vector<RDB_GAUGES_DATA_ELEMENT*>* m_data;
};
