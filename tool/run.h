// What the insight commands share: their options, opening the input in the tool's own host and
// measuring it, the configuration file, and how errors and results are reported.
#pragma once

#include "tool/figures.h"
#include "tool/hotspots.h"
#include "tool/measures.h"
#include "tool/thresholds.h"

#include "tool/run_report.h"

#include <nlohmann/json.hpp>

#include <iosfwd>
#include <string>
#include <vector>

namespace lxinsight {

constexpr const char* kProgram = "lexameter";
constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitFile = 2;
constexpr int kExitHost = 3;

struct InsightOptions {
    std::string command;
    std::vector<std::string> files;
    std::vector<std::string> excludeFormats;
    bool excludeFormatsGiven = false;
    std::vector<std::string> includeFormats; // formats a reader leaves out by default
    bool allowOutside = false;               // a book may read files outside its folder
    bool json = false;
    bool csv = false;
    std::string config; // --config FILE; empty: .lexameter.toml in the current directory, if any
    ThresholdSettings thresholds;
    HotspotOptions hotspots;
    std::string output; // html: the page's file
};

struct WordCount {
    std::string word; // UTF-8
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
    // Files whose text was not plain UTF-8 with FrameRoman forms for every character.
    std::vector<lxhost::TextNote> textNotes;
    int status = kExitOk;
};

// Opens the files as the tool does (one document, one book, or several files as a book) with
// the given formats excluded, and counts them; with words, also collects the word list with
// counts as the plug-in's word-list command does. Errors name the file and the reason.
Measured MeasureInput(const InsightOptions& options, const std::vector<std::string>& excludeFormats,
                      bool words = false);

// The word list with counts of measured figures (collected with occurrences), in the plug-in's
// order, and its number of unique words.
void CollectWordCounts(const InputFigures& figures, Measured* m);

// The configuration's settings: from --config, else from .lexameter.toml in the current
// directory when there is one. false with the exit status and a message on failure.
bool LoadSettings(const InsightOptions& options, ThresholdSettings* file, int* status,
                  std::string* error);

// The thresholds in force: the configuration's, overridden by the options given (an
// --exclude-format given replaces the file's list). false with the exit status and a message
// when the configuration cannot be read.
bool SettleThresholds(const InsightOptions& options, Thresholds* thresholds, int* status,
                      std::string* error);

// The counts and measures of one file or of the whole input, as JSON.
nlohmann::json CountsJson(const ReadabilityCounts& counts, std::int32_t longWords);
nlohmann::json MeasuresJson(const MeasureSet& measures);
// A measure's value as shown, or null when it is not a number.
nlohmann::json ValueJson(double value);

// The run as the tool reports every run: the command, its files, the errors and text notes of
// the measured input and the exit status; the command adds its results to extra.
lxcli::RunReport ReportOf(const InsightOptions& options, const Measured& m, int status);
// Prints the run: with --json the tool's one JSON document on out; otherwise the text notes and
// errors on err (the command has printed its results). Returns the exit status.
int Finish(const InsightOptions& options, const lxcli::RunReport& report, std::ostream& out,
           std::ostream& err);
// A run that stopped on one error before anything was measured.
int FinishWithError(const InsightOptions& options, const std::string& error, int status,
                    std::ostream& out, std::ostream& err);

int RunCheck(const InsightOptions& options, std::ostream& out, std::ostream& err);
int RunHotspots(const InsightOptions& options, std::ostream& out, std::ostream& err);
int RunHtml(const InsightOptions& options, std::ostream& out, std::ostream& err);

} // namespace lxinsight
