#pragma once
// The JSON panels of a report for the browser-based report viewer: a folder of numbered files 1.json,
// 2.json, ..., one per shown object (its "panel"), and last the table of contents; each file is an
// object with a "title" and a "data" member. The same contents are also given one at a time.

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "hier/hdb_name_mgr.h"

class KTL_REGEXP;
class RDB_OBJECT;
class RDB_FOLDER_OBJECT;
class RDB_TABLE_OBJECT;
class RDB_EMBEDDED_OBJECT;

// Which panels are written: off, every panel; on, the panels whose path is one of the names or
// matches one of the regular expressions. A panel path is the names from the main folder down to the
// panel joined by "||"; the filter judges leaves only (a folder is shown when a child is shown).
class RDB_PANEL_FILTER {
public:
    bool is_on() const { return m_on; }
    void set_on(bool on) { m_on = on; }
    // Adds an exact panel path; false when it is already there.
    bool add_name(const std::string& panel_path);
    bool has_name(const std::string& panel_path) const { return m_names.count(panel_path) != 0; }
    // Adds an expression that compiled (is_pattern_valid(), internal error "matcher->is_pattern_valid()").
    void add_regexp(std::shared_ptr<const KTL_REGEXP> matcher);
    std::size_t get_regexp_count() const { return m_regexps.size(); }
    // True when the filter is off, or the path is one of the names or matches an expression.
    bool accepts(const std::string& panel_path) const;

private:
    // h = h ^ ((h << 5) + (h >> 2) + c) over the signed bytes c of the text.
    struct NAME_HASH {
        std::size_t operator()(const std::string& text) const;
    };

    bool m_on = false;
    std::unordered_set<std::string, NAME_HASH> m_names;
    std::vector<std::shared_ptr<const KTL_REGEXP>> m_regexps;
};

class RDB_REPORT_GEN_JSON {
public:
    // At most this many rows of a table (below its header row) go into a panel.
    static constexpr unsigned int s_max_json_rows = 1000;
    // The fixed panel set: exact panel paths, and regular expressions (starting with '^').
    static const std::vector<std::string> s_dse_panel_names;

    // root (not owned) is the report's main folder; panel paths start below it. directory is where
    // the files go (made when missing); null gives the current directory.
    RDB_REPORT_GEN_JSON(RDB_OBJECT* root, char const* directory);

    // Writes the panels the project settings select (project_panel_filter), then the table of
    // contents; was_written() tells the outcome.
    void write_json_report_files();
    // Makes the directory, removes the numbered files of an earlier run, writes every panel the filter
    // accepts and the table of contents last, each file atomically. False (with a debug line) when the
    // directory or a file cannot be made; the files are then incomplete and the table of contents is
    // missing, so no viewer takes them for a whole set.
    bool write_json_report_files(const RDB_PANEL_FILTER& filter);
    // True when the last write made every file.
    bool was_written() const { return m_written; }
    // The number of files the last write made (the table of contents included).
    unsigned int get_file_count() const { return m_file_counter; }

    // {"children": [...]} of the folder at path report below the root (the root itself when empty),
    // or {"error": ...} when there is no such folder.
    nlohmann::json get_json_toc(std::string const& report);
    // The content of the panel at that path, an {"error": ...} when it cannot be made.
    nlohmann::json get_json_panel(std::string const& panel_path);

    // The filter the project settings ask for: off without a name manager or without option 173;
    // else the fixed panel set and the names of option 174.
    static RDB_PANEL_FILTER project_panel_filter();
    // Adds the panel names held in the options to the filter: '/' separates names; a text starting
    // with '^' is a regular expression, skipped with a debug line when it does not compile. Returns
    // the number of names and expressions added. A null option is the internal error "str_op".
    static int enable_report_panel_from_acf(std::list<HDB_DERIVED_OPTION<2, 0>*>* options, RDB_PANEL_FILTER* filter);

protected:
    // One shown object of the table of contents: its own object, so that the writing pass never looks
    // a panel up by its path (names may repeat among siblings or hold "||").
    struct TOC_ENTRY {
        RDB_OBJECT* object = nullptr;
        std::string panel_path;
        std::vector<TOC_ENTRY> children;
    };

    // The shown entries below folder (prefix is the folder's panel path). ancestors holds the first
    // child of every folder being listed, so that a link folder leading back to one of them is empty.
    static std::vector<TOC_ENTRY> toc_entries(const RDB_FOLDER_OBJECT& folder, const std::string& prefix,
                                              const RDB_PANEL_FILTER& filter,
                                              std::vector<const RDB_OBJECT*>& ancestors);
    // The JSON form of entries: "name" and "children", or the leaf members.
    static nlohmann::json toc_json(const std::vector<TOC_ENTRY>& entries);
    // Writes one panel file per leaf below entries and prefixes the leaf icons of toc (the JSON form of
    // entries) with the viewer's site path; false when a file cannot be written.
    bool output_json_report_panel(const std::vector<TOC_ENTRY>& entries, nlohmann::json& toc);
    // The content of the panel at that path, looked up below the root.
    nlohmann::json output_json_report_panel_content(const std::string& panel_path);
    // The content of one panel object.
    static nlohmann::json output_json_report_panel_content(RDB_OBJECT* object);
    // {"data": rows}: at most s_max_json_rows rows of cell texts, HTML-escaped, U+00B0 as "&deg;".
    static nlohmann::json output_json_for_table_object(const RDB_TABLE_OBJECT& table);
    // {"messages": [...]} of the message files an embedded message object names.
    static nlohmann::json output_json_for_messages(const RDB_EMBEDDED_OBJECT& embedded);
    // Writes json as the next numbered file; false (with a debug line) when it cannot be written.
    bool write_json_report_panel(const nlohmann::json& json);
    // Prefixes every "icon" of the "messages" array of content, nested ones too, with the site path.
    static void report_message_icon_adjustment(nlohmann::json& content);

private:
    // Removes the numbered files (<k>.json) an earlier run left in the directory.
    bool remove_numbered_files() const;

    RDB_OBJECT* m_root = nullptr;
    std::string m_directory;
    unsigned int m_file_counter = 0;
    bool m_written = false;
};
