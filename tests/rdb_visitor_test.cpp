#include <string>
#include <vector>

#include "rdb_folder.h"
#include "rdb_table_sys.h"
#include "rdb_visitor.h"
#include "test_support.h"

namespace {

class LEAF : public RDB_OBJECT {
public:
    explicit LEAF(const std::string& name) : RDB_OBJECT(name) {}
};

// Records "operation:name" for every call, then keeps the default walk of folders.
class RECORDING_VISITOR : public RDB_OBJECT_VISITOR {
public:
    void visit_object(RDB_OBJECT* object) override { m_calls.push_back("object:" + object->get_name()); }
    void visit_folder(RDB_FOLDER_OBJECT* folder) override
    {
        m_calls.push_back("folder:" + folder->get_name());
        RDB_OBJECT_VISITOR::visit_folder(folder);
    }
    void visit_table(RDB_TABLE_OBJECT* table) override
    {
        m_calls.push_back("table:" + static_cast<RDB_OBJECT*>(table)->get_name());
    }
    const std::vector<std::string>& calls() const { return m_calls; }

private:
    std::vector<std::string> m_calls;
};

// Overrides visit_folder without walking: children are not offered.
class SHALLOW_VISITOR : public RECORDING_VISITOR {
public:
    void visit_folder(RDB_FOLDER_OBJECT* folder) override { m_folders.push_back(folder); }
    std::vector<RDB_FOLDER_OBJECT*> m_folders;
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
    f->add_object_to_list(new LEAF("b"));
    f->add_object_to_list(corners);
    corners->add_object_to_list(new LEAF("c"));
    root.add_object_to_list(new LEAF("d"));
    root.add_object_to_list(master_detail);
    master_detail->add_detail_object(new LEAF("e"));

    RECORDING_VISITOR visitor;
    root.accept_visitor(&visitor);
    EXPECT_EQ(visitor.calls(), (CALLS{"folder:root", "object:a", "folder:F", "object:b", "folder:MC", "object:c",
                                      "object:d", "folder:MD", "object:e"}));
}

TEST(RdbVisitor, AcceptVisitorDoesNotWalkChildrenItself)
{
    RDB_FOLDER_OBJECT root("root");
    auto* f = new RDB_FOLDER_OBJECT("F");
    root.add_object_to_list(f);
    f->add_object_to_list(new LEAF("x"));

    SHALLOW_VISITOR visitor;
    root.accept_visitor(&visitor);
    ASSERT_EQ(visitor.m_folders.size(), 1u);
    EXPECT_EQ(visitor.m_folders[0], &root);
    EXPECT_TRUE(visitor.calls().empty());

    LEAF leaf("leaf");
    leaf.accept_visitor(&visitor);
    EXPECT_EQ(visitor.calls(), (CALLS{"object:leaf"}));
}

TEST(RdbVisitor, TablesInsideFoldersGetTheirOwnOperation)
{
    RDB_MASTER_DETAIL_OBJECT master_detail("MD");
    master_detail.add_master_table(new RDB_TABLE_OBJECT("T"));
    master_detail.add_detail_object(new LEAF("detail"));

    RECORDING_VISITOR visitor;
    master_detail.accept_visitor(&visitor);
    EXPECT_EQ(visitor.calls(), (CALLS{"folder:MD", "table:T", "object:detail"}));
}
