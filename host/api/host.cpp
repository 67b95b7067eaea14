#include "host/api/host.h"

#include <cstring>
#include <iostream>
#include <string_view>

#if defined(_WIN32)
#include "platform/structured_exception.h"
#endif

namespace lxhost {

namespace {

// The error word a method writes when it did its work.
constexpr std::int32_t kNoError = 0;

template <typename T> const T* As(const StoredValue* v) {
    return v ? std::get_if<T>(&v->value) : nullptr;
}

} // namespace

// ---- the host object ----

Host::Host(std::uint32_t serialsPerKind)
    : api_(*this), memoryInterface_(*this), moduleInterface_(*this), alertStream_(&std::cout),
      consoleStream_(&std::cerr), session_(serialsPerKind) {}

Host::~Host() {
    ReleaseSink();
}

HRESULT LX_STDCALL Host::QueryInterface(REFIID iid, void** out) {
    record_.queried.push_back(iid);
    *out = nullptr;
    if (++queries_ == refuseQuery_)
        return E_NOINTERFACE;
    if (IsEqualGUID(iid, kIidUnknown)) {
        *out = static_cast<IUnknown*>(this);
    } else if (IsEqualGUID(iid, kIidHostApi) && supportsApi_) {
        *out = static_cast<ApiHostInterface*>(&api_);
    } else if (IsEqualGUID(iid, kIidHostMemory) && memoryAnswer_) {
        *out = static_cast<IHostMemory*>(&memoryInterface_);
    } else if (IsEqualGUID(iid, kIidHostModule)) {
        *out = static_cast<IHostModule*>(&moduleInterface_);
    }
    if (!*out)
        return E_NOINTERFACE;
    AddReference();
    return S_OK;
}

ULONG LX_STDCALL Host::AddRef() {
    return AddReference();
}
ULONG LX_STDCALL Host::Release() {
    return DropReference();
}

void Host::ClearFaults() {
    faults_ = {};
    successes_ = {};
    FailNthCall(0, {});
    SetCallLimit(0);
    RefuseNthQuery(0);
}

void Host::FailNthCall(std::int64_t n, Fault fault) {
    nthCall_ = n;
    nthFault_ = fault;
    callsMade_ = 0;
    nthCallNow_ = false;
}

void Host::SetCallLimit(std::int64_t limit) {
    callLimit_ = limit;
    callsMade_ = 0;
}

void Host::SetValue(ObjectId obj, std::int32_t prop, StoredValue value) {
    values_[{obj, prop}] = std::move(value);
}

const StoredValue* Host::Find(ObjectId obj, std::int32_t prop) const {
    auto it = values_.find({obj, prop});
    return it == values_.end() ? nullptr : &it->second;
}

std::optional<HRESULT> Host::Inject(ApiSlot slot) {
    ++record_.calls[slot];
    ++callsMade_;
    nthCallNow_ = nthCall_ > 0 && callsMade_ == nthCall_;
    if (CallLimitReached())
        return E_FAIL;
    if (nthCallNow_ && nthFault_.kind == Fault::Kind::ComFailure)
        return nthFault_.comResult;
    const Fault& fault = faults_[slot];
    if (fault.kind == Fault::Kind::ComFailure && successes_[slot] >= fault.succeedFirst)
        return fault.comResult;
    return std::nullopt;
}

void Host::FinishError(ApiSlot slot, std::int32_t* err) {
    if (nthCallNow_ && nthFault_.kind == Fault::Kind::HostError) {
        nthCallNow_ = false;
        *err = nthFault_.hostError;
        return;
    }
    const Fault& fault = faults_[slot];
    if (fault.kind == Fault::Kind::HostError && successes_[slot] >= fault.succeedFirst) {
        *err = fault.hostError;
        return;
    }
    if (*err == kNoError)
        ++successes_[slot];
}

// Shows an alert as a block of its own: without the blank lines at its end, and one blank line
// before every alert after the first, so that the alerts of a run read as separate answers. The
// record keeps the alert's text exactly as the client sent it.
void Host::ShowAlert(const std::string& text) {
    if (!alertStream_)
        return;
    std::string_view shown = text;
    while (!shown.empty() && shown.back() == '\n')
        shown.remove_suffix(1);
    if (alertsShown_++ > 0)
        *alertStream_ << '\n';
    *alertStream_ << shown << '\n';
    alertStream_->flush();
}

// ---- calls into the client's sink ----

template <typename Call> HRESULT Host::CallSink(Call call) {
    if (!sink_)
        return E_FAIL;
#if defined(_WIN32)
    // A client that raises a structured exception (an allocation that cannot be satisfied) ends
    // its call there; the host survives it, as the real host does.
    HRESULT result = E_FAIL;
    auto run = [&] { result = call(sink_); };
    DWORD code = 0;
    if (!CallCatchingRaisedException(run, &code)) {
        record_.raised.push_back(code);
        return E_FAIL;
    }
    return result;
#else
    // A client that raises the platform exception (an allocation that cannot be satisfied)
    // ends its call there; the host survives it, as the real host survives the structured
    // exception.
    try {
        return call(sink_);
    } catch (const PlatformException& e) {
        record_.raised.push_back(e.code);
        return E_FAIL;
    }
#endif
}

HRESULT Host::InitializeClient(std::int32_t code) {
    return CallSink([&](IFrameMakerNotifications0* s) { return s->Initialize(code); });
}

HRESULT Host::RunCommand(std::int32_t number) {
    return CallSink([&](IFrameMakerNotifications0* s) { return s->Command(number); });
}

bool Host::SendMessage(const std::string& text) {
    if (!sink_ || !NotificationRequested(kNotifyCommandMessage))
        return false;
    return SUCCEEDED(CallSink([&](IFrameMakerNotifications0* s) {
        return s->Notify(kNotifyCommandMessage, 0, text.c_str(), 0);
    }));
}

void Host::ReleaseSink() {
    // Cleared first: the client's teardown may call back into the host.
    IFrameMakerNotifications0* sink = sink_;
    sink_ = nullptr;
    if (sink)
        sink->Release();
}

// ---- the memory and module interfaces ----

HRESULT LX_STDCALL HostMemory::QueryInterface(REFIID iid, void** out) {
    return host_.QueryInterface(iid, out);
}
ULONG LX_STDCALL HostMemory::AddRef() {
    return host_.AddReference();
}
ULONG LX_STDCALL HostMemory::Release() {
    return host_.DropReference();
}

HRESULT LX_STDCALL HostMemory::SetClientMemoryMode(std::int32_t) {
    ++host_.record_.memoryModeCalls;
    HRESULT answer = host_.memoryAnswer_.value_or(1);
    host_.memory_.SetHostKeepsMemory(answer == 0);
    return answer;
}

HRESULT LX_STDCALL HostModule::QueryInterface(REFIID iid, void** out) {
    return host_.QueryInterface(iid, out);
}
ULONG LX_STDCALL HostModule::AddRef() {
    return host_.AddReference();
}
ULONG LX_STDCALL HostModule::Release() {
    return host_.DropReference();
}

HRESULT LX_STDCALL HostModule::SetClientModule(HMODULE module) {
    host_.record_.module = module;
    return S_OK;
}

// ---- the API interface ----

HRESULT LX_STDCALL HostApi::QueryInterface(REFIID iid, void** out) {
    return host_.QueryInterface(iid, out);
}
ULONG LX_STDCALL HostApi::AddRef() {
    return host_.AddReference();
}
ULONG LX_STDCALL HostApi::Release() {
    return host_.DropReference();
}

HRESULT LX_STDCALL HostApi::Connect(IUnknown* sink, std::int32_t flags, PropValList* clientInfo) {
    if (auto fault = host_.Inject(kSlotConnect))
        return *fault;
    host_.record_.sink = sink;
    host_.record_.connectFlags = flags;
    host_.record_.clientInfo = ReadPropValList(clientInfo);
    // The host keeps its own reference to the sink: the client drops its reference before its
    // entry returns, so from then on the host's reference is what keeps the client alive.
    IFrameMakerNotifications0* notifications = nullptr;
    if (!sink ||
        FAILED(sink->QueryInterface(kIidNotifications, reinterpret_cast<void**>(&notifications))) ||
        !notifications)
        return E_NOINTERFACE;
    host_.ReleaseSink();
    host_.sink_ = notifications;
    return S_OK;
}

HRESULT LX_STDCALL HostApi::Notification(std::int32_t notification, std::int32_t state,
                                         std::int32_t* err) {
    if (auto fault = host_.Inject(kSlotNotification))
        return *fault;
    host_.record_.notifications.emplace_back(notification, state);
    if (state != 0)
        host_.requested_.insert(notification);
    else
        host_.requested_.erase(notification);
    *err = kNoError;
    host_.FinishError(kSlotNotification, err);
    return S_OK;
}

// ---- menus ----

HRESULT LX_STDCALL HostApi::DefineMenu(const char* tag, const char* label, std::int32_t* err,
                                       ObjectId* result) {
    if (auto fault = host_.Inject(kSlotDefineMenu))
        return *fault;
    *err = tag && label ? host_.menus_.DefineMenu(tag, label, result) : kHostErrBadValue;
    host_.FinishError(kSlotDefineMenu, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::AddCommandToMenu(ObjectId menu, ObjectId command, std::int32_t* err) {
    if (auto fault = host_.Inject(kSlotAddCommandToMenu))
        return *fault;
    *err = host_.menus_.AddCommandToMenu(menu, command);
    host_.FinishError(kSlotAddCommandToMenu, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::AddMenuToMenu(ObjectId target, ObjectId menu, std::int32_t* err) {
    if (auto fault = host_.Inject(kSlotAddMenuToMenu))
        return *fault;
    *err = host_.menus_.AddMenuToMenu(target, menu);
    host_.FinishError(kSlotAddMenuToMenu, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::DefineAndAddMenu(ObjectId target, const char* tag, const char* label,
                                             std::int32_t* err, ObjectId* result) {
    if (auto fault = host_.Inject(kSlotDefineAndAddMenu))
        return *fault;
    *err =
        tag && label ? host_.menus_.DefineAndAddMenu(target, tag, label, result) : kHostErrBadValue;
    host_.FinishError(kSlotDefineAndAddMenu, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::DefineAndAddCommand(std::int32_t command, ObjectId menu,
                                                const char* tag, const char* label,
                                                const char* shortcut, std::int32_t* err,
                                                ObjectId* result) {
    if (auto fault = host_.Inject(kSlotDefineAndAddCommand))
        return *fault;
    *err = tag && label ? host_.menus_.DefineAndAddCommand(command, menu, tag, label,
                                                           shortcut ? shortcut : "", result)
                        : kHostErrBadValue;
    host_.FinishError(kSlotDefineAndAddCommand, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::Alert(const char* message, std::int32_t, std::int32_t* answer) {
    if (auto fault = host_.Inject(kSlotAlert))
        return *fault;
    host_.record_.alerts.emplace_back(message ? message : "");
    host_.ShowAlert(host_.record_.alerts.back());
    *answer = host_.alertAnswer_;
    return S_OK;
}

HRESULT LX_STDCALL HostApi::PrintConsole(const char* text, std::int32_t* err) {
    if (auto fault = host_.Inject(kSlotPrintConsole))
        return *fault;
    host_.record_.console.emplace_back(text ? text : "");
    // The console is a stream: pieces are written as they come, a line ends where the text says.
    if (host_.consoleStream_)
        *host_.consoleStream_ << host_.record_.console.back() << std::flush;
    *err = kNoError;
    host_.FinishError(kSlotPrintConsole, err);
    return S_OK;
}

namespace {

// The model's property values as host values.
HostProp ToHostProp(const PropEntry& e) {
    HostProp p;
    p.num = e.num;
    switch (e.value.type) {
    case PropType::String:
        p.value = HostValue::String(e.value.sval);
        break;
    case PropType::Metrics:
        p.value = HostValue::Ints(e.value.list);
        break;
    default:
        p.value = HostValue{static_cast<std::int32_t>(e.value.type), e.value.ival};
        break;
    }
    return p;
}

// A client's property list as the model takes it, read from the client's structure in one step,
// without host values between (a report table gives each of its cells a whole format's list).
// Names, and lists of strings, are not model values: they are dropped, their type kept.
std::vector<PropEntry> ReadPropEntries(const PropValList* list) {
    std::vector<PropEntry> entries;
    if (!list || !list->items)
        return entries;
    entries.resize(list->count);
    for (std::uint32_t i = 0; i < list->count; ++i) {
        const TypedVal& v = list->items[i].value;
        PropEntry& e = entries[i];
        e.num = list->items[i].prop.num;
        e.value.type = static_cast<PropType>(v.tag);
        switch (v.tag) {
        case kTagString:
            e.value.sval = v.u.sval ? v.u.sval : "";
            break;
        case kTagInts:
            if (v.u.ints.items)
                e.value.list.assign(v.u.ints.items, v.u.ints.items + v.u.ints.count);
            break;
        case kTagStrings:
            break;
        default:
            e.value.ival = v.u.ival;
            break;
        }
    }
    return entries;
}

std::vector<HostProp> ToHostProps(const std::vector<PropEntry>& entries) {
    std::vector<HostProp> props;
    props.reserve(entries.size());
    for (const PropEntry& e : entries)
        props.push_back(ToHostProp(e));
    return props;
}

// Answers a typed getter from the test store: the value, or a host error for a value of
// another type.
template <typename T> void Answer(const StoredValue* stored, std::int32_t* err, T* result) {
    const T* v = As<T>(stored);
    if (!stored) {
        *err = kHostErrBadProperty;
    } else if (!v) {
        *err = kHostErrBadValue;
    } else {
        *result = *v;
        *err = kNoError;
    }
}

} // namespace

template <typename T, typename FromModel>
void HostApi::GetStoredOr(ObjectId obj, std::int32_t prop, std::int32_t* err, T* result,
                          FromModel fromModel) {
    if (const StoredValue* stored = host_.Find(obj, prop))
        Answer(stored, err, result);
    else
        *err = fromModel();
}

template <typename T, typename ToModel>
void HostApi::SetStoredOr(ObjectId obj, std::int32_t prop, std::int32_t* err, T value,
                          ToModel toModel) {
    if (host_.Find(obj, prop)) {
        host_.SetValue(obj, prop, {std::move(value)});
        *err = kNoError;
    } else {
        *err = toModel();
    }
}

HRESULT LX_STDCALL HostApi::Open(const char* fileName, const PropValList* params,
                                 PropValList* returned, std::int32_t* err, ObjectId* result) {
    if (auto fault = host_.Inject(kSlotOpen))
        return *fault;
    // The parameters are recorded for the tests; a session that keeps no events (the
    // command-line tool's) keeps none of them either, so that a book's walk keeps nothing per file.
    std::vector<HostProp> given = ReadPropValList(params);
    if (host_.session_.keepEvents)
        host_.record_.openParams.push_back(given);
    std::string path = fileName ? fileName : "";
    auto it = host_.opens_.find(path);
    if (it == host_.opens_.end())
        path = host_.names_.Receive(path);
    if (it != host_.opens_.end()) {
        *returned = MakePropValList(host_.memory_, it->second.returned);
        *err = it->second.error;
        if (*err == kNoError)
            *result = it->second.id;
    } else {
        std::vector<OpenParamEntry> openParams;
        for (const HostProp& p : given)
            if (const auto* v = std::get_if<std::int32_t>(&p.value.payload))
                openParams.push_back({p.num, *v});
        std::vector<PropEntry> back;
        std::string message;
        ObjectId id = 0;
        *err = host_.session_.Open(path, openParams, &id, &back, &message);
        if (*err != kNoError)
            host_.record_.openErrors.push_back({path, message});
        for (PropEntry& e : back)
            if (e.num == kOpenRetFileName)
                e.value.sval = host_.names_.Serve(e.value.sval);
        *returned = MakePropValList(host_.memory_, ToHostProps(back));
        if (*err == kNoError)
            *result = id;
    }
    host_.FinishError(kSlotOpen, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::CustomDoc(Metric width, Metric height, std::int32_t columns,
                                      Metric columnGap, Metric top, Metric bottom, Metric inside,
                                      Metric outside, std::int32_t sidedness,
                                      std::int32_t makeVisible, std::int32_t* err,
                                      ObjectId* result) {
    if (auto fault = host_.Inject(kSlotCustomDoc))
        return *fault;
    CustomDocParams params{width,  height, columns, columnGap, top,
                           bottom, inside, outside, sidedness, makeVisible};
    *err = host_.session_.CustomDoc(params, result);
    host_.FinishError(kSlotCustomDoc, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::Close(ObjectId obj, std::int32_t flags, std::int32_t* err) {
    if (auto fault = host_.Inject(kSlotClose))
        return *fault;
    if (host_.session_.keepEvents)
        host_.record_.closed.push_back(obj);
    *err = host_.session_.FindDocument(obj) || host_.session_.FindBook(obj)
               ? host_.session_.Close(obj, flags)
               : kNoError; // objects the test store made up close without complaint
    host_.FinishError(kSlotClose, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::Redisplay(ObjectId doc, std::int32_t* err) {
    if (auto fault = host_.Inject(kSlotRedisplay))
        return *fault;
    *err = host_.session_.Redisplay(doc);
    host_.FinishError(kSlotRedisplay, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::GetNamedObject(ObjectId doc, std::int32_t type, const char* name,
                                           std::int32_t* err, ObjectId* result) {
    if (auto fault = host_.Inject(kSlotGetNamedObject))
        return *fault;
    if (type == kNamedMenu || type == kNamedSeparator) {
        // Menus and separators belong to the application, whatever document is named.
        ObjectId id = name ? host_.menus_.FindNamed(type, name) : 0;
        *err = id ? kNoError : kHostErrBadObject;
        if (id)
            *result = id;
    } else {
        *err = host_.session_.GetNamedObject(doc, type, name ? name : "", result);
    }
    host_.FinishError(kSlotGetNamedObject, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::AddText(ObjectId doc, const TextLoc* loc, const char* text,
                                    std::int32_t* err, TextLoc* result) {
    if (auto fault = host_.Inject(kSlotAddText))
        return *fault;
    TextLoc after{};
    *err = loc ? host_.session_.AddText(doc, *loc, text ? text : "", &after) : kHostErrBadValue;
    if (*err == kNoError)
        *result = after;
    host_.FinishError(kSlotAddText, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::NewTable(ObjectId doc, const char* format, std::int32_t columns,
                                     std::int32_t bodyRows, std::int32_t headingRows,
                                     std::int32_t footingRows, const TextLoc* loc,
                                     std::int32_t* err, ObjectId* result) {
    if (auto fault = host_.Inject(kSlotNewTable))
        return *fault;
    *err = loc ? host_.session_.NewTable(doc, format ? format : "", columns, bodyRows, headingRows,
                                         footingRows, *loc, result)
               : kHostErrBadValue;
    host_.FinishError(kSlotNewTable, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::AddRows(ObjectId doc, ObjectId row, std::int32_t position,
                                    std::int32_t count, std::int32_t* err) {
    if (auto fault = host_.Inject(kSlotAddRows))
        return *fault;
    *err = host_.session_.AddRows(doc, row, position, count);
    host_.FinishError(kSlotAddRows, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::GetProps(ObjectId doc, ObjectId obj, std::int32_t* err,
                                     PropValList* result) {
    if (auto fault = host_.Inject(kSlotGetProps))
        return *fault;
    auto it = host_.props_.find(obj);
    if (it != host_.props_.end()) {
        *result = MakePropValList(host_.memory_, it->second);
        *err = kNoError;
    } else {
        std::vector<PropEntry> entries;
        *err = host_.session_.GetProps(doc, obj, &entries);
        if (*err == kNoError)
            *result = MakePropValList(host_.memory_, ToHostProps(entries));
    }
    host_.FinishError(kSlotGetProps, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::SetProps(ObjectId doc, ObjectId obj, const PropValList* props,
                                     std::int32_t* err) {
    if (auto fault = host_.Inject(kSlotSetProps))
        return *fault;
    if (auto stored = host_.props_.find(obj); stored != host_.props_.end()) {
        stored->second = ReadPropValList(props);
        *err = kNoError;
    } else {
        *err = host_.session_.SetProps(doc, obj, ReadPropEntries(props));
    }
    host_.FinishError(kSlotSetProps, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::GetInt(ObjectId doc, ObjectId obj, const PropIdent* prop,
                                   std::int32_t* err, std::int32_t* result) {
    if (auto fault = host_.Inject(kSlotGetInt))
        return *fault;
    GetStoredOr(obj, prop->num, err, result,
                [&] { return host_.session_.GetInt(doc, obj, prop->num, result); });
    host_.FinishError(kSlotGetInt, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::SetInt(ObjectId doc, ObjectId obj, const PropIdent* prop,
                                   std::int32_t value, std::int32_t* err) {
    if (auto fault = host_.Inject(kSlotSetInt))
        return *fault;
    SetStoredOr(obj, prop->num, err, value,
                [&] { return host_.session_.SetInt(doc, obj, prop->num, value); });
    host_.FinishError(kSlotSetInt, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::GetId(ObjectId doc, ObjectId obj, const PropIdent* prop,
                                  std::int32_t* err, ObjectId* result) {
    if (auto fault = host_.Inject(kSlotGetId))
        return *fault;
    if (MenuModel::IsMenuId(obj)) {
        *err = host_.menus_.GetId(doc, obj, prop->num, result);
    } else if (const StoredValue* stored = host_.Find(obj, prop->num)) {
        std::int32_t id = 0;
        Answer(stored, err, &id);
        if (*err == kNoError)
            *result = static_cast<ObjectId>(id);
    } else {
        *err = host_.session_.GetId(doc, obj, prop->num, result);
    }
    host_.FinishError(kSlotGetId, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::SetId(ObjectId doc, ObjectId obj, const PropIdent* prop, ObjectId value,
                                  std::int32_t* err) {
    if (auto fault = host_.Inject(kSlotSetId))
        return *fault;
    if (MenuModel::IsMenuId(obj)) {
        *err = host_.menus_.SetId(doc, obj, prop->num, value);
    } else if (host_.Find(obj, prop->num)) {
        host_.SetValue(obj, prop->num, {static_cast<std::int32_t>(value)});
        *err = kNoError;
    } else {
        *err = host_.session_.SetId(doc, obj, prop->num, value);
    }
    host_.FinishError(kSlotSetId, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::SetMetric(ObjectId doc, ObjectId obj, const PropIdent* prop,
                                      Metric value, std::int32_t* err) {
    if (auto fault = host_.Inject(kSlotSetMetric))
        return *fault;
    *err = host_.session_.SetMetric(doc, obj, prop->num, value);
    host_.FinishError(kSlotSetMetric, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::GetTextLoc(ObjectId doc, ObjectId obj, const PropIdent* prop,
                                       std::int32_t* err, TextLoc* result) {
    if (auto fault = host_.Inject(kSlotGetTextLoc))
        return *fault;
    GetStoredOr(obj, prop->num, err, result,
                [&] { return host_.session_.GetTextLoc(doc, obj, prop->num, result); });
    host_.FinishError(kSlotGetTextLoc, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::GetTextRange(ObjectId doc, ObjectId obj, const PropIdent* prop,
                                         std::int32_t* err, TextRange* result) {
    if (auto fault = host_.Inject(kSlotGetTextRange))
        return *fault;
    GetStoredOr(obj, prop->num, err, result,
                [&] { return host_.session_.GetTextRange(doc, obj, prop->num, result); });
    host_.FinishError(kSlotGetTextRange, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::SetTextRange(ObjectId doc, ObjectId obj, const PropIdent* prop,
                                         const TextRange* value, std::int32_t* err) {
    if (auto fault = host_.Inject(kSlotSetTextRange))
        return *fault;
    if (!value)
        *err = kHostErrBadValue;
    else
        SetStoredOr(obj, prop->num, err, *value,
                    [&] { return host_.session_.SetTextRange(doc, obj, prop->num, *value); });
    host_.FinishError(kSlotSetTextRange, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::GetString(ObjectId doc, ObjectId obj, const PropIdent* prop,
                                      std::int32_t* err, char** result) {
    if (auto fault = host_.Inject(kSlotGetString))
        return *fault;
    std::optional<std::string> value;
    if (MenuModel::IsMenuId(obj)) {
        std::string label;
        *err = host_.menus_.GetString(obj, prop->num, &label);
        if (*err == kNoError)
            value = std::move(label);
    } else if (const StoredValue* stored = host_.Find(obj, prop->num)) {
        Answer(stored, err, &value);
    } else {
        std::string text;
        *err = host_.session_.GetString(doc, obj, prop->num, &text);
        // The host names files in UTF-8; the client reads every string in the encoding in force.
        if (*err == kNoError && (prop->num == kPropPath || prop->num == kPropInstallDir))
            text = host_.names_.Serve(text);
        if (*err == kNoError)
            value = std::move(text);
    }
    *result = value ? host_.memory_.Dup(*value) : nullptr;
    host_.FinishError(kSlotGetString, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::SetString(ObjectId doc, ObjectId obj, const PropIdent* prop,
                                      const char* value, std::int32_t* err) {
    if (auto fault = host_.Inject(kSlotSetString))
        return *fault;
    if (MenuModel::IsMenuId(obj)) {
        *err = value ? host_.menus_.SetString(obj, prop->num, value) : kHostErrBadValue;
    } else if (host_.Find(obj, prop->num)) {
        std::optional<std::string> stored;
        if (value)
            stored = value;
        host_.SetValue(obj, prop->num, {stored});
        *err = kNoError;
    } else {
        *err = host_.session_.SetString(doc, obj, prop->num, value ? value : "");
    }
    host_.FinishError(kSlotSetString, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::GetMetrics(ObjectId doc, ObjectId obj, const PropIdent* prop,
                                       std::int32_t* err, MetricList* result) {
    if (auto fault = host_.Inject(kSlotGetMetrics))
        return *fault;
    std::vector<Metric> metrics;
    GetStoredOr(obj, prop->num, err, &metrics,
                [&] { return host_.session_.GetMetrics(doc, obj, prop->num, &metrics); });
    if (*err == kNoError)
        *result = MakeMetricList(host_.memory_, metrics);
    host_.FinishError(kSlotGetMetrics, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::SetMetrics(ObjectId doc, ObjectId obj, const PropIdent* prop,
                                       const MetricList* value, std::int32_t* err) {
    if (auto fault = host_.Inject(kSlotSetMetrics))
        return *fault;
    std::vector<Metric> metrics;
    if (value && value->items)
        metrics.assign(value->items, value->items + value->count);
    SetStoredOr(obj, prop->num, err, metrics,
                [&] { return host_.session_.SetMetrics(doc, obj, prop->num, metrics); });
    host_.FinishError(kSlotSetMetrics, err);
    return S_OK;
}

HRESULT LX_STDCALL HostApi::GetText(ObjectId doc, const TextRange* range, std::int32_t flags,
                                    std::int32_t* err, TextItemList* result) {
    if (auto fault = host_.Inject(kSlotGetText))
        return *fault;
    if (!range) {
        *err = kHostErrBadValue;
        return S_OK;
    }
    auto it = host_.texts_.find(range->begin.obj);
    if (it != host_.texts_.end()) {
        *result = MakeTextItemList(host_.memory_, it->second);
        *err = kNoError;
    } else {
        std::vector<TextPiece>& pieces = host_.pieces_;
        *err = host_.session_.GetText(doc, *range, flags, &pieces);
        if (*err == kNoError)
            *result = MakeTextItemList(host_.memory_, pieces);
    }
    host_.FinishError(kSlotGetText, err);
    return S_OK;
}

} // namespace lxhost
