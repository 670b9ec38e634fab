// What a directory search tells while it runs, for a display of its progress.
#pragma once

#include <cstddef>

namespace dirhop {

class SearchObserver {
 public:
  virtual ~SearchObserver() = default;
  // Called just before the search lists a directory, with the level of the spec the listing is
  // for: 1 for the first component the search was given, 2 for the one after it, and so on.
  virtual void BeforeListing(std::size_t level) = 0;
};

}  // namespace dirhop
