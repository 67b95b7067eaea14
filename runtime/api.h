// The host API as the plug-in sees it: the operations, their data types (support/api_types.h)
// and the code of the last failure. Each operation returns its failure value (0, null, an empty
// list, a zero location) and sets ApiErrno when it fails: -1 when not connected or the call
// failed, -88 when the host was busy, otherwise the host's own code. Success never touches
// ApiErrno. Whatever an operation returns is a copy in the client's heap, owned by the caller.
#pragma once

#include "runtime/vocabulary.h"
#include "support/api_types.h"

#include <cstdint>

extern std::int32_t ApiErrno;
// Set at connection when the host keeps ownership of the memory it hands back.
extern int KeepHostMemory;

constexpr std::int32_t kApiErrNotConnected = -1;
constexpr std::int32_t kApiErrBusy = -88;
constexpr std::int32_t kApiErrNoMemory = -42;

// Open parameter: make a new untitled document from the file.
constexpr std::int32_t kOpenParamNewFromTemplate = 29;
// Alert type of every message the plug-in shows.
constexpr std::int32_t kAlertType = 2;

std::int32_t ApiNotification(std::int32_t notification, std::int32_t state);
ObjectId ApiDefineMenu(const char* tag, const char* label);
std::int32_t ApiAddCommandToMenu(ObjectId menu, ObjectId command);
std::int32_t ApiAddMenuToMenu(ObjectId target, ObjectId menu);
ObjectId ApiDefineAndAddMenu(ObjectId target, const char* tag, const char* label);
std::int32_t ApiAlert(const char* message, std::int32_t type);
std::int32_t ApiPrintConsole(const char* text);
// On return *returned addresses the runtime's open-return list (see OpenReturnList).
ObjectId ApiOpen(const char* fileName, const PropValList* params, PropValList** returned);
ObjectId ApiCustomDoc(Metric width, Metric height, std::int32_t columns, Metric columnGap,
                      Metric top, Metric bottom, Metric inside, Metric outside,
                      std::int32_t sidedness, std::int32_t makeVisible);
std::int32_t ApiClose(ObjectId obj, std::int32_t flags);
std::int32_t ApiRedisplay(ObjectId doc);
ObjectId ApiGetNamedObject(ObjectId doc, std::int32_t type, const char* name);
TextLoc ApiAddText(ObjectId doc, const TextLoc* loc, const char* text);
PropValList ApiGetProps(ObjectId doc, ObjectId obj);
void ApiSetProps(ObjectId doc, ObjectId obj, const PropValList* props);
std::int32_t ApiGetInt(ObjectId doc, ObjectId obj, std::int32_t prop);
void ApiSetInt(ObjectId doc, ObjectId obj, std::int32_t prop, std::int32_t value);
ObjectId ApiGetId(ObjectId doc, ObjectId obj, std::int32_t prop);
void ApiSetId(ObjectId doc, ObjectId obj, std::int32_t prop, ObjectId value);
void ApiSetMetric(ObjectId doc, ObjectId obj, std::int32_t prop, Metric value);
TextLoc ApiGetTextLoc(ObjectId doc, ObjectId obj, std::int32_t prop);
TextRange ApiGetTextRange(ObjectId doc, ObjectId obj, std::int32_t prop);
void ApiSetTextRange(ObjectId doc, ObjectId obj, std::int32_t prop, const TextRange* value);
// A new string (StrRelease), or null: also, without an error, when the value itself is null.
char* ApiGetString(ObjectId doc, ObjectId obj, std::int32_t prop);
void ApiSetString(ObjectId doc, ObjectId obj, std::int32_t prop, const char* value);
MetricList ApiGetMetrics(ObjectId doc, ObjectId obj, std::int32_t prop);
void ApiSetMetrics(ObjectId doc, ObjectId obj, std::int32_t prop, const MetricList* value);
TextItemList ApiGetText(ObjectId doc, const TextRange* range, std::int32_t flags);
std::int32_t ApiAddRows(ObjectId doc, ObjectId row, std::int32_t position, std::int32_t count);
ObjectId ApiNewTable(ObjectId doc, const char* format, std::int32_t columns, std::int32_t bodyRows,
                     std::int32_t headingRows, std::int32_t footingRows, const TextLoc* loc);
ObjectId ApiDefineAndAddCommand(std::int32_t command, ObjectId menu, const char* tag,
                                const char* label, const char* shortcut);

// Opens a file through ApiOpen with the one parameter 29 = 1; 0 on failure (ApiErrno -42 when
// the parameter list cannot be allocated).
ObjectId OpenWithDefaults(const char* fileName);
