#include "match/create.h"

#include "match/paths.h"

namespace dirhop {

std::optional<CreateFailure> CreatePath(const std::string& full_path, PathSyntax syntax,
                                        FileSystem& fs) {
  const char sep = syntax.separator;
  std::string rest = AddTrailingSeparator(full_path, syntax);
  // The walk starts at the root: "C:" then "\level" each time on Windows, "/level" on POSIX.
  std::string built = syntax.drives ? rest.substr(0, 2) : std::string();
  rest.erase(0, syntax.drives ? 3 : 1);
  for (;;) {
    const auto p = rest.find(sep);
    built += sep + rest.substr(0, p);
    rest.erase(0, p + 1);
    const int code = fs.CreateOneDirectory(built) & 0xFF;
    if (code != 0 && code != (kErrorAlreadyExists & 0xFF) && code != kErrorAccessDenied) {
      return CreateFailure{built, code};
    }
    if (rest.empty() || rest == std::string(1, sep)) return std::nullopt;
  }
}

std::optional<std::string> FileInTheWay(const std::string& full_path, PathSyntax syntax,
                                        FileSystem& fs) {
  const std::size_t root = RootLength(full_path, syntax);
  std::string level = full_path;
  while (level.size() > root && level.back() == syntax.separator) level.pop_back();
  while (level.size() > root) {
    if (fs.IsRegularFile(level)) return level;
    if (fs.DirectoryItselfName(level)) return std::nullopt;
    const std::size_t cut = level.rfind(syntax.separator);
    if (cut == std::string::npos) return std::nullopt;
    level.resize(cut);
  }
  return std::nullopt;
}

}  // namespace dirhop
