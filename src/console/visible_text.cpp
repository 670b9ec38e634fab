#include "console/visible_text.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

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

// True when each of the eight bytes of `word` is printable ASCII (0x20 to 0x7E): no byte is below
// 0x20 (subtracting 0x20 borrows into its top bit) and none is 0x7F or above (adding 1 carries into
// its top bit, or the top bit is set already).
bool AllPlainAscii(std::uint64_t word) {
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  constexpr std::uint64_t kTops = 0x8080808080808080;
  const std::uint64_t below_space = (word - 0x20 * kOnes) & ~word & kTops;
  const std::uint64_t from_delete = ((word + kOnes) | word) & kTops;
  return (below_space | from_delete) == 0;
}

// The number of leading bytes of `text` that are printable ASCII, eight at a time while it lasts:
// names are mostly ASCII, and every function here measures them first.
std::size_t PlainAsciiRun(std::string_view text) {
  std::size_t i = 0;
  for (std::uint64_t word; i + sizeof word <= text.size(); i += sizeof word) {
    std::memcpy(&word, text.data() + i, sizeof word);
    if (!AllPlainAscii(word)) break;
  }
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

// How one character, control or stray byte is shown.
enum class UnitForm {
  kAsItIs,        // a printable character, written unchanged
  kShortEscape,   // a C0 control with a C name: `\e`
  kByteEscape,    // a C0 control without one, DEL, or a byte that begins no UTF-8 character: `\x9b`
  kC1Escape,      // a C1 control: `\u009b`
  kFormatEscape,  // a format character or a line or paragraph separator: `\u202e`, `\U000e0001`
};

// The character, control or stray byte that a text begins with, as it is shown.
struct Unit {
  UnitForm form;
  std::size_t bytes;    // how many bytes of the text it stands for
  std::size_t columns;  // how many terminal columns its visible form takes
};

// The columns a valid character takes: 0 for combining marks and characters of no width.
std::size_t CharacterColumns(char32_t code_point) {
  const int width = utf8proc_charwidth(static_cast<utf8proc_int32_t>(code_point));
  return width > 0 ? static_cast<std::size_t>(width) : 0;
}

// The columns of the escape of a format character: `\u` and four hex digits, `\U` and eight
// past the first plane.
std::size_t FormatEscapeColumns(char32_t code_point) { return code_point > 0xFFFF ? 10 : 6; }

// The unit of a valid character that is not ASCII. Format characters (bidirectional overrides and
// isolates, zero-width spaces and joiners, the byte order mark, tags) and the line and paragraph
// separators are invisible or rearrange what follows them in a terminal: a name holding one could
// pass for another, or reverse the rest of its menu row. They are shown as escapes.
Unit CharacterUnit(char32_t code_point, std::size_t bytes) {
  const utf8proc_property_t* property =
      utf8proc_get_property(static_cast<utf8proc_int32_t>(code_point));
  switch (property->category) {
    case UTF8PROC_CATEGORY_CF:
    case UTF8PROC_CATEGORY_ZL:
    case UTF8PROC_CATEGORY_ZP:
      return {UnitForm::kFormatEscape, bytes, FormatEscapeColumns(code_point)};
    default:
      return {UnitForm::kAsItIs, bytes,
              property->charwidth > 0 ? static_cast<std::size_t>(property->charwidth) : 0};
  }
}

// The first unit of non-empty `text`.
Unit FirstUnit(std::string_view text) {
  const unsigned char first = ByteAt(text, 0);
  if (IsPlainAscii(first)) return {UnitForm::kAsItIs, 1, 1};
  if (first < 0x80) {  // a C0 control or DEL
    return ShortEscapeName(first) != 0 ? Unit{UnitForm::kShortEscape, 1, 2}
                                       : Unit{UnitForm::kByteEscape, 1, 4};
  }
  const Utf8Step step = FirstUtf8Step(text);
  if (!step.valid) return {UnitForm::kByteEscape, 1, 4};
  if (step.code_point >= 0x80 && step.code_point <= 0x9F) return {UnitForm::kC1Escape, 2, 6};
  return CharacterUnit(step.code_point, step.length);
}

// Appends the visible form of `unit`, the first unit of `text`.
void AppendUnit(std::string& out, std::string_view text, Unit unit) {
  switch (unit.form) {
    case UnitForm::kAsItIs:
      out.append(text.substr(0, unit.bytes));
      break;
    case UnitForm::kShortEscape:
      out += '\\';
      out += ShortEscapeName(ByteAt(text, 0));
      break;
    case UnitForm::kByteEscape:
      AppendHexEscape(out, "\\x", ByteAt(text, 0));
      break;
    case UnitForm::kC1Escape:
      AppendHexEscape(out, "\\u00", ByteAt(text, 1));
      break;
    case UnitForm::kFormatEscape: {
      const char32_t code_point = FirstUtf8Step(text).code_point;
      const int digits = code_point > 0xFFFF ? 8 : 4;
      out += code_point > 0xFFFF ? "\\U" : "\\u";
      for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
        out += kHexDigits[(code_point >> shift) & 0x0F];
      }
      break;
    }
  }
}

}  // namespace

std::string VisibleText(std::string_view text) {
  return VisibleTextCut(text, std::numeric_limits<std::size_t>::max());
}

std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (IsPlainAscii(ByteAt(text, i))) {
      const std::size_t run = PlainAsciiRun(text.substr(i));
      width += run;
      i += run;
    } else {
      const Unit unit = FirstUnit(text.substr(i));
      width += unit.columns;
      i += unit.bytes;
    }
  }
  return width;
}

// Bytes shown as they are (printable ASCII runs, measured eight at a time, and characters) are
// appended a span at a time, between the escapes. A unit of no width always fits, so a combining
// mark joins the character it follows whenever that character was kept, and goes with it when it
// was not.
std::string VisibleTextCut(std::string_view text, std::size_t width) {
  std::string out;
  out.reserve(std::min(text.size(), width));
  std::size_t used = 0;
  std::size_t i = 0;     // bytes of `text` taken
  std::size_t span = 0;  // where the bytes taken as they are, not yet appended, begin
  while (i < text.size()) {
    if (IsPlainAscii(ByteAt(text, i))) {
      const std::size_t run = PlainAsciiRun(text.substr(i));
      const std::size_t take = std::min(run, width - used);
      i += take;
      used += take;
      if (take < run) break;
      continue;
    }
    const Unit unit = FirstUnit(text.substr(i));
    if (unit.columns > width - used) break;
    if (unit.form != UnitForm::kAsItIs) {
      out.append(text.substr(span, i - span));
      AppendUnit(out, text.substr(i), unit);
      span = i + unit.bytes;
    }
    i += unit.bytes;
    used += unit.columns;
  }
  out.append(text.substr(span, i - span));
  return out;
}

std::string_view CutAtCharacter(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  // The cut falls before the first character that does not fit whole; when that one is a mark
  // of no width, before the character it belongs to.
  std::size_t cluster_start = 0;
  std::size_t i = 0;
  for (;;) {
    const Utf8Step step = FirstUtf8Step(text.substr(i));
    const bool joins =
        step.valid && step.code_point >= 0xA0 && CharacterColumns(step.code_point) == 0;
    if (i + step.length > limit) return text.substr(0, joins ? cluster_start : i);
    if (!joins) cluster_start = i;
    i += step.length;
  }
}

}  // namespace dirhop
