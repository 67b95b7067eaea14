// What the insight commands share: their options, opening the input in the tool's own host and
// measuring it, the configuration file, and how errors and results are reported.
#pragma once

#include "analysis/precise/languages.h"
#include "tool/figures.h"
#include "tool/hotspots.h"
#include "tool/measures.h"
#include "tool/thresholds.h"

#include "tool/options.h"
#include "tool/run_report.h"

#include <nlohmann/json.hpp>

#include <iosfwd>
#include <string>
#include <vector>

namespace lxtool {

struct WordCount {
    std::string word; // UTF-8
    std::int32_t count;
    int syllables = 1; // under the profile in force; complex from three on
};

// A word of a word list: host bytes (owned by the figures' occurrences), and its occurrences.
struct ListedWord {
    const char* word; // first, so that CompareWords sees a pointer to it
    std::int32_t count;
};

// The measured input and what went wrong on the way; status is kExitOk or an error status.
struct Measured {
    InputFigures figures;
    // With words asked for: the plug-in's word list with counts, in its order, and its number of
    // unique words.
    std::vector<WordCount> words;
    std::int32_t uniqueWords = 0;
    std::vector<std::string> errors;
    // The files named and, for a book, its files.
    std::vector<std::string> inputs;
    // --exclude-format names that no examined document defines.
    std::vector<std::string> warnings;
    // Files whose text was not plain UTF-8 with FrameRoman forms for every character.
    std::vector<lxhost::TextNote> textNotes;
    int status = kExitOk;
};

// Opens the files as the tool does (one document, one book, or several files as a book) with
// the given formats excluded, and counts them; with words, also collects the word list with
// counts as the plug-in's word-list command does. Errors name the file and the reason.
// A book's walk is shown as progress on err, as for the plug-in's commands. Without paragraphs
// only each file's totals are kept; with a sink, what it keeps (see CollectFigures).
Measured MeasureInput(const ToolOptions& options, const std::vector<std::string>& excludeFormats,
                      std::ostream& err, bool words = false, bool paragraphs = true,
                      ParagraphSink* sink = nullptr);

// The words a word list of the figures (collected with occurrences) holds, in the plug-in's order.
std::vector<ListedWord> SortedListedWords(const InputFigures& figures);

// The word list with counts of measured figures (collected with occurrences), in the plug-in's
// order, each word's syllables as the profile counts them, and its number of unique words.
void CollectWordCounts(const InputFigures& figures, Measured* m,
                       Counting counting = Counting::Classic);

// The configuration's settings: from --config, else from .lexameter.toml in the current
// directory when there is one. false with the exit status and a message on failure.
bool LoadSettings(const ToolOptions& options, ThresholdSettings* file, int* status,
                  std::string* error);

// Reads the settings of one configuration file. false with the exit status and a message naming
// the file when it cannot be read or is not a configuration.
bool LoadSettingsFile(const std::string& path, ThresholdSettings* file, int* status,
                      std::string* error);
// The configuration file that holds for files of a folder: .lexameter.toml in the folder or the
// nearest folder above it that has one; "" when none has.
std::string FindConfigFrom(const std::string& folder);

// The thresholds in force: the configuration's, overridden by the options given (an
// --exclude-format given replaces the file's list). false with the exit status and a message
// when the configuration cannot be read.
bool SettleThresholds(const ToolOptions& options, Thresholds* thresholds, int* status,
                      std::string* error);

// The counting profile in force: --counting when given, else the configuration's "counting",
// else classic; stored in options->counting. A message (and *status) when the configuration
// cannot be read, when the precise profile is not available in this build, or when the command
// cannot count with it; *usage tells a usage error (the profile refused) from a failed read.
std::string SettleCounting(ToolOptions* options, int* status, bool* usage);

// What is left out whatever its formats are named: --exclude when given, else the
// configuration's "exclude"; stored in options->exclude. false with the exit status and a message
// when the configuration cannot be read.
bool SettleExclusions(ToolOptions* options, int* status, std::string* error);
// The host's reader options of the tool's options: the formats excluded and included, what is
// left out whatever its formats are named, and whether books may read outside their folders.
void SetReaderOptions(const ToolOptions& options, const std::vector<std::string>& excludeFormats,
                      lxhost::ReaderOptions* reader);

// The counts and measures of one file or of the whole input, as JSON.
// The counts as JSON; the precise profile's also give the words of one syllable, which the
// classic rules do not count.
nlohmann::json CountsJson(const ReadabilityCounts& counts, std::int32_t longWords,
                          Counting counting);
// The language of most of the counted words of a run (the files' languages weighted by their
// words); "en" when nothing was counted. A word list is one per run and counts its words'
// syllables in this language, so that a German book's list is pronounced in German; in a book
// of several languages a word of a smaller language is pronounced in the main one.
std::string MainLanguage(const InputFigures& figures);
// The precise profile's rules of a language code, English's for a code it does not know.
const lxprecise::Language& LanguageOrEnglish(std::string_view code);

// The measures of the language (a code): English's unless told.
nlohmann::json MeasuresJson(const MeasureSet& measures, std::string_view language = "en");
// The JSON document's member that names the profile that counted.
constexpr const char* kCountingMember = "counting";
// A measure's value as shown, or null when it is not a number.
nlohmann::json ValueJson(double value);

// The rows of a report of the figures: each file and, for a book, the whole ("Overall"), each
// with its counts and every measure, as JSON.
nlohmann::json ReportRowsJson(const InputFigures& figures, Counting counting);
// The measures the plug-in's report does not show, as columns to add to its table: the headings,
// and a row of values for each row of the report (each file, then for a book the whole).
void AddMeasureColumns(const InputFigures& figures, std::vector<std::string>* headings,
                       std::vector<std::vector<std::string>>* rows);

// The run as the tool reports every run: the command, its files, the errors and text notes of
// the measured input and the exit status; the command adds its results to extra.
RunReport ReportOf(const ToolOptions& options, const Measured& m, int status);

} // namespace lxtool
