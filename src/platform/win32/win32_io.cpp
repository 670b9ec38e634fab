#include "platform/win32/win32_io.h"

#include <algorithm>
#include <cstddef>

namespace dirhop::platform {

bool WriteAll(HANDLE file, std::string_view bytes) {
  constexpr std::size_t kLargestPiece = std::size_t{1} << 30;
  while (!bytes.empty()) {
    const DWORD piece = static_cast<DWORD>(std::min(bytes.size(), kLargestPiece));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), piece, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace dirhop::platform
