// The edit distance by bit vectors (Myers' algorithm in Hyyrö's form for the whole-string distance,
// with Hyyrö's extension for swapped neighbours): one column of the distance matrix is held as two
// 64-bit words of +1 and -1 steps, so a pattern of up to 64 symbols is compared with a text in one
// pass of a few word operations per text symbol. The pattern is given by its match masks, built
// once and used for many texts; the symbols are a template parameter: bytes, or the folded
// characters of base/unicode_fold.h.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace dirhop {

// The longest pattern the bit vectors hold: one bit per pattern symbol in a 64-bit word.
inline constexpr std::size_t kMaxBitParallelPattern = 64;

// Match masks of a pattern of at most kMaxBitParallelPattern bytes, one per byte value: bit i of
// `of[b]` is set when the pattern's byte i is b. Built once per pattern (2 KiB cleared, one pass
// over the pattern), then read once per text byte.
struct ByteMasks {
  std::uint64_t of[256];

  // The masks of `pattern` (at most kMaxBitParallelPattern bytes; bytes beyond are left out).
  explicit ByteMasks(std::string_view pattern) : of() {
    const std::size_t length =
        pattern.size() < kMaxBitParallelPattern ? pattern.size() : kMaxBitParallelPattern;
    for (std::size_t i = 0; i < length; ++i) {
      of[static_cast<unsigned char>(pattern[i])] |= std::uint64_t{1} << i;
    }
  }

  // The mask of byte `symbol`.
  std::uint64_t operator()(char symbol) const { return of[static_cast<unsigned char>(symbol)]; }
};

// Match masks of a pattern of at most kMaxBitParallelPattern folded symbols (TextFolder), as
// ByteMasks are of bytes: a table for the ASCII symbols, and the pattern's other distinct symbols
// in order with their masks, searched by halving. No heap: built once per pattern.
struct CharacterMasks {
  std::uint64_t ascii[128];
  char32_t others[kMaxBitParallelPattern];
  std::uint64_t other_masks[kMaxBitParallelPattern];
  std::size_t other_count = 0;

  // The masks of `pattern` (at most kMaxBitParallelPattern symbols; symbols beyond are left out).
  explicit CharacterMasks(std::u32string_view pattern) : ascii() {
    const std::size_t length =
        pattern.size() < kMaxBitParallelPattern ? pattern.size() : kMaxBitParallelPattern;
    for (std::size_t i = 0; i < length; ++i) {
      const char32_t symbol = pattern[i];
      const std::uint64_t bit = std::uint64_t{1} << i;
      if (symbol < 128) {
        ascii[symbol] |= bit;
        continue;
      }
      // Kept in order as they come: a place found by halving, the greater ones moved up.
      const std::size_t place =
          static_cast<std::size_t>(std::lower_bound(others, others + other_count, symbol) - others);
      if (place < other_count && others[place] == symbol) {
        other_masks[place] |= bit;
        continue;
      }
      std::copy_backward(others + place, others + other_count, others + other_count + 1);
      std::copy_backward(other_masks + place, other_masks + other_count,
                         other_masks + other_count + 1);
      others[place] = symbol;
      other_masks[place] = bit;
      ++other_count;
    }
  }

  // The mask of `symbol`: 0 for a symbol the pattern does not hold.
  std::uint64_t operator()(char32_t symbol) const {
    if (symbol < 128) return ascii[symbol];
    const char32_t* const end = others + other_count;
    const char32_t* const found = std::lower_bound(others, end, symbol);
    return found != end && *found == symbol ? other_masks[found - others] : 0;
  }
};

// The edit distance (insert, delete, substitute, and swap two neighbours cost 1 each: the optimal
// string alignment distance; not capped) between a pattern of `pattern_length` symbols, 1 to
// kMaxBitParallelPattern, and the `text_length` symbols at `text`. `mask_of(symbol)` gives the
// pattern's match mask of a text symbol: bit i set when the pattern's symbol i equals it, no bit at
// or above `pattern_length`.
template <typename Symbol, typename MaskOf>
std::size_t BitParallelDistance(std::size_t pattern_length, const MaskOf& mask_of,
                                const Symbol* text, std::size_t text_length) {
  // Column j of the matrix D (D[i][0] = i, D[0][j] = j) as its vertical steps D[i][j] -
  // D[i-1][j]: bit i-1 of `plus` for +1, of `minus` for -1, neither for 0. The first column
  // steps +1 all the way down. Bits above the pattern's length take part in the word operations
  // but carries only move upwards, so they never reach the bits that count.
  std::uint64_t plus = ~std::uint64_t{0};
  std::uint64_t minus = 0;
  const std::uint64_t last = std::uint64_t{1} << (pattern_length - 1);
  std::size_t distance = pattern_length;  // D[m][j], the bottom cell of the column
  // The previous column's diagonal zero steps and its text symbol's mask: a swap of pattern
  // symbols i-1, i with text symbols j-1, j makes D[i][j] = D[i-2][j-2] + 1 a zero diagonal step.
  std::uint64_t diagonal_zero = 0;
  std::uint64_t previous_equal = 0;
  for (std::size_t j = 0; j < text_length; ++j) {
    const std::uint64_t equal = mask_of(text[j]);
    const std::uint64_t swapped = ((~diagonal_zero & equal) << 1) & previous_equal;
    const std::uint64_t horizontal_change = (((equal & plus) + plus) ^ plus) | equal | swapped;
    // The rows whose diagonal step is zero; with swaps it decides the vertical steps too.
    diagonal_zero = horizontal_change | minus;
    previous_equal = equal;
    const std::uint64_t vertical_change = diagonal_zero;
    std::uint64_t horizontal_plus = minus | ~(horizontal_change | plus);
    std::uint64_t horizontal_minus = plus & horizontal_change;
    if (horizontal_plus & last) {
      ++distance;
    } else if (horizontal_minus & last) {
      --distance;
    }
    // The top row D[0][j] = j steps +1 from column to column.
    horizontal_plus = (horizontal_plus << 1) | 1;
    horizontal_minus <<= 1;
    plus = horizontal_minus | ~(vertical_change | horizontal_plus);
    minus = horizontal_plus & vertical_change;
  }
  return distance;
}

}  // namespace dirhop
