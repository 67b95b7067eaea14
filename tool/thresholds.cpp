#include "tool/thresholds.h"

#include <CLI/CLI.hpp>

#include <cmath>

#if LX_HAVE_TOML
#include <toml++/toml.h>
#endif

namespace lxinsight {

std::vector<CLI::Option*> AddThresholdOptions(CLI::App& app, ThresholdSettings& t) {
    struct ThresholdOption {
        const char* name;
        std::optional<double> ThresholdSettings::*field;
        const char* help;
    };
    static const ThresholdOption kThresholdOptions[] = {
        {"--max-grade", &ThresholdSettings::maxGrade,
         "highest grade for Flesch-Kincaid, ARI, SMOG and Gunning Fog"},
        {"--max-fkgl", &ThresholdSettings::maxFkgl, "highest Flesch-Kincaid grade"},
        {"--max-ari", &ThresholdSettings::maxAri, "highest ARI grade"},
        {"--max-smog", &ThresholdSettings::maxSmog, "highest SMOG grade"},
        {"--max-fog", &ThresholdSettings::maxFog, "highest Gunning Fog index"},
        {"--min-ease", &ThresholdSettings::minEase, "lowest Flesch Reading Ease"},
        {"--max-sentence-words", &ThresholdSettings::maxSentenceWords,
         "highest average number of words per sentence"},
    };
    const CLI::Validator finite(
        [](std::string& text) -> std::string {
            double v = 0;
            if (!CLI::detail::lexical_cast(text, v) || !std::isfinite(v))
                return "a threshold is a finite number, not '" + text + "'";
            return "";
        },
        "N");
    std::vector<CLI::Option*> options;
    for (const ThresholdOption& s : kThresholdOptions) {
        auto field = s.field;
        options.push_back(app.add_option_function<double>(
                                 s.name, [&t, field](const double& v) { t.*field = v; }, s.help)
                              ->type_name("N")
                              ->check(finite));
    }
    return options;
}

namespace {

// A threshold key of the configuration file (the option's name without dashes, with
// underscores), the measure it limits, and where the value goes.
struct ThresholdKey {
    const char* key;
    std::optional<double> ThresholdSettings::*field;
};

constexpr ThresholdKey kThresholdKeys[] = {
    {"max_grade", &ThresholdSettings::maxGrade},
    {"max_fkgl", &ThresholdSettings::maxFkgl},
    {"max_ari", &ThresholdSettings::maxAri},
    {"max_smog", &ThresholdSettings::maxSmog},
    {"max_fog", &ThresholdSettings::maxFog},
    {"min_ease", &ThresholdSettings::minEase},
    {"max_sentence_words", &ThresholdSettings::maxSentenceWords},
};

constexpr const char* kThresholdsTable = "thresholds";
constexpr const char* kExcludeFormatsKey = "exclude_formats";

// The measure's limit from one source: its own, else the grade limit for the grade measures.
std::optional<double> OwnOrGrade(const ThresholdSettings& s,
                                 std::optional<double> ThresholdSettings::*own, bool isGrade) {
    if (s.*own)
        return s.*own;
    return isGrade ? s.maxGrade : std::nullopt;
}

struct MeasureLimit {
    MeasureId measure;
    Bound bound;
    std::optional<double> ThresholdSettings::*field;
    bool isGrade;
    const char* optionName;
};

constexpr MeasureLimit kMeasureLimits[] = {
    {MeasureId::ReadingEase, Bound::Min, &ThresholdSettings::minEase, false, "min-ease"},
    {MeasureId::KincaidGrade, Bound::Max, &ThresholdSettings::maxFkgl, true, "max-fkgl"},
    {MeasureId::Ari, Bound::Max, &ThresholdSettings::maxAri, true, "max-ari"},
    {MeasureId::Smog, Bound::Max, &ThresholdSettings::maxSmog, true, "max-smog"},
    {MeasureId::Fog, Bound::Max, &ThresholdSettings::maxFog, true, "max-fog"},
    {MeasureId::WordsPerSentence, Bound::Max, &ThresholdSettings::maxSentenceWords, false,
     "max-sentence-words"},
};

} // namespace

Thresholds ResolveThresholds(const ThresholdSettings& file, const ThresholdSettings& options) {
    Thresholds t;
    for (const MeasureLimit& m : kMeasureLimits) {
        std::optional<double> limit = OwnOrGrade(options, m.field, m.isGrade);
        if (!limit)
            limit = OwnOrGrade(file, m.field, m.isGrade);
        if (limit)
            t.limits.push_back({m.measure, m.bound, *limit});
    }
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
    for (const MeasureLimit& m : kMeasureLimits)
        if (m.measure == t.measure)
            return m.optionName;
    return "";
}

std::string DescribeMiss(const Miss& miss) {
    return std::string(InfoOf(miss.threshold.measure).heading) + " " + ValueText(miss.value) +
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
        const ThresholdKey* found = nullptr;
        for (const ThresholdKey& k : kThresholdKeys)
            if (key.str() == k.key)
                found = &k;
        if (!found) {
            *error = At(source, node) + ": unknown key '" + std::string(key.str()) +
                     "' in [thresholds] (known: max_grade, max_fkgl, max_ari, max_smog, "
                     "max_fog, min_ease, max_sentence_words)";
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
        out->*(found->field) = *value;
    }
    return true;
}

bool ReadExcludeFormats(const toml::node& node, const std::string& source, ThresholdSettings* out,
                        std::string* error) {
    const toml::array* list = node.as_array();
    std::vector<std::string> names;
    if (list) {
        for (const toml::node& item : *list) {
            if (!item.is_string()) {
                list = nullptr;
                break;
            }
            names.push_back(*item.value<std::string>());
        }
    }
    if (!list) {
        *error = At(source, node) + ": " + kExcludeFormatsKey +
                 ": expected a list of paragraph format names, e.g. [\"Code\"]";
        return false;
    }
    out->excludeFormats = std::move(names);
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
        } else {
            *error = At(source, node) + ": unknown key '" + std::string(key.str()) +
                     "' (known: [thresholds], exclude_formats)";
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

} // namespace lxinsight
