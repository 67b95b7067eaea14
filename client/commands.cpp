#include "client/commands.h"

#include "analysis/words.h"
#include "output/book_walk.h"
#include "output/measure_output.h"
#include "output/report.h"
#include "output/word_list.h"
#include "runtime/api.h"
#include "runtime/client_callbacks.h"
#include "runtime/sink_interfaces.h"
#include "support/enc.h"
#include "support/mem.h"
#include "support/str.h"
#include "support/str_list.h"

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

constexpr std::int32_t kLastMeasureCommand = 5;
constexpr std::int32_t kCommandWordList = 6;
constexpr std::int32_t kCommandWordListCounts = 7;
// The measure each of the commands 1 to 5 (and 9 to 13 for books) reports.
constexpr Measure kCommandMeasures[] = {MeasureCounts, MeasureFlesch, MeasureAri, MeasureSmog,
                                        MeasureFog};

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

namespace {

// A word list of a document (6, 7) or a book (14, 15), with counts or without.
void RunWordList(ObjectId doc, ObjectId book, bool forBook, bool withCounts) {
    StrList* list = StrListNew(1, 1);
    if (!list)
        return;
    if (!withCounts) {
        if (forBook)
            BookCollectWords(book, list);
        else
            CollectWords(doc, list);
        StrListSort(list, CompareWords);
        WriteWordList(list, nullptr);
        StrListFree(list);
        return;
    }
    WordCounts counts;
    if (forBook) {
        BookCollectWords(book, list);
        StrListSort(list, CompareWords);
        // The counters are sized to the list, so every word of a long list has one.
        counts = WordCountsNew(StrListCount(list));
        BookCountWords(book, list, &counts);
    } else {
        // A document's words are gathered and counted in one walk.
        counts = CollectAndCountWords(doc, list);
    }
    ObjectId outDoc = WriteWordList(list, &counts);
    WriteUniqueWordTotal(list, outDoc);
    WordCountsFree(&counts);
    StrListFree(list);
}

void RunDocumentCommand(std::int32_t command, ObjectId doc) {
    if (command <= kLastMeasureCommand)
        AnalyzeDocument(doc, kCommandMeasures[command - kFirstDocCommand], OutputAlert, 0);
    else if (command == kCommandWordList || command == kCommandWordListCounts)
        RunWordList(doc, 0, false, command == kCommandWordListCounts);
    else
        WriteDocumentReport(doc);
}

void RunBookCommand(std::int32_t command, ObjectId book) {
    std::int32_t asDocument = command - (kFirstBookCommand - kFirstDocCommand);
    if (asDocument <= kLastMeasureCommand)
        BookMeasure(book, kCommandMeasures[asDocument - kFirstDocCommand], OutputAlert);
    else if (asDocument == kCommandWordList || asDocument == kCommandWordListCounts)
        RunWordList(0, book, true, asDocument == kCommandWordListCounts);
    else
        WriteBookReport(book);
}

} // namespace

int HandleCommand(std::int32_t command) {
    EncStartup();
    ObjectId doc = MessageDocId ? MessageDocId : ApiGetId(0, 0, kPropActiveDoc);
    ObjectId book = MessageBookId ? MessageBookId : ApiGetId(0, 0, kPropActiveBook);

    if (command == kCommandAbout) {
        ApiAlert(kAboutText, kAlertType);
    } else if (command >= kFirstDocCommand && command <= kLastDocCommand) {
        if (doc == 0)
            ApiAlert(kAlertNoDocument, kAlertType);
        else
            RunDocumentCommand(command, doc);
    } else if (command >= kFirstBookCommand && command <= kLastBookCommand) {
        if (book == 0)
            ApiAlert(kAlertNoBook, kAlertType);
        else
            RunBookCommand(command, book);
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
