// The HTML report: one self-contained page with the summary figures, a bar chart of the grade
// level per file, a strip of every paragraph coloured by difficulty (headings apart), a histogram
// of sentence lengths per file, the per-file measures, the hot spots with their text and the
// word list. No script; its one style sheet is allowed by its digest in a
// Content-Security-Policy that allows nothing else.
#pragma once

#include "tool/hotspots.h"
#include "tool/output_files.h"
#include "tool/run.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace lxtool {

// The sentence length histogram's classes: 1 to 5 words, 6 to 10, and so on, the last class
// every sentence longer than 50 words.
constexpr int kSentenceLengthBinWords = 5;
constexpr int kSentenceLengthBins = 11;

// Where a paragraph's block of the strip says it is, beside its line: its column, and its format,
// page and language as indexes into its file's names. Paragraphs in a row mostly share one.
struct StripPlace {
    std::uint32_t column = 0;
    std::uint32_t format = 0;
    std::uint32_t page = 0;
    std::uint32_t language = 0; // its code among the names, for the formula it is graded by
    bool operator<(const StripPlace& o) const {
        return std::tie(column, format, page, language) <
               std::tie(o.column, o.format, o.page, o.language);
    }
    bool operator==(const StripPlace&) const = default;
};

// What the page's strip shows of a paragraph: its grade, its line and the rest of where it is (an
// index into its file's places). No text.
struct StripParagraph {
    double grade = 0;
    std::uint32_t line = 0;
    std::uint32_t place = 0;
};

// A file's strip blocks, packed in order: each paragraph's grade in its 8 bytes, then its line as
// the difference from the line of the paragraph before and its place, each in groups of 7 bits
// (most paragraphs take 10 bytes: a book has a million). The bytes are kept in pieces, so that
// they never hold room for twice what they need as they grow.
class StripBlocks {
  public:
    void push_back(const StripParagraph& block);
    std::size_t size() const { return count_; }

    // Reads the blocks from the first, one by one.
    class Reader {
      public:
        explicit Reader(const StripBlocks& blocks) : blocks_(blocks) {}
        // The next block; false past the last.
        bool Next(StripParagraph* block);

      private:
        const StripBlocks& blocks_;
        std::size_t piece_ = 0, at_ = 0;
        std::uint32_t line_ = 0;
    };

  private:
    struct Piece {
        std::unique_ptr<unsigned char[]> bytes;
        std::size_t used = 0;
    };
    std::vector<Piece> pieces_;
    std::size_t count_ = 0;
    std::uint32_t lastLine_ = 0;
};

// What the page shows of a file beyond its totals: each paragraph's strip block and its sentences
// by length class.
struct PageFile {
    StripBlocks strip;              // paragraph i + 1 is the i-th block
    std::vector<StripPlace> places; // each once
    std::vector<std::string> names; // formats, pages and languages, each once
    std::array<std::int64_t, kSentenceLengthBins> lengths{};
};

// Gathers what the page shows during the walk: the hot spots, and for each file its strip and
// its sentence lengths; no paragraph is kept.
class PageCollector : public ParagraphSink {
  public:
    explicit PageCollector(const HotspotOptions& options) : hotspots(options) {}
    bool Take(std::size_t index, const FileFigures& file, ParagraphFigures& paragraph) override;
    // The places of the sentences the hot spots may show.
    bool WantsPlace(const ParagraphFigures& paragraph,
                    const SentenceFigures& sentence) const override {
        return hotspots.WantsPlace(paragraph, sentence);
    }

    HotspotCollector hotspots;
    std::vector<PageFile> files; // by the files' index; a file with no paragraph may be missing

  private:
    std::map<std::string, std::uint32_t> nameIndex_; // of the file being walked
    std::map<StripPlace, std::uint32_t> placeIndex_; // of the file being walked
    // The format, page and language of the file's last paragraph, as indexes into its names.
    std::array<std::uint32_t, 3> lastNames_{UINT32_MAX, UINT32_MAX, UINT32_MAX};
    std::uint32_t lastPlace_ = UINT32_MAX; // the file's last paragraph's place
};

// The page's figures of input whose paragraphs were kept.
std::vector<PageFile> PageFilesOf(const InputFigures& figures);

struct HtmlInput {
    const Measured* measured;
    const Hotspots* hotspots;
    const HotspotOptions* hotspotOptions;
    const Thresholds* thresholds;
    // The folder the page is written to, from which it links to the source files; "" for the
    // working folder.
    std::string pageFolder;
    // The files' strips and sentence lengths; null to take them from the figures' paragraphs.
    const std::vector<PageFile>* files = nullptr;
};

// The page, handed to put in pieces as it is made.
void WriteHtml(const HtmlInput& input, const PutPiece& put);
// The page whole.
std::string RenderHtml(const HtmlInput& input);

// Text made safe for HTML element content and attribute values.
std::string HtmlEscape(std::string_view text);

// A file's name as the chart labels it: whole when it has at most `characters` characters, else
// an ellipsis and its end, where a path's file name is (the bar's tooltip names it whole).
std::string ChartLabel(std::string_view name, std::size_t characters);

// The difficulty class of a Flesch-Kincaid grade: 0 (easy, up to 6) to 4 (above 12); 5 for a
// paragraph whose grade cannot be computed.
int DifficultyClass(double grade);

// The class of a sentence of `words` words.
int SentenceLengthBin(std::int32_t words);

} // namespace lxtool
