#include "match/ordering.h"

#include <algorithm>
#include <cstddef>

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
  std::sort(candidates.begin(), candidates.end(),
            [](const Candidate& a, const Candidate& b) { return CompareCandidates(a, b) < 0; });
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
  const auto best = std::min_element(candidates.begin(), candidates.end(),
                                     [](const Candidate& a, const Candidate& b) {
                                       return a.rank < b.rank;
                                     })->rank;
  candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                  [best](const Candidate& c) { return c.rank != best; }),
                   candidates.end());
  SortCandidates(candidates);
}

}  // namespace dirhop
