// Reading documentation sources into the model: a generated manual of 1,000,000 words as
// Markdown and as HTML, in bytes of source per second.
#include "bench/source_gen.h"
#include "host/files/markup.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

template <lxbench::SourceFormat Format> void BM_ReadSource1MWords(benchmark::State& state) {
    static const std::string source = lxbench::GenerateSource(Format, 1000000);
    std::size_t paragraphs = 0;
    for (auto _ : state) {
        lxhost::Session session;
        lxhost::Document& doc = session.NewDocument();
        std::string error;
        const bool ok = Format == lxbench::SourceFormat::Markdown
                            ? lxhost::ReadMarkdown(source, doc, {}, &error)
                            : lxhost::ReadHtml(source, doc, {}, &error);
        if (!ok) {
            state.SkipWithError(error.c_str());
            return;
        }
        paragraphs = doc.paras.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
    state.counters["file_MB"] = static_cast<double>(source.size()) / 1e6;
    state.counters["paragraphs"] = static_cast<double>(paragraphs);
}
BENCHMARK(BM_ReadSource1MWords<lxbench::SourceFormat::Markdown>)
    ->Name("BM_ReadMarkdown1MWords")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK(BM_ReadSource1MWords<lxbench::SourceFormat::Html>)
    ->Name("BM_ReadHtml1MWords")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
