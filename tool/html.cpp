#include "tool/html.h"

#include "analysis/tokenizer.h"
#include "host/formats/book_folder.h"
#include "tool/commands.h"
#include "tool/output_files.h"

#include "tool/digest.h"
#include "tool/languages.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>

#ifndef LX_VERSION
#define LX_VERSION "0.0.0"
#endif

namespace lxtool {

namespace {

// Upper grade of each difficulty class but the last.
constexpr double kClassLimits[] = {6.0, 8.0, 10.0, 12.0};
constexpr int kClassUnknown = 5;
const char* const kClassNames[] = {"grade 6 or below", "above 6 to 8", "above 8 to 10",
                                   "above 10 to 12",   "above 12",     "no sentences"};

// The bar chart: one row per file.
constexpr int kBarRowHeight = 26;
constexpr int kBarHeight = 18;
constexpr int kLabelWidth = 220;
constexpr int kBarAreaWidth = 480;
constexpr int kValueGap = 6;
constexpr int kChartWidth = kLabelWidth + kBarAreaWidth + 60;
// The characters of a file's name that fit the label column at the chart's font size.
constexpr std::size_t kLabelCharacters = 32;
// The scale reaches at least this grade, so that small grades do not fill the chart.
constexpr double kMinScaleGrade = 12.0;
// The strip: paragraphs as columns of one unit in a box this high, stretched to the page width.
constexpr int kStripHeight = 24;
// The measures table's columns of counts after the measures: words, syllables, complex words.
constexpr int kCountColumns = 3;
// The sentence length histogram: a bar per class of words, the bars up to this high.
constexpr int kBinWidth = 40;
constexpr int kHistogramTop = 14; // room for the count above the tallest bar
constexpr int kHistogramBars = 90;
constexpr int kHistogramLabels = 18; // room for the classes' labels
// The hot spots' lists, by their element ids.
constexpr const char* kHardestList = "hardest";
constexpr const char* kLongestList = "longest";
constexpr const char* kComplexList = "complex";

constexpr const char* kStyle = R"(
body { font-family: system-ui, sans-serif; margin: 2rem auto; max-width: 72rem; padding: 0 1rem;
       color: #1b1b1b; background: #fff; line-height: 1.45; }
h1 { font-size: 1.6rem; } h2 { margin-top: 2.2rem; border-bottom: 1px solid #ccc; }
table { border-collapse: collapse; margin: .5rem 0; }
table.measures { font-size: .85rem; }
th, td { padding: .2rem .6rem; text-align: right; border-bottom: 1px solid #e4e4e4; }
th:first-child, td:first-child { text-align: left; }
td.fail { color: #b71c1c; font-weight: bold; }
td.result { text-align: left; white-space: nowrap; }
tr.misses td { text-align: left; border-bottom: 1px solid #ccc; }
div.wide { overflow-x: auto; }
svg text { font-size: 12px; fill: #1b1b1b; }
.bar, .hbar { fill: #3f6fb5; }
.threshold { stroke: #b71c1c; stroke-width: 2; stroke-dasharray: 5 3; }
.threshold-label { fill: #b71c1c; }
.strip { width: 100%; height: 1.6rem; display: block; border: 1px solid #bbb; }
.d0 { fill: #2e7d32; background: #2e7d32; } .d1 { fill: #9ccc65; background: #9ccc65; }
.d2 { fill: #fdd835; background: #fdd835; } .d3 { fill: #fb8c00; background: #fb8c00; }
.d4 { fill: #c62828; background: #c62828; } .d5 { fill: #e0e0e0; background: #e0e0e0; }
.dh { fill: #7e57c2; background: #7e57c2; }
.strip a rect:hover { fill-opacity: .6; }
figure.lengths { display: inline-block; margin: .5rem 2rem 1rem 0; }
figcaption { font-weight: bold; }
.histogram text { font-size: 10px; } .histogram .axis { stroke: #888; }
.legend span.swatch { display: inline-block; width: .9rem; height: .9rem; margin: 0 .3rem 0 1rem;
                      vertical-align: middle; border: 1px solid #888; }
li.hotspot { margin-bottom: 1rem; } li.hotspot p.where { margin: 0; color: #444; }
blockquote { margin: .3rem 0 0 0; padding: .3rem .8rem; border-left: 4px solid #ccc;
             background: #f7f7f7; }
details summary { cursor: pointer; font-weight: bold; }
table.words td:first-child { font-family: ui-monospace, monospace; }
)";

// The entity that stands for a byte in HTML text and attribute values; "" for a byte that stands
// for itself.
std::string_view EntityOf(char c) {
    switch (c) {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '"':
        return "&quot;";
    case '\'':
        return "&#39;";
    default:
        return {};
    }
}

// The page is handed on in pieces of about this many bytes as it is made.
constexpr std::size_t kPieceBytes = 64 * 1024;

// The page as it is made: text appended to it goes on to put once a piece is full, so that the
// page (larger than the text it shows) is never held whole. Its buffer is made once; text is
// copied into it without the checks of a string's growth, as the page is mostly small appends.
class Page {
  public:
    explicit Page(const PutPiece& put) : put_(put), text_(new char[kPieceBytes]) {}
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;
    Page& operator+=(std::string_view more) {
        if (more.size() > kPieceBytes - used_) {
            Flush();
            if (more.size() > kPieceBytes) { // larger than a piece: handed on as it is
                put_(more);
                return *this;
            }
        }
        std::memcpy(text_.get() + used_, more.data(), more.size());
        used_ += more.size();
        return *this;
    }
    // Text made safe for HTML, as HtmlEscape makes it, without a string of its own.
    void Escaped(std::string_view text) {
        std::size_t from = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const std::string_view entity = EntityOf(text[i]);
            if (entity.empty())
                continue;
            *this += text.substr(from, i - from);
            *this += entity;
            from = i + 1;
        }
        *this += text.substr(from);
    }
    // A measure's value as ValueText shows it.
    void Value(double value) {
        if (kValueTextSize > kPieceBytes - used_)
            Flush();
        used_ = static_cast<std::size_t>(WriteValueText(value, text_.get() + used_) - text_.get());
    }
    // Hands on what is left.
    void Flush() {
        if (used_ != 0)
            put_(std::string_view(text_.get(), used_));
        used_ = 0;
    }

  private:
    const PutPiece& put_;
    std::unique_ptr<char[]> text_; // kPieceBytes
    std::size_t used_ = 0;
};

// A whole number with its thousands set apart by commas ("1,234,567"), without a string of its
// own.
class Grouped {
  public:
    explicit Grouped(std::int64_t n) {
        // Written from the end; the magnitude as unsigned, so that the least number has one.
        const std::uint64_t magnitude =
            n < 0 ? ~static_cast<std::uint64_t>(n) + 1 : static_cast<std::uint64_t>(n);
        char digits[24];
        char* const end = std::to_chars(digits, digits + sizeof digits, magnitude).ptr;
        const auto count = static_cast<std::size_t>(end - digits);
        char* out = text_;
        if (n < 0)
            *out++ = '-';
        for (std::size_t i = 0; i < count; ++i) {
            if (i > 0 && (count - i) % 3 == 0)
                *out++ = ',';
            *out++ = digits[i];
        }
        size_ = static_cast<std::size_t>(out - text_);
    }
    operator std::string_view() const { return {text_, size_}; }

  private:
    char text_[32]; // a sign, 20 digits and 6 commas at most
    std::size_t size_;
};

std::string Number(std::int64_t n) {
    return std::string(std::string_view(Grouped(n)));
}

// A whole number in decimal, without a string of its own.
class Decimal {
  public:
    explicit Decimal(std::uint64_t n)
        : end_(std::to_chars(digits_, digits_ + sizeof digits_, n).ptr) {}
    operator std::string_view() const {
        return {digits_, static_cast<std::size_t>(end_ - digits_)};
    }

  private:
    char digits_[24];
    char* end_;
};

std::string Fixed(double v, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
    return buffer;
}

// "1 paragraph", "2 paragraphs": a count and its noun, the noun in the count's form.
std::string Counted(std::int64_t n, std::string_view one, std::string_view many) {
    return Number(n) + " " + std::string(n == 1 ? one : many);
}

void Summary(Page& h, const InputFigures& f, const Measured& m) {
    const ReadabilityCounts& c = f.totals;
    const MeasureSet measures = ComputeMeasures(c, f.longWords, f.fogComplexWords);
    h += "<section id=\"summary\">\n<h2>Summary</h2>\n<table class=\"figures\">\n";
    auto row = [&](const std::string& label, const std::string& value) {
        h += "<tr><th scope=\"row\">" + HtmlEscape(label) + "</th><td>" + value + "</td></tr>\n";
    };
    row("Files", Number(static_cast<std::int64_t>(f.files.size())));
    row("Paragraphs", Number(c.paragraphs));
    row("Sentences", Number(c.sentences));
    row("Words", Number(c.words));
    row("Characters", Number(c.characters));
    row("Syllables", Number(c.syllables));
    row("Complex words (three syllables or more)", Number(c.complexWords));
    row("Long words (seven letters or more)", Number(f.longWords));
    row("Unique words", Number(m.uniqueWords));
    // The whole's measures are those of every language its files are in.
    const std::vector<LanguageRow> rows = RowsByLanguage(f);
    std::vector<std::string> languages;
    for (const LanguageRow& r : rows)
        if (r.read && std::find(languages.begin(), languages.end(), r.language) == languages.end())
            languages.push_back(r.language);
    if (AnyNotEnglish(rows)) {
        std::string names;
        for (const std::string& code : languages)
            names += (names.empty() ? "" : ", ") + LanguageName(code) + " (" + code + ")";
        row(languages.size() == 1 ? "Language" : "Languages", HtmlEscape(names));
    }
    for (MeasureId id = 0; id < kMeasureRowCount; ++id)
        if (std::all_of(languages.begin(), languages.end(),
                        [&](const std::string& code) { return MeasureApplies(id, code); }) &&
            (!languages.empty() || MeasureApplies(id, "en")))
            row(RowOf(id).heading, ValueText(measures[id]));
    h += "</table>\n</section>\n";
}

// The Flesch-Kincaid threshold in force, if any.
std::optional<double> GradeThreshold(const Thresholds& t) {
    for (const Threshold& limit : t.limits)
        if (limit.measure == kKincaidGradeMeasure)
            return limit.limit;
    return std::nullopt;
}

void BarChart(Page& h, const InputFigures& f, const Thresholds& t) {
    const std::optional<double> threshold = GradeThreshold(t);
    double scale = kMinScaleGrade;
    std::vector<double> grades;
    for (const FileFigures& file : f.files) {
        const double g = ShownValue(GradeOf(file.totals));
        grades.push_back(g);
        if (std::isfinite(g))
            scale = std::max(scale, g);
    }
    if (threshold)
        scale = std::max(scale, *threshold);
    const int rows = static_cast<int>(f.files.size());
    const int height = rows * kBarRowHeight + 24;
    h += "<section id=\"grades\">\n<h2>Flesch-Kincaid grade level per file</h2>\n";
    h += "<svg class=\"chart\" role=\"img\" width=\"" + std::to_string(kChartWidth) +
         "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " +
         std::to_string(kChartWidth) + " " + std::to_string(height) +
         "\" aria-label=\"Flesch-Kincaid grade level per file\">\n";
    for (int i = 0; i < rows; ++i) {
        const double g = grades[static_cast<std::size_t>(i)];
        const double width = std::isfinite(g) && g > 0 ? g / scale * kBarAreaWidth : 0.0;
        const int y = i * kBarRowHeight;
        const std::string& fileName = f.files[static_cast<std::size_t>(i)].name;
        const std::string name = HtmlEscape(fileName);
        h += "<text x=\"0\" y=\"" + std::to_string(y + 14) + "\">" +
             HtmlEscape(ChartLabel(fileName, kLabelCharacters)) + "</text>";
        h += "<rect class=\"bar\" x=\"" + std::to_string(kLabelWidth) + "\" y=\"" +
             std::to_string(y) + "\" width=\"" + Fixed(width, 1) + "\" height=\"" +
             std::to_string(kBarHeight) + "\"><title>" + name + ": grade " + ValueText(g) +
             "</title></rect>";
        h += "<text x=\"" + Fixed(kLabelWidth + width + kValueGap, 1) + "\" y=\"" +
             std::to_string(y + 14) + "\">" + ValueText(g) + "</text>\n";
    }
    if (threshold) {
        const double x = kLabelWidth + std::max(0.0, *threshold) / scale * kBarAreaWidth;
        h += "<line class=\"threshold\" x1=\"" + Fixed(x, 1) + "\" x2=\"" + Fixed(x, 1) +
             "\" y1=\"0\" y2=\"" + std::to_string(rows * kBarRowHeight) + "\"/>";
        h += "<text class=\"threshold-label\" x=\"" + Fixed(x + 4, 1) + "\" y=\"" +
             std::to_string(rows * kBarRowHeight + 16) + "\">threshold " + ValueText(*threshold) +
             "</text>\n";
    }
    h += "</svg>\n</section>\n";
}

// Where a paragraph is: its source place (path:line:column) where the reader kept it, else its
// file's name; then its number, page and format.
std::string Where(const FileFigures& file, std::uint32_t number, const std::string& page,
                  const std::string& format, std::uint32_t line, std::uint32_t column) {
    std::string where = line != 0 ? SourcePlace(file, line, column) : file.name;
    where += ", paragraph " + std::to_string(number);
    if (!page.empty())
        where += ", page " + page;
    if (!format.empty())
        where += ", format " + format;
    return where;
}

std::string Where(const FileFigures& file, const ParagraphFigures& p, std::uint32_t line,
                  std::uint32_t column) {
    return Where(file, p.number, p.page, p.format, line, column);
}

std::string Where(const FileFigures& file, const ParagraphFigures& p) {
    return Where(file, p, p.line, p.column);
}

// The hot spots' list items by the paragraph they show (its file and number): a paragraph in
// several lists is linked to the first (hardest, then most complex words, then longest
// sentences).
using Anchors = std::map<std::pair<const FileFigures*, std::uint32_t>, std::string>;

std::string AnchorOf(const char* list, std::size_t index) {
    return std::string(list) + "-" + std::to_string(index + 1);
}

Anchors HotspotAnchors(const Hotspots& spots) {
    Anchors anchors;
    for (std::size_t i = 0; i < spots.hardest.size(); ++i)
        anchors.emplace(std::make_pair(spots.hardest[i].file, spots.hardest[i].paragraph->number),
                        AnchorOf(kHardestList, i));
    for (std::size_t i = 0; i < spots.mostComplex.size(); ++i)
        anchors.emplace(
            std::make_pair(spots.mostComplex[i].file, spots.mostComplex[i].paragraph->number),
            AnchorOf(kComplexList, i));
    for (std::size_t i = 0; i < spots.longest.size(); ++i)
        anchors.emplace(std::make_pair(spots.longest[i].file, spots.longest[i].paragraph->number),
                        AnchorOf(kLongestList, i));
    return anchors;
}

// A path as a URL's path: bytes outside the unreserved set and "/" percent-encoded.
std::string UrlPath(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : path) {
        const auto b = static_cast<unsigned char>(c);
        const bool ascii = b < 0x80 && b != 0;
        if (ascii && (std::isalnum(b) || std::strchr("-._~/", c) != nullptr)) {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
    }
    return out;
}

// The path of a source file from the page's folder, as a URL's path; "" where it is unknown.
std::string SourceFromPage(const FileFigures& file, const std::string& pageFolder) {
    if (file.path.empty())
        return "";
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path from =
        fs::absolute(pageFolder.empty() ? fs::path(".") : fs::path(pageFolder), ec);
    const fs::path relative =
        fs::absolute(file.path, ec).lexically_normal().lexically_relative(from.lexically_normal());
    if (ec || relative.empty())
        return "";
    return UrlPath(relative.generic_string());
}

// Every paragraph a block of one unit in a strip as wide as the page, coloured by its grade, or
// drawn as a heading; its place and grade on hover, a link to it in the hot spots or else to its
// source line.
void Strips(Page& h, const InputFigures& f, const std::vector<PageFile>& pageFiles,
            const Anchors& anchors, const std::string& pageFolder) {
    static const PageFile none;
    h += "<section id=\"paragraphs\">\n<h2>Every paragraph by difficulty</h2>\n";
    h += AllByKincaid(f)
             ? "<p class=\"legend\">Flesch-Kincaid grade:"
             : "<p class=\"legend\">Grade by each paragraph's language (" + GradeFormulas() + "):";
    for (int c = 0; c <= kClassUnknown; ++c)
        h += "<span class=\"swatch d" + std::to_string(c) + "\"></span>" + kClassNames[c];
    h += "<span class=\"swatch dh\"></span>heading</p>\n";
    for (std::size_t fi = 0; fi < f.files.size(); ++fi) {
        const FileFigures& file = f.files[fi];
        const PageFile& page = fi < pageFiles.size() ? pageFiles[fi] : none;
        const std::size_t n = page.strip.size();
        const std::string source = SourceFromPage(file, pageFolder); // once for its paragraphs
        h += "<h3>" + HtmlEscape(file.name) + " <small>(" +
             Counted(static_cast<std::int64_t>(n), "paragraph", "paragraphs") + ")</small></h3>\n";
        h += "<svg class=\"strip\" viewBox=\"0 0 " + std::to_string(std::max<std::size_t>(n, 1)) +
             " " + std::to_string(kStripHeight) +
             "\" preserveAspectRatio=\"none\" role=\"img\" aria-label=\"" + HtmlEscape(file.name) +
             ": paragraphs by difficulty\">\n";
        // What each paragraph's block shows of its names, worked out once for the file.
        std::vector<std::string> names, labels;
        std::vector<bool> headings;
        for (const std::string& name : page.names) {
            names.push_back(HtmlEscape(name));
            const std::string label = GradeLabel(name);
            labels.push_back(label.empty() ? "" : " (" + HtmlEscape(label) + ")");
            headings.push_back(IsHeadingFormat(name));
        }
        const std::string place = HtmlEscape(file.path.empty() ? file.name : file.path);
        const std::string fileName = HtmlEscape(file.name);
        const std::string escapedSource = HtmlEscape(source);
        const std::string blockRest =
            "\" y=\"0\" width=\"1\" height=\"" + std::to_string(kStripHeight) + "\"><title>";
        StripBlocks::Reader blocks(page.strip);
        StripParagraph block;
        for (std::size_t i = 0; i < n && blocks.Next(&block); ++i) {
            const StripPlace& p = page.places[block.place];
            const auto number = static_cast<std::uint32_t>(i + 1);
            const bool heading = headings[p.format];
            const auto anchor = anchors.find(std::make_pair(&file, number));
            // The link: to the paragraph in the hot spots, else to its line in the source file
            // (its path from the page's folder and "#L" with the line, the fragment source viewers
            // jump to) where both are known.
            const bool linked = anchor != anchors.end() || (!source.empty() && block.line != 0);
            if (linked) {
                h += "<a href=\"";
                if (anchor != anchors.end()) {
                    h += "#";
                    h += HtmlEscape(anchor->second);
                } else {
                    h += escapedSource;
                    h += "#L";
                    h += Decimal(block.line);
                }
                h += "\">";
            }
            h += heading ? "<rect class=\"dh" : "<rect class=\"d";
            if (!heading)
                h += Decimal(static_cast<std::uint64_t>(DifficultyClass(block.grade)));
            h += "\" x=\"";
            h += Decimal(i);
            h += blockRest;
            // Where it is, as Where() puts it.
            if (block.line != 0) {
                h += place;
                h += ":";
                h += Decimal(block.line);
                if (p.column != 0) {
                    h += ":";
                    h += Decimal(p.column);
                }
            } else {
                h += fileName;
            }
            h += ", paragraph ";
            h += Decimal(number);
            if (!page.names[p.page].empty()) {
                h += ", page ";
                h += names[p.page];
            }
            if (!page.names[p.format].empty()) {
                h += ", format ";
                h += names[p.format];
            }
            h += heading ? ": heading, grade " : ": grade ";
            h.Value(block.grade);
            h += labels[p.language];
            h += linked ? "</title></rect></a>\n" : "</title></rect>\n";
        }
        h += "</svg>\n";
    }
    h += "</section>\n";
}

// A bar per sentence length class of a file, the last class every sentence longer than the rest.
void SentenceLengths(Page& h, const InputFigures& f, const std::vector<PageFile>& pageFiles) {
    h += "<section id=\"lengths\">\n<h2>Sentence lengths per file</h2>\n"
         "<p>Sentences by their number of words.</p>\n";
    constexpr int kBins = kSentenceLengthBins;
    constexpr int width = kBins * kBinWidth;
    constexpr int height = kHistogramTop + kHistogramBars + kHistogramLabels;
    for (std::size_t fi = 0; fi < f.files.size(); ++fi) {
        const FileFigures& file = f.files[fi];
        const std::array<std::int64_t, kBins> bins =
            fi < pageFiles.size() ? pageFiles[fi].lengths : std::array<std::int64_t, kBins>{};
        const std::int64_t most =
            std::max<std::int64_t>(1, *std::max_element(bins.begin(), bins.end()));
        h += "<figure class=\"lengths\"><figcaption>" + HtmlEscape(file.name) + " <small>(" +
             Counted(file.totals.sentences, "sentence", "sentences") + ")</small></figcaption>\n";
        h += "<svg class=\"histogram\" role=\"img\" width=\"" + std::to_string(width) +
             "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(width) +
             " " + std::to_string(height) + "\" aria-label=\"" + HtmlEscape(file.name) +
             ": sentences by their number of words\">\n";
        for (int b = 0; b < kBins; ++b) {
            const std::int64_t count = bins[static_cast<std::size_t>(b)];
            const double bar =
                static_cast<double>(count) / static_cast<double>(most) * kHistogramBars;
            const int x = b * kBinWidth;
            const int low = b * kSentenceLengthBinWords + 1;
            const bool last = b + 1 == kBins;
            const std::string words = last ? "more than " + std::to_string(low - 1) + " words"
                                           : std::to_string(low) + " to " +
                                                 std::to_string(low + kSentenceLengthBinWords - 1) +
                                                 " words";
            h += "<rect class=\"hbar\" x=\"" + std::to_string(x + 2) + "\" y=\"" +
                 Fixed(kHistogramTop + kHistogramBars - bar, 1) + "\" width=\"" +
                 std::to_string(kBinWidth - 4) + "\" height=\"" + Fixed(bar, 1) + "\"><title>" +
                 Counted(count, "sentence", "sentences") + " of " + words + "</title></rect>";
            h += "<text class=\"count\" x=\"" + std::to_string(x + kBinWidth / 2) + "\" y=\"" +
                 Fixed(kHistogramTop + kHistogramBars - bar - 3, 1) + "\" text-anchor=\"middle\">" +
                 Number(count) + "</text>";
            h += "<text x=\"" + std::to_string(x + kBinWidth / 2) + "\" y=\"" +
                 std::to_string(height - 4) + "\" text-anchor=\"middle\">" +
                 (last ? std::to_string(low) + "+"
                       : std::to_string(low) + "\xE2\x80\x93" +
                             std::to_string(low + kSentenceLengthBinWords - 1)) +
                 "</text>\n";
        }
        h += "<line class=\"axis\" x1=\"0\" x2=\"" + std::to_string(width) + "\" y1=\"" +
             std::to_string(kHistogramTop + kHistogramBars) + "\" y2=\"" +
             std::to_string(kHistogramTop + kHistogramBars) + "\"/>\n</svg></figure>\n";
    }
    h += "</section>\n";
}

// A row a file, then the book's Overall (one per language for a book of several); each row
// shows the measures of its language and is checked against the thresholds on them.
void FileTable(Page& h, const InputFigures& f, const Thresholds& t) {
    const std::vector<LanguageRow> rows = RowsByLanguage(f);
    const std::vector<MeasureId> measures = MeasuresOfRows(rows);
    const bool languages = AnyNotEnglish(rows);
    h += "<section id=\"files\">\n<h2>Measures per file</h2>\n<div class=\"wide\">\n"
         "<table class=\"measures\">\n<thead><tr><th>File</th>";
    if (languages)
        h += "<th>Language</th>";
    for (MeasureId id : measures)
        h += "<th>" + HtmlEscape(RowOf(id).heading) + "</th>";
    h += "<th>Words</th><th>Syllables</th><th>Complex words</th>"; // kCountColumns
    if (!t.limits.empty())
        h += "<th>Result</th>";
    h += "</tr></thead>\n<tbody>\n";
    const std::size_t columns = (languages ? 1 : 0) + measures.size() + kCountColumns + 1;
    for (const LanguageRow& r : rows) {
        const MeasureSet m = ComputeMeasures(r.counts, r.longWords, r.fogComplexWords);
        const std::vector<Miss> misses = Evaluate(ApplicableThresholds(t, r.language), m);
        h += "<tr><td>" + HtmlEscape(r.name) + "</td>";
        if (languages)
            h += "<td lang=\"en\">" + HtmlEscape(LanguageName(r.language)) + "</td>";
        for (MeasureId id : measures)
            h += MeasureApplies(id, r.language) ? "<td>" + ValueWithBand(id, m[id]) + "</td>"
                                                : "<td class=\"na\">-</td>";
        h += "<td>" + Number(r.counts.words) + "</td><td>" + Number(r.counts.syllables) +
             "</td><td>" + Number(r.counts.complexWords) + "</td>";
        if (!t.limits.empty()) {
            h += misses.empty() ? "<td class=\"result\">pass</td>"
                                : "<td class=\"result fail\">FAIL</td>";
        }
        h += "</tr>\n";
        // What was missed in a row of its own under the figures, as wide as the table: a column
        // as narrow as "pass" would break it over many lines.
        if (!misses.empty()) {
            std::string missed;
            for (const Miss& miss : misses)
                missed += (missed.empty() ? "" : "; ") + DescribeMiss(miss);
            h += "<tr class=\"misses\"><td></td><td class=\"fail\" colspan=\"" +
                 std::to_string(columns) + "\">Missed: " + HtmlEscape(missed) + "</td></tr>\n";
        }
    }
    h += "</tbody>\n</table>\n</div>\n";
    for (const std::string& note : LanguageNotes(rows, t))
        h += "<p class=\"note\">" + HtmlEscape(note) + "</p>\n";
    h += "</section>\n";
}

// A grade by another formula than English's Flesch-Kincaid names it.
std::string Figures(const ReadabilityCounts& c, std::int32_t longWords,
                    const std::string& language) {
    const std::string label = GradeLabel(language);
    return "grade " + ValueText(GradeOf(c, longWords, language)) +
           (label.empty() ? "" : " (" + label + ")") + ", " +
           Counted(c.sentences, "sentence", "sentences") + ", " +
           Counted(c.words, "word", "words") + ", " +
           Counted(c.complexWords, "complex word", "complex words");
}

void ParagraphList(Page& h, const std::string& title, const char* id,
                   const std::vector<ParagraphSpot>& spots) {
    h += "<h3>" + HtmlEscape(title) + "</h3>\n";
    if (spots.empty()) {
        h += "<p>None.</p>\n";
        return;
    }
    h += "<ol class=\"hotspots\" id=\"" + std::string(id) + "\">\n";
    for (std::size_t i = 0; i < spots.size(); ++i) {
        const ParagraphSpot& s = spots[i];
        h += "<li class=\"hotspot\" id=\"" + AnchorOf(id, i) + "\"><p class=\"where\">" +
             HtmlEscape(Where(*s.file, *s.paragraph)) + ": " +
             Figures(s.paragraph->counts, s.paragraph->longWords, s.paragraph->language) +
             "</p><blockquote>" + HtmlEscape(Utf8OfHostText(s.paragraph->text)) +
             "</blockquote></li>\n";
    }
    h += "</ol>\n";
}

void HotspotSection(Page& h, const InputFigures& f, const Hotspots& spots,
                    const HotspotOptions& options) {
    h += "<section id=\"hotspots\">\n<h2>Hot spots</h2>\n";
    ParagraphList(
        h,
        std::string("Hardest paragraphs (") +
            (AllByKincaid(f) ? "Flesch-Kincaid grade" : "grade by each paragraph's language") +
            ", " + Counted(kHardestMinSentences, "sentence", "sentences") + " or more)",
        kHardestList, spots.hardest);
    h += "<h3>Longest sentences (" + Counted(options.longSentenceWords, "word", "words") +
         " or more)</h3>\n";
    if (spots.longest.empty()) {
        h += "<p>None.</p>\n";
    } else {
        h += "<ol class=\"hotspots\" id=\"" + std::string(kLongestList) + "\">\n";
        for (std::size_t i = 0; i < spots.longest.size(); ++i) {
            const SentenceSpot& s = spots.longest[i];
            const std::uint32_t line = s.sentence->line != 0 ? s.sentence->line : s.paragraph->line;
            const std::uint32_t column =
                s.sentence->line != 0 ? s.sentence->column : s.paragraph->column;
            h += "<li class=\"hotspot\" id=\"" + AnchorOf(kLongestList, i) +
                 "\"><p class=\"where\">" + HtmlEscape(Where(*s.file, *s.paragraph, line, column)) +
                 ": " + Figures(s.sentence->counts, s.sentence->longWords, s.paragraph->language) +
                 "</p><blockquote>" + HtmlEscape(SentenceText(*s.paragraph, *s.sentence)) +
                 "</blockquote></li>\n";
        }
        h += "</ol>\n";
    }
    ParagraphList(h, "Paragraphs with the most complex words", kComplexList, spots.mostComplex);
    h += "</section>\n";
}

void WordSection(Page& h, const Measured& m) {
    h += "<section id=\"words\">\n<h2>Words</h2>\n<details>\n<summary>" +
         Counted(static_cast<std::int64_t>(m.words.size()), "distinct word", "distinct words") +
         ", " + Number(m.uniqueWords) +
         " unique (a capitalised word counts once when its small-letter "
         "form is listed too)</summary>\n";
    h += "<table class=\"words\">\n<thead><tr><th>Word</th><th>Count</th><th>Syllables</th>"
         "<th>Complex</th></tr></thead>\n<tbody>\n";
    // A row a word: written straight into the page (a book lists a hundred thousand words).
    for (const WordCount& w : m.words) {
        h += "<tr><td>";
        h.Escaped(w.word);
        h += "</td><td>";
        h += Grouped(w.count);
        h += "</td><td>";
        h += Grouped(w.syllables);
        h += w.syllables >= kComplexWordSyllables ? "</td><td>yes</td></tr>\n"
                                                  : "</td><td></td></tr>\n";
    }
    h += "</tbody>\n</table>\n</details>\n</section>\n";
}

} // namespace

std::string ChartLabel(std::string_view name, std::size_t characters) {
    auto isLead = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; };
    const auto total = static_cast<std::size_t>(std::count_if(name.begin(), name.end(), isLead));
    if (total <= characters)
        return std::string(name);
    // Drop characters from the front until the rest and the ellipsis fit.
    std::size_t drop = total - (characters > 0 ? characters - 1 : 0);
    std::size_t start = 0;
    for (; start < name.size(); ++start) {
        if (isLead(name[start])) {
            if (drop == 0)
                break;
            --drop;
        }
    }
    return "\xE2\x80\xA6" + std::string(name.substr(start));
}

int SentenceLengthBin(std::int32_t words) {
    return std::clamp((words - 1) / kSentenceLengthBinWords, 0, kSentenceLengthBins - 1);
}

int DifficultyClass(double grade) {
    if (!std::isfinite(grade))
        return kClassUnknown;
    int c = 0;
    for (double limit : kClassLimits) {
        if (grade <= limit)
            return c;
        ++c;
    }
    return c;
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const std::string_view entity = EntityOf(c);
        if (entity.empty())
            out += c;
        else
            out += entity;
    }
    return out;
}

namespace {

// The strip's blocks are packed into pieces of this many bytes; a block never straddles two.
constexpr std::size_t kStripPieceBytes = 64 * 1024;
// The most bytes a block takes: its grade, and two numbers of 32 bits in groups of 7 bits.
constexpr std::size_t kMaxBlockBytes = sizeof(double) + 2 * 5;
constexpr unsigned kGroupBits = 7;
constexpr unsigned char kMoreGroups = 0x80;

unsigned char* PutGroups(std::uint32_t n, unsigned char* out) {
    while (n >= kMoreGroups) {
        *out++ = static_cast<unsigned char>(n | kMoreGroups);
        n >>= kGroupBits;
    }
    *out++ = static_cast<unsigned char>(n);
    return out;
}

const unsigned char* GetGroups(const unsigned char* in, std::uint32_t* n) {
    std::uint32_t value = 0;
    for (unsigned shift = 0;; shift += kGroupBits) {
        const unsigned char byte = *in++;
        value |= static_cast<std::uint32_t>(byte & ~kMoreGroups) << shift;
        if (!(byte & kMoreGroups))
            break;
    }
    *n = value;
    return in;
}

} // namespace

void StripBlocks::push_back(const StripParagraph& block) {
    if (pieces_.empty() || pieces_.back().used + kMaxBlockBytes > kStripPieceBytes)
        pieces_.push_back({std::make_unique<unsigned char[]>(kStripPieceBytes), 0});
    Piece& piece = pieces_.back();
    unsigned char* out = piece.bytes.get() + piece.used;
    std::memcpy(out, &block.grade, sizeof block.grade);
    out += sizeof block.grade;
    // The difference from the line before, modulo 2^32, with its sign in the lowest bit, so that
    // a small step back takes as few bytes as a small step on.
    const std::uint32_t step = block.line - lastLine_;
    const std::uint32_t back = step >> 31 ? ~std::uint32_t{0} : 0;
    out = PutGroups((step << 1) ^ back, out);
    out = PutGroups(block.place, out);
    piece.used = static_cast<std::size_t>(out - piece.bytes.get());
    lastLine_ = block.line;
    ++count_;
}

bool StripBlocks::Reader::Next(StripParagraph* block) {
    if (piece_ < blocks_.pieces_.size() && at_ == blocks_.pieces_[piece_].used) {
        ++piece_;
        at_ = 0;
    }
    if (piece_ >= blocks_.pieces_.size())
        return false;
    const unsigned char* start = blocks_.pieces_[piece_].bytes.get();
    const unsigned char* in = start + at_;
    std::memcpy(&block->grade, in, sizeof block->grade);
    in += sizeof block->grade;
    std::uint32_t zigzag = 0;
    in = GetGroups(in, &zigzag);
    const std::uint32_t step = (zigzag >> 1) ^ (zigzag & 1 ? ~std::uint32_t{0} : 0);
    line_ += step;
    block->line = line_;
    in = GetGroups(in, &block->place);
    at_ = static_cast<std::size_t>(in - start);
    return true;
}

bool PageCollector::Take(std::size_t index, const FileFigures& file, ParagraphFigures& p) {
    hotspots.Take(index, file, p);
    if (files.size() <= index) {
        files.resize(index + 1);
        nameIndex_.clear();
        placeIndex_.clear();
        lastNames_ = {};
        lastPlace_ = UINT32_MAX;
    }
    PageFile& page = files[index];
    // Paragraphs in a row mostly share their format, page and language: the last of each is
    // tried before the index of the file's names.
    auto nameOf = [&](const std::string& name, std::uint32_t& last) {
        if (last < page.names.size() && page.names[last] == name)
            return last;
        const auto [at, added] =
            nameIndex_.emplace(name, static_cast<std::uint32_t>(page.names.size()));
        if (added)
            page.names.push_back(name);
        last = at->second;
        return last;
    };
    const StripPlace place{p.column, nameOf(p.format, lastNames_[0]), nameOf(p.page, lastNames_[1]),
                           nameOf(p.language, lastNames_[2])};
    if (lastPlace_ >= page.places.size() || !(page.places[lastPlace_] == place)) {
        const auto [at, added] =
            placeIndex_.emplace(place, static_cast<std::uint32_t>(page.places.size()));
        if (added)
            page.places.push_back(place);
        lastPlace_ = at->second;
    }
    page.strip.push_back({GradeOf(p.counts, p.longWords, p.language), p.line, lastPlace_});
    for (const SentenceFigures& s : p.sentences)
        ++page.lengths[static_cast<std::size_t>(SentenceLengthBin(s.counts.words))];
    return false;
}

std::vector<PageFile> PageFilesOf(const InputFigures& figures) {
    PageCollector collector(HotspotOptions{0, 0});
    for (std::size_t i = 0; i < figures.files.size(); ++i)
        for (ParagraphFigures p : figures.files[i].paragraphs)
            collector.Take(i, figures.files[i], p);
    return std::move(collector.files);
}

std::string RenderHtml(const HtmlInput& input) {
    std::string html;
    WriteHtml(input, [&](std::string_view piece) { html += piece; });
    return html;
}

void WriteHtml(const HtmlInput& input, const PutPiece& put) {
    const InputFigures& f = input.measured->figures;
    const auto digest = Sha256(kStyle);
    const std::string styleHash = Base64(digest.data(), digest.size());
    Page h(put);
    // Marked as the tool's own, so that a folder book made of the folder it is saved in leaves it
    // out.
    h += std::string(lxhost::kWrittenHtmlHead);
    h += "<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    h += "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
         "style-src 'sha256-" +
         styleHash + "'; base-uri 'none'; form-action 'none'\">\n";
    h += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    h += "<title>Readability of " + HtmlEscape(f.name) + "</title>\n";
    h += "<style>" + std::string(kStyle) + "</style>\n</head>\n<body>\n";
    h += "<header>\n<h1>Readability of " + HtmlEscape(f.name) + "</h1>\n<p>" +
         (f.isBook
              ? "A book of " + Counted(static_cast<std::int64_t>(f.files.size()), "file", "files")
              : std::string("One document")) +
         ", " + Counted(f.totals.words, "word", "words") +
         ". Made by lexameter " LX_VERSION ".</p>\n";
    if (!input.measured->errors.empty()) {
        h += "<ul class=\"errors\">\n";
        for (const std::string& e : input.measured->errors)
            h += "<li>" + HtmlEscape(e) + "</li>\n";
        h += "</ul>\n";
    }
    h += "</header>\n<main>\n";
    Summary(h, f, *input.measured);
    BarChart(h, f, *input.thresholds);
    const std::vector<PageFile> derived = input.files ? std::vector<PageFile>{} : PageFilesOf(f);
    const std::vector<PageFile>& files = input.files ? *input.files : derived;
    Strips(h, f, files, HotspotAnchors(*input.hotspots), input.pageFolder);
    SentenceLengths(h, f, files);
    FileTable(h, f, *input.thresholds);
    HotspotSection(h, f, *input.hotspots, *input.hotspotOptions);
    WordSection(h, *input.measured);
    h += "</main>\n</body>\n</html>\n";
    h.Flush();
}

int RunHtml(const ToolCommand&, const ToolOptions& options, std::ostream& out, std::ostream& err) {
    int status = kExitOk;
    std::string error;
    Thresholds thresholds;
    if (!SettleThresholds(options, &thresholds, &status, &error))
        return FinishWithError(options, error, status, out, err);
    // The page never replaces a file it is made from.
    for (const std::string& input : options.files) {
        std::error_code ec;
        if (std::filesystem::equivalent(input, options.output, ec))
            return FinishWithError(
                options, "will not write the page over its input '" + options.output + "'",
                kExitUsage, out, err);
    }
    // What the page shows is gathered during the walk; no paragraph is kept.
    PageCollector collected(options.hotspots);
    Measured m = MeasureInput(options, thresholds.excludeFormats, err, true, false, &collected);
    if (m.status != kExitOk && m.figures.files.empty())
        return Finish(options, ReportOf(options, m, m.status), out, err);
    const Hotspots spots = collected.hotspots.Result(m.figures);
    // The page is made while it is written: a book's page is larger than its text.
    const HtmlInput input{&m,
                          &spots,
                          &options.hotspots,
                          &thresholds,
                          std::filesystem::path(options.output).parent_path().string(),
                          &collected.files};
    std::vector<OutputFile> page;
    page.emplace_back(options.output, [&](const PutPiece& put) { WriteHtml(input, put); });
    // Written as --out writes: never over an input, over an existing file only with --force.
    RunReport report = ReportOf(options, m, m.status);
    SavePolicy policy{options.force, m.inputs};
    if (!SaveOutputFiles(page, policy, &report.errors, &report.saved))
        report.exitStatus = kExitFile;
    return Finish(options, report, out, err);
}

} // namespace lxtool
