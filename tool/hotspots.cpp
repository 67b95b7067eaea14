#include "tool/hotspots.h"

#include "analysis/precise/languages.h"
#include "analysis/tokenizer.h"
#include "tool/measures.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <set>

namespace lxtool {

namespace {

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
    for (const FileFigures& f : figures.files) {
        // The languages the walk met, and those of any paragraph kept (or made by hand).
        for (const std::string& language : f.languages)
            if (!GradeLabel(language).empty())
                return false;
        for (const ParagraphFigures& p : f.paragraphs)
            if (!GradeLabel(p.language).empty())
                return false;
    }
    return true;
}

std::vector<HotspotCollector::Entry> HotspotCollector::Ranked(std::vector<Entry> entries) const {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.key > b.key; });
    if (entries.size() > static_cast<std::size_t>(options_.top))
        entries.resize(static_cast<std::size_t>(options_.top));
    return entries;
}

bool HotspotCollector::Enters(const List& list, double key) const {
    // Among equal keys the one that came first ranks first: a newcomer that only equals the last
    // of the top stays out.
    return options_.top > 0 && (!list.cut || key > list.floor);
}

void HotspotCollector::Offer(List& list, Entry entry) const {
    list.entries.push_back(std::move(entry));
    // Cut back to the top each time the candidates reach twice as many: each is ranked a few
    // times at most, however large the top.
    if (list.entries.size() >= 2 * static_cast<std::size_t>(options_.top)) {
        list.entries = Ranked(std::move(list.entries));
        list.cut = true;
        list.floor = list.entries.back().key;
    }
}

bool HotspotCollector::Take(std::size_t index, const FileFigures&, ParagraphFigures& p) {
    // Copied once, when it first enters a list.
    std::shared_ptr<const ParagraphFigures> copy;
    auto kept = [&] {
        if (!copy)
            copy = std::make_shared<const ParagraphFigures>(p);
        return copy;
    };
    if (p.counts.sentences >= kHardestMinSentences) {
        const double grade = GradeOf(p.counts, p.longWords, p.language);
        const double key = std::isfinite(grade) ? grade : -HUGE_VAL;
        if (Enters(hardest_, key))
            Offer(hardest_, {key, index, kept(), 0});
    }
    if (p.counts.complexWords > 0 && Enters(mostComplex_, p.counts.complexWords))
        Offer(mostComplex_, {static_cast<double>(p.counts.complexWords), index, kept(), 0});
    for (std::size_t i = 0; i < p.sentences.size(); ++i) {
        const std::int32_t words = p.sentences[i].counts.words;
        if (words >= options_.longSentenceWords && Enters(longest_, words))
            Offer(longest_, {static_cast<double>(words), index, kept(), i});
    }
    return false;
}

bool HotspotCollector::WantsPlace(const ParagraphFigures&, const SentenceFigures& s) const {
    // As Take offers it: the list it would enter only grows stricter while the paragraph is taken.
    return s.counts.words >= options_.longSentenceWords && Enters(longest_, s.counts.words);
}

Hotspots HotspotCollector::Result(const InputFigures& figures) const {
    Hotspots h;
    auto fileOf = [&](const Entry& e) {
        return e.file < figures.files.size() ? &figures.files[e.file] : nullptr;
    };
    std::set<const ParagraphFigures*> seen; // a --top of thousands keeps as many paragraphs
    auto keep = [&](const Entry& e) {
        if (seen.insert(e.paragraph.get()).second)
            h.kept.push_back(e.paragraph);
    };
    for (const Entry& e : Ranked(hardest_.entries)) {
        h.hardest.push_back({fileOf(e), e.paragraph.get()});
        keep(e);
    }
    for (const Entry& e : Ranked(longest_.entries)) {
        h.longest.push_back({fileOf(e), e.paragraph.get(), &e.paragraph->sentences[e.sentence]});
        keep(e);
    }
    for (const Entry& e : Ranked(mostComplex_.entries)) {
        h.mostComplex.push_back({fileOf(e), e.paragraph.get()});
        keep(e);
    }
    return h;
}

Hotspots FindHotspots(const InputFigures& figures, const HotspotOptions& options) {
    HotspotCollector collector(options);
    for (std::size_t i = 0; i < figures.files.size(); ++i)
        for (ParagraphFigures p : figures.files[i].paragraphs)
            collector.Take(i, figures.files[i], p);
    return collector.Result(figures);
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
