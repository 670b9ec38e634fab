#include "console/chooser.h"

#include <algorithm>
#include <cstring>

#include "console/visible_text.h"
#include "match/ordering.h"

namespace dirhop {

namespace {

// Shown before an entry to create in a list of entries to enter (CreateMode::kEither).
constexpr char kNewMark[] = "new ";

bool IsPreviousPageKey(Key key) {
  return (key.ch != 0 && std::strchr("<,-[{", key.ch) != nullptr) ||
         (key.ch == 0 && (key.ext == kExtUp || key.ext == kExtPageUp));
}

bool IsNextPageKey(Key key) {
  return (key.ch != 0 && std::strchr(">.=+]} ", key.ch) != nullptr) ||
         (key.ch == 0 && (key.ext == kExtDown || key.ext == kExtPageDown));
}

// Position of `ch` among the selection keys (0-based), or -1.
int SelectionIndex(std::uint8_t ch) {
  if (ch == 0) return -1;
  const char* found = std::strchr(kSelectionKeys, ch);
  return found ? static_cast<int>(found - kSelectionKeys) : -1;
}

class Chooser {
 public:
  Chooser(Console& console, CandidateList& list, CreateMode mode, ListOrder order,
          PathSyntax syntax, std::string_view home)
      : console_(console),
        list_(list),
        mode_(mode),
        order_(order),
        syntax_(syntax),
        home_(home),
        page_size_(ChooserPageSize(console.ScreenLastRow())),
        field_width_(ChooserFieldWidth(console.ScreenHalfWidth())) {}

  std::optional<ChosenEntry> Run() {
    // Before the page appears, so that a key pressed after seeing it is never dropped.
    console_.DiscardTypedAhead();
    ShowChooserPage();
    for (;;) {
      const std::optional<Key> read = console_.TryReadKey();
      // Without a console to read from, the menu cannot be answered: leave as with Escape.
      const Key key = read.value_or(Key{kKeyEscape, 0});
      MovePage(key);
      const int index = SelectionIndex(key.ch);
      if (index >= 0 && index < shown_count_) {
        console_.Write(std::string(1, static_cast<char>(key.ch)));
        console_.WriteLine();
        console_.Flush();
        const Candidate chosen = list_[page_first_ + index];
        return ChosenEntry{chosen.Path(), chosen.rank};
      }
      if (key.ch == kKeyEscape || key.ch == kKeyCtrlC) {
        console_.WriteLine("Exit");
        console_.Flush();
        return std::nullopt;
      }
    }
  }

 private:
  int Count() const { return static_cast<int>(list_.size()); }
  int LastPageFirst() const { return (Count() - 1) / page_size_ * page_size_; }

  void MovePage(Key key) {
    int target = page_first_;
    if (IsPreviousPageKey(key)) {
      if (page_first_ > 0) target = page_first_ - page_size_;
    } else if (IsNextPageKey(key)) {
      if (page_first_ + page_size_ < Count()) target = page_first_ + page_size_;
    } else if (key.ch == 0 && key.ext == kExtHome) {
      target = 0;
    } else if (key.ch == 0 && key.ext == kExtEnd) {
      target = std::max(page_first_, LastPageFirst());
    }
    if (target == page_first_) return;
    page_first_ = target;
    console_.WriteLine();
    ShowChooserPage();
  }

  void ShowChooserPage() {
    const int page_end = std::min(page_first_ + page_size_, Count());
    if (order_ == ListOrder::kByRankAndPath && page_end > sorted_end_) {
      // Sorted up to the end of this page; pages before it were sorted on the way.
      SortFirst(list_, static_cast<std::size_t>(sorted_end_), static_cast<std::size_t>(page_end));
      sorted_end_ = page_end;
    }
    shown_count_ = 0;
    for (int k = 0; k < page_size_ && page_first_ + k < Count(); ++k) {
      ++shown_count_;
      console_.SetTextColour(kColourLabel);
      console_.Write(std::string("[") + kSelectionKeys[k] + "] ");
      console_.SetTextColour(kColourNormal);
      const Candidate entry = list_[page_first_ + k];
      // Beside directories to enter, a directory to create says so before its path.
      const bool marked = mode_ == CreateMode::kEither && entry.rank == kCreateRank;
      const std::string mark = marked ? kNewMark : "";
      const auto width =
          static_cast<std::uint8_t>(std::max<int>(1, field_width_ - static_cast<int>(mark.size())));
      // Shortened by its real separators, then shown with its controls escaped, cut and padded
      // to the field's columns, the last of which stays blank: a filled field never runs into
      // the key of the next one.
      const auto text_width = static_cast<std::uint8_t>(std::max(1, width - 1));
      const std::string shortened =
          ShortenPath(text_width, WithHomeAsTilde(entry.Path(), home_, syntax_), syntax_);
      console_.Write(mark + PadToWidth(shortened, text_width) + (width > 1 ? " " : ""));
      if (k % 2 == 1) console_.WriteLine();
    }
    if (shown_count_ % 2 == 1) console_.WriteLine();
    console_.WriteLine();
    console_.SetTextColour(kColourNormal);
    const int pages = (Count() + page_size_ - 1) / page_size_;
    if (pages > 1) {
      console_.Write("Page ");
      console_.WriteNumber(page_first_ / page_size_ + 1);
      console_.Write(" of ");
      console_.WriteNumber(pages);
      console_.Write("  ");
    }
    console_.Write(mode_ == CreateMode::kOn       ? "Create directory "
                   : mode_ == CreateMode::kEither ? "Change to or create directory "
                                                  : "Change directory to ");
    console_.Write(std::string("(") + kSelectionKeys[0] + "-" + kSelectionKeys[shown_count_ - 1] +
                   " or Escape to exit)? ");
    console_.Flush();
  }

  Console& console_;
  CandidateList& list_;
  CreateMode mode_;
  ListOrder order_;
  PathSyntax syntax_;
  std::string home_;  // shown as ~
  int page_size_;
  int field_width_;
  int page_first_ = 0;  // list index of the first entry on the page
  int shown_count_ = 0;
  int sorted_end_ = 0;  // list places before it are in CompareCandidates order (kByRankAndPath)
};

}  // namespace

int ChooserPageSize(int last_row) { return std::clamp(2 * (last_row - 1), 2, kSelectionKeyCount); }

int ChooserFieldWidth(int half_width) { return std::clamp(half_width - 5, 1, 255); }

std::string ShortenPath(std::uint8_t width, std::string path, PathSyntax syntax) {
  const char separator = syntax.separator;
  // Measured in the columns of the visible form. A separator is ASCII, never part of an escape or
  // of a character, so the columns of a removed level are simply taken off.
  std::size_t columns = DisplayWidth(path);
  if (columns + 4 <= width) return path;
  // The levels from the first separator up to `kept_from` go, one at a time until the rest fits,
  // and are erased at once.
  const std::size_t first = path.find(separator);
  if (first != std::string::npos) {
    std::size_t kept_from = first;
    while (columns + 4 > width) {
      const std::size_t next = path.find(separator, kept_from + 1);
      if (next == std::string::npos) break;
      columns -= DisplayWidth(std::string_view(path).substr(kept_from, next - kept_from));
      kept_from = next;
    }
    path.erase(first, kept_from - first);
  }
  // The dots stand where the removed levels were: after "C:\" on Windows, after the root on POSIX,
  // with the separator repeated on both sides of them.
  const std::size_t cut = syntax.drives ? 2 : std::min(path.find(separator), path.size());
  std::string shown;
  shown.reserve(path.size() + 4);
  shown.append(path, 0, cut + 1).append("...").append(path, std::min(cut, path.size()));
  return shown;
}

std::string WithHomeAsTilde(std::string path, std::string_view home, PathSyntax syntax) {
  if (home.empty() || path.compare(0, home.size(), home) != 0) return path;
  if (path.size() > home.size() && path[home.size()] != syntax.separator) return path;
  return path.replace(0, home.size(), "~");
}

std::string ChooseDirectory(Console& console, CandidateList& list, CreateMode mode, ListOrder order,
                            const std::string& start_dir, PathSyntax syntax,
                            std::string_view home) {
  const std::optional<ChosenEntry> chosen =
      ChooseEntry(console, list, mode, order, SingleEntry::kTakeAtOnce, start_dir, syntax, home);
  return chosen ? chosen->path : std::string();
}

std::optional<ChosenEntry> ChooseEntry(Console& console, CandidateList& list, CreateMode mode,
                                       ListOrder order, SingleEntry single,
                                       const std::string& start_dir, PathSyntax syntax,
                                       std::string_view home) {
  const auto whole = [](const Candidate& c) { return ChosenEntry{c.Path(), c.rank}; };
  if (list.size() > 1) {
    // Compared in place: a wide search can offer thousands of candidates.
    list.KeepIf([&](const Candidate& c) { return !c.PathIsIgnoringCase(start_dir); });
    // Every entry was the start directory: staying there is the only choice there is.
    if (list.empty()) return ChosenEntry{start_dir, 0};
  }
  if (list.size() == 1 && single == SingleEntry::kTakeAtOnce) return whole(list.front());
  return Chooser(console, list, mode, order, syntax, home).Run();
}

}  // namespace dirhop
