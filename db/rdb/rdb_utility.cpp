#include "rdb_utility.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "acf/acf.h"
#include "dstr/dstr.h"
#include "fio/fio.h"
#include "gen/gen_project.h"
#include "hier/hdb.h"
#include "ini/cfg.h"
#include "msg/msg.h"
#include "msg/msg_file.h"
#include "rdb_embedded.h"
#include "rdb_enum.h"
#include "rdb_folder.h"
#include "rdb_gauges.h"
#include "rdb_message_gen.h"
#include "rdb_report.h"
#include "rdb_report_gen.h"
#include "rdb_table_element.h"
#include "rdb_table_sys.h"
#include "rdb_vocabulary.h"
#include "rstr/rstr.h"

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

// ==== Creating and finding objects ===============================================================

namespace {

// A direct child named exactly name first, as names may hold "||", then the object at the path name.
RDB_OBJECT* find_by_name(const RDB_FOLDER_OBJECT& folder, const std::string& name)
{
    for (RDB_OBJECT* child : folder)
        if (child != nullptr && child->get_name() == name) return child;
    return folder.find_object(name);
}

// Adds the object to the folder; the object is deleted if the folder refuses it.
template <class OBJECT> OBJECT* add_owned(RDB_FOLDER_OBJECT& folder, std::unique_ptr<OBJECT> object)
{
    folder.add_object_to_list(object.get());
    return object.release();
}

template <class OBJECT> OBJECT* cast_to(RDB_OBJECT& object);
template <> RDB_FOLDER_OBJECT* cast_to(RDB_OBJECT& object) { return object.dynamic_cast_to_RDB_FOLDER_OBJECT(); }
template <> RDB_TABLE_OBJECT* cast_to(RDB_OBJECT& object) { return object.dynamic_cast_to_RDB_TABLE_OBJECT(); }
template <> RDB_LINK_RPT_OBJECT* cast_to(RDB_OBJECT& object) { return object.dynamic_cast_to_RDB_LINK_RPT_OBJECT(); }

// The object of that kind called name under parent_folder, made when create is set and there is none.
template <class OBJECT>
OBJECT* get_object_by_name(RDB_FOLDER_OBJECT* parent_folder, const std::string& name, bool create,
                           const char* not_of_kind)
{
    RDB_ASSERT(parent_folder != 0);
    if (RDB_OBJECT* existing = find_by_name(*parent_folder, name)) {
        OBJECT* found = cast_to<OBJECT>(*existing);
        RDB_ASSERT_MSG(found != nullptr, not_of_kind);
        return found;
    }
    if (!create) return nullptr;
    return add_owned(*parent_folder, std::make_unique<OBJECT>(name));
}

} // namespace

RDB_TABLE_OBJECT* rdb_create_table(const std::string& name) { return new RDB_TABLE_OBJECT(name); }

RDB_SUMMARY_TABLE_OBJECT* rdb_create_summary_object(const std::string& name)
{
    return new RDB_SUMMARY_TABLE_OBJECT(name);
}

RDB_TABLE_OBJECT* rdb_create_unique_table(RDB_FOLDER_OBJECT* folder, const std::string& name)
{
    RDB_ASSERT(folder != 0);
    if (find_by_name(*folder, name) != nullptr) return nullptr;
    return add_owned(*folder, std::make_unique<RDB_TABLE_OBJECT>(name));
}

bool rdb_check_and_add_object_to_folder(RDB_FOLDER_OBJECT* folder, RDB_OBJECT* object, bool delete_if_exists)
{
    RDB_ASSERT(folder != 0 && object != 0);
    RDB_OBJECT* found = find_by_name(*folder, object->get_name());
    if (found == nullptr) {
        folder->add_object_to_list(object);
        return true;
    }
    // The object may be the child found, or belong to another folder: only a free one is ours to delete.
    if (delete_if_exists && found != object && object->get_ownership_status() == NOT_OWNED) delete object;
    return false;
}

void rdb_util_add_or_update_object(RDB_FOLDER_OBJECT* folder, std::unique_ptr<RDB_OBJECT> object)
{
    RDB_ASSERT_MSG(folder != nullptr && object != nullptr, "folder != 0 && object != 0");
    if (object->get_ownership_status() == OWNED) {
        // A folder owns it (perhaps this one, which is about to delete its namesakes): not ours to delete.
        object.release();
        RDB_INTERNAL_ERROR("object->get_ownership_status() == NOT_OWNED");
    }
    folder->remove_object_from_list(object->get_name());
    add_owned(*folder, std::move(object));
}

bool rdb_object_exists_in_folder(const RDB_FOLDER_OBJECT* folder, const std::string& name)
{
    RDB_ASSERT(folder != NULL);
    return find_by_name(*folder, name) != nullptr;
}

bool rdb_object_exists_in_folder(const RDB_FOLDER_OBJECT* folder, const RDB_OBJECT* object)
{
    RDB_ASSERT(folder != NULL);
    return object != nullptr && find_by_name(*folder, object->get_name()) != nullptr;
}

RDB_FOLDER_OBJECT* rdb_get_folder_by_name(RDB_FOLDER_OBJECT* parent_folder, const std::string& name, bool create)
{
    return get_object_by_name<RDB_FOLDER_OBJECT>(parent_folder, name, create,
                                                 "Existing object with the specified name is not a folder.");
}

RDB_TABLE_OBJECT* rdb_get_table_by_name(RDB_FOLDER_OBJECT* parent_folder, const std::string& name, bool create)
{
    return get_object_by_name<RDB_TABLE_OBJECT>(parent_folder, name, create,
                                                "Existing object with the specified name is not a table.");
}

RDB_LINK_RPT_OBJECT* rdb_get_link_rpt_obj_by_name(RDB_FOLDER_OBJECT* parent_folder, const std::string& name,
                                                  bool create)
{
    return get_object_by_name<RDB_LINK_RPT_OBJECT>(parent_folder, name, create,
                                                   "Existing object with the specified name is not a link report.");
}

// ==== Summaries and gauges =======================================================================

namespace {

RDB_SUMMARY_TABLE_OBJECT* find_summary_in(RDB_FOLDER_OBJECT& folder, const std::string* name, bool recursive)
{
    for (RDB_OBJECT* object : folder) {
        RDB_ASSERT(object != NULL);
        if (object->get_type() == RDB_SUMMARY_TABLE_TYPE && (name == nullptr || object->get_name() == *name))
            if (RDB_SUMMARY_TABLE_OBJECT* summary = object->dynamic_cast_to_RDB_SUMMARY_TABLE_OBJECT()) return summary;
        if (!recursive) continue;
        if (RDB_FOLDER_OBJECT* child_folder = object->dynamic_cast_to_RDB_FOLDER_OBJECT())
            if (RDB_SUMMARY_TABLE_OBJECT* summary = find_summary_in(*child_folder, name, true)) return summary;
    }
    return nullptr;
}

const std::string& first_cell_text(const RDB_TABLE_ROW* row, std::string& text)
{
    const RDB_TABLE_ELEMENT* cell = row == nullptr || row->empty() ? nullptr : row->front();
    text = cell == nullptr ? std::string() : cell->get_string();
    return text;
}

// The row whose name (first cell) is exactly name; null when none. A table kept in SQLite holds no rows.
RDB_TABLE_ROW* find_row_named(const RDB_TABLE_OBJECT& table, const std::string& name)
{
    if (table.is_sqlite()) return nullptr;
    std::string text;
    for (RDB_TABLE_ROW* row : table)
        if (first_cell_text(row, text) == name) return row;
    return nullptr;
}

// The value (cell 1) of the row named name exactly, else of the first row whose name matches name as a
// pattern; "" when there is no such row or it has no value cell.
std::string value_of_row(const RDB_TABLE_OBJECT& table, const std::string& name)
{
    if (const RDB_TABLE_ROW* row = find_row_named(table, name)) {
        const RDB_TABLE_ELEMENT* cell = row->size() < 2 ? nullptr : (*row)[1];
        return cell == nullptr ? std::string() : cell->get_string();
    }
    const std::uint32_t index = table.find_row_index(name);
    if (index == RDB_TABLE_OBJECT::INDEX_OUT_OF_RANGE) return std::string();
    const RDB_TABLE_ELEMENT* cell = table.get_element(index, 1, nullptr);
    return cell == nullptr ? std::string() : cell->get_string();
}

// Sets the text of a row's cell; a short row is padded with text cells, and a cell of another kind
// becomes a text cell.
void set_cell_text(RDB_TABLE_ROW& row, std::size_t column, const std::string& text)
{
    while (row.size() <= column)
        row.push_back(new RDB_TABLE_STRING_ELEMENT(std::string()));
    RDB_TABLE_ELEMENT*& cell = row[column];
    if (cell != nullptr && cell->dynamic_cast_to_RDB_TABLE_STRING_ELEMENT() != nullptr) {
        cell->set_string(text);
        return;
    }
    auto replacement = std::make_unique<RDB_TABLE_STRING_ELEMENT>(text);
    delete cell;
    cell = replacement.release();
}

// Appends a row; the row is deleted if the table refuses it.
void append_row(RDB_TABLE_OBJECT& table, RDB_TABLE_ROW_PTR row)
{
    table.add_row(row.get());
    row.release();
}

} // namespace

RDB_SUMMARY_TABLE_OBJECT* rdb_find_summary(RDB_FOLDER_OBJECT* folder, bool recursive)
{
    RDB_ASSERT(folder != NULL);
    return find_summary_in(*folder, nullptr, recursive);
}

RDB_SUMMARY_TABLE_OBJECT* rdb_find_summary(const std::string& name, RDB_FOLDER_OBJECT* folder, bool recursive)
{
    RDB_ASSERT(folder != NULL);
    return find_summary_in(*folder, &name, recursive);
}

std::string rdb_get_summary_data(const RDB_SUMMARY_TABLE_OBJECT* summary, const std::string& name)
{
    RDB_ASSERT(summary != 0);
    return value_of_row(*summary, name);
}

void rdb_replace_summary_data(RDB_SUMMARY_TABLE_OBJECT* summary, const std::string& old_name,
                              const std::string& new_name, const std::string& value)
{
    RDB_ASSERT(summary != 0);
    // Written rows are matched exactly: a name with pattern characters must not overwrite the rows it matches.
    RDB_TABLE_ROW* row = find_row_named(*summary, old_name);
    if (row == nullptr) {
        append_row(*summary, RDB_TABLE_ROW_PTR(rdb_create_row(new_name, value)));
        return;
    }
    RDB_ASSERT_MSG(summary->is_writable(), "is_writable()");
    if (&new_name != &old_name) set_cell_text(*row, 0, new_name);
    set_cell_text(*row, 1, value);
}

void rdb_set_summary_data(RDB_SUMMARY_TABLE_OBJECT* summary, const std::string& name, const std::string& value)
{
    rdb_replace_summary_data(summary, name, name, value);
}

void rdb_set_summary_gauge(RDB_SUMMARY_TABLE_OBJECT* summary, const std::string& name, int first, int second)
{
    RDB_ASSERT(summary != 0);
    RDB_GAUGES_OBJECT* gauge_list = summary->get_gauges();
    if (gauge_list != nullptr) {
        bool matched = false;
        for (unsigned int i = 0; i < gauge_list->get_size(); ++i) {
            RDB_GAUGES_DATA_ELEMENT* gauge = gauge_list->get_data_at(i);
            if (gauge == nullptr || gauge->name != name) continue;
            gauge->m_max_range = second;
            gauge->m_status = first;
            matched = true;
        }
        if (matched) return;
    } else {
        gauge_list = new RDB_GAUGES_OBJECT(std::string(), RDB_MAX_GAUGES);
        summary->set_gauges(gauge_list);
    }
    auto gauge = std::make_unique<RDB_GAUGES_DATA_ELEMENT>(name, false, 0, second, first, false);
    // The slots are those the gauges object really has: one read from a file or built by hand may have fewer.
    const std::size_t size = gauge_list->get_size();
    for (unsigned int i = 0; i < size; ++i) {
        if (gauge_list->get_data_at(i) == nullptr) {
            gauge_list->set_data_at(i, gauge.release());
            return;
        }
    }
    RDB_ASSERT_MSG(size < static_cast<std::size_t>(RDB_MAX_GAUGES), "i < RDB_MAX_GAUGES");
    gauge_list->add_data(gauge.release());
}

// ==== Tables and panels ==========================================================================

void rdb_merge_tables(RDB_FOLDER_OBJECT* folder, RDB_TABLE_OBJECT* table, bool allow_tcl_table)
{
    RDB_ASSERT(folder != nullptr);
    RDB_ASSERT_MSG(table != nullptr, "original_table != nullptr && table != nullptr");
    RDB_OBJECT* result_object = find_by_name(*folder, table->get_name());
    if (allow_tcl_table)
        RDB_ASSERT_MSG(result_object != nullptr && (result_object->get_type() == RDB_TABLE_TYPE ||
                                                    result_object->get_type() == RDB_TCL_TABLE_TYPE),
                       "result_object != nullptr && (result_object->get_type() == RDB_TABLE_TYPE || "
                       "result_object->get_type() == RDB_TCL_TABLE_TYPE )");
    else
        RDB_ASSERT_MSG(result_object != nullptr && result_object->get_type() == RDB_TABLE_TYPE,
                       "result_object != nullptr && (result_object->get_type() == RDB_TABLE_TYPE )");
    RDB_TABLE_OBJECT* original_table = result_object->dynamic_cast_to_RDB_TABLE_OBJECT();
    RDB_ASSERT(original_table != nullptr && table != nullptr);

    // Every source row is checked before the first copy is made, so a bad row leaves the table as it was.
    // A table merged into itself would copy the rows it is adding: it merges nothing.
    std::vector<RDB_TABLE_ROW_PTR> copies;
    if (original_table != table && std::distance(table->begin(), table->end()) > 1) {
        RDB_ASSERT_MSG(original_table->is_writable(), "is_writable()");
        const RDB_TABLE_ROW* header = *table->begin();
        const std::size_t columns = header == nullptr ? 0 : header->size();
        for (auto row = std::next(table->begin()); row != table->end(); ++row)
            for (std::size_t column = 0; column < columns; ++column)
                RDB_ASSERT_MSG(*row != nullptr && column < (*row)->size() && (**row)[column] != nullptr, "elem");
        for (auto row = std::next(table->begin()); row != table->end(); ++row) {
            RDB_TABLE_ROW_PTR copy(new RDB_TABLE_ROW);
            copy->reserve(columns);
            for (std::size_t column = 0; column < columns; ++column)
                copy->push_back((**row)[column]->clone());
            copies.push_back(std::move(copy));
        }
        for (RDB_TABLE_ROW_PTR& copy : copies)
            append_row(*original_table, std::move(copy));
    }
    msg_local_vdebug("RDB", 2, "Merged %d rows into %s", static_cast<int>(copies.size()),
                     original_table->get_name().c_str());
}

void rdb_disable_report_panel(RDB_FOLDER_OBJECT* folder, bool recursive)
{
    if (folder == nullptr) return;
    for (RDB_OBJECT* object : *folder) {
        if (object == nullptr) continue;
        if (RDB_FOLDER_OBJECT* child_folder = object->dynamic_cast_to_RDB_FOLDER_OBJECT()) {
            if (recursive) rdb_disable_report_panel(child_folder, true);
            continue;
        }
        msg_local_vdebug("RDB", 2, "Invalidating report panel %s", object->get_name().c_str());
        object->set_enable(false);
    }
}

void rdb_delete_invalid_report_panels(RDB_FOLDER_OBJECT* folder, bool recursive)
{
    if (folder == nullptr) return;
    // Disabled objects are erased where they stand: a failure part way leaves every other child in place.
    for (auto next = folder->begin(); next != folder->end();) {
        RDB_OBJECT* rdb_obj = *next++;
        RDB_ASSERT(rdb_obj != NULL);
        mem_msg_local_vdebug("RDB", "Found RDB_OBJECT named %s", rdb_obj->get_name().c_str());
        if (RDB_FOLDER_OBJECT* child_folder = rdb_obj->dynamic_cast_to_RDB_FOLDER_OBJECT()) {
            if (recursive) rdb_delete_invalid_report_panels(child_folder, true);
            continue;
        }
        if (rdb_obj->is_enable()) continue;
        mem_msg_local_vdebug("RDB", "Deleting RDB_OBJECT named %s", rdb_obj->get_name().c_str());
        folder->remove_object_from_list(rdb_obj);
    }
}

// ==== Link reports ===============================================================================

RDB_REPORT* rdb_create_link_report(RDB_LINK_RPT_OBJECT* link_rpt, const std::string& rev_name,
                                   const std::string& rpt_type)
{
    // Every check comes before the report is made, so that a failed one leaves nothing behind.
    RDB_ASSERT(link_rpt != 0);
    RDB_ASSERT_MSG(link_rpt->get_link_rpt() == nullptr, "Specified link report already links to a report.");
    const bool same_key = link_rpt->get_rev_name() == rev_name && link_rpt->get_rpt_type() == rpt_type;
    const bool no_key = link_rpt->get_rev_name().empty() && link_rpt->get_rpt_type().empty();
    RDB_ASSERT_MSG(same_key || no_key, "Change report key is not allowed.");

    auto report = std::make_unique<RDB_REPORT>();
    auto main_folder = std::make_unique<RDB_FOLDER_OBJECT>(link_rpt->get_name());
    RDB_FOLDER_OBJECT* current_folder = main_folder.get();
    report->add_main_folder(main_folder.release());
    report->set_current_folder(current_folder);
    link_rpt->set_rev_name_and_rpt_type(rev_name, rpt_type, true);
    RDB_REPORT* registered = report.get();
    link_rpt->set_link_rpt(report.release());
    return registered;
}

// ==== Settings and device ========================================================================

namespace {

std::string local_date_and_time()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    const std::size_t length = std::strftime(text, sizeof text, "%m/%d/%Y %H:%M:%S", &local);
    return std::string(text, length);
}

// Holds the read lock of the project settings for a scope, unless the caller already holds it (to read
// or to write); releases only what it took, on every way out.
class SETTINGS_READ_LOCK {
public:
    explicit SETTINGS_READ_LOCK(ACF_REVISION_MANAGER& revision) : m_revision(revision)
    {
        if (revision.is_read_locked() || revision.is_write_locked()) return;
        revision.read_lock();
        m_taken = true;
        RDB_ASSERT_MSG(revision.is_read_locked() || revision.is_write_locked(),
                       "Could not obtain the ACF_MANAGER's read_lock.");
    }
    ~SETTINGS_READ_LOCK()
    {
        if (m_taken) m_revision.read_unlock();
    }
    SETTINGS_READ_LOCK(const SETTINGS_READ_LOCK&) = delete;
    SETTINGS_READ_LOCK& operator=(const SETTINGS_READ_LOCK&) = delete;

private:
    ACF_REVISION_MANAGER& m_revision;
    bool m_taken = false;
};

} // namespace

void rdb_create_settings_information(RDB_NEW_TABLE_OBJECT* table, const std::string& rev_name)
{
    RDB_ASSERT(table != NULL);
    append_row(*table, RDB_TABLE_ROW_PTR(rdb_create_row(RDB_TIMESTAMP_VAL, local_date_and_time())));
    append_row(*table, RDB_TABLE_ROW_PTR(rdb_create_row(RDB_MAIN_TASK_VAL, RDB_COMPILER_VAL)));
    append_row(*table, RDB_TABLE_ROW_PTR(rdb_create_row(RDB_REVISION_NAME, rev_name)));
}

std::unique_ptr<RDB_FOLDER_OBJECT> rdb_util_create_skeleton_main_folder()
{
    struct PANEL {
        const char* name;
        std::vector<const char*> headers;
    };
    const PANEL panels[] = {
        {RSTR_PANEL_USER_NAME_FLOW_SETTINGS, {RSTR_HEADER_USER_NAME_OPTION, RSTR_HEADER_USER_NAME_SETTING}},
        {RSTR_PANEL_USER_NAME_FLOW_NON_DEFAULT_SETTINGS,
         {RSTR_HEADER_USER_NAME_ASSIGNMENT_NAME, RSTR_HEADER_USER_NAME_VALUE, RSTR_HEADER_USER_NAME_DEFAULT_VALUE,
          RSTR_HEADER_USER_NAME_ENTITY_NAME, RSTR_HEADER_USER_NAME_SECTION_ID}},
        {RSTR_PANEL_USER_NAME_FLOW_ELAPSED_TIME,
         {RSTR_HEADER_USER_NAME_MODULE_NAME, RSTR_HEADER_USER_NAME_ELAPSED_TIME,
          RSTR_HEADER_USER_NAME_PEAK_MEMORY_USED}},
        {RSTR_PANEL_USER_NAME_FLOW_OS_SUMMARY,
         {RSTR_HEADER_USER_NAME_MODULE_NAME, RSTR_HEADER_USER_NAME_MACHINE_HOSTNAME,
          RSTR_HEADER_USER_NAME_OPERATING_SYSTEM, RSTR_HEADER_USER_NAME_OS_VERSION,
          RSTR_HEADER_USER_NAME_PROCESSOR_TYPE}},
    };
    const char* folder_name = RSTR_FOLDER_USER_NAME_COMPILATION_REPORT;
    auto folder = std::make_unique<RDB_FOLDER_OBJECT>(
        folder_name != nullptr && *folder_name != '\0' ? folder_name : "compilation_report_main_folder");
    for (const PANEL& panel : panels) {
        auto table = std::make_unique<RDB_NEW_TABLE_OBJECT>(panel.name);
        append_row(*table, RDB_TABLE_ROW_PTR(
                               rdb_create_row(std::vector<std::string>(panel.headers.begin(), panel.headers.end()))));
        add_owned(*folder, std::move(table));
    }
    return folder;
}

std::string rdb_get_synthesis_setting_table_element_value(const std::string& rev_name, const std::string& setting)
{
    ACF_MANAGER* acf_manager = ACF_MANAGER::get_acf_manager();
    RDB_ASSERT(acf_manager != nullptr);
    const SETTINGS_READ_LOCK lock(acf_manager->get_revision_manager());
    RDB_REPORT* report = RDB_REPORT::get_report(rev_name, RDB_COMPILER_REPORT);
    RDB_FOLDER_OBJECT* main_folder = report == nullptr ? nullptr : report->get_main_folder();
    if (main_folder == nullptr) return std::string();
    const std::string path = std::string(RDB_SYNTHESIS) + "||" + RDB_SETTINGS + "||" + RDB_SYNTHESIS_SETTING_TABLE_NAME;
    const RDB_TABLE_OBJECT* table = rdb_get_table_by_name(main_folder, path, false);
    return table == nullptr ? std::string() : value_of_row(*table, setting);
}

bool rdb_is_current_device_same_as_last_compilation_device(const std::string& rev_name)
{
    ACF_MANAGER* acf_manager = ACF_MANAGER::get_acf_manager();
    RDB_ASSERT(acf_manager);
    if (!acf_manager->is_project_open()) return true;
    const std::string device = rdb_get_synthesis_setting_table_element_value(rev_name, RDB_DEVICE);
    if (device.empty() || !dstr_exists_dev_part_enum_by_string(device)) return true;
    return acf_manager->get_project_part_enum() == dstr_get_dev_part_enum_by_string(device);
}
