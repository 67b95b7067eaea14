#include "tool/thresholds.h"

#include "tool/hotspots.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cmath>
#include <iterator>

#if LX_HAVE_TOML
#include <toml++/toml.h>
#endif

namespace lxtool {

std::vector<CLI::Option*> AddThresholdOptions(CLI::App& app, ThresholdSettings& t) {
    std::vector<CLI::Option*> options;
    for (const ThresholdOption& option : ThresholdOptions()) {
        const CLI::Validator valid(
            [option](std::string& text) -> std::string {
                double v = 0;
                if (!CLI::detail::lexical_cast(text, v))
                    return LimitProblem(option, std::nan("")) + ", not '" + text + "'";
                const std::string problem = LimitProblem(option, v);
                return problem.empty() ? "" : problem + ", not '" + text + "'";
            },
            "N");
        options.push_back(app.add_option_function<double>(
                                 std::string("--") + option.name,
                                 [&t, option](const double& v) { SettingOf(t, option) = v; },
                                 option.help)
                              ->type_name("N")
                              ->check(valid));
    }
    return options;
}

namespace {

constexpr const char* kMaxGradeName = "max-grade";
constexpr const char* kMaxGradeKey = "max_grade";

constexpr const char* kThresholdsTable = "thresholds";
constexpr const char* kExcludeFormatsKey = "exclude_formats";
constexpr const char* kExcludeKey = "exclude";
constexpr const char* kCountingKey = "counting";
constexpr const char* kLanguageKey = "lang";

// The measure's limit from one source: its own, else the grade limit for the grade measures.
std::optional<double> OwnOrGrade(const ThresholdSettings& s, MeasureId measure) {
    if (s.own[measure])
        return s.own[measure];
    return RowOf(measure).underMaxGrade ? s.maxGrade : std::nullopt;
}

Bound BoundOf(MeasureId measure) {
    return RowOf(measure).better == MeasureBetter::Lower ? Bound::Max : Bound::Min;
}

} // namespace

std::vector<ThresholdOption> ThresholdOptions() {
    std::string grades;
    std::size_t left = 0;
    for (MeasureId id = 0; id < kMeasureRowCount; ++id)
        left += RowOf(id).underMaxGrade ? 1 : 0;
    for (MeasureId id = 0; id < kMeasureRowCount; ++id) {
        if (!RowOf(id).underMaxGrade)
            continue;
        --left;
        grades += std::string(grades.empty() ? "" : left == 0 ? " and " : ", ") + RowOf(id).heading;
    }
    std::vector<ThresholdOption> options;
    options.push_back(
        {kMaxGradeName, kMaxGradeKey, "highest grade for " + grades, kMeasureRowCount});
    // The measures max-grade covers next to it, then the others.
    for (bool underMaxGrade : {true, false})
        for (MeasureId id = 0; id < kMeasureRowCount; ++id) {
            const MeasureRow& row = RowOf(id);
            if (row.thresholdKey && row.underMaxGrade == underMaxGrade)
                options.push_back({row.thresholdOption, row.thresholdKey, row.thresholdHelp, id});
        }
    options.push_back({kMaxSentenceLengthName, kMaxSentenceLengthKey,
                       "a finding for each sentence of more than N words", kMeasureRowCount,
                       ThresholdScope::Sentence});
    options.push_back({kMaxParagraphGradeName, kMaxParagraphGradeKey,
                       "a finding for each paragraph of " + std::to_string(kHardestMinSentences) +
                           " sentences or more above Flesch-Kincaid grade N",
                       kMeasureRowCount, ThresholdScope::Paragraph});
    return options;
}

std::string LimitProblem(const ThresholdOption& option, double value) {
    if (option.scope == ThresholdScope::Sentence &&
        !(std::isfinite(value) && value >= 1 && value == std::floor(value)))
        return "a sentence length is a whole number of words, 1 or more";
    if (!std::isfinite(value))
        return "a threshold is a finite number";
    return "";
}

std::optional<double>& SettingOf(ThresholdSettings& settings, const ThresholdOption& option) {
    if (option.measure < kMeasureRowCount)
        return settings.own[option.measure];
    switch (option.scope) {
    case ThresholdScope::Sentence:
        return settings.maxSentenceLength;
    case ThresholdScope::Paragraph:
        return settings.maxParagraphGrade;
    case ThresholdScope::File:
        break;
    }
    return settings.maxGrade;
}

std::string ThresholdOptionList() {
    const std::vector<ThresholdOption> options = ThresholdOptions();
    std::string list;
    for (std::size_t i = 0; i < options.size(); ++i)
        list += std::string(i == 0                    ? ""
                            : i + 1 == options.size() ? " or "
                                                      : ", ") +
                "--" + options[i].name;
    return list;
}

Thresholds ResolveThresholds(const ThresholdSettings& file, const ThresholdSettings& options) {
    Thresholds t;
    for (MeasureId id = 0; id < kMeasureRowCount; ++id) {
        if (!RowOf(id).thresholdKey)
            continue;
        std::optional<double> limit = OwnOrGrade(options, id);
        if (!limit)
            limit = OwnOrGrade(file, id);
        if (limit)
            t.limits.push_back({id, BoundOf(id), *limit});
    }
    t.maxSentenceLength =
        options.maxSentenceLength ? options.maxSentenceLength : file.maxSentenceLength;
    t.maxParagraphGrade =
        options.maxParagraphGrade ? options.maxParagraphGrade : file.maxParagraphGrade;
    if (options.excludeFormats)
        t.excludeFormats = *options.excludeFormats;
    else if (file.excludeFormats)
        t.excludeFormats = *file.excludeFormats;
    return t;
}

std::vector<Miss> Evaluate(const Thresholds& thresholds, const MeasureSet& measures) {
    std::vector<Miss> misses;
    for (const Threshold& t : thresholds.limits) {
        const double shown = ShownValue(measures[t.measure]);
        if (!std::isfinite(shown))
            continue;
        const bool missed = t.bound == Bound::Max ? shown > t.limit : shown < t.limit;
        if (missed)
            misses.push_back({t, shown});
    }
    return misses;
}

std::string ThresholdName(const Threshold& t) {
    const char* name = RowOf(t.measure).thresholdOption;
    return name ? name : "";
}

std::string DescribeMiss(const Miss& miss) {
    return std::string(RowOf(miss.threshold.measure).heading) + " " + ValueText(miss.value) +
           (miss.threshold.bound == Bound::Max ? " > " : " < ") + ValueText(miss.threshold.limit);
}

#if LX_HAVE_TOML

bool ConfigSupported() {
    return true;
}

namespace {

const char* TypeName(const toml::node& node) {
    switch (node.type()) {
    case toml::node_type::string:
        return "a string";
    case toml::node_type::boolean:
        return "true or false";
    case toml::node_type::array:
        return "a list";
    case toml::node_type::table:
        return "a table";
    case toml::node_type::date:
    case toml::node_type::time:
    case toml::node_type::date_time:
        return "a date or time";
    default:
        return "a number";
    }
}

std::string At(const std::string& source, const toml::node& node) {
    return source + ":" + std::to_string(node.source().begin.line);
}

bool ReadThresholds(const toml::table& table, const std::string& source, ThresholdSettings* out,
                    std::string* error) {
    for (const auto& [key, node] : table) {
        const std::vector<ThresholdOption> options = ThresholdOptions();
        const ThresholdOption* found = nullptr;
        std::string known;
        for (const ThresholdOption& o : options) {
            if (key.str() == o.key)
                found = &o;
            known += std::string(known.empty() ? "" : ", ") + o.key;
        }
        if (!found) {
            *error = At(source, node) + ": unknown key '" + std::string(key.str()) +
                     "' in [thresholds] (known: " + known + ")";
            return false;
        }
        std::optional<double> value = node.value<double>();
        if (!node.is_number() || !value || !std::isfinite(*value)) {
            *error =
                At(source, node) + ": [thresholds] " + std::string(key.str()) +
                (node.is_number() ? ": expected a finite number, found " +
                                        std::string(value && std::isnan(*value) ? "nan" : "inf")
                                  : std::string(": expected a number, found ") + TypeName(node));
            return false;
        }
        if (const std::string problem = LimitProblem(*found, *value); !problem.empty()) {
            *error = At(source, node) + ": [thresholds] " + std::string(key.str()) + ": " +
                     problem + ", found " + ValueText(*value);
            return false;
        }
        SettingOf(*out, *found) = *value;
    }
    return true;
}

// A list of strings; nullopt when the node is something else.
std::optional<std::vector<std::string>> StringList(const toml::node& node) {
    const toml::array* list = node.as_array();
    if (!list)
        return std::nullopt;
    std::vector<std::string> names;
    for (const toml::node& item : *list) {
        if (!item.is_string())
            return std::nullopt;
        names.push_back(*item.value<std::string>());
    }
    return names;
}

bool ReadExclude(const toml::node& node, const std::string& source, ThresholdSettings* out,
                 std::string* error) {
    std::optional<std::vector<std::string>> names = StringList(node);
    const auto known = [](const std::string& name) {
        return std::any_of(std::begin(kExcludeKinds), std::end(kExcludeKinds),
                           [&](const char* k) { return name == k; });
    };
    if (!names || !std::all_of(names->begin(), names->end(), known)) {
        *error = At(source, node) + ": " + kExcludeKey +
                 ": expected a list of \"tables\" and \"headings\", e.g. [\"tables\"]";
        return false;
    }
    out->exclude = std::move(*names);
    return true;
}

bool ReadExcludeFormats(const toml::node& node, const std::string& source, ThresholdSettings* out,
                        std::string* error) {
    std::optional<std::vector<std::string>> names = StringList(node);
    if (!names) {
        *error = At(source, node) + ": " + kExcludeFormatsKey +
                 ": expected a list of paragraph format names, e.g. [\"Code\"]";
        return false;
    }
    out->excludeFormats = std::move(*names);
    return true;
}

} // namespace

bool ParseConfig(std::string_view text, const std::string& source, ThresholdSettings* out,
                 std::string* error) {
    toml::table root;
    try {
        root = toml::parse(text, source);
    } catch (const toml::parse_error& e) {
        *error = source + ":" + std::to_string(e.source().begin.line) + ": " +
                 std::string(e.description());
        return false;
    }
    ThresholdSettings settings;
    for (const auto& [key, node] : root) {
        if (key.str() == kThresholdsTable) {
            const toml::table* table = node.as_table();
            if (!table) {
                *error = At(source, node) + ": thresholds: expected a table ([thresholds])";
                return false;
            }
            if (!ReadThresholds(*table, source, &settings, error))
                return false;
        } else if (key.str() == kExcludeFormatsKey) {
            if (!ReadExcludeFormats(node, source, &settings, error))
                return false;
        } else if (key.str() == kExcludeKey) {
            if (!ReadExclude(node, source, &settings, error))
                return false;
        } else if (key.str() == kCountingKey) {
            const std::optional<std::string> value = node.value<std::string>();
            if (!node.is_string() || (*value != "classic" && *value != "precise")) {
                *error = At(source, node) + ": " + kCountingKey +
                         ": expected \"classic\" or \"precise\"";
                return false;
            }
            settings.counting = *value;
        } else if (key.str() == kLanguageKey) {
            if (!node.is_string()) {
                *error = At(source, node) + ": " + kLanguageKey +
                         ": expected a language code in quotes (lang = \"de\")";
                return false;
            }
            settings.language = *node.value<std::string>();
        } else {
            *error = At(source, node) + ": unknown key '" + std::string(key.str()) +
                     "' (known: [thresholds], exclude_formats, exclude, counting, lang)";
            return false;
        }
    }
    *out = std::move(settings);
    return true;
}

#else

bool ConfigSupported() {
    return false;
}

bool ParseConfig(std::string_view, const std::string& source, ThresholdSettings*,
                 std::string* error) {
    *error = source + ": this build of lexameter cannot read configuration files (it was built "
                      "without the TOML parser); give the thresholds as options instead";
    return false;
}

#endif

} // namespace lxtool
