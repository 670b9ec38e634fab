// The shorthand expansions of a typed path and small path utilities.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "match/path_syntax.h"
#include "platform/file_system.h"

namespace dirhop {

// Every '/' becomes '\' (Windows); POSIX paths are left alone, '/' is already the separator.
void UseNativeSeparators(std::string& spec, PathSyntax syntax);

// A '*' between every two adjacent separators: "a\\b" -> "a\*\b" ("a//b" -> "a/*/b" on POSIX).
void ExpandDoubleSeparators(std::string& spec, PathSyntax syntax);

// A lone "." component becomes ".."; a run of n >= 3 dots at the start of a component becomes
// n-1 parent steps ("..." -> "..\.."). Runs after a drive colon are left alone.
void ExpandDots(std::string& spec, PathSyntax syntax);

// `path` made absolute: drive-qualified (Windows) or from '/' (POSIX); a UNC path is returned as
// it is. Leading "." and ".." steps are resolved against the base directory, which comes from
// `fs` (CurrentDirectory, or DriveCurrentDirectory for a drive-relative path).
std::string ExpandFullPath(const std::string& path, PathSyntax syntax, FileSystem& fs);

// The absolute `path` with each level spelt as the file system holds it: on Windows, in the real
// case of its name, however it was typed (a level that is a link, or that is not found, stays as
// written); unchanged on POSIX, whose names differ by case, and for a path that is not absolute.
std::string WithNamesAsStored(const std::string& path, PathSyntax syntax, FileSystem& fs);

// The directory one level up from a non-empty absolute path; a root is its own parent.
std::string ParentDir(const std::string& path, PathSyntax syntax);

// What counts as a parent step at the start of a relative path.
enum class ParentStep {
  kComponent,  // ".." alone or followed by a separator ("..\x"); "..x" is a name (ExpandFullPath)
  kTwoDots,    // any two dots, as the main flow reads a typed spec: "..abc" is a step, then "bc"
};

// Takes the leading parent steps off `rest`, three characters each (the two dots and what
// follows them; two when nothing does), and moves `base` up by ParentDir once for each.
void TakeParentSteps(std::string& rest, std::string& base, PathSyntax syntax, ParentStep step);

// How many leading bytes of the absolute `path` are its root ("/", "C:\" or "\\server\share\");
// 0 when it is not absolute.
std::size_t RootLength(std::string_view path, PathSyntax syntax);

// `path` with a separator appended unless it already ends in one.
std::string AddTrailingSeparator(std::string path, PathSyntax syntax);

// `path` without the separators at its end (on Windows `/` too), unless it is a root ("/",
// "C:\").
std::string_view WithoutTrailingSeparators(std::string_view path, PathSyntax syntax);

// The way from directory `from` to directory `to` (both absolute) as a relative path that begins
// with "." so that no shell searches for it elsewhere: "./sub/x", "./..", "./../y", or "." for the
// same directory. Names are compared byte for byte. Empty when the two paths share no root
// (another drive).
std::string RelativePath(const std::string& from, const std::string& to, PathSyntax syntax);

}  // namespace dirhop
