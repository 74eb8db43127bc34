#include "report_copies.h"

#include <sstream>
#include <utility>

#include <gsl/span>
#include <gtest/gtest.h>

#include "pdb/pdb.h"
#include "rdb_dms_model_handler.h"
#include "rdb_report.h"
#include "rdb_xml.h"

std::string encode_report(RDB_REPORT& report)
{
    RDB_LENT_REPORT_MODEL lent(&report, KDB_PATH());
    std::string image;
    std::string error;
    EXPECT_TRUE(PDB_ARCHIVE::encode(lent.model(), image, &error)) << error;
    return image;
}

std::unique_ptr<RDB_REPORT> decode_report(std::string image, std::string* error, bool reseal)
{
    if (reseal) PDB_ARCHIVE::reseal(image);
    std::unique_ptr<PDB_VIRTUAL_OBJECT> root = PDB_ARCHIVE::decode(image, error);
    auto* model = dynamic_cast<RDB_KDB_MODEL*>(root.get());
    return model != nullptr ? model->release_report() : nullptr;
}

std::string refusal(std::string image)
{
    std::string error;
    EXPECT_EQ(decode_report(std::move(image), &error), nullptr);
    return error;
}

std::string xml_of(const RDB_REPORT& report)
{
    std::ostringstream out;
    EXPECT_TRUE(rdb_xml_write(out, &report));
    return out.str();
}

std::string xml_of(const RDB_OBJECT& object)
{
    std::ostringstream out;
    EXPECT_TRUE(rdb_xml_write(out, &object));
    return out.str();
}

std::unique_ptr<RDB_REPORT> report_from_xml(const std::string& text)
{
    return rdb_read_xml_report(gsl::span<const char>(text.data(), text.size()));
}

std::string ascii_of(RDB_OBJECT& object)
{
    std::ostringstream out;
    object.output_ascii(out);
    return out.str();
}

REPORT_COPIES copies_of(RDB_REPORT& report)
{
    REPORT_COPIES copies{encode_report(report), xml_of(report), nullptr, nullptr};
    copies.stored = decode_report(copies.image);
    copies.read = report_from_xml(copies.xml);
    EXPECT_TRUE(copies.stored && copies.read);
    if (copies.stored) {
        EXPECT_EQ(encode_report(*copies.stored), copies.image);
        EXPECT_EQ(xml_of(*copies.stored), copies.xml);
    }
    // Each copy is also written in the other form, so a field that one form drops shows.
    if (copies.read) {
        EXPECT_EQ(xml_of(*copies.read), copies.xml);
        // A document without a current folder reads with the main folder current.
        if (report.get_current_folder() == nullptr) copies.read->set_current_folder(nullptr);
        EXPECT_EQ(encode_report(*copies.read), copies.image);
    }
    return copies;
}
