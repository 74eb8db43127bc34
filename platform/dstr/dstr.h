#pragma once
// Device strings: the device parts the suite knows, by their catalogue names.

#include <string>

enum DSTR_DEV_PART_ENUM : int {
    DSTR_DEV_PART_NONE = 0,
    DSTR_DEV_PART_NV10K_QFN48_3,
    DSTR_DEV_PART_NV20K_BGA121_2,
    DSTR_DEV_PART_NV40K_BGA256_1,
    DSTR_DEV_PART_NV40K_BGA256_2,
    DSTR_DEV_PART_NV40K_BGA256_3,
    DSTR_DEV_PART_NV80K_BGA484_2,
};

// Whether text names a known part; names compare without regard to case.
bool dstr_exists_dev_part_enum_by_string(const std::string& text);
// The part text names; DSTR_DEV_PART_NONE for an unknown name.
DSTR_DEV_PART_ENUM dstr_get_dev_part_enum_by_string(const std::string& text);
// The catalogue name of a part; "" for DSTR_DEV_PART_NONE or a value out of range.
const char* dstr_get_dev_part_string(DSTR_DEV_PART_ENUM part);
