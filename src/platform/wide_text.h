// The program's text and Windows' wide strings. Inside, every text is UTF-8; Windows names are
// UTF-16 and need not be valid (an unpaired surrogate is a legal character of a file name). The
// conversion is WTF-8: valid UTF-16 becomes UTF-8, and an unpaired surrogate becomes the
// three-byte sequence of its value, so that every wide string comes back exactly. Portable, so
// that both builds test it; the Windows half of the platform layer is its one user.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dirhop::platform {

// `wide` as WTF-8: pairs become four-byte sequences, unpaired surrogates three-byte ones.
std::string TextFromUtf16(std::u16string_view wide);

// `text` as UTF-16. Exactly inverts TextFromUtf16. A three-byte surrogate sequence becomes that
// unit; a byte that begins no sequence (text that is not WTF-8, which no Windows name is) becomes
// U+FFFD, so such a text names nothing that exists.
std::u16string Utf16FromText(std::string_view text);

// How many bytes at the end of `text` (0 to 3) begin a UTF-8 sequence that is not complete yet:
// a writer that receives text in pieces keeps them for the next piece.
std::size_t IncompleteUtf8TailLength(std::string_view text);

}  // namespace dirhop::platform
