// A directory that the search found (or could create), with its rank: the sum of the level scores
// along its path, lower is better.
#pragma once

#include <cstdint>
#include <string_view>

namespace dirhop {

// Rank of a directory that does not exist yet and may be created.
inline constexpr std::uint8_t kCreateRank = 255;

// Highest rank a found directory can have; sums stop here so they never reach kCreateRank or wrap.
inline constexpr std::uint8_t kMaxMatchRank = 254;
static_assert(kMaxMatchRank < kCreateRank, "a found directory must rank before a creatable one");

// One found or creatable directory: its full path and its rank. The path is a view: of the
// CandidateList that holds it (valid until that list next grows), or of text the caller keeps.
struct Candidate {
  std::string_view path;
  std::uint8_t rank = 0;
};

// rank + score, held at kMaxMatchRank when the sum would be larger (an 8-bit sum that wrapped
// would put a poor candidate ahead of every good one).
constexpr std::uint8_t AddRank(std::uint8_t rank, std::uint8_t score) {
  const unsigned sum = unsigned{rank} + unsigned{score};
  return sum > kMaxMatchRank ? kMaxMatchRank : static_cast<std::uint8_t>(sum);
}

}  // namespace dirhop
