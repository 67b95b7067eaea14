// Throughput of the tokenizer and counters in bytes of text per second: many short paragraphs,
// and one paragraph of 1 MB, which must cost about the same per byte; counted as joined text, and
// through the whole path of CountParagraphText from a host that serves the text in string runs.
// The cursor routines (which shorten their string on every cut) are measured beside them for
// comparison on short text.
#include "analysis/tokenizer.h"

#include "runtime/connection.h"
#include "support/mem.h"
#include "support/str.h"
#include "tests/analysis/fake_text_host.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kOneMegabyte = 1u << 20;

// English-like prose: words of a small vocabulary with numbers, abbreviations, hyphens and
// quotation marks; about one comma in eight words and one sentence end in fifteen.
std::string Prose(std::size_t bytes, std::mt19937& rng) {
    static const char* const vocabulary[] = {
        "the",      "readability", "of",         "a",          "document",   "depends", "on",
        "sentence", "length",      "and",        "word",       "complexity", "Mr.",     "e.g.",
        "3.14",     "1,234",       "well-known", "\"quoted\"", "beautiful",  "rhythm",  "idea",
        "table",    "(aside)",     "don't",      "measure",    "writers",    "often",   "use",
        "short",    "words",       "technical",  "manuals",    "are",        "read",    "by",
        "people",   "in",          "a",          "hurry",      "to",         "find",    "answers"};
    static const char* const endings[] = {". ", "! ", "? ", ": "};
    std::uniform_int_distribution<std::size_t> word(0, std::size(vocabulary) - 1);
    std::uniform_int_distribution<int> event(0, 119);
    std::uniform_int_distribution<std::size_t> ending(0, std::size(endings) - 1);
    std::string text;
    text.reserve(bytes + 32);
    while (text.size() < bytes) {
        text += vocabulary[word(rng)];
        const int e = event(rng);
        if (e < 8)
            text += endings[e < 5 ? 0 : ending(rng)];
        else if (e < 23)
            text += ", ";
        else
            text += ' ';
    }
    text.resize(bytes);
    return text;
}

std::vector<std::string> ShortParagraphs(std::size_t total, std::mt19937& rng) {
    std::uniform_int_distribution<std::size_t> length(40, 600);
    std::vector<std::string> paragraphs;
    for (std::size_t size = 0; size < total;) {
        paragraphs.push_back(Prose(length(rng), rng));
        size += paragraphs.back().size();
    }
    return paragraphs;
}

std::size_t TotalBytes(const std::vector<std::string>& paragraphs) {
    std::size_t total = 0;
    for (const std::string& p : paragraphs)
        total += p.size();
    return total;
}

void BM_CountText_ShortParagraphs(benchmark::State& state) {
    std::mt19937 rng(1);
    const std::vector<std::string> paragraphs = ShortParagraphs(kOneMegabyte, rng);
    for (auto _ : state) {
        ReadabilityCounts counts{};
        for (const std::string& p : paragraphs)
            CountText(p, &counts);
        benchmark::DoNotOptimize(counts);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * TotalBytes(paragraphs)));
}
BENCHMARK(BM_CountText_ShortParagraphs);

void BM_CountText_OneMegabyteParagraph(benchmark::State& state) {
    std::mt19937 rng(2);
    const std::string paragraph = Prose(kOneMegabyte, rng);
    for (auto _ : state) {
        ReadabilityCounts counts{};
        CountText(paragraph, &counts);
        benchmark::DoNotOptimize(counts);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * paragraph.size()));
}
BENCHMARK(BM_CountText_OneMegabyteParagraph);

// One paragraph of 64 KB to 4 MB: the time per byte stays the same as the paragraph grows.
void BM_CountText_OneParagraphBySize(benchmark::State& state) {
    std::mt19937 rng(3);
    const std::string paragraph = Prose(static_cast<std::size_t>(state.range(0)), rng);
    for (auto _ : state) {
        ReadabilityCounts counts{};
        CountText(paragraph, &counts);
        benchmark::DoNotOptimize(counts);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * paragraph.size()));
}
BENCHMARK(BM_CountText_OneParagraphBySize)->RangeMultiplier(4)->Range(64 << 10, 4 << 20);

// The view routines walking every word, as a caller that acts on each word would, on one 1 MB
// paragraph: linear, like CountText, but a word at a time.
void BM_ViewRoutines_OneMegabyteParagraph(benchmark::State& state) {
    std::mt19937 rng(2);
    const std::string paragraph = Prose(kOneMegabyte, rng);
    for (auto _ : state) {
        std::int64_t syllables = 0;
        std::size_t pos = 0;
        std::string_view sentence;
        while (NextSentenceView(paragraph, &pos, &sentence)) {
            std::size_t wordPos = 0;
            std::string_view word;
            while (NextWordView(sentence, &wordPos, &word))
                syllables += CountSyllablesView(TrimPunctuationView(word));
        }
        benchmark::DoNotOptimize(syllables);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * paragraph.size()));
}
BENCHMARK(BM_ViewRoutines_OneMegabyteParagraph);

// The chain of cursor routines, each cut a string of its own, on the same short text.
void BM_CursorRoutines_ShortParagraphs(benchmark::State& state) {
    std::mt19937 rng(1);
    const std::vector<std::string> paragraphs = ShortParagraphs(kOneMegabyte, rng);
    for (auto _ : state) {
        std::int64_t syllables = 0;
        for (const std::string& p : paragraphs) {
            char* cursor = StrDup(p.c_str());
            while (char* sentence = NextSentence(&cursor)) {
                char* wordCursor = sentence;
                while (char* word = NextWord(&wordCursor)) {
                    TrimPunctuation(&word);
                    syllables += CountSyllables(word);
                    MemFree(word);
                }
                MemFree(wordCursor);
            }
            MemFree(cursor);
        }
        benchmark::DoNotOptimize(syllables);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * TotalBytes(paragraphs)));
}
BENCHMARK(BM_CursorRoutines_ShortParagraphs);

// Splits text into string runs of `run` bytes, as a host hands out text in format runs.
std::vector<FakeItem> StringRuns(const std::string& text, std::size_t run) {
    std::vector<FakeItem> items;
    for (std::size_t at = 0; at < text.size(); at += run)
        items.push_back({kTextItemString, text.substr(at, run), 0});
    return items;
}

constexpr std::size_t kRunBytes = 200;

// CountParagraphText over paragraphs fetched from a connected host: the fetch, the copy of the
// host's items, the join and the count.
void CountThroughHost(benchmark::State& state, const std::vector<std::string>& paragraphs) {
    FakeApi api;
    FakeHost host(&api);
    for (const std::string& p : paragraphs)
        api.itemsByObject.push_back(StringRuns(p, kRunBytes));
    if (ClientConnect(&host) != 0) {
        state.SkipWithError("no connection to the host");
        return;
    }
    for (auto _ : state) {
        ReadabilityCounts counts{};
        for (ObjectId object = 0; object < paragraphs.size(); ++object)
            CountParagraphText(1, object, &counts);
        benchmark::DoNotOptimize(counts);
    }
    ClientShutdown();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * TotalBytes(paragraphs)));
}

void BM_CountParagraphText_ShortParagraphs(benchmark::State& state) {
    std::mt19937 rng(1);
    CountThroughHost(state, ShortParagraphs(kOneMegabyte, rng));
}
BENCHMARK(BM_CountParagraphText_ShortParagraphs);

void BM_CountParagraphText_OneMegabyteParagraph(benchmark::State& state) {
    std::mt19937 rng(2);
    CountThroughHost(state, {Prose(kOneMegabyte, rng)});
}
BENCHMARK(BM_CountParagraphText_OneMegabyteParagraph);

} // namespace
