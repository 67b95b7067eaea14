// The word tables alone, without the host or the tokenizer around them:
//  - the tool's word occurrences: 1,000,000 words of about 50,000 distinct ones counted in
//    paragraph-sized batches, then every distinct word looked up once;
//  - the plug-in's unique-word total of a sorted list of 100,000 words (every tenth capitalised),
//    which looks each word's small form up in the list.
#include "bench/mif_gen.h"
#include "output/word_list.h"
#include "support/str_list.h"
#include "tool/figures.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kMillionWords = 1000000;
constexpr int kDistinctWords = 50000;
constexpr int kListWords = 100000;
constexpr std::size_t kParagraphWords = 20;

// The vocabulary, and a million draws from it.
struct Corpus {
    std::vector<std::string> vocabulary;
    std::vector<std::string_view> text;
};

const Corpus& MillionWords() {
    static const Corpus corpus = [] {
        Corpus c;
        for (int i = 0; i < kDistinctWords; ++i)
            c.vocabulary.push_back(lxbench::MadeUpWord(i));
        std::mt19937 random(12345);
        std::uniform_int_distribution<int> pick(0, kDistinctWords - 1);
        c.text.reserve(kMillionWords);
        for (int i = 0; i < kMillionWords; ++i)
            c.text.push_back(c.vocabulary[static_cast<std::size_t>(pick(random))]);
        return c;
    }();
    return corpus;
}

void BM_WordOccurrences_1MWords_50kDistinct(benchmark::State& state) {
    const Corpus& corpus = MillionWords();
    std::size_t found = 0;
    for (auto _ : state) {
        lxtool::WordOccurrences occurrences;
        for (std::size_t at = 0; at < corpus.text.size(); at += kParagraphWords) {
            const std::size_t n = std::min(kParagraphWords, corpus.text.size() - at);
            occurrences.CountAll(corpus.text.data() + at, n, at % 3 == 0);
        }
        found = 0;
        for (const std::string& word : corpus.vocabulary)
            found += occurrences.Find(word) != nullptr;
        benchmark::DoNotOptimize(found);
    }
    state.counters["distinct"] = static_cast<double>(found);
}
BENCHMARK(BM_WordOccurrences_1MWords_50kDistinct)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_UniqueWordCount_100k(benchmark::State& state) {
    StrList* list = StrListNew(kListWords, 1);
    for (int i = 0; i < kListWords; ++i) {
        std::string word = lxbench::MadeUpWord(i);
        if (i % 10 == 0)
            word[0] = static_cast<char>(word[0] - 'a' + 'A');
        StrListAppend(list, word.c_str());
        if (i % 20 == 0) { // and half of those also in small letters
            word[0] = static_cast<char>(word[0] - 'A' + 'a');
            StrListAppend(list, word.c_str());
        }
    }
    std::int32_t unique = 0;
    for (auto _ : state) {
        unique = UniqueWordCount(list);
        benchmark::DoNotOptimize(unique);
    }
    StrListFree(list);
    state.counters["unique"] = unique;
}
BENCHMARK(BM_UniqueWordCount_100k)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
