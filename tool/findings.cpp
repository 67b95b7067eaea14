#include "tool/findings.h"

#include "tool/hotspots.h"

#include <cmath>

namespace lxtool {

namespace {

// Whole numbers (words) without a decimal, other figures to one decimal as the tables show them.
std::string FigureText(double value) {
    return value == std::floor(value) && std::fabs(value) < 1e15
               ? std::to_string(static_cast<long long>(value))
               : ValueText(value);
}

// The first words of a sentence or paragraph, quoted, for a message.
std::string Quoted(std::string_view hostText) {
    return "\"" + FirstWords(hostText) + "\"";
}

void AddFileMisses(const std::string& path, const char* whose, const ReadabilityCounts& counts,
                   std::int32_t longWords, std::int32_t fogComplexWords,
                   const Thresholds& thresholds, std::vector<Finding>* out) {
    for (const Miss& m :
         Evaluate(thresholds, ComputeMeasures(counts, longWords, fogComplexWords))) {
        const bool max = m.threshold.bound == Bound::Max;
        out->push_back({path, 1, 1, ThresholdName(m.threshold),
                        std::string(RowOf(m.threshold.measure).heading) + " " + ValueText(m.value) +
                            " for " + whose + ", " + (max ? "above" : "below") + " the limit of " +
                            ValueText(m.threshold.limit),
                        m.value, m.threshold.limit});
    }
}

} // namespace

Place PlaceOf(const FileFigures& file, const ParagraphFigures* paragraph,
              const SentenceFigures* sentence) {
    Place place;
    place.path = file.path.empty() ? file.name : file.path;
    // A sentence whose line is known but not its column starts somewhere on that line: its
    // first column is the nearest known place.
    if (sentence && sentence->line > 0) {
        place.line = sentence->line;
        place.column = sentence->column > 0 ? sentence->column : 1;
    } else if (paragraph && paragraph->line > 0) {
        place.line = paragraph->line;
        place.column = paragraph->column > 0 ? paragraph->column : 1;
    }
    return place;
}

std::string BookPath(const InputFigures& figures) {
    return figures.name;
}

std::vector<FindingRule> RulesInForce(const Thresholds& thresholds) {
    std::vector<FindingRule> rules;
    for (const Threshold& t : thresholds.limits)
        rules.push_back({ThresholdName(t),
                         std::string("A file, or a book as a whole, whose ") +
                             RowOf(t.measure).heading + " is " +
                             (t.bound == Bound::Max ? "above" : "below") + " the limit.",
                         t.limit});
    if (thresholds.maxSentenceLength)
        rules.push_back({kMaxSentenceLengthName, "A sentence of more words than the limit.",
                         *thresholds.maxSentenceLength});
    if (thresholds.maxParagraphGrade)
        rules.push_back({kMaxParagraphGradeName,
                         "A paragraph of " + std::to_string(kHardestMinSentences) +
                             " sentences or more whose Flesch-Kincaid grade is above the limit.",
                         *thresholds.maxParagraphGrade});
    return rules;
}

void AddParagraphFindings(const FileFigures& f, const ParagraphFigures& p,
                          const Thresholds& thresholds, std::vector<Finding>* out) {
    if (thresholds.maxParagraphGrade && p.counts.sentences >= kHardestMinSentences) {
        // Graded as the hot spots rank it: by the paragraph's language's grade formula, named
        // where it is not English's Flesch-Kincaid.
        const double grade = ShownValue(GradeOf(p.counts, p.longWords, p.language));
        const double limit = *thresholds.maxParagraphGrade;
        if (std::isfinite(grade) && grade > limit) {
            const Place at = PlaceOf(f, &p);
            const std::string label = GradeLabel(p.language);
            const std::string graded = label.empty()
                                           ? "Flesch-Kincaid grade " + ValueText(grade)
                                           : "grade " + ValueText(grade) + " (" + label + ")";
            out->push_back({at.path, at.line, at.column, kMaxParagraphGradeName,
                            "paragraph at " + graded + ", above the limit of " + ValueText(limit) +
                                ": " + Quoted(p.text),
                            grade, limit});
        }
    }
    if (!thresholds.maxSentenceLength)
        return;
    const double limit = *thresholds.maxSentenceLength;
    for (const SentenceFigures& s : p.sentences) {
        if (s.counts.words <= limit)
            continue;
        const Place at = PlaceOf(f, &p, &s);
        out->push_back({at.path, at.line, at.column, kMaxSentenceLengthName,
                        "sentence of " + std::to_string(s.counts.words) +
                            " words, more than the limit of " + FigureText(limit) + ": " +
                            Quoted(std::string_view(p.text).substr(s.offset, s.length)),
                        static_cast<double>(s.counts.words), limit});
    }
}

std::vector<Finding> FileFindings(const FileFigures& f, const Thresholds& thresholds) {
    std::vector<Finding> findings;
    if (!f.opened)
        return findings;
    AddFileMisses(PlaceOf(f).path, "the file", f.totals, f.longWords, f.fogComplexWords, thresholds,
                  &findings);
    for (const ParagraphFigures& p : f.paragraphs)
        AddParagraphFindings(f, p, thresholds, &findings);
    return findings;
}

std::vector<Finding> FileFindings(const FileFigures& f, const Thresholds& thresholds,
                                  const std::vector<Finding>& paragraphFindings) {
    std::vector<Finding> findings = FileFindings(f, thresholds);
    if (f.opened)
        findings.insert(findings.end(), paragraphFindings.begin(), paragraphFindings.end());
    return findings;
}

bool FindingCollector::Take(std::size_t index, const FileFigures& file,
                            ParagraphFigures& paragraph) {
    if (byFile_.size() <= index)
        byFile_.resize(index + 1);
    AddParagraphFindings(file, paragraph, thresholds_, &byFile_[index]);
    return false;
}

bool FindingCollector::WantsPlace(const ParagraphFigures&, const SentenceFigures& s) const {
    return thresholds_.maxSentenceLength && s.counts.words > *thresholds_.maxSentenceLength;
}

const std::vector<Finding>& FindingCollector::Of(std::size_t index) const {
    static const std::vector<Finding> none;
    return index < byFile_.size() ? byFile_[index] : none;
}

std::vector<Finding> TotalFindings(const std::string& path, const char* whose,
                                   const ReadabilityCounts& counts, std::int32_t longWords,
                                   std::int32_t fogComplexWords, const Thresholds& thresholds) {
    std::vector<Finding> findings;
    AddFileMisses(path, whose, counts, longWords, fogComplexWords, thresholds, &findings);
    return findings;
}

std::vector<Finding> BookFindings(const InputFigures& figures, const Thresholds& thresholds) {
    std::vector<Finding> findings;
    if (figures.isBook)
        AddFileMisses(BookPath(figures), "the book as a whole", figures.totals, figures.longWords,
                      figures.fogComplexWords, thresholds, &findings);
    return findings;
}

std::vector<Finding> CollectFindings(const InputFigures& figures, const Thresholds& thresholds) {
    std::vector<Finding> findings;
    for (const FileFigures& f : figures.files) {
        std::vector<Finding> more = FileFindings(f, thresholds);
        findings.insert(findings.end(), more.begin(), more.end());
    }
    std::vector<Finding> book = BookFindings(figures, thresholds);
    findings.insert(findings.end(), book.begin(), book.end());
    return findings;
}

} // namespace lxtool
