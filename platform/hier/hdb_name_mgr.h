#pragma once
// The hierarchy database's name manager: the project settings ("derived options") of the current
// design that the report writers consult, by option number.

#include <list>
#include <map>
#include <string>
#include <utility>

// A project setting that the hierarchy database derives from the project's assignments, held as its
// text. KIND and SCOPE tell the project settings manager what the text means and where it applies;
// this layer keeps every derived option as text.
template <int KIND, int SCOPE> class HDB_DERIVED_OPTION {
public:
    explicit HDB_DERIVED_OPTION(std::string text) : m_text(std::move(text)) {}
    const std::string& get_string() const { return m_text; }

private:
    std::string m_text;
};

// The derived options of the current design, by option number; an option may hold several values.
class HDB_NAME_MGR {
public:
    using TEXT_OPTION = HDB_DERIVED_OPTION<2, 0>;
    // On (any value): the report writers write only the fixed set of viewer panels.
    static constexpr int DSE_REPORT_PANELS_OPTION = 173;
    // One value per further viewer panel: names joined by '/', or a regular expression starting with '^'.
    static constexpr int REPORT_PANEL_NAMES_OPTION = 174;

    HDB_NAME_MGR();
    ~HDB_NAME_MGR();
    HDB_NAME_MGR(const HDB_NAME_MGR&) = delete;
    HDB_NAME_MGR& operator=(const HDB_NAME_MGR&) = delete;

    // Appends a value to the option.
    void add_derived_option(int number, const std::string& text);
    // The first value of an option that holds one value at most, or null when it is not set.
    const TEXT_OPTION* get_single_derived_option(int number) const;
    // Every value of the option in the order added (owned by the manager), or null when it is not set.
    std::list<TEXT_OPTION*>* get_derived_options(int number);

private:
    std::map<int, std::list<TEXT_OPTION*>> m_options;
};

// The name manager of the current design (not owned), or null when no design is open.
HDB_NAME_MGR* hdb_get_current_name_mgr();
// Makes manager (not owned; null for none) the current one.
void hdb_set_current_name_mgr(HDB_NAME_MGR* manager);
