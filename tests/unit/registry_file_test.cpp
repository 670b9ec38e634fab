#include "platform/registry_file.h"

#include <gtest/gtest.h>

#include <string>

namespace dirhop::platform {
namespace {

TEST(RegistryFileTest, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  const std::string escaped = EscapeRegistryText(all);
  for (char c : escaped) {
    const auto byte = static_cast<unsigned char>(c);
    EXPECT_FALSE(byte < 0x20 || byte == 0x7F) << "raw control byte " << int(byte);
  }
  EXPECT_EQ(UnescapeRegistryText(escaped), all);
  const std::string path = "/home/u/naïve dir\\with\ttab\nnewline\r";
  std::vector<RegistryFileValue> values = {
      {"history_0", {StoreValueType::kString, path, 0}},
      {"history_1", {StoreValueType::kString, all, 0}},
  };
  std::vector<RegistryFileValue> back = ParseRegistryFile(FormatRegistryFile(values));
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].value.text, path);
  EXPECT_EQ(back[1].value.text, all);
}

TEST(RegistryFileTest, WritesOneReadableLineAValue) {
  const std::string text = FormatRegistryFile({
      {"history_0", {StoreValueType::kString, "/tmp/a b", 0}},
      {"canCreatePath", {StoreValueType::kDword, "", 0}},
      {"x", {StoreValueType::kExpandString, "$HOME\\y", 0}},
      {"skipped", {StoreValueType::kOther, "zz", 0}},
  });
  EXPECT_EQ(text.substr(0, 1), "#");
  EXPECT_NE(
      text.find("\nhistory_0\tsz\t/tmp/a b\ncanCreatePath\tdword\t0\nx\texpand_sz\t$HOME\\\\y\n"),
      std::string::npos);
  EXPECT_EQ(text.find("skipped"), std::string::npos);
  EXPECT_EQ(text.back(), '\n');
}

TEST(RegistryFileTest, ReadsTypesAndIgnoresDamagedLines) {
  const std::string text =
      "# a comment\n"
      "\n"
      "history_0\tsz\t/good\n"
      "no tabs at all\n"
      "history_1\tbinary\t00\n"             // unknown type
      "history_2\tsz\tbad\\q escape\n"      // unknown escape
      "history_3\tsz\tcut \\x4\n"           // short hex escape
      "canCreatePath\tdword\t12x\n"         // not a number
      "canCreatePath\tdword\t4294967296\n"  // too big
      "aliasname_1\tsz\ttab\tinside\n"      // a raw tab in the data
      "aliasdir_1\tdword\t0x10\n"
      "history_4\texpand_sz\t%x%\r\n"  // CR LF line end
      "\tsz\tnameless\n"
      "history_0\tsz\t/later wins\n"
      "history_5\tsz\t\n"
      "history_6\tsz\t\\x41\\\\";  // last line without a line end
  std::vector<RegistryFileValue> values = ParseRegistryFile(text);
  ASSERT_EQ(values.size(), 5u);
  EXPECT_EQ(values[0].name, "history_0");
  EXPECT_EQ(values[0].value.text, "/later wins");  // in the first line's place
  EXPECT_EQ(values[1].name, "aliasdir_1");
  EXPECT_EQ(values[1].value.type, StoreValueType::kDword);
  EXPECT_EQ(values[1].value.number, 16u);
  EXPECT_EQ(values[2].name, "history_4");
  EXPECT_EQ(values[2].value.type, StoreValueType::kExpandString);
  EXPECT_EQ(values[2].value.text, "%x%");
  EXPECT_EQ(values[3].value.text, "");
  EXPECT_EQ(values[4].value.text, "A\\");
}

TEST(RegistryFileTest, GarbageGivesNoValuesAndNoCrash) {
  std::string garbage;
  for (int i = 0; i < 5000; ++i) garbage += static_cast<char>((i * 7919) % 256);
  for (const RegistryFileValue& value : ParseRegistryFile(garbage)) {
    EXPECT_FALSE(value.name.empty());
  }
  EXPECT_TRUE(ParseRegistryFile("").empty());
  EXPECT_TRUE(ParseRegistryFile("\\").empty());
}

TEST(RegistryFileTest, ManyNamesWithRepeatsKeepTheFirstPlaceAndTheLastValue) {
  // Every name twice, the repeats in reverse order after all the first lines.
  constexpr int kNames = 50000;
  std::string text;
  for (int i = 0; i < kNames; ++i) text += "v" + std::to_string(i) + "\tsz\tfirst\n";
  for (int i = kNames - 1; i >= 0; --i) {
    text += "v" + std::to_string(i) + "\tsz\tlast" + std::to_string(i) + "\n";
  }
  std::vector<RegistryFileValue> values = ParseRegistryFile(text);
  ASSERT_EQ(values.size(), static_cast<std::size_t>(kNames));
  for (int i = 0; i < kNames; ++i) {
    ASSERT_EQ(values[i].name, "v" + std::to_string(i));
    ASSERT_EQ(values[i].value.text, "last" + std::to_string(i));
  }
  EXPECT_EQ(ParseRegistryFile(FormatRegistryFile(values)).size(), values.size());
}

TEST(RegistryFileTest, ANameThatBeginsLikeACommentSurvivesARoundTrip) {
  const std::vector<RegistryFileValue> values = {
      {"#hash", {StoreValueType::kString, "#text", 0}},
      {"mid#dle", {StoreValueType::kDword, "", 7}},
  };
  const std::string text = FormatRegistryFile(values);
  EXPECT_NE(text.find("\n\\x23hash\tsz\t#text\n"), std::string::npos) << text;
  std::vector<RegistryFileValue> back = ParseRegistryFile(text);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].name, "#hash");
  EXPECT_EQ(back[0].value.text, "#text");
  EXPECT_EQ(back[1].name, "mid#dle");
  EXPECT_EQ(back[1].value.number, 7u);
}

}  // namespace
}  // namespace dirhop::platform
