// Fuzz target: arbitrary bytes as a binary store image of a report model.
//
// Each input is decoded twice: as it is (exercising the header checks) and with its header's length
// and checksums recomputed, so that mutations reach the payload decoder instead of stopping at the
// checksum. A report model that decodes must encode again. Anything else (a crash, an exception
// escaping the decoder, a sanitizer report, a leak) is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "pdb/pdb.h"
#include "rdb_dms_model_handler.h"
#include "rdb_report.h"

namespace {

void decode_and_store_again(std::string_view image)
{
    std::string error;
    std::unique_ptr<PDB_VIRTUAL_OBJECT> root = PDB_ARCHIVE::decode(image, &error);
    auto* model = dynamic_cast<RDB_KDB_MODEL*>(root.get());
    if (model == nullptr || model->get_rdb_report() == nullptr) return;
    std::string encoded;
    if (!PDB_ARCHIVE::encode(*model, encoded, &error)) std::abort(); // a loaded report cannot be stored again
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string image(reinterpret_cast<const char*>(data), size);
    decode_and_store_again(image);
    if (image.size() >= PDB_HEADER_SIZE) {
        PDB_ARCHIVE::reseal(image);
        decode_and_store_again(image);
    }
    return 0;
}
