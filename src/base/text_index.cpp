#include "base/text_index.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/case_folding.h"

namespace dirhop {

TextIndex::TextIndex(TextCase text_case, std::size_t expected) : text_case_(text_case) {
  texts_.reserve(expected);
  Grow(2 * expected);
}

std::size_t TextIndex::HashOf(std::string_view text) const {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;  // 2^64 divided by the golden ratio
  std::uint64_t hash = text.size() * kMultiplier;
  if (text_case_ == TextCase::kExact) {
    // Eight bytes at a step, each word multiplied in and its high bits folded down, so that
    // every byte reaches the low bits that choose a slot.
    std::size_t at = 0;
    for (std::uint64_t word = 0; at + sizeof word <= text.size(); at += sizeof word) {
      std::memcpy(&word, text.data() + at, sizeof word);
      hash = (hash ^ word) * kMultiplier;
      hash ^= hash >> 29;
    }
    // The last bytes: the text's last eight (some read twice) when it has eight, else one by
    // one.
    if (at < text.size()) {
      std::uint64_t tail = 0;
      if (text.size() >= sizeof tail) {
        std::memcpy(&tail, text.data() + text.size() - sizeof tail, sizeof tail);
      } else {
        for (; at < text.size(); ++at) tail = tail << 8 | static_cast<unsigned char>(text[at]);
      }
      hash = (hash ^ tail) * kMultiplier;
    }
  } else {
    // Upper-cased a byte at a step.
    for (const char c : text) {
      hash = (hash ^ static_cast<unsigned char>(UpperChar(c))) * kMultiplier;
      hash ^= hash >> 29;
    }
  }
  return static_cast<std::size_t>(hash ^ (hash >> 32));
}

bool TextIndex::Same(std::string_view a, std::string_view b) const {
  if (text_case_ == TextCase::kExact) return a == b;
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return UpperChar(x) == UpperChar(y);
         });
}

std::size_t TextIndex::SlotOf(std::string_view text, std::size_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    const std::uint32_t number = slots_[at];
    if (number == kAbsent || Same(texts_[number], text)) return at;
  }
}

TextIndex::Added TextIndex::Add(std::string_view text) {
  if (2 * (texts_.size() + 1) > slots_.size()) Grow(2 * (texts_.size() + 1));
  const std::size_t hash = HashOf(text);
  std::uint32_t& slot = slots_[SlotOf(text, hash)];
  if (slot != kAbsent) return Added{slot, false};
  slot = static_cast<std::uint32_t>(texts_.size());
  texts_.push_back(text);
  return Added{slot, true};
}

std::uint32_t TextIndex::Find(std::string_view text) const {
  return slots_[SlotOf(text, HashOf(text))];
}

void TextIndex::Grow(std::size_t slots) {
  std::size_t size = std::max<std::size_t>(64, slots_.size());
  while (size < slots) size *= 2;
  if (size == slots_.size()) return;
  std::vector<std::uint32_t> table(size, kAbsent);
  const std::size_t mask = size - 1;
  for (std::uint32_t number = 0; number < texts_.size(); ++number) {
    std::size_t at = HashOf(texts_[number]) & mask;
    while (table[at] != kAbsent) at = (at + 1) & mask;
    table[at] = number;
  }
  slots_ = std::move(table);
}

}  // namespace dirhop
