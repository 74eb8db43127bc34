#include <memory>

#include "hier/hdb.h"
#include "ini/cfg.h"
#include "msg/msg.h"
#include "rdb_table_element.h"

namespace {

// The switch is read once per process; function-local statics initialise thread-safely.
bool use_entity_instance_naming()
{
    static const bool on = cfg_is_on("khd_use_entity_inst_naming_in_reports", false);
    return on;
}

// The instance's own location schema, or one naming its full path; owned by the caller.
std::unique_ptr<MSG_LOCATION_SCHEMA> location_schema_of(const HDB_INSTANCE_NAME& instance,
                                                        const std::string& hierarchy_path)
{
    std::unique_ptr<MSG_LOCATION_SCHEMA> schema(HUT_UTIL::clone_location_schema(&instance));
    if (schema) return schema;
    auto loc_schema = std::make_unique<MSG_GEN_LOCATION_SCHEMA>();
    auto loc_instance = std::make_unique<MSG_GEN_LOC_INSTANCE>();
    loc_instance->set_instance_name(hierarchy_path);
    loc_schema->add_object(loc_instance.release());
    return loc_schema;
}

} // namespace

RDB_TABLE_ROW* rdb_create_empty_row() { return new RDB_TABLE_ROW(); }

RDB_TABLE_ROW* rdb_create_row(const std::string& a, const std::string& b)
{
    auto row = std::make_unique<RDB_TABLE_ROW>();
    row->reserve(2);
    row->push_back(new RDB_TABLE_STRING_ELEMENT(a));
    row->push_back(new RDB_TABLE_STRING_ELEMENT(b));
    return row.release();
}

RDB_TABLE_ROW* rdb_create_row(const std::vector<std::string>& texts)
{
    auto row = std::make_unique<RDB_TABLE_ROW>();
    row->reserve(texts.size());
    for (const std::string& text : texts)
        row->push_back(new RDB_TABLE_STRING_ELEMENT(text));
    return row.release();
}

void rdb_set_table_row_color(RDB_TABLE_ROW& row, RDB_COLOR_NAME color, bool foreground)
{
    for (RDB_TABLE_ELEMENT* element : row) {
        if (foreground)
            element->set_foreground(color);
        else
            element->set_background(color);
    }
}

RDB_TABLE_LOCATION_SCHEMA_ELEMENT* rdb_create_table_element_from_iname(const HDB_INSTANCE_NAME* instance,
                                                                       std::optional<std::string_view> display_text)
{
    const bool entity_naming = use_entity_instance_naming();
    std::string short_name;
    std::string hierarchy_path;
    std::unique_ptr<MSG_LOCATION_SCHEMA> schema;
    if (instance != nullptr) {
        short_name = instance->get_short_hpath(entity_naming ? HDB_HPATH_ENTITY_INSTANCE : HDB_HPATH_SHORT);
        instance->write_full_hpath(hierarchy_path);
        schema = location_schema_of(*instance, hierarchy_path);
    }
    std::string text = display_text ? std::string(*display_text) : short_name;
    // The cell keeps the schema's Tcl form only; the schema goes with this scope.
    return new RDB_TABLE_LOCATION_SCHEMA_ELEMENT(text, schema.get(), hierarchy_path);
}

RDB_TABLE_LOCATION_SCHEMA_ELEMENT* rdb_create_table_element_from_iname_string(const HDB_NAMESPACE* name_space,
                                                                              const std::string& name)
{
    RDB_ASSERT_MSG(name_space != nullptr, "cap_inst != nullptr");
    return rdb_create_table_element_from_iname(name_space->get_instance_name(name), name);
}

RDB_TABLE_LOCATION_SCHEMA_ELEMENT* rdb_create_table_sta_pin_element(const HDB_INSTANCE_NAME* instance,
                                                                    const std::string& pin_name)
{
    std::string text;
    std::string hierarchy_path;
    std::unique_ptr<MSG_LOCATION_SCHEMA> schema;
    if (instance != nullptr) {
        text = instance->get_short_hpath(HDB_HPATH_FULL);
        text += HDB_COMP_INSTANCE_SCHEMA::get_component_separator();
        text += pin_name;
        instance->write_full_hpath(hierarchy_path);
        schema = location_schema_of(*instance, hierarchy_path);
    }
    return new RDB_TABLE_LOCATION_SCHEMA_ELEMENT(text, schema.get(), hierarchy_path);
}
