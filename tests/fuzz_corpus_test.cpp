// The fuzzers' committed starting inputs: the documents and images replayed through both loaders (every
// input loads, and writing it again gives the same bytes, so a change to a writer that its reader does
// not follow shows here), and the writers' inputs through the writers fuzzer's own check.

#include <filesystem>
#include <sstream>

#include "every_kind_report.h"
#include "pdb/pdb.h"
#include "rdb_report.h"
#include "rdb_xml.h"
#include "test_support.h"
#include "writers_check.h"

namespace fs = std::filesystem;

TEST(FuzzCorpus, EveryBinaryInputLoadsAndWritesTheSameImage)
{
    std::size_t inputs = 0;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(std::string(RDB_TEST_DATA_DIR) + "/../fuzz/corpus/binary")) {
        const std::string image = read_file(entry.path().string());
        std::string error;
        std::unique_ptr<PDB_VIRTUAL_OBJECT> root = PDB_ARCHIVE::decode(image, &error);
        ASSERT_TRUE(root) << entry.path() << ": " << error;
        std::string again;
        ASSERT_TRUE(PDB_ARCHIVE::encode(*root, again, &error)) << entry.path() << ": " << error;
        EXPECT_TRUE(again == image) << entry.path();
        ++inputs;
    }
    EXPECT_GE(inputs, 4u);
}

// The every-kind document's link folder carries the content of the report it links to; read back, the
// link reaches that report through the registry, so the report must be registered for the content to
// be written again.
TEST(FuzzCorpus, EveryXmlInputLoadsAndWritesTheSameDocument)
{
    const std::unique_ptr<RDB_REPORT> registers_linked_report = rdb_every_kind_report();
    std::size_t inputs = 0;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(std::string(RDB_TEST_DATA_DIR) + "/../fuzz/corpus/xml")) {
        std::unique_ptr<RDB_REPORT> report = rdb_read_xml_report(entry.path().c_str());
        ASSERT_TRUE(report) << entry.path();
        ++inputs;
        // A panel document reads back as a report of that panel, which is written as a whole report.
        if (entry.path().filename() == "panel.xml") continue;
        std::ostringstream again;
        ASSERT_TRUE(rdb_xml_write(again, report.get()));
        EXPECT_EQ(first_difference(read_file(entry.path().string()), again.str()), "") << entry.path();
    }
    EXPECT_GE(inputs, 5u);
}

// Plain, hostile (quotes, SQL, markup, "||", line breaks, invalid bytes) and clashing-name inputs go
// through the whole-report JSON, the panels, the SQLite export and the conversion, and read back.
TEST(FuzzCorpus, EveryWritersInputReadsBackFromEveryOutput)
{
    std::size_t inputs = 0;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(std::string(RDB_TEST_DATA_DIR) + "/../fuzz/corpus/writers")) {
        const fs::path scratch = fs::path(testing::TempDir()) / ("writers_" + entry.path().filename().string());
        fs::remove_all(scratch);
        fs::create_directories(scratch);
        EXPECT_EQ(rdb_check_report_writers(read_file(entry.path().string()), scratch.string()), "") << entry.path();
        fs::remove_all(scratch);
        ++inputs;
    }
    EXPECT_GE(inputs, 4u);
}
