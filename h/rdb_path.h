#pragma once
// Timing paths: RDB_PATH_OBJECT groups what a timing report shows for one path (its slack, optional
// sub-tables, a waveform diagram, a text and three location strings); RDB_PATH_FOLDER_OBJECT is a
// folder of paths with a summary table, an option summary panel and a table from path ids to paths.

#include <array>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "rdb_folder.h"
#include "rdb_object.h"

class RDB_TABLE_OBJECT;
class RDB_TEXT_OBJECT;
class RDB_WAVEFORM_DISPLAY_OBJECT;

class RDB_PATH_OBJECT : public RDB_OBJECT {
public:
    explicit RDB_PATH_OBJECT(const std::string& name);
    RDB_PATH_OBJECT(const RDB_PATH_OBJECT&) = delete;
    RDB_PATH_OBJECT& operator=(const RDB_PATH_OBJECT&) = delete;
    // Deletes every sub-object.
    ~RDB_PATH_OBJECT() override;

    RDB_OVERRIDE_DOWNCAST(RDB_PATH_OBJECT)
    PDB_DECLARE_PERSISTENT(RDB_PATH_OBJECT)
    RDB_OBJECT_TYPE get_type() const override;
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;
    // The header (when not empty), the name, a rule of 79 "=", then each sub-object that is set
    // (summary, optimizations analyzed, recommendations, critical chain, path statistics, extra
    // information, internal negative cycle, data arrival, data required, idb text) followed by a line
    // break. The waveform is not written.
    void output_ascii(std::ostream& os) override;
    void output_html(std::ostream& os) override;
    // No keys of its own: each part that is set fills the object in turn (summary, critical chain, extra
    // information, data arrival, data required tables, then the idb text), a later part's keys replacing
    // an earlier one's.
    void fill_json_object(nlohmann::json* object) override;

    int get_slack() const { return m_slack; }
    void set_slack(int slack) { m_slack = slack; }
    bool get_highlight_violations() const { return m_highlight_violations; }
    void set_highlight_violations(bool on) { m_highlight_violations = on; }
    // Highlighting is on and the slack is negative.
    bool path_is_violated() const { return m_highlight_violations && m_slack < 0; }

    // Sub-object setters take ownership of an object outside any folder (internal error
    // "object->get_ownership_status() == NOT_OWNED") that no other role of this path holds (internal
    // error "!holds(object)"), and delete the object they replace unless it is the same. Null clears
    // the role.
    void set_summary_table(RDB_TABLE_OBJECT* table);
    RDB_TABLE_OBJECT* get_summary_table() const { return m_summary; }
    void set_data_arrival_table(RDB_TABLE_OBJECT* table);
    RDB_TABLE_OBJECT* get_data_arrival_table() const { return m_data_arrival_path; }
    void set_data_required_table(RDB_TABLE_OBJECT* table);
    RDB_TABLE_OBJECT* get_data_required_table() const { return m_data_required_path; }
    void set_path_stats_table(RDB_TABLE_OBJECT* table);
    RDB_TABLE_OBJECT* get_path_stats_table() const { return m_path_stats; }
    void set_extra_info_table(RDB_TABLE_OBJECT* table);
    RDB_TABLE_OBJECT* get_extra_info_table() const { return m_extra_info; }
    void set_waveform(RDB_WAVEFORM_DISPLAY_OBJECT* waveform);
    RDB_WAVEFORM_DISPLAY_OBJECT* get_waveform() const { return m_waveform; }
    void set_idb_text(RDB_TEXT_OBJECT* text);
    RDB_TEXT_OBJECT* get_idb_text() const { return m_idb_text; }
    void set_critical_chain_table(RDB_TABLE_OBJECT* table);
    RDB_TABLE_OBJECT* get_critical_chain_table() const { return m_critical_chain_table; }
    void set_recommendations_table(RDB_TABLE_OBJECT* table);
    RDB_TABLE_OBJECT* get_recommendations_table() const { return m_recommendations_table; }
    void set_internal_negative_cycle_table(RDB_TABLE_OBJECT* table);
    RDB_TABLE_OBJECT* get_internal_negative_cycle_table() const { return m_internal_negative_cycle_table; }
    void set_optimizations_analyzed_table(RDB_TABLE_OBJECT* table);
    RDB_TABLE_OBJECT* get_optimizations_analyzed_table() const { return m_optimizations_analyzed_table; }

    void set_gen_loc_path_str(const std::string& path) { m_loc_str = path; }
    const std::string& get_gen_loc_path_str() const { return m_loc_str; }
    void set_gen_arrival_loc_path_str(const std::string& path) { m_arrival_loc_str = path; }
    const std::string& get_gen_arrival_loc_path_str() const { return m_arrival_loc_str; }
    void set_gen_required_loc_path_str(const std::string& path) { m_required_loc_str = path; }
    const std::string& get_gen_required_loc_path_str() const { return m_required_loc_str; }

protected:
    RDB_PATH_OBJECT() = default;

private:
    // The sub-objects written as text, in that order (null for an empty role); the waveform is not one.
    std::array<RDB_OBJECT*, 10> sub_objects() const;
    bool holds(const RDB_OBJECT* object) const;
    template <class T> void replace(T*& slot, T* object);

    bool m_highlight_violations = true;
    int m_slack = 0;
    RDB_TABLE_OBJECT* m_summary = nullptr;
    RDB_TABLE_OBJECT* m_data_arrival_path = nullptr;
    RDB_TABLE_OBJECT* m_data_required_path = nullptr;
    RDB_TABLE_OBJECT* m_path_stats = nullptr;
    RDB_TABLE_OBJECT* m_extra_info = nullptr;
    RDB_WAVEFORM_DISPLAY_OBJECT* m_waveform = nullptr;
    RDB_TEXT_OBJECT* m_idb_text = nullptr;
    RDB_TABLE_OBJECT* m_critical_chain_table = nullptr;
    RDB_TABLE_OBJECT* m_recommendations_table = nullptr;
    RDB_TABLE_OBJECT* m_internal_negative_cycle_table = nullptr;
    RDB_TABLE_OBJECT* m_optimizations_analyzed_table = nullptr;
    std::string m_loc_str;
    std::string m_arrival_loc_str;
    std::string m_required_loc_str;
};

class RDB_PATH_FOLDER_OBJECT : public RDB_FOLDER_OBJECT {
public:
    explicit RDB_PATH_FOLDER_OBJECT(const std::string& name);

    RDB_OVERRIDE_DOWNCAST(RDB_PATH_FOLDER_OBJECT)
    PDB_DECLARE_PERSISTENT(RDB_PATH_FOLDER_OBJECT)
    // visit_path_folder.
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;

    // The summary table and option summary panel are children of this folder, which owns them as
    // children; these members only point at them.
    void set_path_summary_table(RDB_TABLE_OBJECT* table) { m_summary_table = table; }
    RDB_TABLE_OBJECT* get_path_summary_table() const { return m_summary_table; }
    void set_option_summary_panel(RDB_OBJECT* panel) { m_option_summary_panel = panel; }
    RDB_OBJECT* get_option_summary_panel() const { return m_option_summary_panel; }

    // Rebuilds the path id table from the children in list order: path k gets id k. Without a path
    // summary table: the internal error "m_summary_table != 0".
    void create_path_id_table();
    // With neighbours, path k gets the ids 3k, 3k + 1 and 3k + 2; without, as create_path_id_table.
    void create_path_id_table_report_neighbour_path(bool neighbours);
    // The path with that id, or null when the id is not below the table's size. The table must be
    // rebuilt after the children change.
    RDB_PATH_OBJECT* get_path_object_by_index(unsigned int id) const;
    const std::vector<RDB_PATH_OBJECT*>& get_path_id_table() const { return m_path_vec; }
    // Restores a stored path id table; its entries are children of this folder or null.
    void set_path_id_table(std::vector<RDB_PATH_OBJECT*> table) { m_path_vec = std::move(table); }

protected:
    RDB_PATH_FOLDER_OBJECT() = default;

private:
    RDB_TABLE_OBJECT* m_summary_table = nullptr;
    RDB_OBJECT* m_option_summary_panel = nullptr;
    std::vector<RDB_PATH_OBJECT*> m_path_vec;
};
