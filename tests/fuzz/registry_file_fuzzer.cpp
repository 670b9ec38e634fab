// Fuzz target for the text form of the settings key: any bytes are parsed, the values written
// out and parsed again, and the second reading must give exactly the values of the first.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/registry_file.h"

namespace {

bool SameValues(const std::vector<dirhop::platform::RegistryFileValue>& a,
                const std::vector<dirhop::platform::RegistryFileValue>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].name != b[i].name || a[i].value.type != b[i].value.type ||
        a[i].value.text != b[i].value.text || a[i].value.number != b[i].value.number) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dirhop::platform;
  const std::vector<RegistryFileValue> first =
      ParseRegistryFile(std::string_view(reinterpret_cast<const char*>(data), size));
  for (const RegistryFileValue& value : first) {
    if (value.name.empty() || value.value.type == StoreValueType::kOther) std::abort();
  }
  const std::vector<RegistryFileValue> second = ParseRegistryFile(FormatRegistryFile(first));
  if (!SameValues(first, second)) {
    std::fprintf(stderr, "the values read back differ from those written\n");
    std::abort();
  }
  return 0;
}
