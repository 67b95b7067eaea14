// A host that serves only the text of objects, for tests and benchmarks of the counting: its API
// interface answers GetText with the items it was given, in task memory as a real host hands
// them out, and fails every other call; the host object offers that interface and nothing else.
#pragma once

#include "runtime/api_slots.h"
#include "runtime/interface_ids.h"

#include <cstring>
#include <string>
#include <vector>

// A text item as the fake host hands it out: a string for data type 1, a plain value otherwise.
struct FakeItem {
    std::int32_t dataType;
    std::string text;
    ObjectId value;
};

// The host API as far as fetching text goes; every other slot fails. Items are handed out in task
// memory, which the client releases after copying them.
struct FakeApi final : ApiHostInterfaceFailing {
    // The items of every object; when empty, `items` answers for every object.
    std::vector<std::vector<FakeItem>> itemsByObject;
    std::vector<FakeItem> items;
    std::int32_t hostError = 0;
    int getTextCalls = 0;
    ObjectId lastDoc = 0;
    TextRange lastRange{};
    std::int32_t lastFlags = 0;
    ULONG refs = 0;

    HRESULT LX_STDCALL QueryInterface(REFIID iid, void** out) override {
        if (!IsEqualGUID(iid, kIidHostApi)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *out = static_cast<ApiHostInterface*>(this);
        return S_OK;
    }
    ULONG LX_STDCALL AddRef() override { return ++refs; }
    ULONG LX_STDCALL Release() override { return --refs; }

    HRESULT LX_STDCALL GetText(ObjectId doc, const TextRange* range, std::int32_t flags,
                               std::int32_t* err, TextItemList* result) override {
        ++getTextCalls;
        lastDoc = doc;
        lastRange = *range;
        lastFlags = flags;
        if (hostError) {
            *err = hostError;
            return S_OK;
        }
        const std::vector<FakeItem>& items =
            range->begin.obj < itemsByObject.size() ? itemsByObject[range->begin.obj] : this->items;
        auto* out = static_cast<TextItem*>(CoTaskMemAlloc(items.size() * sizeof(TextItem)));
        for (std::size_t i = 0; i < items.size(); ++i) {
            out[i].offset = static_cast<std::int32_t>(i);
            out[i].dataType = items[i].dataType;
            if (items[i].dataType == kTextItemString) {
                char* s = static_cast<char*>(CoTaskMemAlloc(items[i].text.size() + 1));
                std::memcpy(s, items[i].text.c_str(), items[i].text.size() + 1);
                out[i].u.sdata = s;
            } else {
                out[i].u.idata = items[i].value;
            }
        }
        result->count = static_cast<std::uint32_t>(items.size());
        result->items = out;
        *err = 0;
        return S_OK;
    }
};

// The host object the client connects to: it offers the API interface and nothing else.
struct FakeHost final : IUnknown {
    FakeApi* api;
    explicit FakeHost(FakeApi* a) : api(a) {}
    HRESULT LX_STDCALL QueryInterface(REFIID iid, void** out) override {
        if (IsEqualGUID(iid, kIidHostApi))
            return api->QueryInterface(iid, out);
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG LX_STDCALL AddRef() override { return 1; }
    ULONG LX_STDCALL Release() override { return 1; }
};
