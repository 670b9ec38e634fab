// Folding text for comparison by characters, the same on every build: Unicode full case folding
// and canonical normalisation (utf8proc), so that "Öffentlich", "ÖFFENTLICH" and the decomposed
// "O\u0308ffentlich" fold alike. A folded text is a sequence of symbols, one a character once
// composed again (NFC), so that `?` and the edit distance count characters.
//
// A byte that begins no valid UTF-8 sequence (a POSIX name need not be UTF-8, a WTF-8 surrogate
// is not UTF-8 either) folds to a symbol of its own, kByteSymbolBase + the byte, which equals no
// character and only the same byte: such names keep matching byte for byte.
//
// Diacritics: the combining accents of Latin, Greek and Cyrillic letters (the combining-diacritics
// blocks) and the vowel points of Hebrew and Arabic. Folded with Diacritics::kStrip they are left
// out, so "Öffentlich" folds as "offentlich" does. Marks that are part of a letter in other
// scripts (kana voicing, Indic vowel signs) always stay.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dirhop {

// The symbol of byte b outside valid UTF-8 is kByteSymbolBase + b: above every code point.
inline constexpr char32_t kByteSymbolBase = 0x110000;

// Whether a fold keeps the diacritics of the text or leaves them out.
enum class Diacritics { kKeep, kStrip };

// One folded text: a view of the folder's buffer, and whether the text held any diacritic.
struct FoldedText {
  std::u32string_view symbols;  // valid until the folder folds again
  bool has_diacritics;          // true even when kStrip left them out
};

// Folds texts into reused buffers: after the first few texts, folding allocates nothing. An
// ASCII text takes a plain loop (its letters folded to lower case); no Unicode table is read. Any
// other character is folded once and kept in a small cache, and taken from there as long as no
// character beside it combines with it (a decomposed name is folded whole).
class TextFolder {
 public:
  // The fold of `text`: each character case-folded (Unicode full folding: "ß" gives "ss"),
  // decomposed, its combining marks in canonical order, its diacritics left out when
  // `diacritics` is kStrip, and composed again; each byte outside valid UTF-8 its own symbol.
  // Two texts that are equal ignoring case and normalisation form fold to the same symbols.
  FoldedText Fold(std::string_view text, Diacritics diacritics);

 private:
  // The most symbols one character folds to (Unicode's full folding writes at most three).
  static constexpr std::size_t kMostFolded = 3;
  // The cache holds 2^kCacheBits characters.
  static constexpr unsigned kCacheBits = 8;

  // One character folded alone, both ways.
  struct CharacterFold {
    char32_t code_point = 0;  // the character; 0 (ASCII, never cached) for an empty slot
    bool alone = false;       // false: it can combine with the character before it
    bool has_diacritics = false;
    std::uint8_t kept_length = 0;
    std::uint8_t stripped_length = 0;
    char32_t kept[kMostFolded] = {};
    char32_t stripped[kMostFolded] = {};
  };

  // The fold of `c`, not ASCII, whose UTF-8 sequence is `bytes`, from the cache or made now.
  const CharacterFold& FoldOf(char32_t c, std::string_view bytes);

  // Writes the fold of the valid UTF-8 `run` into `out` from `length` on (growing `out` as
  // needed), its characters folded together as utf8proc_decompose and utf8proc_normalize_utf32
  // do, and moves `length` past it; true when the run held a diacritic.
  bool FoldTogether(std::string_view run, Diacritics diacritics, std::u32string& out,
                    std::size_t& length);

  std::vector<std::int32_t> code_points_;  // a run decomposed, as utf8proc writes it
  std::u32string symbols_;                 // room for the folded text, and more
  std::u32string scratch_;                 // one character folded, for the cache
  // The characters folded lately: names in one script fold the same few over and over. Made at
  // the first character that is not ASCII: a folder of ASCII names (most runs, and every folder
  // a search makes on the stack) neither clears nor touches its 8 KB.
  using FoldCache = std::array<CharacterFold, std::size_t{1} << kCacheBits>;
  std::unique_ptr<FoldCache> cache_;
};

// True when `symbol` is a combining mark (Unicode category Mn, Mc or Me) that did not compose
// with the character before it: part of the same character as that one.
bool IsCombiningMark(char32_t symbol);

// True when `symbol` takes two terminal columns (wide East Asian characters, emoji).
bool IsWideCharacter(char32_t symbol);

}  // namespace dirhop
