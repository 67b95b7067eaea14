#include "tool/hotspots.h"

#include "analysis/precise/languages.h"
#include "analysis/tokenizer.h"
#include "tool/measures.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace lxtool {

namespace {

template <typename Spot, typename Key> void KeepTop(std::vector<Spot>& spots, int top, Key key) {
    std::stable_sort(spots.begin(), spots.end(),
                     [&](const Spot& a, const Spot& b) { return key(a) > key(b); });
    if (top >= 0 && spots.size() > static_cast<std::size_t>(top))
        spots.resize(static_cast<std::size_t>(top));
}

constexpr std::string_view kHeadingPrefix = "heading";
constexpr std::string_view kTitleFormats[] = {"title", "subtitle", "chaptertitle", "sectiontitle"};

// Closing quotation marks and brackets, as host bytes: straight and curly quotation marks.
constexpr const char kClosingMarks[] = "\"')]}\xD3\xD5";

} // namespace

bool IsHeadingFormat(std::string_view format) {
    std::string name(format);
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name.starts_with(kHeadingPrefix))
        return true;
    if (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6')
        return true;
    return std::find(std::begin(kTitleFormats), std::end(kTitleFormats), name) !=
           std::end(kTitleFormats);
}

std::string SourcePlace(const FileFigures& file, std::uint32_t line, std::uint32_t column) {
    std::string where = file.path.empty() ? file.name : file.path;
    if (line != 0) {
        where += ":" + std::to_string(line);
        if (column != 0)
            where += ":" + std::to_string(column);
    }
    return where;
}

double GradeOf(const ReadabilityCounts& counts) {
    return MeasureValue(kKincaidGradeMeasure, counts, 0);
}

std::size_t GradeMeasureOf(std::string_view language) {
    for (std::size_t i = 0; i < kMeasureRowCount; ++i)
        if (kMeasureRows[i].scale == MeasureScale::Grade &&
            kMeasureRows[i].languages != std::string_view(kEveryLanguage) &&
            MeasureApplies(i, language))
            return i;
    return kKincaidGradeMeasure;
}

double GradeOf(const ReadabilityCounts& counts, std::int32_t longWords, std::string_view language) {
    return MeasureValue(GradeMeasureOf(language), counts, longWords);
}

std::string GradeLabel(std::string_view language) {
    const std::size_t measure = GradeMeasureOf(language);
    if (measure != kKincaidGradeMeasure)
        return kMeasureRows[measure].heading;
    // Figures made without a language (by hand, in tests) are English's.
    return language.empty() || MeasureApplies(measure, language)
               ? ""
               : "Flesch-Kincaid, English formula";
}

std::string GradeFormulas() {
    std::string text = "English: " + std::string(kMeasureRows[kKincaidGradeMeasure].heading);
    for (std::size_t i = 0; i < kMeasureRowCount; ++i) {
        const std::string_view languages = kMeasureRows[i].languages;
        if (i == kKincaidGradeMeasure || kMeasureRows[i].scale != MeasureScale::Grade ||
            languages == kEveryLanguage)
            continue;
        // Each language the row grades, where it is that language's first grade formula.
        for (std::size_t from = 0; from < languages.size();) {
            std::size_t to = languages.find(' ', from);
            if (to == std::string_view::npos)
                to = languages.size();
            const std::string_view code = languages.substr(from, to - from);
            const lxprecise::Language* language = lxprecise::FindLanguage(code);
            if (GradeMeasureOf(code) == i)
                text += "; " + std::string(language ? language->name : code) + ": " +
                        kMeasureRows[i].heading;
            from = to + 1;
        }
    }
    return text + "; other languages: the English Flesch-Kincaid formula";
}

bool AllByKincaid(const InputFigures& figures) {
    for (const FileFigures& f : figures.files)
        for (const ParagraphFigures& p : f.paragraphs)
            if (!GradeLabel(p.language).empty())
                return false;
    return true;
}

Hotspots FindHotspots(const InputFigures& figures, const HotspotOptions& options) {
    Hotspots h;
    for (const FileFigures& f : figures.files) {
        for (const ParagraphFigures& p : f.paragraphs) {
            if (p.counts.sentences >= kHardestMinSentences)
                h.hardest.push_back({&f, &p});
            if (p.counts.complexWords > 0)
                h.mostComplex.push_back({&f, &p});
            for (const SentenceFigures& s : p.sentences)
                if (s.counts.words >= options.longSentenceWords)
                    h.longest.push_back({&f, &p, &s});
        }
    }
    KeepTop(h.hardest, options.top, [](const ParagraphSpot& s) {
        const double grade =
            GradeOf(s.paragraph->counts, s.paragraph->longWords, s.paragraph->language);
        return std::isfinite(grade) ? grade : -HUGE_VAL;
    });
    KeepTop(h.longest, options.top, [](const SentenceSpot& s) { return s.sentence->counts.words; });
    KeepTop(h.mostComplex, options.top,
            [](const ParagraphSpot& s) { return s.paragraph->counts.complexWords; });
    return h;
}

std::string FirstWords(std::string_view hostText, int words) {
    std::size_t pos = 0;
    std::string_view word;
    std::size_t end = 0;
    int n = 0;
    while (n < words && NextWordView(hostText, &pos, &word)) {
        end = static_cast<std::size_t>(word.data() - hostText.data()) + word.size();
        ++n;
    }
    std::string_view rest = hostText.substr(end);
    bool more = false;
    std::string_view next;
    std::size_t probe = 0;
    more = NextWordView(rest, &probe, &next);
    std::string text = Utf8OfHostText(hostText.substr(0, end));
    // Tabs and other control bytes would break a table's columns.
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    return more ? text + " ..." : text;
}

std::string SentenceText(const ParagraphFigures& paragraph, const SentenceFigures& sentence) {
    const std::string_view text(paragraph.text);
    const std::size_t start = std::min<std::size_t>(sentence.offset, text.size());
    std::size_t end = std::min<std::size_t>(text.size(), start + sentence.length);
    // The counted sentence stops before the byte that ended it; the reader is shown that stop and
    // a closing quotation mark or bracket right after it.
    auto isStop = [](char c) {
        return c == kPeriod ||
               std::find(SentenceTerminators.begin(), SentenceTerminators.end(),
                         static_cast<unsigned char>(c)) != SentenceTerminators.end();
    };
    auto isClosing = [](char c) { return c != '\0' && std::strchr(kClosingMarks, c) != nullptr; };
    if (end < text.size() && isStop(text[end])) {
        ++end;
        if (end < text.size() && isClosing(text[end]))
            ++end;
    }
    return Utf8OfHostText(text.substr(start, end - start));
}

} // namespace lxtool
