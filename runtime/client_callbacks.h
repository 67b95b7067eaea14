// The client's callbacks, called by the notification sink. The plug-in supplies the first three;
// the runtime supplies the others as functions that do nothing.
#pragma once

#include "runtime/marshal.h"
#include "support/api_types.h"

#include <cstdint>

void HandleInitialize(std::int32_t initCode);
int HandleCommand(std::int32_t command);
// For notification 75 the text argument is the FieldRecord* the sink split the text into.
int HandleNotify(std::int32_t notification, ObjectId doc, const char* text, std::int32_t number);

void HandleMessage(std::int32_t a, std::int32_t b, std::int32_t c);
void HandleDialogEvent(std::int32_t a, std::int32_t b, std::int32_t c);
void HandleCmsCommand(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d,
                      CmsRecord* record);
