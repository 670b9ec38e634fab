// A list of names packed end to end in one buffer: a directory of many thousand subdirectories
// costs its name bytes and one offset a name, not a string object and a heap block each.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/utf8.h"

namespace dirhop {

// Names in the order they were added; any bytes, an empty name included.
class NameList {
 public:
  NameList() = default;
  // The list of `names`, in that order.
  NameList(std::initializer_list<std::string_view> names) {
    for (std::string_view name : names) Add(name);
  }

  // Appends a copy of `name`.
  void Add(std::string_view name) {
    // Room for a typical directory at once, instead of growing through every small size.
    if (ends_.capacity() == 0) {
      ends_.reserve(kFirstNames);
      text_.reserve(kFirstNames * kTypicalNameBytes);
    }
    text_.append(name);
    ends_.push_back(text_.size());
  }

  // Removes every name, keeping the room they took: a list filled again and again allocates once.
  void Clear() {
    text_.clear();
    ends_.clear();
  }

  // How many names the list holds, and whether it holds none.
  std::size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }

  // Name `index` (below size()); the view lasts until the next Add.
  std::string_view operator[](std::size_t index) const {
    const std::size_t begin = Offset(index);
    return std::string_view(text_.data() + begin, ends_[index] - begin);
  }

  // True when every name is ASCII (IsAscii): one pass over the bytes of all names.
  bool AllAscii() const { return IsAscii(text_); }

  // Where name `index` (below size()) begins in the bytes of all names.
  std::size_t Offset(std::size_t index) const { return index == 0 ? 0 : ends_[index - 1]; }

  // The bytes of all names, end to end, taken out of the list, which is left empty: the caller
  // keeps the names without copying them, at the offsets Offset gave.
  std::string TakeText() {
    std::string text = std::move(text_);
    text_.clear();
    ends_.clear();
    return text;
  }

 private:
  static constexpr std::size_t kFirstNames = 64;
  static constexpr std::size_t kTypicalNameBytes = 16;

  std::string text_;               // every name, end to end
  std::vector<std::size_t> ends_;  // where each name ends in text_
};

}  // namespace dirhop
