#include "match/ordering.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "base/case_folding.h"

namespace dirhop {

namespace {

// Bytes a sort key packs beside the rank into one 64-bit integer.
constexpr std::size_t kHeadBytes = 7;

// Negative, zero or positive as `a` sorts before, with or after `b`: upper-cased bytes as
// unsigned values, whatever the signedness of char, and a text before any longer text it begins.
int CompareIgnoringCase(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(UpperChar(a[i]));
    const auto y = static_cast<unsigned char>(UpperChar(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// The contiguous piece of `c`'s path that starts at `offset`: the rest of its directory, or the
// rest of its name; empty past the end.
std::string_view PieceFrom(const Candidate& c, std::size_t offset) {
  if (offset < c.dir.size()) return c.dir.substr(offset);
  return c.name.substr(std::min(offset - c.dir.size(), c.name.size()));
}

// How many first bytes the paths of `a` and `b` share, at most `limit`: piece by piece, one block
// compare each, and none for a directory both share.
std::size_t CommonLength(const Candidate& a, const Candidate& b, std::size_t limit) {
  std::size_t common = 0;
  while (common < limit) {
    const std::string_view x = PieceFrom(a, common);
    const std::string_view y = PieceFrom(b, common);
    const std::size_t step = std::min({x.size(), y.size(), limit - common});
    if (step == 0) break;
    if (x.data() != y.data() && x.substr(0, step) != y.substr(0, step)) {
      return common + static_cast<std::size_t>(
                          std::mismatch(x.begin(), x.begin() + step, y.begin()).first - x.begin());
    }
    common += step;
  }
  return common;
}

// The length of the text that every path from `begin` on begins with (the base of the search,
// mostly): it decides nothing among them.
std::size_t SharedLength(const CandidateList& candidates, std::size_t begin) {
  const Candidate first = candidates[begin];
  std::size_t shared = first.PathSize();
  for (std::size_t i = begin + 1; i < candidates.size() && shared > 0; ++i) {
    const Candidate c = candidates[i];
    // The candidates of one listing share the copy of its directory: only names are compared.
    if (c.dir.data() == first.dir.data() && c.dir.size() == first.dir.size() &&
        shared >= c.dir.size()) {
      const std::size_t limit = std::min(shared - c.dir.size(), c.name.size());
      if (c.name.substr(0, limit) == first.name.substr(0, limit)) {
        shared = c.dir.size() + limit;
        continue;
      }
    }
    shared = CommonLength(first, c, shared);
  }
  return shared;
}

// `high` with `count` upper-cased bytes of `key` below it (zero bytes past its end), so that the
// integers compare as the keys do over those bytes. No path holds a zero byte, so a key that
// ends there sorts before every longer one, and a packed value whose lowest byte is zero holds
// the end of its key.
std::uint64_t PackKeyBytes(std::uint64_t high, std::string_view key, std::size_t count) {
  for (std::size_t b = 0; b < count; ++b) {
    high = high << 8 | (b < key.size() ? static_cast<unsigned char>(UpperChar(key[b])) : 0U);
  }
  return high;
}

// The same for `c`'s path from `offset` on, whose bytes lie in its directory and its name.
std::uint64_t PackKeyBytes(std::uint64_t high, const Candidate& c, std::size_t offset,
                           std::size_t count) {
  // Mostly the shared text covers the directory, and every byte comes from the name.
  if (offset >= c.dir.size()) return PackKeyBytes(high, PieceFrom(c, offset), count);
  const std::string_view in_dir = c.dir.substr(offset, count);
  return PackKeyBytes(PackKeyBytes(high, in_dir, in_dir.size()), c.name, count - in_dir.size());
}

// A candidate's place in the sort: a head of packed key bytes (the rank first at the top level)
// and where the candidate stands in the part of the list being sorted.
struct Keyed {
  std::uint64_t head;
  std::size_t index;
};

// The list places that a sorted array of records gives, as CandidateList::Arrange reads them.
struct IndexOf {
  Keyed* keyed;
  std::size_t& operator[](std::size_t place) const { return keyed[place].index; }
};

// Below this many records a comparison sort is cheaper than the radix sort's passes.
constexpr std::size_t kRadixSortFrom = 256;

// Sorts [first, last) by head (stable), one byte at a time from the lowest: n steps per byte
// instead of a comparison sort's n log n comparisons. A byte that every head shares takes no pass:
// the rank byte always, once SortAndKeepBestRank has kept one rank.
void RadixSortByHead(Keyed* first, Keyed* last) {
  constexpr std::size_t kBytes = sizeof(std::uint64_t);
  const auto size = static_cast<std::size_t>(last - first);
  std::array<std::array<std::size_t, 256>, kBytes> counts{};
  for (const Keyed* k = first; k != last; ++k) {
    for (std::size_t b = 0; b < kBytes; ++b) ++counts[b][(k->head >> (8 * b)) & 0xFFU];
  }
  std::vector<Keyed> moved(size);
  Keyed* from = first;
  Keyed* to = moved.data();
  for (std::size_t b = 0; b < kBytes; ++b) {
    std::array<std::size_t, 256>& count = counts[b];
    if (std::find(count.begin(), count.end(), size) != count.end()) continue;
    std::size_t offset = 0;
    for (std::size_t& slot : count) offset += std::exchange(slot, offset);
    for (const Keyed* k = from; k != from + size; ++k)
      to[count[(k->head >> (8 * b)) & 0xFFU]++] = *k;
    std::swap(from, to);
  }
  if (from != first) std::copy(from, from + size, first);
}

// Sorts [first, last) by head alone.
void SortByHead(Keyed* first, Keyed* last) {
  if (static_cast<std::size_t>(last - first) >= kRadixSortFrom) {
    RadixSortByHead(first, last);
  } else {
    std::sort(first, last, [](const Keyed& a, const Keyed& b) { return a.head < b.head; });
  }
}

// Puts each run of equal heads in [first, last), which is sorted by head, in order by the key
// bytes from `offset` on (the bytes before it are equal within a run): the run takes heads of the
// next eight bytes and is sorted again, until its heads differ or hold the ends of their keys.
// A record's index counts from candidate `begin`.
void OrderTies(const CandidateList& candidates, std::size_t begin, Keyed* first, Keyed* last,
               std::size_t offset) {
  for (Keyed* run = first; run != last;) {
    Keyed* next = run + 1;
    while (next != last && next->head == run->head) ++next;
    // A head whose lowest byte is zero holds the end of its key: the keys of its run are equal.
    if (next - run > 1 && (run->head & 0xFFU) != 0) {
      for (Keyed* k = run; k != next; ++k) {
        k->head = PackKeyBytes(0, candidates[begin + k->index], offset, sizeof(k->head));
      }
      SortByHead(run, next);
      OrderTies(candidates, begin, run, next, offset + sizeof(run->head));
    }
    run = next;
  }
}

}  // namespace

int CompareCandidates(Candidate a, Candidate b) {
  if (a.rank != b.rank) return a.rank < b.rank ? -1 : 1;
  return CompareIgnoringCase(a.Path(), b.Path());
}

void SortCandidates(CandidateList& candidates) { SortFirst(candidates, 0, candidates.size()); }

void SortFirst(CandidateList& candidates, std::size_t begin, std::size_t end) {
  end = std::min(end, candidates.size());
  if (begin >= end || candidates.size() - begin < 2) return;
  const std::size_t shared = SharedLength(candidates, begin);
  // The sort moves 16-byte records, not candidates: the rank and the first key bytes after the
  // shared text, packed into one integer, decide most places without reading a path (a wide
  // search can sort thousands of candidates that tie on rank); only runs of equal heads read on.
  std::vector<Keyed> keyed(candidates.size() - begin);
  for (std::size_t i = 0; i < keyed.size(); ++i) {
    const Candidate c = candidates[begin + i];
    keyed[i] = {PackKeyBytes(c.rank, c, shared, kHeadBytes), i};
  }
  Keyed* const first = keyed.data();
  Keyed* last = first + keyed.size();
  if (end - begin < keyed.size()) {
    // Only the first end - begin places are wanted (a page of the menu): the records with the
    // smallest heads are picked out, with every record whose head ties with the last of them,
    // and only those are sorted; the rest keep their heads above and stay unsorted behind.
    Keyed* const wanted = first + (end - begin);
    const auto by_head = [](const Keyed& a, const Keyed& b) { return a.head < b.head; };
    std::nth_element(first, wanted - 1, last, by_head);
    const std::uint64_t boundary = (wanted - 1)->head;
    last = std::partition(wanted, last, [boundary](const Keyed& k) { return k.head == boundary; });
  }
  SortByHead(first, last);
  OrderTies(candidates, begin, first, last, shared + kHeadBytes);
  candidates.Arrange(begin, IndexOf{first});
}

void KeepBestRank(CandidateList& candidates) {
  std::uint8_t best = kCreateRank;
  for (const Candidate& c : candidates) best = std::min(best, c.rank);
  candidates.KeepIf([best](const Candidate& c) { return c.rank == best; });
}

}  // namespace dirhop
