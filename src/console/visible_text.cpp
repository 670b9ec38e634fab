#include "console/visible_text.h"

#include <algorithm>

#include "base/utf8.h"
#include "platform/platform.h"

namespace dirhop {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

unsigned char ByteAt(std::string_view text, std::size_t i) {
  return static_cast<unsigned char>(text[i]);
}

// Printable ASCII: written as it is, and the fast path of every function here.
bool IsPlainAscii(unsigned char c) { return c >= 0x20 && c < 0x7F; }

// The number of leading bytes of `text` that are printable ASCII.
std::size_t PlainAsciiRun(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsPlainAscii(ByteAt(text, i))) ++i;
  return i;
}

// The short C name of the control `c` (`\e` for ESC), or 0 when it has none.
char ShortEscapeName(unsigned char c) {
  switch (c) {
    case 0x07:
      return 'a';
    case 0x08:
      return 'b';
    case 0x09:
      return 't';
    case 0x0A:
      return 'n';
    case 0x0B:
      return 'v';
    case 0x0C:
      return 'f';
    case 0x0D:
      return 'r';
    case 0x1B:
      return 'e';
    default:
      return 0;
  }
}

// Appends `prefix` and the two hex digits of `value`: "\x9b", "\u009b".
void AppendHexEscape(std::string& out, std::string_view prefix, unsigned char value) {
  out.append(prefix);
  out += kHexDigits[value >> 4];
  out += kHexDigits[value & 0x0F];
}

// Appends the visible form of the one character, control or stray byte that non-empty `text`
// begins with; returns how many bytes of `text` it stands for.
std::size_t AppendFirstUnit(std::string& out, std::string_view text, TextBytes bytes) {
  const unsigned char first = ByteAt(text, 0);
  if (IsPlainAscii(first)) {
    out += static_cast<char>(first);
    return 1;
  }
  if (first < 0x80) {  // a C0 control or DEL
    if (const char name = ShortEscapeName(first)) {
      out += '\\';
      out += name;
    } else {
      AppendHexEscape(out, "\\x", first);
    }
    return 1;
  }
  if (bytes == TextBytes::kCodePage) {
    out += static_cast<char>(first);
    return 1;
  }
  const std::size_t length = Utf8SequenceLength(text);
  if (length == 0) {
    AppendHexEscape(out, "\\x", first);
    return 1;
  }
  if (length == 2 && first == 0xC2 && ByteAt(text, 1) <= 0x9F) {  // a C1 control
    AppendHexEscape(out, "\\u00", ByteAt(text, 1));
    return 2;
  }
  out.append(text.substr(0, length));
  return length;
}

}  // namespace

TextBytes HostTextBytes() {
  // Both builds hold UTF-8: the Windows build converts at the platform layer.
  return TextBytes::kUtf8;
}

std::string VisibleText(std::string_view text, TextBytes bytes) {
  std::string out;
  out.reserve(text.size());
  // Runs of printable ASCII are appended in one piece.
  while (!text.empty()) {
    const std::size_t run = PlainAsciiRun(text);
    out.append(text.substr(0, run));
    text.remove_prefix(run);
    if (!text.empty()) text.remove_prefix(AppendFirstUnit(out, text, bytes));
  }
  return out;
}

std::string VisibleTextCut(std::string_view text, std::size_t width, TextBytes bytes) {
  std::string out;
  std::string unit;
  while (!text.empty() && out.size() < width) {
    const std::size_t run = std::min(PlainAsciiRun(text), width - out.size());
    out.append(text.substr(0, run));
    text.remove_prefix(run);
    if (text.empty() || out.size() == width) break;
    unit.clear();
    const std::size_t used = AppendFirstUnit(unit, text, bytes);
    if (out.size() + unit.size() > width) break;
    out += unit;
    text.remove_prefix(used);
  }
  return out;
}

std::string_view CutAtCharacter(std::string_view text, std::size_t limit, TextBytes bytes) {
  if (text.size() <= limit) return text;
  if (bytes == TextBytes::kCodePage) return text.substr(0, limit);
  // The character the cut falls in begins at most three bytes before it.
  std::size_t lead = limit;
  while (lead > 0 && limit - lead < 3 && (ByteAt(text, lead) & 0xC0) == 0x80) --lead;
  const std::size_t length = Utf8SequenceLength(text.substr(lead));
  return text.substr(0, length > 1 && lead + length > limit ? lead : limit);
}

}  // namespace dirhop
