// Reading a generated MIF document of 1,000,000 words: throughput (bytes of MIF per second) and
// the heap the reader and the model take (peak bytes allocated while reading, over the file's
// size). Also the model's side of reading the document back paragraph by paragraph.
#include "bench/mif_gen.h"
#include "host/formats/mif_reader.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

namespace {

// Heap accounting for this benchmark binary: every allocation carries its size in front.
std::atomic<std::size_t> gLive{0};
std::atomic<std::size_t> gPeak{0};
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* CountedAlloc(std::size_t n) {
    auto* p = static_cast<unsigned char*>(std::malloc(n + kHeader));
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    *reinterpret_cast<std::size_t*>(p) = n;
    const std::size_t live = gLive.fetch_add(n) + n;
    std::size_t peak = gPeak.load();
    while (live > peak && !gPeak.compare_exchange_weak(peak, live)) {
    }
    return p + kHeader;
}

void CountedFree(void* q) {
    if (q == nullptr) {
        return;
    }
    auto* p = static_cast<unsigned char*>(q) - kHeader;
    gLive.fetch_sub(*reinterpret_cast<std::size_t*>(p));
    std::free(p);
}

const std::string& Document1M() {
    static const std::string mif = lxbench::GenerateMif({.words = 1000000});
    return mif;
}

void BM_ReadMif1MWords(benchmark::State& state) {
    const std::string& mif = Document1M();
    std::size_t paragraphs = 0;
    double ratio = 0;
    for (auto _ : state) {
        const std::size_t before = gLive.load();
        gPeak.store(before);
        {
            lxhost::Session session;
            lxhost::Document& doc = session.NewDocument();
            std::string error;
            if (!lxhost::ReadMifDocument(mif, "bench.mif", doc, {}, &error)) {
                state.SkipWithError(error.c_str());
                return;
            }
            paragraphs = doc.paras.size();
        }
        ratio = static_cast<double>(gPeak.load() - before) / static_cast<double>(mif.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * mif.size()));
    state.counters["file_MB"] = static_cast<double>(mif.size()) / 1e6;
    state.counters["paragraphs"] = static_cast<double>(paragraphs);
    state.counters["peak_heap_per_file_byte"] = ratio;
}
BENCHMARK(BM_ReadMif1MWords)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_GetTextAllParagraphs(benchmark::State& state) {
    lxhost::Session session;
    lxhost::Document& doc = session.NewDocument();
    std::string error;
    lxhost::ReadMifDocument(Document1M(), "bench.mif", doc, {}, &error);
    std::vector<lxhost::TextPiece> items;
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        const lxhost::Flow& flow = doc.flows.front();
        for (ObjectId p = flow.firstPara; p != 0;) {
            session.GetText(doc.id(), {{p, 0}, {p, kTextOffsetEnd}}, 1, &items);
            for (const lxhost::TextPiece& t : items) {
                bytes += t.text.size();
            }
            session.GetId(0, p, lxhost::kPropNextParagraph, &p);
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_GetTextAllParagraphs)->Unit(benchmark::kMillisecond);

} // namespace

void* operator new(std::size_t n) {
    return CountedAlloc(n);
}
void* operator new[](std::size_t n) {
    return CountedAlloc(n);
}
void operator delete(void* p) noexcept {
    CountedFree(p);
}
void operator delete[](void* p) noexcept {
    CountedFree(p);
}
void operator delete(void* p, std::size_t) noexcept {
    CountedFree(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    CountedFree(p);
}

BENCHMARK_MAIN();
