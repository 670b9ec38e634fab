#include "platform/directory_listing.h"

#include <algorithm>

namespace dirhop::platform {

void DirectoryListing::Add(std::string_view name, std::optional<DirectoryIdentity> identity) {
  if (identity) links.emplace_back(names.size(), *identity);
  names.Add(name);
}

std::optional<DirectoryIdentity> DirectoryListing::IdentityOf(std::size_t index) const {
  const auto link = std::lower_bound(links.begin(), links.end(), index,
                                     [](const std::pair<std::size_t, DirectoryIdentity>& l,
                                        std::size_t i) { return l.first < i; });
  if (link == links.end() || link->first != index) return std::nullopt;
  return link->second;
}

}  // namespace dirhop::platform
