// The call layer: every host operation is a thin function over one method of the host's API
// interface. Each checks the connection, calls the method with its inputs, an error word preset
// to -1 and the result's address, turns failures into ApiErrno and the failure value, and copies
// whatever the host handed back into the client's heap before releasing the host's memory.
#include "runtime/api.h"

#include "runtime/connection.h"
#include "support/prop_list.h"
#include "support/typed_val.h"

#include <cstring>
#include <limits>

std::int32_t ApiErrno = 0;
int KeepHostMemory = 0;

namespace {

constexpr std::int32_t kErrorWordPreset = -1;

// The runtime's open-return list: refilled by every ApiOpen, never freed as a record.
PropValList OpenReturnList = {0, nullptr};

bool Connected() {
    if (ApiInterface)
        return true;
    ApiErrno = kApiErrNotConnected;
    return false;
}

bool CallFailed(HRESULT result) {
    if (SUCCEEDED(result))
        return false;
    ApiErrno = result == kComBusy ? kApiErrBusy : kApiErrNotConnected;
    return true;
}

bool HostFailed(std::int32_t err) {
    if (err == 0)
        return false;
    ApiErrno = err;
    return true;
}

void ReleaseHostBlock(void* block) {
    CoTaskMemFree(block);
}

void ReleaseHostString(char* s) {
    if (!KeepHostMemory)
        CoTaskMemFree(s);
}

// A status operation: returns its error word (0, the host's code, or -1 when no call was made).
template <typename Call> std::int32_t CallStatus(Call call) {
    if (!Connected())
        return kApiErrNotConnected;
    std::int32_t err = kErrorWordPreset;
    if (CallFailed(call(&err)))
        return err;
    HostFailed(err);
    return err;
}

// An operation with a plain result, returned by value.
template <typename Result, typename Call> Result CallGet(Result failure, Call call) {
    if (!Connected())
        return failure;
    std::int32_t err = kErrorWordPreset;
    Result result = failure;
    if (CallFailed(call(&err, &result)) || HostFailed(err))
        return failure;
    return result;
}

} // namespace

std::int32_t ApiNotification(std::int32_t notification, std::int32_t state) {
    return CallStatus(
        [&](std::int32_t* err) { return ApiInterface->Notification(notification, state, err); });
}

ObjectId ApiDefineMenu(const char* tag, const char* label) {
    return CallGet<ObjectId>(0, [&](std::int32_t* err, ObjectId* result) {
        return ApiInterface->DefineMenu(tag, label, err, result);
    });
}

std::int32_t ApiAddCommandToMenu(ObjectId menu, ObjectId command) {
    return CallStatus(
        [&](std::int32_t* err) { return ApiInterface->AddCommandToMenu(menu, command, err); });
}

std::int32_t ApiAddMenuToMenu(ObjectId target, ObjectId menu) {
    return CallStatus(
        [&](std::int32_t* err) { return ApiInterface->AddMenuToMenu(target, menu, err); });
}

ObjectId ApiDefineAndAddMenu(ObjectId target, const char* tag, const char* label) {
    return CallGet<ObjectId>(0, [&](std::int32_t* err, ObjectId* result) {
        return ApiInterface->DefineAndAddMenu(target, tag, label, err, result);
    });
}

std::int32_t ApiAlert(const char* message, std::int32_t type) {
    // The alert has no error word: its one out-argument is the host's answer.
    if (!Connected())
        return 0;
    std::int32_t answer = 0;
    if (CallFailed(ApiInterface->Alert(message, type, &answer)))
        return 0;
    return answer;
}

std::int32_t ApiPrintConsole(const char* text) {
    return CallStatus([&](std::int32_t* err) { return ApiInterface->PrintConsole(text, err); });
}

ObjectId ApiOpen(const char* fileName, const PropValList* params, PropValList** returned) {
    if (!Connected())
        return 0;
    std::int32_t err = kErrorWordPreset;
    ObjectId result = 0;
    PropValList hostList = {0, nullptr};
    if (CallFailed(ApiInterface->Open(fileName, params, &hostList, &err, &result)))
        return 0;
    // The caller's earlier list is emptied, then the open-return list takes the host's list.
    // Emptying the open-return list as well keeps a caller who passed no earlier list from
    // leaking the previous contents.
    if (returned && *returned)
        PropValListFreeWith(*returned, RawFreeBlock);
    PropValListFreeWith(&OpenReturnList, RawFreeBlock);
    PropValListCopyWith(&OpenReturnList, &hostList, RawAllocBlock);
    if (returned)
        *returned = &OpenReturnList;
    if (!KeepHostMemory)
        PropValListFreeWith(&hostList, ReleaseHostBlock);
    if (HostFailed(err))
        return 0;
    return result;
}

ObjectId ApiCustomDoc(Metric width, Metric height, std::int32_t columns, Metric columnGap,
                      Metric top, Metric bottom, Metric inside, Metric outside,
                      std::int32_t sidedness, std::int32_t makeVisible) {
    return CallGet<ObjectId>(0, [&](std::int32_t* err, ObjectId* result) {
        return ApiInterface->CustomDoc(width, height, columns, columnGap, top, bottom, inside,
                                       outside, sidedness, makeVisible, err, result);
    });
}

std::int32_t ApiClose(ObjectId obj, std::int32_t flags) {
    return CallStatus([&](std::int32_t* err) { return ApiInterface->Close(obj, flags, err); });
}

std::int32_t ApiRedisplay(ObjectId doc) {
    return CallStatus([&](std::int32_t* err) { return ApiInterface->Redisplay(doc, err); });
}

ObjectId ApiGetNamedObject(ObjectId doc, std::int32_t type, const char* name) {
    return CallGet<ObjectId>(0, [&](std::int32_t* err, ObjectId* result) {
        return ApiInterface->GetNamedObject(doc, type, name, err, result);
    });
}

TextLoc ApiAddText(ObjectId doc, const TextLoc* loc, const char* text) {
    return CallGet<TextLoc>({0, 0}, [&](std::int32_t* err, TextLoc* result) {
        return ApiInterface->AddText(doc, loc, text, err, result);
    });
}

PropValList ApiGetProps(ObjectId doc, ObjectId obj) {
    PropValList copy = {0, nullptr};
    if (!Connected())
        return copy;
    std::int32_t err = kErrorWordPreset;
    PropValList hostList = {0, nullptr};
    if (CallFailed(ApiInterface->GetProps(doc, obj, &err, &hostList)))
        return copy;
    // Nothing is copied after a host error: the copy would only be thrown away.
    if (err == 0)
        PropValListCopyWith(&copy, &hostList, RawAllocBlock);
    if (!KeepHostMemory)
        PropValListFreeWith(&hostList, ReleaseHostBlock);
    HostFailed(err);
    return copy;
}

void ApiSetProps(ObjectId doc, ObjectId obj, const PropValList* props) {
    CallStatus([&](std::int32_t* err) { return ApiInterface->SetProps(doc, obj, props, err); });
}

std::int32_t ApiGetInt(ObjectId doc, ObjectId obj, std::int32_t prop) {
    PropIdent ident = {prop, nullptr};
    return CallGet<std::int32_t>(0, [&](std::int32_t* err, std::int32_t* result) {
        return ApiInterface->GetInt(doc, obj, &ident, err, result);
    });
}

void ApiSetInt(ObjectId doc, ObjectId obj, std::int32_t prop, std::int32_t value) {
    PropIdent ident = {prop, nullptr};
    CallStatus(
        [&](std::int32_t* err) { return ApiInterface->SetInt(doc, obj, &ident, value, err); });
}

ObjectId ApiGetId(ObjectId doc, ObjectId obj, std::int32_t prop) {
    PropIdent ident = {prop, nullptr};
    return CallGet<ObjectId>(0, [&](std::int32_t* err, ObjectId* result) {
        return ApiInterface->GetId(doc, obj, &ident, err, result);
    });
}

void ApiSetId(ObjectId doc, ObjectId obj, std::int32_t prop, ObjectId value) {
    PropIdent ident = {prop, nullptr};
    CallStatus(
        [&](std::int32_t* err) { return ApiInterface->SetId(doc, obj, &ident, value, err); });
}

void ApiSetMetric(ObjectId doc, ObjectId obj, std::int32_t prop, Metric value) {
    PropIdent ident = {prop, nullptr};
    CallStatus(
        [&](std::int32_t* err) { return ApiInterface->SetMetric(doc, obj, &ident, value, err); });
}

TextLoc ApiGetTextLoc(ObjectId doc, ObjectId obj, std::int32_t prop) {
    PropIdent ident = {prop, nullptr};
    return CallGet<TextLoc>({0, 0}, [&](std::int32_t* err, TextLoc* result) {
        return ApiInterface->GetTextLoc(doc, obj, &ident, err, result);
    });
}

TextRange ApiGetTextRange(ObjectId doc, ObjectId obj, std::int32_t prop) {
    PropIdent ident = {prop, nullptr};
    return CallGet<TextRange>({{0, 0}, {0, 0}}, [&](std::int32_t* err, TextRange* result) {
        return ApiInterface->GetTextRange(doc, obj, &ident, err, result);
    });
}

void ApiSetTextRange(ObjectId doc, ObjectId obj, std::int32_t prop, const TextRange* value) {
    PropIdent ident = {prop, nullptr};
    CallStatus([&](std::int32_t* err) {
        return ApiInterface->SetTextRange(doc, obj, &ident, value, err);
    });
}

char* ApiGetString(ObjectId doc, ObjectId obj, std::int32_t prop) {
    if (!Connected())
        return nullptr;
    PropIdent ident = {prop, nullptr};
    std::int32_t err = kErrorWordPreset;
    char* hostString = nullptr;
    if (CallFailed(ApiInterface->GetString(doc, obj, &ident, &err, &hostString)))
        return nullptr;
    char* copy = nullptr;
    if (hostString) {
        if (err == 0)
            StringCopyWith(&copy, &hostString, RawAllocBlock);
        ReleaseHostString(hostString);
    }
    if (HostFailed(err))
        return nullptr;
    return copy;
}

void ApiSetString(ObjectId doc, ObjectId obj, std::int32_t prop, const char* value) {
    PropIdent ident = {prop, nullptr};
    CallStatus(
        [&](std::int32_t* err) { return ApiInterface->SetString(doc, obj, &ident, value, err); });
}

MetricList ApiGetMetrics(ObjectId doc, ObjectId obj, std::int32_t prop) {
    MetricList copy = {0, nullptr};
    if (!Connected())
        return copy;
    PropIdent ident = {prop, nullptr};
    std::int32_t err = kErrorWordPreset;
    MetricList hostList = {0, nullptr};
    if (CallFailed(ApiInterface->GetMetrics(doc, obj, &ident, &err, &hostList)))
        return copy;
    if (err == 0 && hostList.items) {
        std::uint64_t bytes = static_cast<std::uint64_t>(hostList.count) * sizeof(Metric);
        void* block = bytes <= std::numeric_limits<std::uint32_t>::max()
                          ? RawAlloc(static_cast<std::size_t>(bytes == 0 ? 1 : bytes))
                          : nullptr;
        if (block) {
            std::memcpy(block, hostList.items, static_cast<std::size_t>(bytes));
            copy.count = hostList.count;
            copy.items = static_cast<Metric*>(block);
        } else {
            ApiErrno = kApiErrNoMemory;
        }
    }
    if (!KeepHostMemory)
        CoTaskMemFree(hostList.items);
    HostFailed(err);
    return copy;
}

void ApiSetMetrics(ObjectId doc, ObjectId obj, std::int32_t prop, const MetricList* value) {
    PropIdent ident = {prop, nullptr};
    CallStatus(
        [&](std::int32_t* err) { return ApiInterface->SetMetrics(doc, obj, &ident, value, err); });
}

TextItemList ApiGetText(ObjectId doc, const TextRange* range, std::int32_t flags) {
    TextItemList copy = {0, nullptr};
    if (!Connected())
        return copy;
    std::int32_t err = kErrorWordPreset;
    TextItemList hostList = {0, nullptr};
    if (CallFailed(ApiInterface->GetText(doc, range, flags, &err, &hostList)))
        return copy;
    if (err == 0)
        TextItemListCopyWith(&copy, &hostList, RawAllocBlock);
    if (!KeepHostMemory)
        TextItemListFreeWith(&hostList, ReleaseHostBlock);
    HostFailed(err);
    return copy;
}

std::int32_t ApiAddRows(ObjectId doc, ObjectId row, std::int32_t position, std::int32_t count) {
    return CallStatus(
        [&](std::int32_t* err) { return ApiInterface->AddRows(doc, row, position, count, err); });
}

ObjectId ApiNewTable(ObjectId doc, const char* format, std::int32_t columns, std::int32_t bodyRows,
                     std::int32_t headingRows, std::int32_t footingRows, const TextLoc* loc) {
    return CallGet<ObjectId>(0, [&](std::int32_t* err, ObjectId* result) {
        return ApiInterface->NewTable(doc, format, columns, bodyRows, headingRows, footingRows, loc,
                                      err, result);
    });
}

ObjectId ApiDefineAndAddCommand(std::int32_t command, ObjectId menu, const char* tag,
                                const char* label, const char* shortcut) {
    return CallGet<ObjectId>(0, [&](std::int32_t* err, ObjectId* result) {
        return ApiInterface->DefineAndAddCommand(command, menu, tag, label, shortcut, err, result);
    });
}

ObjectId OpenWithDefaults(const char* fileName) {
    PropValList params = PropValListNew(1);
    if (params.count == 0) {
        ApiErrno = kApiErrNoMemory;
        return 0;
    }
    params.items[0].prop.num = kOpenParamNewFromTemplate;
    params.items[0].value.tag = kTagInt;
    params.items[0].value.u.ival = 1;
    PropValList* returned = nullptr;
    ObjectId result = ApiOpen(fileName, &params, &returned);
    PropValListFree(&params);
    PropValListFree(returned);
    return result;
}
