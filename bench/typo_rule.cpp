// Measures when a typo may be entered at once: runs the directory level's matching (MatchLevel)
// on typing slips and on names that do not exist, against a home directory as people keep it,
// and counts what each candidate rule for a plausible typo would do with them. The rule the
// program uses is PlausibleTypoEdits with swaps counted as one edit (match/typo_plausibility.h).
//
//   build/native/bench/bench_typo_rule [--list]
//
// The slips are made from every name of the home directory: each pair of neighbours swapped,
// each letter dropped, each letter doubled and each letter replaced by its right-hand neighbour
// on a QWERTY keyboard; then the examples users gave (porjects, Documetns, ...). The missing names
// are folder names people type that the home directory does not hold, and near misses, names a
// few edits from one it holds. --list prints each word with its outcome under the program's rule.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/case_folding.h"
#include "base/name_list.h"
#include "match/level_match.h"
#include "match/typo_plausibility.h"

namespace {

using dirhop::LevelScore;
using dirhop::NameList;

const std::vector<std::string> kHome = {
    ".cache",    ".config",   ".local",  ".mozilla", ".ssh",     "bin",    "Desktop",
    "Documents", "Downloads", "Dropbox", "Music",    "Pictures", "Public", "Templates",
    "Videos",    "projects",  "snap",    "go",       "work",     "notes",  "Calibre Library"};

// Folder names people type that kHome does not hold.
const std::vector<std::string> kMissing = {
    "secret", "drafts",  "newthing", "xyzzy",   "notes.txt", "todo",   "backup", "archive",
    "photos", "games",   "mail",     "books",   "scripts",   "tests",  "build",  "old",
    "data",   "code",    "tmp",      "src",     "invoices",  "taxes",  "cv",     "temp",
    "movies", "recipes", "vm",       "android", "steam",     "school", "lib",    "docker",
    "repos",  "git",     "www",      "share",   "misc",      "keys",   "apps",   "opt"};

// Names of folders that do not exist but lie a few edits from one that does: a rule that lets
// them land sends the user somewhere else.
const std::vector<std::string> kNearMisses = {
    "Magic", "Publish", "Temples",  "Lectures", "swap", "word", "fork",   "Dropzone",
    "Photo", "Movies",  "Videoes2", "bing",     "snip", "worm", "Mosaic", "Desks"};

// Slips reported by users, each with the name meant.
const std::vector<std::pair<std::string, std::string>> kReported = {{"wndows", "Windows"},
                                                                    {"porjects", "projects"},
                                                                    {"Documetns", "Documents"},
                                                                    {"Downlaods", "Downloads"},
                                                                    {"webhsop", "webshop"},
                                                                    {"api-sever", "api-server"},
                                                                    {"Pictrues", "Pictures"},
                                                                    {"Viedos", "Videos"},
                                                                    {"Msuic", "Music"},
                                                                    {"Dekstop", "Desktop"},
                                                                    {"Desktpo", "Desktop"},
                                                                    {"Tempaltes", "Templates"},
                                                                    {"ssh", ".ssh"},
                                                                    {"config", ".config"},
                                                                    {"cache", ".cache"},
                                                                    {"local", ".local"}};

// Abbreviations, each with the name meant (letters in order, ahead of any typo).
const std::vector<std::pair<std::string, std::string>> kAbbreviations = {
    {"prj", "projects"},  {"dl", "Downloads"}, {"docs", "Documents"}, {"tmpl", "Templates"},
    {"dcs", "Documents"}, {"pjs", "projects"}, {"dwnl", "Downloads"}, {"pics", "Pictures"},
    {"vds", "Videos"},    {"msc", "Music"},    {"dsk", "Desktop"},    {"dbx", "Dropbox"}};

char RightNeighbour(char c) {
  static const char* const kRows[] = {"qwertyuiop", "asdfghjkl", "zxcvbnm"};
  const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* row : kRows) {
    const char* at = std::strchr(row, lower);
    if (at && at[1]) return at[1];
    if (at) return at[-1];
  }
  return 0;
}

// The slips made from `name`, each once, none equal to the name.
std::vector<std::string> SlipsOf(const std::string& name) {
  std::set<std::string> slips;
  for (std::size_t i = 0; i + 1 < name.size(); ++i) {
    std::string s = name;
    std::swap(s[i], s[i + 1]);
    slips.insert(s);
  }
  for (std::size_t i = 0; i < name.size(); ++i) {
    slips.insert(name.substr(0, i) + name.substr(i + 1));
    slips.insert(name.substr(0, i + 1) + name.substr(i));
    if (const char n = RightNeighbour(name[i])) {
      std::string s = name;
      s[i] = n;
      slips.insert(s);
    }
  }
  std::vector<std::string> kept;
  for (const std::string& s : slips) {
    if (!s.empty() && dirhop::UpperCase(s) != dirhop::UpperCase(name)) kept.push_back(s);
  }
  return kept;
}

// A rule: the most edits a typo of a length may take, and whether swaps count as one edit.
struct Rule {
  const char* name;
  std::function<std::size_t(std::size_t)> edits;
  bool swaps_are_one;
};

std::size_t Levenshtein(const std::string& a, const std::string& b) {
  return dirhop::EditDistance(a, b);
}

// What a level does with a typed word.
enum class Outcome { kRight, kMenuWithRight, kAsks, kWrong, kMenuWrong };

const char* OutcomeName(Outcome o) {
  switch (o) {
    case Outcome::kRight:
      return "lands right";
    case Outcome::kMenuWithRight:
      return "menu, right one in it";
    case Outcome::kAsks:
      return "asks";
    case Outcome::kWrong:
      return "lands wrong";
    case Outcome::kMenuWrong:
      return "menu, all wrong";
  }
  return "";
}

// Which tier decided: exact, wildcard/prefix, letters in order, typo.
const char* TierName(std::uint8_t score) {
  if (score == dirhop::kExactScore) return "exact";
  if (score == dirhop::kWildcardScore) return "prefix";
  if (score == dirhop::kLettersScore) return "letters";
  return "typo";
}

// The outcome of `typed` at a level of `names` under `rule` (nullptr: every typo is followed,
// as before the rule), `meant` the name meant or empty for a missing name.
Outcome Judge(const std::string& typed, const NameList& names, const std::string& meant,
              const Rule* rule, std::uint8_t* tier) {
  const LevelScore level = dirhop::MatchLevel(typed, names);
  *tier = level.score;
  std::vector<std::string> followed;
  bool any_plausible = false;
  const std::string pattern = dirhop::UpperCase(typed);
  for (std::size_t k : level.followed) {
    const std::string name(names[k]);
    bool plausible = level.score <= dirhop::kLettersScore || rule == nullptr;
    if (!plausible) {
      const std::string upper = dirhop::UpperCase(name);
      const std::size_t limit = rule->edits(pattern.size());
      const std::size_t distance = rule->swaps_are_one ? dirhop::SwapDistance(pattern, upper, limit)
                                                       : Levenshtein(pattern, upper);
      plausible = distance <= limit;
    }
    if (plausible) {
      any_plausible = true;
      followed.push_back(name);
    }
  }
  if (!any_plausible) return Outcome::kAsks;
  bool right = false;
  for (const std::string& f : followed) right = right || f == meant;
  if (followed.size() == 1) return right ? Outcome::kRight : Outcome::kWrong;
  return right ? Outcome::kMenuWithRight : Outcome::kMenuWrong;
}

struct Word {
  std::string typed;
  std::string meant;  // empty: a missing name
  const char* kind;
};

}  // namespace

int main(int argc, char** argv) {
  const bool list = argc > 1 && std::strcmp(argv[1], "--list") == 0;
  NameList home;
  std::vector<std::string> with_reported = kHome;
  for (const auto& name : {"Windows", "webshop", "api-server"}) with_reported.push_back(name);
  for (const std::string& name : with_reported) home.Add(name);

  std::vector<Word> words;
  for (const std::string& name : kHome) {
    if (name.size() < 3) continue;
    for (const std::string& slip : SlipsOf(name)) words.push_back({slip, name, "slip"});
  }
  for (const auto& [typed, meant] : kReported) words.push_back({typed, meant, "reported"});
  for (const auto& [typed, meant] : kAbbreviations) words.push_back({typed, meant, "abbrev"});
  for (const std::string& typed : kMissing) words.push_back({typed, "", "missing"});
  for (const std::string& typed : kNearMisses) words.push_back({typed, "", "near"});

  const std::vector<Rule> rules = {
      {"0/1/2 edits at <=2/<=5/6+, swap=1 (used)",
       [](std::size_t n) { return dirhop::PlausibleTypoEdits(n); }, true},
      {"0/1/2 edits at <=2/<=5/6+, Levenshtein",
       [](std::size_t n) { return dirhop::PlausibleTypoEdits(n); }, false},
      {"0/1/2 edits at <=3/<=6/7+, swap=1",
       [](std::size_t n) -> std::size_t { return n <= 3   ? 0
                                                 : n <= 6 ? 1
                                                          : 2; }, true},
      {"1/2/3 edits at <=4/<=8/9+, swap=1",
       [](std::size_t n) -> std::size_t { return n <= 4   ? 1
                                                 : n <= 8 ? 2
                                                          : 3; }, true},
      {"length/3 edits, swap=1", [](std::size_t n) { return n / 3; }, true},
  };

  // Outcome counts by kind of word; the unbounded fallback first.
  const char* kinds[] = {"slip", "reported", "abbrev", "missing", "near"};
  std::printf("%zu home names; %zu words: ", kHome.size() + 3, words.size());
  for (const char* kind : kinds) {
    std::size_t n = 0;
    for (const Word& w : words) n += std::strcmp(w.kind, kind) == 0;
    std::printf("%zu %s ", n, kind);
  }
  std::printf("\n\n");
  std::printf("%-42s %-9s %7s %7s %7s %7s %7s\n", "rule", "words", "right", "menu+", "asks",
              "wrong", "menu-");
  std::vector<const Rule*> order = {nullptr};
  for (const Rule& r : rules) order.push_back(&r);
  for (const Rule* rule : order) {
    for (const char* kind : kinds) {
      std::map<Outcome, std::size_t> count;
      for (const Word& w : words) {
        if (std::strcmp(w.kind, kind) != 0) continue;
        std::uint8_t tier = 0;
        ++count[Judge(w.typed, home, w.meant, rule, &tier)];
      }
      std::printf("%-42s %-9s %7zu %7zu %7zu %7zu %7zu\n",
                  rule ? rule->name : "no bound (every typo followed)", kind,
                  count[Outcome::kRight], count[Outcome::kMenuWithRight], count[Outcome::kAsks],
                  count[Outcome::kWrong], count[Outcome::kMenuWrong]);
    }
  }
  // Which tier decided the slips: most dropped letters are letters in order already.
  std::map<std::string, std::size_t> tiers;
  for (const Word& w : words) {
    if (w.meant.empty()) continue;
    std::uint8_t tier = 0;
    Judge(w.typed, home, w.meant, &rules[0], &tier);
    ++tiers[TierName(tier)];
  }
  std::printf("\nslips, reported and abbreviations decided by tier:");
  for (const auto& [tier, n] : tiers) std::printf(" %s %zu", tier.c_str(), n);
  std::printf("\n");
  if (list) {
    std::printf("\n");
    for (const Word& w : words) {
      std::uint8_t tier = 0;
      const Outcome o = Judge(w.typed, home, w.meant, &rules[0], &tier);
      std::printf("%-9s %-16s %-16s %-8s %s\n", w.kind, w.typed.c_str(), w.meant.c_str(),
                  TierName(tier), OutcomeName(o));
    }
  }
  return 0;
}
