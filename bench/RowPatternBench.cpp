// How fast the book rows come out of a list page: the row pattern over a 200 KB page of 60
// entries, the size of the site's own list pages. Reported in MB/s of page text.
#include <benchmark/benchmark.h>

#include "browse/RowPattern.h"
#include "tests/support/ListPage.h"
#include "text/Gbk.h"
#include "text/RegexObject.h"

namespace {

std::string ListPage(int entries, std::size_t bytes) {
  std::string page = testsupport::Filler(8 * 1024);
  const std::size_t perEntry = bytes / entries;
  for (int i = 1; i <= entries; ++i) {
    const std::string entry = testsupport::EntryHtml(testsupport::NumberedEntry(i));
    page += entry + testsupport::Filler(perEntry - std::min(perEntry, entry.size()));
  }
  return page;
}

void BM_RowPattern(benchmark::State& state) {
  const std::string page = ListPage(60, 200 * 1024);
  for (auto _ : state) {
    text::RegexObject regex;
    regex.Create(browse::kRowPattern, page);
    if (regex.MatchCount() != 60) state.SkipWithError("wrong number of rows");
    benchmark::DoNotOptimize(regex.SubMatchText(60, 4));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
  state.counters["page_bytes"] = static_cast<double>(page.size());
}
BENCHMARK(BM_RowPattern)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// The share of the above spent turning the GBK page into the engine's UTF-8.
void BM_DecodeListPage(benchmark::State& state) {
  const std::string page = ListPage(60, 200 * 1024);
  std::vector<std::uint32_t> offsets;
  for (auto _ : state) benchmark::DoNotOptimize(text::GbkToUtf8(page, offsets));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_DecodeListPage)->Unit(benchmark::kMillisecond);

}  // namespace
