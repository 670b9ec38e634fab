#include "match/search.h"

#include <algorithm>
#include <utility>

#include "match/level_match.h"
#include "match/paths.h"

namespace dirhop {

namespace {
constexpr std::size_t kInitialListCapacity = 20;
constexpr std::size_t kInitialListText = kInitialListCapacity * 64;

// `dir` (ending in a separator) and `name` joined in one allocation, with room for the separator
// the level below adds: a wide level joins one path for every name followed.
std::string JoinPath(const std::string& dir, std::string_view name) {
  std::string path;
  path.reserve(dir.size() + name.size() + 1);
  path.append(dir).append(name);
  return path;
}
}  // namespace

DirectorySearch::DirectorySearch(PathSyntax syntax, CreateOffer create_offer, FileSystem& fs)
    : syntax_(syntax), create_offer_(create_offer), fs_(fs) {
  match_list_.ReserveMore(kInitialListCapacity, kInitialListText);
  create_list_.ReserveMore(kInitialListCapacity, kInitialListText);
}

void DirectorySearch::SearchLevel(std::string_view rest, std::string base, std::uint8_t rank) {
  Search(rest, std::move(base), rank, std::nullopt, LookUp::kFirst);
}

void DirectorySearch::SearchBelowPlace(std::string_view rest, const std::string& base,
                                       std::uint8_t rank) {
  // The directories above `base`, the root first: each prefix of it that ends in a separator.
  const std::size_t root = RootLength(base, syntax_);
  const std::size_t outer = chain_.size();
  if (root > 0) chain_.push_back(ChainLink{base.substr(0, root), std::nullopt, false});
  for (std::size_t at = base.find(syntax_.separator, root);
       at != std::string::npos && at + 1 < base.size(); at = base.find(syntax_.separator, at + 1)) {
    chain_.push_back(ChainLink{base.substr(0, at + 1), std::nullopt, false});
  }
  links_above_base_ = chain_.size();
  Search(rest, base, rank, std::nullopt, LookUp::kFirst);
  chain_.resize(outer);
  links_above_base_ = outer;
}

void DirectorySearch::LimitListings(std::size_t count) { listings_left_ = count; }

void DirectorySearch::Search(std::string_view rest, std::string base, std::uint8_t rank,
                             std::optional<platform::DirectoryIdentity> identity, LookUp look_up) {
  if (listings_ran_out_) return;
  if (rest.empty()) {
    match_list_.Add(base, rank);
    return;
  }
  base = AddTrailingSeparator(std::move(base), syntax_);
  const ComponentSplit split = SplitFirstComponent(rest, syntax_.separator);
  // A subdirectory of exactly the typed name wins alone at its level: it is looked up instead of
  // listing the level, so a long path lists only the levels where it is abbreviated. Only a
  // directory itself: a link could lead back up the branch, which only a listing tells. The path
  // goes on with the name as the disk holds it, as a listed name would.
  if (look_up == LookUp::kFirst && IsWholeName(split.component)) {
    const std::optional<std::string> name =
        fs_.DirectoryItselfName(JoinPath(base, split.component));
    if (name) {
      const std::size_t found_before = match_list_.size();
      chain_.push_back(ChainLink{base, identity, identity.has_value()});
      Search(split.rest, JoinPath(base, *name), rank, std::nullopt, LookUp::kFirst);
      chain_.pop_back();
      if (split.rest.empty() || FoundPlausibleSince(found_before)) return;
      // The exact name led nowhere: the level is listed for its other names.
      ListLevel(split, base, rank, identity, &*name);
      return;
    }
  }
  ListLevel(split, base, rank, identity, nullptr);
}

void DirectorySearch::ListLevel(const ComponentSplit& split, const std::string& base,
                                std::uint8_t rank,
                                std::optional<platform::DirectoryIdentity> identity,
                                const std::string* passed_over) {
  if (listings_left_ == 0) {
    listings_ran_out_ = true;
    return;
  }
  --listings_left_;
  if (observer_) observer_->BeforeListing(chain_.size() - links_above_base_ + 1);
  // The listing is read completely (and closed) before the search goes a level deeper.
  platform::DirectoryListing listing = fs_.ListSubdirectories(base);
  chain_.push_back(ChainLink{base, identity, identity.has_value()});
  DropEntriesIntoChain(listing);
  if (passed_over != nullptr) {
    // Only the name looked up was followed: the level's other names are the next to try.
    std::vector<std::size_t> passed;
    for (std::size_t k = 0; k < listing.names.size(); ++k) {
      if (listing.names[k] == *passed_over) passed.push_back(k);
    }
    FollowPassedOverNames(split, base, rank, listing, std::move(passed));
    chain_.pop_back();
    return;
  }
  const std::size_t found_before = match_list_.size();
  const LevelScore level = MatchLevel(split.component, listing.names, folder_);

  // A level with nothing plausible to follow (no subdirectories, or only far-fetched typos) is a
  // place where the rest of the path spec could be created, as typed, when the branch that
  // reached it is plausible itself; below a far-fetched step it would be created in a directory
  // nobody asked for.
  if (level.far.size() == level.followed.size() && IsPlausibleRank(rank)) {
    AddDeadEnd(base, split);
  }
  FollowLevel(split, base, rank, listing, level);
  if (level.score == kExactScore && !split.rest.empty() && !FoundPlausibleSince(found_before)) {
    FollowPassedOverNames(split, base, rank, listing, level.followed);
  }
  chain_.pop_back();
}

void DirectorySearch::FollowLevel(const ComponentSplit& split, const std::string& base,
                                  std::uint8_t rank, platform::DirectoryListing& listing,
                                  const LevelScore& level) {
  if (level.followed.empty()) return;
  const NameList& names = listing.names;
  // An exact name adds nothing to the rank; everything else adds the level's score, and a
  // far-fetched typo moves the path into the far band.
  const std::uint8_t next_rank = level.score == kExactScore ? rank : AddRank(rank, level.score);
  const std::uint8_t far_rank = FarRank(next_rank);
  // The far names are a part of the followed ones, in the same order.
  std::size_t next_far = 0;
  const auto rank_of = [&](std::size_t index) {
    if (next_far < level.far.size() && level.far[next_far] == index) {
      ++next_far;
      return far_rank;
    }
    return next_rank;
  };
  if (split.rest.empty() && level.far.empty()) {
    // The last level: every name followed is a candidate, nothing more is listed (the
    // candidates take the listing's names over when they are most of them).
    match_list_.AddListed(base, listing.names, level.followed, next_rank);
  } else if (split.rest.empty()) {
    const CandidateList::DirectoryId dir = match_list_.AddDirectory(base);
    for (std::size_t index : level.followed) match_list_.Add(dir, names[index], rank_of(index));
  } else {
    const LookUp below = level.followed.size() == 1 ? LookUp::kFirst : LookUp::kNever;
    for (std::size_t index : level.followed) {
      Search(split.rest, JoinPath(base, names[index]), rank_of(index), listing.IdentityOf(index),
             below);
    }
  }
}

void DirectorySearch::FollowPassedOverNames(const ComponentSplit& split, const std::string& base,
                                            std::uint8_t rank, platform::DirectoryListing& listing,
                                            std::vector<std::size_t> passed) {
  // What is offered for creation stays below the exact name typed: a sibling tried only because
  // that name led nowhere is a guess at what was meant, not a place to make the rest.
  const CreateOffer create_offer = create_offer_;
  create_offer_ = CreateOffer::kOff;
  for (;;) {
    // The level again without the names passed over, in listing order; `index_of` maps back.
    platform::DirectoryListing others;
    std::vector<std::size_t> index_of;
    for (std::size_t k = 0; k < listing.names.size(); ++k) {
      if (std::find(passed.begin(), passed.end(), k) != passed.end()) continue;
      others.Add(listing.names[k], listing.IdentityOf(k));
      index_of.push_back(k);
    }
    LevelScore level = MatchLevel(split.component, others.names, folder_);
    // Another exact name (the typed one in another case) or the prefix and wildcard matches; the
    // looser tiers are left to the creation offer.
    if (level.followed.empty() || level.score > kWildcardScore) break;
    const std::size_t found_before = match_list_.size();
    FollowLevel(split, base, rank, others, level);
    if (level.score != kExactScore || FoundPlausibleSince(found_before)) break;
    passed.push_back(index_of[level.followed.front()]);
  }
  create_offer_ = create_offer;
}

bool DirectorySearch::FoundPlausibleSince(std::size_t first) const {
  for (std::size_t i = first; i < match_list_.size(); ++i) {
    if (IsPlausibleRank(match_list_[i].rank)) return true;
  }
  return false;
}

bool DirectorySearch::IsWholeName(std::string_view component) const {
  if (component.empty() || component == "." || component == ".." || ContainsWildcard(component)) {
    return false;
  }
  // Windows drops a trailing dot or space from a name it is given, so such a component would
  // find another name than the one typed.
  return !syntax_.drives || (component.back() != '.' && component.back() != ' ');
}

void DirectorySearch::DropEntriesIntoChain(platform::DirectoryListing& listing) {
  // Only a link can lead back up the chain; most listings hold none.
  if (listing.links.empty()) return;
  for (ChainLink& link : chain_) {
    if (!link.identified) {
      link.identity = fs_.IdentifyDirectory(link.path);
      link.identified = true;
    }
  }
  const auto into_chain = [this](const platform::DirectoryIdentity& identity) {
    return std::any_of(chain_.begin(), chain_.end(),
                       [&identity](const ChainLink& link) { return link.identity == identity; });
  };
  if (std::none_of(listing.links.begin(), listing.links.end(),
                   [&into_chain](const auto& link) { return into_chain(link.second); })) {
    return;
  }
  // Copied without those entries, in listing order, the other links with their identities.
  platform::DirectoryListing kept;
  std::size_t next_link = 0;
  for (std::size_t i = 0; i < listing.names.size(); ++i) {
    std::optional<platform::DirectoryIdentity> identity;
    if (next_link < listing.links.size() && listing.links[next_link].first == i) {
      identity = listing.links[next_link++].second;
    }
    if (identity && into_chain(*identity)) continue;
    kept.Add(listing.names[i], identity);
  }
  listing = std::move(kept);
}

bool DirectorySearch::FoundPlausible() const {
  for (const Candidate& c : match_list_) {
    if (IsPlausibleRank(c.rank)) return true;
  }
  return false;
}

void DirectorySearch::AddDeadEnd(const std::string& base, const ComponentSplit& split) {
  if (create_offer_ == CreateOffer::kOff || ContainsWildcard(split.component) ||
      ContainsWildcard(split.rest) || ContainsWildcard(base)) {
    return;
  }
  // The directory listed and the rest as typed, kept in the list's text without a path of their
  // own: `*/*/x` meets a dead end in every listing without an x.
  dead_end_.assign(split.component).append(1, syntax_.separator).append(split.rest);
  create_list_.Add(create_list_.AddDirectory(base), dead_end_, kCreateRank);
}

void DirectorySearch::AddCreateCandidate(std::string path) {
  if (create_offer_ == CreateOffer::kOff || ContainsWildcard(path)) return;
  create_list_.Add(path, kCreateRank);
}

}  // namespace dirhop
