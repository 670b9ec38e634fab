// Short English texts for the error numbers that can end a failed directory creation.
#pragma once

#include <cstdint>
#include <string>

namespace dirhop {

// The message for error number `code` (a wider code is passed as its low byte): the table's text
// with its first '%' replaced by 'C', or "Unexpected error <code>" for a number not in the table.
// No trailing full stop; the caller supplies any separator.
std::string ErrorText(std::uint8_t code);

}  // namespace dirhop
