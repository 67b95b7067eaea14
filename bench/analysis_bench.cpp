// The readability analysis and the word lists through the host API, on generated documents in
// the headless host's model, with the client connected in-process as the plug-in is:
//  - CountDocument over 1,000,000 words, in bytes of paragraph text per second;
//  - CollectWords, StrListSort with CompareWords and CountWordOccurrences over 1,000,000 words
//    with about 50,000 distinct words;
//  - WriteWordList and WriteUniqueWordTotal of 100,000 distinct words with counts.
#include "analysis/traversal.h"
#include "analysis/words.h"
#include "bench/mif_gen.h"
#include "host/api/host.h"
#include "host/formats/mif_reader.h"
#include "output/word_list.h"
#include "runtime/api.h"
#include "runtime/connection.h"
#include "support/enc.h"
#include "support/enc_convert.h"
#include "support/str_list.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kMillionWords = 1000000;
constexpr int kDistinctWords = 50000;
constexpr int kListWords = 100000;

// One host for the whole run, connected to the client as the plug-in's start-up does.
class BenchHost {
  public:
    BenchHost() {
        host_.SetAlertStream(nullptr);
        host_.SetConsoleStream(nullptr);
        if (ClientConnect(&host_) != 0) {
            std::fprintf(stderr, "analysis_bench: the client did not connect to the host\n");
            std::exit(1);
        }
        host_.session().installDir = LX_BENCH_INSTALL_DIR;
        EncHostGetString = ApiGetString;
        EncStartup();
        ConsoleCallback = ApiPrintConsole;
    }
    ~BenchHost() {
        ConsoleCallback = nullptr;
        ClientShutdown();
    }

    lxhost::Session& session() { return host_.session(); }

    // A document of the model read from generated MIF; 0 (and the reason on stderr) on failure.
    ObjectId Read(const lxbench::MifGenOptions& options) {
        const std::string mif = lxbench::GenerateMif(options);
        lxhost::Document& doc = session().NewDocument();
        std::string error;
        if (!lxhost::ReadMifDocument(mif, "bench.mif", doc, {}, &error)) {
            std::fprintf(stderr, "analysis_bench: %s\n", error.c_str());
            return 0;
        }
        return doc.id();
    }

    // The bytes of text in the document's paragraphs.
    std::size_t TextBytes(ObjectId id) {
        std::size_t bytes = 0;
        if (lxhost::Document* doc = session().FindDocument(id))
            for (const lxhost::Paragraph& p : doc->paras)
                bytes += p.body.text().size();
        return bytes;
    }

  private:
    lxhost::Host host_;
};

BenchHost& Bench() {
    static BenchHost bench;
    return bench;
}

ObjectId PlainDocument() {
    static const ObjectId id = Bench().Read({.words = kMillionWords});
    return id;
}

ObjectId ManyWordsDocument() {
    static const ObjectId id = Bench().Read({.words = kMillionWords, .distinct = kDistinctWords});
    return id;
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

void BM_CountDocument_1MWords(benchmark::State& state) {
    const ObjectId doc = PlainDocument();
    if (doc == 0) {
        state.SkipWithError("the document was not read");
        return;
    }
    ReadabilityCounts counts{};
    for (auto _ : state) {
        counts = {};
        CountDocument(doc, &counts);
        benchmark::DoNotOptimize(counts);
    }
    const std::size_t bytes = Bench().TextBytes(doc);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["text_MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["words"] = counts.words;
    state.counters["sentences"] = counts.sentences;
    state.counters["paragraphs"] = counts.paragraphs;
}
BENCHMARK(BM_CountDocument_1MWords)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The three steps of a with-counts word list of one document, timed one by one.
void BM_WordList_1MWords_50kDistinct(benchmark::State& state) {
    const ObjectId doc = ManyWordsDocument();
    if (doc == 0) {
        state.SkipWithError("the document was not read");
        return;
    }
    using Clock = std::chrono::steady_clock;
    double collect = 0, sort = 0, count = 0;
    std::uint32_t distinct = 0;
    std::int64_t occurrences = 0;
    for (auto _ : state) {
        StrList* list = StrListNew(1, 1);
        const auto t0 = Clock::now();
        CollectWords(doc, list);
        const auto t1 = Clock::now();
        StrListSort(list, CompareWords);
        const auto t2 = Clock::now();
        WordCounts counts = WordCountsNew(StrListCount(list));
        CountWordOccurrences(doc, list, &counts);
        const auto t3 = Clock::now();
        collect += Seconds(t1 - t0);
        sort += Seconds(t2 - t1);
        count += Seconds(t3 - t2);
        distinct = StrListCount(list);
        occurrences = 0;
        for (std::uint32_t i = 0; i < counts.count; ++i)
            occurrences += counts.items[i];
        WordCountsFree(&counts);
        StrListFree(list);
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["collect_ms"] = collect / n * 1e3;
    state.counters["sort_ms"] = sort / n * 1e3;
    state.counters["count_ms"] = count / n * 1e3;
    state.counters["distinct"] = distinct;
    state.counters["occurrences"] = static_cast<double>(occurrences);
}
BENCHMARK(BM_WordList_1MWords_50kDistinct)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Writing the with-counts list of distinct words (100,000, and a quarter of that to show that the
// cost per word does not grow with the document) into a new output document of the model; the
// document is closed again outside the timing.
void BM_WriteWordList(benchmark::State& state) {
    const auto words = static_cast<int>(state.range(0));
    StrList* list = StrListNew(static_cast<std::uint32_t>(words), 1);
    for (int i = 0; i < words; ++i) {
        std::string word = lxbench::MadeUpWord(i);
        // Every tenth word also capitalised, so that the unique total has folding to do.
        if (i % 10 == 0)
            word[0] = static_cast<char>(word[0] - 'a' + 'A');
        StrListAppend(list, word.c_str());
    }
    StrListSort(list, CompareWords);
    WordCounts counts = WordCountsNew(StrListCount(list));
    for (std::uint32_t i = 0; i < counts.count; ++i)
        counts.items[i] = static_cast<std::int32_t>(1 + i % 977);
    std::size_t paragraphs = 0;
    for (auto _ : state) {
        ObjectId out = WriteWordList(list, &counts);
        WriteUniqueWordTotal(list, out);
        state.PauseTiming();
        if (lxhost::Document* doc = Bench().session().FindDocument(out))
            paragraphs = doc->paras.size();
        ApiClose(out, kCloseFlags);
        state.ResumeTiming();
    }
    WordCountsFree(&counts);
    StrListFree(list);
    state.counters["paragraphs"] = static_cast<double>(paragraphs);
    state.counters["time_per_word"] = benchmark::Counter(
        static_cast<double>(words),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_WriteWordList)
    ->Arg(kListWords / 4)
    ->Arg(kListWords)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
