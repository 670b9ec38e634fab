// The candidates of a search, their paths packed end to end in one buffer: a wide search can find
// ten thousand directories, and a string object and a heap block for each cost more than finding
// them. Paths are read as views; a path is copied out only when it is shown or chosen.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "match/candidate.h"

namespace dirhop {

// Candidates in an order of their own: the order they were added until Arrange or KeepIf changes
// it. The text of a candidate dropped by KeepIf stays in the buffer until the list goes.
class CandidateList {
 public:
  CandidateList() = default;
  // The list of `candidates`, in that order, their paths copied.
  CandidateList(std::initializer_list<Candidate> candidates) {
    for (const Candidate& c : candidates) Add(c.path, c.rank);
  }

  // Appends a candidate whose path is a copy of `path`.
  void Add(std::string_view path, std::uint8_t rank) { Add(path, {}, rank); }

  // Appends a candidate whose path is `dir` followed by `name`, joined in place.
  void Add(std::string_view dir, std::string_view name, std::uint8_t rank) {
    entries_.push_back(Entry{text_.size(), static_cast<std::uint32_t>(dir.size() + name.size()),
                             rank});
    text_.append(dir).append(name);
  }

  // Makes room for `count` more candidates whose paths take about `text_bytes` together, growing
  // at least geometrically, so that one wide level grows the list once and many narrow ones do
  // not grow it each time.
  void ReserveMore(std::size_t count, std::size_t text_bytes) {
    Grow(entries_, entries_.size() + count);
    Grow(text_, text_.size() + text_bytes);
  }

  // How many candidates the list holds, and whether it holds none.
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }

  // Candidate `index` (below size()); its path is valid until the list next grows.
  Candidate operator[](std::size_t index) const { return View(entries_[index]); }
  Candidate front() const { return (*this)[0]; }

  // Reads the candidates in list order (for range-for); each step yields a Candidate by value.
  class Iterator {
   public:
    Iterator(const CandidateList& list, std::size_t index) : list_(&list), index_(index) {}
    Candidate operator*() const { return (*list_)[index_]; }
    Iterator& operator++() {
      ++index_;
      return *this;
    }
    bool operator!=(const Iterator& other) const { return index_ != other.index_; }

   private:
    const CandidateList* list_;
    std::size_t index_;
  };
  Iterator begin() const { return Iterator(*this, 0); }
  Iterator end() const { return Iterator(*this, size()); }

  // Keeps the candidates for which `keep(candidate)` is true, in their order, and drops the rest.
  template <typename Keep>
  void KeepIf(Keep keep) {
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [&](const Entry& entry) { return !keep(View(entry)); }),
                   entries_.end());
  }

  // Puts the candidates in a new order: place j takes the candidate that stood at
  // `index_at(j)`, for j below size(); every index must appear once.
  template <typename IndexAt>
  void Arrange(IndexAt index_at) {
    std::vector<Entry> arranged(entries_.size());
    for (std::size_t j = 0; j < arranged.size(); ++j) arranged[j] = entries_[index_at(j)];
    entries_ = std::move(arranged);
  }

 private:
  // Where a path lies in text_ (a path is far shorter than 4 GiB), and its rank: 16 bytes.
  struct Entry {
    std::size_t begin;
    std::uint32_t size;
    std::uint8_t rank;
  };

  // The candidate `entry` describes.
  Candidate View(const Entry& entry) const {
    return Candidate{std::string_view(text_).substr(entry.begin, entry.size), entry.rank};
  }

  // Reserves room for `needed` elements in `container`, at least twice what it has.
  template <typename Container>
  static void Grow(Container& container, std::size_t needed) {
    if (needed > container.capacity()) {
      container.reserve(std::max(needed, 2 * container.capacity()));
    }
  }

  std::string text_;             // every path, end to end
  std::vector<Entry> entries_;  // the candidates, in list order
};

}  // namespace dirhop
