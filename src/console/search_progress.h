// The progress of a search that takes long, on a status line of standard error: how many folders
// it has looked at and the level of the path it is on, shown once the search has run for a
// while, kept up to date a few times a second, erased when the search is over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "match/search_observer.h"
#include "platform/host.h"

namespace dirhop {

// How long a search runs before its progress is shown.
inline constexpr std::uint64_t kSearchProgressDelayMs = 1000;
// The least time between two updates of the line shown.
inline constexpr std::uint64_t kSearchProgressRefreshMs = 100;

// The text of the line: "Searching... <folders> folders looked at, level <level>".
std::string SearchProgressText(std::size_t folders, std::size_t level);

class SearchProgress final : public SearchObserver {
 public:
  // Opens the status line through `host` (none when standard error is no terminal) and starts
  // timing on its clock; the progress is shown once `delay_ms` have passed. `host` outlives it.
  explicit SearchProgress(Host& host, std::uint64_t delay_ms = kSearchProgressDelayMs);
  // Erases what is shown.
  ~SearchProgress() override;
  SearchProgress(const SearchProgress&) = delete;
  SearchProgress& operator=(const SearchProgress&) = delete;

  // Whether there is a line to show the progress on; a search need not be observed otherwise.
  bool HasLine() const { return line_ != nullptr; }
  // Counts the listing; shows the count and `level` when the delay has passed and the line was
  // last updated at least kSearchProgressRefreshMs ago. One clock reading per listing.
  void BeforeListing(std::size_t level) override;
  // Erases what is shown, before the run writes anything else; nothing is shown afterwards.
  void Finish();

 private:
  Host& host_;
  std::unique_ptr<platform::StatusLine> line_;
  std::uint64_t next_update_;  // when the line is shown next: at first the end of the delay
  std::size_t folders_ = 0;    // listings counted so far
};

}  // namespace dirhop
