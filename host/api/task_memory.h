// Building the structures the host hands to the client in COM task memory, from the host's own
// C++ values. The client copies them and releases them with CoTaskMemFree.
#pragma once

#include "host/model/model.h"
#include "support/api_types.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace lxhost {

// A property value as the host keeps it: the TypedVal tag and a C++ payload.
struct HostValue {
    std::int32_t tag = kTagInt;
    std::variant<std::int32_t, std::string, std::vector<std::int32_t>, std::vector<std::string>>
        payload = std::int32_t{0};

    static HostValue Int(std::int32_t v) { return {kTagInt, v}; }
    static HostValue String(std::string s) { return {kTagString, std::move(s)}; }
    static HostValue Ints(std::vector<std::int32_t> v) { return {kTagInts, std::move(v)}; }
    static HostValue Strings(std::vector<std::string> v) { return {kTagStrings, std::move(v)}; }
};

struct HostProp {
    std::int32_t num = 0;
    std::string name; // used only when num is 0
    HostValue value;
};

// Hands out blocks of task memory. When the host keeps its memory (the client was told not to
// release it), the blocks are remembered and released by the host itself later.
class TaskAllocator {
  public:
    TaskAllocator() = default;
    TaskAllocator(const TaskAllocator&) = delete;
    TaskAllocator& operator=(const TaskAllocator&) = delete;
    ~TaskAllocator();

    void SetHostKeepsMemory(bool keep) { keep_ = keep; }
    // Fault injection for tests: when the hook answers true, the allocation fails (null). The
    // host does not link the client's support library, so the test hands its countdown in.
    using FailureHook = bool (*)();
    void SetFailureHook(FailureHook hook) { failureHook_ = hook; }
    void* Alloc(std::size_t size);
    char* Dup(const std::string& s);
    // Releases every block kept for the client so far.
    void ReleaseKept();

  private:
    bool keep_ = false;
    FailureHook failureHook_ = nullptr;
    std::vector<void*> kept_;
};

void FillTypedVal(TaskAllocator& memory, const HostValue& value, TypedVal* out);
PropValList MakePropValList(TaskAllocator& memory, const std::vector<HostProp>& props);
MetricList MakeMetricList(TaskAllocator& memory, const std::vector<Metric>& metrics);

// One item of a text object's text as the host returns it.
struct HostTextItem {
    std::int32_t offset = 0;
    std::int32_t dataType = kTextItemString;
    std::string text;   // data type 1
    ObjectId value = 0; // other data types
};
TextItemList MakeTextItemList(TaskAllocator& memory, const std::vector<HostTextItem>& items);
// The model's text pieces, as the client receives them.
TextItemList MakeTextItemList(TaskAllocator& memory, const std::vector<TextPiece>& pieces);

// Reads a client's property list into host values (tags the host does not keep are skipped).
std::vector<HostProp> ReadPropValList(const PropValList* list);

} // namespace lxhost
