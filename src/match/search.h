// The directory search: walks the live tree one level per typed component, following the
// best-scoring subdirectories, and collects every path that uses up the whole path spec (with the sum of
// its level scores) and every dead end that could be created.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "match/candidate.h"
#include "match/path_syntax.h"

namespace dirhop {

// Lists the subdirectories of a directory (names as on disk, in listing order; hidden ones
// included, "." and ".." never); an empty list when the directory cannot be listed.
using ListSubdirectoriesFn = std::function<std::vector<std::string>(const std::string& dir)>;

class DirectorySearch {
 public:
  // `can_create_path` decides whether dead ends are collected as creation candidates.
  DirectorySearch(PathSyntax syntax, bool can_create_path, ListSubdirectoriesFn list);

  // Matches `rest` below `base`, one level per component, with `rank` the score so far. Every
  // path that uses up `rest` goes to MatchList; dead ends go to CreateList.
  void SearchLevel(std::string_view rest, std::string base, std::uint8_t rank);

  // Adds `path` to CreateList with the creation rank, unless creating is off or the path holds a
  // `?` or `*`.
  void AddCreateCandidate(std::string path);

  std::vector<Candidate>& MatchList() { return match_list_; }
  std::vector<Candidate>& CreateList() { return create_list_; }

 private:
  PathSyntax syntax_;
  bool can_create_path_;
  ListSubdirectoriesFn list_;
  std::vector<Candidate> match_list_;
  std::vector<Candidate> create_list_;
};

}  // namespace dirhop
