#include "base/case_folding.h"

namespace dirhop {

std::string UpperCase(std::string_view text) {
  std::string upper;
  UpperCaseInto(text, upper);
  return upper;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperChar(a[i]) != UpperChar(b[i])) return false;
  }
  return true;
}

}  // namespace dirhop
