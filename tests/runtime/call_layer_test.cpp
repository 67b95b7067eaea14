// The call layer through the real boundary: the client's operations against the host object.
#include "host_fixture.h"

#include "support/prop_list.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using lxhost::Fault;
using lxhost::HostProp;
using lxhost::HostTextItem;
using lxhost::HostValue;
using lxhost::OpenResult;
using lxhost::StoredValue;

constexpr ObjectId kObj = HostFixture::kObj;
constexpr std::int32_t kPropInt = 1;
constexpr std::int32_t kPropId = 2;
constexpr std::int32_t kPropString = 3;
constexpr std::int32_t kPropMetrics = 4;
constexpr std::int32_t kPropLoc = 5;
constexpr std::int32_t kPropRange = 6;
constexpr std::int32_t kPropNullString = 7;

const TextRange kWholeObject = {{kObj, 0}, {kObj, kTextOffsetEnd}};

// One operation: how to call it, and whether what it returned is its failure value. The result
// is freed inside the call, so the tests below only look at the outcome.
struct Op {
    const char* name;
    ApiSlot slot;
    std::function<bool()> callFails;
};

// A real document of the host's model, for the operations the test store does not answer.
ObjectId document = 0;

std::vector<Op> AllOperations() {
    static PropValList* returned = nullptr;
    return {
        {"Notification", kSlotNotification, [] { return ApiNotification(13, 1) != 0; }},
        {"DefineMenu", kSlotDefineMenu, [] { return ApiDefineMenu("T", "L") == 0; }},
        {"AddCommandToMenu", kSlotAddCommandToMenu, [] { return ApiAddCommandToMenu(1, 2) != 0; }},
        {"AddMenuToMenu", kSlotAddMenuToMenu, [] { return ApiAddMenuToMenu(1, 2) != 0; }},
        {"DefineAndAddMenu", kSlotDefineAndAddMenu,
         [] { return ApiDefineAndAddMenu(1, "T", "L") == 0; }},
        {"Alert", kSlotAlert, [] { return ApiAlert("m", kAlertType) == 0; }},
        {"PrintConsole", kSlotPrintConsole, [] { return ApiPrintConsole("line") != 0; }},
        {"Open", kSlotOpen, [] { return ApiOpen("a.mif", nullptr, &returned) == 0; }},
        {"CustomDoc", kSlotCustomDoc,
         [] { return ApiCustomDoc(1, 1, 1, 0, 0, 0, 0, 0, 0, 0) == 0; }},
        {"Close", kSlotClose, [] { return ApiClose(kObj, 1) != 0; }},
        {"Redisplay", kSlotRedisplay, [] { return ApiRedisplay(document) != 0; }},
        {"GetNamedObject", kSlotGetNamedObject,
         [] { return ApiGetNamedObject(0, 32, "Body") == 0; }},
        {"AddText", kSlotAddText,
         [] {
             TextLoc loc{kObj, 0};
             TextLoc r = ApiAddText(kObj, &loc, "x");
             return r.obj == 0 && r.offset == 0;
         }},
        {"GetProps", kSlotGetProps,
         [] {
             PropValList l = ApiGetProps(0, kObj);
             bool empty = l.count == 0 && l.items == nullptr;
             PropValListFree(&l);
             return empty;
         }},
        {"SetProps", kSlotSetProps,
         [] {
             ApiSetProps(0, kObj, nullptr);
             return false;
         }},
        {"GetInt", kSlotGetInt, [] { return ApiGetInt(0, kObj, kPropInt) == 0; }},
        {"SetInt", kSlotSetInt,
         [] {
             ApiSetInt(0, kObj, kPropInt, 5);
             return false;
         }},
        {"GetId", kSlotGetId, [] { return ApiGetId(0, kObj, kPropId) == 0; }},
        {"SetId", kSlotSetId,
         [] {
             ApiSetId(0, kObj, kPropId, 7);
             return false;
         }},
        {"SetMetric", kSlotSetMetric,
         [] {
             ApiSetMetric(0, kObj, 99, 1);
             return false;
         }},
        {"GetTextLoc", kSlotGetTextLoc,
         [] {
             TextLoc l = ApiGetTextLoc(0, kObj, kPropLoc);
             return l.obj == 0 && l.offset == 0;
         }},
        {"GetTextRange", kSlotGetTextRange,
         [] {
             TextRange r = ApiGetTextRange(0, kObj, kPropRange);
             TextRange zero{};
             return std::memcmp(&r, &zero, sizeof r) == 0;
         }},
        {"SetTextRange", kSlotSetTextRange,
         [] {
             ApiSetTextRange(0, kObj, kPropRange, &kWholeObject);
             return false;
         }},
        {"GetString", kSlotGetString,
         [] {
             char* s = ApiGetString(0, kObj, kPropString);
             bool none = s == nullptr;
             StrRelease(&s);
             return none;
         }},
        {"SetString", kSlotSetString,
         [] {
             ApiSetString(0, kObj, kPropString, "abc");
             return false;
         }},
        {"GetMetrics", kSlotGetMetrics,
         [] {
             MetricList m = ApiGetMetrics(0, kObj, kPropMetrics);
             bool empty = m.count == 0 && m.items == nullptr;
             RawFree(m.items);
             return empty;
         }},
        {"SetMetrics", kSlotSetMetrics,
         [] {
             Metric widths[2] = {kMetricPoint, 2 * kMetricPoint};
             MetricList m{2, widths};
             ApiSetMetrics(0, kObj, kPropMetrics, &m);
             return false;
         }},
        {"GetText", kSlotGetText,
         [] {
             TextItemList l = ApiGetText(0, &kWholeObject, 1);
             bool empty = l.count == 0 && l.items == nullptr;
             TextItemListFree(&l);
             return empty;
         }},
        {"AddRows", kSlotAddRows, [] { return ApiAddRows(0, 1, 1241, 1) != 0; }},
        {"NewTable", kSlotNewTable,
         [] {
             TextLoc loc{kObj, 0};
             return ApiNewTable(0, "Format A", 2, 1, 1, 0, &loc) == 0;
         }},
        {"DefineAndAddCommand", kSlotDefineAndAddCommand,
         [] { return ApiDefineAndAddCommand(1, 2, "T", "L", "") == 0; }},
    };
}

// Setters return nothing: only ApiErrno tells their failure.
bool IsSetter(ApiSlot slot) {
    switch (slot) {
    case kSlotSetProps:
    case kSlotSetInt:
    case kSlotSetId:
    case kSlotSetMetric:
    case kSlotSetTextRange:
    case kSlotSetString:
    case kSlotSetMetrics:
        return true;
    default:
        return false;
    }
}

// The operations the first cut of the host carries out, with data to answer them.
bool HostServes(ApiSlot slot) {
    switch (slot) {
    case kSlotDefineMenu:
    case kSlotAddCommandToMenu:
    case kSlotAddMenuToMenu:
    case kSlotDefineAndAddMenu:
    case kSlotCustomDoc:
    case kSlotGetNamedObject:
    case kSlotAddText:
    case kSlotSetMetric:
    case kSlotAddRows:
    case kSlotNewTable:
    case kSlotDefineAndAddCommand:
        return false;
    default:
        return true;
    }
}

class CallLayer : public HostFixture {
  protected:
    void SetUp() override {
        HostFixture::SetUp();
        document = host_.session().NewDocument().id();
        host_.SetValue(kObj, kPropInt, {std::int32_t{5}});
        host_.SetValue(kObj, kPropId, {std::int32_t{7}});
        host_.SetValue(kObj, kPropString, {std::optional<std::string>("abc")});
        host_.SetValue(kObj, kPropNullString, {std::optional<std::string>()});
        host_.SetValue(kObj, kPropMetrics, {std::vector<Metric>{kMetricPoint, 2 * kMetricPoint}});
        host_.SetValue(kObj, kPropLoc, {TextLoc{kObj, 3}});
        host_.SetValue(kObj, kPropRange, {kWholeObject});
        host_.SetProps(kObj, {{7, "", HostValue::Int(1)},
                              {0, "named", HostValue::String("s")},
                              {8, "", HostValue::Strings({"x", "y"})}});
        HostTextItem anchor;
        anchor.offset = 6;
        anchor.dataType = 8;
        anchor.value = 0x15000001;
        host_.SetText(kObj, {{0, 1, "Hello ", 0}, anchor, {6, 1, "world.", 0}});
        host_.SetOpenResult("a.mif", {0x02000001, 0, {{1, "", HostValue::Int(3)}}});
        host_.SetAlertAnswer(1);
    }
};

TEST_F(CallLayer, EveryOperationBeforeConnectionFailsWithoutReachingTheHost) {
    for (const Op& op : AllOperations()) {
        ApiErrno = 0;
        EXPECT_TRUE(op.callFails() || IsSetter(op.slot)) << op.name;
        EXPECT_EQ(ApiErrno, kApiErrNotConnected) << op.name;
        EXPECT_EQ(host_.record().calls[op.slot], 0) << op.name;
    }
}

TEST_F(CallLayer, ComFailuresGiveBusyOrMinusOneAndTheFailureValue) {
    Connect();
    struct Case {
        HRESULT com;
        std::int32_t errno_;
    };
    const Case cases[] = {{kComBusy, kApiErrBusy}, {E_FAIL, -1}, {E_NOINTERFACE, -1}};
    for (const Case& c : cases) {
        for (const Op& op : AllOperations()) {
            if (!HostServes(op.slot))
                continue;
            host_.ClearFaults();
            host_.SetFault(op.slot, {Fault::Kind::ComFailure, c.com, 0, 0});
            ApiErrno = 0;
            EXPECT_TRUE(op.callFails() || IsSetter(op.slot)) << op.name;
            EXPECT_EQ(ApiErrno, c.errno_) << op.name << " com " << std::hex << c.com;
            EXPECT_GE(host_.record().calls[op.slot], 1) << op.name;
        }
    }
}

TEST_F(CallLayer, HostErrorsGiveTheHostsCodeAndReleaseEveryCopy) {
    Connect();
    for (const Op& op : AllOperations()) {
        if (!HostServes(op.slot) || op.slot == kSlotAlert) // the alert has no error word
            continue;
        host_.ClearFaults();
        host_.SetFault(op.slot, {Fault::Kind::HostError, S_OK, 4711, 0});
        ApiErrno = 0;
        op.callFails();
        EXPECT_EQ(ApiErrno, 4711) << op.name;
    }
    // The accounting in TearDown proves every host block came back exactly once.
}

TEST_F(CallLayer, SuccessKeepsTheEarlierErrorCode) {
    Connect();
    for (const Op& op : AllOperations()) {
        if (!HostServes(op.slot))
            continue;
        host_.ClearFaults();
        ApiErrno = -88;
        EXPECT_FALSE(op.callFails()) << op.name;
        EXPECT_EQ(ApiErrno, -88) << op.name;
    }
}

TEST_F(CallLayer, StatusOperationsReturnTheirErrorWord) {
    Connect();
    EXPECT_EQ(ApiNotification(13, 1), 0);
    host_.SetFault(kSlotNotification, {Fault::Kind::HostError, S_OK, 12, 0});
    EXPECT_EQ(ApiNotification(13, 1), 12);
    host_.SetFault(kSlotNotification, {Fault::Kind::ComFailure, E_FAIL, 0, 0});
    EXPECT_EQ(ApiNotification(13, 1), -1);
}

TEST_F(CallLayer, SucceedingOnlyForTheFirstCalls) {
    Connect();
    host_.SetFault(kSlotGetInt, {Fault::Kind::ComFailure, kComBusy, 0, 2});
    EXPECT_EQ(ApiGetInt(0, kObj, kPropInt), 5);
    EXPECT_EQ(ApiGetInt(0, kObj, kPropInt), 5);
    EXPECT_EQ(ApiGetInt(0, kObj, kPropInt), 0);
    EXPECT_EQ(ApiErrno, kApiErrBusy);
}

TEST_F(CallLayer, ReturnedValuesAreClientCopies) {
    Connect();
    EXPECT_EQ(ApiGetId(0, kObj, kPropId), 7u);
    TextLoc loc = ApiGetTextLoc(0, kObj, kPropLoc);
    EXPECT_EQ(loc.offset, 3);

    char* s = ApiGetString(0, kObj, kPropString);
    EXPECT_STREQ(s, "abc");
    StrRelease(&s);
    ApiErrno = 0;
    EXPECT_EQ(ApiGetString(0, kObj, kPropNullString), nullptr);
    EXPECT_EQ(ApiErrno, 0); // a null value is not an error

    MetricList m = ApiGetMetrics(0, kObj, kPropMetrics);
    ASSERT_EQ(m.count, 2u);
    EXPECT_EQ(m.items[1], 2 * kMetricPoint);
    RawFree(m.items);

    PropValList props = ApiGetProps(0, kObj);
    ASSERT_EQ(props.count, 3u);
    EXPECT_STREQ(props.items[1].prop.name, "named");
    EXPECT_STREQ(props.items[1].value.u.sval, "s");
    EXPECT_STREQ(props.items[2].value.u.strings.items[1], "y");
    PropValListFree(&props);

    TextItemList text = ApiGetText(0, &kWholeObject, 1);
    ASSERT_EQ(text.count, 3u);
    EXPECT_STREQ(text.items[0].u.sdata, "Hello ");
    EXPECT_EQ(text.items[1].u.idata, 0x15000001u);
    EXPECT_STREQ(text.items[2].u.sdata, "world.");
    TextItemListFree(&text);
    EXPECT_EQ(Releases(), Allocations()) << "every host block is released once";
}

TEST_F(CallLayer, WhenTheHostKeepsItsMemoryNothingIsReleased) {
    host_.SetMemoryAnswer(0);
    Connect();
    EXPECT_EQ(KeepHostMemory, 1);
    for (const Op& op : AllOperations())
        op.callFails();
    EXPECT_GT(Allocations(), 0u);
    EXPECT_EQ(Releases(), 0u);
}

TEST_F(CallLayer, KeepHostMemoryOnlyWhenTheMemoryInterfaceAnswersZero) {
    struct Case {
        std::optional<HRESULT> answer;
        int keep;
    };
    const Case cases[] = {{0, 1}, {1, 0}, {E_FAIL, 0}, {std::nullopt, 0}};
    for (const Case& c : cases) {
        lxhost::Host host;
        host.SetMemoryAnswer(c.answer);
        KeepHostMemory = 0;
        ASSERT_EQ(ClientConnect(&host), 0);
        EXPECT_EQ(KeepHostMemory, c.keep);
        EXPECT_EQ(host.record().memoryModeCalls, c.answer ? 1 : 0);
        ClientShutdown();
        EXPECT_EQ(host.OutstandingReferences(), 0);
    }
}

TEST_F(CallLayer, OpenReturnListProtocol) {
    Connect();
    PropValList* returned = nullptr;
    EXPECT_EQ(ApiOpen("a.mif", nullptr, &returned), 0x02000001u);
    ASSERT_NE(returned, nullptr);
    ASSERT_EQ(returned->count, 1u);
    EXPECT_EQ(returned->items[0].value.u.ival, 3);
    PropValList* first = returned;

    // The next open empties the earlier contents first and fills the same list again.
    host_.SetOpenResult(
        "b.mif", {0x02000002, 0, {{1, "", HostValue::Int(4)}, {2, "", HostValue::String("two")}}});
    EXPECT_EQ(ApiOpen("b.mif", nullptr, &returned), 0x02000002u);
    EXPECT_EQ(returned, first);
    ASSERT_EQ(returned->count, 2u);
    EXPECT_STREQ(returned->items[1].value.u.sval, "two");

    // A caller that passes no earlier list still gets the list, and nothing leaks.
    PropValList* other = nullptr;
    EXPECT_EQ(ApiOpen("a.mif", nullptr, &other), 0x02000001u);
    EXPECT_EQ(other, first);

    // A host error still replaces the list and sets the pointer.
    host_.SetOpenResult("bad.mif", {0, 33, {{9, "", HostValue::Int(9)}}});
    PropValList* afterError = nullptr;
    EXPECT_EQ(ApiOpen("bad.mif", nullptr, &afterError), 0u);
    EXPECT_EQ(ApiErrno, 33);
    ASSERT_EQ(afterError, first);
    EXPECT_EQ(afterError->items[0].prop.num, 9);

    // After a COM failure the caller's pointer is left alone.
    host_.SetFault(kSlotOpen, {Fault::Kind::ComFailure, E_FAIL, 0, 0});
    PropValList* untouched = nullptr;
    EXPECT_EQ(ApiOpen("a.mif", nullptr, &untouched), 0u);
    EXPECT_EQ(untouched, nullptr);
    host_.ClearFaults();

    PropValListFree(first); // the caller may empty it; the runtime keeps the record
    EXPECT_EQ(first->count, 0u);
}

TEST_F(CallLayer, OpenWithDefaultsPassesParameter29AndEmptiesTheReturnList) {
    Connect();
    EXPECT_EQ(OpenWithDefaults("a.mif"), 0x02000001u);
    ASSERT_EQ(host_.record().openParams.size(), 1u);
    const std::vector<HostProp>& params = host_.record().openParams[0];
    ASSERT_EQ(params.size(), 1u);
    EXPECT_EQ(params[0].num, kOpenParamNewFromTemplate);
    EXPECT_EQ(std::get<std::int32_t>(params[0].value.payload), 1);
    EXPECT_EQ(OpenWithDefaults("missing.mif"), 0u);
    EXPECT_EQ(ApiErrno, lxhost::kHostErrFile);
}

// A host whose session keeps no events (the command-line tool's) still opens with the given
// parameters but records neither them nor the closing, so a book's walk keeps nothing per file.
TEST_F(CallLayer, AHostThatKeepsNoEventsRecordsNoOpenParameters) {
    host_.session().keepEvents = false;
    Connect();
    const ObjectId doc = OpenWithDefaults("a.mif");
    EXPECT_EQ(doc, 0x02000001u);
    EXPECT_EQ(ApiClose(doc, 0), 0);
    EXPECT_TRUE(host_.record().openParams.empty());
    EXPECT_TRUE(host_.record().closed.empty());
}

TEST_F(CallLayer, AfterShutdownEveryOperationFailsAgain) {
    Connect();
    EXPECT_EQ(ApiGetInt(0, kObj, kPropInt), 5);
    ClientShutdown();
    EXPECT_EQ(host_.OutstandingReferences(), 0);
    for (const Op& op : AllOperations()) {
        ApiErrno = 0;
        op.callFails();
        EXPECT_EQ(ApiErrno, kApiErrNotConnected) << op.name;
    }
}

TEST_F(CallLayer, ConnectFailsWithoutTheApiInterface) {
    host_.SetSupportsApi(false);
    EXPECT_EQ(ClientConnect(&host_), -1);
    EXPECT_EQ(ApiInterface, nullptr);
    EXPECT_EQ(ClientConnect(nullptr), -1);
}

} // namespace
