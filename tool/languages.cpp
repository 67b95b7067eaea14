#include "tool/languages.h"

#include "analysis/precise/languages.h"

#include <algorithm>

namespace lxtool {

namespace {

constexpr const char* kOverall = "Overall";

// The names of the languages a measure's row lists: "German", "Italian", "every language".
std::string LanguagesOfMeasure(MeasureId id) {
    const std::string_view list = RowOf(id).languages;
    if (list == kEveryLanguage)
        return "every language";
    std::string out;
    for (std::size_t from = 0; from < list.size();) {
        std::size_t to = list.find(' ', from);
        if (to == std::string_view::npos)
            to = list.size();
        if (!out.empty())
            out += " and ";
        out += LanguageName(std::string(list.substr(from, to - from)));
        from = to + 1;
    }
    return out;
}

} // namespace

std::string LanguageName(const std::string& code) {
    const lxprecise::Language* language = lxprecise::FindLanguage(code);
    return language ? language->name : code;
}

std::vector<LanguageRow> RowsByLanguage(const InputFigures& figures) {
    std::vector<LanguageRow> rows;
    std::vector<std::string> languages;
    for (const FileFigures& f : figures.files) {
        rows.push_back(
            {f.name, false, f.opened, f.language, f.totals, f.longWords, f.fogComplexWords});
        if (f.opened &&
            std::find(languages.begin(), languages.end(), f.language) == languages.end())
            languages.push_back(f.language);
    }
    if (!figures.isBook)
        return rows;
    if (languages.size() <= 1) {
        rows.push_back({kOverall, true, true, languages.empty() ? "en" : languages[0],
                        figures.totals, figures.longWords, figures.fogComplexWords});
        return rows;
    }
    for (const std::string& language : languages) {
        LanguageRow overall{
            std::string(kOverall) + " (" + language + ")", true, true, language, {}, 0, 0};
        for (const FileFigures& f : figures.files) {
            if (!f.opened || f.language != language)
                continue;
            AddCounts(overall.counts, f.totals);
            overall.longWords += f.longWords;
            overall.fogComplexWords += f.fogComplexWords;
        }
        rows.push_back(std::move(overall));
    }
    return rows;
}

std::vector<MeasureId> MeasuresOfRows(const std::vector<LanguageRow>& rows) {
    std::vector<MeasureId> out;
    for (MeasureId id = 0; id < kMeasureRowCount; ++id) {
        const bool shown = rows.empty() ? MeasureApplies(id, "en")
                                        : std::any_of(rows.begin(), rows.end(), [&](const auto& r) {
                                              return MeasureApplies(id, r.language);
                                          });
        if (shown)
            out.push_back(id);
    }
    return out;
}

bool AnyNotEnglish(const std::vector<LanguageRow>& rows) {
    return std::any_of(rows.begin(), rows.end(),
                       [](const LanguageRow& r) { return r.language != "en"; });
}

Thresholds ApplicableThresholds(const Thresholds& thresholds, const std::string& language,
                                std::vector<Threshold>* notApplied) {
    Thresholds out = thresholds;
    out.limits.clear();
    for (const Threshold& limit : thresholds.limits) {
        if (MeasureApplies(limit.measure, language))
            out.limits.push_back(limit);
        else if (notApplied)
            notApplied->push_back(limit);
    }
    return out;
}

std::vector<std::string> LanguageNotes(const std::vector<LanguageRow>& rows,
                                       const Thresholds& thresholds) {
    std::vector<std::string> notes;
    for (const Threshold& limit : thresholds.limits) {
        std::string names;
        for (const LanguageRow& r : rows) {
            if (!r.read || MeasureApplies(limit.measure, r.language))
                continue;
            names += (names.empty() ? "" : ", ") + r.name;
        }
        if (!names.empty())
            notes.push_back("n/a: " + ThresholdName(limit) + " (" + RowOf(limit.measure).heading +
                            ") measures " + LanguagesOfMeasure(limit.measure) +
                            "; not applied to " + names);
    }
    std::vector<std::string> seen;
    for (const LanguageRow& r : rows) {
        if (HasOwnFormula(r.language) ||
            std::find(seen.begin(), seen.end(), r.language) != seen.end())
            continue;
        seen.push_back(r.language);
        notes.push_back(
            LanguageName(r.language) + " (" + r.language +
            "): no readability formula of its own; it falls back to LIX (RIX and words per "
            "sentence are plain counts)");
    }
    return notes;
}

} // namespace lxtool
