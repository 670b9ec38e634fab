#include "base/unicode_fold.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "base/utf8.h"

namespace dirhop {

namespace {

// The code points counted as diacritics (inclusive ranges): the combining-diacritics blocks,
// into which every accented Latin, Greek and Cyrillic letter decomposes, and the points and
// vowel marks of Hebrew and Arabic (without the punctuation among them).
struct CodePointRange {
  char32_t first;
  char32_t last;
};
constexpr CodePointRange kDiacritics[] = {
    {0x0300, 0x036F},  // combining diacritical marks
    {0x0591, 0x05BD},  // Hebrew accents and points
    {0x05BF, 0x05BF}, {0x05C1, 0x05C2}, {0x05C4, 0x05C5},
    {0x05C7, 0x05C7}, {0x0610, 0x061A},  // Arabic signs
    {0x064B, 0x065F},                    // Arabic vowel marks (harakat)
    {0x0670, 0x0670},                    // Arabic superscript alef
    {0x1AB0, 0x1AFF},                    // combining diacritical marks extended
    {0x1DC0, 0x1DFF},                    // combining diacritical marks supplement
    {0x20D0, 0x20FF},                    // combining marks for symbols
    {0xFE20, 0xFE2F},                    // combining half marks
};

bool IsDiacritic(char32_t code_point) {
  if (code_point < kDiacritics[0].first) return false;
  for (const CodePointRange& range : kDiacritics) {
    if (code_point >= range.first && code_point <= range.last) return true;
  }
  return false;
}

// What a character is turned into: folded, then decomposed (canonical forms only).
constexpr utf8proc_option_t kDecomposeFolded =
    static_cast<utf8proc_option_t>(UTF8PROC_DECOMPOSE | UTF8PROC_CASEFOLD);

// The most code points one character folds and decomposes to (Unicode's longest is 4; the
// rest is room).
constexpr utf8proc_ssize_t kMostWritten = 16;

bool IsMarkCategory(utf8proc_propval_t category) {
  return category == UTF8PROC_CATEGORY_MN || category == UTF8PROC_CATEGORY_MC ||
         category == UTF8PROC_CATEGORY_ME;
}

// The fold of an ASCII character: A-Z to a-z, every other one itself.
char32_t FoldAscii(unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// True for the conjoining Hangul jamo, which compose with the jamo before them.
bool IsHangulJamo(char32_t c) { return c >= 0x1100 && c <= 0x11FF; }

// True when `property` is that of a character with a canonical decomposition.
bool Decomposes(const utf8proc_property_t& property) {
  return property.decomp_seqindex != UINT16_MAX && property.decomp_type == 0;
}

// True for the characters of the two largest blocks that fold to themselves, alone: the CJK
// unified ideographs (neither folded nor decomposed) and the Hangul syllables (decomposed and
// composed again). Asked before any table is read.
bool IsPlainIdeographOrSyllable(char32_t c) {
  return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7A3);
}

// The canonical ordering of Unicode: each run of combining marks sorted by combining class,
// stably (as utf8proc_decompose orders them).
void PutMarksInCanonicalOrder(std::vector<std::int32_t>& code_points) {
  const auto combining_class = [](std::int32_t c) {
    return utf8proc_get_property(c)->combining_class;
  };
  std::size_t at = 0;
  while (at + 1 < code_points.size()) {
    const auto first = combining_class(code_points[at]);
    const auto second = combining_class(code_points[at + 1]);
    if (first > second && second > 0) {
      std::swap(code_points[at], code_points[at + 1]);
      if (at > 0) --at;
    } else {
      ++at;
    }
  }
}

// FirstUtf8Step for non-empty `text`, with the sequences of two and three bytes (every
// character below U+10000) decoded inline.
inline Utf8Step DecodeFirst(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return {lead, 1, true};
  if (lead >= 0xC2 && lead <= 0xDF && text.size() >= 2 && (byte(1) & 0xC0) == 0x80) {
    return {static_cast<char32_t>((lead & 0x1F) << 6 | (byte(1) & 0x3F)), 2, true};
  }
  if (lead >= 0xE0 && lead <= 0xEF && text.size() >= 3 && (byte(1) & 0xC0) == 0x80 &&
      (byte(2) & 0xC0) == 0x80) {
    const auto c =
        static_cast<char32_t>((lead & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F));
    // Not overlong, not a surrogate (WTF-8 writes those, UTF-8 never does).
    if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) return {c, 3, true};
  }
  return FirstUtf8Step(text);
}

// The length of the longest run of valid UTF-8 sequences that `text` begins with.
std::size_t ValidRunLength(std::string_view text) {
  std::size_t length = 0;
  while (length < text.size()) {
    const Utf8Step step = DecodeFirst(text.substr(length));
    if (!step.valid) break;
    length += step.length;
  }
  return length;
}

}  // namespace

FoldedText TextFolder::Fold(std::string_view text, Diacritics diacritics) {
  // Written in place through an index: a character that is not ASCII takes at least two bytes
  // and folds to at most kMostFolded symbols, so this much room is enough but for runs folded
  // together, which make room for themselves.
  if (symbols_.size() < text.size() * kMostFolded) symbols_.resize(text.size() * kMostFolded);
  std::size_t length = 0;
  const bool strip = diacritics == Diacritics::kStrip;
  bool has_diacritics = false;
  // Character by character (from the cache) through each run of valid sequences, unless one of
  // its characters combines with the one before it: then the whole run is folded together.
  std::string_view run = text;  // from the start of the current run to the end of the text
  std::size_t run_start = 0;    // where the run's symbols begin
  while (!text.empty()) {
    const auto lead = static_cast<unsigned char>(text.front());
    if (lead < 0x80) {
      symbols_[length++] = FoldAscii(lead);
      text.remove_prefix(1);
      continue;
    }
    // Three bytes inline (CJK, kana, Hangul, Indic scripts), the rest by DecodeFirst.
    Utf8Step step{0, 0, false};
    if (lead >= 0xE0 && lead <= 0xEF && text.size() >= 3) {
      const auto second = static_cast<unsigned char>(text[1]);
      const auto third = static_cast<unsigned char>(text[2]);
      const auto c =
          static_cast<char32_t>((lead & 0x0F) << 12 | (second & 0x3F) << 6 | (third & 0x3F));
      if ((second & 0xC0) == 0x80 && (third & 0xC0) == 0x80 && c >= 0x800 &&
          (c < 0xD800 || c > 0xDFFF)) {
        step = {c, 3, true};
      }
    }
    if (!step.valid) step = DecodeFirst(text);
    if (!step.valid) {
      symbols_[length++] = kByteSymbolBase + lead;
      text.remove_prefix(1);
      run = text;
      run_start = length;
      continue;
    }
    if (IsPlainIdeographOrSyllable(step.code_point)) {
      symbols_[length++] = step.code_point;
      text.remove_prefix(step.length);
      continue;
    }
    const CharacterFold& fold = FoldOf(step.code_point, text.substr(0, step.length));
    if (!fold.alone) {
      const std::size_t run_length = ValidRunLength(run);
      length = run_start;
      has_diacritics =
          FoldTogether(run.substr(0, run_length), diacritics, symbols_, length) || has_diacritics;
      text = run.substr(run_length);
      // The room for the rest of the text, after a run that may have taken more than its share.
      const std::size_t room = length + text.size() * kMostFolded;
      if (symbols_.size() < room) symbols_.resize(room);
      run = text;
      run_start = length;
      continue;
    }
    const std::uint8_t count = strip ? fold.stripped_length : fold.kept_length;
    const char32_t* const symbols = strip ? fold.stripped : fold.kept;
    for (std::uint8_t i = 0; i < count; ++i) symbols_[length++] = symbols[i];
    has_diacritics = has_diacritics || fold.has_diacritics;
    text.remove_prefix(step.length);
  }
  return {std::u32string_view(symbols_.data(), length), has_diacritics};
}

const TextFolder::CharacterFold& TextFolder::FoldOf(char32_t c, std::string_view bytes) {
  // A multiplicative hash: the characters of one script lie close together.
  if (!cache_) cache_ = std::make_unique<FoldCache>();
  CharacterFold& fold = (*cache_)[(c * 0x9E3779B1U) >> (32 - kCacheBits)];
  if (fold.code_point == c) return fold;
  fold.code_point = c;
  const utf8proc_property_t* property = utf8proc_get_property(static_cast<utf8proc_int32_t>(c));
  // Only a mark or a Hangul jamo composes with the character before it (or is put in order with
  // the marks before it); every other character folds the same alone as beside others.
  fold.alone = !IsMarkCategory(property->category) && !IsHangulJamo(c);
  if (fold.alone && property->casefold_seqindex == UINT16_MAX && !Decomposes(*property)) {
    // Most characters: neither folded nor decomposed (nor, being alone, composed).
    fold.has_diacritics = false;
    fold.kept[0] = c;
    fold.stripped[0] = c;
    fold.kept_length = 1;
    fold.stripped_length = 1;
    return fold;
  }
  std::size_t kept = 0;
  fold.has_diacritics = FoldTogether(bytes, Diacritics::kKeep, scratch_, kept);
  std::size_t stripped = kept;
  FoldTogether(bytes, Diacritics::kStrip, scratch_, stripped);
  stripped -= kept;
  if (kept > kMostFolded || stripped > kMostFolded) {
    fold.alone = false;  // not reached: a character folds to at most three
    return fold;
  }
  std::copy_n(scratch_.begin(), kept, fold.kept);
  std::copy_n(scratch_.begin() + static_cast<std::ptrdiff_t>(kept), stripped, fold.stripped);
  fold.kept_length = static_cast<std::uint8_t>(kept);
  fold.stripped_length = static_cast<std::uint8_t>(stripped);
  return fold;
}

bool TextFolder::FoldTogether(std::string_view run, Diacritics diacritics, std::u32string& out,
                              std::size_t& length) {
  // Each character as utf8proc_decompose with UTF8PROC_DECOMPOSE | UTF8PROC_CASEFOLD writes it,
  // but a character that neither folds nor decomposes (most of them: every CJK ideograph, every
  // small letter without a mark) is copied as it is, with one look at its properties; only the
  // others ask utf8proc to write them.
  code_points_.clear();
  bool reorder = false;  // a combining mark came: marks are put in canonical order
  bool compose = false;  // something may compose: the run is composed again
  int boundary_class = UTF8PROC_BOUNDCLASS_START;
  while (!run.empty()) {
    const Utf8Step step = DecodeFirst(run);
    run.remove_prefix(step.length);
    const char32_t c = step.code_point;
    if (c < 0x80) {
      code_points_.push_back(static_cast<std::int32_t>(FoldAscii(static_cast<unsigned char>(c))));
      continue;
    }
    const auto code_point = static_cast<utf8proc_int32_t>(c);
    const utf8proc_property_t* property = utf8proc_get_property(code_point);
    const bool folds = property->casefold_seqindex != UINT16_MAX;
    if (!folds && !Decomposes(*property)) {
      code_points_.push_back(code_point);
      if (property->combining_class != 0) reorder = true;
      // Only a mark or a Hangul jamo composes with the character before it.
      if (IsMarkCategory(property->category) || IsHangulJamo(c)) compose = true;
      continue;
    }
    utf8proc_int32_t written[kMostWritten];
    const utf8proc_ssize_t count = utf8proc_decompose_char(code_point, written, kMostWritten,
                                                           kDecomposeFolded, &boundary_class);
    if (count < 0 || count > kMostWritten) {
      // Not reached with Unicode's tables: the character is kept as it is.
      code_points_.push_back(code_point);
      continue;
    }
    code_points_.insert(code_points_.end(), written, written + count);
    reorder = true;
    compose = true;
  }
  if (reorder) PutMarksInCanonicalOrder(code_points_);
  bool has_diacritics = false;
  std::size_t kept = 0;
  for (const std::int32_t code_point : code_points_) {
    if (IsDiacritic(static_cast<char32_t>(code_point))) {
      has_diacritics = true;
      if (diacritics == Diacritics::kStrip) continue;
    }
    code_points_[kept++] = code_point;
  }
  std::size_t composed = kept;
  if (compose) {
    composed = static_cast<std::size_t>(utf8proc_normalize_utf32(
        code_points_.data(), static_cast<utf8proc_ssize_t>(kept), UTF8PROC_COMPOSE));
  }
  if (out.size() < length + composed) out.resize(length + composed);
  std::copy_n(code_points_.begin(), composed, out.begin() + static_cast<std::ptrdiff_t>(length));
  length += composed;
  return has_diacritics;
}

bool IsCombiningMark(char32_t symbol) {
  if (symbol < 0x300 || symbol >= kByteSymbolBase) return false;
  return IsMarkCategory(utf8proc_get_property(static_cast<utf8proc_int32_t>(symbol))->category);
}

bool IsWideCharacter(char32_t symbol) {
  // Nothing below U+1100 (the first Hangul jamo) is wide.
  if (symbol < 0x1100 || symbol >= kByteSymbolBase) return false;
  return utf8proc_charwidth(static_cast<utf8proc_int32_t>(symbol)) == 2;
}

}  // namespace dirhop
