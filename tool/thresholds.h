// Readability thresholds for `lexameter check`: from options and from a configuration file
// (.lexameter.toml), resolved into one limit per measure, and checked against a file's measures.
#pragma once

#include "tool/measures.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
class Option;
} // namespace CLI

namespace lxtool {

// What one source (the configuration file, or the command line) sets.
struct ThresholdSettings {
    std::optional<double> maxGrade; // every measure whose row is underMaxGrade
    // Each measure's own threshold, by row (only rows with a threshold take one).
    std::array<std::optional<double>, kMeasureRowCount> own;
    std::optional<double> maxSentenceLength; // words of any one sentence
    std::optional<double> maxParagraphGrade; // Flesch-Kincaid grade of any one paragraph
    std::optional<std::vector<std::string>> excludeFormats;
    std::optional<std::string> counting;             // "classic" or "precise"
    std::optional<std::vector<std::string>> exclude; // "tables", "headings"
    std::optional<std::string> language; // lang: the language of text that says none
};

// What --exclude and the configuration's exclude list may name.
inline constexpr const char* kExcludeKinds[] = {"tables", "headings"};

// What a threshold is compared with: a measure of each file (and of a book as a whole), the
// words of each sentence, or the grade of each paragraph.
enum class ThresholdScope { File, Sentence, Paragraph };

// A threshold as an option and a configuration key: max-grade, a measure's own, or a rule for
// each sentence or paragraph.
struct ThresholdOption {
    const char* name; // the option without its dashes, "max-fkgl"
    const char* key;  // in a configuration file's [thresholds] table, "max_fkgl"
    std::string help;
    MeasureId measure; // kMeasureRowCount for max-grade and the sentence and paragraph rules
    ThresholdScope scope = ThresholdScope::File;
};

// The option names and configuration keys of the sentence and paragraph rules.
constexpr const char* kMaxSentenceLengthName = "max-sentence-length";
constexpr const char* kMaxSentenceLengthKey = "max_sentence_length";
constexpr const char* kMaxParagraphGradeName = "max-paragraph-grade";
constexpr const char* kMaxParagraphGradeKey = "max_paragraph_grade";

// max-grade first, then the own thresholds of the measures it covers, then the others'; each
// group in row order; then the sentence and paragraph rules.
std::vector<ThresholdOption> ThresholdOptions();
// What is wrong with a value given for the option ("" when nothing): a threshold is a finite
// number ("nan" or "1e999" would pass or fail every row), a sentence length a whole number of
// words, 1 or more.
std::string LimitProblem(const ThresholdOption& option, double value);
// Where a source keeps the option's value.
std::optional<double>& SettingOf(ThresholdSettings& settings, const ThresholdOption& option);
// The options as a list for a message: "--max-grade, --max-fkgl, ... or --max-sentence-words".
std::string ThresholdOptionList();

enum class Bound { Max, Min };

struct Threshold {
    MeasureId measure;
    Bound bound;
    double limit;
};

struct Thresholds {
    std::vector<Threshold> limits; // in measure order
    std::vector<std::string> excludeFormats;
    std::optional<double> maxSentenceLength; // words
    std::optional<double> maxParagraphGrade;
    // Whether any threshold or rule is in force.
    bool any() const { return !limits.empty() || maxSentenceLength || maxParagraphGrade; }
};

// Options override the file; within one source a measure's own limit overrides max-grade.
Thresholds ResolveThresholds(const ThresholdSettings& file, const ThresholdSettings& options);

// The name of the configuration file looked for in the current directory.
// Declares the threshold options (--max-grade N, --min-ease N, ...) on the tool's parser,
// storing what is given in settings; answers the options declared, in the order of
// ThresholdOptions(). A value LimitProblem finds fault with is refused.
std::vector<CLI::Option*> AddThresholdOptions(CLI::App& app, ThresholdSettings& settings);

constexpr const char* kConfigFileName = ".lexameter.toml";

// Whether this build reads configuration files (the Windows build may lack the TOML parser).
bool ConfigSupported();
// Reads a configuration file's text. false with a message naming the source and the key at
// fault for a syntax error, an unknown key or a value that is not a number (or, for
// exclude_formats, a list of strings).
bool ParseConfig(std::string_view text, const std::string& source, ThresholdSettings* out,
                 std::string* error);

struct Miss {
    Threshold threshold;
    double value; // as shown
};

// The thresholds a set of measures misses. A value that cannot be computed misses nothing.
std::vector<Miss> Evaluate(const Thresholds& thresholds, const MeasureSet& measures);

// "SMOG 10.2 > 9.0"
std::string DescribeMiss(const Miss& miss);
// The threshold's name as an option: "max-smog".
std::string ThresholdName(const Threshold& t);

} // namespace lxtool
