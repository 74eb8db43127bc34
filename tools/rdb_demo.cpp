// The demo compilation report: a made-up video pixel pipeline compiled for a made-up device.

#include "rdb_demo.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "gen/flow_names.h"
#include "gen/gen_project.h"
#include "msg/msg_file.h"
#include "rdb_chart.h"
#include "rdb_embedded.h"
#include "rdb_folder.h"
#include "rdb_gauges.h"
#include "rdb_histogram.h"
#include "rdb_grid_table.h"
#include "rdb_path.h"
#include "rdb_report.h"
#include "rdb_table_element.h"
#include "rdb_table_sys.h"
#include "rdb_utility.h"
#include "rdb_tcl_table.h"
#include "rdb_text.h"
#include "rdb_vocabulary.h"
#include "rdb_waveform_display.h"
#include "ver/ver.h"

namespace {

const std::string TOP = RDB_DEMO_REVISION;
const std::string FAMILY = "Nova 40";
const std::string DEVICE = "NV40K-BGA256-2";

// Device capacity.
constexpr std::uint64_t DEVICE_LUTS = 40000;
constexpr std::uint64_t DEVICE_REGISTERS = 80000;
constexpr std::uint64_t DEVICE_MEMORY_BITS = 4194304;
constexpr std::uint64_t DEVICE_DSP = 112;
constexpr std::uint64_t DEVICE_PINS = 256;

// A small linear congruential generator: the same numbers on every platform and run.
class DEMO_RANDOM {
public:
    explicit DEMO_RANDOM(std::uint64_t start) : m_state(start) {}
    // A number in [low, high].
    std::uint64_t between(std::uint64_t low, std::uint64_t high)
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return low + (m_state >> 33) % (high - low + 1);
    }

private:
    std::uint64_t m_state;
};

std::string with_commas(std::uint64_t value)
{
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

// "used / available ( p % )".
std::string usage(std::uint64_t used, std::uint64_t available)
{
    const std::uint64_t percent = available == 0 ? 0 : (used * 100 + available / 2) / available;
    return with_commas(used) + " / " + with_commas(available) + " ( " + std::to_string(percent) + " % )";
}

std::string fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string duration(std::uint64_t seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", static_cast<unsigned>(seconds / 3600),
                  static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60));
    return text;
}

template <class OBJECT> OBJECT* add(RDB_FOLDER_OBJECT& folder, std::unique_ptr<OBJECT> object)
{
    OBJECT* raw = object.get();
    folder.push_back(std::move(object));
    return raw;
}

// Each table of the demo has a name of its own in its folder.
RDB_TABLE_OBJECT* add_table(RDB_FOLDER_OBJECT& folder, const std::string& name, const std::vector<std::string>& heading)
{
    RDB_TABLE_OBJECT* table = rdb_create_unique_table(&folder, name);
    if (table == nullptr) throw std::logic_error("the demo names two tables '" + name + "'");
    table->add_row(rdb_create_row(heading));
    return table;
}

void add_row(RDB_TABLE_OBJECT& table, const std::vector<std::string>& cells) { table.add_row(rdb_create_row(cells)); }

RDB_SUMMARY_TABLE_OBJECT* add_summary(RDB_FOLDER_OBJECT& folder, const std::string& name,
                                      const std::vector<std::pair<std::string, std::string>>& rows)
{
    RDB_SUMMARY_TABLE_OBJECT* summary = rdb_create_summary_object(name);
    if (!rdb_check_and_add_object_to_folder(&folder, summary, true))
        throw std::logic_error("the demo names two summaries '" + name + "'");
    for (const auto& [label, value] : rows)
        rdb_set_summary_data(summary, label, value);
    return summary;
}

RDB_FOLDER_OBJECT* add_stage_folder(RDB_FOLDER_OBJECT& parent, const std::string& name)
{
    RDB_FOLDER_OBJECT* folder = rdb_get_folder_by_name(&parent, name, true);
    folder->set_is_stage_folder(true);
    return folder;
}

void add_note(RDB_FOLDER_OBJECT& folder, const std::string& name, const std::string& text)
{
    add(folder, std::make_unique<RDB_TEXT_OBJECT>(name))->set_text(text);
}

// ---- The design hierarchy --------------------------------------------------------------------------

struct RESOURCES {
    std::uint64_t luts = 0;
    std::uint64_t registers = 0;
    std::uint64_t memory_bits = 0;
    std::uint64_t dsp = 0;
    std::uint64_t pins = 0;

    RESOURCES& operator+=(const RESOURCES& other)
    {
        luts += other.luts;
        registers += other.registers;
        memory_bits += other.memory_bits;
        dsp += other.dsp;
        pins += other.pins;
        return *this;
    }
};

struct INSTANCE {
    std::string entity;
    std::string name; // the instance name; the top's is the design name
    RESOURCES own;
    RESOURCES total;
    std::vector<INSTANCE> children;
};

class HIERARCHY_BUILDER {
public:
    HIERARCHY_BUILDER() : m_random(0x5eed2024) {}

    INSTANCE build()
    {
        INSTANCE top = leaf(TOP, TOP, 40, 120, 0, 0);
        top.own.pins = 97;
        INSTANCE& video_in = add(top, leaf("video_in", "vin", 180, 260, 0, 0));
        add(video_in, leaf("sync_detect", "sd", 60, 48, 0, 0));
        add(video_in, leaf("pixel_fifo", "fifo", 45, 70, 16384, 0));
        for (int i = 0; i < 8; ++i) {
            INSTANCE& buffer = add(top, leaf("line_buffer", "lb" + std::to_string(i), 30, 40, 0, 0));
            add(buffer, leaf("dual_port_ram", "mem", 12, 8, 61440, 0));
            add(buffer, leaf("addr_gen", "ag", 48, 36, 0, 0));
        }
        INSTANCE& filter = add(top, leaf("filter_core", "fir", 220, 300, 0, 0));
        for (int tap = 0; tap < 64; ++tap) {
            INSTANCE& unit = add(filter, leaf("tap_unit", "tap" + std::to_string(tap), 20, 34, 0, 0));
            add(unit, leaf("mac_unit", "mac", 64, 72, 0, tap % 2 == 0 ? 1 : 0));
            if (tap % 2 == 0) add(unit, leaf("coef_rom", "rom", 6, 12, 384, 0));
        }
        INSTANCE& resampler = add(top, leaf("échantillonneur", "resampler", 150, 190, 0, 0));
        for (int phase = 0; phase < 12; ++phase) {
            INSTANCE& unit = add(resampler, leaf("phase_acc", "pa" + std::to_string(phase), 28, 32, 0, 0));
            add(unit, leaf("interp_Δ", "delta", 52, 40, 0, 1));
            add(unit, leaf("phase_lut", "lut", 10, 4, 1024, 0));
        }
        INSTANCE& color = add(top, leaf("color_space", "csc", 90, 110, 0, 0));
        INSTANCE& matrix = add(color, leaf("matrix_mul", "mm", 40, 60, 0, 0));
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col) {
                const std::string cell = std::to_string(row) + std::to_string(col);
                INSTANCE& unit = add(matrix, leaf("mult_cell", "m" + cell, 16, 24, 0, 1));
                add(unit, leaf("saturate", "sat", 22, 18, 0, 0));
                add(unit, leaf("round_half_even", "rnd", 18, 10, 0, 0));
            }
        INSTANCE& carry = add(top, leaf("übertrag_ctrl", "carry", 30, 20, 0, 0));
        for (int i = 0; i < 16; ++i)
            add(carry, leaf("übertrag_zelle", "z" + std::to_string(i), 8, 4, 0, 0));
        INSTANCE& dma = add(top, leaf("dma_engine", "dma", 310, 420, 0, 0));
        for (int port = 0; port < 12; ++port) {
            INSTANCE& unit = add(dma, leaf("axi_port", "p" + std::to_string(port), 70, 90, 0, 0));
            add(unit, leaf("burst_ctrl", "bc", 55, 61, 0, 0));
            add(unit, leaf("port_fifo", "fifo", 20, 30, 8192, 0));
        }
        INSTANCE& debug = add(top, leaf("uart_debug", "dbg", 85, 96, 0, 0));
        add(debug, leaf("baud_gen", "baud", 14, 18, 0, 0));
        add(top, leaf("pll_wrap", "pll", 4, 6, 0, 0));
        sum(top);
        return top;
    }

private:
    // An instance whose resources vary around the given figures.
    INSTANCE leaf(const std::string& entity, const std::string& name, std::uint64_t luts, std::uint64_t registers,
                  std::uint64_t memory_bits, std::uint64_t dsp)
    {
        INSTANCE instance;
        instance.entity = entity;
        instance.name = name;
        instance.own.luts = luts + m_random.between(0, luts / 2);
        instance.own.registers = registers + m_random.between(0, registers / 2);
        instance.own.memory_bits = memory_bits;
        instance.own.dsp = dsp;
        return instance;
    }
    static INSTANCE& add(INSTANCE& parent, INSTANCE child)
    {
        parent.children.push_back(std::move(child));
        return parent.children.back();
    }
    static void sum(INSTANCE& instance)
    {
        instance.total = instance.own;
        for (INSTANCE& child : instance.children) {
            sum(child);
            instance.total += child.total;
        }
    }

    DEMO_RANDOM m_random;
};

// "total (own)" as resource tables show a hierarchy node.
std::string total_and_own(std::uint64_t total, std::uint64_t own)
{
    return with_commas(total) + " (" + with_commas(own) + ")";
}

void add_hierarchy_rows(RDB_TABLE_OBJECT& table, const INSTANCE& instance, const std::string& parent_path, int depth,
                        bool fitted, int& instance_id)
{
    const std::string path = parent_path.empty() ? instance.name : parent_path + "|" + instance.name;
    std::vector<std::string> row = {std::string(static_cast<std::size_t>(3 * depth), ' ') + instance.name,
                                    total_and_own(instance.total.luts, instance.own.luts),
                                    total_and_own(instance.total.registers, instance.own.registers),
                                    with_commas(instance.total.memory_bits),
                                    with_commas(instance.total.dsp),
                                    with_commas(instance.total.pins),
                                    path,
                                    instance.entity};
    row.push_back(fitted ? std::to_string(instance_id++) : std::string("work"));
    add_row(table, row);
    for (const INSTANCE& child : instance.children)
        add_hierarchy_rows(table, child, path, depth + 1, fitted, instance_id);
}

// Resource use per instance; the last column (library or instance id) is hidden.
void add_resource_table(RDB_FOLDER_OBJECT& folder, const std::string& name, const INSTANCE& top, bool fitted)
{
    RDB_TABLE_OBJECT* table =
        add_table(folder, name,
                  {"Instance", fitted ? "LUTs" : "LUTs (estimated)", "Registers", "Memory Bits", "DSP Blocks", "Pins",
                   "Instance Path", "Module", fitted ? "Instance Id" : "Library Name"});
    int instance_id = 1;
    add_hierarchy_rows(*table, top, "", 0, fitted, instance_id);
    table->hide_column(8);
    table->set_footer("Figures in parentheses count an instance's own resources; the others include its "
                      "sub-instances.");
}

// Every instance path of the hierarchy that holds memory bits.
void collect_memories(const INSTANCE& instance, const std::string& parent_path,
                      std::vector<std::pair<std::string, std::uint64_t>>& memories)
{
    const std::string path = parent_path.empty() ? instance.name : parent_path + "|" + instance.name;
    if (instance.own.memory_bits > 0) memories.emplace_back(path, instance.own.memory_bits);
    for (const INSTANCE& child : instance.children)
        collect_memories(child, path, memories);
}

// ---- Message files ---------------------------------------------------------------------------------

MSG_FILE_MESSAGE message(MSG_FILE_MESSAGE_TYPE type, int id, const std::string& text,
                         const std::string& source_file = std::string(), std::vector<MSG_FILE_MESSAGE> subs = {})
{
    MSG_FILE_MESSAGE result;
    result.type = type;
    result.id = id;
    result.text = text;
    result.source_file = source_file;
    result.sub_messages = std::move(subs);
    return result;
}

MSG_FILE_MESSAGE info(int id, const std::string& text, std::vector<MSG_FILE_MESSAGE> subs = {})
{
    return message(MSG_FILE_MESSAGE_TYPE::INFO, id, text, std::string(), std::move(subs));
}

MSG_FILE_MESSAGE suppressed(MSG_FILE_MESSAGE m)
{
    m.flags |= MSG_FILE_MESSAGE::SUPPRESSED_FLAG;
    return m;
}

std::string product_line(const std::string& program)
{
    return std::string(ver_get_pellam_product_name()) + " " + program + ", " + ver_get_full_version(1);
}

std::vector<MSG_FILE_MESSAGE> synthesis_messages()
{
    using T = MSG_FILE_MESSAGE_TYPE;
    std::vector<MSG_FILE_MESSAGE> messages = {
        info(3001, product_line("Synthesis"), {info(3002, "Started on 2 processors")}),
        info(3100, "Read 9 source files holding 14 modules",
             {info(3101, "rtl/pixel_pipe.sv: module pixel_pipe"), info(3101, "rtl/filter_core.sv: module filter_core"),
              info(3101, "rtl/resampler.sv: module échantillonneur")}),
        message(T::WARNING, 3210, "rtl/line_buffer.sv:88: 32-bit value cut to 11 bits in the assignment to rd_addr",
                "rtl/line_buffer.sv"),
        message(T::WARNING, 3210, "rtl/line_buffer.sv:102: 32-bit value cut to 11 bits in the assignment to wr_addr",
                "rtl/line_buffer.sv"),
        message(T::WARNING, 3215, "rtl/dma_engine.sv:214: signal burst_pending is written but never read",
                "rtl/dma_engine.sv"),
        message(T::WARNING, 3230, "1 output is driven by a constant", std::string(),
                {message(T::WARNING, 3231, "dbg_led[3] is tied to 0")}),
        info(3300, "Mapped memories and multipliers onto device blocks",
             {info(3301, "lb0|mem: block RAM, 2,560 x 24"), info(3301, "fir|tap0|rom: ROM, 32 x 12")}),
        suppressed(info(3310, "Removed 3 registers that drive nothing")),
        suppressed(
            message(T::WARNING, 3220, "rtl/uart_debug.sv:51: rx_shadow is held by a latch", "rtl/uart_debug.sv")),
        info(3900, "Synthesis finished: 0 errors, 4 warnings"),
    };
    return messages;
}

std::vector<MSG_FILE_MESSAGE> fitter_messages(const std::string& phase, DEMO_RANDOM& random)
{
    std::vector<MSG_FILE_MESSAGE> messages = {
        info(4001, "Fitter " + phase + " started"),
        info(4002, "Fitter " + phase + " finished in " + duration(random.between(3, 90)),
             {info(4003, "Peak memory " + with_commas(random.between(1800, 2600)) + " MB")}),
        suppressed(info(4010, "Routing uses " + std::to_string(random.between(8, 30)) + "% of the wires")),
    };
    return messages;
}

std::vector<MSG_FILE_MESSAGE> timing_messages()
{
    using T = MSG_FILE_MESSAGE_TYPE;
    return {
        info(5001, product_line("Timing Analyzer")),
        info(5010, "Read the timing constraints in constraints/pixel_pipe.sdc"),
        message(T::WARNING, 5020, "dbg|baud|tick is used as a clock but has no clock constraint", std::string(),
                {info(5021, "It clocks dbg|rx_state")}),
        info(5100, "Setup slack of the slowest path: 0.412 ns",
             {info(5101, "clk_pix: 0.412 ns, total negative slack 0.000 ns")}),
        info(5101, "Hold slack of the fastest path: 0.105 ns"),
        suppressed(info(5110, "No asynchronous reset paths to analyse")),
        info(5900, "Timing Analyzer finished: 0 errors, 1 warning"),
    };
}

std::vector<MSG_FILE_MESSAGE> assembler_messages()
{
    return {
        info(6001, product_line("Assembler")),
        info(6010, "Writing the programming file output_files/pixel_pipe.bit"),
        info(6900, "Assembler finished: 0 errors, 0 warnings"),
    };
}

const std::vector<std::string>& fitter_phases()
{
    static const std::vector<std::string> phases = {"plan", "place", "route"};
    return phases;
}

std::string message_file_name(const std::string& key) { return TOP + "." + key + ".msg"; }

// ---- Report sections ---------------------------------------------------------------------------------

struct DESIGN {
    INSTANCE top;
    DEMO_RANDOM random{20240611};
};

int percent_of(std::uint64_t used, std::uint64_t available)
{
    return static_cast<int>((used * 100 + available / 2) / available);
}

void add_flow_sections(RDB_FOLDER_OBJECT& main, DESIGN& design, const std::string& date_and_time)
{
    const RESOURCES& total = design.top.total;
    add(main, std::make_unique<RDB_LEGAL_OBJECT>(RDB_LEGAL_NOTICE_NAME));

    RDB_SUMMARY_TABLE_OBJECT* summary =
        add_summary(main, RDB_FLOW_SUMMARY_NAME,
                    {{"Status", "Successful (" + date_and_time + ")"},
                     {"Program", std::string(ver_get_pellam_product_name()) + " " + ver_get_full_version(1)},
                     {RDB_REVISION_NAME, TOP},
                     {"Top Module", TOP},
                     {"Family", FAMILY},
                     {RDB_DEVICE, DEVICE},
                     {"LUTs", usage(total.luts, DEVICE_LUTS)},
                     {"Registers", with_commas(total.registers)},
                     {"Pins", usage(total.pins, DEVICE_PINS)},
                     {"Memory bits", usage(total.memory_bits, DEVICE_MEMORY_BITS)},
                     {"DSP blocks", usage(total.dsp, DEVICE_DSP)},
                     {"PLLs", usage(1, 4)}});
    // A gauges object of no slots: each gauge set is appended, so the stored form holds just these four.
    summary->set_gauges(new RDB_GAUGES_OBJECT("Flow Summary Gauges", 0));
    rdb_set_summary_gauge(summary, "LUTs", percent_of(total.luts, DEVICE_LUTS), 100);
    rdb_set_summary_gauge(summary, "Pins", percent_of(total.pins, DEVICE_PINS), 100);
    rdb_set_summary_gauge(summary, "Memory bits", percent_of(total.memory_bits, DEVICE_MEMORY_BITS), 100);
    rdb_set_summary_gauge(summary, "DSP blocks", percent_of(total.dsp, DEVICE_DSP), 100);

    RDB_TABLE_OBJECT* settings = add_table(main, RDB_FLOW_SETTINGS_NAME, {RDB_TBLHDR_OPTION, RDB_TBLHDR_SETTING});
    for (const std::vector<std::string>& row :
         std::vector<std::vector<std::string>>{{RDB_TIMESTAMP_VAL, date_and_time},
                                               {RDB_MAIN_TASK_VAL, RDB_COMPILER_VAL},
                                               {RDB_REVISION_NAME, TOP},
                                               {"Top Module", TOP},
                                               {"Family", FAMILY},
                                               {RDB_DEVICE, DEVICE},
                                               {"Optimisation goal", "Speed"},
                                               {"Placement start point", "1"},
                                               {"Processors", "2"}})
        add_row(*settings, row);

    RDB_TABLE_OBJECT* changed =
        add_table(main, "Flow Changed Settings", {"Setting", "Value", RDB_TBLHDR_DEFAULT_VALUE, "Applies To"});
    add_row(*changed, {"optimisation_goal", "speed", "balanced", "whole design"});
    add_row(*changed, {"timing_constraints", "constraints/pixel_pipe.sdc", "--", "whole design"});
    add_row(*changed, {"macros", "PIXELS_PER_LINE=1920\nLINES_PER_FRAME=1080", "--", "whole design"});
    add_row(*changed, {"keep_hierarchy", "on", "off", "filter_core"});

    RDB_TABLE_OBJECT* elapsed =
        add_table(main, RDB_FLOW_ELAPSED_TIME_NAME,
                  {RDB_MODULE_NAME_HDR, RDB_ELAPSED_TIME_HDR, "CPU Time", "Processors", "Peak Memory"});
    std::uint64_t total_seconds = 0;
    std::uint64_t total_cpu = 0;
    for (const char* module : {FLOW_SYNTHESIS_NAME, FLOW_FITTER_NAME, FLOW_TIMING_ANALYZER_NAME, FLOW_ASSEMBLER_NAME}) {
        const std::uint64_t seconds = design.random.between(8, 240);
        const std::uint64_t cpu = seconds + design.random.between(0, seconds);
        total_seconds += seconds;
        total_cpu += cpu;
        add_row(*elapsed, {module, duration(seconds), duration(cpu),
                           fixed(static_cast<double>(cpu) / static_cast<double>(seconds), 1),
                           with_commas(design.random.between(900, 2600)) + " MB"});
    }
    add_row(*elapsed, {RDB_TOTAL, duration(total_seconds), duration(total_cpu), "--", "--"});
}

void add_stage_messages(RDB_FOLDER_OBJECT& main, RDB_FOLDER_OBJECT& stage, const std::string& stage_name,
                        const std::string& key)
{
    rdb_add_messages(main, stage, stage_name, TOP, key, message_file_name(key), true);
    RDB_EMBEDDED_OBJECT& suppressed_object = rdb_get_message_object(stage, stage_name, message_file_name(key), true);
    suppressed_object.set_info_str(message_file_name(key));
}

// Every instance path of the hierarchy that holds memory bits.
std::vector<std::pair<std::string, std::uint64_t>> memories_of(const INSTANCE& top)
{
    std::vector<std::pair<std::string, std::uint64_t>> memories;
    collect_memories(top, "", memories);
    return memories;
}

void add_synthesis(RDB_FOLDER_OBJECT& main, DESIGN& design)
{
    RDB_FOLDER_OBJECT* stage = add_stage_folder(main, FLOW_SYNTHESIS_NAME);
    const RESOURCES& total = design.top.total;
    add_summary(*stage, "Synthesis Summary",
                {{"Status", "Successful"},
                 {RDB_REVISION_NAME, TOP},
                 {"Top Module", TOP},
                 {"Family", FAMILY},
                 {"LUTs (estimated)", with_commas(total.luts + total.luts / 20)},
                 {"Registers", with_commas(total.registers + 32)},
                 {"Pins", with_commas(total.pins)},
                 {"Memory bits", with_commas(total.memory_bits)},
                 {"DSP blocks", with_commas(total.dsp)}});

    RDB_TABLE_OBJECT* settings = add_table(*stage, RDB_SYNTHESIS_SETTING_TABLE_NAME,
                                           {RDB_TBLHDR_OPTION, RDB_TBLHDR_SETTING, RDB_TBLHDR_DEFAULT_VALUE});
    for (const std::vector<std::string>& row :
         std::vector<std::vector<std::string>>{{"Top module", TOP, "--"},
                                               {"Language", "SystemVerilog 2017", "Verilog 2001"},
                                               {"Optimisation goal", "Speed", "Balanced"},
                                               {"State machine encoding", "One-hot", RDB_VAL_AUTO},
                                               {"Infer memories", RDB_VAL_ON, RDB_VAL_ON},
                                               {"Map multipliers to DSP blocks", RDB_VAL_ON, RDB_VAL_ON},
                                               {"Merge equivalent registers", RDB_VAL_ON, RDB_VAL_ON},
                                               {"Keep hierarchy", "filter_core only", RDB_VAL_OFF},
                                               {"Register retiming", RDB_VAL_OFF, RDB_VAL_OFF},
                                               {"Resource sharing", RDB_VAL_AUTO, RDB_VAL_AUTO},
                                               {"Maximum fan-out", "500", RDB_VAL_NONE}})
        add_row(*settings, row);

    RDB_TABLE_OBJECT* sources =
        add_table(*stage, "Synthesis Source Files", {"File", "Used", "Kind", RDB_SYNTH_ABSOLUTE_FILE_NAME, "Library"});
    const std::string project = gen_get_project_directory();
    for (const char* file :
         {"rtl/pixel_pipe.sv", "rtl/video_in.sv", "rtl/line_buffer.sv", "rtl/filter_core.sv", "rtl/resampler.sv",
          "rtl/color_space.sv", "rtl/übertrag_ctrl.sv", "rtl/dma_engine.sv", "rtl/uart_debug.sv"})
        add_row(*sources, {file, "yes", "SystemVerilog", project + "/" + file, "work"});
    add_row(*sources, {"constraints/pixel_pipe.sdc", "yes", "Timing constraints\n(read by timing analysis)",
                       project + "/constraints/pixel_pipe.sdc", "--"});
    sources->hide_column(3);

    add_resource_table(*stage, "Synthesis Resource Use by Instance", design.top, false);
    add_note(*stage, "Synthesis Notes",
             "The design was read from 9 SystemVerilog files. " + std::to_string(memories_of(design.top).size()) +
                 " memories were inferred from the\ndescription and " + std::to_string(total.dsp) +
                 " multipliers were mapped onto DSP blocks. Module names keep the\nspelling of the source files "
                 "(échantillonneur, übertrag_ctrl, interp_Δ).");
    add_stage_messages(main, *stage, FLOW_SYNTHESIS_NAME, "map");
    if (RDB_OBJECT* warnings = stage->find_object(std::string(FLOW_SYNTHESIS_NAME) + " " + RDB_WARNING_MESSAGES_STR))
        if (RDB_FOLDER_OBJECT* folder = warnings->dynamic_cast_to_RDB_FOLDER_OBJECT())
            folder->set_is_stage_folder(true);
}

std::unique_ptr<RDB_MEMORY_OBJECT> make_coefficient_rom()
{
    constexpr unsigned depth = 32;
    constexpr unsigned width = 12;
    auto rom = std::make_unique<RDB_MEMORY_OBJECT>("Memory Contents: pixel_pipe|fir|tap0|rom", "coef_rom0.hex", depth,
                                                   width, 5, nullptr);
    for (unsigned bit = 0; bit < 5; ++bit)
        rom->set_address_name(bit, "addr[" + std::to_string(bit) + "]");
    for (unsigned bit = 0; bit < width; ++bit)
        rom->set_data_name(bit, "q[" + std::to_string(bit) + "]");
    // A Hann-windowed sinc, scaled to 11 bits.
    const double pi = std::acos(-1.0);
    for (unsigned address = 0; address < depth; ++address) {
        const double x = (static_cast<double>(address) - 15.5) / 4.0;
        const double sinc = std::sin(pi * x) / (pi * x);
        const double window = 0.5 - 0.5 * std::cos(2.0 * pi * address / (depth - 1));
        const auto value = static_cast<unsigned>(std::lround(std::fabs(sinc * window) * 2047.0));
        for (unsigned bit = 0; bit < width; ++bit)
            rom->set_value_at(address, bit, (value >> bit) & 1u ? CDB_CAM_DATA_ONE : CDB_CAM_DATA_ZERO);
    }
    return rom;
}

void add_pins(RDB_FOLDER_OBJECT& section, DESIGN& design)
{
    const std::vector<std::string> heading = {"Name", "Pin", "Bank", "Standard", "Drive", "Placed By"};
    RDB_TABLE_OBJECT* inputs = add_table(section, "Input Pins", heading);
    RDB_TABLE_OBJECT* outputs = add_table(section, "Output Pins", heading);
    std::vector<std::pair<std::string, bool>> pins = {
        {"clk_pix", true}, {"clk_sys", true}, {"rst_n", true}, {"uart_rx", true}, {"uart_tx", false}};
    for (int i = 0; i < 24; ++i)
        pins.emplace_back("pix_in[" + std::to_string(i) + "]", true);
    for (int i = 0; i < 24; ++i)
        pins.emplace_back("pix_out[" + std::to_string(i) + "]", false);
    for (int i = 0; i < 4; ++i)
        pins.emplace_back("dbg_led[" + std::to_string(i) + "]", false);
    for (const auto& [name, input] : pins) {
        const std::uint64_t bank = design.random.between(1, 8);
        const std::string pin = std::string(1, static_cast<char>('A' + design.random.between(0, 15))) +
                                std::to_string(design.random.between(1, 16));
        add_row(input ? *inputs : *outputs, {name, pin, std::to_string(bank), bank > 6 ? "LVCMOS18" : "LVCMOS33",
                                             input ? "--" : "8 mA", name.rfind("clk", 0) == 0 ? "User" : "Fitter"});
    }
}

// Resource use by type as a bar chart, and routing use per device region as a heat map that marks
// the regions above 80 %.
void add_fitter_charts(RDB_FOLDER_OBJECT& section, const RESOURCES& total)
{
    RDB_CHART_TABLE_OBJECT* chart =
        add(section, std::make_unique<RDB_CHART_TABLE_OBJECT>("Fitter Resource Usage by Type", 5));
    chart->set_x_axis(RDB_TBLHDR_RESOURCE);
    chart->set_y_axis("Used (%)");
    chart->add_row("LUTs", percent_of(total.luts, DEVICE_LUTS));
    chart->add_row("Registers", percent_of(total.registers, DEVICE_REGISTERS));
    chart->add_row("Memory bits", percent_of(total.memory_bits, DEVICE_MEMORY_BITS));
    chart->add_row("DSP blocks", percent_of(total.dsp, DEVICE_DSP));
    chart->add_row("Pins", percent_of(total.pins, DEVICE_PINS));

    RDB_HEATMAP_TABLE_OBJECT* heatmap =
        add(section, std::make_unique<RDB_HEATMAP_TABLE_OBJECT>("Fitter Routing Utilization by Region (%)"));
    heatmap->set_threshold_percentage(80);
    heatmap->add_row(rdb_create_row({"Region", "X0", "X1", "X2", "X3"}));
    DEMO_RANDOM random(0x40a7);
    for (int y = 3; y >= 0; --y) {
        auto* row = new RDB_TABLE_ROW{new RDB_TABLE_STRING_ELEMENT("Y" + std::to_string(y))};
        for (int x = 0; x < 4; ++x) {
            // Busiest in the middle of the device, where the filter core is placed.
            const int middle = (x == 1 || x == 2) + (y == 1 || y == 2);
            row->push_back(new RDB_TABLE_INT_ELEMENT(35 + 20 * middle + static_cast<int>(random.between(0, 12))));
        }
        heatmap->add_row(row);
    }
}

// The I/O banks as a master table whose rows select a detail table each: the pins placed in the bank.
void add_bank_usage(RDB_FOLDER_OBJECT& section)
{
    auto* banks = add(section, std::make_unique<RDB_MASTER_DETAIL_OBJECT>("I/O Bank Usage"));
    banks->set_is_stage_folder(true);
    RDB_TABLE_OBJECT* master = add_table(*banks, "I/O Banks", {"Bank", "Used", "Available", "VCCIO"});
    banks->add_master_table(master);
    struct BANK {
        const char* name;
        const char* vccio;
        std::vector<std::string> pins;
    };
    const BANK rows[] = {{"2", "3.3V", {"clk_pix", "rst_n", "uart_rx", "uart_tx"}},
                         {"5", "3.3V", {"pix_in[0]", "pix_in[1]", "pix_out[0]"}},
                         {"7", "1.8V", {"dbg_led[0]", "dbg_led[1]"}}};
    for (const BANK& bank : rows) {
        add_row(*master, {bank.name, std::to_string(bank.pins.size()), "48", bank.vccio});
        RDB_TABLE_OBJECT* detail = add_table(*banks, std::string("Bank ") + bank.name + " Pins", {"Pin Name"});
        for (const std::string& pin : bank.pins)
            add_row(*detail, {pin});
        banks->add_detail_object(detail);
    }
}

void add_fitter(RDB_FOLDER_OBJECT& main, DESIGN& design)
{
    RDB_FOLDER_OBJECT* stage = add_stage_folder(main, FLOW_FITTER_NAME);
    const RESOURCES& total = design.top.total;
    add_summary(*stage, "Fitter Summary",
                {{"Status", "Successful"},
                 {RDB_REVISION_NAME, TOP},
                 {"Top Module", TOP},
                 {"Family", FAMILY},
                 {RDB_DEVICE, DEVICE},
                 {"LUTs", usage(total.luts, DEVICE_LUTS)},
                 {"Registers", usage(total.registers, DEVICE_REGISTERS)},
                 {"Pins", usage(total.pins, DEVICE_PINS)},
                 {"Memory bits", usage(total.memory_bits, DEVICE_MEMORY_BITS)},
                 {"DSP blocks", usage(total.dsp, DEVICE_DSP)}});

    RDB_TABLE_OBJECT* settings =
        add_table(*stage, "Fitter Settings", {RDB_TBLHDR_OPTION, RDB_TBLHDR_SETTING, RDB_TBLHDR_DEFAULT_VALUE});
    for (const std::vector<std::string>& row :
         std::vector<std::vector<std::string>>{{RDB_DEVICE, DEVICE, "--"},
                                               {"Placement effort", "High", "Normal"},
                                               {"Routing effort", "Normal", "Normal"},
                                               {"Repair hold violations", RDB_VAL_ON, RDB_VAL_ON},
                                               {"Duplicate high fan-out registers", RDB_VAL_ON, RDB_VAL_OFF},
                                               {"Placement start point", "1", "1"},
                                               {"Unused pins", "Pulled low", "Floating"}})
        add_row(*settings, row);

    RDB_FOLDER_OBJECT* section = add_stage_folder(*stage, RDB_RESOURCE_SECTION);
    RDB_TABLE_OBJECT* usage_table =
        add_table(*section, "Fitter Resource Usage", {RDB_TBLHDR_RESOURCE, RDB_TBLHDR_USAGE, "%"});
    const auto percent = [](std::uint64_t used, std::uint64_t available) {
        return std::to_string(percent_of(used, available)) + " %";
    };
    add_row(*usage_table,
            {"LUTs", with_commas(total.luts) + " / " + with_commas(DEVICE_LUTS), percent(total.luts, DEVICE_LUTS)});
    add_row(*usage_table, {"    for logic\n    for routing only", with_commas(total.luts - 311) + "\n311", ""});
    add_row(*usage_table, {"Registers", with_commas(total.registers), percent(total.registers, DEVICE_REGISTERS)});
    add_row(*usage_table, {"Pins", with_commas(total.pins), percent(total.pins, DEVICE_PINS)});
    add_row(*usage_table,
            {"Memory bits", with_commas(total.memory_bits), percent(total.memory_bits, DEVICE_MEMORY_BITS)});
    add_row(*usage_table, {"DSP blocks", with_commas(total.dsp), percent(total.dsp, DEVICE_DSP)});
    add_row(*usage_table, {"PLLs", "1", "25 %"});
    add_row(*usage_table, {"Highest fan-out", "clk_pix (" + with_commas(total.registers / 2) + " loads)", ""});

    add_fitter_charts(*section, total);
    add_resource_table(*section, "Fitter Resource Use by Instance", design.top, true);
    add_pins(*section, design);
    add_bank_usage(*section);
    // The floorplan is drawn by the viewer from its data; text reports name it only.
    add(*section, std::make_unique<RDB_INTERACTIVE_REPORT_DATA_OBJECT>("Floorplan View", "{\"regions\": 4}", "json",
                                                                       "floorplan"));

    RDB_TABLE_OBJECT* rams = add_table(*section, "Fitter Memory Summary",
                                       {"Instance Path", "Kind", "Ports", "Depth", "Width", "Bits", "Notes"});
    for (const auto& [path, bits] : memories_of(design.top)) {
        const bool rom = path.find("|rom") != std::string::npos || path.find("|lut") != std::string::npos;
        const std::uint64_t width = rom ? 12 : 24;
        add_row(*rams, {path, rom ? "ROM" : "Block RAM", rom ? "1 read" : "1 read, 1 write", with_commas(bits / width),
                        std::to_string(width), with_commas(bits),
                        rom ? "Contents from\ncoef_rom0.hex" : "Reads during a write\nsee the old data"});
    }
    section->push_back(make_coefficient_rom());

    for (const std::string& phase : fitter_phases())
        rdb_add_fitter_stage(phase);
    add_stage_messages(main, *stage, FLOW_FITTER_NAME, "fit");
}

// The worst setup paths, with commands a viewer offers for a row: a launch clock is left out for
// paths from input ports, and the locate command widens the destination to its whole bus.
void add_worst_setup_paths(RDB_FOLDER_OBJECT& stage)
{
    RDB_TCL_TABLE_OBJECT* paths =
        add(stage, std::unique_ptr<RDB_TCL_TABLE_OBJECT>(rdb_create_rdb_tcl_table("Worst Setup Paths")));
    paths->add_row(rdb_create_row({"Slack (ns)", "From Node", "To Node", "Launch Clock", "Latch Clock", "Exception"}));
    const std::vector<std::vector<std::string>> rows = {
        {"0.212", "fir|tap12|mac|acc[17]", "fir|tap13|mac|acc[17]", "clk_pix", "clk_pix", ""},
        {"0.248", "vid_in[3]", "pix|line_buf|wr_data[3]", "", "clk_pix", ""},
        {"0.305", "dma|desc|addr[9]", "dma|fifo|wr_addr[9]", "clk_dma", "clk_sys", "multicycle 2"},
        {"0.377", "pix|gamma|lut_out[7]", "vid_out[7]", "clk_pix", "", "output delay"},
    };
    for (const auto& row : rows)
        add_row(*paths, row);
    paths->add_cmd_template(rdb_create_rdb_tcl_table_cmd_template(
        "Report Timing", "Reports this path in detail", "",
        "report_timing -setup -from {%COL_1%} -to {%COL_2%}< -from_clock %COL_3%>< -to_clock %COL_4%> -npaths 1", -1,
        -1));
    paths->add_cmd_template(rdb_create_rdb_tcl_table_cmd_template("Locate Destination Bus",
                                                                  "Shows every bit of the destination bus", "",
                                                                  "locate_node {%COL_2/\\[\\d+\\]$/[*]/%}", 2, -1));
    paths->add_cmd_template(rdb_create_rdb_tcl_table_cmd_template(
        "Report Exceptions", "Lists the timing exceptions on this path", "",
        "report_exceptions -from {%COL_1%} -to {%COL_2%}< -type {%COL_5%}>", 5, -1));
    paths->set_show_tcl_commands_on_context_menu(true);
    paths->set_footer("Right-click a row for its commands, for example: " + paths->build_cmd(0, 2) + "; " +
                      paths->build_cmd(1, 1));
}

// The setup slack of the clk_pix paths in bins of 100 ps, each bin split by the clock that launches
// its paths.
void add_slack_histogram(RDB_FOLDER_OBJECT& stage)
{
    RDB_HISTOGRAM_TABLE_OBJECT* histogram =
        add(stage, std::make_unique<RDB_HISTOGRAM_TABLE_OBJECT>("Setup Slack Histogram (clk_pix)", "Slack", "Paths",
                                                                "ns", 1000));
    histogram->add_row(rdb_create_row({"From (ps)", "To (ps)", "Paths"}));
    histogram->add_partition_names({"clk_pix", "clk_sys", "clk_dma"});
    DEMO_RANDOM random(0x51ac);
    for (int bin = 0; bin < 12; ++bin) {
        const int from = 400 + 100 * bin;
        // Most paths have about 1 ns of slack.
        const int peak = std::max(0, 6 - std::abs(bin - 6));
        std::vector<int> paths;
        for (int clock = 0; clock < 3; ++clock)
            paths.push_back(peak * (3 - clock) * 9 + static_cast<int>(random.between(0, 6)));
        histogram->add_row(from, from + 100, paths[0] + paths[1] + paths[2],
                           from < 600 ? RDB_COLOR_DARK_ORANGE : RDB_COLOR_GREEN);
        histogram->add_partition_for_row(paths, -1);
    }
}

// The grid of clock transfers: per source and destination clock the number of paths, the worst
// slack, whether every path is constrained and whether any crosses unrelated clocks. Category 1 is
// a transfer between related clocks, 2 between unrelated ones; pairs without paths keep category 0.
void add_clock_transfers(RDB_FOLDER_OBJECT& stage)
{
    using RULESET = RDB_GRID_TABLE_RULESET;
    RULESET rules;
    rules.set_time_unit(BIG_TIME::NS);
    const std::uint32_t paths =
        rules.add_counter("Paths: ", "Number of paths", false, {}, RDB_GRID_TABLE_SAFE_COUNTER(0));
    const std::uint32_t slack = rules.add_min_time("Worst slack: ", "Worst slack (ns)", false, {}, 0x7FFFFFFF);
    rules.add_weak_flag("Fully constrained", "Every path is constrained", {1});
    rules.add_strong_flag("Unsafe", "Some path crosses unrelated clocks", {2});
    rules.add_legend_info("No paths", RDB_COLOR_DEFAULT, RDB_COLOR_DEFAULT, 0, {});
    rules.add_legend_info("Failing", RDB_COLOR_LIGHT_RED, RDB_COLOR_BLACK, 1, {{{slack, RULESET::LESS_THAN_ZERO}}});
    rules.add_legend_info("Passing", RDB_COLOR_LIGHT_GREEN, RDB_COLOR_BLACK, 1, {});
    rules.add_legend_info("Unrelated clocks", RDB_COLOR_ORANGE, RDB_COLOR_BLACK, 2, {});
    rules.add_command_info({1}, {{{paths, RULESET::GREATER_THAN_ZERO}}}, {});
    rules.add_command_info({2}, {}, {2});

    RDB_GRID_TABLE_OBJECT* grid =
        add(stage, std::make_unique<RDB_GRID_TABLE_OBJECT>("Clock Transfers", "Source Clock", "Destination Clock",
                                                           rules, "clocks"));
    grid->set_footer("Worst slack is the setup slack of the slow corner.");
    const std::pair<const char*, const char*> clocks[] = {
        {"clk_pix", "148.50 MHz"}, {"clk_sys", "200.00 MHz"}, {"clk_dma", "250.00 MHz"}};
    for (const auto& [clock, frequency] : clocks) {
        grid->add_row_header(new RDB_TABLE_STRING_ELEMENT(clock));
        auto* column = new RDB_TABLE_STRING_ELEMENT(std::string(clock) + "\n(" + frequency + ")");
        column->set_tooltip(frequency);
        grid->add_column_header(column);
    }
    grid->add_header_cmd_template(new RDB_GRID_TABLE_CMD("Report Clock", "Report the clock",
                                                         "Reports the clock's settings", "report_clock {%VAL%}"));
    grid->add_header_cmd_template(new RDB_GRID_TABLE_CMD("Report Sources", "Report the source clock's targets", "",
                                                         "report_clock_targets {%VAL%} %ROW_ONLY%%NO_REC%"));
    grid->add_cell_cmd_template(1, new RDB_GRID_TABLE_CMD("Report Timing", "Report the worst paths", "",
                                                          "report_timing -from_clock {%ROW%} -to_clock {%COL%}"));
    grid->add_cell_cmd_template(2, new RDB_GRID_TABLE_CMD("Report Crossing", "Report the unsafe crossing", "",
                                                          "report_clock_crossing -from {%ROW%} -to {%COL%}"));

    // Per transfer two groups of paths (register to register, and through I/O), merged into one entry.
    struct TRANSFER {
        int from;
        int to;
        int category;
        int paths[2];
        int slack_ps[2];
        bool constrained[2];
    };
    const TRANSFER transfers[] = {
        {0, 0, 1, {1470, 12}, {412, 930}, {true, true}},     {0, 1, 2, {10, 2}, {-135, 220}, {true, false}},
        {1, 0, 2, {8, 0}, {87, 0x7FFFFFFF}, {true, true}},   {1, 1, 1, {2196, 14}, {655, 1210}, {true, true}},
        {1, 2, 1, {64, 0}, {-48, 0x7FFFFFFF}, {true, true}}, {2, 1, 1, {60, 4}, {233, 870}, {true, true}},
        {2, 2, 1, {918, 12}, {301, 1544}, {true, true}},
    };
    for (const TRANSFER& transfer : transfers) {
        RDB_GRID_TABLE_MERGEABLE_ELEMENT merged;
        for (int group = 0; group < 2; ++group) {
            RDB_GRID_TABLE_MERGEABLE_ELEMENT entry;
            entry.add_counter(RDB_GRID_TABLE_SAFE_COUNTER(transfer.paths[group]));
            entry.add_min_time(transfer.slack_ps[group]);
            entry.add_weak_flag(transfer.constrained[group]);
            entry.add_strong_flag(transfer.category == 2);
            entry.set_category(transfer.category);
            if (group == 0)
                merged = entry;
            else
                merged.aggregate(entry);
        }
        grid->set_grid_entry(transfer.from, transfer.to, merged);
    }
}

// ---- Worst-case timing paths ------------------------------------------------------------------------

struct DEMO_PATH {
    const char* from;
    const char* to;
    int clock_delay_ps; // launch clock network delay
    std::vector<std::pair<const char*, int>> cells; // data path elements and their delays
    int required_ps; // data required time
};

std::string ns(int ps) { return fixed(ps / 1000.0, 3); }

RDB_TABLE_OBJECT* make_table(const std::string& name, const std::vector<std::vector<std::string>>& rows)
{
    auto* table = new RDB_TABLE_OBJECT(name);
    for (const auto& cells : rows)
        table->add_row(rdb_create_row(cells));
    return table;
}

// The launch and latch clock edges, the data arriving in between, the slack as an arrow to the latch
// edge and a label at the launch edge.
RDB_WAVEFORM_DISPLAY_OBJECT* make_path_waveform(int period_ps, int arrival_ps, int required_ps)
{
    auto* display = new RDB_WAVEFORM_DISPLAY_OBJECT("Waveform");
    auto clock = [period_ps](const char* label, int begin) {
        auto* waveform = new RDB_WAVEFORM_ELEMENT(period_ps, begin);
        waveform->set_label(label);
        waveform->add_event(RDB_WAVEFORM_EVENT(0, RDB_WAVEFORM_EVENT::RISING_EDGE));
        waveform->add_event(RDB_WAVEFORM_EVENT(period_ps / 2, RDB_WAVEFORM_EVENT::FALLING_EDGE));
        return waveform;
    };
    display->add_waveform(clock("Launch Clock (clk_pix)", 0));
    display->add_waveform(clock("Latch Clock (clk_pix)", period_ps));
    auto* data = new RDB_WAVEFORM_ELEMENT();
    data->set_label("Data Arrival");
    data->add_event(RDB_WAVEFORM_EVENT(arrival_ps, RDB_WAVEFORM_EVENT::DATA_TRANSITION));
    display->add_waveform(data);
    auto* slack = new RDB_ARROW_ELEMENT("Slack " + ns(required_ps - arrival_ps), 2, arrival_ps, 1, required_ps);
    slack->get_properties().set_style(RDB_ARROW_PROPERTIES::SHADED_STYLE);
    slack->get_properties().set_color(required_ps < arrival_ps ? RDB_COLOR_RED : RDB_COLOR_GREEN);
    display->add_arrow(slack);
    display->add_label(new RDB_LABEL_ELEMENT("Launch", 0, 0));
    return display;
}

void add_worst_case_paths(RDB_FOLDER_OBJECT& stage)
{
    constexpr int PERIOD_PS = 6734;
    const DEMO_PATH paths[] = {
        {"fir|tap12|mac|acc[7]",
         "fir|tap13|mac|acc[8]",
         1842,
         {{"fir|tap12|mac|acc[7]|q", 245}, {"fir|tap12|mac|add~3|combout", 1960}, {"fir|tap13|mac|acc[8]|d", 2865}},
         6792},
        {"dma|rd_ptr[3]",
         "dma|fifo|ram~12|portbaddr",
         1751,
         {{"dma|rd_ptr[3]|q", 231}, {"dma|fifo|addr_mux~5|combout", 2214}, {"dma|fifo|ram~12|portbaddr", 2106}},
         6790},
        {"scaler|coef[2]",
         "scaler|mult0|dataa[2]",
         1802,
         {{"scaler|coef[2]|q", 238}, {"scaler|coef_sel~1|combout", 1547}, {"scaler|mult0|dataa[2]", 2658}},
         6788},
    };

    auto* folder = new RDB_PATH_FOLDER_OBJECT("Worst-Case Paths");
    folder->set_is_stage_folder(true); // a section of its own in the table of contents
    stage.add_object_to_list(folder);
    RDB_TABLE_OBJECT* summary =
        make_table("Path Summary", {{"Path", "Slack (ns)", "From Node", "To Node", "Launch Clock", "Latch Clock"}});
    folder->add_object_to_list(summary);
    folder->set_path_summary_table(summary);

    for (std::size_t i = 0; i < std::size(paths); ++i) {
        const DEMO_PATH& demo = paths[i];
        int arrival = demo.clock_delay_ps;
        std::vector<std::vector<std::string>> arrival_rows = {{"Total (ns)", "Incr (ns)", "Type", "Element"},
                                                              {"0.000", "0.000", "", "launch edge time"},
                                                              {ns(arrival), ns(arrival), "clock", "clock path"}};
        for (const auto& [element, delay] : demo.cells) {
            arrival += delay;
            arrival_rows.push_back({ns(arrival), ns(delay), "cell", element});
        }
        const int slack = demo.required_ps - arrival;
        const std::string name = "Path " + std::to_string(i + 1);
        add_row(*summary, {name, ns(slack), demo.from, demo.to, "clk_pix", "clk_pix"});

        auto* path = new RDB_PATH_OBJECT(name);
        path->set_slack(slack);
        path->set_header("Setup slack " + ns(slack) + " ns from " + demo.from + " to " + demo.to +
                         (path->path_is_violated() ? " (VIOLATED)" : ""));
        path->set_gen_arrival_loc_path_str(demo.from);
        path->set_gen_required_loc_path_str(demo.to);
        path->set_summary_table(make_table("Summary", {{"Property", "Value"},
                                                       {"Slack", ns(slack) + " ns"},
                                                       {"From Node", demo.from},
                                                       {"To Node", demo.to},
                                                       {"Launch Clock", "clk_pix (rise)"},
                                                       {"Latch Clock", "clk_pix (rise)"},
                                                       {"Data Arrival Time", ns(arrival)},
                                                       {"Data Required Time", ns(demo.required_ps)}}));
        path->set_data_arrival_table(make_table("Data Arrival Path", arrival_rows));
        const int latch_clock = demo.required_ps + 95; // the register's setup time is 95 ps
        path->set_data_required_table(make_table(
            "Data Required Path", {{"Total (ns)", "Incr (ns)", "Type", "Element"},
                                   {ns(PERIOD_PS), ns(PERIOD_PS), "", "latch edge time"},
                                   {ns(latch_clock), ns(latch_clock - PERIOD_PS), "clock", "clock path"},
                                   {ns(demo.required_ps), ns(demo.required_ps - latch_clock), "setup", demo.to}}));
        auto* notes = new RDB_TEXT_OBJECT("Path Notes");
        notes->set_text(slack < 0 ? "The data arrives after the latch edge: retime or pipeline the adder."
                                  : "The path meets its setup requirement.");
        path->set_idb_text(notes);
        path->set_waveform(make_path_waveform(PERIOD_PS, arrival, demo.required_ps));
        folder->add_object_to_list(path);
    }
    folder->create_path_id_table();
}

// The setup slack of every clock at each operating corner, one table per corner.
void add_corner_summary(RDB_FOLDER_OBJECT& stage)
{
    auto* corners = add(stage, std::make_unique<RDB_MULTI_CORNER_FOLDER_OBJECT>("Multicorner Timing Analysis Summary"));
    corners->set_is_stage_folder(true);
    const std::pair<const char*, std::vector<const char*>> models[] = {
        {"Slow 85C Model Setup Summary", {"0.212", "1.084", "0.655"}},
        {"Fast 0C Model Setup Summary", {"2.391", "2.733", "1.902"}}};
    for (const auto& [name, slacks] : models) {
        RDB_TABLE_OBJECT* table = add_table(*corners, name, {"Clock", "Slack (ns)"});
        add_row(*table, {"clk_pix", slacks[0]});
        add_row(*table, {"clk_sys", slacks[1]});
        add_row(*table, {"clk_dma", slacks[2]});
    }
}

void add_timing(RDB_FOLDER_OBJECT& main, DESIGN& design)
{
    RDB_FOLDER_OBJECT* stage = add_stage_folder(main, FLOW_TIMING_ANALYZER_NAME);
    add_summary(*stage, "Timing Analyzer Summary",
                {{"Status", "Successful"},
                 {RDB_REVISION_NAME, TOP},
                 {RDB_DEVICE, DEVICE},
                 {"Corners analysed", "slow 85 C\nfast 0 C"}});

    struct CLOCK {
        const char* name;
        double period;
        const char* targets;
    };
    const CLOCK clocks[] = {
        {"clk_pix", 6.734, "clk_pix"}, {"clk_sys", 5.000, "clk_sys"}, {"clk_dma", 4.000, "pll|out[0]\npll|out[1]"}};
    RDB_TABLE_OBJECT* clock_table = add_table(*stage, RDB_CLK_SUMMARY_TBL,
                                              {"Clock", "Kind", "Period (ns)", "Frequency", "Rise", "Fall", "Sources"});
    RDB_TABLE_OBJECT* fmax = add_table(*stage, "Maximum Frequencies", {"Clock", "Achieved", "Usable", "Note"});
    RDB_TABLE_OBJECT* setup =
        add_table(*stage, RDB_SLACK_SETUP_SUMMARY_TBL, {"Clock", "Slack (ns)", "Total Negative Slack"});
    RDB_TABLE_OBJECT* hold =
        add_table(*stage, RDB_SLACK_HOLD_SUMMARY_TBL, {"Clock", "Slack (ns)", "Total Negative Slack"});
    for (const CLOCK& clock : clocks) {
        add_row(*clock_table, {clock.name, "Primary", fixed(clock.period, 3), fixed(1000.0 / clock.period, 2) + " MHz",
                               "0.000", fixed(clock.period / 2, 3), clock.targets});
        const double slack = static_cast<double>(design.random.between(200, 1400)) / 1000.0;
        const double achieved = 1000.0 / (clock.period - slack);
        add_row(*fmax, {clock.name, fixed(achieved, 2) + " MHz", fixed(std::min(achieved, 500.0), 2) + " MHz",
                        achieved > 500.0 ? "limited by the clock network" : ""});
        add_row(*setup, {clock.name, fixed(slack, 3), "0.000"});
        add_row(*hold, {clock.name, fixed(static_cast<double>(design.random.between(60, 400)) / 1000.0, 3), "0.000"});
    }

    RDB_TABLE_OBJECT* paths = add_table(*stage, "Slowest Paths (clk_pix)",
                                        {"Slack (ns)", "From", "To", "Launch Clock", "Capture Clock", "Delay (ns)"});
    for (int i = 0; i < 20; ++i) {
        const std::uint64_t tap = design.random.between(0, 63);
        const double slack = 0.412 + 0.021 * i;
        add_row(*paths,
                {fixed(slack, 3),
                 "fir|tap" + std::to_string(tap) + "|mac|acc[" + std::to_string(design.random.between(0, 31)) + "]",
                 "fir|tap" + std::to_string((tap + 1) % 64) + "|mac|acc[" +
                     std::to_string(design.random.between(0, 31)) + "]",
                 "clk_pix", "clk_pix", fixed(6.734 - slack - 0.1, 3)});
    }
    add_worst_setup_paths(*stage);
    add_slack_histogram(*stage);
    add_clock_transfers(*stage);
    add_worst_case_paths(*stage);
    add_corner_summary(*stage);
    add_stage_messages(main, *stage, FLOW_TIMING_ANALYZER_NAME, "sta");
}

void add_assembler(RDB_FOLDER_OBJECT& main)
{
    RDB_FOLDER_OBJECT* stage = add_stage_folder(main, FLOW_ASSEMBLER_NAME);
    add_summary(*stage, "Assembler Summary",
                {{"Status", "Successful"}, {RDB_REVISION_NAME, TOP}, {RDB_DEVICE, DEVICE}});
    RDB_TABLE_OBJECT* settings =
        add_table(*stage, "Assembler Settings", {RDB_TBLHDR_OPTION, RDB_TBLHDR_SETTING, RDB_TBLHDR_DEFAULT_VALUE});
    add_row(*settings, {"Compress the bitstream", RDB_VAL_ON, RDB_VAL_OFF});
    add_row(*settings, {"Encrypt the bitstream", RDB_VAL_OFF, RDB_VAL_OFF});
    add_row(*settings, {"Write a checksum file", RDB_VAL_ON, RDB_VAL_OFF});
    RDB_TABLE_OBJECT* files = add_table(*stage, "Assembler Output Files", {"File"});
    add_row(*files, {"output_files/" + TOP + ".bit"});
    add_row(*files, {"output_files/" + TOP + ".chk"});
    RDB_TABLE_OBJECT* options =
        add_table(*stage, "Bitstream: output_files/" + TOP + ".bit", {RDB_TBLHDR_OPTION, RDB_TBLHDR_SETTING});
    add_row(*options, {"User code", "0x00C0FFEE"});
    add_row(*options, {"Checksum", "0x4A61F0B3"});
    add_note(*stage, "Assembler Notes", "The programming file holds one compressed bitstream of 3,118,492 bits.");
    add_stage_messages(main, *stage, FLOW_ASSEMBLER_NAME, "asm");
}

} // namespace

std::vector<std::string> rdb_demo_write_message_files(const std::string& db_dir, std::string& error)
{
    DEMO_RANDOM random(77);
    std::vector<std::pair<std::string, std::vector<MSG_FILE_MESSAGE>>> files = {
        {message_file_name("map"), synthesis_messages()},
        {message_file_name("fit"), fitter_messages("preparation", random)},
        {message_file_name("sta"), timing_messages()},
        {message_file_name("asm"), assembler_messages()},
    };
    for (const std::string& phase : fitter_phases())
        files.emplace_back(TOP + ".fit." + phase, fitter_messages(phase, random));
    std::vector<std::string> written;
    for (const auto& [name, messages] : files) {
        const std::string path = db_dir + "/" + name;
        if (!msg_write_message_file(path, messages)) {
            error = "cannot write the message file '" + path + "'";
            return {};
        }
        written.push_back(path);
    }
    return written;
}

std::unique_ptr<RDB_REPORT> rdb_demo_build_report(const std::string& date_and_time)
{
    DESIGN design;
    design.top = HIERARCHY_BUILDER().build();
    auto report = std::make_unique<RDB_REPORT>();
    RDB_FOLDER_OBJECT& main = report->get_main_folder_r();
    main.set_name("Compilation Report");
    add_flow_sections(main, design, date_and_time);
    add_synthesis(main, design);
    add_fitter(main, design);
    add_timing(main, design);
    add_assembler(main);
    return report;
}
