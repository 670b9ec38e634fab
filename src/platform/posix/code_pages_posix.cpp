#include "base/utf8.h"
#include "platform/code_pages.h"

namespace dirhop::platform {

unsigned ConsoleCodePage() { return kUtf8CodePage; }

std::optional<std::string> TextInCodePage(std::string_view text, unsigned code_page) {
  if (code_page != kUtf8CodePage || !IsValidUtf8(text)) return std::nullopt;
  return std::string(text);
}

std::string TextFromOldStore(std::string_view text, OldStore) { return std::string(text); }

}  // namespace dirhop::platform
