// An ordered list that owns its items: removing an item or destroying the list frees it.
// Iterating yields the items themselves (T&), not their owners.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "support/error.h"

namespace qx {

template <typename T>
class kOwnedList {
  using Store = std::vector<std::unique_ptr<T>>;

 public:
  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = T*;
    using reference = T&;

    const_iterator() = default;
    explicit const_iterator(typename Store::const_iterator aIt) : fIt(aIt) {}
    T& operator*() const { return **fIt; }
    T* operator->() const { return fIt->get(); }
    const_iterator& operator++() {
      ++fIt;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      ++fIt;
      return old;
    }
    bool operator==(const const_iterator&) const = default;

   private:
    typename Store::const_iterator fIt;
  };

  kOwnedList() = default;
  kOwnedList(const kOwnedList&) = delete;
  kOwnedList& operator=(const kOwnedList&) = delete;
  virtual ~kOwnedList() = default;

  // Appends aItem and returns it; the list owns it from now on.
  template <typename U>
  U& Add(std::unique_ptr<U> aItem) {
    if (!aItem) throw Error(u"A list item cannot be empty");
    U& item = *aItem;
    fItems.push_back(std::move(aItem));
    return item;
  }

  size_t Count() const { return fItems.size(); }
  bool Empty() const { return fItems.empty(); }
  // aIndex must be below Count().
  T& operator[](size_t aIndex) const { return *fItems[aIndex]; }
  void Delete(size_t aIndex) {
    if (aIndex < fItems.size()) fItems.erase(fItems.begin() + static_cast<std::ptrdiff_t>(aIndex));
  }
  void Clear() { fItems.clear(); }

  const_iterator begin() const { return const_iterator(fItems.begin()); }
  const_iterator end() const { return const_iterator(fItems.end()); }

 private:
  Store fItems;
};

}  // namespace qx
