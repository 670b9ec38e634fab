#include "match/search.h"

#include <utility>

#include "match/paths.h"
#include "match/pattern.h"

namespace dirhop {

namespace {
constexpr std::size_t kInitialListCapacity = 20;
}

DirectorySearch::DirectorySearch(PathSyntax syntax, bool can_create_path,
                                 ListSubdirectoriesFn list)
    : syntax_(syntax), can_create_path_(can_create_path), list_(std::move(list)) {
  match_list_.reserve(kInitialListCapacity);
  create_list_.reserve(kInitialListCapacity);
}

void DirectorySearch::SearchLevel(std::string_view rest, std::string base, std::uint8_t rank) {
  if (rest.empty()) {
    match_list_.push_back(Candidate{std::move(base), rank});
    return;
  }
  base = AddTrailingBackslash(std::move(base), syntax_);
  // The listing is read completely (and closed) before the search goes a level deeper.
  const std::vector<std::string> names = list_(base);
  const ComponentSplit split = SplitFirstComponent(rest, syntax_.separator);
  const LevelScore level = MatchLevel(split.component, names);

  if (level.followed.empty()) {
    // A directory without subdirectories: the rest of the path spec could be created here.
    AddCreateCandidate(base + std::string(split.component) + syntax_.separator +
                       std::string(split.rest));
    return;
  }
  // An exact name adds nothing to the rank; everything else adds the level's score.
  const std::uint8_t next_rank = level.score == kExactScore ? rank : AddRank(rank, level.score);
  for (std::size_t index : level.followed) {
    SearchLevel(split.rest, base + names[index], next_rank);
  }
}

void DirectorySearch::AddCreateCandidate(std::string path) {
  if (!can_create_path_ || ContainsWildcard(path)) return;
  create_list_.push_back(Candidate{std::move(path), kCreateRank});
}

}  // namespace dirhop
