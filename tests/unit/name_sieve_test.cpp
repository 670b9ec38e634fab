// The sieve before the matching of remembered folders: it never turns away a name that a level
// follows plausibly, and turns away most that it does not.
#include "match/name_sieve.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "base/name_list.h"
#include "match/level_match.h"

namespace dirhop {
namespace {

// Every text one edit (a letter dropped, added or changed, two neighbours swapped) from `text`,
// with letters from `alphabet`.
std::set<std::string> OneEditFrom(const std::string& text, const std::string& alphabet) {
  std::set<std::string> out;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size()) out.insert(text.substr(0, i) + text.substr(i + 1));
    if (i + 1 < text.size()) {
      std::string swapped = text;
      std::swap(swapped[i], swapped[i + 1]);
      out.insert(swapped);
    }
    for (const char c : alphabet) {
      out.insert(text.substr(0, i) + c + text.substr(i));
      if (i < text.size()) out.insert(text.substr(0, i) + c + text.substr(i + 1));
    }
  }
  return out;
}

// True when a level of `name` alone follows it by more than a far-fetched typo: what a level
// with any names beside it can do at best.
bool FollowedPlausibly(const std::string& component, const std::string& name) {
  const LevelScore level = MatchLevel(component, NameList{name});
  return level.followed.size() > level.far.size();
}

TEST(NameSieveTest, EveryNameALevelFollowsPlausiblyPasses) {
  for (const std::string component :
       {"iewao", "Webs", "pro", "projects", "dl", "a.b", "x-1_y", "documents2", "Q"}) {
    const NameSieve sieve(component);
    // Names within two edits of the component, and one edit of its beginning and of it with more
    // after it (prefixes, letters in order), in either case, with other letters and punctuation.
    std::string alphabet = "xZ.-";
    for (const char c : component) alphabet += {c, static_cast<char>(c ^ 0x20)};
    std::set<std::string> names;
    for (const std::string& seed :
         {component, component.substr(0, component.size() / 2), component + "shop",
          component.substr(0, 1) + "_" + component.substr(1) + ".d"}) {
      for (const std::string& once : OneEditFrom(seed, alphabet)) {
        names.insert(once);
        if (seed != component) continue;
        const std::set<std::string> twice = OneEditFrom(once, component + "x.");
        names.insert(twice.begin(), twice.end());
      }
    }
    std::size_t followed = 0;
    std::size_t turned_away = 0;
    for (const std::string& name : names) {
      const bool passes = sieve.MayMatch(name);
      if (FollowedPlausibly(component, name)) {
        ++followed;
        EXPECT_TRUE(passes) << component << " / " << name;
      }
      if (!passes) ++turned_away;
    }
    EXPECT_GT(followed, 10u) << component;
    // Names two edits away are mostly far-fetched for a short component and are turned away.
    if (component.size() <= 5 && component.find('.') == std::string::npos) {
      EXPECT_GT(turned_away, names.size() / 10) << component;
    }
  }
}

TEST(NameSieveTest, WhatItTurnsAwayAndWhatAlwaysPasses) {
  const NameSieve sieve("webs");
  EXPECT_TRUE(sieve.MayMatch("WebShop"));  // the first letter
  EXPECT_TRUE(sieve.MayMatch("ewbs"));     // a swap
  EXPECT_TRUE(sieve.MayMatch("nebs"));     // a changed letter
  EXPECT_FALSE(sieve.MayMatch("nebx"));    // two
  EXPECT_FALSE(sieve.MayMatch("tmp"));
  EXPECT_FALSE(sieve.MayMatch("Documents"));
  EXPECT_FALSE(sieve.MayMatchAscii("Documents"));
  // A name beyond ASCII may fold to anything (ﬀ is ff).
  EXPECT_TRUE(sieve.MayMatch("Ébs"));
  EXPECT_TRUE(
      sieve.MayMatch("\xef\xac\x80"
                     "oooooooo"));
  // Components whose matches the first letter does not bound pass every name.
  for (const char* component : {"caf\xc3\xa9", "w*s", "?ebs", ".ssh", ""}) {
    EXPECT_TRUE(NameSieve(component).MayMatch("x.sshd-and-more")) << component;
  }
}

}  // namespace
}  // namespace dirhop
