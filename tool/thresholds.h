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
    std::optional<std::vector<std::string>> excludeFormats;
    std::optional<std::string> counting; // "classic" or "precise"
    std::optional<std::string> language; // lang: the language of text that says none
};

// A threshold as an option and a configuration key: max-grade, or a measure's own.
struct ThresholdOption {
    const char* name; // the option without its dashes, "max-fkgl"
    const char* key;  // in a configuration file's [thresholds] table, "max_fkgl"
    std::string help;
    MeasureId measure; // kMeasureRowCount for max-grade
};

// max-grade first, then the own thresholds of the measures it covers, then the others'; each
// group in row order.
std::vector<ThresholdOption> ThresholdOptions();
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
};

// Options override the file; within one source a measure's own limit overrides max-grade.
Thresholds ResolveThresholds(const ThresholdSettings& file, const ThresholdSettings& options);

// The name of the configuration file looked for in the current directory.
// Declares the threshold options (--max-grade N, --min-ease N, ...) on the tool's parser,
// storing what is given in settings; answers the options declared. A value must be a finite
// number: "nan" or "1e999" would pass or fail every row.
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
