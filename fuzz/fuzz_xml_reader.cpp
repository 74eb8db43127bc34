// Fuzz target: arbitrary bytes as an XML report document held in memory.
//
// Whatever the reader accepts must also write, and the written document must read back and write
// again to the same text; anything else (a crash, a sanitizer report, a leak) is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include <gsl/span>

#include "rdb_report.h"
#include "rdb_xml.h"

namespace {

std::string written(const RDB_REPORT& report)
{
    std::ostringstream out;
    if (!rdb_xml_write(out, &report)) std::abort();
    return out.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const gsl::span<const char> text(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<RDB_REPORT> report = rdb_read_xml_report(text);
    if (!report) return 0;

    const std::string first = written(*report);
    std::unique_ptr<RDB_REPORT> again = rdb_read_xml_report(gsl::span<const char>(first.data(), first.size()));
    if (!again) std::abort(); // the writer made a document the reader refuses
    if (written(*again) != first) std::abort(); // a second round trip changed the document
    return 0;
}
