#include "match/ordering.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/case_folding.h"
#include "base/unicode_fold.h"
#include "base/utf8.h"

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

// Makes `out` the bytes that `text` sorts by: its fold with its diacritics, each ASCII character
// upper-cased, each other character in UTF-8 and each byte outside valid UTF-8 as itself. An
// ASCII text sorts by its upper-cased bytes ('_' after the letters), and any other character
// after every ASCII one, by its folded code point.
void OrderKeyInto(TextFolder& folder, std::string_view text, std::string& out) {
  if (IsAscii(text)) {
    UpperCaseInto(text, out);
    return;
  }
  out.clear();
  for (const char32_t symbol : folder.Fold(text, Diacritics::kKeep).symbols) {
    if (symbol < 0x80) {
      out += UpperChar(static_cast<char>(symbol));
    } else if (symbol < kByteSymbolBase) {
      AppendUtf8(out, symbol);
    } else {
      out += static_cast<char>(symbol - kByteSymbolBase);
    }
  }
}

// True when the paths of every candidate from `begin` on are ASCII. The candidates of one
// listing share their directory, which is read once.
bool EveryPathAscii(const CandidateList& candidates, std::size_t begin) {
  std::string_view checked_dir;
  for (std::size_t i = begin; i < candidates.size(); ++i) {
    const Candidate c = candidates[i];
    if (c.dir.data() != checked_dir.data() || c.dir.size() != checked_dir.size()) {
      if (!IsAscii(c.dir)) return false;
      checked_dir = c.dir;
    }
    if (!IsAscii(c.name)) return false;
  }
  return true;
}

// Puts the candidates of `arranged` from `arranged_begin` on in the order that sorts those of
// `keys` from `begin` on (as many) by rank and then by upper-cased bytes, as SortFirst does with
// `end`: only the first end - begin places need be in order. `keys` may be `arranged` itself.
void SortFirstByBytes(const CandidateList& keys, std::size_t begin, std::size_t end,
                      CandidateList& arranged, std::size_t arranged_begin) {
  const std::size_t shared = SharedLength(keys, begin);
  // The sort moves 16-byte records, not candidates: the rank and the first key bytes after the
  // shared text, packed into one integer, decide most places without reading a path (a wide
  // search can sort thousands of candidates that tie on rank); only runs of equal heads read on.
  std::vector<Keyed> keyed(keys.size() - begin);
  for (std::size_t i = 0; i < keyed.size(); ++i) {
    const Candidate c = keys[begin + i];
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
  OrderTies(keys, begin, first, last, shared + kHeadBytes);
  arranged.Arrange(arranged_begin, IndexOf{first});
}

// SortFirst for candidates whose paths are not all ASCII: their order keys (OrderKeyInto), which
// can differ from the paths in length and bytes, are sorted as ASCII paths are, and the
// candidates put in their order. A directory is folded once for all its candidates.
void SortFirstByOrderKeys(CandidateList& candidates, std::size_t begin, std::size_t end) {
  CandidateList keys;
  TextFolder folder;
  std::string key;
  std::string_view dir;
  CandidateList::DirectoryId dir_key = 0;
  bool dir_apart = false;
  for (std::size_t i = begin; i < candidates.size(); ++i) {
    const Candidate c = candidates[i];
    if (i == begin || c.dir.data() != dir.data() || c.dir.size() != dir.size()) {
      dir = c.dir;
      // After a separator the name's fold is apart from the directory's: nothing composes with
      // a separator. Any other directory is folded with each name.
      dir_apart = dir.empty() || dir.back() == '/' || dir.back() == '\\';
      if (dir_apart) {
        OrderKeyInto(folder, dir, key);
        dir_key = keys.AddDirectory(key);
      }
    }
    if (dir_apart) {
      OrderKeyInto(folder, c.name, key);
      keys.Add(dir_key, key, c.rank);
    } else {
      OrderKeyInto(folder, c.Path(), key);
      keys.Add(key, c.rank);
    }
  }
  SortFirstByBytes(keys, 0, end - begin, candidates, begin);
}

}  // namespace

int CompareCandidates(Candidate a, Candidate b) {
  if (a.rank != b.rank) return a.rank < b.rank ? -1 : 1;
  const std::string x = a.Path();
  const std::string y = b.Path();
  if (IsAscii(x) && IsAscii(y)) return CompareIgnoringCase(x, y);
  TextFolder folder;
  std::string x_key;
  std::string y_key;
  OrderKeyInto(folder, x, x_key);
  OrderKeyInto(folder, y, y_key);
  return x_key.compare(y_key) < 0 ? -1 : (x_key == y_key ? 0 : 1);
}

void SortCandidates(CandidateList& candidates) { SortFirst(candidates, 0, candidates.size()); }

void SortFirst(CandidateList& candidates, std::size_t begin, std::size_t end) {
  end = std::min(end, candidates.size());
  if (begin >= end || candidates.size() - begin < 2) return;
  if (EveryPathAscii(candidates, begin)) {
    SortFirstByBytes(candidates, begin, end, candidates, begin);
  } else {
    SortFirstByOrderKeys(candidates, begin, end);
  }
}

std::uint8_t BestRank(const CandidateList& candidates) {
  std::uint8_t best = kCreateRank;
  for (const Candidate& c : candidates) best = std::min(best, c.rank);
  return best;
}

void KeepBestRank(CandidateList& candidates) {
  const std::uint8_t best = BestRank(candidates);
  candidates.KeepIf([best](const Candidate& c) { return c.rank == best; });
}

}  // namespace dirhop
