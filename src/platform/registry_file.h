// The text form of the settings key on POSIX, where there is no registry: a file with one value a
// line. Pure text handling, built on every host so both builds test it; store_posix.cpp does the
// file work.
//
// Format (the file starts with a comment that repeats this):
//   <name> TAB <type> TAB <data> LF
//   type: "sz" (string), "expand_sz" (string, taken as it is), "dword" (decimal, or 0x and hex)
//   In names and data a backslash starts an escape: \\ backslash, \t tab, \n line feed,
//   \r carriage return, \xHH the byte with hex value HH. Bytes below 0x20, 0x7F and the backslash
//   are always written escaped, and so is a '#' that begins a name; every other byte, UTF-8
//   included, is written as it is, so any name and path survives a round trip byte for byte.
//   Lines beginning with '#', empty lines and lines that do not read as a value are ignored.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/store_platform.h"

namespace dirhop::platform {

// One named value of the emulated key.
struct RegistryFileValue {
  std::string name;
  StoreValue value;
};

// `text` with backslashes, control bytes and 0x7F written as escapes.
std::string EscapeRegistryText(std::string_view text);

// The bytes an escaped text stands for; nullopt when an escape is damaged.
std::optional<std::string> UnescapeRegistryText(std::string_view text);

// The values of a file's text, in file order, each name once (a later line replaces an earlier
// one in its place), in time linear in the text. Damaged lines are skipped. kOther values never
// come out of a file.
std::vector<RegistryFileValue> ParseRegistryFile(std::string_view text);

// The file text for `values`: the explanatory header, then one line per value; kOther values,
// which the file cannot hold, are left out.
std::string FormatRegistryFile(const std::vector<RegistryFileValue>& values);

}  // namespace dirhop::platform
