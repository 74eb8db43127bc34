// One report holding an object of every kind, copied through the binary store and through the XML
// form: the copies have the same tree (names and classes), print the same text and write the same
// file again.

#include <algorithm>
#include <cctype>
#include <string>
#include <typeinfo>
#include <vector>

#include "every_kind_report.h"
#include "pdb/pdb.h"
#include "rdb.h"
#include "report_copies.h"
#include "test_support.h"

namespace {

// Every object below the main folder as "path: class", in list order.
void list_tree(const RDB_FOLDER_OBJECT& folder, const std::string& prefix, std::vector<std::string>& out)
{
    for (const RDB_OBJECT* child : folder) {
        const std::string path = prefix + child->get_name();
        out.push_back(path + ": " + typeid(*child).name());
        if (const RDB_FOLDER_OBJECT* sub = child->dynamic_cast_to_RDB_FOLDER_OBJECT())
            list_tree(*sub, path + "||", out);
    }
}

std::vector<std::string> tree_of(const RDB_REPORT& report)
{
    std::vector<std::string> out;
    list_tree(*report.get_main_folder(), "", out);
    return out;
}

// "same", or where two byte strings part and what follows there (printable bytes as they are).
std::string difference(const std::string& a, const std::string& b)
{
    std::size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    if (at == a.size() && at == b.size()) return "same";
    auto shown = [at](const std::string& text) {
        std::string out;
        for (std::size_t i = at >= 40 ? at - 40 : 0; i < std::min(text.size(), at + 40); ++i)
            out += std::isprint(static_cast<unsigned char>(text[i])) ? text[i] : '.';
        return out;
    };
    return "differ at byte " + std::to_string(at) + ": [" + shown(a) + "] vs [" + shown(b) + "]";
}

// The image without the header, whose length and checksums say nothing of where two images part.
std::string payload(const std::string& image) { return image.substr(PDB_HEADER_SIZE); }

} // namespace

TEST(RdbEveryKind, BinaryStoreGivesBackTheSameReport)
{
    std::unique_ptr<RDB_REPORT> report = rdb_every_kind_report();
    const std::string image = encode_report(*report);
    std::unique_ptr<RDB_REPORT> copy = decode_report(image);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(tree_of(*copy), tree_of(*report));
    EXPECT_EQ(ascii_of(*copy->get_main_folder()), ascii_of(*report->get_main_folder()));
    EXPECT_EQ(difference(payload(encode_report(*copy)), payload(image)), "same");
    EXPECT_EQ(xml_of(*copy), xml_of(*report));
}

TEST(RdbEveryKind, XmlFormGivesBackTheSameReport)
{
    std::unique_ptr<RDB_REPORT> report = rdb_every_kind_report();
    const std::string xml = xml_of(*report);
    std::unique_ptr<RDB_REPORT> copy = report_from_xml(xml);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(tree_of(*copy), tree_of(*report));
    EXPECT_EQ(ascii_of(*copy->get_main_folder()), ascii_of(*report->get_main_folder()));
    EXPECT_EQ(xml_of(*copy), xml);
    EXPECT_EQ(difference(payload(encode_report(*copy)), payload(encode_report(*report))), "same");
}
