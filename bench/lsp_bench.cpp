// The language server's re-measure of a changed buffer: a generated Markdown manual of 10,000
// words sent as a full-text change, through the whole server (the message parsed, the buffer read
// from memory and counted, its findings collected and the diagnostics serialised), with other
// buffers open beside it, which a change must not measure again. The target: 50 ms.
#include "bench/source_gen.h"
#include "tool/lsp/server.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

using nlohmann::json;
using lxtool::lsp::Frame;

constexpr int kWords = 10000;

Frame MessageFrame(const json& message) {
    Frame f;
    f.kind = Frame::Kind::Message;
    f.body = message.dump();
    return f;
}

json Notification(const char* method, json params) {
    return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

// A folder with a configuration, so that the buffers have thresholds to miss.
std::string BenchFolder() {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / "lexameter-lsp-bench";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / ".lexameter.toml") << "[thresholds]\nmax_fkgl = 6\n";
    return dir.string();
}

void BM_ChangeOf10000Words(benchmark::State& state) {
    const std::string folder = BenchFolder();
    std::size_t sent = 0;
    lxtool::lsp::Server server(
        {}, [&](const json& m) { sent += m.dump().size(); }, std::cerr);
    server.Receive(MessageFrame({{"jsonrpc", "2.0"},
                                 {"id", 1},
                                 {"method", "initialize"},
                                 {"params", {{"capabilities", json::object()}}}}));
    const std::string text = lxbench::GenerateSource(lxbench::SourceFormat::Markdown, kWords);
    const int others = static_cast<int>(state.range(0));
    for (int i = 0; i <= others; ++i)
        server.Receive(MessageFrame(Notification(
            "textDocument/didOpen",
            {{"textDocument",
              {{"uri", "file://" + folder + "/page" + std::to_string(i) + ".md"},
               {"languageId", "markdown"},
               {"version", 1},
               {"text", text}}}})));
    const std::string uri = "file://" + folder + "/page0.md";
    // Two texts in turn, so that every change is a change.
    const std::string texts[] = {text, text + "\nOne more sentence is here.\n"};
    std::int64_t version = 1;
    for (auto _ : state) {
        state.PauseTiming();
        const Frame change = MessageFrame(Notification(
            "textDocument/didChange",
            {{"textDocument", {{"uri", uri}, {"version", ++version}}},
             {"contentChanges", json::array({{{"text", texts[version % 2]}}})}}));
        state.ResumeTiming();
        server.Receive(change);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["words"] = kWords;
    benchmark::DoNotOptimize(sent);
}
BENCHMARK(BM_ChangeOf10000Words)->Arg(0)->Arg(10)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
