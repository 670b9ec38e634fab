// Text that came from outside the program (a directory name, a path, a typed word, an alias) in
// the form that may be written to the terminal for a person to read.
//
// Every control character becomes a visible escape, so that a name can neither retitle, clear nor
// otherwise drive the terminal:
//   - C0 controls and DEL: `\a` `\b` `\t` `\n` `\v` `\f` `\r` `\e` (ESC) where C has a short name,
//     `\xHH` (two lower-case hex digits) for the rest, e.g. `\x01`, `\x7f`;
//   - C1 controls U+0080-U+009F (C2 80..C2 9F in UTF-8): `\u0080`..`\u009f`;
//   - a byte that does not begin a valid UTF-8 sequence (a stray continuation byte, an overlong
//     form, a surrogate, a value past U+10FFFF, a cut sequence): `\xHH`, one escape per byte, so
//     a lone 0x9B can never be read as CSI;
//   - format characters (Unicode category Cf: bidirectional overrides and isolates such as
//     U+202E and U+2066-U+2069, zero-width spaces and joiners U+200B-U+200F, the byte order mark
//     U+FEFF, tags) and the line and paragraph separators U+2028 and U+2029: `\u202e`, or `\U` and
//     eight hex digits past U+FFFF. They are invisible or reorder what follows, so a name holding
//     one could pass for another or reverse the rest of a menu row.
// Other valid UTF-8 (accents, CJK, emoji) and printable ASCII pass unchanged. The forms are those
// of C and of the shell's $'...' quoting, and a C1 character (`\u009b`) reads differently from a
// stray byte of the same value (`\x9b`).
//
// A backslash stays as it is: it is the Windows path separator, and doubling it would change every
// Windows path on the screen. The escapes are for reading, not for typing back: the shell enters
// the real name through the hand-off, and completion reads `--list`, which stays raw. A name that
// itself holds a backslash followed by `e` therefore looks like one holding ESC.
//
// Both builds hold UTF-8 (the Windows build converts at the platform layer; an unpaired surrogate
// arrives as WTF-8 and shows as byte escapes).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dirhop {

// The visible form of `text`.
std::string VisibleText(std::string_view text);

// The number of terminal columns the visible form of `text` takes. Printable ASCII takes one
// column a byte; an escape takes one column for each of its characters (`\e` 2, `\x9b` 4,
// `\u009b` and `\u202e` 6), as it is shown; a UTF-8 character takes the width utf8proc gives it: 2
// for wide East Asian characters and emoji, 0 for combining marks and other characters of no width,
// 1 for the rest. Visible text shows as itself, so `text` may be raw or already visible.
std::size_t DisplayWidth(std::string_view text);

// The visible form of `text`, cut to at most `width` columns (as DisplayWidth counts them). What
// does not fit whole is left out with all that follows it: an escape is never cut, a character
// never split, and a wide character that would need one column more than is left is left out
// (DisplayWidth of the result may then be `width - 1`). Characters of no width (combining marks)
// stay with the character before them, so a base letter is kept with all its marks or not at all.
// For printable ASCII this is `text.substr(0, width)`.
std::string VisibleTextCut(std::string_view text, std::size_t width);

// The longest leading part of `text` that is at most `limit` bytes, does not end inside a UTF-8
// character and does not part a character from the marks of no width that follow it. A field of
// fixed length never keeps half a character, or a letter without its accent, that could no longer
// be typed.
std::string_view CutAtCharacter(std::string_view text, std::size_t limit);

}  // namespace dirhop
