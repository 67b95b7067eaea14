// The plug-in's commands: their numbers, tags and labels, and the dispatch of a command.
#pragma once

#include "support/api_types.h"

#include <cstdint>

// Ids set by "SetDocId" and "SetBookId" messages for the next command; 0 means none.
extern ObjectId MessageDocId;
extern ObjectId MessageBookId;

struct CommandInfo {
    std::int32_t number;
    const char* tag;
    const char* label;
};

constexpr std::int32_t kCommandAbout = 1000;
constexpr int kCommandCount = 17;
// The sixteen commands and About, in the order of their numbers.
extern const CommandInfo kCommands[kCommandCount];
const CommandInfo* FindCommand(std::int32_t number);

constexpr const char* kAlertNoDocument = "Please open a document first.";
constexpr const char* kAlertNoBook = "Please open a book first.";
// The About alert: two lines with their trailing blanks, then the contact lines.
extern const char* const kAboutText;
