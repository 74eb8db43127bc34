#pragma once
// Report objects whose content lives outside the report: RDB_EMBEDDED_OBJECT records what kind of
// content it stands for (message files, equation or pin-out files, a text file, the hierarchy's
// action points, waveform data) and where it is; its renderers fetch the content when they write.
// RDB_MEMORY_OBJECT is the memory kind that carries its contents itself: depth words of width bits,
// with names for the address and data bits.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "rdb_enum.h"
#include "rdb_object.h"

// The value of one memory bit: 0, 1, or unknown (2).
enum CDB_CAM_DATA_ENUM : std::uint8_t {
    CDB_CAM_DATA_ZERO = 0,
    CDB_CAM_DATA_ONE = 1,
    CDB_CAM_DATA_UNKNOWN = 2,
};

// The memory utilities' allocation segment. Memory objects accept one for the allocations of their
// arrays; this layer allocates from the ordinary heap, so the segment is only passed along.
struct MEM_SEGMENT {};

class RDB_EMBEDDED_OBJECT : public RDB_OBJECT {
public:
    // No name, no type, empty info string.
    RDB_EMBEDDED_OBJECT();
    RDB_EMBEDDED_OBJECT(const std::string& name, RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM type);
    ~RDB_EMBEDDED_OBJECT() override;

    RDB_OVERRIDE_DOWNCAST(RDB_EMBEDDED_OBJECT)
    PDB_DECLARE_PERSISTENT(RDB_EMBEDDED_OBJECT)

    // RDB_EMBEDDED_TYPE, for memory objects too.
    RDB_OBJECT_TYPE get_type() const override;
    // visit_embedded.
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;
    // Boxed title, then the notice or listing of the embedded type. Message objects write a reference
    // block instead of their messages while a message session is open (see rdb_message_gen.h).
    void output_ascii(std::ostream& os) override;
    void output_html(std::ostream& os) override;

    RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM get_embedded_type() const { return m_embedded_type; }
    // Usually a file name: relative to the project database folder for message files, a path for
    // equation, pin-out and text-editor content.
    std::string get_info_str() const { return m_info_str; }
    void set_info_str(const std::string& info) { m_info_str = info; }
    // Additional message files (relative to the project database folder, or absolute), in order.
    void add_message_file(const std::string& file) { m_message_files.push_back(file); }
    void clear_message_files() { m_message_files.clear(); }
    std::vector<std::string> get_message_files() const { return m_message_files; }

    // The path of a message file named by an info string or an additional message file: an absolute
    // path, or one already inside the project database folder, is kept; any other name is taken
    // relative to the project database folder.
    static std::string get_message_file_path(const std::string& file);

protected:
    // The listing of one message file (messages whose suppressed flag equals suppressed, with their
    // sub-messages), or the "Can't read" notice when the file cannot be read.
    static void output_message_file(std::ostream& os, const std::string& path, bool suppressed);

private:
    void output_messages(std::ostream& os);
    void output_suppressed_messages(std::ostream& os);
    void output_hierarchy(std::ostream& os);

    std::string m_info_str;
    std::vector<std::string> m_message_files;
    RDB_EMBEDDED_OBJECT_EMBEDDED_TYPE_ENUM m_embedded_type = EMBEDDED_OBJECT_NO_EMBEDDED_TYPE;
};

class RDB_MEMORY_OBJECT : public RDB_EMBEDDED_OBJECT {
public:
    // A memory of depth words of data_width bits (all 0) addressed by address_width bits; every
    // address and data bit name is empty. The name is also the logical name. The segment may be
    // null. An array that cannot be allocated is the internal error "m_data != 0".
    RDB_MEMORY_OBJECT(const std::string& name, const std::string& original_file_name, unsigned int depth,
                      unsigned int data_width, unsigned int address_width, MEM_SEGMENT* segment);
    RDB_MEMORY_OBJECT(const RDB_MEMORY_OBJECT&) = delete;
    RDB_MEMORY_OBJECT& operator=(const RDB_MEMORY_OBJECT&) = delete;
    ~RDB_MEMORY_OBJECT() override;

    RDB_OVERRIDE_DOWNCAST(RDB_MEMORY_OBJECT)
    PDB_DECLARE_PERSISTENT(RDB_MEMORY_OBJECT)

    // visit_memory.
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;

    unsigned int get_depth() const { return m_depth; }
    unsigned int get_width() const { return m_data_width; }
    unsigned int get_address_width() const { return m_address_width; }
    std::string get_original_file_name() const { return m_original_file_name; }
    void set_original_file_name(const std::string& name) { m_original_file_name = name; }
    std::string get_logical_name() const { return m_logical_name; }
    void set_logical_name(const std::string& name) { m_logical_name = name; }

    // Bit bit_number of the word at address. Internal errors "address < m_depth" and
    // "bit_number < m_data_width".
    CDB_CAM_DATA_ENUM get_value_at(unsigned int address, unsigned int bit_number) const;
    void set_value_at(unsigned int address, unsigned int bit_number, CDB_CAM_DATA_ENUM value);
    // Internal error "bit_number < m_address_width".
    std::string get_address_name(unsigned int bit_number) const;
    void set_address_name(unsigned int bit_number, const std::string& name);
    // Internal error "bit_number < m_data_width".
    std::string get_data_name(unsigned int bit_number) const;
    void set_data_name(unsigned int bit_number, const std::string& name);

    // The contents as a text grid: eight words per line, each in binary, octal, decimal and
    // hexadecimal. Words of any width print exactly.
    void output_ascii_memory_object(std::ostream& os);

private:
    // An empty memory, for loading.
    RDB_MEMORY_OBJECT();

    unsigned int m_address_width = 0;
    unsigned int m_data_width = 0;
    unsigned int m_depth = 0;
    std::string m_original_file_name;
    std::string m_logical_name;
    std::vector<std::string> m_address_names;
    std::vector<std::string> m_data_names;
    // m_depth rows of m_data_width values.
    std::vector<std::vector<CDB_CAM_DATA_ENUM>> m_data;
};
