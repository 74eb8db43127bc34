// The report holding an object of every kind in each output format, byte for byte against the files in
// tests/golden (regenerate on purpose with RDB_UPDATE_GOLDEN=1), its copies through the binary store and
// the XML form, and the visitor operations its objects and cells dispatch.

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "every_kind_report.h"
#include "rdb.h"
#include "report_copies.h"
#include "test_support.h"

namespace {

class RdbGolden : public ::testing::Test {
protected:
    ~RdbGolden() override { RDB_REPORT::free_all_reports(); }
    TEMP_PROJECT m_project{"rdb_golden_test"};
    RDB_SINGLETON_SCOPED_UNIT_TEST_MODE m_scope;
};

struct LEAF : RDB_OBJECT {
    explicit LEAF(const std::string& name) : RDB_OBJECT(name) {}
};

} // namespace

TEST_F(RdbGolden, EveryKindReportInEachFormat)
{
    std::unique_ptr<RDB_REPORT> report = rdb_every_kind_report();
    expect_golden("every_kind.rpt", ascii_of(*report->get_main_folder()));
    expect_golden("every_kind.xml", xml_of(*report));
}

// Both copies write the report's image and document again (the image names every object's class), and
// print the same text.
TEST_F(RdbGolden, EveryKindReportCopiesGiveBackTheSameReport)
{
    std::unique_ptr<RDB_REPORT> report = rdb_every_kind_report();
    const REPORT_COPIES copies = copies_of(*report);
    ASSERT_TRUE(copies.stored && copies.read);
    for (RDB_REPORT* copy : {copies.stored.get(), copies.read.get()})
        EXPECT_EQ(first_difference(ascii_of(*report->get_main_folder()), ascii_of(*copy->get_main_folder())), "");
}

// A new object or cell class that forgets its accept_visitor falls back to its base's operation: the
// walk over the report (every object and cell with the operation it chose) is a golden file, every
// operation must be dispatched by some object or cell, and only a bare object reaches visit_object. The
// default walk is pre-order in list order, through multi-corner and master-detail folders too.
TEST_F(RdbGolden, EveryKindReportDispatchesEveryVisitorOperation)
{
    std::unique_ptr<RDB_REPORT> report = rdb_every_kind_report();
    RECORDING_VISITOR visitor(true);
    report->get_main_folder()->accept_visitor(&visitor);
    std::string visits;
    for (const std::string& call : visitor.calls())
        visits += call + "\n";
    expect_golden("every_kind_visits.txt", visits);
    // accept_visitor itself does not walk: a visitor that overrides visit_folder decides.
    RECORDING_VISITOR shallow(false);
    report->get_main_folder()->accept_visitor(&shallow);
    EXPECT_EQ(shallow.calls(), std::vector<std::string>{"folder:Default Main Folder"});
    LEAF("bare").accept_visitor(&visitor);
    std::set<std::string> operations;
    for (const std::string& call : visitor.calls())
        operations.insert(call.substr(0, call.find(':')));
    std::set<std::string> every_operation;
#define RDB_OPERATION_NAME(operation, CLASS, action) every_operation.insert(#operation);
    RDB_VISITOR_OPERATIONS(RDB_OPERATION_NAME)
#undef RDB_OPERATION_NAME
    EXPECT_EQ(every_operation.size(), 27u);
    EXPECT_EQ(operations, every_operation);
    const auto fallbacks = std::count_if(visitor.calls().begin(), visitor.calls().end(),
                                         [](const std::string& call) { return call.rfind("object:", 0) == 0; });
    EXPECT_EQ(fallbacks, 1);
}
