#include "runtime/marshal.h"

#include <cstring>
#include <limits>

void CmsRecordCopyWith(CmsRecord* dst, const CmsRecord* src, AllocateFn allocate) {
    *dst = *src;
    StringCopyWith(&dst->text, &src->text, allocate);
    dst->values = nullptr;
    dst->count = 0;
    std::uint64_t bytes = static_cast<std::uint64_t>(src->count) * sizeof(std::int32_t);
    if (bytes > std::numeric_limits<std::uint32_t>::max())
        return;
    auto* values = static_cast<std::int32_t*>(allocate(static_cast<std::uint32_t>(bytes)));
    if (!values)
        return;
    if (src->values && bytes)
        std::memcpy(values, src->values, static_cast<std::size_t>(bytes));
    else if (bytes)
        std::memset(values, 0, static_cast<std::size_t>(bytes));
    dst->values = values;
    dst->count = src->count;
}
