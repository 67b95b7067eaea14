// The tool's rows by language: a file's row shows the measures of its language, a book of
// several languages has an Overall row for each, and a threshold on a measure that does not
// measure a row's language is not applied to it ("n/a").
#pragma once

#include "tool/figures.h"
#include "tool/thresholds.h"

#include <string>
#include <vector>

namespace lxtool {

// A row of a table of files: a file, or a book's Overall (one, or one per language).
struct LanguageRow {
    std::string name;
    bool overall = false;
    bool read = true;     // false for a book's file that could not be opened
    std::string language; // its code: "de"
    ReadabilityCounts counts{};
    std::int32_t longWords = 0;
    std::int32_t fogComplexWords = 0;
};

// The files' rows, then for a book "Overall", or "Overall (de)", "Overall (en)", ... when its
// files are in several languages (each the sum of the files of that language, in the order the
// languages first come).
std::vector<LanguageRow> RowsByLanguage(const InputFigures& figures);

// The measures of the rows' languages, in registry order.
std::vector<MeasureId> MeasuresOfRows(const std::vector<LanguageRow>& rows);
// Whether a row is in a language other than English (its language is then worth a column).
bool AnyNotEnglish(const std::vector<LanguageRow>& rows);

// The language's name in English ("German"), or its code when the profile does not know it.
std::string LanguageName(const std::string& code);

// The thresholds that apply to a row of the language; the others are added to *notApplied.
Thresholds ApplicableThresholds(const Thresholds& thresholds, const std::string& language,
                                std::vector<Threshold>* notApplied = nullptr);

// What a table of the rows says once below it: each threshold that did not apply to some rows
// ("n/a: min-amstad (Flesch-Amstad) measures German; not applied to a.md, b.md"), and each
// language that has no formula of its own ("Swedish: no readability formula of its own; LIX
// measures it").
std::vector<std::string> LanguageNotes(const std::vector<LanguageRow>& rows,
                                       const Thresholds& thresholds);

} // namespace lxtool
