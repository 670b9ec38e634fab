// Numbers for texts the caller keeps: each distinct text is given the next number (0, 1, 2, ...)
// the first time it is added. Built for tens of thousands of texts (the paths of a memory of
// places, the folder names of every remembered path): an open-addressed table of 32-bit numbers
// (a power of two of slots, at most half full, probed linearly) beside the texts' views: two
// flat arrays instead of a heap node a text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace dirhop {

// How the texts of a TextIndex compare.
enum class TextCase {
  kExact,         // byte for byte
  kAsciiIgnored,  // bytes passed through UpperChar: ASCII letters in any case are one
};

class TextIndex {
 public:
  // What Add found.
  struct Added {
    std::uint32_t number = 0;  // the text's number
    bool added = false;        // true when the text was new and got the next number
  };

  // No number: a text never added.
  static constexpr std::uint32_t kAbsent = UINT32_MAX;

  // An empty index whose texts compare as `text_case` says, with room for `expected` texts.
  explicit TextIndex(TextCase text_case = TextCase::kExact, std::size_t expected = 0);

  // The number of `text`, given the next one when no equal text was added before. The index
  // keeps a view of `text`, which must outlive it.
  Added Add(std::string_view text);
  // The number of `text`; kAbsent when no equal text was added.
  std::uint32_t Find(std::string_view text) const;
  // How many distinct texts were added.
  std::size_t size() const { return texts_.size(); }
  // The text given `number` (below size()), as it was first added.
  std::string_view operator[](std::uint32_t number) const { return texts_[number]; }

 private:
  std::size_t HashOf(std::string_view text) const;
  bool Same(std::string_view a, std::string_view b) const;
  // The slot that holds `text` (of hash `hash`), or the empty slot where it would go.
  std::size_t SlotOf(std::string_view text, std::size_t hash) const;
  // Makes the table at least `slots` slots (doubling from 64) and puts every number back, its
  // text hashed again (a table sized for what it will hold never grows).
  void Grow(std::size_t slots);

  TextCase text_case_;
  std::vector<std::uint32_t> slots_;  // numbers, kAbsent where empty
  std::vector<std::string_view> texts_;
};

}  // namespace dirhop
