// The text forms of the report objects other than tables: the plain object, folders, gauges, timing
// paths, text and interactive report objects, embedded objects, memory contents and waveform displays.

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "msg/msg.h"
#include "rdb_ascii_layout.h"
#include "rdb_embedded.h"
#include "rdb_folder.h"
#include "rdb_gauges.h"
#include "rdb_message_gen.h"
#include "rdb_object.h"
#include "rdb_path.h"
#include "rdb_text.h"
#include "rdb_vocabulary.h"
#include "rdb_waveform_display.h"
#include "ver/ver.h"

namespace {

// An unsigned integer of any size, enough to print a memory word of any width exactly.
class WORD_VALUE {
public:
    // Adds value * 2^shift.
    void add_shifted(std::uint32_t value, unsigned int shift)
    {
        std::size_t limb = shift / 32;
        std::uint64_t carry = static_cast<std::uint64_t>(value) << (shift % 32);
        while (carry != 0) {
            if (limb >= m_limbs.size()) m_limbs.resize(limb + 1, 0);
            const std::uint64_t sum = static_cast<std::uint64_t>(m_limbs[limb]) + (carry & 0xFFFFFFFFu);
            m_limbs[limb] = static_cast<std::uint32_t>(sum);
            carry = (carry >> 32) + (sum >> 32);
            ++limb;
        }
    }

    // Digits in base 2^bits_per_digit (octal: 3, hexadecimal: 4), upper case, "0" for zero.
    std::string to_power_of_two_base(unsigned int bits_per_digit) const
    {
        static const char DIGITS[] = "0123456789ABCDEF";
        const std::size_t bits = m_limbs.size() * 32;
        std::string out;
        for (std::size_t position = 0; position < bits; position += bits_per_digit) {
            unsigned int digit = 0;
            for (unsigned int k = 0; k < bits_per_digit && position + k < bits; ++k)
                digit |= bit(position + k) << k;
            out += DIGITS[digit];
        }
        trim_and_reverse(out);
        return out;
    }

    std::string to_decimal() const
    {
        std::vector<std::uint32_t> limbs = m_limbs;
        std::string out;
        // Repeated division by 10^9, nine digits at a time from the least significant end.
        while (std::any_of(limbs.begin(), limbs.end(), [](std::uint32_t limb) { return limb != 0; })) {
            std::uint64_t remainder = 0;
            for (std::size_t i = limbs.size(); i-- > 0;) {
                const std::uint64_t current = (remainder << 32) | limbs[i];
                limbs[i] = static_cast<std::uint32_t>(current / 1000000000u);
                remainder = current % 1000000000u;
            }
            for (int k = 0; k < 9; ++k, remainder /= 10)
                out += static_cast<char>('0' + remainder % 10);
        }
        trim_and_reverse(out);
        return out;
    }

private:
    unsigned int bit(std::size_t position) const { return (m_limbs[position / 32] >> (position % 32)) & 1u; }

    // out holds digits least significant first: drop the leading zeros and put it in reading order.
    static void trim_and_reverse(std::string& out)
    {
        while (!out.empty() && out.back() == '0')
            out.pop_back();
        if (out.empty()) out.push_back('0');
        std::reverse(out.begin(), out.end());
    }

    std::vector<std::uint32_t> m_limbs;
};

} // namespace

// ---- RDB_OBJECT ----------------------------------------------------------------------------------

void RDB_OBJECT::output_ascii(std::ostream& os) { os << m_name << "\n"; }

// ---- RDB_FOLDER_OBJECT ---------------------------------------------------------------------------

void RDB_FOLDER_OBJECT::output_ascii(std::ostream& os)
{
    const RDB::ASCII::RENDERING rendering;
    for (RDB_OBJECT* child : *this) {
        if (child == nullptr) continue;
        child->output_ascii(os);
        os << "\n";
    }
}

// ---- RDB_GAUGES_OBJECT ---------------------------------------------------------------------------

void RDB_GAUGES_OBJECT::output_ascii(std::ostream& os)
{
    if (m_data == nullptr) return;
    for (const RDB_GAUGES_DATA_ELEMENT* data : *m_data) {
        if (data == nullptr) break;
        os << fmt::format("Name: {}   Range: {} - {}  Status: {}\n", data->name, data->m_min_range, data->m_max_range,
                          data->m_status);
    }
}

// ---- RDB_PATH_OBJECT -----------------------------------------------------------------------------

void RDB_PATH_OBJECT::output_ascii(std::ostream& os)
{
    if (!get_header().empty()) os << get_header() << "\n";
    os << get_name() << "\n" << std::string(79, '=') << "\n";
    for (RDB_OBJECT* object : sub_objects()) {
        if (object == nullptr) continue;
        object->output_ascii(os);
        os << "\n";
    }
}

// ---- RDB_TEXT_OBJECT and RDB_INTERACTIVE_REPORT_DATA_OBJECT ---------------------------------------

void RDB_TEXT_OBJECT::output_ascii(std::ostream& os)
{
    rdb_output_dashed_title_box(os, get_name());
    if (is_webkit_html() && !RDB::ASCII::switches().webkit_html_as_plain_text) {
        os << "HTML report is unavailable in plain text report export.\n";
    } else if (is_qml()) {
        os << "QML report is unavailable in plain text report export.\n";
    } else {
        if (m_text != nullptr) os << *m_text;
        os << "\n";
    }
}

void RDB_INTERACTIVE_REPORT_DATA_OBJECT::output_ascii(std::ostream& os)
{
    rdb_output_dashed_title_box(os, get_name());
    os << "This report is unavailable in plain text report export.\n";
}

// ---- RDB_EMBEDDED_OBJECT -------------------------------------------------------------------------

void RDB_EMBEDDED_OBJECT::output_ascii(std::ostream& os)
{
    output_ascii_table_header(os, static_cast<int>(get_name().size()) + 2);
    switch (m_embedded_type) {
    case EMBEDDED_OBJECT_WAVEFORM_TYPE:
        os << "Waveform report data cannot be output to ASCII.\n"
           << "Please use " << ver_get_pellam_product_name() << " to view the waveform report data.\n";
        break;
    case EMBEDDED_OBJECT_MEMORY_TYPE:
        os << "Please refer to fitter text-based report (*.fit.rpt) to view logical memory report content in "
              "ASCII.\n";
        break;
    case EMBEDDED_OBJECT_HIERARCHY_TYPE:
        output_hierarchy(os);
        break;
    case EMBEDDED_OBJECT_MESSAGES_TYPE:
        output_messages(os);
        break;
    case EMBEDDED_OBJECT_EQUATION_TYPE:
        os << "The equations can be found in " << m_info_str << ".\n";
        break;
    case EMBEDDED_OBJECT_PINOUT_TYPE:
        os << "The pin-out file can be found in " << m_info_str << ".\n";
        break;
    case EMBEDDED_OBJECT_SUPPRESSED_MESSAGES_TYPE:
        output_suppressed_messages(os);
        break;
    case EMBEDDED_OBJECT_TEXT_EDITOR_TYPE:
        os << "The file can be found in " << m_info_str << ".\n";
        break;
    case EMBEDDED_OBJECT_NO_EMBEDDED_TYPE:
    case EMBEDDED_OBJECT_TIMING_ANALYSIS_TYPE:
        break;
    }
}

void RDB_EMBEDDED_OBJECT::output_hierarchy(std::ostream&)
{
    // The hierarchy database of this suite keeps no action-point namespace, so there is never a
    // completed action-point tree to print.
    msg_local_vdebug("RDB", 2, "Action Point instance not found or incomplete.");
}

void RDB_EMBEDDED_OBJECT::output_messages(std::ostream& os)
{
    if (!RDB::ASCII::switches().messages_in_report) {
        os << "Messages disabled by INI rdb_no_msgs_in_report=on\n";
        return;
    }
    // The flow objects have no file of their own: only their additional files are listed.
    const bool has_own_file = m_info_str != RDB_FAKE_FILENAME_FOR_FLOW_MESSAGES;
    RDB_MESSAGE_GEN& generator = RDB_MESSAGE_GEN::get_message_gen();
    if (generator.is_in_session()) {
        generator.use_session();
        os << RDB_MESSAGE_GEN::MESSAGE_REF_BEGIN << "\n";
        if (has_own_file) os << get_message_file_path(m_info_str) << "\n";
        for (const std::string& file : m_message_files)
            os << get_message_file_path(file) << "\n";
        os << RDB_MESSAGE_GEN::MESSAGE_REF_END << "\n";
        return;
    }
    if (has_own_file) output_message_file(os, get_message_file_path(m_info_str), false);
    for (const std::string& file : m_message_files)
        output_message_file(os, get_message_file_path(file), false);
}

void RDB_EMBEDDED_OBJECT::output_suppressed_messages(std::ostream& os)
{
    bool generated = false;
    if (m_info_str != RDB_FAKE_FILENAME_FOR_FLOW_MESSAGES)
        generated = rdb_generate_suppressed_message_file(m_info_str.c_str(), false);
    if (!generated) {
        os << "Please use " << ver_get_pellam_product_name() << " to view the suppressed messages.\n";
        return;
    }
    os << "The suppressed messages can be found in " << rdb_get_suppressed_message_file_path(m_info_str) << ".\n";
}

// ---- RDB_MEMORY_OBJECT ---------------------------------------------------------------------------

void RDB_MEMORY_OBJECT::output_ascii_memory_object(std::ostream& os)
{
    constexpr int WORDS_PER_LINE = 8;
    os << "RAM content values are presented in the following format: "
       << "(Binary) (Octal) (Decimal) (Hexadecimal) \n";
    output_ascii_table_header(os, 258);
    const std::string pad(14, ' ');
    os << ";   Addr   ";
    for (int column = 0; column < WORDS_PER_LINE; ++column)
        os << ';' << pad << '+' << column << pad;
    os << ";\n+" << std::string(10, '-');
    for (int column = 0; column < WORDS_PER_LINE; ++column)
        os << '+' << std::string(30, '-');
    os << '+';

    for (unsigned int address = 0; address < m_depth; ++address) {
        const bool first_of_line = address % WORDS_PER_LINE == 0;
        if (first_of_line) os << "\n;" << address << ';';
        const std::vector<CDB_CAM_DATA_ENUM>& word = m_data[address];
        WORD_VALUE value;
        std::string bits;
        bits.reserve(word.size());
        for (unsigned int bit = m_data_width; bit-- > 0;) {
            const auto number = static_cast<std::uint32_t>(word[bit]);
            bits += std::to_string(number);
            value.add_shifted(number, bit);
        }
        std::string hex = value.to_power_of_two_base(4);
        if (hex.size() < 2) hex.insert(hex.begin(), '0');
        os << '(' << bits << ") (" << value.to_power_of_two_base(3) << ") (" << value.to_decimal() << ") (" << hex
           << (first_of_line ? ") " : ")") << "   ;";
    }
    os << "\n\n\n";
}

// ---- RDB_WAVEFORM_DISPLAY_OBJECT -----------------------------------------------------------------

void RDB_WAVEFORM_DISPLAY_OBJECT::output_ascii(std::ostream&)
{
    msg_local_vdebug("RDB", 2,
                     "WARNING: RDB_WAVEFORM_DISPLAY_OBJECT does not yet grok output_ascii() [My eyes! The goggles do "
                     "nothing for them!]");
}
