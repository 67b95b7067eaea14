// Where the difficulty of a document or book lies: its hardest paragraphs, its longest
// sentences and the paragraphs with the most complex words.
#pragma once

#include "tool/figures.h"

#include <memory>
#include <string>
#include <vector>

namespace lxtool {

// Hardest paragraphs are ranked among paragraphs of at least this many sentences: the grade of
// a one-sentence heading or caption says little about the prose.
constexpr std::int32_t kHardestMinSentences = 3;
constexpr int kDefaultTop = 5;
constexpr int kDefaultLongSentenceWords = 30;
// How many words of a paragraph or sentence the tables show.
constexpr int kFirstWords = 10;

struct HotspotOptions {
    int top = kDefaultTop;
    int longSentenceWords = kDefaultLongSentenceWords;
};

struct ParagraphSpot {
    const FileFigures* file;
    const ParagraphFigures* paragraph;
};

struct SentenceSpot {
    const FileFigures* file;
    const ParagraphFigures* paragraph;
    const SentenceFigures* sentence;
};

struct Hotspots {
    std::vector<ParagraphSpot> hardest;     // by grade (GradeMeasureOf), highest first
    std::vector<SentenceSpot> longest;      // by words, most first
    std::vector<ParagraphSpot> mostComplex; // by complex words, most first
    // The paragraphs the spots show, which the spots point into (a paragraph in several lists
    // is kept once).
    std::vector<std::shared_ptr<const ParagraphFigures>> kept;
};

// The hot spots gathered during the walk: each list ranked as the paragraphs come, at most
// options.top of each kept, with their paragraphs' text; every other paragraph is let go.
class HotspotCollector : public ParagraphSink {
  public:
    explicit HotspotCollector(const HotspotOptions& options) : options_(options) {}
    bool Take(std::size_t index, const FileFigures& file, ParagraphFigures& paragraph) override;
    // The places of the sentences that may enter the longest sentences.
    bool WantsPlace(const ParagraphFigures& paragraph,
                    const SentenceFigures& sentence) const override;
    // The spots, their files in figures (the input the walk counted).
    Hotspots Result(const InputFigures& figures) const;

  private:
    struct Entry {
        double key;
        std::size_t file;
        std::shared_ptr<const ParagraphFigures> paragraph;
        std::size_t sentence; // index among the paragraph's sentences (longest sentences only)
    };
    // A list's candidates in the order they came; once it has been cut to the top, the key a
    // newcomer must pass.
    struct List {
        std::vector<Entry> entries;
        bool cut = false;
        double floor = 0;
    };
    bool Enters(const List& list, double key) const;
    void Offer(List& list, Entry entry) const;
    // The candidates ranked, highest key first and equal keys in the order they came, at most
    // options.top.
    std::vector<Entry> Ranked(std::vector<Entry> entries) const;

    HotspotOptions options_;
    List hardest_, longest_, mostComplex_;
};

// At most options.top of each; ties keep book order. The spots' files are figures' files.
Hotspots FindHotspots(const InputFigures& figures, const HotspotOptions& options);

// The first `words` words of host text, in UTF-8, with "..." when there is more.
std::string FirstWords(std::string_view hostText, int words = kFirstWords);
// The text of a sentence, in UTF-8.
std::string SentenceText(const ParagraphFigures& paragraph, const SentenceFigures& sentence);
double GradeOf(const ReadabilityCounts& counts);

// The grade a paragraph of the language (its code) is ranked and shown by: its language's own
// grade formula where the measure registry has one (English: Flesch-Kincaid; German: the Wiener
// Sachtextformel), else the English Flesch-Kincaid formula. Every such value is a school grade,
// so paragraphs of several languages rank on one scale; the ease scores of the other languages'
// formulas run the other way on another scale and are not mixed in.
std::size_t GradeMeasureOf(std::string_view language);
double GradeOf(const ReadabilityCounts& counts, std::int32_t longWords, std::string_view language);
// What a grade of the language is, to show beside it: "" for English's Flesch-Kincaid, else the
// formula ("Wiener Sachtextformel"), or "Flesch-Kincaid, English formula" for a language without
// a grade formula of its own.
std::string GradeLabel(std::string_view language);
// Which formula grades which language, for a legend: "English: Flesch-Kincaid; German: Wiener
// Sachtextformel; other languages: the English Flesch-Kincaid formula".
std::string GradeFormulas();
// Whether every paragraph of the figures is ranked by English's Flesch-Kincaid grade (always so
// under the classic rules).
bool AllByKincaid(const InputFigures& figures);

// Whether a paragraph format is a heading's: the readers' Heading1 to Heading6 (and any other
// format whose name begins with "Heading", as a template's HeadingRunIn), the title formats
// (Title, Subtitle, ChapterTitle, SectionTitle) and HTML's h1 to h6, in any case. A table's
// CellHeading and a table of contents' TOCHeading1 are not. A heading's grade says nothing of
// the prose: a one-line heading of long words scores as the hardest paragraph would.
bool IsHeadingFormat(std::string_view format);

// Where a finding is, as compilers print it: "path:line:column", "path:line" without a column,
// "path" alone without a line (the file's name where its path is not known).
std::string SourcePlace(const FileFigures& file, std::uint32_t line, std::uint32_t column);

} // namespace lxtool
