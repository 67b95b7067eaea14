// The host API interface: one list of its method slots and their signatures, in slot order. The
// interface class the client calls and the failing defaults a host starts from are both generated
// from this list, so no slot number or signature is written twice. Slots 0 to 2 are IUnknown's;
// every operation then takes its inputs in order, the address of an error word, and the address
// of the result. Slots the client does not use are listed as gaps so that the table keeps the
// host's shape.
#pragma once

#include "platform/com.h"
#include "support/api_types.h"

#include <cstdint>

// X(slot, name, parameters) for a method; G(slot) for a slot this client never calls. One slot a
// line; the formatter is kept off the list so that it stays that way.
// clang-format off
#define LX_API_SLOTS(X, G)                                                                         \
    X(3,   Connect,             (IUnknown* sink, std::int32_t flags, PropValList* clientInfo))     \
    G(4)                                                                                           \
    G(5)                                                                                           \
    G(6)                                                                                           \
    G(7)                                                                                           \
    X(8,   Notification,        (std::int32_t notification, std::int32_t state,                    \
                                 std::int32_t* err))                                               \
    G(9)                                                                                           \
    G(10)                                                                                          \
    G(11)                                                                                          \
    G(12)                                                                                          \
    X(13,  DefineMenu,          (const char* tag, const char* label, std::int32_t* err,            \
                                 ObjectId* result))                                                \
    X(14,  AddCommandToMenu,    (ObjectId menu, ObjectId command, std::int32_t* err))              \
    X(15,  AddMenuToMenu,       (ObjectId target, ObjectId menu, std::int32_t* err))               \
    X(16,  DefineAndAddMenu,    (ObjectId target, const char* tag, const char* label,              \
                                 std::int32_t* err, ObjectId* result))                             \
    G(17)                                                                                          \
    G(18)                                                                                          \
    G(19)                                                                                          \
    X(20,  Alert,               (const char* message, std::int32_t type, std::int32_t* answer))    \
    G(21)                                                                                          \
    G(22)                                                                                          \
    G(23)                                                                                          \
    X(24,  PrintConsole,        (const char* text, std::int32_t* err))                             \
    G(25)                                                                                          \
    G(26)                                                                                          \
    G(27)                                                                                          \
    G(28)                                                                                          \
    G(29)                                                                                          \
    G(30)                                                                                          \
    G(31)                                                                                          \
    X(32,  Open,                (const char* fileName, const PropValList* params,                  \
                                 PropValList* returned, std::int32_t* err, ObjectId* result))      \
    G(33)                                                                                          \
    X(34,  CustomDoc,           (Metric width, Metric height, std::int32_t columns,                \
                                 Metric columnGap, Metric top, Metric bottom, Metric inside,       \
                                 Metric outside, std::int32_t sidedness, std::int32_t makeVisible, \
                                 std::int32_t* err, ObjectId* result))                             \
    X(35,  Close,               (ObjectId obj, std::int32_t flags, std::int32_t* err))             \
    G(36)                                                                                          \
    G(37)                                                                                          \
    G(38)                                                                                          \
    G(39)                                                                                          \
    G(40)                                                                                          \
    G(41)                                                                                          \
    G(42)                                                                                          \
    G(43)                                                                                          \
    G(44)                                                                                          \
    G(45)                                                                                          \
    G(46)                                                                                          \
    G(47)                                                                                          \
    G(48)                                                                                          \
    G(49)                                                                                          \
    G(50)                                                                                          \
    G(51)                                                                                          \
    G(52)                                                                                          \
    G(53)                                                                                          \
    G(54)                                                                                          \
    G(55)                                                                                          \
    G(56)                                                                                          \
    G(57)                                                                                          \
    G(58)                                                                                          \
    G(59)                                                                                          \
    G(60)                                                                                          \
    G(61)                                                                                          \
    G(62)                                                                                          \
    G(63)                                                                                          \
    G(64)                                                                                          \
    G(65)                                                                                          \
    X(66,  Redisplay,           (ObjectId doc, std::int32_t* err))                                 \
    G(67)                                                                                          \
    X(68,  GetNamedObject,      (ObjectId doc, std::int32_t type, const char* name,                \
                                 std::int32_t* err, ObjectId* result))                             \
    G(69)                                                                                          \
    G(70)                                                                                          \
    G(71)                                                                                          \
    G(72)                                                                                          \
    X(73,  AddText,             (ObjectId doc, const TextLoc* loc, const char* text,               \
                                 std::int32_t* err, TextLoc* result))                              \
    G(74)                                                                                          \
    G(75)                                                                                          \
    G(76)                                                                                          \
    G(77)                                                                                          \
    G(78)                                                                                          \
    G(79)                                                                                          \
    G(80)                                                                                          \
    G(81)                                                                                          \
    G(82)                                                                                          \
    X(83,  GetProps,            (ObjectId doc, ObjectId obj, std::int32_t* err,                    \
                                 PropValList* result))                                             \
    X(84,  SetProps,            (ObjectId doc, ObjectId obj, const PropValList* props,             \
                                 std::int32_t* err))                                               \
    X(85,  GetInt,              (ObjectId doc, ObjectId obj, const PropIdent* prop,                \
                                 std::int32_t* err, std::int32_t* result))                         \
    X(86,  SetInt,              (ObjectId doc, ObjectId obj, const PropIdent* prop,                \
                                 std::int32_t value, std::int32_t* err))                           \
    G(87)                                                                                          \
    G(88)                                                                                          \
    X(89,  GetId,               (ObjectId doc, ObjectId obj, const PropIdent* prop,                \
                                 std::int32_t* err, ObjectId* result))                             \
    X(90,  SetId,               (ObjectId doc, ObjectId obj, const PropIdent* prop,                \
                                 ObjectId value, std::int32_t* err))                               \
    G(91)                                                                                          \
    X(92,  SetMetric,           (ObjectId doc, ObjectId obj, const PropIdent* prop, Metric value,  \
                                 std::int32_t* err))                                               \
    X(93,  GetTextLoc,          (ObjectId doc, ObjectId obj, const PropIdent* prop,                \
                                 std::int32_t* err, TextLoc* result))                              \
    G(94)                                                                                          \
    X(95,  GetTextRange,        (ObjectId doc, ObjectId obj, const PropIdent* prop,                \
                                 std::int32_t* err, TextRange* result))                            \
    X(96,  SetTextRange,        (ObjectId doc, ObjectId obj, const PropIdent* prop,                \
                                 const TextRange* value, std::int32_t* err))                       \
    X(97,  GetString,           (ObjectId doc, ObjectId obj, const PropIdent* prop,                \
                                 std::int32_t* err, char** result))                                \
    X(98,  SetString,           (ObjectId doc, ObjectId obj, const PropIdent* prop,                \
                                 const char* value, std::int32_t* err))                            \
    G(99)                                                                                          \
    G(100)                                                                                         \
    X(101, GetMetrics,          (ObjectId doc, ObjectId obj, const PropIdent* prop,                \
                                 std::int32_t* err, MetricList* result))                           \
    X(102, SetMetrics,          (ObjectId doc, ObjectId obj, const PropIdent* prop,                \
                                 const MetricList* value, std::int32_t* err))                      \
    G(103)                                                                                         \
    G(104)                                                                                         \
    G(105)                                                                                         \
    G(106)                                                                                         \
    G(107)                                                                                         \
    G(108)                                                                                         \
    G(109)                                                                                         \
    X(110, GetText,             (ObjectId doc, const TextRange* range, std::int32_t flags,         \
                                 std::int32_t* err, TextItemList* result))                         \
    G(111)                                                                                         \
    G(112)                                                                                         \
    G(113)                                                                                         \
    G(114)                                                                                         \
    G(115)                                                                                         \
    G(116)                                                                                         \
    G(117)                                                                                         \
    G(118)                                                                                         \
    G(119)                                                                                         \
    G(120)                                                                                         \
    G(121)                                                                                         \
    G(122)                                                                                         \
    G(123)                                                                                         \
    G(124)                                                                                         \
    G(125)                                                                                         \
    G(126)                                                                                         \
    G(127)                                                                                         \
    G(128)                                                                                         \
    G(129)                                                                                         \
    G(130)                                                                                         \
    G(131)                                                                                         \
    G(132)                                                                                         \
    G(133)                                                                                         \
    G(134)                                                                                         \
    X(135, AddRows,             (ObjectId doc, ObjectId row, std::int32_t position,                \
                                 std::int32_t count, std::int32_t* err))                           \
    G(136)                                                                                         \
    G(137)                                                                                         \
    G(138)                                                                                         \
    G(139)                                                                                         \
    X(140, NewTable,            (ObjectId doc, const char* format, std::int32_t columns,           \
                                 std::int32_t bodyRows, std::int32_t headingRows,                  \
                                 std::int32_t footingRows, const TextLoc* loc, std::int32_t* err,  \
                                 ObjectId* result))                                                \
    G(141)                                                                                         \
    G(142)                                                                                         \
    G(143)                                                                                         \
    G(144)                                                                                         \
    G(145)                                                                                         \
    G(146)                                                                                         \
    G(147)                                                                                         \
    G(148)                                                                                         \
    G(149)                                                                                         \
    G(150)                                                                                         \
    G(151)                                                                                         \
    G(152)                                                                                         \
    G(153)                                                                                         \
    G(154)                                                                                         \
    G(155)                                                                                         \
    G(156)                                                                                         \
    G(157)                                                                                         \
    G(158)                                                                                         \
    G(159)                                                                                         \
    G(160)                                                                                         \
    G(161)                                                                                         \
    G(162)                                                                                         \
    G(163)                                                                                         \
    X(164, DefineAndAddCommand, (std::int32_t command, ObjectId menu, const char* tag,             \
                                 const char* label, const char* shortcut, std::int32_t* err,       \
                                 ObjectId* result))
// clang-format on

// The number of slots in the interface's method table (the highest slot is 164).
constexpr int kApiSlotCount = 165;

enum ApiSlot : int {
#define LX_API_SLOT_ENUM(slot, name, params) kSlot##name = slot,
#define LX_API_GAP_ENUM(slot)
    LX_API_SLOTS(LX_API_SLOT_ENUM, LX_API_GAP_ENUM)
#undef LX_API_SLOT_ENUM
#undef LX_API_GAP_ENUM
};

// The host API interface as the client calls it.
struct ApiHostInterface : IUnknown {
#define LX_API_SLOT_DECLARE(slot, name, params) virtual HRESULT LX_STDCALL name params = 0;
#define LX_API_GAP_DECLARE(slot) virtual HRESULT LX_STDCALL Unused##slot() = 0;
    LX_API_SLOTS(LX_API_SLOT_DECLARE, LX_API_GAP_DECLARE)
#undef LX_API_SLOT_DECLARE
#undef LX_API_GAP_DECLARE

  protected:
    ~ApiHostInterface() = default;
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
// A host's starting point: every slot answers a COM failure until the host overrides it.
struct ApiHostInterfaceFailing : ApiHostInterface {
#define LX_API_SLOT_FAIL(slot, name, params)                                                       \
    HRESULT LX_STDCALL name params override {                                                      \
        return E_FAIL;                                                                             \
    }
#define LX_API_GAP_FAIL(slot)                                                                      \
    HRESULT LX_STDCALL Unused##slot() override {                                                   \
        return E_FAIL;                                                                             \
    }
    LX_API_SLOTS(LX_API_SLOT_FAIL, LX_API_GAP_FAIL)
#undef LX_API_SLOT_FAIL
#undef LX_API_GAP_FAIL

  protected:
    ~ApiHostInterfaceFailing() = default;
};
#pragma GCC diagnostic pop

// The two further host interfaces that the client calls once each at start-up; each has one
// method after those of IUnknown.
struct IHostMemory : IUnknown {
    // Answers 0 when the host keeps ownership of the memory it hands back.
    virtual HRESULT LX_STDCALL SetClientMemoryMode(std::int32_t mode) = 0;

  protected:
    ~IHostMemory() = default;
};

struct IHostModule : IUnknown {
    virtual HRESULT LX_STDCALL SetClientModule(HMODULE module) = 0;

  protected:
    ~IHostModule() = default;
};
