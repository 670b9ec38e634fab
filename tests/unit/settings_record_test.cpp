#include "state/settings_record.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace dirhop {
namespace {

std::string Field(const std::string& image, std::size_t offset) {
  return image.substr(offset + 1, static_cast<unsigned char>(image[offset]));
}

TEST(SettingsRecordTest, DefaultImageIsPinnedByteForByte) {
  const std::string image = SettingsRecord().Image();
  ASSERT_EQ(image.size(), 10736u);
  // History: 21 empty slots of 256 bytes.
  EXPECT_EQ(image.substr(0, 5376), std::string(5376, '\0'));
  // Alias slot 1 at 5376: name "dos" in 11 bytes, then target "c:\dos" in 256 bytes.
  EXPECT_EQ(image.substr(5376, 11), std::string("\x03"
                                                "dos"
                                                "\0\0\0\0\0\0\0",
                                                11));
  EXPECT_EQ(image.substr(5387, 7), std::string("\x06"
                                               "c:\\dos"));
  // Alias slot 2 starts 267 bytes later.
  EXPECT_EQ(image.substr(5643, 4), std::string("\x03"
                                               "win"));
  EXPECT_EQ(image.substr(5654, 11), std::string("\x0a"
                                                "c:\\windows"));
  EXPECT_EQ(image.substr(5910, 10716 - 5910), std::string(10716 - 5910, '\0'));  // slots 3-20
  EXPECT_EQ(image.substr(10716, 4), std::string(4, '\0'));
  EXPECT_EQ(image[10720], '\x01');  // canCreatePath
  EXPECT_EQ(image.substr(10721, 3), std::string(3, '\0'));
  EXPECT_EQ(image.substr(10724, 4), std::string(4, '\0'));
  EXPECT_EQ(image.substr(10728, 4), std::string(4, '\0'));
  EXPECT_EQ(image.substr(10732, 4), std::string("\x01\0\0\0", 4));  // texts in UTF-8
}

TEST(SettingsRecordTest, FieldsLandAtTheirOffsets) {
  SettingsRecord record;
  record.SetHistory(0, "C:\\Work");
  record.SetHistory(20, "D:\\old");
  record.SetAlias(20, "last", "E:\\x");
  record.SetCanCreatePath(false);
  const std::string image = record.Image();
  EXPECT_EQ(Field(image, 0), "C:\\Work");
  EXPECT_EQ(Field(image, 20 * 256), "D:\\old");
  EXPECT_EQ(Field(image, 5376 + 19 * 267), "last");
  EXPECT_EQ(Field(image, 5376 + 19 * 267 + 11), "E:\\x");
  EXPECT_EQ(image[10720], '\0');
}

TEST(SettingsRecordTest, ReservedFieldsAreSavedAsZeroAndPaddingIsKept) {
  std::string loaded = SettingsRecord().Image();
  for (std::size_t offset : {10716u, 10721u, 10724u, 10728u, 10732u, 10733u}) loaded[offset] = 'R';
  SettingsRecord record;
  record.LoadImage(loaded);
  const std::string image = record.Image();
  EXPECT_EQ(image[10716], '\0');
  EXPECT_EQ(image[10724], '\0');
  EXPECT_EQ(image[10728], '\0');
  EXPECT_EQ(image[10732], '\x01');  // the text form: this release's UTF-8
  EXPECT_EQ(image[10721], 'R');     // padding is not the program's to change
  EXPECT_EQ(image[10733], 'R');
  // What a save would write is told without making the image: the loaded bytes are not it.
  EXPECT_TRUE(record.IsImage(image));
  EXPECT_FALSE(record.IsImage(loaded));
  for (std::size_t offset : {0u, 5375u, 10715u, 10716u, 10720u, 10724u, 10732u, 10735u}) {
    std::string other = image;
    other[offset] = static_cast<char>(other[offset] ^ 1);
    EXPECT_FALSE(record.IsImage(other)) << offset;
  }
  EXPECT_FALSE(record.IsImage(image.substr(0, 10735)));
  std::string written = "left over";
  record.WriteImage(written);
  EXPECT_EQ(written, image);
}

TEST(SettingsRecordTest, ShortImagesFillOnlyTheLeadingPart) {
  SettingsRecord history_only;
  std::string image(5376, '\0');
  image[256] = 3;
  image.replace(257, 3, "abc");
  history_only.LoadImage(image);
  EXPECT_EQ(history_only.History(1), "abc");
  EXPECT_EQ(history_only.AliasName(1), "dos");  // defaults stay
  EXPECT_EQ(history_only.AliasTarget(2), "c:\\windows");
  EXPECT_TRUE(history_only.CanCreatePath());

  SettingsRecord one_byte;
  one_byte.LoadImage(std::string(1, '\x05'));
  EXPECT_EQ(one_byte.History(0), std::string(5, '\0'));  // length byte read, characters default

  SettingsRecord empty;
  empty.LoadImage("");
  EXPECT_EQ(empty.Image(), SettingsRecord().Image());
  SettingsRecord no_view;  // a default view has no data at all (the sanitizer build checks it)
  no_view.LoadImage(std::string_view());
  EXPECT_EQ(no_view.Image(), SettingsRecord().Image());
}

TEST(SettingsRecordTest, LongImagesAreReadUpToTheRecordSize) {
  std::string image = SettingsRecord().Image() + std::string(1000, '\xff');
  image[10720] = 0;
  SettingsRecord record;
  record.LoadImage(image);
  EXPECT_FALSE(record.CanCreatePath());
  EXPECT_EQ(record.Image().size(), 10736u);
}

TEST(SettingsRecordTest, LengthBytesOverTheirFieldsAreClamped) {
  std::string image(10736, 'Z');
  SettingsRecord record;
  record.LoadImage(image);  // every length byte is 'Z' (90)
  EXPECT_EQ(record.AliasName(1), std::string(10, 'Z'));
  EXPECT_EQ(record.AliasTarget(1), std::string(90, 'Z'));
  EXPECT_EQ(record.History(0), std::string(90, 'Z'));
  std::string full(10736, '\xff');
  record.LoadImage(full);
  EXPECT_EQ(record.History(20).size(), 255u);
  EXPECT_EQ(record.AliasName(20).size(), 10u);
  EXPECT_EQ(record.AliasTarget(20).size(), 255u);
  EXPECT_TRUE(record.CanCreatePath());  // any non-zero byte is true
}

TEST(SettingsRecordTest, SettersNeverOverflowTheirFields) {
  SettingsRecord record;
  record.SetHistory(0, std::string(300, 'h'));
  record.SetAlias(1, "abcdefghijklm", std::string(300, 't'));
  EXPECT_EQ(record.History(0), std::string(255, 'h'));
  EXPECT_TRUE(record.HistoryEmpty(1));
  EXPECT_EQ(record.AliasName(1), "abcdefghij");
  EXPECT_EQ(record.AliasTarget(1), std::string(255, 't'));
  EXPECT_EQ(record.AliasName(2), "win");  // the neighbour is untouched
}

TEST(SettingsRecordTest, SlotMovesCopyWholeSlots) {
  SettingsRecord record;
  for (int slot = 0; slot < 21; ++slot) record.SetHistory(slot, "d" + std::to_string(slot));
  record.MoveHistory(0, 1, 20);
  EXPECT_EQ(record.History(1), "d0");
  EXPECT_EQ(record.History(20), "d19");
  record.MoveAliases(1, 2, 19);
  EXPECT_EQ(record.AliasName(2), "dos");
  EXPECT_EQ(record.AliasTarget(3), "c:\\windows");
  record.ClearAlias(1);
  EXPECT_TRUE(record.AliasFree(1));
  EXPECT_EQ(record.AliasTarget(1), "");
}

}  // namespace
}  // namespace dirhop
