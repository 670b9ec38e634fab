#include "console/search_progress.h"

namespace dirhop {

std::string SearchProgressText(std::size_t folders, std::size_t level) {
  return "Searching... " + std::to_string(folders) + " folders looked at, level " +
         std::to_string(level);
}

SearchProgress::SearchProgress(Host& host, std::uint64_t delay_ms)
    : host_(host), line_(host.OpenStatusLine()) {
  next_update_ = line_ ? host_.MonotonicMilliseconds() + delay_ms : 0;
}

SearchProgress::~SearchProgress() { Finish(); }

void SearchProgress::BeforeListing(std::size_t level) {
  ++folders_;
  if (!line_) return;
  // A clock reading costs far less than the listing it comes before (a monotonic clock is read
  // without entering the kernel where the system allows).
  const std::uint64_t now = host_.MonotonicMilliseconds();
  if (now < next_update_) return;
  line_->Show(SearchProgressText(folders_, level));
  next_update_ = now + kSearchProgressRefreshMs;
}

void SearchProgress::Finish() {
  if (!line_) return;
  line_->Erase();
  line_.reset();
}

}  // namespace dirhop
