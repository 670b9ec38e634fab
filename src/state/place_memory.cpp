#include "state/place_memory.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

#include "base/case_folding.h"
#include "platform/store_lock.h"

namespace dirhop {
namespace {

constexpr std::string_view kHeader = "# dirhop places 1 ";
// How much of the file's start an append reads back: the header and its number.
constexpr std::size_t kHeadLength = 48;

constexpr UnixSeconds kHour = 3600;
constexpr UnixSeconds kDay = 24 * kHour;
constexpr UnixSeconds kWeek = 7 * kDay;

// One place while a file is folded together; `path` lies in the text read or in what the caller
// passed, which outlive the table. It is the RememberedPlace a load keeps, so that a load makes
// its places where it read them; until the file is read whole, its score only tells a forgotten
// place (kForgotten) from a kept one.
using Entry = RememberedPlace;
constexpr double kForgotten = -1;

bool IsGone(const Entry& entry) { return entry.score == kForgotten; }
void Forget(Entry& entry) { entry.score = kForgotten; }

// The places of a file, each once, in the order first met. Paths are not copied: a memory of
// 10,000 places is folded with no allocation a place, its index two flat arrays.
class Table {
 public:
  explicit Table(PathCase path_case, std::size_t expected = 0)
      : index_(TextCaseOf(path_case), expected) {
    entries_.reserve(expected);
  }

  // The entry of `path` (which must outlive the table), made when missing.
  Entry& At(std::string_view path) {
    const TextIndex::Added found = index_.Add(path);
    if (found.added) entries_.push_back(Entry{path});
    Entry& entry = entries_[found.number];
    if (IsGone(entry)) entry = Entry{path};
    return entry;
  }
  Entry* Find(std::string_view path) {
    const std::uint32_t found = index_.Find(path);
    if (found == TextIndex::kAbsent || IsGone(entries_[found])) return nullptr;
    return &entries_[found];
  }
  std::vector<Entry>& entries() { return entries_; }
  // Hands the index (path to entry number) over; the table is then done with.
  TextIndex TakeIndex() { return std::move(index_); }

 private:
  static TextCase TextCaseOf(PathCase path_case) {
    return path_case == PathCase::kInsensitive ? TextCase::kAsciiIgnored : TextCase::kExact;
  }

  TextIndex index_;  // path to entry number
  std::vector<Entry> entries_;
};

// No place: an entry forgotten while loading.
constexpr std::uint32_t kNoPlace = UINT32_MAX;

// The number of records a memory text of `size` bytes may hold, to size a table for it.
std::size_t ExpectedPlaces(std::size_t size) { return size / 48 + 16; }

// True when `c` is a decimal digit.
bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') <= 9; }

// The parsers below read from a local copy of the position and store it once at the end: a
// position held by reference would be written back after every byte read, since a char may
// alias it.

// True when the machine keeps the first byte of a word in its low bits (x86, ARM as used): then
// ReadEightDigits may take eight digits in one word.
bool LowByteFirst() {
  const std::uint32_t one = 1;
  unsigned char first = 0;
  std::memcpy(&first, &one, 1);
  return first == 1;
}

// The value of the eight decimal digits at `text`, read as one word (the low byte first); false
// when they are not all digits. Each step joins neighbours: digit pairs, then fours, then eight.
bool ReadEightDigits(const char* text, std::uint64_t& value) {
  std::uint64_t word = 0;
  std::memcpy(&word, text, sizeof word);
  constexpr std::uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0ull;
  constexpr std::uint64_t kZeros = 0x3030303030303030ull;
  // Every byte 0x30 to 0x3F, and still below 0x40 when 6 is added: '0' to '9'.
  if ((word & kHighNibbles) != kZeros ||
      ((word + 0x0606060606060606ull) & kHighNibbles) != kZeros) {
    return false;
  }
  word -= kZeros;
  word = word * 10 + (word >> 8);  // each even byte: two digits
  word = ((word & 0x000000FF000000FFull) * (100 + (1000000ull << 32)) +
          ((word >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32))) >>
         32;
  value = word;
  return true;
}

// How many digits a number read is expected to have.
enum class Digits {
  kFew,   // a length
  kMany,  // a time: ten digits, the first eight of which are read in one step where they can be
};

// Reads the unsigned decimal integer at `text[at]` up to the next space; nullopt when there is
// none, it overflows, or no space follows.
std::optional<std::int64_t> ReadInteger(std::string_view text, std::size_t& at, Digits digits) {
  const std::size_t begin = at;
  std::size_t i = at;
  std::int64_t value = 0;
  std::uint64_t eight = 0;
  if (digits == Digits::kMany && LowByteFirst() && text.size() - i >= 8 &&
      ReadEightDigits(text.data() + i, eight)) {
    value = static_cast<std::int64_t>(eight);
    i += 8;
  }
  // Eighteen digits never overflow: the test matters from the nineteenth on.
  for (const std::size_t safe = begin + std::min<std::size_t>(18, text.size() - begin);
       i < safe && IsDigit(text[i]); ++i) {
    value = value * 10 + (text[i] - '0');
  }
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    if (value > (INT64_MAX - 9) / 10) return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  if (i == begin || i >= text.size() || text[i] != ' ') return std::nullopt;
  at = i + 1;
  return value;
}

// The weights of a fraction's first digits, 0.1 divided by ten again and again, as a division at
// each digit would make them (so the value read is the same to the last bit), without the
// divisions.
constexpr std::array<double, 8> FractionUnits() {
  std::array<double, 8> units{};
  double unit = 0.1;
  for (double& each : units) {
    each = unit;
    unit /= 10;
  }
  return units;
}
constexpr std::array<double, 8> kFractionUnits = FractionUnits();

// Reads a decimal with an optional fraction ("12", "0.25") at `text[at]` up to the next space.
std::optional<double> ReadDecimal(std::string_view text, std::size_t& at) {
  const std::size_t begin = at;
  std::size_t i = at;
  double value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) value = value * 10 + (text[i] - '0');
  const bool whole = i > begin;
  bool fraction = false;
  if (i < text.size() && text[i] == '.') {
    double unit = 0.1;
    for (std::size_t place = 0; ++i < text.size() && IsDigit(text[i]); ++place) {
      value += (text[i] - '0') * unit;
      fraction = true;
      unit = place + 1 < kFractionUnits.size() ? kFractionUnits[place + 1] : unit / 10;
    }
  }
  if ((!whole && !fraction) || i >= text.size() || text[i] != ' ' || !std::isfinite(value)) {
    return std::nullopt;
  }
  at = i + 1;
  return value;
}

// Reads "<length> <path>\n" at `text[at]`: the path, with `at` past its line feed.
std::optional<std::string_view> ReadPath(std::string_view text, std::size_t& at) {
  const std::optional<std::int64_t> length = ReadInteger(text, at, Digits::kFew);
  if (!length || *length == 0 || static_cast<std::uint64_t>(*length) >= text.size() - at) {
    return std::nullopt;
  }
  const std::size_t end = at + static_cast<std::size_t>(*length);
  if (text[end] != '\n') return std::nullopt;
  const std::string_view path = text.substr(at, end - at);
  at = end + 1;
  return path;
}

// True when a record of `kind` ("P " or "V ") begins at `text[at]`.
bool IsRecordOf(char kind, std::string_view text, std::size_t at) {
  return text[at] == kind && at + 1 < text.size() && text[at + 1] == ' ';
}

// Makes the records of `text` on `table`; returns how many were damaged.
std::size_t ReadRecords(std::string_view text, Table& table) {
  std::size_t damaged = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t start = at;
    bool read = false;
    if (text[at] == '#' || text[at] == '\n') {
      read = true;
      const std::size_t end = text.find('\n', at);
      at = end == std::string_view::npos ? text.size() : end + 1;
    } else if (IsRecordOf('P', text, at)) {
      at += 2;
      const std::optional<double> visits = ReadDecimal(text, at);
      const std::optional<std::int64_t> last =
          visits ? ReadInteger(text, at, Digits::kMany) : std::nullopt;
      const std::optional<std::string_view> path = last ? ReadPath(text, at) : std::nullopt;
      if (path) {
        Entry& entry = table.At(*path);
        entry.visits += *visits;
        entry.last = std::max(entry.last, *last);
        read = true;
      }
    } else if (IsRecordOf('V', text, at)) {
      at += 2;
      const std::optional<std::int64_t> when = ReadInteger(text, at, Digits::kMany);
      const std::optional<std::string_view> path = when ? ReadPath(text, at) : std::nullopt;
      if (path) {
        Entry& entry = table.At(*path);
        entry.visits += 1;
        entry.last = std::max(entry.last, *when);
        read = true;
      }
    }
    if (!read) {
      ++damaged;
      const std::size_t end = text.find('\n', start);
      at = end == std::string_view::npos ? text.size() : end + 1;
    }
  }
  return damaged;
}

// Ages the counts while together they pass kMostVisits; forgets those that fall below 1.
void Age(std::vector<Entry>& entries) {
  for (;;) {
    double total = 0;
    for (const Entry& entry : entries) {
      if (!IsGone(entry)) total += entry.visits;
    }
    if (total <= kMostVisits) return;
    for (Entry& entry : entries) {
      entry.visits *= kAgingFactor;
      if (entry.visits < 1) Forget(entry);
    }
  }
}

// Appends `value` in decimal.
void AppendInteger(std::string& out, std::uint64_t value) {
  char digits[20];
  std::size_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n != 0) out += digits[--n];
}

// Appends "<length> <path>\n".
void AppendPath(std::string& out, std::string_view path) {
  AppendInteger(out, path.size());
  out += ' ';
  out.append(path);
  out += '\n';
}

// The whole file for `entries`: the header, then one P record a place, most visited first.
std::string CompactedText(std::vector<Entry>& entries) {
  std::vector<const Entry*> kept;
  for (const Entry& entry : entries) {
    if (!IsGone(entry)) kept.push_back(&entry);
  }
  std::sort(kept.begin(), kept.end(),
            [](const Entry* a, const Entry* b) { return a->visits > b->visits; });
  std::string body;
  for (const Entry* entry : kept) {
    // Thousandths, written without the locale's decimal sign.
    const auto thousandths = static_cast<std::uint64_t>(std::llround(entry->visits * 1000));
    body += "P ";
    AppendInteger(body, thousandths / 1000);
    body += '.';
    const auto fraction = thousandths % 1000;
    body += static_cast<char>('0' + fraction / 100);
    body += static_cast<char>('0' + fraction / 10 % 10);
    body += static_cast<char>('0' + fraction % 10);
    body += ' ';
    AppendInteger(body, static_cast<std::uint64_t>(std::max<UnixSeconds>(entry->last, 0)));
    body += ' ';
    AppendPath(body, entry->path);
  }
  std::string text(kHeader);
  AppendInteger(text, body.size());
  text += '\n';
  return text + body;
}

// The length of the compacted part that the header at the start of `head` gives; 0 without one.
std::uint64_t CompactedLength(std::string_view head) {
  if (head.compare(0, kHeader.size(), kHeader) != 0) return 0;
  std::uint64_t length = 0;
  for (std::size_t at = kHeader.size(); at < head.size() && head[at] >= '0' && head[at] <= '9';
       ++at) {
    length = length * 10 + static_cast<std::uint64_t>(head[at] - '0');
  }
  return length;
}

// Takes the memory's lock. kUnsupported goes on without one, as the store does.
platform::StoreLockResult LockMemory(FileSystem& fs, const PlaceFile& file) {
  return fs.LockStore(file.path, platform::LockedStore::kDataFile, platform::kStoreLockWait);
}

// Reads the file for a change: its text (empty when it is missing); nullopt when it exists but
// cannot be used.
std::optional<std::string> ReadForChange(FileSystem& fs, const PlaceFile& file) {
  platform::FileReadResult read = fs.ReadFileForUpdate(file.path, kPlaceFileLimit);
  if (read.status == platform::StoreFileStatus::kOk) return std::move(read.bytes);
  if (read.status == platform::StoreFileStatus::kMissing) return std::string();
  return std::nullopt;
}

// Writes `table` whole in place of the file. A missing file is made first, empty and private, so
// that the replacement keeps its permissions.
PlaceSave WriteWhole(FileSystem& fs, const PlaceFile& file, Table& table) {
  Age(table.entries());
  if (!fs.AppendToPrivateFile(file.path, {}, 0, file.folders).written) return PlaceSave::kFailed;
  return fs.ReplaceFileAtomically(file.path, CompactedText(table.entries())) ==
                 platform::StoreFileStatus::kOk
             ? PlaceSave::kSaved
             : PlaceSave::kFailed;
}

}  // namespace

double RecencyWeight(UnixSeconds last, UnixSeconds now) {
  const UnixSeconds age = now - last;
  if (age < kHour) return 4;
  if (age < kDay) return 2;
  if (age < kWeek) return 0.5;
  return 0.25;
}

PlaceMemory PlaceMemory::Load(FileSystem& fs, const PlaceFile& file, UnixSeconds now,
                              PlaceOrder order) {
  PlaceMemory memory;
  platform::FileReadResult read = fs.ReadFileForUpdate(file.path, kPlaceFileLimit);
  if (read.status != platform::StoreFileStatus::kOk) return memory;
  // The text stays with the memory, on the heap where a move of the memory leaves it: the
  // places' paths and the index's keys are views of it.
  memory.text_ = std::make_unique<const std::string>(std::move(read.bytes));
  Table table(file.path_case, ExpectedPlaces(memory.text_->size()));
  memory.damaged_ = ReadRecords(*memory.text_, table);
  Age(table.entries());
  // The places are the entries kept, moved up over the forgotten ones, and scored; the table's
  // index becomes the memory's, with each entry's number turned into its place's where they
  // differ.
  std::vector<Entry>& places = table.entries();
  auto kept = static_cast<std::uint32_t>(places.size());
  if (std::any_of(places.begin(), places.end(), IsGone)) {
    memory.place_of_.assign(places.size(), kNoPlace);
    kept = 0;
    for (std::size_t n = 0; n < places.size(); ++n) {
      if (IsGone(places[n])) continue;
      memory.place_of_[n] = kept;
      places[kept++] = places[n];
    }
    places.resize(kept);
  }
  for (Entry& place : places) place.score = Frecency(place.visits, place.last, now);
  if (order == PlaceOrder::kByFrecency) {
    // Sorted as small records (the score and the place's number), then the places are moved
    // once each into that order.
    struct Ranked {
      double score;
      std::uint32_t place;
    };
    std::vector<Ranked> ranked(kept);
    for (std::uint32_t n = 0; n < kept; ++n) ranked[n] = Ranked{places[n].score, n};
    std::sort(ranked.begin(), ranked.end(), [&places](const Ranked& a, const Ranked& b) {
      if (a.score != b.score) return a.score > b.score;
      const RememberedPlace& x = places[a.place];
      const RememberedPlace& y = places[b.place];
      if (x.last != y.last) return x.last > y.last;
      return x.path < y.path;
    });
    std::vector<RememberedPlace> sorted;
    sorted.reserve(kept);
    std::vector<std::uint32_t> rank_of(kept);
    for (std::uint32_t r = 0; r < kept; ++r) {
      rank_of[ranked[r].place] = r;
      sorted.push_back(places[ranked[r].place]);
    }
    if (memory.place_of_.empty()) {
      memory.place_of_ = std::move(rank_of);
    } else {
      for (std::uint32_t& place : memory.place_of_) {
        if (place != kNoPlace) place = rank_of[place];
      }
    }
    places = std::move(sorted);
  }
  memory.places_ = std::move(places);
  memory.index_ = table.TakeIndex();
  return memory;
}

const RememberedPlace* PlaceMemory::Find(std::string_view path) const {
  const std::uint32_t entry = index_.Find(path);
  if (entry == TextIndex::kAbsent) return nullptr;
  const std::uint32_t place = place_of_.empty() ? entry : place_of_[entry];
  return place == kNoPlace ? nullptr : &places_[place];
}

std::string VisitRecord(std::string_view dir, UnixSeconds when) {
  std::string record = "V ";
  AppendInteger(record, static_cast<std::uint64_t>(std::max<UnixSeconds>(when, 0)));
  record += ' ';
  AppendPath(record, dir);
  return record;
}

PlaceSave RecordVisit(FileSystem& fs, const PlaceFile& file, const std::string& dir,
                      UnixSeconds now) {
  if (dir.empty()) return PlaceSave::kFailed;
  const platform::StoreLockResult lock = LockMemory(fs, file);
  if (lock.outcome == platform::StoreLockOutcome::kBusy) return PlaceSave::kBusy;
  const platform::AppendResult appended =
      fs.AppendToPrivateFile(file.path, VisitRecord(dir, now), kHeadLength, file.folders);
  if (!appended.written) return PlaceSave::kFailed;
  // Compaction rewrites the file, so it needs the lock: an append made meanwhile would be lost.
  if (lock.outcome == platform::StoreLockOutcome::kHeld &&
      appended.size > CompactedLength(appended.head) + kAppendedBound) {
    if (const std::optional<std::string> text = ReadForChange(fs, file)) {
      Table table(file.path_case, ExpectedPlaces(text->size()));
      ReadRecords(*text, table);
      WriteWhole(fs, file, table);
    }
  }
  return PlaceSave::kSaved;
}

ForgetResult ForgetPlaces(FileSystem& fs, const PlaceFile& file,
                          const std::vector<std::string>& dirs, UnixSeconds /*now*/) {
  ForgetResult result;
  const platform::StoreLockResult lock = LockMemory(fs, file);
  if (lock.outcome == platform::StoreLockOutcome::kBusy) {
    result.save = PlaceSave::kBusy;
    return result;
  }
  const std::optional<std::string> text = ReadForChange(fs, file);
  if (!text) {
    result.save = PlaceSave::kFailed;
    return result;
  }
  Table table(file.path_case, ExpectedPlaces(text->size()));
  ReadRecords(*text, table);
  for (const std::string& dir : dirs) {
    if (Entry* entry = table.Find(dir)) {
      Forget(*entry);
      ++result.forgotten;
    }
  }
  if (result.forgotten != 0) result.save = WriteWhole(fs, file, table);
  return result;
}

PlaceSave ImportPlaces(FileSystem& fs, const PlaceFile& file,
                       const std::vector<ImportedPlace>& imported, UnixSeconds /*now*/) {
  const platform::StoreLockResult lock = LockMemory(fs, file);
  if (lock.outcome == platform::StoreLockOutcome::kBusy) return PlaceSave::kBusy;
  const std::optional<std::string> text = ReadForChange(fs, file);
  if (!text) return PlaceSave::kFailed;
  Table table(file.path_case, ExpectedPlaces(text->size()) + imported.size());
  ReadRecords(*text, table);
  for (const ImportedPlace& place : imported) {
    Entry& entry = table.At(place.path);
    entry.visits = std::max(entry.visits, place.visits);
    entry.last = std::max(entry.last, place.last);
  }
  return WriteWhole(fs, file, table);
}

bool MatchesGlob(std::string_view pattern, std::string_view path, PathCase path_case) {
  const auto same = [path_case](char a, char b) {
    return path_case == PathCase::kInsensitive ? UpperChar(a) == UpperChar(b) : a == b;
  };
  // The last star met and where its run in `path` ends so far: a mismatch lets it take one byte
  // more, so the whole test is linear in practice.
  std::size_t p = 0;
  std::size_t t = 0;
  std::size_t star = std::string_view::npos;
  std::size_t star_end = 0;
  while (t < path.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_end = t;
    } else if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], path[t]))) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++star_end;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace dirhop
