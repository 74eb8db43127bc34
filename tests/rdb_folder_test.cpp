#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "msg/msg.h"
#include "rdb_folder.h"
#include "rdb_table_sys.h"
#include "test_support.h"

namespace {

// A leaf that counts its own destructions.
struct LEAF : RDB_OBJECT {
    explicit LEAF(const std::string& name, int* deletions = nullptr) : RDB_OBJECT(name), deleted(deletions) {}
    ~LEAF() override
    {
        if (deleted) ++*deleted;
    }
    int* deleted;
};

// Makes an object and appends it to parent.
template <class T = LEAF, class... ARGS> T* add(RDB_FOLDER_OBJECT& parent, ARGS&&... args)
{
    auto* object = new T(std::forward<ARGS>(args)...);
    parent.add_object_to_list(object);
    return object;
}

using NAMES = std::vector<std::string>;

NAMES names_of(const RDB_FOLDER_OBJECT& folder)
{
    NAMES names;
    for (RDB_OBJECT* child : folder)
        names.push_back(child->get_name());
    return names;
}

const char* const NOT_OWNED_TEXT = "object->get_ownership_status() == RDB_OWNERSHIP::NOT_OWNED";

} // namespace

TEST(RdbFolder, AddersAndMoveToEndAdoptInOrder)
{
    RDB_FOLDER_OBJECT folder("root");
    auto* a = add(folder, "A");
    folder.add_object_to_list_top(new LEAF("B"));
    folder.push_back(std::make_unique<LEAF>("C"));
    folder.add_object_to_list(nullptr);
    folder.add_object_to_list_top(nullptr);
    EXPECT_EQ(names_of(folder), (NAMES{"B", "A", "C"}));
    EXPECT_EQ(a->get_parent(), &folder);
    EXPECT_EQ(a->get_ownership_status(), OWNED);
    EXPECT_INTERNAL_ERROR(folder.push_back(nullptr), "object");

    folder.move_object_to_end(a);
    auto* loose = new LEAF("D");
    folder.move_object_to_end(loose);
    EXPECT_EQ(names_of(folder), (NAMES{"B", "C", "A", "D"}));
    EXPECT_EQ(loose->get_parent(), &folder);
}

TEST(RdbFolder, FindByPathPatternAndRecursively)
{
    RDB_FOLDER_OBJECT root("root");
    auto* a = add<RDB_FOLDER_OBJECT>(root, "A");
    auto* b = add(*a, "B");
    auto* first_x = add(root, "X");
    add(root, "X");
    add(root, "T");
    EXPECT_EQ(root.get_path(), "||root");
    EXPECT_EQ(b->get_path(), "root||A||B");

    DEBUG_RECORDER rec;
    EXPECT_EQ(root.find_object_by_path("||A||B"), b);
    EXPECT_EQ(root.find_object_by_path("X"), first_x);
    EXPECT_EQ(root.find_object_by_path("A||"), nullptr);
    EXPECT_TRUE(rec.lines().empty());
    EXPECT_EQ(root.find_object_by_path("T||X"), nullptr);
    ASSERT_EQ(rec.lines().size(), 1u);
    EXPECT_EQ(rec.lines()[0].text, "Incorrect path T||X");
    EXPECT_EQ(rec.lines()[0].level, 2);

    auto* unnamed = add(*a, "");
    EXPECT_EQ(root.find_object_by_path("A||"), unnamed);

    // By pattern, and recursively.
    RDB_FOLDER_OBJECT patterns("root");
    auto* fitter = add<RDB_FOLDER_OBJECT>(patterns, "Fitter");
    auto* fitter_x = add<RDB_FOLDER_OBJECT>(patterns, "FitterX");
    auto* bus = add(patterns, "data[3]");
    add(patterns, "data3");
    add(*fitter, "Messages");
    auto* summary = add(*fitter_x, "Summary");
    auto* resource = add(*fitter_x, "Resource Usage");

    EXPECT_EQ(patterns.find_object_by_pattern("||Fit*||Summary"), summary);
    // An exact head confines the search to that folder, found or not.
    EXPECT_EQ(patterns.find_object_by_pattern("Fitter||Resource*"), nullptr);
    EXPECT_EQ(patterns.find_object_by_pattern("FitterX||Resource*"), resource);
    EXPECT_EQ(patterns.find_object_by_pattern("data[3]"), bus);

    // Own children win over deeper ones; then depth-first in list order.
    auto* shallow = add(patterns, "Summary");
    auto* deep_resource = add(*add<RDB_FOLDER_OBJECT>(*fitter, "Deep"), "Resource Usage");
    EXPECT_EQ(patterns.find_object_recursively("Summary"), shallow);
    EXPECT_EQ(patterns.find_object_recursively("Resource Usage"), deep_resource);
    EXPECT_EQ(patterns.find_object_recursively("Z"), nullptr);
}

TEST(RdbFolder, RemovingAndTransferringChildren)
{
    int deleted = 0;
    RDB_FOLDER_OBJECT folder("root");
    add(folder, "X", &deleted);
    auto* keep = add(folder, "keep", &deleted);
    add(folder, "X", &deleted);
    folder.remove_object_from_list(std::string("X"));
    folder.remove_object_from_list(add(folder, "gone", &deleted));
    EXPECT_EQ(deleted, 3);
    EXPECT_EQ(names_of(folder), (NAMES{"keep"}));

    std::unique_ptr<RDB_OBJECT> taken = folder.remove_and_transfer(keep);
    EXPECT_EQ(keep->get_parent(), nullptr);
    EXPECT_EQ(keep->get_ownership_status(), NOT_OWNED);

    auto* d1 = add(folder, "D");
    add(folder, "E", &deleted);
    auto* d2 = add(folder, "D");
    rdb_remove_object_from_list_without_delete(folder, std::string("D"));
    EXPECT_EQ(names_of(folder), (NAMES{"E"}));
    EXPECT_EQ(d1->get_parent(), nullptr);
    std::unique_ptr<RDB_OBJECT> owned_d1(d1), owned_d2(d2); // deletable only once NOT_OWNED

    // Each child is released as it is handed over.
    std::vector<std::unique_ptr<RDB_OBJECT>> objects = folder.clear_and_transfer();
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0]->get_parent(), nullptr);
    EXPECT_EQ(objects[0]->get_ownership_status(), NOT_OWNED);
    EXPECT_EQ(deleted, 3);
    folder.add_object_to_list(objects[0].release());
    folder.clear();
    EXPECT_TRUE(folder.empty());
    EXPECT_EQ(deleted, 4);
}

// Unknown names are skipped; twins are taken one per mention, in their previous order.
TEST(RdbFolder, ReorderPutsNamedFirstAndLast)
{
    RDB_FOLDER_OBJECT twins("twins");
    auto* x1 = add(twins, "X");
    add(twins, "Y");
    auto* x2 = add(twins, "X");
    add(twins, "Z");
    rdb_reorder_objects(twins, {"Missing", "Z"}, {"X", "X", "X"});
    EXPECT_EQ(names_of(twins), (NAMES{"Z", "Y", "X", "X"}));
    EXPECT_EQ(*std::next(twins.begin(), 2), x1);
    EXPECT_EQ(*std::next(twins.begin(), 3), x2);
    EXPECT_EQ(x2->get_parent(), &twins);
}

TEST(RdbFolder, ReadOnlySubtreeRefusesChanges)
{
    RDB_FOLDER_OBJECT root("root");
    auto* sub = add<RDB_FOLDER_OBJECT>(root, "sub");
    auto* leaf = add(*sub, "leaf");
    root._chmod(RDB_OBJECT::READ_ONLY);
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
    EXPECT_EQ(names_of(*sub), (NAMES{"leaf"}));
    EXPECT_EQ(loose->get_ownership_status(), NOT_OWNED);
}

TEST(RdbFolder, ForeignPointersAndCyclesAreRefused)
{
    int deleted = 0;
    auto root = std::make_unique<RDB_FOLDER_OBJECT>("root");
    auto* a = add<RDB_FOLDER_OBJECT>(*root, "A");
    auto* b = add<RDB_FOLDER_OBJECT>(*a, "B");
    auto* foreign = add(*a, "foreign", &deleted);
    LEAF loose("loose");

    // Pointers that are not its children leave the folder and the pointee untouched.
    b->remove_object_from_list(foreign);
    b->remove_object_from_list(&loose);
    EXPECT_EQ(b->remove_and_transfer(foreign), nullptr);
    EXPECT_EQ(b->remove_and_transfer(&loose), nullptr);
    rdb_remove_object_from_list_without_delete(*b, foreign);
    EXPECT_INTERNAL_ERROR(b->add_object_to_list(foreign), NOT_OWNED_TEXT);
    EXPECT_INTERNAL_ERROR(b->add_object_to_list_top(foreign), NOT_OWNED_TEXT);
    EXPECT_INTERNAL_ERROR(b->move_object_to_end(foreign), NOT_OWNED_TEXT);
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(foreign->get_parent(), a);
    EXPECT_EQ(foreign->get_ownership_status(), OWNED);

    const char* cycle = "object is not this folder or one of its ancestors";
    EXPECT_INTERNAL_ERROR(root->add_object_to_list(root.get()), cycle);
    EXPECT_INTERNAL_ERROR(b->add_object_to_list(root.get()), cycle);
    EXPECT_INTERNAL_ERROR(b->add_object_to_list_top(a), cycle);
    EXPECT_INTERNAL_ERROR(b->move_object_to_end(root.get()), cycle);
    EXPECT_INTERNAL_ERROR(b->move_object_to_end(a), cycle);
    EXPECT_EQ(root->get_ownership_status(), NOT_OWNED);
    EXPECT_TRUE(b->empty());
}

TEST(RdbFolder, DeletionRemovesDescendantsAndTheirTraits)
{
    int deleted = 0;
    auto* root = new RDB_FOLDER_OBJECT("root");
    auto* direct = add(*root, "direct", &deleted);
    auto* sub = add<RDB_FOLDER_OBJECT>(*root, "sub");
    auto* nested = add(*sub, "nested", &deleted);
    direct->set_int_trait("folder_test_int", 1);
    sub->set_string_trait("folder_test_string", "s");
    nested->set_int_trait("folder_test_int", 2);

    const std::vector<DTRAIT::KEY> keys{direct->get_dtrait_key(), sub->get_dtrait_key(), nested->get_dtrait_key()};
    delete root;
    EXPECT_EQ(deleted, 2);
    for (DTRAIT::KEY key : keys)
        EXPECT_EQ(DTRAIT::GLOBAL_TRAIT_TABLE_ACCESSOR::get().count_values(key), 0u);
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

// A folder's text form, nested folders included, is in the every-kind golden.
TEST(RdbFolder, JsonListsTheChildrenNested)
{
    RDB_FOLDER_OBJECT root("root");
    add(*add<RDB_FOLDER_OBJECT>(root, "sub"), "x");
    add(root, "y");
    nlohmann::json json = nlohmann::json::object();
    root.fill_json_object(&json);
    EXPECT_EQ(json["object_list"][0]["object_list"][0]["name"], "x");
    EXPECT_EQ(json["object_list"][1], (nlohmann::json{{"name", "y"}, {"header", ""}, {"footer", ""}}));
    EXPECT_INTERNAL_ERROR(root.fill_json_object(nullptr), "object != NULL");
}

TEST(RdbFolder, MultiCornerAndMasterDetailKinds)
{
    RDB_MULTI_CORNER_FOLDER_OBJECT corners("corners");
    EXPECT_TRUE(corners.is_complete());
    auto* fast = add(corners, "fast");
    EXPECT_FALSE(corners.is_complete());
    fast->set_enable(false);
    EXPECT_TRUE(corners.is_complete());

    // An object already a child is not added twice; a replaced master stays a child.
    RDB_MASTER_DETAIL_OBJECT folder("md");
    auto* master = new RDB_TABLE_OBJECT("master");
    auto* second = new RDB_TABLE_OBJECT("second");
    auto* detail = new LEAF("detail");
    folder.add_master_table(master);
    folder.add_master_table(master);
    folder.add_master_table(second);
    folder.add_detail_object(detail);
    folder.add_detail_object(detail);
    folder.add_detail_object(master);
    EXPECT_EQ(folder.get_master_table(), second);
    EXPECT_EQ(folder.size(), 3u);
    ASSERT_EQ(folder.get_detail_count(), 3u);
    EXPECT_EQ(folder.get_detail_object(1), detail);
    EXPECT_EQ(folder.get_detail_object(2), master);
}
