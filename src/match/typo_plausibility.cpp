#include "match/typo_plausibility.h"

#include <algorithm>
#include <vector>

#include "base/unicode_fold.h"

namespace dirhop {

namespace {

// SwapDistance over bytes or symbols. Only a band of cells within `limit` of the diagonal can be
// at most `limit`, but the limits are small and the names short: three full rows are plain and
// cheap, and the search asks only for the few names a level follows by typo.
template <typename Symbol>
std::size_t SwapDistanceOf(std::basic_string_view<Symbol> s, std::basic_string_view<Symbol> t,
                           std::size_t limit) {
  const std::size_t beyond = limit + 1;
  const std::size_t gap = s.size() > t.size() ? s.size() - t.size() : t.size() - s.size();
  if (gap > limit) return beyond;
  std::vector<std::size_t> before(t.size() + 1);    // row i - 2
  std::vector<std::size_t> previous(t.size() + 1);  // row i - 1
  std::vector<std::size_t> current(t.size() + 1);
  for (std::size_t j = 0; j <= t.size(); ++j) previous[j] = j;
  for (std::size_t i = 1; i <= s.size(); ++i) {
    current[0] = i;
    std::size_t row_least = current[0];
    for (std::size_t j = 1; j <= t.size(); ++j) {
      const std::size_t substitute = previous[j - 1] + (s[i - 1] == t[j - 1] ? 0 : 1);
      std::size_t cell = std::min({substitute, previous[j] + 1, current[j - 1] + 1});
      if (i > 1 && j > 1 && s[i - 1] == t[j - 2] && s[i - 2] == t[j - 1]) {
        cell = std::min(cell, before[j - 2] + 1);
      }
      current[j] = cell;
      row_least = std::min(row_least, cell);
    }
    // Every later cell derives from this row or the one before it, plus a cost: once both rows
    // are past the limit, so is the answer.
    if (row_least > limit &&
        (i == 1 || *std::min_element(previous.begin(), previous.end()) > limit)) {
      return beyond;
    }
    std::swap(before, previous);
    std::swap(previous, current);
  }
  return std::min(previous[t.size()], beyond);
}

}  // namespace

std::uint8_t PlausibleTypoEdits(std::size_t length) {
  if (length <= 2) return 0;
  if (length <= 5) return 1;
  return 2;
}

std::size_t TypedLength(std::u32string_view pattern) {
  std::size_t length = pattern.size();
  for (const char32_t symbol : pattern) length += IsWideCharacter(symbol) ? 1 : 0;
  return length;
}

std::size_t SwapDistance(std::string_view pattern, std::string_view name, std::size_t limit) {
  return SwapDistanceOf(pattern, name, limit);
}

std::size_t SwapDistance(std::u32string_view pattern, std::u32string_view name, std::size_t limit) {
  return SwapDistanceOf(pattern, name, limit);
}

bool IsPlausibleTypo(std::string_view pattern, std::string_view name) {
  const std::size_t limit = PlausibleTypoEdits(pattern.size());
  return SwapDistance(pattern, name, limit) <= limit;
}

bool IsPlausibleTypo(std::u32string_view pattern, std::u32string_view name) {
  const std::size_t limit = PlausibleTypoEdits(TypedLength(pattern));
  return SwapDistance(pattern, name, limit) <= limit;
}

}  // namespace dirhop
