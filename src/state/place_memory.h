// The memory of places: every directory the user entered through Dirhop (and, with the shell's
// hook, by any change of directory), with how often and how lately, ranked by frecency. It is a
// file of its own; the fixed store (history and aliases) never holds it.
//
// The file is text, one record a line:
//   # dirhop places 1 <N>                   header: the compacted part is N bytes long
//   P <visits> <last> <length> <path>       a place, as the last compaction left it
//   V <time> <length> <path>                a visit appended since
// <visits> is a decimal with up to three places, <last> and <time> seconds since 1970 (UTC),
// <length> the byte length of <path>, which follows raw (any byte, line feeds too). A jump
// appends one V record in one write and reads nothing else; once the records appended since the
// last compaction pass kAppendedBound bytes, the run that appended folds the whole file into P
// records and replaces it atomically, under the store's lock. A record whose length does not
// lead to its line feed (a torn or damaged line) is skipped, and reading resumes at the next
// line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_index.h"
#include "platform/file_system.h"

namespace dirhop {

// Seconds since 1970-01-01 UTC.
using UnixSeconds = std::int64_t;

// When the visit counts of all places together pass this, every count is aged.
inline constexpr double kMostVisits = 10000;
// Each count is multiplied by this when the memory ages; a place whose count falls below 1 is
// forgotten.
inline constexpr double kAgingFactor = 0.9;
// The appended records a memory file may hold beyond its compacted part before the run that
// appends compacts it (2,000 to 3,000 visits).
inline constexpr std::size_t kAppendedBound = 128 * 1024;
// The longest memory file that is read; a longer one is neither used nor rewritten.
inline constexpr std::size_t kPlaceFileLimit = std::size_t{64} << 20;

// How the paths of the memory compare: byte for byte (POSIX) or ignoring case (Windows).
enum class PathCase { kSensitive, kInsensitive };

// Where a memory is kept.
struct PlaceFile {
  std::string path;  // the memory file
  PathCase path_case = PathCase::kSensitive;
  // Whether a missing folder of the file is made (the memory's own folder), or the memory is
  // then not kept (a folder the user named through the data file).
  platform::MissingFolders folders = platform::MissingFolders::kMake;
};

// The weight of a visit made at `last`, seen at `now`: 4 within the hour, 2 within the day, 1/2
// within the week, 1/4 after that (the scheme of z and zoxide).
double RecencyWeight(UnixSeconds last, UnixSeconds now);

// The frecency of a place: its visit count times the recency weight of its last visit.
inline double Frecency(double visits, UnixSeconds last, UnixSeconds now) {
  return visits * RecencyWeight(last, now);
}

// One remembered place.
struct RememberedPlace {
  std::string_view path;  // valid as long as the PlaceMemory that holds the place
  double visits = 0;      // visits, aged
  UnixSeconds last = 0;   // the latest visit
  double score = 0;       // Frecency at the time the memory was loaded
};

// The order of a loaded memory's places.
enum class PlaceOrder {
  kByFrecency,  // most frecent first (ties: the latest visit first, then by path)
  kAsStored,    // as the file holds them: a lookup that ranks its own candidates skips the sort
};

// A memory of places read from its file: the places most frecent first.
class PlaceMemory {
 public:
  PlaceMemory() = default;
  // Moved only: the places and the index are views of the text it holds.
  PlaceMemory(PlaceMemory&&) = default;
  PlaceMemory& operator=(PlaceMemory&&) = default;
  PlaceMemory(const PlaceMemory&) = delete;
  PlaceMemory& operator=(const PlaceMemory&) = delete;

  // Reads the memory at `file` (a missing, unreadable or too large file is an empty memory; a
  // damaged record is skipped), ages it as a save would, scores every place at `now` and orders
  // them as `order` says. Takes no lock: every change of the file is one append or one atomic
  // replacement.
  static PlaceMemory Load(FileSystem& fs, const PlaceFile& file, UnixSeconds now,
                          PlaceOrder order = PlaceOrder::kByFrecency);

  // The places, most frecent first.
  const std::vector<RememberedPlace>& places() const { return places_; }
  // The place at `path` (compared as the file's PathCase says); null when it is not remembered.
  const RememberedPlace* Find(std::string_view path) const;
  // How many damaged records the file held.
  std::size_t damaged() const { return damaged_; }

 private:
  // The file's text: the places' paths are views of it.
  std::unique_ptr<const std::string> text_;
  std::vector<RememberedPlace> places_;
  // Each path of the file (views of `text_`, compared as its PathCase says) to the number of its
  // entry while the file was read, and that number to its place (UINT32_MAX: a place aged away;
  // empty while every entry is the place of its number).
  TextIndex index_;
  std::vector<std::uint32_t> place_of_;
  std::size_t damaged_ = 0;
};

// What came of a change of the memory.
enum class PlaceSave {
  kSaved,   // made and on the disk
  kBusy,    // another run held the lock for the whole wait: nothing changed
  kFailed,  // the file could not be read or written: nothing changed
};

// Records a visit of `dir` at `now`: appends one record; compacts the file when the records
// appended since its last compaction pass kAppendedBound (only with the lock held).
PlaceSave RecordVisit(FileSystem& fs, const PlaceFile& file, const std::string& dir,
                      UnixSeconds now);

// What ForgetPlaces did.
struct ForgetResult {
  PlaceSave save = PlaceSave::kSaved;
  std::size_t forgotten = 0;  // how many of the places asked for were remembered (and are gone)
};

// Forgets each of `dirs` (compared as `file.path_case` says): the file is rewritten without
// them, so their paths leave the disk. Nothing is written when none of them is remembered.
ForgetResult ForgetPlaces(FileSystem& fs, const PlaceFile& file,
                          const std::vector<std::string>& dirs, UnixSeconds now);

// A place read from another tool's memory.
struct ImportedPlace {
  std::string path;
  double visits = 0;
  UnixSeconds last = 0;
};

// Adds `imported` to the memory in one atomic replacement: a place already remembered keeps the
// larger of its count and the imported one, and the later of the two times, so importing the
// same list twice changes nothing; the memory is then aged as after any change.
PlaceSave ImportPlaces(FileSystem& fs, const PlaceFile& file,
                       const std::vector<ImportedPlace>& imported, UnixSeconds now);

// True when `path` matches the glob `pattern`: `*` any run of characters (separators too), `?`
// any one byte, every other byte itself (ignoring ASCII case for PathCase::kInsensitive).
bool MatchesGlob(std::string_view pattern, std::string_view path, PathCase path_case);

// The text of one visit record (exposed for tests and benchmarks).
std::string VisitRecord(std::string_view dir, UnixSeconds when);

}  // namespace dirhop
