// The XML writer's plain objects: texts, legal notices and interactive data, embedded objects and
// memory contents, and the elements of our own that give a folder's pointers at its children (a
// path folder's paths, a master-detail folder's master and details) as indices among them.

#include <string>
#include <string_view>
#include <vector>

#include "msg/msg.h"
#include "rdb_embedded.h"
#include "rdb_folder.h"
#include "rdb_path.h"
#include "rdb_text.h"
#include "rdb_xml.h"
#include "rdb_xml_write.h"

namespace RDB::XML {

namespace {

constexpr const char* INTERACTIVE_NOTICE =
    "This report does not have BAK support. Please recompile the design to view the report";

// The children of a folder that are written, in order.
std::vector<const RDB_OBJECT*> written_children(const RDB_FOLDER_OBJECT& folder)
{
    std::vector<const RDB_OBJECT*> children;
    for (const RDB_OBJECT* child : folder)
        if (has_file_form(*child)) children.push_back(child);
    return children;
}

} // namespace

bool has_implicit_details(const RDB_MASTER_DETAIL_OBJECT& folder)
{
    const std::vector<const RDB_OBJECT*> children = written_children(folder);
    if (children.empty()) return folder.get_master_table() == nullptr && folder.get_detail_count() == 0;
    if (folder.get_master_table() != children.front() || folder.get_detail_count() != children.size() - 1) return false;
    for (std::size_t i = 1; i < children.size(); ++i)
        if (folder.get_detail_object(static_cast<unsigned>(i - 1)) != children[i]) return false;
    return true;
}

// After a folder's children: a path folder's pointers at them, and a master-detail folder's when
// its children alone do not give them.
void RDB_XML_DOCUMENT_WRITER::write_folder_links(const RDB_FOLDER_OBJECT& folder)
{
    if (const RDB_PATH_FOLDER_OBJECT* paths = folder.dynamic_cast_to_RDB_PATH_FOLDER_OBJECT())
        write_path_folder_links(*paths);
    if (const RDB_MASTER_DETAIL_OBJECT* master_detail = folder.dynamic_cast_to_RDB_MASTER_DETAIL_OBJECT())
        if (!has_implicit_details(*master_detail)) write_master_detail_links(*master_detail);
}

// Our own element, as path_folder_links: the master table and the details as indices among the
// children written (a pointer at a child without a file form is left out).
void RDB_XML_DOCUMENT_WRITER::write_master_detail_links(const RDB_MASTER_DETAIL_OBJECT& folder)
{
    const std::vector<const RDB_OBJECT*> children = written_children(folder);
    auto index_of = [&children](const RDB_OBJECT* object) {
        return static_cast<int>(std::find(children.begin(), children.end(), object) - children.begin());
    };
    const int count = static_cast<int>(children.size());
    ATTRIBUTES attributes = {{"name_id", std::to_string(number(&folder))}};
    if (const int master = index_of(folder.get_master_table()); master < count)
        attributes.emplace_back("master", std::to_string(master));
    open("master_detail_links", LAYOUT::BLOCK, attributes);
    std::string ids;
    for (unsigned i = 0; i < folder.get_detail_count(); ++i)
        if (const int detail = index_of(folder.get_detail_object(i)); detail < count)
            ids += (ids.empty() ? "" : " ") + std::to_string(detail);
    text_element("detail_ids", ids);
    close("master_detail_links", LAYOUT::BLOCK);
}

// Our own attributes: the flags the standard children leave out, and a text never set.
void RDB_XML_DOCUMENT_WRITER::write_text(const RDB_TEXT_OBJECT& text, const RDB_OBJECT* parent)
{
    ATTRIBUTES attributes = common_attributes(text, parent, false);
    if (text.is_webkit_html()) attributes.emplace_back("webkit_html", "true");
    if (text.is_json()) attributes.emplace_back("json", "true");
    if (text.get_text() == nullptr) attributes.emplace_back("no_text", "true");
    write_text_element(text.dynamic_cast_to_RDB_LEGAL_OBJECT() ? "legal" : "text", text, attributes,
                       text.get_text() ? std::string_view(*text.get_text()) : std::string_view(), text.is_html(),
                       text.is_qml());
}

// A text holding a notice, which is what readers that do not know the kind show; our own
// attributes carry the contents.
void RDB_XML_DOCUMENT_WRITER::write_interactive(const RDB_INTERACTIVE_REPORT_DATA_OBJECT& data)
{
    ATTRIBUTES attributes = common_attributes(data, m_context.parent_of(&data), false);
    attributes.emplace_back("interactive", "true");
    const std::pair<const char*, std::string> texts[] = {{"interactive_data", data.get_data()},
                                                         {"data_type", data.get_data_type()},
                                                         {"report_implementation", data.get_report_implementation()}};
    for (const auto& [name, text] : texts)
        if (!text.empty()) attributes.emplace_back(name, own_text(text));
    write_text_element("text", data, attributes, INTERACTIVE_NOTICE, false, false);
}

void RDB_XML_DOCUMENT_WRITER::write_text_element(const char* name, const RDB_OBJECT& object,
                                                 const ATTRIBUTES& attributes, std::string_view text, bool html,
                                                 bool qml)
{
    open(name, LAYOUT::BLOCK, attributes);
    write_common_children(object);
    text_element("ascii_text", text);
    text_element("show_html", bool_text(html));
    text_element("is_qml", bool_text(qml));
    close(name, LAYOUT::BLOCK);
}

void RDB_XML_DOCUMENT_WRITER::write_embedded(const RDB_EMBEDDED_OBJECT& embedded)
{
    ATTRIBUTES attributes = common_attributes(embedded, m_context.parent_of(&embedded), false);
    // The types without a user text (none, waveform, memory) are written with their debug text,
    // which the reader's translator accepts as well.
    const char* type = rdb_xml_embedded_type_text(embedded.get_embedded_type());
    RDB_ASSERT(type != 0);
    attributes.emplace_back("type", type);
    open("embedded", LAYOUT::BLOCK, attributes);
    write_common_children(embedded);
    text_element("info", embedded.get_info_str());
    for (const std::string& file : embedded.get_message_files())
        text_element("message_file", file);
    close("embedded", LAYOUT::BLOCK);
}

void RDB_XML_DOCUMENT_WRITER::write_memory(const RDB_MEMORY_OBJECT& memory)
{
    ATTRIBUTES attributes = common_attributes(memory, m_context.parent_of(&memory), false);
    attributes.emplace_back("logical_name", memory.get_logical_name());
    attributes.emplace_back("depth", std::to_string(memory.get_depth()));
    attributes.emplace_back("width", std::to_string(memory.get_width()));
    attributes.emplace_back("address_width", std::to_string(memory.get_address_width()));
    open("memory", LAYOUT::BLOCK, attributes);
    write_common_children(memory);
    text_element("original_filename", memory.get_original_file_name());
    open("address_names", LAYOUT::BLOCK);
    for (unsigned bit = 0; bit < memory.get_address_width(); ++bit)
        text_element("name", memory.get_address_name(bit));
    close("address_names", LAYOUT::BLOCK);
    open("data_names", LAYOUT::BLOCK);
    for (unsigned bit = 0; bit < memory.get_width(); ++bit)
        text_element("name", memory.get_data_name(bit));
    close("data_names", LAYOUT::BLOCK);
    open("content", LAYOUT::BLOCK);
    for (unsigned address = 0; address < memory.get_depth(); ++address) {
        open("address", LAYOUT::BLOCK);
        for (unsigned bit = 0; bit < memory.get_width(); ++bit)
            text_element("data", std::to_string(static_cast<int>(memory.get_value_at(address, bit))));
        close("address", LAYOUT::BLOCK);
    }
    close("content", LAYOUT::BLOCK);
    close("memory", LAYOUT::BLOCK);
}

// Our own element after a path folder's children: its pointers at them, as indices among the
// children written.
void RDB_XML_DOCUMENT_WRITER::write_path_folder_links(const RDB_PATH_FOLDER_OBJECT& folder)
{
    // Pointers that name no written child (a removed child leaves them dangling) are left out, or
    // as a path id written as -1, so that the later ids keep their numbers.
    std::unordered_map<const RDB_OBJECT*, int> indices;
    for (const RDB_OBJECT* child : folder)
        if (has_file_form(*child)) indices.emplace(child, static_cast<int>(indices.size()));
    auto index_of = [&indices](const RDB_OBJECT* object) {
        const auto found = indices.find(object);
        return found != indices.end() ? found->second : -1;
    };
    ATTRIBUTES attributes = {{"name_id", std::to_string(number(&folder))}};
    if (const int summary = index_of(folder.get_path_summary_table()); summary >= 0)
        attributes.emplace_back("summary_table", std::to_string(summary));
    if (const int option = index_of(folder.get_option_summary_panel()); option >= 0)
        attributes.emplace_back("option_summary_panel", std::to_string(option));
    open("path_folder_links", LAYOUT::BLOCK, attributes);
    std::string ids;
    for (const RDB_PATH_OBJECT* path : folder.get_path_id_table())
        ids += (ids.empty() ? "" : " ") + std::to_string(index_of(path));
    text_element("path_ids", ids);
    close("path_folder_links", LAYOUT::BLOCK);
}

} // namespace RDB::XML
