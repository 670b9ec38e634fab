// The home directory of a user as the password file (/etc/passwd) names it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dirhop::platform {

// The home directory (sixth field) of the first line of `passwd_text` whose user id (third field)
// is `uid`; nullopt when there is no such line or its home is not an absolute path. Lines are
// "name:password:uid:gid:gecos:home:shell"; malformed lines are passed over.
std::optional<std::string> HomeInPasswdText(std::string_view passwd_text, unsigned long uid);

}  // namespace dirhop::platform
