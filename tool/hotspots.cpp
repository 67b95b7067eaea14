#include "tool/hotspots.h"

#include "analysis/tokenizer.h"
#include "tool/measures.h"

#include <algorithm>
#include <cmath>

namespace lxtool {

namespace {

template <typename Spot, typename Key> void KeepTop(std::vector<Spot>& spots, int top, Key key) {
    std::stable_sort(spots.begin(), spots.end(),
                     [&](const Spot& a, const Spot& b) { return key(a) > key(b); });
    if (top >= 0 && spots.size() > static_cast<std::size_t>(top))
        spots.resize(static_cast<std::size_t>(top));
}

} // namespace

double GradeOf(const ReadabilityCounts& counts) {
    return MeasureValue(kKincaidGradeMeasure, counts, 0);
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
        const double grade = GradeOf(s.paragraph->counts);
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
    return Utf8OfHostText(
        std::string_view(paragraph.text).substr(sentence.offset, sentence.length));
}

} // namespace lxtool
