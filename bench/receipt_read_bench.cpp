// Reading a fiscal receipt request from its text: parsing plus kReceipt::Deserialize, as every
// PRINTFR call does. Goal: a 1,000-line receipt in under 2 ms, with memory in proportion to
// the document (the bytes counters stay flat per line as the receipt grows).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <malloc.h>
#include <new>
#include <vector>

#include "documents/receipt.h"
#include "documents/request_xml.h"

namespace {

// Every allocation of the process, counted: operator new and pugixml's own allocator.
// Counting is switched on only for one extra pass outside the timed loop, so that it does not
// weigh on the timings; the benchmark runs on one thread.
bool gCounting = false;
int64_t gAllocated = 0;
int64_t gLive = 0;
int64_t gPeak = 0;

void Count(size_t aSize) {
  if (!gCounting) return;
  gAllocated += static_cast<int64_t>(aSize);
  gLive += static_cast<int64_t>(aSize);
  if (gLive > gPeak) gPeak = gLive;
}

// Sizes are the allocator's usable sizes, the same when a block comes and goes. Not inlined
// into the replaced operator new and delete, where the compiler would pair malloc with delete.
[[gnu::noinline]] void* CountedAlloc(size_t aSize) {
  void* block = std::malloc(aSize == 0 ? 1 : aSize);
  if (block != nullptr) Count(malloc_usable_size(block));
  return block;
}

[[gnu::noinline]] void CountedFree(void* aPointer) {
  if (aPointer == nullptr) return;
  if (gCounting) gLive -= static_cast<int64_t>(malloc_usable_size(aPointer));
  std::free(aPointer);
}

const bool gPugiHooked = [] {
  pugi::set_memory_management_functions(CountedAlloc, CountedFree);
  return true;
}();

// aAccent puts one accented capital into each description, which takes the text off the
// all-ASCII path.
std::string ReceiptText(int aLines, bool aAccent) {
  std::string lines;
  for (int i = 0; i < aLines; ++i) {
    const std::string n = std::to_string(i);
    lines += "<ProductSale><Code>800" + n + "</Code><Description>" + (aAccent ? "CAFF\xC3\x88 " : "ARTICOLO ") + n +
             "</Description><Quantity>1</Quantity><UOM>PZ</UOM><Department>1</Department>"
             "<TaxCode>22</TaxCode><Price>1.25</Price><Amount>1.25</Amount></ProductSale>";
  }
  return "<Request><Driver>QXRP_EPSFPNAT_20</Driver><Handle>1</Handle><LogId>till01</LogId>"
         "<Connection><Type>serial</Type><SerialPort>COM1</SerialPort></Connection><Parameters/>"
         "<Receipt><Type>sale</Type><Number>1</Number><DateTime>2024-03-05T10:15:00</DateTime>"
         "<TotalAmount>0</TotalAmount><Lines>" +
         lines +
         "</Lines><Taxes><Tax><Type>vat</Type><Code>22</Code><Rate>22</Rate></Tax></Taxes>"
         "<Payments><Payment><Type>cash</Type><Amount>2000</Amount></Payment></Payments></Receipt></Request>";
}

void BM_ReadReceipt(benchmark::State& aState) {
  const int lines = static_cast<int>(aState.range(0));
  const qx::String text = qx::FromUtf8(ReceiptText(lines, aState.range(1) != 0));
  auto read = [&] {
    auto doc = qx::ParseRequestXml(text);
    qx::kReceipt receipt;
    receipt.Deserialize(doc->document_element());
    benchmark::DoNotOptimize(receipt.GetCalculatedAmount());
  };
  for (auto _ : aState) read();
  gCounting = true;
  gAllocated = gLive = gPeak = 0;
  read();
  gCounting = false;
  const int64_t allocated = gAllocated, peak = gPeak;
  aState.counters["text_chars"] = static_cast<double>(text.size());
  aState.counters["bytes_alloc"] = static_cast<double>(allocated);
  aState.counters["peak_bytes"] = static_cast<double>(peak);
  aState.counters["peak_per_line"] = static_cast<double>(peak) / lines;
}
// The machine is shared: the fastest repetition is the figure that tells the code's cost.
double Fastest(const std::vector<double>& aValues) { return *std::min_element(aValues.begin(), aValues.end()); }

// Arguments: lines, accented descriptions.
BENCHMARK(BM_ReadReceipt)
    ->ArgNames({"lines", "accented"})
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({10000, 0})
    ->ComputeStatistics("min", Fastest)
    ->Unit(benchmark::kMicrosecond);

// The parse alone, for the split between parser and reader.
void BM_ParseRequest(benchmark::State& aState) {
  const qx::String text = qx::FromUtf8(ReceiptText(1000, false));
  for (auto _ : aState) {
    auto doc = qx::ParseRequestXml(text);
    benchmark::DoNotOptimize(doc.get());
  }
}
BENCHMARK(BM_ParseRequest)->ComputeStatistics("min", Fastest)->Unit(benchmark::kMicrosecond);

}  // namespace

void* operator new(size_t aSize) {
  if (void* p = CountedAlloc(aSize)) return p;
  throw std::bad_alloc();
}
void operator delete(void* aPointer) noexcept { CountedFree(aPointer); }
void operator delete(void* aPointer, size_t) noexcept { CountedFree(aPointer); }



BENCHMARK_MAIN();
