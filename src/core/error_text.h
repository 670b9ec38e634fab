// Short English texts for the error numbers that can end a failed directory creation.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace dirhop {

// The message for error number `code` (a wider code is passed as its low byte): the table's text
// with its first '%' replaced by 'C', or "Unexpected error <code>" for a number not in the table.
// No trailing full stop; the caller supplies any separator.
std::string ErrorText(std::uint8_t code);

// The message for a failed directory creation whose error number (its low byte, as CreatePath
// gives it) is `code`. On Windows it is ErrorText(code). On POSIX the numbers that errno values
// were mapped to say what the system said (206 "File name too long", 112 "No space left on
// device", the link loop "Too many levels of symbolic links", ...), and any other number is
// ErrorText(code).
std::string CreationErrorText(int code, platform::HostKind host);

}  // namespace dirhop
