#include "dstr/dstr.h"

#include <strings.h>

namespace {

struct PART_NAME {
    DSTR_DEV_PART_ENUM part;
    const char* name;
};

constexpr PART_NAME PART_NAMES[] = {
    {DSTR_DEV_PART_NV10K_QFN48_3, "NV10K-QFN48-3"},   {DSTR_DEV_PART_NV20K_BGA121_2, "NV20K-BGA121-2"},
    {DSTR_DEV_PART_NV40K_BGA256_1, "NV40K-BGA256-1"}, {DSTR_DEV_PART_NV40K_BGA256_2, "NV40K-BGA256-2"},
    {DSTR_DEV_PART_NV40K_BGA256_3, "NV40K-BGA256-3"}, {DSTR_DEV_PART_NV80K_BGA484_2, "NV80K-BGA484-2"},
};

const PART_NAME* find_part(const std::string& text)
{
    for (const PART_NAME& entry : PART_NAMES)
        if (strcasecmp(entry.name, text.c_str()) == 0) return &entry;
    return nullptr;
}

} // namespace

bool dstr_exists_dev_part_enum_by_string(const std::string& text) { return find_part(text) != nullptr; }

DSTR_DEV_PART_ENUM dstr_get_dev_part_enum_by_string(const std::string& text)
{
    const PART_NAME* entry = find_part(text);
    return entry == nullptr ? DSTR_DEV_PART_NONE : entry->part;
}

const char* dstr_get_dev_part_string(DSTR_DEV_PART_ENUM part)
{
    for (const PART_NAME& entry : PART_NAMES)
        if (entry.part == part) return entry.name;
    return "";
}
