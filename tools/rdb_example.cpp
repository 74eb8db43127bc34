// Builds a small report tree (a main folder holding a stage folder with a table and a summary) and
// prints what it holds: the tree, every table's cells and the JSON form of the whole tree.

#include <iostream>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "rdb.h"

namespace {

// Prints the tree, one object per line, indented by depth, with each table's cells.
class TREE_PRINTER : public RDB_OBJECT_VISITOR {
public:
    explicit TREE_PRINTER(std::ostream& os) : m_os(os) {}

    void visit_folder(RDB_FOLDER_OBJECT* folder) override
    {
        line(*folder) << " (" << folder->size() << " objects)\n";
        ++m_depth;
        RDB_OBJECT_VISITOR::visit_folder(folder);
        --m_depth;
    }
    void visit_table(RDB_TABLE_OBJECT* table) override { print_table(*table); }
    void visit_summary_table(RDB_SUMMARY_TABLE_OBJECT* table) override { print_table(*table); }

private:
    std::ostream& line(const RDB_OBJECT& object)
    {
        m_os << std::string(2 * m_depth, ' ') << rdb_object_type_to_rdb_string(object.get_type()) << " \""
             << object.get_name() << "\"";
        return m_os;
    }
    void print_table(const RDB_TABLE_OBJECT& table)
    {
        line(table) << ", " << table.get_number_of_rows() << " rows x " << table.get_number_of_columns()
                    << " columns\n";
        for (unsigned row = 0; row < table.get_number_of_rows(); ++row) {
            m_os << std::string(2 * m_depth + 2, ' ');
            for (unsigned col = 0; col < table.get_number_of_columns(); ++col)
                m_os << (col ? " | " : "") << table.get_data_string(row, col);
            m_os << "\n";
        }
    }

    std::ostream& m_os;
    int m_depth = 0;
};

std::unique_ptr<RDB_FOLDER_OBJECT> build_report()
{
    auto main_folder = std::make_unique<RDB_FOLDER_OBJECT>("Fitter");
    auto stage = std::make_unique<RDB_FOLDER_OBJECT>("Resource Section");
    stage->set_is_stage_folder(true);

    auto usage = std::make_unique<RDB_TABLE_OBJECT>("Resource Usage Summary");
    usage->add_row(rdb_create_row(std::vector<std::string>{"Resource", "Usage", "%"}));
    usage->add_row_of_strings("Logic cells", "1,204", "12 %", RDB_ROW_END);
    usage->add_row_of_strings("Registers", "873", "4 %", RDB_ROW_END);
    usage->add_row_of_strings("Memory bits", "65,536", "31 %", RDB_ROW_END);
    RDB_TABLE_ROW* delay_row = rdb_create_row(std::vector<std::string>{"Worst delay"});
    delay_row->push_back(new RDB_TABLE_DELAY_ELEMENT(4250, TABLE_DELAY_ELEMENT_NORMAL_DELAY));
    delay_row->push_back(new RDB_TABLE_STRING_ELEMENT("-"));
    usage->add_row(delay_row);
    usage->sort_rows(0, true);
    stage->push_back(std::move(usage));

    auto summary = std::make_unique<RDB_SUMMARY_TABLE_OBJECT>("Fitter Summary");
    summary->add_row(rdb_create_row(RDB_REVISION_NAME, "top"));
    summary->add_row(rdb_create_row(RDB_DEVICE, "demo-device"));
    main_folder->push_back(std::move(summary));
    main_folder->push_back(std::move(stage));
    return main_folder;
}

} // namespace

int main()
{
    std::unique_ptr<RDB_FOLDER_OBJECT> report = build_report();
    const RDB_REPORT_TYPE type(RDB_FITTER_REPORT, RDB_BOUND_STAGE(KHD_SNAPSHOT_BASE::PLACED));
    std::cout << "Report \"" << rdb_report_type_to_user_string(type) << "\" (key " << rdb_report_type_to_string(type)
              << ")\n\n";

    TREE_PRINTER printer(std::cout);
    report->accept_visitor(&printer);

    RDB_OBJECT* table = report->find_object_by_path("Resource Section||Resource Usage Summary");
    std::cout << "\nFound by path: " << (table ? table->get_path() : std::string("nothing")) << "\n";

    nlohmann::json json;
    report->fill_json_object(&json);
    std::cout << "\nJSON:\n" << json.dump(2) << "\n";
    return 0;
}
