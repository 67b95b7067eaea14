// Findings: each place in the documents where a threshold or rule is missed, with the file, line
// and column a writer is taken to. The checks of `lexameter check` and any other front end (an
// editor's) collect them here from the figures and the thresholds in force, apart from how they
// are printed.
#pragma once

#include "tool/figures.h"
#include "tool/thresholds.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lxtool {

struct Finding {
    std::string path;       // the file as it can be opened, or its name where the path is not known
    std::uint32_t line = 1; // 1-based
    std::uint32_t column = 1; // 1-based
    std::string rule;         // the rule's id: the option that sets it, "max-sentence-length"
    std::string message;      // names the figure and the limit; UTF-8, no control characters
    double figure = 0;        // as shown
    double limit = 0;
};

// A rule in force, as a report lists the rules it checked.
struct FindingRule {
    std::string id;          // "max-smog", "max-sentence-length"
    std::string description; // one sentence: what it finds
    double limit = 0;
};

// Where a finding lies: the sentence's start, else its paragraph's, else the file's start; the
// file's path, else its name. Every finding is placed through this one function, so that a
// position not known yet reads as line 1, column 1 of the file.
struct Place {
    std::string path;
    std::uint32_t line = 1;
    std::uint32_t column = 1;
};
Place PlaceOf(const FileFigures& file, const ParagraphFigures* paragraph = nullptr,
              const SentenceFigures* sentence = nullptr);

// The rules in force: the file thresholds in measure order, then the sentence and the paragraph
// rule.
std::vector<FindingRule> RulesInForce(const Thresholds& thresholds);

// The findings of one file: its missed thresholds at its start, then its paragraphs' and
// sentences' findings in text order; none when it could not be read.
std::vector<Finding> FileFindings(const FileFigures& file, const Thresholds& thresholds);
// The findings of one file from its paragraphs' findings gathered during the walk (see
// FindingCollector): its missed thresholds at its start, then those.
std::vector<Finding> FileFindings(const FileFigures& file, const Thresholds& thresholds,
                                  const std::vector<Finding>& paragraphFindings);
// The findings of one paragraph and its sentences, in text order, appended to out.
void AddParagraphFindings(const FileFigures& file, const ParagraphFigures& paragraph,
                          const Thresholds& thresholds, std::vector<Finding>* out);

// The paragraphs' and sentences' findings of every file, gathered while the files are walked:
// only the findings are kept, not the paragraphs. The sentence and paragraph rules do not depend
// on a file's language, so the thresholds are those of the run.
class FindingCollector : public ParagraphSink {
  public:
    explicit FindingCollector(const Thresholds& thresholds) : thresholds_(thresholds) {}
    bool Take(std::size_t index, const FileFigures& file, ParagraphFigures& paragraph) override;
    // The places of the sentences the sentence rule finds.
    bool WantsPlace(const ParagraphFigures& paragraph,
                    const SentenceFigures& sentence) const override;
    // The findings of the file at index among the input's files; none when it has none.
    const std::vector<Finding>& Of(std::size_t index) const;

  private:
    Thresholds thresholds_;
    std::vector<std::vector<Finding>> byFile_;
};

// The thresholds a book as a whole misses, at the start of the book (its name).
std::vector<Finding> BookFindings(const InputFigures& figures, const Thresholds& thresholds);
// The thresholds a total misses (a book's, or its files' in one language), at the start of path;
// whose names what was measured in the message ("the book as a whole").
std::vector<Finding> TotalFindings(const std::string& path, const char* whose,
                                   const ReadabilityCounts& counts, std::int32_t longWords,
                                   std::int32_t fogComplexWords, const Thresholds& thresholds);

// Every finding of the figures against the thresholds, file by file in the input's order: a
// file's missed thresholds at its start, then its paragraphs' and sentences' findings in text
// order; then a book's missed thresholds as a whole, at the start of the book (its name). A file
// that could not be read has none.
std::vector<Finding> CollectFindings(const InputFigures& figures, const Thresholds& thresholds);

// The book's name as findings of the book as a whole give it.
std::string BookPath(const InputFigures& figures);

} // namespace lxtool
