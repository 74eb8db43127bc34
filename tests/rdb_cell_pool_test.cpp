// The cell pool: a chunk goes back when the last of its objects is released, whatever thread releases
// it and whether or not the pool that handed it out still exists; cells of a loaded table outlive it.

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "../db/rdb/rdb_cell_pool.h"
#include "rdb_folder.h"
#include "rdb_report.h"
#include "rdb_table_element.h"
#include "rdb_table_sys.h"
#include "report_copies.h"
#include "test_support.h"

namespace {

struct BLOCK {
    char* memory;
    std::size_t size;
};

// Allocations of the given sizes (a negative size is a cell of that many bytes, else a text), each
// filled with its own byte so that overlapping blocks show.
std::vector<BLOCK> allocate_filled(const std::vector<long>& sizes)
{
    std::vector<BLOCK> blocks;
    for (long size : sizes) {
        const auto bytes = static_cast<std::size_t>(size < 0 ? -size : size);
        char* memory =
            size < 0 ? static_cast<char*>(RDB_CELL_POOL::allocate_cell(bytes)) : RDB_CELL_POOL::allocate_text(bytes);
        std::memset(memory, static_cast<int>(blocks.size() % 251), bytes);
        blocks.push_back({memory, bytes});
    }
    return blocks;
}

bool still_filled(const std::vector<BLOCK>& blocks)
{
    for (std::size_t i = 0; i < blocks.size(); ++i)
        for (std::size_t j = 0; j < blocks[i].size; ++j)
            if (blocks[i].memory[j] != static_cast<char>(i % 251)) return false;
    return true;
}

TEST(RdbCellPool, ChunkGoesBackWithItsLastObjectOnly)
{
    if (!RDB_CELL_POOL::uses_chunks()) GTEST_SKIP() << "cells come from the ordinary heap in this build";
    const struct {
        const char* name;
        std::vector<long> sizes;
    } cases[] = {
        {"one cell", {-32}},
        {"cells over several chunks", std::vector<long>(5000, -48)},
        {"texts and cells interleaved", {-32, 5, -48, 1, 12, -32, 16384, -40}},
        {"a long text alone", {100000}},
        {"long texts among short ones", {3, 20000, -32, 70000, 7}},
    };
    for (const auto& c : cases) {
        const std::size_t before = RDB_CELL_POOL::chunks_in_use();
        std::vector<BLOCK> blocks;
        {
            const RDB_CELL_POOL_SCOPE scope;
            blocks = allocate_filled(c.sizes);
        }
        EXPECT_TRUE(still_filled(blocks)) << c.name;
        EXPECT_GT(RDB_CELL_POOL::chunks_in_use(), before) << c.name;
        for (std::size_t i = 1; i < blocks.size(); ++i)
            RDB_CELL_POOL::release(blocks[i].memory);
        EXPECT_GT(RDB_CELL_POOL::chunks_in_use(), before) << c.name;
        RDB_CELL_POOL::release(blocks[0].memory);
        EXPECT_EQ(RDB_CELL_POOL::chunks_in_use(), before) << c.name;
    }
}

TEST(RdbCellPool, EmptyChunksStayReadyUntilTrimmed)
{
    if (!RDB_CELL_POOL::uses_chunks()) GTEST_SKIP() << "cells come from the ordinary heap in this build";
    RDB_CELL_POOL::trim();
    // 1,500 chunks of cells (seven of 8 KiB fill one), more than trim keeps (64 MiB of chunks).
    std::vector<BLOCK> blocks;
    {
        const RDB_CELL_POOL_SCOPE scope;
        blocks = allocate_filled(std::vector<long>(7 * 1500, -8192));
    }
    for (const BLOCK& block : blocks)
        RDB_CELL_POOL::release(block.memory);
    const std::size_t ready = RDB_CELL_POOL::chunks_cached();
    ASSERT_GE(ready, 1500u);
    EXPECT_EQ(RDB_CELL_POOL::trim(), ready - 1024);
    EXPECT_EQ(RDB_CELL_POOL::chunks_cached(), 1024u);
    EXPECT_EQ(RDB_CELL_POOL::trim(), 0u);
    // Chunks whose pages went back serve again, after the ready ones.
    {
        const RDB_CELL_POOL_SCOPE scope;
        blocks = allocate_filled(std::vector<long>(7 * 1200, -8192));
    }
    EXPECT_TRUE(still_filled(blocks));
    for (const BLOCK& block : blocks)
        RDB_CELL_POOL::release(block.memory);
}

TEST(RdbCellPool, ObjectsReleasedOnAnotherThread)
{
    if (!RDB_CELL_POOL::uses_chunks()) GTEST_SKIP() << "cells come from the ordinary heap in this build";
    const std::vector<long> sizes = {-32, 11, -48, 30000, 9};
    // Allocated on a thread that ends (its default pool goes with it) and released here, and the reverse.
    for (bool allocate_on_worker : {true, false}) {
        const std::size_t before = RDB_CELL_POOL::chunks_in_use();
        std::vector<BLOCK> blocks;
        auto release_all = [&blocks] {
            for (const BLOCK& block : blocks)
                RDB_CELL_POOL::release(block.memory);
        };
        if (allocate_on_worker) {
            std::thread([&] { blocks = allocate_filled(sizes); }).join();
            EXPECT_TRUE(still_filled(blocks));
            release_all();
        } else {
            {
                const RDB_CELL_POOL_SCOPE scope;
                blocks = allocate_filled(sizes);
            }
            std::thread(release_all).join();
        }
        EXPECT_EQ(RDB_CELL_POOL::chunks_in_use(), before) << allocate_on_worker;
    }
}

TEST(RdbCellPool, DetachedRowOutlivesItsLoadedTable)
{
    RDB_REPORT report;
    auto* table = new RDB_NEW_TABLE_OBJECT("T");
    report.get_main_folder()->add_object_to_list(table);
    for (int i = 0; i < 3000; ++i)
        table->add_row_of_strings(std::to_string(i).c_str(), "a text longer than the cell itself", "");
    const std::size_t before = RDB_CELL_POOL::chunks_in_use();
    std::unique_ptr<RDB_REPORT> copy = decode_report(encode_report(report));
    ASSERT_TRUE(copy);
    auto* loaded = dynamic_cast<RDB_TABLE_OBJECT*>(copy->get_main_folder()->find_object("T"));
    ASSERT_NE(loaded, nullptr);
    RDB_TABLE_ROW_PTR row = loaded->remove_row_at(1234);
    copy.reset();
    ASSERT_EQ(row->size(), 3u);
    std::vector<std::string> texts;
    for (const RDB_TABLE_ELEMENT* cell : *row)
        texts.push_back(cell->get_string());
    EXPECT_EQ(texts, (std::vector<std::string>{"1234", "a text longer than the cell itself", ""}));
    EXPECT_EQ(RDB_CELL_POOL::chunks_in_use() > before, RDB_CELL_POOL::uses_chunks());
    row.reset();
    EXPECT_EQ(RDB_CELL_POOL::chunks_in_use(), before);
}

} // namespace
