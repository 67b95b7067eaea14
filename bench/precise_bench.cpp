// The precise counting profile beside the classic one, in bytes of text per second: the same
// generated paragraphs of technical prose counted by both, and the cost of looking up words that
// espeak-ng has not pronounced yet (each distinct word is looked up once, then cached).
#include "analysis/precise/precise.h"
#include "analysis/tokenizer.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

namespace {

// Paragraphs of technical prose: a vocabulary of documentation words, identifiers, paths,
// abbreviations and numbers, one sentence end in about twelve words.
std::vector<std::string> Paragraphs(std::size_t total) {
    static const char* const vocabulary[] = {"the",
                                             "configuration",
                                             "file",
                                             "is",
                                             "read",
                                             "once",
                                             "install",
                                             "package",
                                             "with",
                                             "option",
                                             "--verbose",
                                             "see",
                                             "Dr.",
                                             "e.g.",
                                             "3.14",
                                             "CVE-2025-27613",
                                             "/usr/share/doc",
                                             "service",
                                             "restart",
                                             "and/or",
                                             "readability",
                                             "documentation",
                                             "parameter",
                                             "value",
                                             "default",
                                             "interesting",
                                             "uploaded",
                                             "Mr.",
                                             "server",
                                             "client",
                                             "network",
                                             "directory",
                                             "permission",
                                             "user",
                                             "(optional)",
                                             "\"quoted\"",
                                             "well-known",
                                             "p.m.",
                                             "Monday",
                                             "idea"};
    static const char* const endings[] = {". ", ": ", "; ", "? ", "... "};
    std::mt19937 rng(42);
    std::uniform_int_distribution<std::size_t> word(0, std::size(vocabulary) - 1);
    std::uniform_int_distribution<int> event(0, 99);
    std::uniform_int_distribution<std::size_t> ending(0, std::size(endings) - 1);
    std::uniform_int_distribution<std::size_t> length(80, 700);
    std::vector<std::string> paragraphs;
    std::size_t size = 0;
    while (size < total) {
        std::string p;
        const std::size_t target = length(rng);
        while (p.size() < target) {
            p += vocabulary[word(rng)];
            const int e = event(rng);
            p += e < 8 ? endings[e < 5 ? 0 : ending(rng)] : e < 18 ? ", " : " ";
        }
        size += p.size();
        paragraphs.push_back(std::move(p));
    }
    return paragraphs;
}

constexpr std::size_t kTextBytes = 256 * 1024;

void Classic(benchmark::State& state) {
    const std::vector<std::string> paragraphs = Paragraphs(kTextBytes);
    std::size_t bytes = 0;
    for (auto _ : state) {
        ReadabilityCounts counts{};
        for (const std::string& p : paragraphs) {
            CountText(p, &counts);
            bytes += p.size();
        }
        benchmark::DoNotOptimize(counts);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(Classic)->Unit(benchmark::kMillisecond);

void Precise(benchmark::State& state) {
    std::string why;
    if (!lxprecise::Available(&why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    const std::vector<std::string> paragraphs = Paragraphs(kTextBytes);
    std::size_t bytes = 0;
    for (auto _ : state) {
        ReadabilityCounts counts{};
        std::int32_t fog = 0;
        for (const std::string& p : paragraphs) {
            lxprecise::CountText(p, &counts, &fog);
            bytes += p.size();
        }
        benchmark::DoNotOptimize(counts);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(Precise)->Unit(benchmark::kMillisecond);

// Words espeak-ng has not pronounced before: every iteration asks for new ones.
void PreciseNewWords(benchmark::State& state) {
    std::string why;
    if (!lxprecise::Available(&why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    static const char* const stems[] = {"config", "install", "read", "docu", "param", "serv"};
    static const char* const tails[] = {"ation", "ment", "ability", "er", "ing", "ed"};
    std::int64_t n = 0;
    for (auto _ : state) {
        std::string word = stems[n % 6];
        word += tails[(n / 6) % 6];
        for (std::int64_t k = n / 36; k > 0; k /= 26)
            word += static_cast<char>('a' + k % 26);
        benchmark::DoNotOptimize(lxprecise::Syllables(word));
        ++n;
    }
    state.SetItemsProcessed(n);
}
BENCHMARK(PreciseNewWords);

} // namespace

BENCHMARK_MAIN();
