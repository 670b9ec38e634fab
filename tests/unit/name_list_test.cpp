// The packed name list and the listing built on it: every name comes back whole, in order, and
// a link's identity stays with its own name.
#include "base/name_list.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/directory_listing.h"

namespace dirhop {
namespace {

TEST(NameListTest, NamesComeBackWholeAndInOrderPastTheFirstRoom) {
  NameList names{"", "a", std::string_view("nul\0inside", 10)};
  EXPECT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0], "");
  EXPECT_EQ(names[1], "a");
  EXPECT_EQ(names[2], std::string_view("nul\0inside", 10));
  // Far more names and bytes than the list first makes room for.
  NameList many;
  for (int i = 0; i < 1000; ++i)
    many.Add(std::string(static_cast<std::size_t>(i % 300), 'x') + std::to_string(i));
  ASSERT_EQ(many.size(), 1000u);
  for (int i = 0; i < 1000; ++i) {
    EXPECT_EQ(many[static_cast<std::size_t>(i)],
              std::string(static_cast<std::size_t>(i % 300), 'x') + std::to_string(i));
  }
  EXPECT_TRUE(NameList().empty());
  // The bytes taken out hold every name at its offset; the list is left empty and usable.
  const std::string text = many.TakeText();
  EXPECT_TRUE(many.empty());
  EXPECT_EQ(text.substr(0, 1), "0");
  many.Add("again");
  EXPECT_EQ(many[0], "again");
  EXPECT_EQ(names.Offset(2), 1u);
  const std::string bytes = names.TakeText();
  EXPECT_EQ(bytes, std::string_view("anul\0inside", 11));
}

TEST(NameListTest, AListingKeepsEachLinksIdentityWithItsName) {
  platform::DirectoryListing listing;
  listing.Add("plain");
  listing.Add("up", platform::DirectoryIdentity{1, 0, 7});
  listing.Add("other");
  listing.Add("away", platform::DirectoryIdentity{1, 0, 9});
  ASSERT_EQ(listing.names.size(), 4u);
  EXPECT_EQ(listing.links.size(), 2u);
  EXPECT_EQ(listing.IdentityOf(0), std::nullopt);
  EXPECT_EQ(listing.IdentityOf(1), (platform::DirectoryIdentity{1, 0, 7}));
  EXPECT_EQ(listing.IdentityOf(2), std::nullopt);
  EXPECT_EQ(listing.IdentityOf(3), (platform::DirectoryIdentity{1, 0, 9}));
  EXPECT_EQ(listing.IdentityOf(4), std::nullopt);  // past the end
}

}  // namespace
}  // namespace dirhop
