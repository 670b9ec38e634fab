// Ordering of the found directories and trimming to the best-ranked ones.
#pragma once

#include "match/candidate.h"
#include "match/candidate_list.h"

namespace dirhop {

// Negative when `a` goes first, positive when `b` does, 0 when equal: lower rank first, then the
// upper-cased paths byte by byte as unsigned values, a path before any longer path it begins.
int CompareCandidates(Candidate a, Candidate b);

// Sorts `candidates` in place into CompareCandidates order.
void SortCandidates(CandidateList& candidates);

// Keeps the leading run of candidates that share the first one's rank and drops the rest; a sorted
// list thus keeps only its best-ranked candidates. An empty list stays empty.
void KeepBestRank(CandidateList& candidates);

// The same result as SortCandidates followed by KeepBestRank, but the candidates of worse rank
// are dropped before the sort instead of after it: a wide search can find thousands of them.
void SortAndKeepBestRank(CandidateList& candidates);

}  // namespace dirhop
