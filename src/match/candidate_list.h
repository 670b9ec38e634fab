// The candidates of a search in one buffer: a wide search can find ten thousand directories, and
// a string object and a heap block for each cost more than finding them. The candidates of one
// listing share one copy of the directory listed and keep only their names; a full path is put
// together only when it is shown or chosen.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "base/name_list.h"
#include "match/candidate.h"

namespace dirhop {

// Candidates in an order of their own: the order they were added until Arrange or KeepIf changes
// it. The text of a candidate dropped by KeepIf stays in the buffer until the list goes.
class CandidateList {
 public:
  // Names a directory added with AddDirectory.
  using DirectoryId = std::uint32_t;

  CandidateList() = default;
  // The list of `candidates`, in that order, their paths copied.
  CandidateList(std::initializer_list<Candidate> candidates) {
    for (const Candidate& c : candidates) Add(c.Path(), c.rank);
  }

  // Copies `dir` into the list once, for the candidates below it.
  DirectoryId AddDirectory(std::string_view dir) {
    directories_.push_back(Span{text_.size(), dir.size(), kNamesInText});
    text_.append(dir);
    return static_cast<DirectoryId>(directories_.size() - 1);
  }

  // Appends a candidate whose path is the directory `dir` followed by `name`.
  void Add(DirectoryId dir, std::string_view name, std::uint8_t rank) {
    if (name.size() > std::numeric_limits<std::uint16_t>::max()) {
      // Longer than any name on disk: kept as a path of its own.
      const Span& span = directories_[dir];
      const std::string path = std::string(text_, span.begin, span.size).append(name);
      Add(path, rank);
      return;
    }
    entries_.push_back(Entry{text_.size(), dir, static_cast<std::uint16_t>(name.size()), rank});
    text_.append(name);
  }

  // Appends a candidate for each name of `names` whose index is in `indices` (in that order),
  // its path `dir` followed by the name. When they are at least half the names, the list takes
  // the bytes of all names over instead of copying them, and `names` is left empty; otherwise it
  // copies the few it needs (keeping a whole listing for one name would cost more memory than
  // the copy), and `names` stays as it was.
  template <typename Indices>
  void AddListed(std::string_view dir, NameList& names, const Indices& indices, std::uint8_t rank) {
    const DirectoryId id = AddDirectory(dir);
    Grow(entries_, entries_.size() + indices.size());
    const bool take_over = 2 * indices.size() >= names.size();
    if (take_over) directories_[id].listing = listings_.size();
    for (const auto index : indices) {
      const std::string_view name = names[index];
      if (take_over && name.size() <= std::numeric_limits<std::uint16_t>::max()) {
        entries_.push_back(
            Entry{names.Offset(index), id, static_cast<std::uint16_t>(name.size()), rank});
      } else {
        Add(id, name, rank);  // copied (Add keeps a name longer than any on disk as a path)
      }
    }
    if (take_over) listings_.push_back(names.TakeText());
  }

  // Appends a candidate whose path is a copy of `path`.
  void Add(std::string_view path, std::uint8_t rank) { Add(AddDirectory(path), {}, rank); }

  // Makes room for `count` more candidates whose names take about `text_bytes` together, growing
  // at least geometrically, so that one wide level grows the list once and many narrow ones do
  // not grow it each time.
  void ReserveMore(std::size_t count, std::size_t text_bytes) {
    Grow(entries_, entries_.size() + count);
    Grow(text_, text_.size() + text_bytes);
  }

  // How many candidates the list holds, and whether it holds none.
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }

  // Candidate `index` (below size()); its views are valid until the list next grows.
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

  // Puts the candidates from `first` on in a new order: place first + j takes the candidate that
  // stood at first + order[j], for every place from `first` on; each index must appear once. Each
  // cycle of the permutation is followed in place, and `order` is used up: it ends with every
  // place pointing at itself.
  template <typename Order>
  void Arrange(std::size_t first, Order order) {
    Entry* const part = entries_.data() + first;
    const std::size_t count = entries_.size() - first;
    for (std::size_t i = 0; i < count; ++i) {
      if (order[i] == i) continue;
      const Entry held = part[i];
      std::size_t j = i;
      for (;;) {
        const std::size_t from = order[j];
        order[j] = j;
        if (from == i) {
          part[j] = held;
          break;
        }
        part[j] = part[from];
        j = from;
      }
    }
  }

 private:
  // Marks a directory whose candidates' names lie in text_.
  static constexpr std::size_t kNamesInText = static_cast<std::size_t>(-1);

  // Where a directory lies in text_, and which of listings_ holds its candidates' names.
  struct Span {
    std::size_t begin;
    std::size_t size;
    std::size_t listing;
  };
  // Where a name lies in text_, the directory it is in, and its rank: 16 bytes.
  struct Entry {
    std::size_t name_begin;
    DirectoryId dir;
    std::uint16_t name_size;
    std::uint8_t rank;
  };

  // The candidate `entry` describes.
  Candidate View(const Entry& entry) const {
    const Span& dir = directories_[entry.dir];
    const char* names = dir.listing == kNamesInText ? text_.data() : listings_[dir.listing].data();
    return Candidate{std::string_view(text_.data() + dir.begin, dir.size),
                     std::string_view(names + entry.name_begin, entry.name_size), entry.rank};
  }

  // Reserves room for `needed` elements in `container`, at least twice what it has.
  template <typename Container>
  static void Grow(Container& container, std::size_t needed) {
    if (needed > container.capacity()) {
      container.reserve(std::max(needed, 2 * container.capacity()));
    }
  }

  std::string text_;                   // every directory and name, end to end
  std::vector<Span> directories_;      // the directories candidates are in
  std::vector<std::string> listings_;  // names taken over from listings, end to end
  std::vector<Entry> entries_;         // the candidates, in list order
};

}  // namespace dirhop
