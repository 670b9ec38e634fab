// Ordering of the found directories and trimming to the best-ranked ones.
#pragma once

#include <cstddef>
#include <cstdint>

#include "match/candidate.h"
#include "match/candidate_list.h"

namespace dirhop {

// Negative when `a` goes first, positive when `b` does, 0 when equal: lower rank first, then the
// paths ignoring case, a path before any longer path it begins. ASCII paths compare by their
// upper-cased bytes as unsigned values ('_' after the letters); other characters come after
// every ASCII one at the same place, in the order of their folded code points (composed and
// decomposed forms, and any case, sort as one).
int CompareCandidates(Candidate a, Candidate b);

// Sorts `candidates` in place into CompareCandidates order.
void SortCandidates(CandidateList& candidates);

// Puts the first `end` places of `candidates` (all of them when it has fewer) in CompareCandidates
// order, the candidates after them in any order: the menu orders a page when it shows it, instead
// of sorting ten thousand candidates to show a few dozen. The first `begin` places must already
// hold the first candidates in that order (as an earlier call leaves them); they are not moved.
void SortFirst(CandidateList& candidates, std::size_t begin, std::size_t end);

// Keeps only the candidates of the lowest rank there is, in their order; an empty list stays
// empty. A wide search can find thousands of candidates of worse rank: they go before any sort.
void KeepBestRank(CandidateList& candidates);

// The best (lowest) rank among `candidates`; kCreateRank when there are none.
std::uint8_t BestRank(const CandidateList& candidates);

}  // namespace dirhop
