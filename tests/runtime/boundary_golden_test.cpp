// The binary boundary checked against values written out here, not taken from the client's own
// declarations: the slot of every operation, the arguments each slot receives, the failure
// results, the layouts of the exchanged records, the interface identifiers, and the order of
// start-up and teardown. The host is a raw table of function pointers (raw_host.h).
#include "raw_host.h"
#include "seen_callbacks.h"

#include "runtime/api.h"
#include "runtime/client_init.h"
#include "runtime/connection.h"
#include "runtime/marshal.h"
#include "runtime/sink.h"
#include "support/enc_convert.h"
#include "support/mem.h"
#include "support/prop_list.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <unicode/putil.h>
#endif

#include <cstddef>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using raw::Object;

constexpr int kApiTableSize = 165;
constexpr std::int32_t kHostCode = 4711;
constexpr HRESULT kBusy = static_cast<HRESULT>(0x8001010Au);
constexpr ObjectId kDoc = 0x01000011;
constexpr ObjectId kObj = 0x0B000022;
constexpr std::int32_t kProp = 577;
constexpr ObjectId kResultId = 0x0C0000AB;
constexpr std::int32_t kErrnoBefore = 555;

std::uint64_t W(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p);
}
std::uint64_t W(std::int64_t v) {
    return static_cast<std::uint64_t>(v);
}

enum class Mode { Ok, HostError, ComFailure, Busy };

// What the raw host saw and how it answers.
struct RawHostState {
    Mode mode = Mode::Ok;
    HRESULT memoryAnswer = 1;
    int calledSlot = -1;
    int calls = 0;
    std::vector<std::uint64_t> args;
    std::vector<int> unexpected;
    std::vector<std::string> events;
    void* sink = nullptr; // the sink as attached, with the host's reference
    bool logStartUp = false;
};
RawHostState state;

// Objects: the host, its fifteen interfaces, and the extra interface of the entry.
constexpr int kHostObject = 100;
constexpr int kExtraObject = 101;
Object hostObject;
Object interfaces[raw::kHostIidCount];
Object extraObject;
raw::Table<3> hostTable;
raw::Table<3> plainTable;
raw::Table<4> memoryTable;
raw::Table<4> moduleTable;
raw::Table<kApiTableSize> apiTable;

std::string Name(int id) {
    if (id == kHostObject)
        return "host";
    if (id == kExtraObject)
        return "extra";
    if (id == raw::kIidMemory)
        return "memory";
    if (id == raw::kIidModule)
        return "module";
    if (id == raw::kIidReserve)
        return "reserve";
    return id >= 0 && id < 12 ? std::to_string(id + 1) : "unknown";
}

// The sink's reference count, read by taking and dropping one reference through its table, and
// whether the console output is installed yet.
std::string Progress() {
    std::string s;
    if (state.sink) {
        std::uint32_t count = raw::AddRef(state.sink) - 1;
        raw::Release(state.sink);
        s += " sink " + std::to_string(count);
    }
    s += ConsoleCallback ? " console" : "";
    return s;
}

void Log(const std::string& event) {
    if (state.logStartUp)
        state.events.push_back(event);
}

HRESULT LX_STDCALL HostQuery(Object* self, const void* iid, void** out) {
    int index = raw::IidIndex(iid);
    Log("query " + Name(index));
    *out = nullptr;
    if (self->id != kHostObject || index < 0 || index >= raw::kHostIidCount)
        return E_NOINTERFACE;
    ++interfaces[index].references;
    *out = &interfaces[index];
    return S_OK;
}
std::uint32_t LX_STDCALL ObjectAddRef(Object* self) {
    if (self->id == kExtraObject)
        Log("addref extra" + Progress());
    return static_cast<std::uint32_t>(++self->references);
}
std::uint32_t LX_STDCALL ObjectRelease(Object* self) {
    Log("release " + Name(self->id));
    return static_cast<std::uint32_t>(--self->references);
}
HRESULT LX_STDCALL MemoryMode(Object*, std::int32_t mode) {
    Log("memory mode " + std::to_string(mode));
    return state.memoryAnswer;
}
HRESULT LX_STDCALL ModuleSet(Object*, void* module) {
    Log("module " + std::to_string(W(module)) + Progress());
    return S_OK;
}
HRESULT LX_STDCALL Attach(Object*, void* sink, std::int32_t flags, void* info) {
    std::ostringstream s;
    s << "attach flags 0x" << std::hex << flags << " info " << std::dec << W(info);
    Log(s.str());
    state.sink = sink;
    raw::AddRef(sink);
    return S_OK;
}

template <int N> HRESULT LX_STDCALL UnexpectedSlot(Object*) {
    state.unexpected.push_back(N);
    return E_FAIL;
}
template <std::size_t... I> void FillUnexpected(std::index_sequence<I...>) {
    ((apiTable.slots[I] = reinterpret_cast<raw::Fn>(&UnexpectedSlot<static_cast<int>(I)>)), ...);
}

// Records the call, then answers for the mode: the error word is written only when the host
// answered (a failed call never reached it).
HRESULT Answer(int slot, std::vector<std::uint64_t> args, std::int32_t* err) {
    state.calledSlot = slot;
    ++state.calls;
    state.args = std::move(args);
    switch (state.mode) {
    case Mode::Ok:
        *err = 0;
        return S_OK;
    case Mode::HostError:
        *err = kHostCode;
        return S_OK;
    case Mode::ComFailure:
        return E_FAIL;
    case Mode::Busy:
        return kBusy;
    }
    return E_FAIL;
}

bool HostHandsMemory() {
    return state.mode == Mode::Ok || state.mode == Mode::HostError;
}
char* HostString(const char* s) {
    // A failed call leaves a stale pointer behind; the client must neither copy nor free it.
    static char stale[] = "stale";
    if (!HostHandsMemory())
        return stale;
    auto* copy = static_cast<char*>(CoTaskMemAlloc(std::strlen(s) + 1));
    std::strcpy(copy, s);
    return copy;
}
template <typename T> T* HostArray(std::size_t n) {
    static T stale[2] = {};
    if (!HostHandsMemory())
        return stale;
    return static_cast<T*>(CoTaskMemAlloc(n * sizeof(T)));
}

void FillList(PropValList* list, std::int32_t num, const char* text) {
    list->count = 1;
    list->items = HostArray<PropVal>(1);
    if (!HostHandsMemory())
        return;
    list->items[0] = {};
    list->items[0].prop.num = num;
    list->items[0].value.tag = 3;
    list->items[0].value.u.sval = HostString(text);
}

// The operations at their slots, each with the signature a host declares for it.
HRESULT LX_STDCALL Notification(Object*, std::int32_t n, std::int32_t on, std::int32_t* err) {
    return Answer(8, {W(n), W(on)}, err);
}
HRESULT LX_STDCALL DefineMenu(Object*, const char* tag, const char* label, std::int32_t* err,
                              ObjectId* result) {
    *result = kResultId;
    return Answer(13, {W(tag), W(label)}, err);
}
HRESULT LX_STDCALL AddCommandToMenu(Object*, ObjectId menu, ObjectId command, std::int32_t* err) {
    return Answer(14, {menu, command}, err);
}
HRESULT LX_STDCALL AddMenuToMenu(Object*, ObjectId target, ObjectId menu, std::int32_t* err) {
    return Answer(15, {target, menu}, err);
}
HRESULT LX_STDCALL DefineAndAddMenu(Object*, ObjectId target, const char* tag, const char* label,
                                    std::int32_t* err, ObjectId* result) {
    *result = kResultId;
    return Answer(16, {target, W(tag), W(label)}, err);
}
HRESULT LX_STDCALL Alert(Object*, const char* message, std::int32_t type, std::int32_t* answer) {
    *answer = 3;
    std::int32_t err = 0;
    return Answer(20, {W(message), W(type)}, &err);
}
HRESULT LX_STDCALL PrintConsole(Object*, const char* text, std::int32_t* err) {
    return Answer(24, {W(text)}, err);
}
HRESULT LX_STDCALL Open(Object*, const char* name, const PropValList* params, PropValList* returned,
                        std::int32_t* err, ObjectId* result) {
    *result = kResultId;
    FillList(returned, 1, "returned");
    return Answer(32, {W(name), W(params)}, err);
}
HRESULT LX_STDCALL CustomDoc(Object*, Metric w, Metric h, std::int32_t columns, Metric gap,
                             Metric top, Metric bottom, Metric inside, Metric outside,
                             std::int32_t sides, std::int32_t visible, std::int32_t* err,
                             ObjectId* result) {
    *result = kResultId;
    return Answer(34,
                  {W(w), W(h), W(columns), W(gap), W(top), W(bottom), W(inside), W(outside),
                   W(sides), W(visible)},
                  err);
}
HRESULT LX_STDCALL Close(Object*, ObjectId obj, std::int32_t flags, std::int32_t* err) {
    return Answer(35, {obj, W(flags)}, err);
}
HRESULT LX_STDCALL Redisplay(Object*, ObjectId doc, std::int32_t* err) {
    return Answer(66, {doc}, err);
}
HRESULT LX_STDCALL GetNamedObject(Object*, ObjectId doc, std::int32_t type, const char* name,
                                  std::int32_t* err, ObjectId* result) {
    *result = kResultId;
    return Answer(68, {doc, W(type), W(name)}, err);
}
HRESULT LX_STDCALL AddText(Object*, ObjectId doc, const TextLoc* at, const char* text,
                           std::int32_t* err, TextLoc* result) {
    *result = {kResultId, 9};
    return Answer(73, {doc, at->obj, W(at->offset), W(text)}, err);
}
HRESULT LX_STDCALL GetProps(Object*, ObjectId doc, ObjectId obj, std::int32_t* err,
                            PropValList* result) {
    FillList(result, 2, "value");
    return Answer(83, {doc, obj}, err);
}
HRESULT LX_STDCALL SetProps(Object*, ObjectId doc, ObjectId obj, const PropValList* props,
                            std::int32_t* err) {
    return Answer(84, {doc, obj, W(props)}, err);
}
HRESULT LX_STDCALL GetInt(Object*, ObjectId doc, ObjectId obj, const PropIdent* prop,
                          std::int32_t* err, std::int32_t* result) {
    *result = 1234;
    return Answer(85, {doc, obj, W(prop->num), W(prop->name)}, err);
}
HRESULT LX_STDCALL SetInt(Object*, ObjectId doc, ObjectId obj, const PropIdent* prop,
                          std::int32_t value, std::int32_t* err) {
    return Answer(86, {doc, obj, W(prop->num), W(prop->name), W(value)}, err);
}
HRESULT LX_STDCALL GetId(Object*, ObjectId doc, ObjectId obj, const PropIdent* prop,
                         std::int32_t* err, ObjectId* result) {
    *result = kResultId;
    return Answer(89, {doc, obj, W(prop->num), W(prop->name)}, err);
}
HRESULT LX_STDCALL SetId(Object*, ObjectId doc, ObjectId obj, const PropIdent* prop, ObjectId value,
                         std::int32_t* err) {
    return Answer(90, {doc, obj, W(prop->num), W(prop->name), value}, err);
}
HRESULT LX_STDCALL SetMetric(Object*, ObjectId doc, ObjectId obj, const PropIdent* prop,
                             Metric value, std::int32_t* err) {
    return Answer(92, {doc, obj, W(prop->num), W(prop->name), W(value)}, err);
}
HRESULT LX_STDCALL GetTextLoc(Object*, ObjectId doc, ObjectId obj, const PropIdent* prop,
                              std::int32_t* err, TextLoc* result) {
    *result = {kResultId, 17};
    return Answer(93, {doc, obj, W(prop->num), W(prop->name)}, err);
}
HRESULT LX_STDCALL GetTextRange(Object*, ObjectId doc, ObjectId obj, const PropIdent* prop,
                                std::int32_t* err, TextRange* result) {
    *result = {{kResultId, 3}, {kResultId, 0x50000000}};
    return Answer(95, {doc, obj, W(prop->num), W(prop->name)}, err);
}
HRESULT LX_STDCALL SetTextRange(Object*, ObjectId doc, ObjectId obj, const PropIdent* prop,
                                const TextRange* value, std::int32_t* err) {
    return Answer(96, {doc, obj, W(prop->num), W(prop->name), W(value)}, err);
}
HRESULT LX_STDCALL GetString(Object*, ObjectId doc, ObjectId obj, const PropIdent* prop,
                             std::int32_t* err, char** result) {
    if (state.logStartUp) {
        Log("get string " + std::to_string(doc) + " " + std::to_string(obj) + " " +
            std::to_string(prop->num) + Progress());
        *result = nullptr;
        *err = 0;
        return S_OK;
    }
    *result = HostString("host text");
    return Answer(97, {doc, obj, W(prop->num), W(prop->name)}, err);
}
HRESULT LX_STDCALL SetString(Object*, ObjectId doc, ObjectId obj, const PropIdent* prop,
                             const char* value, std::int32_t* err) {
    return Answer(98, {doc, obj, W(prop->num), W(prop->name), W(value)}, err);
}
HRESULT LX_STDCALL GetMetrics(Object*, ObjectId doc, ObjectId obj, const PropIdent* prop,
                              std::int32_t* err, MetricList* result) {
    result->count = 2;
    result->items = HostArray<Metric>(2);
    result->items[0] = 0x10000;
    result->items[1] = 0x20000;
    return Answer(101, {doc, obj, W(prop->num), W(prop->name)}, err);
}
HRESULT LX_STDCALL SetMetrics(Object*, ObjectId doc, ObjectId obj, const PropIdent* prop,
                              const MetricList* value, std::int32_t* err) {
    return Answer(102, {doc, obj, W(prop->num), W(prop->name), W(value)}, err);
}
HRESULT LX_STDCALL GetText(Object*, ObjectId doc, const TextRange* range, std::int32_t flags,
                           std::int32_t* err, TextItemList* result) {
    result->count = 1;
    result->items = HostArray<TextItem>(1);
    if (HostHandsMemory()) {
        result->items[0].offset = 0;
        result->items[0].dataType = 1;
        result->items[0].u.sdata = HostString("Words.");
    }
    return Answer(110, {doc, W(range), W(flags)}, err);
}
HRESULT LX_STDCALL AddRows(Object*, ObjectId doc, ObjectId row, std::int32_t position,
                           std::int32_t count, std::int32_t* err) {
    return Answer(135, {doc, row, W(position), W(count)}, err);
}
HRESULT LX_STDCALL NewTable(Object*, ObjectId doc, const char* format, std::int32_t columns,
                            std::int32_t body, std::int32_t heading, std::int32_t footing,
                            const TextLoc* at, std::int32_t* err, ObjectId* result) {
    *result = kResultId;
    return Answer(140, {doc, W(format), W(columns), W(body), W(heading), W(footing), W(at)}, err);
}
HRESULT LX_STDCALL DefineAndAddCommand(Object*, std::int32_t command, ObjectId menu,
                                       const char* tag, const char* label, const char* shortcut,
                                       std::int32_t* err, ObjectId* result) {
    *result = kResultId;
    return Answer(164, {W(command), menu, W(tag), W(label), W(shortcut)}, err);
}

template <typename F> void Put(int slot, F f) {
    apiTable.slots[slot] = reinterpret_cast<raw::Fn>(f);
}

void BuildHost() {
    for (auto* table : {&hostTable.slots, &plainTable.slots}) {
        (*table)[0] = reinterpret_cast<raw::Fn>(&HostQuery);
        (*table)[1] = reinterpret_cast<raw::Fn>(&ObjectAddRef);
        (*table)[2] = reinterpret_cast<raw::Fn>(&ObjectRelease);
    }
    hostTable.SetType(typeid(IUnknown));
    plainTable.SetType(typeid(IUnknown));
    memoryTable.SetType(typeid(IHostMemory));
    moduleTable.SetType(typeid(IHostModule));
    apiTable.SetType(typeid(ApiHostInterface));
    FillUnexpected(std::make_index_sequence<kApiTableSize>());
    for (int i = 0; i < 3; ++i) {
        memoryTable.slots[i] = plainTable.slots[i];
        moduleTable.slots[i] = plainTable.slots[i];
        apiTable.slots[i] = plainTable.slots[i];
    }
    memoryTable.slots[3] = reinterpret_cast<raw::Fn>(&MemoryMode);
    moduleTable.slots[3] = reinterpret_cast<raw::Fn>(&ModuleSet);
    Put(3, &Attach);
    Put(8, &Notification);
    Put(13, &DefineMenu);
    Put(14, &AddCommandToMenu);
    Put(15, &AddMenuToMenu);
    Put(16, &DefineAndAddMenu);
    Put(20, &Alert);
    Put(24, &PrintConsole);
    Put(32, &Open);
    Put(34, &CustomDoc);
    Put(35, &Close);
    Put(66, &Redisplay);
    Put(68, &GetNamedObject);
    Put(73, &AddText);
    Put(83, &GetProps);
    Put(84, &SetProps);
    Put(85, &GetInt);
    Put(86, &SetInt);
    Put(89, &GetId);
    Put(90, &SetId);
    Put(92, &SetMetric);
    Put(93, &GetTextLoc);
    Put(95, &GetTextRange);
    Put(96, &SetTextRange);
    Put(97, &GetString);
    Put(98, &SetString);
    Put(101, &GetMetrics);
    Put(102, &SetMetrics);
    Put(110, &GetText);
    Put(135, &AddRows);
    Put(140, &NewTable);
    Put(164, &DefineAndAddCommand);

    raw::Bind(hostObject, hostTable, kHostObject);
    raw::Bind(extraObject, plainTable, kExtraObject);
    for (int i = 0; i < raw::kHostIidCount; ++i) {
        if (i == 2)
            raw::Bind(interfaces[i], apiTable, i);
        else if (i == raw::kIidMemory)
            raw::Bind(interfaces[i], memoryTable, i);
        else if (i == raw::kIidModule)
            raw::Bind(interfaces[i], moduleTable, i);
        else
            raw::Bind(interfaces[i], plainTable, i);
    }
}

IUnknown* AsUnknown(Object& object) {
    return reinterpret_cast<IUnknown*>(&object);
}

int HostReferences() {
    int sum = hostObject.references + extraObject.references;
    for (const Object& o : interfaces)
        sum += o.references;
    return sum;
}

class RawBoundary : public ::testing::Test {
  protected:
    void SetUp() override {
        state = {};
        BuildHost();
        ApiErrno = 0;
        KeepHostMemory = 0;
        baseline_ = TaskMemGetStats();
    }
    void TearDown() override {
        ClientShutdown();
        EXPECT_EQ(HostReferences(), 0) << "the client kept references on the host";
        TaskMemStats now = TaskMemGetStats();
        EXPECT_EQ(now.liveBlocks, baseline_.liveBlocks) << "host blocks were not released";
        EXPECT_EQ(now.badReleases, baseline_.badReleases) << "a block was released wrongly";
        AllocFailCountdown = 0;
    }
    TaskMemStats baseline_{};
};

// One operation as the client calls it, what the host must receive, and the result rendered as
// text (the call frees whatever it returned).
struct Op {
    const char* name;
    int slot;
    enum Kind { Status, Value, Setter, Answer } kind;
    std::function<std::string()> call;
    std::vector<std::uint64_t> args;
    std::string hostValue = {};
    std::string failureValue = {};
};

const char kText1[] = "one";
const char kText2[] = "two";
const char kText3[] = "three";
const TextLoc kAt = {kObj, 5};
const TextRange kRange = {{kObj, 0}, {kObj, 0x50000000}};
const Metric kWidths[2] = {0x10000, 0x20000};
const MetricList kMetricList = {2, const_cast<Metric*>(kWidths)};
const PropValList kParams = {0, nullptr};

std::string Id(ObjectId id) {
    return std::to_string(id);
}
std::string Loc(TextLoc l) {
    return std::to_string(l.obj) + ":" + std::to_string(l.offset);
}
std::string Props(PropValList l) {
    std::string s = "props " + std::to_string(l.count) + " " + (l.items ? "array" : "null");
    if (l.count == 1 && l.items)
        s += std::string(" ") + std::to_string(l.items[0].prop.num) + "=" + l.items[0].value.u.sval;
    PropValListFree(&l);
    return s;
}

std::vector<Op> Operations() {
    const std::uint64_t noName = 0;
    return {
        {"Notification",
         8,
         Op::Status,
         [] { return std::to_string(ApiNotification(13, 1)); },
         {13, 1}},
        {"DefineMenu",
         13,
         Op::Value,
         [] { return Id(ApiDefineMenu(kText1, kText2)); },
         {W(kText1), W(kText2)},
         Id(kResultId),
         "0"},
        {"AddCommandToMenu",
         14,
         Op::Status,
         [] { return std::to_string(ApiAddCommandToMenu(kObj, kDoc)); },
         {kObj, kDoc}},
        {"AddMenuToMenu",
         15,
         Op::Status,
         [] { return std::to_string(ApiAddMenuToMenu(kObj, kDoc)); },
         {kObj, kDoc}},
        {"DefineAndAddMenu",
         16,
         Op::Value,
         [] { return Id(ApiDefineAndAddMenu(kObj, kText1, kText2)); },
         {kObj, W(kText1), W(kText2)},
         Id(kResultId),
         "0"},
        {"Alert",
         20,
         Op::Answer,
         [] { return std::to_string(ApiAlert(kText1, 2)); },
         {W(kText1), 2},
         "3",
         "0"},
        {"PrintConsole",
         24,
         Op::Status,
         [] { return std::to_string(ApiPrintConsole(kText1)); },
         {W(kText1)}},
        {"Open",
         32,
         Op::Value,
         [] {
             PropValList* returned = nullptr;
             std::string s = Id(ApiOpen(kText1, &kParams, &returned));
             if (returned)
                 PropValListFree(returned);
             return s;
         },
         {W(kText1), W(&kParams)},
         Id(kResultId),
         "0"},
        {"CustomDoc",
         34,
         Op::Value,
         [] { return Id(ApiCustomDoc(1, 2, 3, 4, 5, 6, 7, 8, 9, 10)); },
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
         Id(kResultId),
         "0"},
        {"Close", 35, Op::Status, [] { return std::to_string(ApiClose(kDoc, 1)); }, {kDoc, 1}},
        {"Redisplay", 66, Op::Status, [] { return std::to_string(ApiRedisplay(kDoc)); }, {kDoc}},
        {"GetNamedObject",
         68,
         Op::Value,
         [] { return Id(ApiGetNamedObject(kDoc, 32, kText1)); },
         {kDoc, 32, W(kText1)},
         Id(kResultId),
         "0"},
        {"AddText",
         73,
         Op::Value,
         [] { return Loc(ApiAddText(kDoc, &kAt, kText1)); },
         {kDoc, kObj, 5, W(kText1)},
         Loc({kResultId, 9}),
         "0:0"},
        {"GetProps",
         83,
         Op::Value,
         [] { return Props(ApiGetProps(kDoc, kObj)); },
         {kDoc, kObj},
         "props 1 array 2=value",
         "props 0 null"},
        {"SetProps",
         84,
         Op::Setter,
         [] {
             ApiSetProps(kDoc, kObj, &kParams);
             return std::string();
         },
         {kDoc, kObj, W(&kParams)}},
        {"GetInt",
         85,
         Op::Value,
         [] { return std::to_string(ApiGetInt(kDoc, kObj, kProp)); },
         {kDoc, kObj, kProp, noName},
         "1234",
         "0"},
        {"SetInt",
         86,
         Op::Setter,
         [] {
             ApiSetInt(kDoc, kObj, kProp, -6);
             return std::string();
         },
         {kDoc, kObj, kProp, noName, W(std::int64_t{-6})}},
        {"GetId",
         89,
         Op::Value,
         [] { return Id(ApiGetId(kDoc, kObj, kProp)); },
         {kDoc, kObj, kProp, noName},
         Id(kResultId),
         "0"},
        {"SetId",
         90,
         Op::Setter,
         [] {
             ApiSetId(kDoc, kObj, kProp, kResultId);
             return std::string();
         },
         {kDoc, kObj, kProp, noName, kResultId}},
        {"SetMetric",
         92,
         Op::Setter,
         [] {
             ApiSetMetric(kDoc, kObj, kProp, 0xA0000);
             return std::string();
         },
         {kDoc, kObj, kProp, noName, 0xA0000}},
        {"GetTextLoc",
         93,
         Op::Value,
         [] { return Loc(ApiGetTextLoc(kDoc, kObj, kProp)); },
         {kDoc, kObj, kProp, noName},
         Loc({kResultId, 17}),
         "0:0"},
        {"GetTextRange",
         95,
         Op::Value,
         [] {
             TextRange r = ApiGetTextRange(kDoc, kObj, kProp);
             return Loc(r.begin) + "-" + Loc(r.end);
         },
         {kDoc, kObj, kProp, noName},
         Loc({kResultId, 3}) + "-" + Loc({kResultId, 0x50000000}),
         "0:0-0:0"},
        {"SetTextRange",
         96,
         Op::Setter,
         [] {
             ApiSetTextRange(kDoc, kObj, kProp, &kRange);
             return std::string();
         },
         {kDoc, kObj, kProp, noName, W(&kRange)}},
        {"GetString",
         97,
         Op::Value,
         [] {
             char* s = ApiGetString(kDoc, kObj, kProp);
             std::string r = s ? s : "null";
             StrRelease(&s);
             return r;
         },
         {kDoc, kObj, kProp, noName},
         "host text",
         "null"},
        {"SetString",
         98,
         Op::Setter,
         [] {
             ApiSetString(kDoc, kObj, kProp, kText3);
             return std::string();
         },
         {kDoc, kObj, kProp, noName, W(kText3)}},
        {"GetMetrics",
         101,
         Op::Value,
         [] {
             MetricList m = ApiGetMetrics(kDoc, kObj, kProp);
             std::string s = std::to_string(m.count) + (m.items ? " array" : " null");
             if (m.count == 2 && m.items)
                 s += " " + std::to_string(m.items[1]);
             RawFree(m.items);
             return s;
         },
         {kDoc, kObj, kProp, noName},
         "2 array 131072",
         "0 null"},
        {"SetMetrics",
         102,
         Op::Setter,
         [] {
             ApiSetMetrics(kDoc, kObj, kProp, &kMetricList);
             return std::string();
         },
         {kDoc, kObj, kProp, noName, W(&kMetricList)}},
        {"GetText",
         110,
         Op::Value,
         [] {
             TextItemList l = ApiGetText(kDoc, &kRange, 1);
             std::string s = std::to_string(l.count) + (l.items ? " array" : " null");
             if (l.count == 1 && l.items)
                 s += std::string(" ") + l.items[0].u.sdata;
             TextItemListFree(&l);
             return s;
         },
         {kDoc, W(&kRange), 1},
         "1 array Words.",
         "0 null"},
        {"AddRows",
         135,
         Op::Status,
         [] { return std::to_string(ApiAddRows(kDoc, kObj, 1241, 4)); },
         {kDoc, kObj, 1241, 4}},
        {"NewTable",
         140,
         Op::Value,
         [] { return Id(ApiNewTable(kDoc, kText1, 2, 3, 4, 5, &kAt)); },
         {kDoc, W(kText1), 2, 3, 4, 5, W(&kAt)},
         Id(kResultId),
         "0"},
        {"DefineAndAddCommand",
         164,
         Op::Value,
         [] { return Id(ApiDefineAndAddCommand(7, kObj, kText1, kText2, kText3)); },
         {7, kObj, W(kText1), W(kText2), W(kText3)},
         Id(kResultId),
         "0"},
    };
}

// The result an operation must give in each mode.
std::string Expected(const Op& op, Mode mode) {
    switch (op.kind) {
    case Op::Status:
        return mode == Mode::Ok ? "0" : mode == Mode::HostError ? std::to_string(kHostCode) : "-1";
    case Op::Setter:
        return "";
    case Op::Answer:
        return mode == Mode::Ok || mode == Mode::HostError ? op.hostValue : op.failureValue;
    case Op::Value:
        return mode == Mode::Ok ? op.hostValue : op.failureValue;
    }
    return "?";
}

std::int32_t ExpectedErrno(const Op& op, Mode mode) {
    switch (mode) {
    case Mode::Ok:
        return kErrnoBefore;
    case Mode::HostError:
        return op.kind == Op::Answer ? kErrnoBefore : kHostCode; // the alert has no error word
    case Mode::ComFailure:
        return -1;
    case Mode::Busy:
        return -88;
    }
    return 0;
}

TEST_F(RawBoundary, EveryOperationReachesItsSlotWithItsArgumentsInOrder) {
    ASSERT_EQ(ClientConnect(AsUnknown(hostObject)), 0);
    for (const Op& op : Operations()) {
        state.calledSlot = -1;
        state.calls = 0;
        state.args.clear();
        state.unexpected.clear();
        ApiErrno = kErrnoBefore;
        EXPECT_EQ(op.call(), op.hostValue.empty() ? Expected(op, Mode::Ok) : op.hostValue)
            << op.name;
        EXPECT_EQ(state.calledSlot, op.slot) << op.name;
        EXPECT_EQ(state.calls, 1) << op.name;
        EXPECT_TRUE(state.unexpected.empty()) << op.name << " reached slot " << state.unexpected[0];
        EXPECT_EQ(state.args, op.args) << op.name;
        EXPECT_EQ(ApiErrno, kErrnoBefore) << op.name;
    }
}

TEST_F(RawBoundary, FailuresGiveTheFailureValueAndTheirCodeAndReleaseTheHostsMemory) {
    ASSERT_EQ(ClientConnect(AsUnknown(hostObject)), 0);
    for (Mode mode : {Mode::HostError, Mode::ComFailure, Mode::Busy}) {
        state.mode = mode;
        for (const Op& op : Operations()) {
            TaskMemStats before = TaskMemGetStats();
            ApiErrno = kErrnoBefore;
            EXPECT_EQ(op.call(), Expected(op, mode)) << op.name << " mode " << int(mode);
            EXPECT_EQ(ApiErrno, ExpectedErrno(op, mode)) << op.name << " mode " << int(mode);
            TaskMemStats after = TaskMemGetStats();
            EXPECT_EQ(after.liveBlocks, before.liveBlocks) << op.name << " mode " << int(mode);
            EXPECT_EQ(after.badReleases, before.badReleases) << op.name << " mode " << int(mode);
        }
    }
}

TEST_F(RawBoundary, BeforeConnectionNothingReachesTheHost) {
    for (const Op& op : Operations()) {
        ApiErrno = kErrnoBefore;
        std::string result = op.call();
        if (op.kind != Op::Status)
            EXPECT_EQ(result, op.kind == Op::Setter ? "" : op.failureValue) << op.name;
        else
            EXPECT_EQ(result, "-1") << op.name;
        EXPECT_EQ(ApiErrno, -1) << op.name;
    }
    EXPECT_EQ(state.calls, 0);
}

TEST_F(RawBoundary, OpenEmptiesTheCallersEarlierListWithTheClientsOwnFree) {
    ASSERT_EQ(ClientConnect(AsUnknown(hostObject)), 0);
    PropValList mine = PropValListNew(0);
    PropValListSetString(&mine, 4, "caller's");
    PropValList* returned = &mine;
    EXPECT_EQ(ApiOpen(kText1, &kParams, &returned), kResultId);
    EXPECT_EQ(mine.count, 0u);
    EXPECT_EQ(mine.items, nullptr);
    ASSERT_NE(returned, &mine);
    ASSERT_EQ(returned->count, 1u);
    EXPECT_STREQ(returned->items[0].value.u.sval, "returned");

    // After a host error the list is replaced all the same; after a failed call the pointer is
    // left alone.
    state.mode = Mode::HostError;
    PropValList* afterError = nullptr;
    EXPECT_EQ(ApiOpen(kText1, &kParams, &afterError), 0u);
    EXPECT_EQ(afterError, returned);
    state.mode = Mode::ComFailure;
    PropValList* untouched = nullptr;
    EXPECT_EQ(ApiOpen(kText1, &kParams, &untouched), 0u);
    EXPECT_EQ(untouched, nullptr);
    PropValListFree(returned);
    // The earlier list's blocks went back to the client's heap: the task heap saw no release of
    // a block it never handed out (TearDown), and the sanitizer sees no leak.
}

TEST_F(RawBoundary, AllocationFailuresOfTheClientGiveMinus42) {
    ASSERT_EQ(ClientConnect(AsUnknown(hostObject)), 0);
    // The parameter list of an open cannot be made: the host is not asked.
    AllocFailCountdown = 1;
    ApiErrno = 0;
    EXPECT_EQ(OpenWithDefaults(kText1), 0u);
    EXPECT_EQ(ApiErrno, -42);
    EXPECT_EQ(state.calls, 0);
    // The copy of the widths cannot be made: an empty list, and the host's array released.
    AllocFailCountdown = 1;
    ApiErrno = 0;
    MetricList m = ApiGetMetrics(kDoc, kObj, kProp);
    EXPECT_EQ(m.count, 0u);
    EXPECT_EQ(m.items, nullptr);
    EXPECT_EQ(ApiErrno, -42);
}

// The records as the host lays them out on 32-bit Windows: size and byte offset of each field.
TEST(RecordLayout, ExchangedRecordsOn32BitWindows) {
#if UINTPTR_MAX == 0xFFFFFFFFu
    struct Field {
        const char* name;
        std::size_t actual;
        std::size_t expected;
    };
    const Field fields[] = {
        {"sizeof ObjectId", sizeof(ObjectId), 4},
        {"sizeof Metric", sizeof(Metric), 4},
        {"sizeof PropIdent", sizeof(PropIdent), 8},
        {"PropIdent.num", offsetof(PropIdent, num), 0},
        {"PropIdent.name", offsetof(PropIdent, name), 4},
        {"sizeof TypedVal", sizeof(TypedVal), 20},
        {"TypedVal.tag", offsetof(TypedVal, tag), 0},
        {"TypedVal.payload", offsetof(TypedVal, u), 4},
        {"sizeof PropVal", sizeof(PropVal), 28},
        {"PropVal.prop", offsetof(PropVal, prop), 0},
        {"PropVal.value", offsetof(PropVal, value), 8},
        {"sizeof PropValList", sizeof(PropValList), 8},
        {"PropValList.count", offsetof(PropValList, count), 0},
        {"PropValList.items", offsetof(PropValList, items), 4},
        {"sizeof TextLoc", sizeof(TextLoc), 8},
        {"TextLoc.obj", offsetof(TextLoc, obj), 0},
        {"TextLoc.offset", offsetof(TextLoc, offset), 4},
        {"sizeof TextRange", sizeof(TextRange), 16},
        {"TextRange.begin", offsetof(TextRange, begin), 0},
        {"TextRange.end", offsetof(TextRange, end), 8},
        {"sizeof MetricList", sizeof(MetricList), 8},
        {"MetricList.items", offsetof(MetricList, items), 4},
        {"sizeof IntList", sizeof(IntList), 8},
        {"IntList.items", offsetof(IntList, items), 4},
        {"sizeof TextItem", sizeof(TextItem), 12},
        {"TextItem.offset", offsetof(TextItem, offset), 0},
        {"TextItem.dataType", offsetof(TextItem, dataType), 4},
        {"TextItem.value", offsetof(TextItem, u), 8},
        {"sizeof TextItemList", sizeof(TextItemList), 8},
        {"TextItemList.items", offsetof(TextItemList, items), 4},
        {"sizeof StringArray", sizeof(StringArray), 8},
        {"StringArray.items", offsetof(StringArray, items), 4},
        {"sizeof TypedValList", sizeof(TypedValList), 8},
        {"TypedValList.items", offsetof(TypedValList, items), 4},
        {"sizeof record 8", sizeof(TypedValRecord8), 16},
        {"record 8 string", offsetof(TypedValRecord8, text), 8},
        {"sizeof record 17", sizeof(TypedValRecord17), 40},
        {"record 17 string 0", offsetof(TypedValRecord17, text0), 0},
        {"record 17 strings 4", offsetof(TypedValRecord17, strings4), 16},
        {"record 17 strings 6", offsetof(TypedValRecord17, strings6), 24},
        {"record 17 string 8", offsetof(TypedValRecord17, text8), 32},
        {"record 17 string 9", offsetof(TypedValRecord17, text9), 36},
        {"sizeof record 18", sizeof(TypedValRecord18), 16},
        {"record 18 strings 1", offsetof(TypedValRecord18, strings1), 4},
        {"record 18 word 3", offsetof(TypedValRecord18, word3), 12},
        {"sizeof record 19", sizeof(TypedValRecord19), 24},
        {"sizeof record 21", sizeof(TypedValRecord21), 24},
        {"record 21 strings 1", offsetof(TypedValRecord21, strings1), 4},
        {"record 21 strings 3", offsetof(TypedValRecord21, strings3), 12},
        {"record 21 word 5", offsetof(TypedValRecord21, word5), 20},
        {"sizeof record 22", sizeof(TypedValRecord22), 12},
        {"record 22 strings 1", offsetof(TypedValRecord22, strings1), 4},
        {"sizeof CMS record", sizeof(CmsRecord), 20},
        {"CMS record string", offsetof(CmsRecord, text), 8},
        {"CMS record count", offsetof(CmsRecord, count), 12},
        {"CMS record values", offsetof(CmsRecord, values), 16},
        {"sizeof resource record", sizeof(ResourceRecord), 8},
        {"resource record bytes", offsetof(ResourceRecord, bytes), 4},
    };
    for (const Field& f : fields)
        EXPECT_EQ(f.actual, f.expected) << f.name;
#else
    GTEST_SKIP() << "the host's layouts are those of 32-bit Windows; checked in that build";
#endif
}

// The sink and its interfaces, reached only through function-pointer tables by index, with the
// identifiers as literal bytes. The host gets the sink's IUnknown from the attach call.
class RawSink : public RawBoundary {
  protected:
    void SetUp() override {
        RawBoundary::SetUp();
        seenCallbacks = {};
        info_ = PropValListNew(0);
        ASSERT_EQ(F_ApiClientInit(nullptr, AsUnknown(hostObject), nullptr, &info_), 0);
        ASSERT_NE(state.sink, nullptr);
    }
    void TearDown() override {
        if (state.sink)
            raw::Release(state.sink); // the host's last reference: the client shuts down
        EXPECT_EQ(NotificationSink, nullptr);
        PropValListFree(&info_);
        RawBoundary::TearDown();
    }
    PropValList info_{};
};

TEST_F(RawSink, QueryInterfaceByLiteralIdentifiers) {
    void* notifications = nullptr;
    void* cms = nullptr;
    void* unknown = nullptr;
    void* other = &unknown;
    EXPECT_EQ(raw::Query(state.sink, raw::kIidNotifications, &notifications), S_OK);
    EXPECT_EQ(raw::Query(state.sink, raw::kIidCmsNotifications, &cms), S_OK);
    EXPECT_EQ(raw::Query(state.sink, raw::kIidUnknown, &unknown), S_OK);
    EXPECT_EQ(raw::Query(state.sink, 2, &other), static_cast<HRESULT>(0x80004002u));
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(unknown, state.sink);
    ASSERT_NE(notifications, nullptr);
    ASSERT_NE(cms, nullptr);
    // Each interface shares the one count: the host's, and the three just taken.
    EXPECT_EQ(raw::AddRef(notifications), 5u);
    EXPECT_EQ(raw::Release(cms), 4u);
    EXPECT_EQ(raw::Release(notifications), 3u);
    EXPECT_EQ(raw::Release(notifications), 2u);
    EXPECT_EQ(raw::Release(unknown), 1u);
}

TEST_F(RawSink, EveryMethodByItsSlot) {
    void* n = nullptr;
    void* cms = nullptr;
    ASSERT_EQ(raw::Query(state.sink, raw::kIidNotifications, &n), S_OK);
    ASSERT_EQ(raw::Query(state.sink, raw::kIidCmsNotifications, &cms), S_OK);
    using raw::Call;
    EXPECT_EQ(Call<HRESULT>(n, 3, std::int32_t{4}), S_OK);  // Initialize
    EXPECT_EQ(Call<HRESULT>(n, 4), S_OK);                   // Quit
    EXPECT_EQ(Call<HRESULT>(n, 5, std::int32_t{12}), S_OK); // Command
    EXPECT_EQ(Call<HRESULT>(n, 6, std::int32_t{1}, std::int32_t{2}, std::int32_t{3}), S_OK);
    EXPECT_EQ(Call<HRESULT>(n, 7, std::int32_t{1}, std::int32_t{2}, std::int32_t{3}), S_OK);
    EXPECT_EQ(Call<HRESULT>(n, 8, std::int32_t{13}, ObjectId{kDoc}, "SetDocId 5", std::int32_t{9}),
              S_OK); // Notify
    EXPECT_EQ(seenCallbacks.initialized, std::vector<std::int32_t>{4});
    EXPECT_EQ(seenCallbacks.commands, std::vector<std::int32_t>{12});
    EXPECT_EQ(seenCallbacks.notification, 13);
    EXPECT_EQ(seenCallbacks.doc, kDoc);
    EXPECT_EQ(seenCallbacks.text, "SetDocId 5");
    EXPECT_EQ(seenCallbacks.number, 9);

    // GetResource: type 0 is the library's path with its terminator, in task memory.
    struct {
        std::int32_t size;
        void* bytes;
    } resource = {7, nullptr};
    HRESULT got = Call<HRESULT>(n, 9, std::int32_t{0}, static_cast<const char*>(nullptr),
                                static_cast<void*>(&resource));
    if (got == S_OK) {
        ASSERT_NE(resource.bytes, nullptr);
        EXPECT_EQ(static_cast<std::size_t>(resource.size),
                  std::strlen(static_cast<const char*>(resource.bytes)) + 1);
        CoTaskMemFree(resource.bytes);
    } else {
        EXPECT_EQ(got, static_cast<HRESULT>(0x80004005u)); // this program has no module path
    }
    resource = {7, nullptr};
    EXPECT_EQ(Call<HRESULT>(n, 9, std::int32_t{6}, "#9", static_cast<void*>(&resource)),
              static_cast<HRESULT>(0x80004005u));
    EXPECT_EQ(resource.size, 7);

    // CMSCommand: the host's record of five words, filled from the default callback.
    struct {
        std::int32_t word0;
        std::int32_t word1;
        char* text;
        std::uint32_t count;
        std::int32_t* values;
    } cmsRecord = {5, 5, nullptr, 5, nullptr};
    EXPECT_EQ(Call<HRESULT>(cms, 3, std::int32_t{1}, std::int32_t{2}, std::int32_t{3},
                            std::int32_t{4}, static_cast<void*>(&cmsRecord)),
              S_OK);
    EXPECT_EQ(cmsRecord.word0, 0);
    EXPECT_EQ(cmsRecord.word1, 0);
    EXPECT_EQ(cmsRecord.text, nullptr);
    EXPECT_EQ(cmsRecord.count, 0u);
    RawFree(cmsRecord.values);
    raw::Release(cms);
    raw::Release(n);
}

// Start-up and teardown, step by step, as the host sees them.
TEST_F(RawBoundary, StartUpAndTeardownInOrder) {
#if !defined(_WIN32)
    u_setDataDirectory(""); // so that the start-up asks the host for its installation folder
#endif
    ConsoleOutput before = ConsoleCallback;
    ConsoleCallback = nullptr;
    PropValList info = PropValListNew(0);
    void* module = reinterpret_cast<void*>(std::uintptr_t{0x1234});
    state.logStartUp = true;
    ASSERT_EQ(F_ApiClientInit(static_cast<HMODULE>(module), AsUnknown(hostObject),
                              AsUnknown(extraObject), &info),
              0);
    EXPECT_EQ(Progress(), " sink 1 console") << "the client's own reference went last";
    std::vector<std::string> expected = {
        "query 1",
        "query 2",
        "query 3",
        "query 4",
        "query 5",
        "query 6",
        "query 7",
        "query 8",
        "query 9",
        "query 10",
        "query 11",
        "query 12",
        "query memory",
        "query module",
        "query reserve",
        "memory mode 1",
        "attach flags 0x14000000 info " + std::to_string(W(&info)),
        "module 4660 sink 2",
    };
    // The installation folder is read (once per ICU start) before the extra interface is held.
    std::size_t reads = 0;
    while (expected.size() < state.events.size() &&
           state.events[expected.size()].rfind("get string", 0) == 0) {
        expected.push_back("get string 0 0 89 sink 2");
        ++reads;
    }
    EXPECT_GE(reads, 1u) << "the installation folder was not read";
    expected.push_back("addref extra sink 2");
    EXPECT_EQ(state.events, expected);

    state.events.clear();
    raw::Release(state.sink);
    state.sink = nullptr;
    EXPECT_EQ(state.events,
              (std::vector<std::string>{
                  "release 1", "release 2", "release 3", "release 4", "release 5", "release 6",
                  "release 7", "release 8", "release 9", "release 10", "release 11", "release 12",
                  "release memory", "release module", "release reserve", "release extra"}));
    EXPECT_EQ(info.count, 0u) << "the caller's identification is left alone";
    PropValListFree(&info);
    ConsoleCallback = before;
    ApiErrno = 0;
    EXPECT_EQ(ApiGetId(0, 0, 51), 0u);
    EXPECT_EQ(ApiErrno, -1);
}

} // namespace
