#include "match/ordering.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "match/upper_case.h"

namespace dirhop {

int CompareCandidates(const Candidate& a, const Candidate& b) {
  if (a.rank != b.rank) return a.rank < b.rank ? -1 : 1;
  const std::size_t common = std::min(a.path.size(), b.path.size());
  for (std::size_t i = 0; i < common; ++i) {
    // Bytes above 127 sort after ASCII, as unsigned values, whatever the signedness of char.
    const auto x = static_cast<unsigned char>(UpperChar(a.path[i]));
    const auto y = static_cast<unsigned char>(UpperChar(b.path[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.path.size() == b.path.size()) return 0;
  return a.path.size() < b.path.size() ? -1 : 1;
}

void SortCandidates(std::vector<Candidate>& candidates) {
  if (candidates.size() < 2) return;
  // The bytes every path begins with (the base of the search, mostly) decide nothing.
  const std::string& first = candidates.front().path;
  std::size_t shared = first.size();
  for (const Candidate& c : candidates) {
    shared = std::min(shared, c.path.size());
    shared = static_cast<std::size_t>(
        std::mismatch(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(shared),
                      c.path.begin())
            .first -
        first.begin());
  }
  // Each path is upper-cased once, not on every comparison (a wide search can sort thousands of
  // candidates that tie on rank), into one buffer; the sort moves small views of it. Views
  // compare as unsigned bytes, a prefix first, as CompareCandidates does.
  std::string keys;
  std::size_t total = 0;
  for (const Candidate& c : candidates) total += c.path.size() - shared;
  keys.reserve(total);
  for (const Candidate& c : candidates) {
    for (std::size_t i = shared; i < c.path.size(); ++i) keys += UpperChar(c.path[i]);
  }
  // The rank and the first seven key bytes, packed into one integer, decide most comparisons
  // without a call to compare bytes; only keys whose heads are equal compare in full. A key shorter
  // than seven bytes is padded with zero bytes, which no path holds, so it still sorts first.
  struct Keyed {
    std::uint64_t head;
    std::string_view key;
    std::size_t index;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(candidates.size());
  std::size_t offset = 0;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const std::size_t length = candidates[i].path.size() - shared;
    const std::string_view key = std::string_view(keys).substr(offset, length);
    std::uint64_t head = candidates[i].rank;
    for (std::size_t b = 0; b < 7; ++b) {
      head = head << 8 | (b < key.size() ? static_cast<unsigned char>(key[b]) : 0U);
    }
    keyed.push_back({head, key, i});
    offset += length;
  }
  std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
    if (a.head != b.head) return a.head < b.head;
    return a.key < b.key;
  });
  std::vector<Candidate> sorted;
  sorted.reserve(candidates.size());
  for (const Keyed& k : keyed) sorted.push_back(std::move(candidates[k.index]));
  candidates = std::move(sorted);
}

void KeepBestRank(std::vector<Candidate>& candidates) {
  if (candidates.empty()) return;
  const std::uint8_t best = candidates.front().rank;
  const auto first_worse = std::find_if(candidates.begin(), candidates.end(),
                                        [best](const Candidate& c) { return c.rank != best; });
  candidates.erase(first_worse, candidates.end());
}

void SortAndKeepBestRank(std::vector<Candidate>& candidates) {
  if (candidates.empty()) return;
  const auto best =
      std::min_element(candidates.begin(), candidates.end(),
                       [](const Candidate& a, const Candidate& b) { return a.rank < b.rank; })
          ->rank;
  candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                  [best](const Candidate& c) { return c.rank != best; }),
                   candidates.end());
  SortCandidates(candidates);
}

}  // namespace dirhop
