// A list of names packed end to end in one buffer: a directory of many thousand subdirectories
// costs its name bytes and one offset a name, not a string object and a heap block each.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

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

  // How many names the list holds, and whether it holds none.
  std::size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }

  // The bytes of all names together.
  std::size_t TextBytes() const { return text_.size(); }

  // Name `index` (below size()); the view lasts until the next Add.
  std::string_view operator[](std::size_t index) const {
    const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
    return std::string_view(text_).substr(begin, ends_[index] - begin);
  }

 private:
  static constexpr std::size_t kFirstNames = 64;
  static constexpr std::size_t kTypicalNameBytes = 16;

  std::string text_;               // every name, end to end
  std::vector<std::size_t> ends_;  // where each name ends in text_
};

}  // namespace dirhop
