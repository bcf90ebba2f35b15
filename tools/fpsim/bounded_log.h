// An append-only record that keeps its most recent entries: a simulator left running for days
// must not grow without bound. Entries are numbered from 0 over the whole run, so a reader can
// ask for what came after the entry it saw last.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

namespace qx::fpsim {

template <typename T>
class BoundedLog {
 public:
  explicit BoundedLog(size_t aCapacity = 200000) : fCapacity(aCapacity) {}

  void Add(T aEntry) {
    fEntries.push_back(std::move(aEntry));
    if (fEntries.size() > fCapacity) {
      fEntries.pop_front();
      ++fFirst;
    }
  }
  void Clear() {
    fFirst += fEntries.size();
    fEntries.clear();
  }
  // The number of entries ever added.
  uint64_t Total() const { return fFirst + fEntries.size(); }
  std::vector<T> All() const { return {fEntries.begin(), fEntries.end()}; }
  // The entries numbered aFrom and later that are still kept.
  std::vector<T> Since(uint64_t aFrom) const {
    const uint64_t start = aFrom < fFirst ? 0 : aFrom - fFirst;
    if (start >= fEntries.size()) return {};
    return {fEntries.begin() + static_cast<std::ptrdiff_t>(start), fEntries.end()};
  }

 private:
  size_t fCapacity;
  uint64_t fFirst = 0;  // number of the oldest entry kept
  std::deque<T> fEntries;
};

}  // namespace qx::fpsim
