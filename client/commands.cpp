#include "client/commands.h"

#include "runtime/api.h"
#include "runtime/client_callbacks.h"
#include "runtime/sink_interfaces.h"
#include "support/enc.h"
#include "support/mem.h"
#include "support/str.h"

ObjectId MessageDocId = 0;
ObjectId MessageBookId = 0;

const CommandInfo kCommands[kCommandCount] = {
    {1, "GetStatisticsDoc", "Get Statistics"},
    {2, "CalculateFleschReadabilityDoc", "Calculate Flesch-Kincaid"},
    {3, "CalculateARIReadabilityDoc", "Calculate ARI"},
    {4, "CalculateSMOGReadabilityDoc", "Calculate SMOG"},
    {5, "CalculateGunningFogDoc", "Calculate Gunning Fog"},
    {6, "GetWordListDoc", "Get Word List"},
    {7, "GetWordListCountDoc", "Get Word List - With Counts"},
    {8, "GenerateReadabilityReportDoc", "Generate Readability Report"},
    {9, "GetStatisticsBook", "Get Statistics"},
    {10, "CalculateFleschReadabilityBook", "Calculate Flesch-Kincaid"},
    {11, "CalculateARIReadabilityBook", "Calculate ARI"},
    {12, "CalculateSMOGReadabilityBook", "Calculate SMOG"},
    {13, "CalculateGunningFogBook", "Calculate Gunning Fog"},
    {14, "GetWordListBook", "Get Word List"},
    {15, "GetWordListCountBook", "Get Word List - With Counts"},
    {16, "GenerateReadabilityReportBook", "Generate Readability Report"},
    {kCommandAbout, "LexameterAbout", "About Lexameter..."},
};

const char* const kAboutText = "Lexameter \n"
                               "Version 1.0 Build 100 \n"
                               "Readability measures for technical documents and books.\n"
                               "The Lexameter developers: lexameter@example.org";

namespace {

constexpr std::int32_t kFirstDocCommand = 1;
constexpr std::int32_t kLastDocCommand = 8;
constexpr std::int32_t kFirstBookCommand = 9;
constexpr std::int32_t kLastBookCommand = 16;

// The order in which message texts are matched against the command tags.
constexpr std::int32_t kMessageOrder[] = {1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15, 8, 16};

// Reads the id after the first blank of a "SetDocId"/"SetBookId" message into target; a message
// without a blank leaves it unchanged.
void ReadMessageId(const char* text, ObjectId* target) {
    char* copy = StrDup(text);
    if (!copy)
        return;
    std::ptrdiff_t blank = StrFind(copy, " ");
    if (blank >= 0) {
        StrDropFront(copy, static_cast<std::size_t>(blank));
        StrTrimRight(copy);
        StrTrimLeft(copy);
        *target = static_cast<ObjectId>(StrToInt(copy));
    }
    MemFree(copy);
}

} // namespace

const CommandInfo* FindCommand(std::int32_t number) {
    for (const CommandInfo& c : kCommands)
        if (c.number == number)
            return &c;
    return nullptr;
}

int HandleCommand(std::int32_t command) {
    EncStartup();
    ObjectId doc = MessageDocId ? MessageDocId : ApiGetId(0, 0, kPropActiveDoc);
    ObjectId book = MessageBookId ? MessageBookId : ApiGetId(0, 0, kPropActiveBook);

    if (command == kCommandAbout) {
        ApiAlert(kAboutText, kAlertType);
    } else if (command >= kFirstDocCommand && command <= kLastDocCommand) {
        if (doc == 0)
            ApiAlert(kAlertNoDocument, kAlertType);
        // The document pipelines join the dispatch as they are built.
    } else if (command >= kFirstBookCommand && command <= kLastBookCommand) {
        if (book == 0)
            ApiAlert(kAlertNoBook, kAlertType);
        // The book pipelines join the dispatch as they are built.
    }

    // An id given by message applies to exactly one command, whatever its outcome.
    MessageDocId = 0;
    MessageBookId = 0;
    return 0;
}

int HandleNotify(std::int32_t notification, ObjectId, const char* text, std::int32_t) {
    if (notification != kNotifyCommandMessage)
        return 0;
    if (StrPrefix(text, "SetDocId"))
        ReadMessageId(text, &MessageDocId);
    if (StrPrefix(text, "SetBookId"))
        ReadMessageId(text, &MessageBookId);
    for (std::int32_t number : kMessageOrder)
        if (StrEqual(text, FindCommand(number)->tag)) {
            HandleCommand(number);
            break;
        }
    return 0;
}
