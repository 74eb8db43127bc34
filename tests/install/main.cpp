#include <rdb.h>

#include <iostream>
#include <memory>

int main()
{
    auto folder = std::make_unique<RDB_FOLDER_OBJECT>("Main");
    auto table = std::make_unique<RDB_TABLE_OBJECT>("T");
    table->add_row(rdb_create_row("Name", "Value"));
    table->add_row(rdb_create_row("a", "1"));
    folder->push_back(std::move(table));
    RDB_OBJECT* found = folder->find_object_by_path("T");
    if (!found || found->get_path() != "Main||T") return 1;
    std::cout << found->get_path() << " " << found->get_data_string(1, 1) << "\n";
    return 0;
}
