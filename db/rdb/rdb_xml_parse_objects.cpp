// The XML reader's handlers of the plain objects: texts, legal notices and interactive data;
// embedded objects and memory contents; and the elements of our own that give a folder's pointers at
// its children (a path folder's paths, a master-detail folder's master and details).

#include <cstdint>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "msg/msg.h"
#include "rdb_embedded.h"
#include "rdb_folder.h"
#include "rdb_path.h"
#include "rdb_text.h"
#include "rdb_xml_parse.h"

namespace RDB::XML {

namespace {

// Text and legal objects, and interactive data (a text holding a notice for other readers; our own
// attributes carry its contents).
class RDB_XML_TEXT_HANDLER : public RDB_XML_CONTENT_HANDLER {
public:
    using RDB_XML_CONTENT_HANDLER::RDB_XML_CONTENT_HANDLER;

protected:
    void on_start(const std::string& name, const XML_ATTRIBUTES& attributes) override
    {
        if (depth() == 1) {
            const std::string object_name = attributes.get("name");
            if (is_true(attributes, "interactive")) {
                m_object = make_interactive(object_name, attributes);
                if (m_object == nullptr) return;
            } else {
                if (name == "legal")
                    m_text_object = m_state.create<RDB_LEGAL_OBJECT>(object_name);
                else
                    m_text_object = m_state.create<RDB_TEXT_OBJECT>(object_name);
                m_object = m_text_object;
                m_text_object->set_is_webkit_html(is_true(attributes, "webkit_html"));
                m_text_object->set_is_json(is_true(attributes, "json"));
                // A text never set: the legal object's own notice goes too.
                m_no_text = is_true(attributes, "no_text");
                if (m_no_text) m_text_object->add_text(nullptr);
            }
            apply_common_attributes(*m_object, attributes);
            attach(*m_object, attributes);
        } else if (depth() == 2 && name == "ascii_text" && m_text_object != nullptr && !m_no_text) {
            m_text_object->set_text(std::string());
        }
    }
    void on_end(const std::string& name) override
    {
        if (depth() != 2) return;
        if (end_common_child(*m_object, name) || m_text_object == nullptr) return;
        if (name == "ascii_text" && !m_no_text)
            m_text_object->set_text(m_text);
        else if (name == "show_html")
            m_text_object->set_is_html(is_true(m_text));
        else if (name == "is_qml")
            m_text_object->set_is_qml(is_true(m_text));
    }

private:
    RDB_OBJECT* make_interactive(const std::string& object_name, const XML_ATTRIBUTES& attributes)
    {
        std::string texts[3];
        const char* names[3] = {"interactive_data", "data_type", "report_implementation"};
        for (int i = 0; i < 3; ++i) {
            const std::optional<std::string> text = own_text(attributes.get(names[i]), names[i]);
            if (!text) return nullptr;
            texts[i] = *text;
        }
        return m_state.create<RDB_INTERACTIVE_REPORT_DATA_OBJECT>(object_name, texts[0], texts[1], texts[2]);
    }

    RDB_OBJECT* m_object = nullptr;
    // Null for interactive data, whose text children (the notice) are passed over.
    RDB_TEXT_OBJECT* m_text_object = nullptr;
    bool m_no_text = false;
};

// Embedded objects and memory contents. A memory's array is made from the sizes in its attributes,
// before its content is seen, so the sizes are bounded, and every name and value is checked against
// them before it is stored.
class RDB_XML_EMBEDDED_HANDLER : public RDB_XML_CONTENT_HANDLER {
public:
    using RDB_XML_CONTENT_HANDLER::RDB_XML_CONTENT_HANDLER;

    // The bytes a memory of these sizes may take at most (the largest real memories need a few MB).
    static constexpr std::uint64_t MAX_MEMORY_BYTES = std::uint64_t(1) << 27;

protected:
    void on_start(const std::string& name, const XML_ATTRIBUTES& attributes) override
    {
        if (depth() == 1) {
            if (name == "embedded")
                start_embedded(attributes);
            else if (name == "memory")
                start_memory(attributes);
            return;
        }
        if (m_memory == nullptr) return;
        if (name == "address_names") {
            m_in_address_names = true;
            m_address_name_index = 0;
        } else if (name == "data_names") {
            m_in_data_names = true;
            m_data_bit_index = 0;
        } else if (name == "content") {
            m_address_index = 0;
        } else if (name == "address") {
            m_data_bit_index = 0;
        }
    }

    void on_end(const std::string& name) override
    {
        if (m_embedded == nullptr) return;
        if (depth() == 2 && end_common_child(*m_embedded, name)) return;
        if (name == "info")
            m_embedded->set_info_str(m_text);
        else if (name == "message_file")
            m_embedded->add_message_file(m_text);
        if (m_memory == nullptr) return;
        if (name == "original_filename") {
            m_memory->set_original_file_name(m_text);
        } else if (name == "name") {
            end_name();
        } else if (name == "data") {
            end_data();
        } else if (name == "address") {
            ++m_address_index;
        } else if (name == "address_names" || name == "data_names") {
            m_in_address_names = false;
            m_in_data_names = false;
        } else if (name == "content") {
            m_address_index = 0;
            m_data_bit_index = 0;
        }
    }

private:
    void start_embedded(const XML_ATTRIBUTES& attributes)
    {
        const std::string type_text = attributes.get("type");
        if (lower(type_text) == "floorplan") {
            msg_local_vdebug("RDB", 2, "Floorplan embedded type is no longer supported.");
            return;
        }
        RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM type = EMBEDDED_OBJECT_NO_EMBEDDED_TYPE;
        if (rdb_exists_rdb_embedded_object_embedded_type_enum_by_string(type_text.c_str()))
            type = rdb_get_rdb_embedded_object_embedded_type_enum_by_string(type_text.c_str());
        else
            msg_local_vdebug("RDB", 2, "Unrecognized enumeration type: %s", type_text.c_str());
        m_embedded = m_state.create<RDB_EMBEDDED_OBJECT>(attributes.get("name"), type);
        apply_common_attributes(*m_embedded, attributes);
        attach(*m_embedded, attributes);
    }

    void start_memory(const XML_ATTRIBUTES& attributes)
    {
        std::optional<unsigned> depth = number<unsigned>(attributes.get("depth"), "depth");
        std::optional<unsigned> width = number<unsigned>(attributes.get("width"), "width");
        std::optional<unsigned> address_width = number<unsigned>(attributes.get("address_width"), "address_width");
        if (!depth || !width || !address_width) return;
        // Per word its bits and the vector holding them; per name a string.
        const std::uint64_t bytes =
            std::uint64_t(*depth) * (std::uint64_t(*width) + 32) + (std::uint64_t(*width) + *address_width) * 32;
        if (bytes > MAX_MEMORY_BYTES)
            return fail("memory \"" + attributes.get("name") + "\" is too large: " + std::to_string(*depth) + " x " +
                        std::to_string(*width));
        const std::string name = attributes.get("name");
        m_memory = m_state.create<RDB_MEMORY_OBJECT>(name, name, *depth, *width, *address_width, nullptr);
        m_embedded = m_memory;
        if (const std::string* logical_name = attributes.find("logical_name"))
            m_memory->set_logical_name(*logical_name);
        apply_common_attributes(*m_memory, attributes);
        attach(*m_memory, attributes);
    }

    void end_name()
    {
        if (m_in_address_names) {
            if (m_address_name_index >= m_memory->get_address_width())
                return fail("more address names than address bits in \"" + m_memory->get_name() + "\"");
            m_memory->set_address_name(m_address_name_index++, m_text);
        } else if (m_in_data_names) {
            if (m_data_bit_index >= m_memory->get_width())
                return fail("more data names than data bits in \"" + m_memory->get_name() + "\"");
            m_memory->set_data_name(m_data_bit_index++, m_text);
        }
    }

    void end_data()
    {
        if (m_address_index >= m_memory->get_depth() || m_data_bit_index >= m_memory->get_width())
            return fail("memory content outside the size of \"" + m_memory->get_name() + "\"");
        const std::string value = lower(m_text);
        const CDB_CAM_DATA_ENUM bit = value == "0"   ? CDB_CAM_DATA_ZERO
                                      : value == "1" ? CDB_CAM_DATA_ONE
                                                     : CDB_CAM_DATA_UNKNOWN;
        m_memory->set_value_at(m_address_index, m_data_bit_index++, bit);
    }

    RDB_EMBEDDED_OBJECT* m_embedded = nullptr;
    RDB_MEMORY_OBJECT* m_memory = nullptr;
    unsigned m_data_bit_index = 0;
    unsigned m_address_name_index = 0;
    unsigned m_address_index = 0;
    bool m_in_address_names = false;
    bool m_in_data_names = false;
};

// Base of our own elements that give a folder's pointers at its children as indices among them.
class RDB_XML_CHILD_LINKS_HANDLER : public RDB_XML_CONTENT_HANDLER {
public:
    using RDB_XML_CONTENT_HANDLER::RDB_XML_CONTENT_HANDLER;

protected:
    // The folder of class FOLDER the element's name_id names; null (and the read failed) when there
    // is none. kind names the class in messages.
    template <class FOLDER> FOLDER* find_folder(const XML_ATTRIBUTES& attributes, const char* element, const char* kind)
    {
        const std::optional<int> id = number<int>(attributes.get("name_id"), "name_id");
        if (!id) return nullptr;
        auto found = m_state.folders_by_id.find(*id);
        FOLDER* folder = found != m_state.folders_by_id.end() ? dynamic_cast<FOLDER*>(found->second) : nullptr;
        if (folder == nullptr) {
            fail(std::string(element) + " names no " + kind);
            return nullptr;
        }
        m_links_folder = folder;
        m_kind = kind;
        m_children.assign(folder->begin(), folder->end());
        return folder;
    }

    // The child at the index the text gives; null (and the read failed) when there is none.
    RDB_OBJECT* child_at(const std::string& text)
    {
        const std::optional<std::size_t> index = number<std::size_t>(text, "child index");
        if (!index) return nullptr;
        if (*index >= m_children.size()) {
            fail("child index " + text + " beyond the children of " + m_kind + " \"" + m_links_folder->get_name() +
                 "\"");
            return nullptr;
        }
        return m_children[*index];
    }

    // The children at the indices of a text of blank-separated indices, "-1" giving null; nullopt
    // (and the read failed) when one names no child.
    std::optional<std::vector<RDB_OBJECT*>> children_at(const std::string& text)
    {
        std::vector<RDB_OBJECT*> children;
        std::istringstream in(text);
        for (std::string item; in >> item;) {
            RDB_OBJECT* child = item == "-1" ? nullptr : child_at(item);
            if (child == nullptr && item != "-1") return std::nullopt;
            children.push_back(child);
        }
        return children;
    }

private:
    const RDB_FOLDER_OBJECT* m_links_folder = nullptr;
    const char* m_kind = "";
    std::vector<RDB_OBJECT*> m_children;
};

// A path folder's pointers at its children.
class RDB_XML_PATH_FOLDER_LINKS_HANDLER : public RDB_XML_CHILD_LINKS_HANDLER {
public:
    using RDB_XML_CHILD_LINKS_HANDLER::RDB_XML_CHILD_LINKS_HANDLER;

protected:
    void on_start(const std::string&, const XML_ATTRIBUTES& attributes) override
    {
        if (depth() != 1) return;
        m_folder = find_folder<RDB_PATH_FOLDER_OBJECT>(attributes, "path_folder_links", "path folder");
        if (m_folder == nullptr) return;
        if (const std::string* text = attributes.find("summary_table")) {
            RDB_OBJECT* child = child_at(*text);
            if (child == nullptr) return;
            RDB_TABLE_OBJECT* table = child->dynamic_cast_to_RDB_TABLE_OBJECT();
            if (table == nullptr) return fail("the summary table of a path folder is not a table");
            m_folder->set_path_summary_table(table);
        }
        if (const std::string* text = attributes.find("option_summary_panel"))
            if (RDB_OBJECT* child = child_at(*text)) m_folder->set_option_summary_panel(child);
    }

    void on_end(const std::string& name) override
    {
        if (depth() != 2 || name != "path_ids" || m_folder == nullptr) return;
        const std::optional<std::vector<RDB_OBJECT*>> children = children_at(m_text);
        if (!children) return;
        std::vector<RDB_PATH_OBJECT*> table;
        for (RDB_OBJECT* child : *children) {
            RDB_PATH_OBJECT* path = child ? child->dynamic_cast_to_RDB_PATH_OBJECT() : nullptr;
            if (child != nullptr && path == nullptr) return fail("a path id names a child that is not a path");
            table.push_back(path);
        }
        m_folder->set_path_id_table(std::move(table));
    }

private:
    RDB_PATH_FOLDER_OBJECT* m_folder = nullptr;
};

// A master-detail folder's master table and details, for a folder listed with "explicit_details".
class RDB_XML_MASTER_DETAIL_LINKS_HANDLER : public RDB_XML_CHILD_LINKS_HANDLER {
public:
    using RDB_XML_CHILD_LINKS_HANDLER::RDB_XML_CHILD_LINKS_HANDLER;

protected:
    void on_start(const std::string&, const XML_ATTRIBUTES& attributes) override
    {
        if (depth() != 1) return;
        m_folder = find_folder<RDB_MASTER_DETAIL_OBJECT>(attributes, "master_detail_links", "master-detail folder");
        if (m_folder == nullptr) return;
        if (m_state.explicit_details.count(m_folder) == 0)
            return fail("master_detail_links names a folder whose children give them");
        if (const std::string* text = attributes.find("master")) {
            RDB_OBJECT* child = child_at(*text);
            if (child == nullptr) return;
            RDB_TABLE_OBJECT* table = child->dynamic_cast_to_RDB_TABLE_OBJECT();
            if (table == nullptr) return fail("the master of a master-detail folder is not a table");
            m_folder->add_master_table(table);
        }
    }

    void on_end(const std::string& name) override
    {
        if (depth() != 2 || name != "detail_ids" || m_folder == nullptr) return;
        const std::optional<std::vector<RDB_OBJECT*>> children = children_at(m_text);
        if (!children) return;
        for (RDB_OBJECT* child : *children) {
            if (child == nullptr) return fail("a detail id of -1");
            m_folder->add_detail_object(child);
        }
    }

private:
    RDB_MASTER_DETAIL_OBJECT* m_folder = nullptr;
};

} // namespace

std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_text_handler(READ_STATE& state)
{
    return std::make_unique<RDB_XML_TEXT_HANDLER>(state);
}

std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_embedded_handler(READ_STATE& state)
{
    return std::make_unique<RDB_XML_EMBEDDED_HANDLER>(state);
}

std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_path_folder_links_handler(READ_STATE& state)
{
    return std::make_unique<RDB_XML_PATH_FOLDER_LINKS_HANDLER>(state);
}

std::unique_ptr<RDB_XML_CONTENT_HANDLER> new_master_detail_links_handler(READ_STATE& state)
{
    return std::make_unique<RDB_XML_MASTER_DETAIL_LINKS_HANDLER>(state);
}

} // namespace RDB::XML
