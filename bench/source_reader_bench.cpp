// Reading documentation sources into the model: a generated manual of 1,000,000 words as
// Markdown and as HTML, in bytes of source per second. The parsers alone, as the readers set them
// up but without building anything, give the bound that the readers cannot pass.
#include "bench/source_gen.h"
#include "host/formats/markup.h"

#include <benchmark/benchmark.h>
#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm.h>
#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>

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

// cmark-gfm with the readers' extensions and options: parse, then free the tree.
void BM_CmarkGfmAlone1MWords(benchmark::State& state) {
    static const std::string source =
        lxbench::GenerateSource(lxbench::SourceFormat::Markdown, 1000000);
    cmark_gfm_core_extensions_ensure_registered();
    for (auto _ : state) {
        cmark_parser* parser = cmark_parser_new(CMARK_OPT_DEFAULT | CMARK_OPT_FOOTNOTES);
        for (const char* name : {"table", "strikethrough", "autolink", "tasklist"}) {
            cmark_parser_attach_syntax_extension(parser, cmark_find_syntax_extension(name));
        }
        cmark_parser_feed(parser, source.data(), source.size());
        cmark_node* root = cmark_parser_finish(parser);
        benchmark::DoNotOptimize(root);
        cmark_node_free(root);
        cmark_parser_free(parser);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_CmarkGfmAlone1MWords)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// libxml2's HTML parser with the reader's options and callbacks that do nothing.
void BM_LibxmlHtmlAlone1MWords(benchmark::State& state) {
    static const std::string source = lxbench::GenerateSource(lxbench::SourceFormat::Html, 1000000);
    for (auto _ : state) {
        htmlParserCtxtPtr ctxt =
            htmlCreateMemoryParserCtxt(source.data(), static_cast<int>(source.size()));
        htmlSAXHandler sax{};
        sax.startElement = [](void*, const xmlChar*, const xmlChar**) {};
        sax.endElement = [](void*, const xmlChar*) {};
        sax.characters = [](void*, const xmlChar*, int) {};
        sax.ignorableWhitespace = sax.characters;
        *ctxt->sax = sax;
        xmlSwitchEncoding(ctxt, XML_CHAR_ENCODING_UTF8);
        htmlCtxtUseOptions(ctxt, HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                     HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC);
        htmlParseDocument(ctxt);
        htmlFreeParserCtxt(ctxt);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_LibxmlHtmlAlone1MWords)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
