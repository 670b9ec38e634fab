#include "platform/status_line.h"

namespace dirhop::platform {

namespace {
constexpr std::string_view kEraseToEnd = "\x1b[K";
}  // namespace

std::string StatusLineBytes::Show(std::string_view text, std::size_t longest) {
  text = text.substr(0, longest);
  std::string bytes = "\r";
  bytes.append(text);
  if (clearing_ == LineClearing::kEraseToEnd) {
    bytes.append(kEraseToEnd);
  } else if (shown_ > text.size()) {
    // The longer text before is covered with blanks, then the new one is written again so that
    // the cursor ends after it.
    bytes.append(shown_ - text.size(), ' ');
    bytes.append("\r").append(text);
  }
  shown_ = text.size();
  return bytes;
}

std::string StatusLineBytes::Erase() {
  if (shown_ == 0) return {};
  std::string bytes = "\r";
  if (clearing_ == LineClearing::kEraseToEnd) {
    bytes.append(kEraseToEnd);
  } else {
    bytes.append(shown_, ' ').append("\r");
  }
  shown_ = 0;
  return bytes;
}

}  // namespace dirhop::platform
