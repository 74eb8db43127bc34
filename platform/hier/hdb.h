#pragma once
// Hierarchy database and hierarchy utilities: design instance names, their hierarchy paths and the
// location schemas attached to them, and the compilation stages (snapshots) of the design.
//
// This layer keeps just what report cells need: an instance name is the list of its hierarchy
// levels (instance name and, optionally, entity name per level) with an optional location schema;
// a namespace finds instance names by their full path.

#include <map>
#include <memory>
#include <string>
#include <vector>

class MSG_LOCATION_SCHEMA;

// How a hierarchy path is printed by HDB_INSTANCE_NAME::get_short_hpath.
enum HDB_HPATH_FORMAT_TYPE : int {
    HDB_HPATH_SHORT = 0, // the path below the top-level design: "u1|reg"
    HDB_HPATH_FULL = 1, // the whole path: "top|u1|reg"
    HDB_HPATH_ENTITY_INSTANCE = 2, // below the top, each level as entity:instance: "core:u1|dff:reg"
};

class HDB_INSTANCE_NAME {
public:
    struct LEVEL {
        std::string instance;
        std::string entity; // may be empty
    };

    // levels from the top-level design down; the schema, if any, is owned by the name.
    explicit HDB_INSTANCE_NAME(std::vector<LEVEL> levels, std::unique_ptr<MSG_LOCATION_SCHEMA> schema = nullptr);
    // Builds the levels from a full path such as "top|u1|reg" (no entities).
    static HDB_INSTANCE_NAME from_path(const std::string& full_path);
    HDB_INSTANCE_NAME(HDB_INSTANCE_NAME&&) noexcept;
    HDB_INSTANCE_NAME& operator=(HDB_INSTANCE_NAME&&) noexcept;
    virtual ~HDB_INSTANCE_NAME();

    std::string get_short_hpath(HDB_HPATH_FORMAT_TYPE format) const;
    std::string get_short_hpath(int format) const
    {
        return get_short_hpath(static_cast<HDB_HPATH_FORMAT_TYPE>(format));
    }
    // Writes the full hierarchy path ("top|u1|reg") into out.
    virtual void write_full_hpath(std::string& out) const;
    const MSG_LOCATION_SCHEMA* get_location_schema() const { return m_schema.get(); }
    const std::vector<LEVEL>& get_levels() const { return m_levels; }

private:
    std::vector<LEVEL> m_levels;
    std::unique_ptr<MSG_LOCATION_SCHEMA> m_schema;
};

// Instance names of a design, found by full path.
class HDB_NAMESPACE {
public:
    // Adds (or replaces) an instance name; returns the stored one.
    const HDB_INSTANCE_NAME* add_instance_name(HDB_INSTANCE_NAME name);
    // The instance name whose full path is name, or null.
    const HDB_INSTANCE_NAME* get_instance_name(const std::string& name) const;

private:
    std::map<std::string, std::unique_ptr<HDB_INSTANCE_NAME>> m_names;
};

class HDB_COMP_INSTANCE_SCHEMA {
public:
    // The separator between an instance path and one of its pins or ports: "|".
    static const char* get_component_separator() { return "|"; }
};

class HUT_UTIL {
public:
    // A new copy of the instance's location schema (owned by the caller), or null when it has none.
    static MSG_LOCATION_SCHEMA* clone_location_schema(const HDB_INSTANCE_NAME* instance);
};

// Compilation stages at which a snapshot of the design is taken. 0 is unset; 12 means no stage.
struct KHD_SNAPSHOT_BASE {
    enum ENUM : int {
        UNSET = 0,
        SOURCE = 1,
        ELABORATED = 2,
        PARTITIONED = 3,
        ANALYZED = 4,
        SYNTHESIZED = 5,
        PLANNED = 6,
        EARLY_PLACED = 7,
        PLACED = 8,
        ROUTED = 9,
        RETIMED = 10,
        TRELLANE = 11,
        NO_STAGE = 12,
        RESERVED_13 = 13,
        RESERVED_14 = 14,
        RESERVED_15 = 15,
        RESERVED_16 = 16,
    };
    static constexpr int COUNT = 17;
};

// An enumeration value with its enumeration's tag; only the value takes part in comparisons.
template <class BASE> class KHD_ENUM_IMPL {
public:
    constexpr KHD_ENUM_IMPL() = default;
    constexpr KHD_ENUM_IMPL(typename BASE::ENUM value) : m_value(value) {}
    constexpr explicit KHD_ENUM_IMPL(int value) : m_value(value) {}
    constexpr int get_value() const { return m_value; }
    constexpr operator typename BASE::ENUM() const { return static_cast<typename BASE::ENUM>(m_value); }
    constexpr bool operator==(const KHD_ENUM_IMPL& other) const { return m_value == other.m_value; }
    constexpr bool operator<(const KHD_ENUM_IMPL& other) const { return m_value < other.m_value; }

private:
    const char* m_tag = "KHD_SNAPSHOT";
    int m_value = 0;
};
