#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "msg/msg.h"
#include "rdb_enum.h"
#include "rdb_folder.h"
#include "rdb_table_sys.h"
#include "test_support.h"

namespace {

// A leaf that counts its own destructions.
class LEAF : public RDB_OBJECT {
public:
    explicit LEAF(const std::string& name, int* deleted = nullptr) : RDB_OBJECT(name), m_deleted(deleted) {}
    ~LEAF() override
    {
        if (m_deleted) ++*m_deleted;
    }

private:
    int* m_deleted;
};

std::vector<std::string> names_of(const RDB_FOLDER_OBJECT& folder)
{
    std::vector<std::string> names;
    for (RDB_OBJECT* child : folder)
        names.push_back(child->get_name());
    return names;
}

using NAMES = std::vector<std::string>;

} // namespace

TEST(RdbFolder, AddersAdoptChildrenInOrder)
{
    RDB_FOLDER_OBJECT folder("root");
    auto* a = new LEAF("A");
    auto* b = new LEAF("B");
    folder.add_object_to_list(a);
    folder.add_object_to_list_top(b);
    folder.push_back(std::make_unique<LEAF>("C"));
    folder.add_object_to_list(nullptr);
    folder.add_object_to_list_top(nullptr);

    EXPECT_EQ(names_of(folder), (NAMES{"B", "A", "C"}));
    EXPECT_EQ(folder.size(), 3u);
    EXPECT_FALSE(folder.empty());
    EXPECT_EQ(std::distance(folder.begin(), folder.end()), 3);
    const RDB_FOLDER_OBJECT& const_folder = folder;
    EXPECT_EQ(*const_folder.begin(), b);
    EXPECT_TRUE(folder.contains(a));
    EXPECT_FALSE(folder.contains(nullptr));
    EXPECT_EQ(a->get_parent(), &folder);
    EXPECT_EQ(a->get_ownership_status(), OWNED);
    EXPECT_EQ(folder.get_type(), RDB_FOLDER_TYPE);
    EXPECT_EQ(folder.dynamic_cast_to_RDB_FOLDER_OBJECT(), &folder);
    EXPECT_EQ(folder.dynamic_cast_to_RDB_MASTER_DETAIL_OBJECT(), nullptr);
    EXPECT_FALSE(folder.get_is_stage_folder());
    folder.set_is_stage_folder(true);
    EXPECT_TRUE(folder.get_is_stage_folder());

    EXPECT_INTERNAL_ERROR(folder.push_back(nullptr), "object");

    RDB_FOLDER_OBJECT other("other");
    EXPECT_INTERNAL_ERROR(other.add_object_to_list(a), "object->get_ownership_status() == RDB_OWNERSHIP::NOT_OWNED");
    EXPECT_INTERNAL_ERROR(other.add_object_to_list_top(a),
                          "object->get_ownership_status() == RDB_OWNERSHIP::NOT_OWNED");
    EXPECT_TRUE(other.empty());
    EXPECT_EQ(a->get_parent(), &folder);
}

TEST(RdbFolder, PathsJoinAncestorNames)
{
    RDB_FOLDER_OBJECT a("A");
    auto* b = new RDB_FOLDER_OBJECT("B");
    auto* c = new LEAF("C");
    a.add_object_to_list(b);
    b->add_object_to_list(c);
    EXPECT_EQ(a.get_path(), "||A");
    EXPECT_EQ(b->get_path(), "A||B");
    EXPECT_EQ(c->get_path(), "A||B||C");
    EXPECT_EQ(c->get_path(true), "A||B||C");
}

TEST(RdbFolder, FindByPath)
{
    RDB_FOLDER_OBJECT root("root");
    auto* a = new RDB_FOLDER_OBJECT("A");
    auto* b = new LEAF("B");
    auto* first_x = new LEAF("X");
    auto* t = new LEAF("T");
    root.add_object_to_list(a);
    a->add_object_to_list(b);
    root.add_object_to_list(first_x);
    root.add_object_to_list(new LEAF("X"));
    root.add_object_to_list(t);

    DEBUG_RECORDER rec;
    EXPECT_EQ(root.find_object_by_path("A"), a);
    EXPECT_EQ(root.find_object_by_path("||A"), a);
    EXPECT_EQ(root.find_object_by_path("A||B"), b);
    EXPECT_EQ(root.find_object("||A||B"), b);
    EXPECT_EQ(root.find_object_by_path("A||"), nullptr);
    EXPECT_EQ(root.find_object_by_path("X"), first_x);
    EXPECT_EQ(root.find_object_by_path("A||Missing"), nullptr);
    EXPECT_EQ(root.find_object_by_path("Missing||B"), nullptr);
    EXPECT_TRUE(rec.lines().empty());

    EXPECT_EQ(root.find_object_by_path("T||X"), nullptr);
    ASSERT_EQ(rec.lines().size(), 1u);
    EXPECT_EQ(rec.lines()[0].text, "Incorrect path T||X");
    EXPECT_EQ(rec.lines()[0].component, "RDB");
    EXPECT_EQ(rec.lines()[0].level, 2);

    auto* unnamed = new LEAF("");
    a->add_object_to_list(unnamed);
    EXPECT_EQ(root.find_object_by_path("A||"), unnamed);
}

TEST(RdbFolder, FindByPattern)
{
    RDB_FOLDER_OBJECT root("root");
    auto* analysis = new RDB_FOLDER_OBJECT("Analysis");
    auto* fitter = new RDB_FOLDER_OBJECT("Fitter");
    auto* fitter_x = new RDB_FOLDER_OBJECT("FitterX");
    root.add_object_to_list(analysis);
    root.add_object_to_list(fitter);
    root.add_object_to_list(fitter_x);
    analysis->add_object_to_list(new LEAF("Summary"));
    fitter->add_object_to_list(new LEAF("Messages"));
    auto* summary = new LEAF("Summary");
    auto* resource = new LEAF("Resource Usage");
    fitter_x->add_object_to_list(summary);
    fitter_x->add_object_to_list(resource);
    auto* bus = new LEAF("data[3]");
    root.add_object_to_list(bus);
    root.add_object_to_list(new LEAF("data3"));

    EXPECT_EQ(root.find_object_by_pattern("Fit*"), fitter);
    EXPECT_EQ(root.find_object_by_pattern("Fit*||Summary"), summary);
    EXPECT_EQ(root.find_object_by_pattern("||Fit*||Summary"), summary);
    // An exact head confines the search to that folder, found or not.
    EXPECT_EQ(root.find_object_by_pattern("Fitter||Resource*"), nullptr);
    EXPECT_EQ(root.find_object_by_pattern("FitterX||Resource*"), resource);
    EXPECT_EQ(root.find_object_by_pattern("Nothing*"), nullptr);
    EXPECT_EQ(root.find_object_by_pattern("data[3]"), bus);
}

TEST(RdbFolder, FindRecursivelyPrefersOwnChildren)
{
    RDB_FOLDER_OBJECT root("root");
    auto* a = new RDB_FOLDER_OBJECT("A");
    auto* b = new RDB_FOLDER_OBJECT("B");
    auto* c = new RDB_FOLDER_OBJECT("C");
    root.add_object_to_list(a);
    a->add_object_to_list(b);
    root.add_object_to_list(c);
    auto* deep_x = new LEAF("X");
    auto* shallow_x = new LEAF("X");
    a->add_object_to_list(deep_x);
    root.add_object_to_list(shallow_x);
    auto* y_in_b = new LEAF("Y");
    b->add_object_to_list(y_in_b);
    c->add_object_to_list(new LEAF("Y"));

    EXPECT_EQ(root.find_object_recursively("X"), shallow_x);
    EXPECT_EQ(root.find_object_recursively("Y"), y_in_b);
    EXPECT_EQ(root.find_object_recursively("B"), b);
    EXPECT_EQ(root.find_object_recursively("Z"), nullptr);
}

TEST(RdbFolder, RemovingChildren)
{
    int deleted = 0;
    RDB_FOLDER_OBJECT folder("root");
    auto* keep = new LEAF("keep", &deleted);
    auto* gone = new LEAF("gone", &deleted);
    folder.add_object_to_list(new LEAF("X", &deleted));
    folder.add_object_to_list(keep);
    folder.add_object_to_list(new LEAF("X", &deleted));
    folder.add_object_to_list(gone);

    folder.remove_object_from_list(std::string("X"));
    EXPECT_EQ(deleted, 2);
    EXPECT_EQ(names_of(folder), (NAMES{"keep", "gone"}));

    folder.remove_object_from_list(gone);
    folder.remove_object_from_list(static_cast<RDB_OBJECT*>(nullptr));
    EXPECT_EQ(deleted, 3);
    EXPECT_EQ(names_of(folder), (NAMES{"keep"}));

    std::unique_ptr<RDB_OBJECT> taken = folder.remove_and_transfer(keep);
    EXPECT_EQ(taken.get(), keep);
    EXPECT_EQ(keep->get_parent(), nullptr);
    EXPECT_EQ(keep->get_ownership_status(), NOT_OWNED);
    EXPECT_TRUE(folder.empty());
    EXPECT_EQ(folder.remove_and_transfer(nullptr), nullptr);
    taken.reset();
    EXPECT_EQ(deleted, 4);

    auto* d1 = new LEAF("D");
    auto* d2 = new LEAF("D");
    auto* e = new LEAF("E");
    folder.add_object_to_list(d1);
    folder.add_object_to_list(e);
    folder.add_object_to_list(d2);
    rdb_remove_object_from_list_without_delete(folder, std::string("D"));
    EXPECT_EQ(names_of(folder), (NAMES{"E"}));
    EXPECT_EQ(d1->get_ownership_status(), NOT_OWNED);
    EXPECT_EQ(d2->get_parent(), nullptr);
    rdb_remove_object_from_list_without_delete(folder, e);
    EXPECT_TRUE(folder.empty());
    EXPECT_EQ(e->get_ownership_status(), NOT_OWNED);
    delete d1;
    delete d2;
    delete e;
}

TEST(RdbFolder, ClearAndTransfer)
{
    int deleted = 0;
    RDB_FOLDER_OBJECT folder("root");
    for (const char* name : {"A", "B", "C"})
        folder.add_object_to_list(new LEAF(name, &deleted));

    std::vector<std::unique_ptr<RDB_OBJECT>> objects = folder.clear_and_transfer();
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0]->get_name(), "A");
    EXPECT_EQ(objects[2]->get_name(), "C");
    for (const auto& object : objects) {
        EXPECT_EQ(object->get_parent(), nullptr);
        EXPECT_EQ(object->get_ownership_status(), NOT_OWNED);
    }
    EXPECT_TRUE(folder.empty());
    objects.clear();
    EXPECT_EQ(deleted, 3);

    folder.add_object_to_list(new LEAF("D", &deleted));
    folder.add_object_to_list(new LEAF("E", &deleted));
    folder.clear();
    EXPECT_TRUE(folder.empty());
    EXPECT_EQ(deleted, 5);
}

TEST(RdbFolder, MoveObjectToEnd)
{
    RDB_FOLDER_OBJECT folder("root");
    auto* a = new LEAF("A");
    auto* b = new LEAF("B");
    auto* c = new LEAF("C");
    folder.add_object_to_list(a);
    folder.add_object_to_list(b);
    folder.add_object_to_list(c);

    folder.move_object_to_end(c);
    EXPECT_EQ(names_of(folder), (NAMES{"A", "B", "C"}));
    folder.move_object_to_end(a);
    EXPECT_EQ(names_of(folder), (NAMES{"B", "C", "A"}));
    folder.move_object_to_end(nullptr);
    EXPECT_EQ(folder.size(), 3u);

    auto* loose = new LEAF("D");
    folder.move_object_to_end(loose);
    EXPECT_EQ(names_of(folder), (NAMES{"B", "C", "A", "D"}));
    EXPECT_EQ(loose->get_parent(), &folder);
    EXPECT_EQ(loose->get_ownership_status(), OWNED);
}

TEST(RdbFolder, ReorderPutsNamedFirstAndLast)
{
    RDB_FOLDER_OBJECT folder("root");
    for (const char* name : {"A", "B", "C", "D"})
        folder.add_object_to_list(new LEAF(name));
    rdb_reorder_objects(folder, {"C", "A"}, {"B"});
    EXPECT_EQ(names_of(folder), (NAMES{"C", "A", "D", "B"}));
    for (RDB_OBJECT* child : folder)
        EXPECT_EQ(child->get_parent(), &folder);

    RDB_FOLDER_OBJECT twins("twins");
    auto* x1 = new LEAF("X");
    auto* x2 = new LEAF("X");
    twins.add_object_to_list(x1);
    twins.add_object_to_list(new LEAF("Y"));
    twins.add_object_to_list(x2);
    twins.add_object_to_list(new LEAF("Z"));
    rdb_reorder_objects(twins, {"Missing", "Z"}, {"X", "X", "X"});
    EXPECT_EQ(names_of(twins), (NAMES{"Z", "Y", "X", "X"}));
    EXPECT_EQ(*std::next(twins.begin(), 2), x1);
    EXPECT_EQ(*std::next(twins.begin(), 3), x2);
}

TEST(RdbFolder, ReadOnlySubtreeRefusesChanges)
{
    RDB_FOLDER_OBJECT root("root");
    auto* sub = new RDB_FOLDER_OBJECT("sub");
    auto* leaf = new LEAF("leaf");
    root.add_object_to_list(sub);
    sub->add_object_to_list(leaf);
    root._chmod(RDB_OBJECT::READ_ONLY);
    EXPECT_FALSE(sub->is_writable());
    EXPECT_FALSE(leaf->is_writable());

    auto loose = std::make_unique<LEAF>("loose");
    EXPECT_INTERNAL_ERROR(sub->add_object_to_list(loose.get()), "is_writable()");
    EXPECT_INTERNAL_ERROR(sub->add_object_to_list_top(loose.get()), "is_writable()");
    EXPECT_INTERNAL_ERROR(sub->move_object_to_end(loose.get()), "is_writable()");
    EXPECT_INTERNAL_ERROR(sub->move_object_to_end(leaf), "is_writable()");
    EXPECT_INTERNAL_ERROR(sub->push_back(std::make_unique<LEAF>("pushed")), "is_writable()");
    EXPECT_INTERNAL_ERROR(sub->remove_and_transfer(leaf), "is_writable()");
    EXPECT_INTERNAL_ERROR(sub->remove_object_from_list(leaf), "is_writable()");
    EXPECT_INTERNAL_ERROR(sub->clear_and_transfer(), "is_writable()");
    EXPECT_INTERNAL_ERROR(rdb_remove_object_from_list_without_delete(*sub, leaf), "is_writable()");
    EXPECT_INTERNAL_ERROR(leaf->set_help_id("h"), "is_writable()");
    EXPECT_EQ(names_of(*sub), (NAMES{"leaf"}));
    EXPECT_EQ(loose->get_ownership_status(), NOT_OWNED);

    root._chmod(RDB_OBJECT::READ_WRITE);
    EXPECT_TRUE(leaf->is_writable());
    sub->add_object_to_list(loose.release());
    EXPECT_EQ(sub->size(), 2u);
}

TEST(RdbFolder, ForeignPointersAreLeftAlone)
{
    int deleted = 0;
    RDB_FOLDER_OBJECT folder("folder");
    RDB_FOLDER_OBJECT other("other");
    auto* foreign = new LEAF("foreign", &deleted);
    other.add_object_to_list(foreign);
    LEAF loose("loose");

    folder.remove_object_from_list(foreign);
    folder.remove_object_from_list(&loose);
    EXPECT_EQ(folder.remove_and_transfer(foreign), nullptr);
    EXPECT_EQ(folder.remove_and_transfer(&loose), nullptr);
    rdb_remove_object_from_list_without_delete(folder, foreign);
    EXPECT_EQ(deleted, 0);
    EXPECT_TRUE(other.contains(foreign));
    EXPECT_EQ(foreign->get_parent(), &other);
    EXPECT_EQ(foreign->get_ownership_status(), OWNED);

    EXPECT_INTERNAL_ERROR(folder.move_object_to_end(foreign),
                          "object->get_ownership_status() == RDB_OWNERSHIP::NOT_OWNED");
    EXPECT_TRUE(folder.empty());
    EXPECT_EQ(foreign->get_parent(), &other);
}

TEST(RdbFolder, FolderCannotEnterItsOwnSubtree)
{
    auto root = std::make_unique<RDB_FOLDER_OBJECT>("root");
    auto* a = new RDB_FOLDER_OBJECT("A");
    auto* b = new RDB_FOLDER_OBJECT("B");
    root->add_object_to_list(a);
    a->add_object_to_list(b);

    const char* cycle = "object is not this folder or one of its ancestors";
    EXPECT_INTERNAL_ERROR(root->add_object_to_list(root.get()), cycle);
    EXPECT_INTERNAL_ERROR(b->add_object_to_list(root.get()), cycle);
    EXPECT_INTERNAL_ERROR(b->add_object_to_list_top(a), cycle);
    EXPECT_INTERNAL_ERROR(b->move_object_to_end(root.get()), cycle);
    EXPECT_INTERNAL_ERROR(b->move_object_to_end(a), cycle);
    EXPECT_EQ(root->get_parent(), nullptr);
    EXPECT_EQ(root->get_ownership_status(), NOT_OWNED);
    EXPECT_TRUE(b->empty());

    // A sibling subtree is fine once detached.
    auto* c = new RDB_FOLDER_OBJECT("C");
    root->add_object_to_list(c);
    std::unique_ptr<RDB_OBJECT> moved = root->remove_and_transfer(c);
    b->push_back(std::move(moved));
    EXPECT_EQ(c->get_path(), "root||A||B||C");
}

TEST(RdbFolder, DeletionRemovesDescendantsAndTheirTraits)
{
    int deleted = 0;
    auto* root = new RDB_FOLDER_OBJECT("root");
    auto* direct = new LEAF("direct", &deleted);
    auto* sub = new RDB_FOLDER_OBJECT("sub");
    auto* nested = new LEAF("nested", &deleted);
    root->add_object_to_list(direct);
    root->add_object_to_list(sub);
    sub->add_object_to_list(nested);
    direct->set_int_trait("folder_test_int", 1);
    sub->set_string_trait("folder_test_string", "s");
    nested->set_int_trait("folder_test_int", 2);

    DTRAIT::TRAIT_TABLE& table = DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get();
    const std::vector<DTRAIT::KEY> keys{direct->get_dtrait_key(), sub->get_dtrait_key(), nested->get_dtrait_key()};
    for (DTRAIT::KEY key : keys)
        EXPECT_EQ(table.count_values(key), 1u);
    delete root;
    EXPECT_EQ(deleted, 2);
    for (DTRAIT::KEY key : keys)
        EXPECT_EQ(table.count_values(key), 0u);
}

TEST(RdbFolder, PlainTextAndJson)
{
    RDB_FOLDER_OBJECT root("root");
    auto* sub = new RDB_FOLDER_OBJECT("sub");
    root.add_object_to_list(sub);
    sub->add_object_to_list(new LEAF("x"));
    root.add_object_to_list(new LEAF("y"));

    std::ostringstream ascii;
    root.output_ascii(ascii);
    EXPECT_EQ(ascii.str(), "x\n\n\ny\n\n");

    nlohmann::json json = nlohmann::json::object();
    root.fill_json_object(&json);
    nlohmann::json expected = {
        {"name", "root"},
        {"header", ""},
        {"footer", ""},
        {"object_list",
         {{{"name", "sub"},
           {"header", ""},
           {"footer", ""},
           {"object_list", {{{"name", "x"}, {"header", ""}, {"footer", ""}}}}},
          {{"name", "y"}, {"header", ""}, {"footer", ""}}}},
    };
    EXPECT_EQ(json, expected);
    EXPECT_INTERNAL_ERROR(root.fill_json_object(nullptr), "object != NULL");

    RDB_FOLDER_OBJECT empty("empty");
    nlohmann::json empty_json = nlohmann::json::object();
    empty.fill_json_object(&empty_json);
    EXPECT_TRUE(empty_json["object_list"].is_array());
    EXPECT_TRUE(empty_json["object_list"].empty());
}

TEST(RdbFolder, MultiCornerCompleteWhenNoChildEnabled)
{
    RDB_MULTI_CORNER_FOLDER_OBJECT folder("corners");
    EXPECT_TRUE(folder.is_complete());
    EXPECT_EQ(folder.get_type(), RDB_FOLDER_TYPE);
    EXPECT_EQ(folder.dynamic_cast_to_RDB_MULTI_CORNER_FOLDER_OBJECT(), &folder);
    EXPECT_NE(folder.dynamic_cast_to_RDB_FOLDER_OBJECT(), nullptr);
    auto* slow = new LEAF("slow");
    auto* fast = new LEAF("fast");
    slow->set_enable(false);
    folder.add_object_to_list(slow);
    folder.add_object_to_list(fast);
    EXPECT_FALSE(folder.is_complete());
    fast->set_enable(false);
    EXPECT_TRUE(folder.is_complete());
}

TEST(RdbFolderDeathTest, NullChildStopsDeletion)
{
    EXPECT_DEATH(
        {
            msg_set_internal_error_handler(nullptr);
            auto* folder = new RDB_FOLDER_OBJECT("F");
            folder->get_object_list()->push_back(nullptr);
            delete folder;
        },
        "ptr != nullptr");
}

TEST(RdbFolder, MasterDetailKeepsOneChildPerObject)
{
    RDB_MASTER_DETAIL_OBJECT folder("md");
    EXPECT_EQ(folder.get_type(), RDB_FOLDER_TYPE);
    EXPECT_EQ(folder.dynamic_cast_to_RDB_MASTER_DETAIL_OBJECT(), &folder);
    EXPECT_EQ(folder.get_master_table(), nullptr);
    EXPECT_EQ(folder.get_detail_count(), 0u);
    EXPECT_THROW(folder.get_detail_object(0), std::out_of_range);

    auto* master = new RDB_TABLE_OBJECT("master");
    auto* second = new RDB_TABLE_OBJECT("second");
    folder.add_master_table(master);
    folder.add_master_table(master);
    EXPECT_EQ(folder.size(), 1u);
    EXPECT_EQ(folder.get_master_table(), master);
    folder.add_master_table(second);
    EXPECT_EQ(folder.get_master_table(), second);
    EXPECT_EQ(folder.size(), 2u); // the earlier master stays a child

    auto* detail = new LEAF("detail");
    folder.add_detail_object(detail);
    folder.add_detail_object(detail);
    folder.add_detail_object(master);
    EXPECT_EQ(folder.size(), 3u);
    ASSERT_EQ(folder.get_detail_count(), 3u);
    EXPECT_EQ(folder.get_detail_object(0), detail);
    EXPECT_EQ(folder.get_detail_object(1), detail);
    EXPECT_EQ(folder.get_detail_object(2), master);
    EXPECT_EQ(detail->get_parent(), &folder);
    EXPECT_THROW(folder.get_detail_object(3), std::out_of_range);
}
