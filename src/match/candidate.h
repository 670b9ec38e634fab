// A directory that the search found (or could create), with its rank: the sum of the level scores
// along its path, lower is better.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/case_folding.h"
#include "base/utf8.h"

namespace dirhop {

// Rank of a directory that does not exist yet and may be created.
inline constexpr std::uint8_t kCreateRank = 255;

// Highest rank a found directory can have; sums stop here so they never reach kCreateRank or wrap.
inline constexpr std::uint8_t kMaxMatchRank = 254;
static_assert(kMaxMatchRank < kCreateRank, "a found directory must rank before a creatable one");

// The ranks of a found directory fall in two bands. Below kFarRank: a plausible path, every level
// of it exact, a wildcard or prefix, letters in order or a plausible typo; its sum is held at
// kFarRank - 1. From kFarRank to kMaxMatchRank: a path that took a far-fetched typo somewhere,
// kFarRank plus its sum, held at kMaxMatchRank. So every plausible path ranks before every far
// one, and within a band the sums order the paths.
inline constexpr std::uint8_t kFarRank = 128;

// Whether a found directory of `rank` is plausible (below kFarRank).
constexpr bool IsPlausibleRank(std::uint8_t rank) { return rank < kFarRank; }

// One found or creatable directory and its rank. Its full path is `dir` followed by `name`: the
// candidates of one listing share one copy of the directory listed. Both are views, of the
// CandidateList that holds the candidate (valid until that list next grows) or of text the caller
// keeps.
struct Candidate {
  // The candidate whose whole path is `path`.
  Candidate(std::string_view path, std::uint8_t rank) : dir(path), rank(rank) {}
  // The candidate whose path is `dir` and then `name`.
  Candidate(std::string_view dir, std::string_view name, std::uint8_t rank)
      : dir(dir), name(name), rank(rank) {}

  // The full path, copied out.
  std::string Path() const {
    std::string path;
    path.reserve(dir.size() + name.size());  // one allocation, not one a part
    path.append(dir).append(name);
    return path;
  }
  // The length of the full path.
  std::size_t PathSize() const { return dir.size() + name.size(); }
  // Whether the full path is `path`, ignoring case (SameIgnoringCase).
  bool PathIsIgnoringCase(std::string_view path) const {
    // Most candidates already differ in their last character. An ASCII byte is a whole
    // character in UTF-8 and folds only to itself, so two different last ASCII letters settle
    // it without a look at the rest.
    const std::string_view tail = name.empty() ? dir : name;
    if (!path.empty() && !tail.empty()) {
      const auto last = static_cast<unsigned char>(path.back());
      const auto own = static_cast<unsigned char>(tail.back());
      if (last < 0x80 && own < 0x80 && UpperChar(path.back()) != UpperChar(tail.back())) {
        return false;
      }
    }
    if (IsAscii(path) && IsAscii(dir) && IsAscii(name)) {
      return path.size() == PathSize() && SameIgnoringCase(path.substr(0, dir.size()), dir) &&
             SameIgnoringCase(path.substr(dir.size()), name);
    }
    // Folded whole: a character's bytes may differ in number from those it equals.
    return SameIgnoringCase(path, Path());
  }

  std::string_view dir;
  std::string_view name;
  std::uint8_t rank = 0;
};

// rank + score, held at the top of rank's band (an 8-bit sum that wrapped would put a poor
// candidate ahead of every good one, and a plausible sum must not run into the far band).
constexpr std::uint8_t AddRank(std::uint8_t rank, std::uint8_t score) {
  const unsigned sum = unsigned{rank} + unsigned{score};
  const unsigned top = IsPlausibleRank(rank) ? kFarRank - 1u : kMaxMatchRank;
  return sum > top ? static_cast<std::uint8_t>(top) : static_cast<std::uint8_t>(sum);
}

// The rank of a path that has `rank` so far and has just taken a far-fetched typo: moved into
// the far band (kFarRank plus the sum), where it stays.
constexpr std::uint8_t FarRank(std::uint8_t rank) {
  if (!IsPlausibleRank(rank)) return rank;
  const unsigned far = unsigned{kFarRank} + unsigned{rank};
  return far > kMaxMatchRank ? kMaxMatchRank : static_cast<std::uint8_t>(far);
}

}  // namespace dirhop
