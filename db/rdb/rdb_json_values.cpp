// The JSON forms of the report objects: each fills the object it is given with its name, header and
// footer and its own content (a folder with its children's forms, a table with its rows of cell texts).

#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "msg/msg.h"
#include "rdb_folder.h"
#include "rdb_object.h"
#include "rdb_path.h"
#include "rdb_table_sys.h"
#include "rdb_text.h"

void RDB_OBJECT::fill_json_object(nlohmann::json* object)
{
    RDB_ASSERT_MSG(object != nullptr, "object != NULL");
    (*object)["name"] = m_name;
    (*object)["header"] = get_header();
    (*object)["footer"] = get_footer();
}

void RDB_FOLDER_OBJECT::fill_json_object(nlohmann::json* object)
{
    RDB_ASSERT_MSG(object != nullptr, "object != NULL");
    RDB_OBJECT::fill_json_object(object);
    nlohmann::json children = nlohmann::json::array();
    for (RDB_OBJECT* child : *this) {
        if (child == nullptr) continue;
        nlohmann::json child_object = nlohmann::json::object();
        child->fill_json_object(&child_object);
        children.push_back(std::move(child_object));
    }
    (*object)["object_list"] = std::move(children);
}

void RDB_TABLE_OBJECT::fill_json_object(nlohmann::json* object)
{
    RDB_ASSERT(object != NULL);
    RDB_OBJECT::fill_json_object(object);
    nlohmann::json rows_json = nlohmann::json::array();
    for_each_data_row([&](const std::vector<std::string>& texts) { rows_json.push_back(texts); });
    (*object)["rows"] = std::move(rows_json);
}

void RDB_TEXT_OBJECT::fill_json_object(nlohmann::json* object)
{
    RDB_ASSERT_MSG(object != nullptr, "object != NULL");
    RDB_OBJECT::fill_json_object(object);
    (*object)["text"] = m_text != nullptr ? *m_text : std::string();
}

void RDB_INTERACTIVE_REPORT_DATA_OBJECT::fill_json_object(nlohmann::json* object)
{
    RDB_ASSERT_MSG(object != nullptr, "object != NULL");
    RDB_OBJECT::fill_json_object(object);
    (*object)["text"] = "This report is unavailable in json format";
}

void RDB_PATH_OBJECT::fill_json_object(nlohmann::json* object)
{
    RDB_ASSERT_MSG(object != nullptr, "object != NULL");
    RDB_OBJECT* const parts[] = {m_summary,           m_critical_chain_table, m_extra_info,
                                 m_data_arrival_path, m_data_required_path,   m_idb_text};
    for (RDB_OBJECT* part : parts)
        if (part != nullptr) part->fill_json_object(object);
}
