// `lexameter explain`: why a text counts as it does. Each counted sentence on a line of its own
// with its words, each word's syllables and its complex words marked, under the profile in force.
#include "analysis/precise/languages.h"
#include "analysis/precise/precise.h"
#include "analysis/tokenizer.h"
#include "tool/commands.h"
#include "tool/run.h"

#include <ostream>

namespace lxtool {

namespace {

struct ExplainedWord {
    std::string text; // UTF-8
    int syllables = 1;
    bool complex = false;    // SMOG's complex word
    bool fogComplex = false; // Gunning Fog's
};

// The words of a counted sentence (host bytes) as the profile counts them, the precise profile
// in the language its paragraph was counted in (English when the code is none it knows).
std::vector<ExplainedWord> WordsOf(std::string_view sentence, Counting counting,
                                   std::string_view languageCode) {
    std::vector<ExplainedWord> words;
    if (counting == Counting::Precise) {
        const lxprecise::Language* found = lxprecise::FindLanguage(languageCode);
        const lxprecise::Language& language = found ? *found : lxprecise::English();
        const std::string utf8 = Utf8OfHostText(sentence);
        bool first = true;
        for (const lxprecise::Span& s : lxprecise::Words(utf8)) {
            const lxprecise::Word counted = lxprecise::CountWord(
                std::string_view(utf8).substr(s.offset, s.length), first, language);
            words.push_back({std::string(counted.text), counted.syllables, counted.complex,
                             counted.fogComplex});
            first = false;
        }
        return words;
    }
    std::size_t pos = 0;
    std::string_view word;
    while (NextWordView(sentence, &pos, &word)) {
        const std::string_view trimmed = TrimPunctuationView(word);
        ExplainedWord w;
        w.text = Utf8OfHostText(trimmed);
        w.syllables = CountSyllablesView(trimmed);
        w.complex = w.syllables >= kComplexWordSyllables;
        w.fogComplex = w.complex;
        words.push_back(std::move(w));
    }
    return words;
}

// "word/2", with "*" after a complex word and "~" after one that only SMOG counts as complex.
std::string Shown(const ExplainedWord& w) {
    std::string text = (w.text.empty() ? "\"\"" : w.text) + "/" + std::to_string(w.syllables);
    if (w.complex)
        text += w.fogComplex ? "*" : "~";
    return text;
}

} // namespace

int RunExplain(const ToolCommand&, const ToolOptions& options, std::ostream& out,
               std::ostream& err) {
    Measured m = MeasureInput(options, options.excludeFormats, err);
    RunReport report = ReportOf(options, m, m.status);
    nlohmann::json files = nlohmann::json::array();
    const bool book = m.figures.files.size() > 1;
    if (!options.json && !m.figures.files.empty())
        out << "Counting: " << CountingName(options.counting)
            << " (word/syllables; * complex; ~ complex for SMOG, not for Gunning Fog)\n";
    for (const FileFigures& f : m.figures.files) {
        nlohmann::json sentences = nlohmann::json::array();
        if (book && !options.json)
            out << "\n" << f.name << "\n";
        int number = 0;
        for (const ParagraphFigures& p : f.paragraphs) {
            for (const SentenceFigures& s : p.sentences) {
                const std::string_view text = std::string_view(p.text).substr(s.offset, s.length);
                const std::vector<ExplainedWord> words =
                    WordsOf(text, options.counting, p.language);
                ++number;
                if (options.json) {
                    nlohmann::json list = nlohmann::json::array();
                    for (const ExplainedWord& w : words)
                        list.push_back({{"word", w.text},
                                        {"syllables", w.syllables},
                                        {"complex", w.complex},
                                        {"fogComplex", w.fogComplex}});
                    nlohmann::json sentence = {{"paragraph", p.number},
                                               {"text", Utf8OfHostText(text)},
                                               {"words", std::move(list)}};
                    if (options.counting == Counting::Precise)
                        sentence["language"] = p.language;
                    sentences.push_back(std::move(sentence));
                    continue;
                }
                // A sentence counted in another language than English names it, so a reader
                // knows whose syllable rules the figures follow.
                out << number << ". [";
                if (p.language != lxprecise::kEnglish)
                    out << p.language << "; ";
                out << s.counts.words << (s.counts.words == 1 ? " word, " : " words, ")
                    << s.counts.syllables
                    << (s.counts.syllables == 1 ? " syllable]" : " syllables]");
                for (const ExplainedWord& w : words)
                    out << " " << Shown(w);
                out << "\n";
            }
        }
        files.push_back({{"file", f.name}, {"sentences", std::move(sentences)}});
    }
    if (options.json)
        report.extra["explain"] = {{"files", std::move(files)}};
    return Finish(options, report, out, err);
}

} // namespace lxtool
