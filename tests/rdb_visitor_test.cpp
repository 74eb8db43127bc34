#include <string>
#include <vector>

#include "rdb_folder.h"
#include "rdb_table_sys.h"
#include "rdb_visitor.h"
#include "test_support.h"

namespace {

struct LEAF : RDB_OBJECT {
    explicit LEAF(const std::string& name) : RDB_OBJECT(name) {}
};

using CALLS = std::vector<std::string>;

} // namespace

TEST(RdbVisitor, DefaultWalkIsPreOrderInListOrder)
{
    RDB_FOLDER_OBJECT root("root");
    auto* f = new RDB_FOLDER_OBJECT("F");
    auto* corners = new RDB_MULTI_CORNER_FOLDER_OBJECT("MC");
    auto* master_detail = new RDB_MASTER_DETAIL_OBJECT("MD");
    root.add_object_to_list(new LEAF("a"));
    root.add_object_to_list(f);
    f->add_object_to_list(corners);
    corners->add_object_to_list(new LEAF("c"));
    root.add_object_to_list(master_detail);
    master_detail->add_master_table(new RDB_TABLE_OBJECT("T"));
    master_detail->add_detail_object(new LEAF("e"));

    RECORDING_VISITOR visitor(true);
    root.accept_visitor(&visitor);
    EXPECT_EQ(visitor.calls(), (CALLS{"folder:root", "object:a", "folder:F", "folder:MC", "object:c", "folder:MD",
                                      "table:T", "object:e"}));

    // accept_visitor itself does not walk: a visitor that overrides visit_folder decides.
    RECORDING_VISITOR shallow(false);
    root.accept_visitor(&shallow);
    EXPECT_EQ(shallow.calls(), (CALLS{"folder:root"}));
}
