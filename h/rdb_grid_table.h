#pragma once
// Grid tables: a matrix whose rows and columns are headed by table cells and whose positions hold
// grid entries (counters, minimum times, total times, weak and strong flags, a category). The
// table's rule set declares the slots of an entry and turns an entry into its cell text, its legend
// (a colour pair) and the ids of the cell commands it offers. Command templates turn a cell or a
// header into a Tcl command line by substituting header texts.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "pdb/pdb.h"
#include "rdb_menu_cmd.h"
#include "rdb_object.h"
#include "rdb_rgb.h"
#include "time/big_time.h"

class RDB_TABLE_ELEMENT;

// A non-negative count that stops at 2147483647 instead of overflowing.
class RDB_GRID_TABLE_SAFE_COUNTER : public PDB_VIRTUAL_OBJECT {
public:
    static constexpr std::int32_t MAX_VALUE = 0x7FFFFFFF;

    RDB_GRID_TABLE_SAFE_COUNTER() = default;
    // A negative value is the internal error "m_value >= 0".
    explicit RDB_GRID_TABLE_SAFE_COUNTER(int value);
    RDB_GRID_TABLE_SAFE_COUNTER(const RDB_GRID_TABLE_SAFE_COUNTER&) = default;
    RDB_GRID_TABLE_SAFE_COUNTER& operator=(const RDB_GRID_TABLE_SAFE_COUNTER&) = default;
    PDB_DECLARE_PERSISTENT(RDB_GRID_TABLE_SAFE_COUNTER)

    RDB_GRID_TABLE_SAFE_COUNTER& operator++();
    RDB_GRID_TABLE_SAFE_COUNTER& operator+=(const RDB_GRID_TABLE_SAFE_COUNTER& other);
    bool operator==(const RDB_GRID_TABLE_SAFE_COUNTER& other) const { return m_value == other.m_value; }
    std::strong_ordering operator<=>(const RDB_GRID_TABLE_SAFE_COUNTER& other) const
    {
        return m_value <=> other.m_value;
    }

    int get_value() const { return m_value; }
    bool is_saturated() const { return m_value == MAX_VALUE; }
    // "%d" of the value; "> 2147483647" once saturated.
    std::string to_string() const;

private:
    std::int32_t m_value = 0;
};

// A growable sequence of bits kept in 32-bit words.
class RDB_GRID_TABLE_FLAGS {
public:
    void push_back(bool value);
    std::size_t size() const { return m_size; }
    // The bit at index; a bit beyond the end reads as clear.
    bool get(std::size_t index) const { return index < m_size && (m_words[index / 32] >> (index % 32) & 1u) != 0; }
    // index must be below size().
    void set(std::size_t index, bool value);
    bool operator==(const RDB_GRID_TABLE_FLAGS& other) const;
    // The transfer of the bit count and the words; on reading, words that do not fit the count fail.
    void transfer(PDB_SEGMENT& segment);

private:
    std::vector<std::uint32_t> m_words;
    std::size_t m_size = 0;
};

// The values collected for one grid position. Slot k of each sequence belongs to the k-th text of
// that kind in the rule set.
class RDB_GRID_TABLE_MERGEABLE_ELEMENT : public PDB_VIRTUAL_OBJECT {
public:
    RDB_GRID_TABLE_MERGEABLE_ELEMENT() = default;
    RDB_GRID_TABLE_MERGEABLE_ELEMENT(const RDB_GRID_TABLE_MERGEABLE_ELEMENT&) = default;
    RDB_GRID_TABLE_MERGEABLE_ELEMENT(RDB_GRID_TABLE_MERGEABLE_ELEMENT&&) = default;
    RDB_GRID_TABLE_MERGEABLE_ELEMENT& operator=(const RDB_GRID_TABLE_MERGEABLE_ELEMENT&) = default;
    RDB_GRID_TABLE_MERGEABLE_ELEMENT& operator=(RDB_GRID_TABLE_MERGEABLE_ELEMENT&&) = default;
    PDB_DECLARE_PERSISTENT(RDB_GRID_TABLE_MERGEABLE_ELEMENT)

    // Append one slot value, in the order of the rule set's texts of that kind.
    void add_counter(const RDB_GRID_TABLE_SAFE_COUNTER& counter) { m_counters.push_back(counter); }
    // A BIG_TIME storage number.
    void add_min_time(int min_time) { m_min_times.push_back(min_time); }
    void add_total_time(const BIG_TIME& total_time) { m_total_times.push_back(total_time); }
    void add_weak_flag(bool flag) { m_weak_flags.push_back(flag); }
    void add_strong_flag(bool flag) { m_strong_flags.push_back(flag); }
    void set_category(int category) { m_category = category; }

    // Merges other into this entry: counters add (saturating), minimum times take the smaller,
    // total times add, a weak flag stays set only when set in both, a strong flag is set when set in
    // either (a flag other lacks reads as clear), the category becomes the smaller. The counter,
    // minimum-time and total-time sequences must have equal lengths (internal errors).
    void aggregate(const RDB_GRID_TABLE_MERGEABLE_ELEMENT& other);

    const std::vector<RDB_GRID_TABLE_SAFE_COUNTER>& get_counters() const { return m_counters; }
    const std::vector<std::int32_t>& get_min_times() const { return m_min_times; }
    const std::vector<BIG_TIME>& get_total_times() const { return m_total_times; }
    const RDB_GRID_TABLE_FLAGS& get_weak_flags() const { return m_weak_flags; }
    const RDB_GRID_TABLE_FLAGS& get_strong_flags() const { return m_strong_flags; }
    int get_category() const { return m_category; }
    bool operator==(const RDB_GRID_TABLE_MERGEABLE_ELEMENT& other) const;

private:
    std::vector<RDB_GRID_TABLE_SAFE_COUNTER> m_counters;
    std::vector<std::int32_t> m_min_times;
    std::vector<BIG_TIME> m_total_times;
    RDB_GRID_TABLE_FLAGS m_weak_flags;
    RDB_GRID_TABLE_FLAGS m_strong_flags;
    std::int32_t m_category = 0;
};

// A command offered on grid cells or headers: its menu name, tooltip, help and Tcl template.
class RDB_GRID_TABLE_CMD : public PDB_VIRTUAL_OBJECT, public RDB_MENU_CMD_TEXTS {
public:
    RDB_GRID_TABLE_CMD() = default;
    RDB_GRID_TABLE_CMD(const std::string& gui_cmd_name, const std::string& tool_tip, const std::string& help,
                       const std::string& cmd_template)
        : RDB_MENU_CMD_TEXTS(gui_cmd_name, tool_tip, help, cmd_template)
    {
    }
    RDB_GRID_TABLE_CMD(const RDB_GRID_TABLE_CMD&) = default;
    RDB_GRID_TABLE_CMD(RDB_GRID_TABLE_CMD&&) = default;
    RDB_GRID_TABLE_CMD& operator=(const RDB_GRID_TABLE_CMD&) = default;
    RDB_GRID_TABLE_CMD& operator=(RDB_GRID_TABLE_CMD&&) = default;
    PDB_DECLARE_PERSISTENT(RDB_GRID_TABLE_CMD)

    // The command of a cell: every "%ROW%" becomes row, then every "%COL%" col; "%NO_REC%" is removed.
    // Inserted texts are never expanded again.
    static std::string build_cell_cmd(const std::string& cmd_template, const std::string& row, const std::string& col);
    // The command of a header: every "%VAL%" becomes value; the markers "%ROW_ONLY%", "%COL_ONLY%"
    // and "%NO_REC%" are removed.
    static std::string build_header_cmd(const std::string& cmd_template, const std::string& value);
    // False for a row header when the template holds "%COL_ONLY%", for a column header when it holds
    // "%ROW_ONLY%"; true otherwise.
    static bool does_command_belong_to_header(const std::string& cmd_template, bool is_row_header);
    // False when the template holds "%NO_REC%".
    static bool does_command_use_header_children(const std::string& cmd_template);

private:
    // Replaces every occurrence of pattern, searching on after each inserted replacement.
    static void replace_pattern_in_cmd(std::string& cmd, const std::string& pattern, const std::string& replacement);
};

// What a grid entry holds and how it is shown: named texts declare the slots (with defaults), and
// comparison rules on slot values choose the texts shown, the legend and the commands of a cell.
class RDB_GRID_TABLE_RULESET : public PDB_VIRTUAL_OBJECT {
public:
    // How a rule compares a slot value with zero.
    enum COMPARE_TYPE : std::int32_t {
        EQUAL_ZERO = 0,
        LESS_THAN_ZERO = 1,
        AT_MOST_ZERO = 2,
        GREATER_THAN_ZERO = 3,
        AT_LEAST_ZERO = 4,
        NOT_ZERO = 5,
    };
    // The kind of slot a text shows.
    enum DATA_TYPE : std::int32_t {
        COUNTER = 0,
        MIN_TIME = 1,
        TOTAL_TIME = 2,
        WEAK_FLAG = 3,
        STRONG_FLAG = 4,
    };

    // Tests the slot of the text with id index.
    struct COMPARE_RULE {
        std::uint32_t index = 0;
        COMPARE_TYPE type = EQUAL_ZERO;
        bool operator==(const COMPARE_RULE&) const = default;
        void serialize(PDB_SEGMENT& segment);
    };
    // Met when every rule is met (an empty group always is).
    using RULE_GROUP = std::vector<COMPARE_RULE>;
    // Met when no group is given or at least one group is met.
    using RULE_GROUPS = std::vector<RULE_GROUP>;

    // One declared slot. The value is printed after name with nothing between.
    struct TEXT_INFO {
        std::string name;
        std::string full_name;
        DATA_TYPE data_type = COUNTER;
        std::uint32_t index = 0; // slot within the entry's sequence of that kind
        bool show_if_default = true;
        std::vector<std::int32_t> visible_categories; // empty: all
        RULE_GROUPS compare_rule_group; // when the text appears
        void serialize(PDB_SEGMENT& segment);
    };
    struct LEGEND_INFO {
        std::string name;
        RDB_COLOR_NAME background = RDB_COLOR_DEFAULT;
        RDB_COLOR_NAME foreground = RDB_COLOR_DEFAULT;
        RULE_GROUPS compare_rule_group;
        std::int32_t category = 0; // the legend applies to entries of this category only
        void serialize(PDB_SEGMENT& segment);
    };
    struct COMMAND_INFO {
        std::vector<std::int32_t> command_ids; // ids of the table's cell command templates
        RULE_GROUPS compare_rule_group;
        std::vector<std::int32_t> categories; // empty: all
        void serialize(PDB_SEGMENT& segment);
    };

    RDB_GRID_TABLE_RULESET() = default;
    RDB_GRID_TABLE_RULESET(const RDB_GRID_TABLE_RULESET&) = default;
    RDB_GRID_TABLE_RULESET(RDB_GRID_TABLE_RULESET&&) = default;
    RDB_GRID_TABLE_RULESET& operator=(const RDB_GRID_TABLE_RULESET&) = default;
    RDB_GRID_TABLE_RULESET& operator=(RDB_GRID_TABLE_RULESET&&) = default;
    PDB_DECLARE_PERSISTENT(RDB_GRID_TABLE_RULESET)

    // Each add_* declares the next slot of its kind and answers the new text's id. A slot number
    // above 4294967295 raises boost::numeric::positive_overflow.
    std::uint32_t add_counter(const std::string& name, const std::string& full_name, bool show_if_default,
                              const std::vector<int>& visible_categories,
                              const RDB_GRID_TABLE_SAFE_COUNTER& default_value);
    std::uint32_t add_min_time(const std::string& name, const std::string& full_name, bool show_if_default,
                               const std::vector<int>& visible_categories, int default_value);
    std::uint32_t add_total_time(const std::string& name, const std::string& full_name, bool show_if_default,
                                 const std::vector<int>& visible_categories, const BIG_TIME& default_value);
    std::uint32_t add_weak_flag(const std::string& name, const std::string& full_name,
                                const std::vector<int>& visible_categories);
    std::uint32_t add_strong_flag(const std::string& name, const std::string& full_name,
                                  const std::vector<int>& visible_categories);
    // Replaces the appear rules of a text; an unknown text id is an internal error.
    void set_appear_rules(std::uint32_t text_id, const RULE_GROUPS& groups);
    // Answers the legend's id.
    std::uint32_t add_legend_info(const std::string& name, RDB_COLOR_NAME background, RDB_COLOR_NAME foreground,
                                  int category, const RULE_GROUPS& groups);
    void add_command_info(const std::vector<int>& command_ids, const RULE_GROUPS& groups,
                          const std::vector<int>& categories);
    void set_time_unit(BIG_TIME::TIME_UNIT unit) { m_time_unit = unit; }
    void set_decimal_places(int decimal_places) { m_decimal_places = decimal_places; }
    void set_default_category(int category) { m_default_category = category; }

    // Readers; an id out of range is an internal error.
    std::size_t get_num_texts() const { return m_texts.size(); }
    const std::string& get_name(std::size_t text_id) const;
    const std::string& get_full_name(std::size_t text_id) const;
    std::size_t get_num_legend_infos() const { return m_legend_infos.size(); }
    const std::string& get_legend_name(std::size_t legend_id) const;
    RDB_COLOR_NAME get_legend_background(std::size_t legend_id) const;
    RDB_COLOR_NAME get_legend_foreground(std::size_t legend_id) const;
    const std::vector<TEXT_INFO>& get_texts() const { return m_texts; }
    const std::vector<LEGEND_INFO>& get_legend_infos() const { return m_legend_infos; }
    const std::vector<COMMAND_INFO>& get_command_infos() const { return m_command_infos; }
    const std::vector<RDB_GRID_TABLE_SAFE_COUNTER>& get_counter_defaults() const { return m_counter_defaults; }
    const std::vector<std::int32_t>& get_min_time_defaults() const { return m_min_time_defaults; }
    const std::vector<BIG_TIME>& get_total_time_defaults() const { return m_total_time_defaults; }
    int get_default_category() const { return m_default_category; }
    BIG_TIME::TIME_UNIT get_time_unit() const { return m_time_unit; }
    int get_decimal_places() const { return m_decimal_places; }

    // Evaluation. A slot the entry lacks reads as the slot's default (a flag as clear); a rule that
    // names no text is an internal error.
    // The entry every slot of which holds its default, in the default category.
    RDB_GRID_TABLE_MERGEABLE_ELEMENT get_default_entry() const;
    // The first legend of the entry's category whose rules are met; internal error "No matching
    // legend type" when there is none.
    std::uint32_t get_legend_id(const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry) const;
    // The command ids of every command record that applies to the entry, in order, duplicates kept.
    std::vector<int> get_command_ids(const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry) const;
    // One line (name and value) per active text that is visible for the entry; no trailing line
    // feed. active_texts has one flag per text (internal error otherwise).
    std::string get_string(const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry, const std::vector<bool>& active_texts) const;
    std::string get_full_string(const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry) const;
    std::string get_tooltip(const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry) const { return get_full_string(entry); }

private:
    bool meets_comparison(const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry, const RULE_GROUPS& groups) const;
    bool meets_rule(const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry, const COMPARE_RULE& rule) const;
    // The value line of one text for the entry; false when the text shows nothing.
    bool get_value_text(const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry, const TEXT_INFO& text, std::string& value) const;
    std::uint32_t add_text(const std::string& name, const std::string& full_name, DATA_TYPE type, std::size_t slot,
                           bool show_if_default, const std::vector<int>& visible_categories);

    std::vector<RDB_GRID_TABLE_SAFE_COUNTER> m_counter_defaults;
    std::vector<std::int32_t> m_min_time_defaults;
    std::vector<BIG_TIME> m_total_time_defaults;
    std::uint32_t m_num_weak_flags = 0;
    std::uint32_t m_num_strong_flags = 0;
    std::vector<TEXT_INFO> m_texts;
    std::vector<LEGEND_INFO> m_legend_infos;
    std::vector<COMMAND_INFO> m_command_infos;
    std::int32_t m_default_category = 0;
    BIG_TIME::TIME_UNIT m_time_unit = BIG_TIME::AUTO;
    std::int32_t m_decimal_places = 3;
};

// The grid table object. It owns its header cells and command templates; positions without an
// entry read as the rule set's default entry.
class RDB_GRID_TABLE_OBJECT : public RDB_OBJECT {
public:
    using INDEX = std::pair<std::uint32_t, std::uint32_t>;
    struct INDEX_HASH {
        std::size_t operator()(const INDEX& index) const { return std::size_t{index.first} * 7 + index.second; }
    };
    struct ID_HASH {
        std::size_t operator()(int id) const { return static_cast<std::uint32_t>(id); }
    };
    using GRID_ENTRY_MAP = std::unordered_map<INDEX, RDB_GRID_TABLE_MERGEABLE_ELEMENT, INDEX_HASH>;
    using CELL_CMD_MAP = std::unordered_map<int, RDB_GRID_TABLE_CMD*, ID_HASH>;

    // Copies the rule set and caches its default entry.
    RDB_GRID_TABLE_OBJECT(const std::string& name, const std::string& row_label, const std::string& column_label,
                          const RDB_GRID_TABLE_RULESET& ruleset, const std::string& valid_collections);
    RDB_GRID_TABLE_OBJECT(const RDB_GRID_TABLE_OBJECT&) = delete;
    RDB_GRID_TABLE_OBJECT& operator=(const RDB_GRID_TABLE_OBJECT&) = delete;
    // Deletes the headers and every command.
    ~RDB_GRID_TABLE_OBJECT() override;

    PDB_DECLARE_PERSISTENT(RDB_GRID_TABLE_OBJECT)
    const void* pdb_this_ptr() const override { return this; }
    RDB_OVERRIDE_DOWNCAST(RDB_GRID_TABLE_OBJECT)
    RDB_OBJECT_TYPE get_type() const override;
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;
    // Header text, the boxed grid with the axis captions in its corner (or "<name>: nothing to
    // report" without rows or columns), then the footer text.
    void output_ascii(std::ostream& os) override;
    void output_html(std::ostream& os) override;

    // Append a header and take ownership; null is an internal error.
    void add_row_header(RDB_TABLE_ELEMENT* row);
    void add_column_header(RDB_TABLE_ELEMENT* column);
    // The header cell; an index out of range is an internal error.
    const RDB_TABLE_ELEMENT* get_row_header(std::size_t row) const;
    const RDB_TABLE_ELEMENT* get_column_header(std::size_t column) const;
    const std::vector<RDB_TABLE_ELEMENT*>& get_row_headers() const { return m_row_headers; }
    const std::vector<RDB_TABLE_ELEMENT*>& get_column_headers() const { return m_column_headers; }
    std::size_t get_number_of_rows() const { return m_row_headers.size(); }
    std::size_t get_number_of_columns() const { return m_column_headers.size(); }

    // Appends and takes ownership; null is an internal error.
    void add_header_cmd_template(RDB_GRID_TABLE_CMD* cmd);
    const std::vector<RDB_GRID_TABLE_CMD*>& get_header_cmds() const { return m_header_cmds; }
    // Takes ownership of cmd (null is the internal error "cmd != nullptr"). When id is present already
    // the stored command stays and cmd is deleted (unless it is the stored command itself).
    void add_cell_cmd_template(int id, RDB_GRID_TABLE_CMD* cmd);
    // The command, or null.
    const RDB_GRID_TABLE_CMD* get_cell_cmd_template(int id) const;
    const CELL_CMD_MAP& get_cell_cmds() const { return m_cell_cmd_map; }
    // The rule set's command ids for the cell's entry; empty when both indices are out of range.
    std::vector<int> get_cell_cmd_templates_for_cell(std::size_t row, std::size_t col) const;

    // Stores a copy of entry at (row, col), replacing any; internal error unless is_index_in_bounds.
    void set_grid_entry(std::size_t row, std::size_t col, const RDB_GRID_TABLE_MERGEABLE_ELEMENT& entry);
    // The stored entry, else the cached default entry; null when not is_index_in_bounds.
    const RDB_GRID_TABLE_MERGEABLE_ELEMENT* get_grid_entry(std::size_t row, std::size_t col) const;
    // True when row is below the row count or col below the column count (either suffices).
    bool is_index_in_bounds(std::size_t row, std::size_t col) const;
    // The 32-bit index pair; an index above 4294967295 raises boost::numeric::positive_overflow.
    static INDEX make_index(std::size_t row, std::size_t col);

    const RDB_GRID_TABLE_RULESET& get_ruleset() const { return m_ruleset; }
    const GRID_ENTRY_MAP& get_grid_entries() const { return m_grid_entries; }
    const RDB_GRID_TABLE_MERGEABLE_ELEMENT& get_cached_default_entry() const { return m_default_entry; }
    const std::string& get_row_label() const { return m_row_label; }
    const std::string& get_column_label() const { return m_column_label; }
    const std::string& get_valid_collections() const { return m_valid_collections; }
    void use_monospace_font(bool on) { m_use_monospace_font = on; }
    bool using_monospace_font() const { return m_use_monospace_font; }

protected:
    // The stored entry or the default entry, without the bounds test.
    const RDB_GRID_TABLE_MERGEABLE_ELEMENT* get_grid_entry_without_bounds_check(std::size_t row, std::size_t col) const;

private:
    RDB_GRID_TABLE_OBJECT(); // for loading

    RDB_GRID_TABLE_RULESET m_ruleset;
    std::vector<RDB_TABLE_ELEMENT*> m_row_headers;
    std::vector<RDB_TABLE_ELEMENT*> m_column_headers;
    std::vector<RDB_GRID_TABLE_CMD*> m_header_cmds;
    CELL_CMD_MAP m_cell_cmd_map;
    GRID_ENTRY_MAP m_grid_entries;
    std::string m_row_label;
    std::string m_column_label;
    std::string m_valid_collections;
    bool m_use_monospace_font = false;
    RDB_GRID_TABLE_MERGEABLE_ELEMENT m_default_entry;
};
