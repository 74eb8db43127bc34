// Embedded objects and memory contents: their accessors (their text forms are in rdb_ascii_objects.cpp).

#include "rdb_embedded.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "fio/fio.h"
#include "gen/gen_project.h"
#include "ini/cfg.h"
#include "msg/msg.h"
#include "rdb_message_gen.h"
#include "rdb_vocabulary.h"
#include "rdb_visitor.h"
#include "ver/ver.h"

// ---- RDB_EMBEDDED_OBJECT -------------------------------------------------------------------------

RDB_EMBEDDED_OBJECT::RDB_EMBEDDED_OBJECT() = default;

RDB_EMBEDDED_OBJECT::RDB_EMBEDDED_OBJECT(const std::string& name, RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM type)
    : RDB_OBJECT(name), m_embedded_type(type)
{
}

RDB_EMBEDDED_OBJECT::~RDB_EMBEDDED_OBJECT() = default;

RDB_OBJECT_TYPE RDB_EMBEDDED_OBJECT::get_type() const { return RDB_EMBEDDED_TYPE; }

void RDB_EMBEDDED_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_embedded(this); }

std::string RDB_EMBEDDED_OBJECT::get_message_file_path(const std::string& file)
{
    if (fio_is_absolute(file)) return file;
    const std::string db_dir = gen_get_db_dir_path_string();
    if (!db_dir.empty() && file.compare(0, db_dir.size() + 1, db_dir + "/") == 0) return file;
    return fio_join(db_dir, file);
}

void RDB_EMBEDDED_OBJECT::output_message_file(std::ostream& os, const std::string& path, bool suppressed)
{
    RDB_MESSAGE_GEN::output_messages(os, path, suppressed);
}

// ---- RDB_MEMORY_OBJECT ---------------------------------------------------------------------------

RDB_MEMORY_OBJECT::RDB_MEMORY_OBJECT() : RDB_EMBEDDED_OBJECT(std::string(), EMBEDDED_OBJECT_MEMORY_TYPE) {}

RDB_MEMORY_OBJECT::RDB_MEMORY_OBJECT(const std::string& name, const std::string& original_file_name, unsigned int depth,
                                     unsigned int data_width, unsigned int address_width, MEM_SEGMENT*)
    : RDB_EMBEDDED_OBJECT(name, EMBEDDED_OBJECT_MEMORY_TYPE), m_address_width(address_width), m_data_width(data_width),
      m_depth(depth), m_original_file_name(original_file_name), m_logical_name(name)
{
    try {
        m_address_names.resize(address_width);
        m_data_names.resize(data_width);
        m_data.assign(depth, std::vector<CDB_CAM_DATA_ENUM>(data_width, CDB_CAM_DATA_ZERO));
    } catch (const std::bad_alloc&) {
        RDB_INTERNAL_ERROR("m_data != 0");
    } catch (const std::length_error&) {
        RDB_INTERNAL_ERROR("m_data != 0");
    }
}

RDB_MEMORY_OBJECT::~RDB_MEMORY_OBJECT() = default;

void RDB_MEMORY_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_memory(this); }

CDB_CAM_DATA_ENUM RDB_MEMORY_OBJECT::get_value_at(unsigned int address, unsigned int bit_number) const
{
    RDB_ASSERT(address < m_depth);
    RDB_ASSERT(bit_number < m_data_width);
    return m_data[address][bit_number];
}

void RDB_MEMORY_OBJECT::set_value_at(unsigned int address, unsigned int bit_number, CDB_CAM_DATA_ENUM value)
{
    RDB_ASSERT(address < m_depth);
    RDB_ASSERT(bit_number < m_data_width);
    m_data[address][bit_number] = value;
}

std::string RDB_MEMORY_OBJECT::get_address_name(unsigned int bit_number) const
{
    RDB_ASSERT(bit_number < m_address_width);
    return m_address_names[bit_number];
}

void RDB_MEMORY_OBJECT::set_address_name(unsigned int bit_number, const std::string& name)
{
    RDB_ASSERT(bit_number < m_address_width);
    m_address_names[bit_number] = name;
}

std::string RDB_MEMORY_OBJECT::get_data_name(unsigned int bit_number) const
{
    RDB_ASSERT(bit_number < m_data_width);
    return m_data_names[bit_number];
}

void RDB_MEMORY_OBJECT::set_data_name(unsigned int bit_number, const std::string& name)
{
    RDB_ASSERT(bit_number < m_data_width);
    m_data_names[bit_number] = name;
}
