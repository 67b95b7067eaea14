// Copies of the records the notification sink hands back to the host.
#pragma once

#include "support/typed_val.h"

#include <cstdint>

// The record a CMS command fills: two plain words, an owned string, and owned values.
struct CmsRecord {
    std::int32_t word0;
    std::int32_t word1;
    char* text;
    std::uint32_t count;
    std::int32_t* values;
};

// Copies the five words, duplicating the string and the value array.
void CmsRecordCopyWith(CmsRecord* dst, const CmsRecord* src, AllocateFn allocate);
