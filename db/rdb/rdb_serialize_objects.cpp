// Transfer routines and class records of the object base, folders, text, legal and interactive
// objects, and embedded and memory objects (the report's own record is with the report model, in
// rdb_dms_model_handler.cpp).
//
// Each routine lists its class's fields in a fixed order, base class first; the same routine writes
// and reads. On reading, every value that could break a later operation is checked here and a bad one
// fails the load (PDB_SEGMENT::fail): colours and enumerations in range, trait kinds consistent,
// ownership and parent links exactly as a folder tree requires.

#include <map>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "pdb/pdb.h"
#include "rdb_embedded.h"
#include "rdb_enum.h"
#include "rdb_folder.h"
#include "rdb_object.h"
#include "rdb_table_sys.h"
#include "rdb_text.h"
#include "rdb_serialize_util.h"

namespace {

// Trait kinds seen in one segment, so that two objects cannot give one trait two kinds.
using TRAIT_KINDS = std::map<DCL_TRAIT_NAME, DTRAIT::TYPE_ENUM>;

struct TRAIT_ENTRY {
    DCL_TRAIT_NAME name;
    DTRAIT::VALUE value;
};

void transfer_trait_value(PDB_SEGMENT& segment, DTRAIT::TYPE_ENUM kind, DTRAIT::VALUE& value)
{
    switch (kind) {
    case DTRAIT::TYPE_ENUM::BOOL: {
        bool v = segment.is_writing() && std::get<0>(value);
        segment.transfer(v);
        value.emplace<0>(v);
        break;
    }
    case DTRAIT::TYPE_ENUM::INT: {
        std::int32_t v = segment.is_writing() ? std::get<1>(value) : 0;
        segment.transfer(v);
        value.emplace<1>(v);
        break;
    }
    case DTRAIT::TYPE_ENUM::LONG: {
        std::int64_t v = segment.is_writing() ? std::get<2>(value) : 0;
        segment.transfer(v);
        value.emplace<2>(v);
        break;
    }
    case DTRAIT::TYPE_ENUM::FLOAT: {
        float v = segment.is_writing() ? std::get<3>(value) : 0.0f;
        segment.transfer(v);
        value.emplace<3>(v);
        break;
    }
    case DTRAIT::TYPE_ENUM::DOUBLE: {
        double v = segment.is_writing() ? std::get<4>(value) : 0.0;
        segment.transfer(v);
        value.emplace<4>(v);
        break;
    }
    case DTRAIT::TYPE_ENUM::STRING: {
        if (segment.is_reading()) value.emplace<5>();
        segment.transfer(std::get<5>(value));
        break;
    }
    case DTRAIT::TYPE_ENUM::BYTE_ARRAY: {
        if (segment.is_reading()) value.emplace<6>();
        segment.transfer(std::get<6>(value));
        break;
    }
    }
}

// A trait entry: category, group, base name, kind, value.
void transfer_trait_entry(PDB_SEGMENT& segment, TRAIT_ENTRY& entry)
{
    std::int32_t category = entry.name.get_category();
    std::string group = entry.name.get_group_str();
    std::string basename = entry.name.get_basename_str();
    std::int32_t kind = static_cast<std::int32_t>(entry.value.index());
    segment.transfer(category);
    segment.transfer(group);
    segment.transfer(basename);
    segment.transfer(kind);
    if (segment.is_reading()) {
        if (kind < 0 || kind >= DTRAIT::TYPE_COUNT) segment.fail("trait kind " + std::to_string(kind));
        entry.name = DCL_TRAIT_NAME(category, group, basename);
    }
    transfer_trait_value(segment, static_cast<DTRAIT::TYPE_ENUM>(kind), entry.value);
}

// Reading: a trait must keep the kind it already has in this process and in this segment.
void check_trait_kind(PDB_SEGMENT& segment, const TRAIT_ENTRY& entry)
{
    auto kind = static_cast<DTRAIT::TYPE_ENUM>(entry.value.index());
    TRAIT_KINDS& kinds = segment.context<TRAIT_KINDS>();
    auto [it, inserted] = kinds.emplace(entry.name, kind);
    if (!inserted && it->second != kind)
        segment.fail("trait " + entry.name.get_full_name_str() + " appears with two kinds");
    std::optional<DTRAIT::DEFINITION_HANDLE> definition =
        DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get().find_definition_impl(typeid(RDB_OBJECT), entry.name);
    if (definition && (*definition)->type() != kind)
        segment.fail("trait " + entry.name.get_full_name_str() + " has another kind in this process");
}

} // namespace

// ---- RDB_OBJECT ----------------------------------------------------------------------------------

PDB_CLASS_THUNK<RDB_OBJECT> RDB_OBJECT::s_thunk(
    "RDB_OBJECT", nullptr, []() -> PDB_VIRTUAL_OBJECT* { return new RDB_OBJECT(); },
    [](PDB_VIRTUAL_OBJECT* object) { static_cast<RDB_OBJECT*>(object)->m_ownership_status = false; });

void RDB_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);

    // The trait values: count, then each entry. Loaded values replace the object's own (a new
    // object may have defaults) once the whole file proved sound.
    RDB_TRACE(DTRAIT_ENABLE<RDB_OBJECT>);
    std::vector<TRAIT_ENTRY> traits;
    DTRAIT::TRAIT_TABLE& table = DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get();
    if (segment.is_writing() && has_dtrait_values())
        for (DTRAIT::DEFINITION_HANDLE definition : table.all_definitions_impl(typeid(RDB_OBJECT)))
            if (const DTRAIT::VALUE* value = table.get_value_impl(definition, get_dtrait_key()))
                traits.push_back(TRAIT_ENTRY{definition->name(), *value});
    std::uint32_t count = static_cast<std::uint32_t>(traits.size());
    segment.transfer(count);
    if (segment.is_reading()) {
        segment.require_items(count, 17);
        traits.resize(count, TRAIT_ENTRY{DCL_TRAIT_NAME(0, "", ""), DTRAIT::VALUE()});
    }
    for (TRAIT_ENTRY& entry : traits) {
        transfer_trait_entry(segment, entry);
        if (segment.is_reading()) check_trait_kind(segment, entry);
    }
    if (segment.is_reading())
        segment.defer_commit([this, traits = std::move(traits)]() {
            DTRAIT::TRAIT_TABLE& trait_table = DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get();
            reset_traits();
            for (const TRAIT_ENTRY& entry : traits) {
                auto kind = static_cast<DTRAIT::TYPE_ENUM>(entry.value.index());
                DTRAIT::DEFINITION_HANDLE definition =
                    trait_table.find_or_create_definition_impl(typeid(RDB_OBJECT), kind, entry.name).first;
                trait_table.set_value_impl(definition, get_dtrait_key(), entry.value);
                mark_dtrait_values();
            }
        });

    RDB_TRACE(m_parent);
    segment.transfer_ptr(m_parent);
    // The only object read before this one's parent field that could name it is itself.
    if (segment.is_reading() && static_cast<const RDB_OBJECT*>(m_parent) == this)
        segment.fail("object is its own parent");
    RDB_TRANSFER(segment, m_ownership_status);
    RDB_TRANSFER(segment, m_enable);
    RDB_TRANSFER(segment, m_visible);
    RDB_TRACE(m_color);
    rdb_transfer_color(segment, m_color);
    RDB_TRANSFER(segment, m_name);
    RDB_TRANSFER(segment, m_header);
    RDB_TRANSFER(segment, m_to_output_ascii_header);
    RDB_TRANSFER(segment, m_footer);
    RDB_TRANSFER(segment, m_to_output_ascii_footer);
    RDB_TRANSFER(segment, m_tcl_command);
    RDB_TRANSFER(segment, m_help_id);
    RDB_TRANSFER(segment, m_timing_corner);
    segment.end_class();
}

// ---- Folders -------------------------------------------------------------------------------------

PDB_CLASS_THUNK<RDB_FOLDER_OBJECT> RDB_FOLDER_OBJECT::s_thunk("RDB_FOLDER_OBJECT", RDB_OBJECT::pdb_thunk(),
                                                              []() -> PDB_VIRTUAL_OBJECT* {
                                                                  return new RDB_FOLDER_OBJECT();
                                                              });

void RDB_FOLDER_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_OBJECT);
    RDB_OBJECT::serialize(segment);
    RDB_TRANSFER(segment, m_is_stage_folder);
    RDB_TRACE(m_object_list);
    segment.transfer_owned(m_object_list, false);
    if (segment.is_reading())
        for (const RDB_OBJECT* child : m_object_list)
            if (child->get_parent() != this || child->get_ownership_status() != OWNED)
                segment.fail("a folder child that is not owned by its folder");
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_MULTI_CORNER_FOLDER_OBJECT> RDB_MULTI_CORNER_FOLDER_OBJECT::s_thunk(
    "RDB_MULTI_CORNER_FOLDER_OBJECT", RDB_FOLDER_OBJECT::pdb_thunk(),
    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_MULTI_CORNER_FOLDER_OBJECT(); });

void RDB_MULTI_CORNER_FOLDER_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_FOLDER_OBJECT);
    RDB_FOLDER_OBJECT::serialize(segment);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_MASTER_DETAIL_OBJECT>
    RDB_MASTER_DETAIL_OBJECT::s_thunk("RDB_MASTER_DETAIL_OBJECT", RDB_FOLDER_OBJECT::pdb_thunk(),
                                      []() -> PDB_VIRTUAL_OBJECT* { return new RDB_MASTER_DETAIL_OBJECT(); });

void RDB_MASTER_DETAIL_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_FOLDER_OBJECT);
    RDB_FOLDER_OBJECT::serialize(segment);
    RDB_TRACE(m_master_table);
    segment.transfer_ptr(m_master_table);
    RDB_TRACE(m_detail_objects);
    segment.transfer_ptr(m_detail_objects);
    if (segment.is_reading()) {
        // The master table and the details are children of this folder.
        std::unordered_set<const RDB_OBJECT*> children(begin_object_const_iter(), end_object_const_iter());
        if (m_master_table != nullptr && children.count(m_master_table) == 0)
            segment.fail("a master table that is not a child of its folder");
        for (const RDB_OBJECT* detail : m_detail_objects)
            if (detail != nullptr && children.count(detail) == 0)
                segment.fail("a detail that is not a child of its folder");
    }
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_LINK_RPT_OBJECT> RDB_LINK_RPT_OBJECT::s_thunk("RDB_LINK_RPT_OBJECT", RDB_FOLDER_OBJECT::pdb_thunk(),
                                                                  []() -> PDB_VIRTUAL_OBJECT* {
                                                                      return new RDB_LINK_RPT_OBJECT();
                                                                  });

void RDB_LINK_RPT_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_FOLDER_OBJECT);
    RDB_FOLDER_OBJECT::serialize(segment);
    RDB_TRANSFER(segment, m_rev_name);
    RDB_TRANSFER(segment, m_rpt_type);
    segment.end_class();
}

// ---- Text, legal and interactive objects ---------------------------------------------------------

PDB_CLASS_THUNK<RDB_TEXT_OBJECT> RDB_TEXT_OBJECT::s_thunk("RDB_TEXT_OBJECT", RDB_OBJECT::pdb_thunk(),
                                                          []() -> PDB_VIRTUAL_OBJECT* {
                                                              return new RDB_TEXT_OBJECT();
                                                          });

void RDB_TEXT_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_OBJECT);
    RDB_OBJECT::serialize(segment);
    RDB_TRACE(m_text);
    std::optional<std::string> text;
    if (segment.is_writing() && m_text != nullptr) text = *m_text;
    segment.transfer(text);
    if (segment.is_reading() && text) set_text(*text);
    RDB_TRANSFER(segment, m_is_html);
    RDB_TRANSFER(segment, m_is_webkit_html);
    RDB_TRANSFER(segment, m_is_qml);
    RDB_TRANSFER(segment, m_is_json);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_LEGAL_OBJECT> RDB_LEGAL_OBJECT::s_thunk("RDB_LEGAL_OBJECT", RDB_TEXT_OBJECT::pdb_thunk(),
                                                            []() -> PDB_VIRTUAL_OBJECT* {
                                                                return new RDB_LEGAL_OBJECT();
                                                            });

void RDB_LEGAL_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TEXT_OBJECT);
    RDB_TEXT_OBJECT::serialize(segment);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_INTERACTIVE_REPORT_DATA_OBJECT> RDB_INTERACTIVE_REPORT_DATA_OBJECT::s_thunk(
    "RDB_INTERACTIVE_REPORT_DATA_OBJECT", RDB_OBJECT::pdb_thunk(),
    []() -> PDB_VIRTUAL_OBJECT* { return new RDB_INTERACTIVE_REPORT_DATA_OBJECT(); });

void RDB_INTERACTIVE_REPORT_DATA_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_OBJECT);
    RDB_OBJECT::serialize(segment);
    RDB_TRANSFER(segment, m_data);
    RDB_TRANSFER(segment, m_data_type);
    RDB_TRANSFER(segment, m_report_implementation);
    segment.end_class();
}

// ---- Embedded and memory objects ----------------------------------------------------------------

PDB_CLASS_THUNK<RDB_EMBEDDED_OBJECT> RDB_EMBEDDED_OBJECT::s_thunk("RDB_EMBEDDED_OBJECT", RDB_OBJECT::pdb_thunk(),
                                                                  []() -> PDB_VIRTUAL_OBJECT* {
                                                                      return new RDB_EMBEDDED_OBJECT();
                                                                  });

void RDB_EMBEDDED_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_OBJECT);
    RDB_OBJECT::serialize(segment);
    RDB_TRANSFER(segment, m_info_str);
    RDB_TRANSFER(segment, m_message_files);
    RDB_TRACE(m_embedded_type);
    segment.transfer_enum(m_embedded_type, EMBEDDED_OBJECT_NO_EMBEDDED_TYPE, EMBEDDED_OBJECT_TEXT_EDITOR_TYPE);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_MEMORY_OBJECT> RDB_MEMORY_OBJECT::s_thunk("RDB_MEMORY_OBJECT", RDB_EMBEDDED_OBJECT::pdb_thunk(),
                                                              []() -> PDB_VIRTUAL_OBJECT* {
                                                                  return new RDB_MEMORY_OBJECT();
                                                              });

void RDB_MEMORY_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_EMBEDDED_OBJECT);
    RDB_EMBEDDED_OBJECT::serialize(segment);

    // The words: their count, then each word's values as one byte per bit.
    RDB_TRACE(m_data);
    std::uint32_t rows = static_cast<std::uint32_t>(m_data.size());
    segment.transfer(rows);
    if (segment.is_reading()) {
        segment.require_items(rows, 4);
        m_data.assign(rows, {});
    }
    for (std::vector<CDB_CAM_DATA_ENUM>& word : m_data) {
        std::vector<std::byte> bytes;
        if (segment.is_writing())
            for (CDB_CAM_DATA_ENUM value : word)
                bytes.push_back(static_cast<std::byte>(value));
        segment.transfer(bytes);
        if (segment.is_reading()) {
            word.clear();
            word.reserve(bytes.size());
            for (std::byte value : bytes)
                word.push_back(static_cast<CDB_CAM_DATA_ENUM>(value));
        }
    }

    RDB_TRANSFER(segment, m_address_width);
    RDB_TRANSFER(segment, m_data_width);
    RDB_TRANSFER(segment, m_depth);
    RDB_TRANSFER(segment, m_logical_name);
    RDB_TRANSFER(segment, m_address_names);
    RDB_TRANSFER(segment, m_data_names);
    RDB_TRANSFER(segment, m_original_file_name);

    // The accessors index the arrays by the three sizes without further checks.
    if (segment.is_reading()) {
        if (get_embedded_type() != EMBEDDED_OBJECT_MEMORY_TYPE)
            segment.fail("a memory object of another embedded type");
        if (m_data.size() != m_depth) segment.fail("memory depth and word count differ");
        for (const std::vector<CDB_CAM_DATA_ENUM>& word : m_data)
            if (word.size() != m_data_width) segment.fail("a memory word of the wrong width");
        if (m_address_names.size() != m_address_width) segment.fail("address names and address width differ");
        if (m_data_names.size() != m_data_width) segment.fail("data names and data width differ");
    }
    segment.end_class();
}
