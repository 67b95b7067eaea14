#include "host/api/task_memory.h"

#include "platform/com.h"

#include <cstring>

namespace lxhost {

TaskAllocator::~TaskAllocator() {
    ReleaseKept();
}

void* TaskAllocator::Alloc(std::size_t size) {
    if (failureHook_ && failureHook_())
        return nullptr;
    void* block = CoTaskMemAlloc(size);
    if (block && keep_)
        kept_.push_back(block);
    return block;
}

char* TaskAllocator::Dup(const std::string& s) {
    auto* copy = static_cast<char*>(Alloc(s.size() + 1));
    if (copy)
        std::memcpy(copy, s.c_str(), s.size() + 1);
    return copy;
}

void TaskAllocator::ReleaseKept() {
    for (void* block : kept_)
        CoTaskMemFree(block);
    kept_.clear();
}

namespace {

template <typename T> T* AllocArray(TaskAllocator& memory, std::size_t count) {
    auto* items = static_cast<T*>(memory.Alloc(count * sizeof(T)));
    if (items && count)
        std::memset(static_cast<void*>(items), 0, count * sizeof(T));
    return items;
}

} // namespace

void FillTypedVal(TaskAllocator& memory, const HostValue& value, TypedVal* out) {
    std::memset(static_cast<void*>(out), 0, sizeof *out);
    out->tag = value.tag;
    if (const auto* i = std::get_if<std::int32_t>(&value.payload)) {
        out->u.ival = *i;
    } else if (const auto* s = std::get_if<std::string>(&value.payload)) {
        out->u.sval = memory.Dup(*s);
    } else if (const auto* ints = std::get_if<std::vector<std::int32_t>>(&value.payload)) {
        out->u.ints.items = AllocArray<std::int32_t>(memory, ints->size());
        if (out->u.ints.items) {
            out->u.ints.count = static_cast<std::uint32_t>(ints->size());
            if (!ints->empty())
                std::memcpy(out->u.ints.items, ints->data(), ints->size() * sizeof(std::int32_t));
        }
    } else if (const auto* strs = std::get_if<std::vector<std::string>>(&value.payload)) {
        out->u.strings.items = AllocArray<char*>(memory, strs->size());
        if (out->u.strings.items) {
            out->u.strings.count = static_cast<std::uint32_t>(strs->size());
            for (std::size_t i = 0; i < strs->size(); ++i)
                out->u.strings.items[i] = memory.Dup((*strs)[i]);
        }
    }
}

PropValList MakePropValList(TaskAllocator& memory, const std::vector<HostProp>& props) {
    PropValList list = {0, AllocArray<PropVal>(memory, props.size())};
    if (!list.items)
        return list;
    list.count = static_cast<std::uint32_t>(props.size());
    for (std::size_t i = 0; i < props.size(); ++i) {
        list.items[i].prop.num = props[i].num;
        list.items[i].prop.name = props[i].num == 0 ? memory.Dup(props[i].name) : nullptr;
        FillTypedVal(memory, props[i].value, &list.items[i].value);
    }
    return list;
}

MetricList MakeMetricList(TaskAllocator& memory, const std::vector<Metric>& metrics) {
    MetricList list = {0, AllocArray<Metric>(memory, metrics.size())};
    if (list.items) {
        list.count = static_cast<std::uint32_t>(metrics.size());
        if (!metrics.empty())
            std::memcpy(list.items, metrics.data(), metrics.size() * sizeof(Metric));
    }
    return list;
}

TextItemList MakeTextItemList(TaskAllocator& memory, const std::vector<HostTextItem>& items) {
    TextItemList list = {0, AllocArray<TextItem>(memory, items.size())};
    if (!list.items)
        return list;
    list.count = static_cast<std::uint32_t>(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        TextItem& item = list.items[i];
        item.offset = items[i].offset;
        item.dataType = items[i].dataType;
        if (item.dataType == kTextItemString)
            item.u.sdata = memory.Dup(items[i].text);
        else
            item.u.idata = items[i].value;
    }
    return list;
}

TextItemList MakeTextItemList(TaskAllocator& memory, const std::vector<TextPiece>& pieces) {
    TextItemList list = {0, AllocArray<TextItem>(memory, pieces.size())};
    if (!list.items)
        return list;
    list.count = static_cast<std::uint32_t>(pieces.size());
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        TextItem& item = list.items[i];
        item.offset = pieces[i].offset;
        item.dataType = pieces[i].dataType;
        if (item.dataType == kTextItemString) {
            const std::string_view text = pieces[i].text;
            item.u.sdata = static_cast<char*>(memory.Alloc(text.size() + 1));
            if (item.u.sdata) {
                std::memcpy(item.u.sdata, text.data(), text.size());
                item.u.sdata[text.size()] = '\0';
            }
        } else {
            item.u.idata = pieces[i].value;
        }
    }
    return list;
}

std::vector<HostProp> ReadPropValList(const PropValList* list) {
    std::vector<HostProp> props;
    if (!list || !list->items)
        return props;
    for (std::uint32_t i = 0; i < list->count; ++i) {
        const PropVal& entry = list->items[i];
        HostProp prop;
        prop.num = entry.prop.num;
        if (entry.prop.num == 0 && entry.prop.name)
            prop.name = entry.prop.name;
        const TypedVal& v = entry.value;
        switch (v.tag) {
        case kTagString:
            prop.value = HostValue::String(v.u.sval ? v.u.sval : "");
            break;
        case kTagInts:
            prop.value = HostValue::Ints(
                v.u.ints.items
                    ? std::vector<std::int32_t>(v.u.ints.items, v.u.ints.items + v.u.ints.count)
                    : std::vector<std::int32_t>{});
            break;
        case kTagStrings: {
            std::vector<std::string> strs;
            for (std::uint32_t k = 0; v.u.strings.items && k < v.u.strings.count; ++k)
                strs.emplace_back(v.u.strings.items[k] ? v.u.strings.items[k] : "");
            prop.value = HostValue::Strings(std::move(strs));
            break;
        }
        default:
            prop.value = HostValue{v.tag, v.u.ival};
            break;
        }
        props.push_back(std::move(prop));
    }
    return props;
}

} // namespace lxhost
