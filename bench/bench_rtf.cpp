// Reading and writing RTF stays linear in the input, also for input made to
// be slow: many attribute changes, many paragraphs, deep nesting.
#include "document/RtfReader.h"
#include "document/RtfWriter.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string repeated(std::string_view piece, std::size_t bytes) {
    std::string rtf = "{\\rtf1{\\fonttbl\\f0 " + std::string(100, 'F') + ";}";
    while (rtf.size() < bytes)
        rtf += piece;
    return rtf + "}";
}

void readRtf(benchmark::State& state, std::string_view piece) {
    const std::string rtf = repeated(piece, static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(qv::richTextFromRTF(rtf));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rtf.size()));
    state.SetComplexityN(state.range(0));
}

void BM_ReadPlainText(benchmark::State& state) {
    readRtf(state, "Lorem ipsum dolor sit amet. ");
}
void BM_ReadAttributeChanges(benchmark::State& state) {
    readRtf(state, "a\\b a\\b0 ");
}
void BM_ReadParagraphs(benchmark::State& state) {
    readRtf(state, "\\par ");
}
void BM_ReadGroups(benchmark::State& state) {
    readRtf(state, "{{{a}}}");
}
void BM_ReadDeepNesting(benchmark::State& state) {
    readRtf(state, "{");
}

void BM_Write(benchmark::State& state) {
    const std::string rtf =
        repeated("Text \\'e9\\u8364? {\\b bold}\\par ", static_cast<std::size_t>(state.range(0)));
    const qv::RichText text = qv::richTextFromRTF(rtf).value();
    for (auto _ : state)
        benchmark::DoNotOptimize(qv::rtfFromRichText(text));
    state.SetComplexityN(state.range(0));
}

} // namespace

BENCHMARK(BM_ReadPlainText)->Range(1 << 12, 1 << 22)->Complexity(benchmark::oN);
BENCHMARK(BM_ReadAttributeChanges)->Range(1 << 12, 1 << 22)->Complexity(benchmark::oN);
BENCHMARK(BM_ReadParagraphs)->Range(1 << 12, 1 << 22)->Complexity(benchmark::oN);
BENCHMARK(BM_ReadGroups)->Range(1 << 12, 1 << 22)->Complexity(benchmark::oN);
BENCHMARK(BM_ReadDeepNesting)->Range(1 << 12, 1 << 22)->Complexity(benchmark::oN);
BENCHMARK(BM_Write)->Range(1 << 12, 1 << 22)->Complexity(benchmark::oN);
