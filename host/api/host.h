// The headless host's COM side: the host object handed to the plug-in, the API interface with its
// method table, the memory and module interfaces, fault injection for tests, and the record of
// what the client did (alerts, console lines, notifications, calls per slot).
#pragma once

#include "host/api/menus.h"
#include "host/api/served_names.h"
#include "host/api/task_memory.h"
#include "host/model/model.h"
#include "runtime/api_slots.h"
#include "runtime/interface_ids.h"
#include "runtime/sink_interfaces.h"

#include <array>
#include <cstdint>
#include <iosfwd>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace lxhost {

// The host error codes the COM side answers with: the model's own codes, so that one object
// never fails with two different codes.
constexpr std::int32_t kHostErrBadObject = kErrBadObject;
constexpr std::int32_t kHostErrBadProperty = kErrBadProperty;
constexpr std::int32_t kHostErrBadValue = kErrBadValue;
constexpr std::int32_t kHostErrFile = kErrFileNotFound;

// What a slot does instead of its work, for tests.
struct Fault {
    enum class Kind { None, ComFailure, HostError };
    Kind kind = Kind::None;
    HRESULT comResult = E_FAIL;    // Kind::ComFailure
    std::int32_t hostError = 0;    // Kind::HostError: the method still does its work and returns
                                   // its memory, then reports this code in the error word
    std::int64_t succeedFirst = 0; // the fault applies only after this many successful calls
};

// A property value of any object, in the first cut's simple store.
struct StoredValue {
    std::variant<std::int32_t, std::optional<std::string>, std::vector<Metric>, TextLoc, TextRange>
        value;
};

struct OpenResult {
    ObjectId id = 0;
    std::int32_t error = 0;
    std::vector<HostProp> returned;
};

class Host;

// The host's API interface: one object per host, serving the method table.
class HostApi final : public ApiHostInterfaceFailing {
  public:
    explicit HostApi(Host& host) : host_(host) {}

    HRESULT LX_STDCALL QueryInterface(REFIID iid, void** out) override;
    ULONG LX_STDCALL AddRef() override;
    ULONG LX_STDCALL Release() override;

    HRESULT LX_STDCALL Connect(IUnknown* sink, std::int32_t flags,
                               PropValList* clientInfo) override;
    HRESULT LX_STDCALL Notification(std::int32_t notification, std::int32_t state,
                                    std::int32_t* err) override;
    HRESULT LX_STDCALL DefineMenu(const char* tag, const char* label, std::int32_t* err,
                                  ObjectId* result) override;
    HRESULT LX_STDCALL AddCommandToMenu(ObjectId menu, ObjectId command,
                                        std::int32_t* err) override;
    HRESULT LX_STDCALL AddMenuToMenu(ObjectId target, ObjectId menu, std::int32_t* err) override;
    HRESULT LX_STDCALL DefineAndAddMenu(ObjectId target, const char* tag, const char* label,
                                        std::int32_t* err, ObjectId* result) override;
    HRESULT LX_STDCALL DefineAndAddCommand(std::int32_t command, ObjectId menu, const char* tag,
                                           const char* label, const char* shortcut,
                                           std::int32_t* err, ObjectId* result) override;
    HRESULT LX_STDCALL GetNamedObject(ObjectId doc, std::int32_t type, const char* name,
                                      std::int32_t* err, ObjectId* result) override;
    HRESULT LX_STDCALL Alert(const char* message, std::int32_t type, std::int32_t* answer) override;
    HRESULT LX_STDCALL PrintConsole(const char* text, std::int32_t* err) override;
    HRESULT LX_STDCALL Open(const char* fileName, const PropValList* params, PropValList* returned,
                            std::int32_t* err, ObjectId* result) override;
    HRESULT LX_STDCALL CustomDoc(Metric width, Metric height, std::int32_t columns,
                                 Metric columnGap, Metric top, Metric bottom, Metric inside,
                                 Metric outside, std::int32_t sidedness, std::int32_t makeVisible,
                                 std::int32_t* err, ObjectId* result) override;
    HRESULT LX_STDCALL AddText(ObjectId doc, const TextLoc* loc, const char* text,
                               std::int32_t* err, TextLoc* result) override;
    HRESULT LX_STDCALL NewTable(ObjectId doc, const char* format, std::int32_t columns,
                                std::int32_t bodyRows, std::int32_t headingRows,
                                std::int32_t footingRows, const TextLoc* loc, std::int32_t* err,
                                ObjectId* result) override;
    HRESULT LX_STDCALL AddRows(ObjectId doc, ObjectId row, std::int32_t position,
                               std::int32_t count, std::int32_t* err) override;
    HRESULT LX_STDCALL SetMetric(ObjectId doc, ObjectId obj, const PropIdent* prop, Metric value,
                                 std::int32_t* err) override;
    HRESULT LX_STDCALL Close(ObjectId obj, std::int32_t flags, std::int32_t* err) override;
    HRESULT LX_STDCALL Redisplay(ObjectId doc, std::int32_t* err) override;
    HRESULT LX_STDCALL GetProps(ObjectId doc, ObjectId obj, std::int32_t* err,
                                PropValList* result) override;
    HRESULT LX_STDCALL SetProps(ObjectId doc, ObjectId obj, const PropValList* props,
                                std::int32_t* err) override;
    HRESULT LX_STDCALL GetInt(ObjectId doc, ObjectId obj, const PropIdent* prop, std::int32_t* err,
                              std::int32_t* result) override;
    HRESULT LX_STDCALL SetInt(ObjectId doc, ObjectId obj, const PropIdent* prop, std::int32_t value,
                              std::int32_t* err) override;
    HRESULT LX_STDCALL GetId(ObjectId doc, ObjectId obj, const PropIdent* prop, std::int32_t* err,
                             ObjectId* result) override;
    HRESULT LX_STDCALL SetId(ObjectId doc, ObjectId obj, const PropIdent* prop, ObjectId value,
                             std::int32_t* err) override;
    HRESULT LX_STDCALL GetTextLoc(ObjectId doc, ObjectId obj, const PropIdent* prop,
                                  std::int32_t* err, TextLoc* result) override;
    HRESULT LX_STDCALL GetTextRange(ObjectId doc, ObjectId obj, const PropIdent* prop,
                                    std::int32_t* err, TextRange* result) override;
    HRESULT LX_STDCALL SetTextRange(ObjectId doc, ObjectId obj, const PropIdent* prop,
                                    const TextRange* value, std::int32_t* err) override;
    HRESULT LX_STDCALL GetString(ObjectId doc, ObjectId obj, const PropIdent* prop,
                                 std::int32_t* err, char** result) override;
    HRESULT LX_STDCALL SetString(ObjectId doc, ObjectId obj, const PropIdent* prop,
                                 const char* value, std::int32_t* err) override;
    HRESULT LX_STDCALL GetMetrics(ObjectId doc, ObjectId obj, const PropIdent* prop,
                                  std::int32_t* err, MetricList* result) override;
    HRESULT LX_STDCALL SetMetrics(ObjectId doc, ObjectId obj, const PropIdent* prop,
                                  const MetricList* value, std::int32_t* err) override;
    HRESULT LX_STDCALL GetText(ObjectId doc, const TextRange* range, std::int32_t flags,
                               std::int32_t* err, TextItemList* result) override;

  private:
    // A getter's answer from the test store when it holds the property, else from the model.
    template <typename T, typename FromModel>
    void GetStoredOr(ObjectId obj, std::int32_t prop, std::int32_t* err, T* result,
                     FromModel fromModel);
    // A setter's work in the test store when it holds the property, else in the model.
    template <typename T, typename ToModel>
    void SetStoredOr(ObjectId obj, std::int32_t prop, std::int32_t* err, T value, ToModel toModel);

    Host& host_;
};

class HostMemory final : public IHostMemory {
  public:
    explicit HostMemory(Host& host) : host_(host) {}
    HRESULT LX_STDCALL QueryInterface(REFIID iid, void** out) override;
    ULONG LX_STDCALL AddRef() override;
    ULONG LX_STDCALL Release() override;
    HRESULT LX_STDCALL SetClientMemoryMode(std::int32_t mode) override;

  private:
    Host& host_;
};

class HostModule final : public IHostModule {
  public:
    explicit HostModule(Host& host) : host_(host) {}
    HRESULT LX_STDCALL QueryInterface(REFIID iid, void** out) override;
    ULONG LX_STDCALL AddRef() override;
    ULONG LX_STDCALL Release() override;
    HRESULT LX_STDCALL SetClientModule(HMODULE module) override;

  private:
    Host& host_;
};

// The host object: the IUnknown the plug-in receives, from which it queries the interfaces.
class Host final : public IUnknown {
  public:
    // serialsPerKind: the ids the session has for each kind of object (fewer for tests).
    explicit Host(std::uint32_t serialsPerKind = ObjectRegistry::kMaxSerials);
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;
    ~Host();

    HRESULT LX_STDCALL QueryInterface(REFIID iid, void** out) override;
    ULONG LX_STDCALL AddRef() override;
    ULONG LX_STDCALL Release() override;

    // Configuration for tests.
    void SetFault(ApiSlot slot, Fault fault) { faults_[slot] = fault; }
    // Makes the n-th API call from now, whatever its slot, fail with the fault (its succeedFirst
    // is not used); n = 0 turns it off. A host-error fault has no effect on the one method
    // without an error word (Alert).
    void FailNthCall(std::int64_t n, Fault fault);
    // A guard for sweeps: once this many API calls were made from now, every further call fails
    // with a COM failure, so that a client looping on a failing host still ends. 0: no limit.
    void SetCallLimit(std::int64_t limit);
    // Makes the n-th interface query from now refuse (E_NOINTERFACE, null), whatever it asks
    // for; n = 0 turns it off.
    void RefuseNthQuery(std::int64_t n) {
        refuseQuery_ = n;
        queries_ = 0;
    }
    std::int64_t QueriesMade() const { return queries_; }
    // API calls made since the last FailNthCall or SetCallLimit, and whether the limit was hit.
    std::int64_t CallsMade() const { return callsMade_; }
    bool CallLimitReached() const { return callLimit_ > 0 && callsMade_ > callLimit_; }
    void ClearFaults();
    void SetSupportsApi(bool supports) { supportsApi_ = supports; }
    // The memory interface's answer: 0 tells the client that the host keeps its memory.
    void SetMemoryAnswer(std::optional<HRESULT> answer) { memoryAnswer_ = answer; }
    void SetAlertAnswer(std::int32_t answer) { alertAnswer_ = answer; }
    // Where alerts (default: standard output) and console lines (default: standard error) are
    // printed besides being recorded; null prints nothing.
    void SetAlertStream(std::ostream* out) { alertStream_ = out; }
    void SetConsoleStream(std::ostream* out) { consoleStream_ = out; }

    // The first cut's object store: any object's properties, text and open results.
    void SetValue(ObjectId obj, std::int32_t prop, StoredValue value);
    void SetProps(ObjectId obj, std::vector<HostProp> props) { props_[obj] = std::move(props); }
    void SetText(ObjectId obj, std::vector<HostTextItem> items) { texts_[obj] = std::move(items); }
    void SetOpenResult(const std::string& path, OpenResult result) { opens_[path] = result; }

    // The host's menus, for tests and for the command-line tool.
    MenuModel& menus() { return menus_; }
    const MenuModel& menus() const { return menus_; }

    // Whether the client asked for the notification (and has not withdrawn it).
    bool NotificationRequested(std::int32_t notification) const {
        return requested_.count(notification) != 0;
    }

    // The client's notification sink, attached through Connect; the host holds one reference to
    // it until ReleaseSink. The calls below answer E_FAIL when no sink is attached, or when the
    // client raised the platform exception inside the call (recorded in Record::raised).
    bool HasSink() const { return sink_ != nullptr; }
    HRESULT InitializeClient(std::int32_t code);
    HRESULT RunCommand(std::int32_t number);
    // Delivers a command message (notification 13), but only to a client that asked for it;
    // false when it was not delivered.
    bool SendMessage(const std::string& text);
    // Drops the host's reference, normally the sink's last: the client then shuts down.
    void ReleaseSink();

    // A file that did not open: the path as the client named it and the reader's message.
    struct OpenError {
        std::string path;
        std::string message;
    };

    // What the client did.
    struct Record {
        std::vector<std::string> alerts;
        std::vector<std::string> console;
        std::vector<std::pair<std::int32_t, std::int32_t>> notifications;
        std::vector<IID> queried;
        std::vector<std::vector<HostProp>> openParams;
        std::vector<ObjectId> closed;
        std::array<std::int64_t, kApiSlotCount> calls{};
        IUnknown* sink = nullptr; // the sink as attached; the host's reference is sink_
        std::int32_t connectFlags = 0;
        std::vector<HostProp> clientInfo;
        HMODULE module = nullptr;
        int memoryModeCalls = 0;
        std::vector<std::uint32_t> raised; // platform exception codes caught around sink calls
        std::vector<OpenError> openErrors; // the files that did not open
    };
    const Record& record() const { return record_; }
    // References the client holds on the host's interfaces right now.
    int OutstandingReferences() const { return references_; }

    TaskAllocator& memory() { return memory_; }
    // The documents, books and application state the host serves.
    Session& session() { return session_; }
    const Session& session() const { return session_; }
    HostApi& api() { return api_; }

  private:
    friend class HostApi;
    friend class HostMemory;
    friend class HostModule;

    // Counts the call and answers the slot's fault, if one applies now.
    std::optional<HRESULT> Inject(ApiSlot slot);
    // Applies a host-error fault to the error word after the method did its work.
    void FinishError(ApiSlot slot, std::int32_t* err);
    const StoredValue* Find(ObjectId obj, std::int32_t prop) const;
    ULONG AddReference() { return static_cast<ULONG>(++references_); }
    ULONG DropReference() { return static_cast<ULONG>(--references_); }
    void ShowAlert(const std::string& text);
    template <typename Call> HRESULT CallSink(Call call);

    HostApi api_;
    HostMemory memoryInterface_;
    HostModule moduleInterface_;
    TaskAllocator memory_;
    int references_ = 0;
    bool supportsApi_ = true;
    std::optional<HRESULT> memoryAnswer_ = 1;
    std::int32_t alertAnswer_ = 0;
    std::ostream* alertStream_;
    std::size_t alertsShown_ = 0;
    std::ostream* consoleStream_;
    std::set<std::int32_t> requested_;
    IFrameMakerNotifications0* sink_ = nullptr;
    MenuModel menus_;
    Session session_;
    std::vector<TextPiece> pieces_; // reused by every GetText
    std::array<Fault, kApiSlotCount> faults_{};
    Fault nthFault_;
    std::int64_t nthCall_ = 0;
    std::int64_t callsMade_ = 0;
    std::int64_t callLimit_ = 0;
    bool nthCallNow_ = false; // the call being served is the n-th
    std::int64_t refuseQuery_ = 0;
    std::int64_t queries_ = 0;
    std::array<std::int64_t, kApiSlotCount> successes_{};
    std::map<std::pair<ObjectId, std::int32_t>, StoredValue> values_;
    std::map<ObjectId, std::vector<HostProp>> props_;
    std::map<ObjectId, std::vector<HostTextItem>> texts_;
    std::map<std::string, OpenResult> opens_;
    ServedNames names_;
    Record record_;
};

} // namespace lxhost
