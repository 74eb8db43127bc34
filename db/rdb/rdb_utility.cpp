#include "rdb_utility.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "fio/fio.h"
#include "gen/gen_project.h"
#include "hier/hdb.h"
#include "ini/cfg.h"
#include "msg/msg.h"
#include "msg/msg_file.h"
#include "rdb_embedded.h"
#include "rdb_folder.h"
#include "rdb_message_gen.h"
#include "rdb_report_gen.h"
#include "rdb_table_element.h"
#include "rdb_table_sys.h"
#include "rdb_vocabulary.h"

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

// ==== Message objects, folders and the link-report switch ========================================

namespace {

struct MESSAGE_UTILITY_STATE {
    std::mutex mutex;
    bool use_link_rpt = false;
    std::vector<std::string> fitter_stages;
};

MESSAGE_UTILITY_STATE& message_utility_state()
{
    static MESSAGE_UTILITY_STATE state;
    return state;
}

class MESSAGE_COUNTER : public MSG_POST_FUNCTOR {
public:
    void operator()(const MSG_FILE_MESSAGE* post) override
    {
        RDB_ASSERT(post != NULL);
        ++count;
    }
    std::size_t count = 0;
};

// A source path as the warnings table names it: relative to the project directory when inside it.
std::string source_path_for_table(const std::string& source)
{
    const std::filesystem::path path(source);
    if (!path.is_absolute()) return source;
    const std::filesystem::path relative = path.lexically_relative(gen_get_project_directory());
    if (relative.empty() || *relative.begin() == "..") return source;
    return relative.string();
}

// One row per message number: its severity, how often it occurs and the first text, by number.
RDB_TABLE_OBJECT* make_warnings_table(const std::string& name, const std::vector<MSG_FILE_MESSAGE>& warnings)
{
    struct SUMMARY {
        std::size_t count = 0;
        std::string sample;
    };
    std::map<int, SUMMARY> by_id;
    for (const MSG_FILE_MESSAGE& warning : warnings) {
        SUMMARY& summary = by_id[warning.id];
        if (summary.count++ == 0) summary.sample = warning.text;
    }
    auto table = std::make_unique<RDB_TABLE_OBJECT>(name);
    table->add_row(rdb_create_row(std::vector<std::string>{"Message ID", "Severity", "Count", "Sample Warning"}));
    for (const auto& [id, summary] : by_id)
        table->add_row(rdb_create_row(
            std::vector<std::string>{std::to_string(id), "Warning", std::to_string(summary.count), summary.sample}));
    return table.release();
}

void add_synthesis_warning_tables(RDB_FOLDER_OBJECT& stage_folder, const std::string& stage, MSG_REPORT_FILE& file)
{
    static const bool enabled = cfg_is_on("synthesis_warning_message_report", true);
    if (!enabled || stage != RDB_SYNTHESIS) return;
    RDB_FOLDER_OBJECT* folder = rdb_get_folder_by_name(&stage_folder, stage + " " + RDB_WARNING_MESSAGES_STR, true);
    for (const std::string& source : file.get_source_files()) {
        const std::vector<MSG_FILE_MESSAGE> warnings = file.get_warnings_in_source_file(source);
        if (warnings.empty()) continue;
        const std::string name = source.empty() ? "General Warnings" : "Warnings for " + source_path_for_table(source);
        // A table of the same name from an earlier call is replaced.
        folder->remove_object_from_list(name);
        folder->add_object_to_list(make_warnings_table(name, warnings));
    }
}

// A new flow messages object in place of any child of the same name.
void replace_flow_message_object(RDB_FOLDER_OBJECT& flow_folder, const char* name,
                                 RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM type)
{
    auto object = std::make_unique<RDB_EMBEDDED_OBJECT>(name, type);
    object->set_info_str(RDB_FAKE_FILENAME_FOR_FLOW_MESSAGES);
    flow_folder.remove_object_from_list(std::string(name));
    flow_folder.add_object_to_list(object.release());
}

} // namespace

RDB_EMBEDDED_OBJECT& rdb_get_message_object(RDB_FOLDER_OBJECT& folder, const std::string& stage, const std::string&,
                                            bool suppressed)
{
    const std::string name = stage + " " + (suppressed ? RDB_SUPPRESSED_MESSAGES_STR : RDB_MESSAGE_OBJECT_NAME);
    const RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM type =
        suppressed ? EMBEDDED_OBJECT_SUPPRESSED_MESSAGES_TYPE : EMBEDDED_OBJECT_MESSAGES_TYPE;
    for (RDB_OBJECT* child : folder) {
        RDB_EMBEDDED_OBJECT* embedded = child->dynamic_cast_to_RDB_EMBEDDED_OBJECT();
        if (embedded != nullptr && embedded->get_embedded_type() == type && embedded->get_name() == name)
            return *embedded;
    }
    auto object = std::make_unique<RDB_EMBEDDED_OBJECT>(name, type);
    RDB_EMBEDDED_OBJECT& added = *object;
    folder.add_object_to_list(object.release());
    return added;
}

void rdb_add_fitter_stage(const std::string& name)
{
    MESSAGE_UTILITY_STATE& state = message_utility_state();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.fitter_stages.push_back(name);
}

void rdb_add_messages(RDB_FOLDER_OBJECT& flow_folder, RDB_FOLDER_OBJECT& stage_folder, const std::string& stage,
                      const std::string& rev_name, const std::string& file_key, const std::string& info, bool read)
{
    const std::string file_name =
        rev_name + "." + file_key + "." + fio_get_extension(FIO_EXTENSION_TYPE_INFO::MESSAGES);
    MSG_REPORT_FILE file(RDB_EMBEDDED_OBJECT::get_message_file_path(file_name));
    if (read) {
        MESSAGE_COUNTER counter;
        file.read_messages(counter);
        if (counter.count == 0) return;
        rdb_generate_suppressed_message_file(file_name.c_str(), true);
    }
    add_synthesis_warning_tables(stage_folder, stage, file);
    if (!RDB_REPORT_GEN::get_ff_flow_compile()) {
        RDB_EMBEDDED_OBJECT& messages = rdb_get_message_object(stage_folder, stage, info, false);
        messages.set_info_str(file_name);
        MESSAGE_UTILITY_STATE& state = message_utility_state();
        std::lock_guard<std::mutex> lock(state.mutex);
        if (stage_folder.get_name() == RDB_FIT_RPT_NAME && !state.fitter_stages.empty()) {
            messages.clear_message_files();
            for (const std::string& fitter_stage : state.fitter_stages)
                messages.add_message_file(fio_replace_extension(file_name, fitter_stage));
            state.fitter_stages.clear();
        }
    }
    replace_flow_message_object(flow_folder, RDB_FLOW_MESSAGE_RPT_NAME, EMBEDDED_OBJECT_MESSAGES_TYPE);
    replace_flow_message_object(flow_folder, RDB_FLOW_SUPPRESSED_MESSAGE_RPT_NAME,
                                EMBEDDED_OBJECT_SUPPRESSED_MESSAGES_TYPE);
}

RDB_FOLDER_OBJECT* rdb_get_folder_by_name(RDB_FOLDER_OBJECT* parent_folder, const std::string& name, bool create)
{
    RDB_ASSERT(parent_folder != 0);
    if (RDB_OBJECT* existing = parent_folder->find_object(name)) {
        RDB_FOLDER_OBJECT* folder = existing->dynamic_cast_to_RDB_FOLDER_OBJECT();
        RDB_ASSERT_MSG(folder != nullptr, "Existing object with the specified name is not a folder.");
        return folder;
    }
    if (!create) return nullptr;
    auto folder = std::make_unique<RDB_FOLDER_OBJECT>(name);
    RDB_FOLDER_OBJECT* added = folder.get();
    parent_folder->add_object_to_list(folder.release());
    return added;
}

void rdb_use_link_rpt(bool use)
{
    MESSAGE_UTILITY_STATE& state = message_utility_state();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.use_link_rpt = use;
}

bool rdb_is_using_link_rpt()
{
    static const bool switch_on = cfg_is_on("rdb_link_rpt", false);
    MESSAGE_UTILITY_STATE& state = message_utility_state();
    std::lock_guard<std::mutex> lock(state.mutex);
    return switch_on || state.use_link_rpt;
}
