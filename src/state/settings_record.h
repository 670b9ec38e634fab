// The settings record: everything Dirhop keeps between runs (history, aliases, the creation
// switch) in one fixed 10736-byte little-endian image, which is also the data file's content.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dirhop {

// Sizes and offsets of the record's byte image.
inline constexpr std::size_t kSettingsRecordSize = 10736;
inline constexpr int kHistorySlots = 21;              // slots 0 (most recent) to 20
inline constexpr int kAliasSlots = 20;                // slots 1 (most recent) to 20
inline constexpr std::size_t kPathFieldLength = 255;  // longest history entry or alias target
inline constexpr std::size_t kAliasNameLength = 10;   // longest alias name
inline constexpr std::size_t kHistorySlotSize = 256;
inline constexpr std::size_t kAliasSlotSize = 267;  // name field 11 + target field 256
inline constexpr std::size_t kAliasTableOffset = 5376;
inline constexpr std::size_t kReserved1Offset = 10716;
inline constexpr std::size_t kCanCreatePathOffset = 10720;
inline constexpr std::size_t kReserved2Offset = 10724;
inline constexpr std::size_t kReserved3Offset = 10728;
// One byte that says how the record's texts are written: kTextsInUtf8 in every image this
// release saves; the release before UTF-8 wrote 0 there (its texts in the OEM code page).
inline constexpr std::size_t kTextFormOffset = 10732;
inline constexpr std::uint8_t kTextsInUtf8 = 1;

class SettingsRecord {
 public:
  // The defaults: empty history, alias 1 "dos" = "c:\dos", alias 2 "win" = "c:\windows",
  // canCreatePath true, everything else zero.
  SettingsRecord();

  // Makes this record the default one again (as a new record is), in place.
  void SetDefaults();

  // Empties every alias slot.
  void ClearAliases();

  // The text of history slot `slot` (0-20).
  std::string History(int slot) const;
  // Whether history slot `slot` is empty.
  bool HistoryEmpty(int slot) const;
  // Stores `dir` in history slot `slot`; text beyond 255 characters is not kept.
  void SetHistory(int slot, std::string_view dir);
  // Empties history slot `slot`.
  void ClearHistory(int slot);
  // Copies `count` whole history slots starting at `from` to the slots starting at `to`
  // (the ranges may overlap).
  void MoveHistory(int from, int to, int count);

  // The name of alias slot `slot` (1-20); a stored length above 10 reads as 10.
  std::string AliasName(int slot) const;
  // The target directory of alias slot `slot` (1-20).
  std::string AliasTarget(int slot) const;
  // Whether alias slot `slot` is free (its name is empty).
  bool AliasFree(int slot) const;
  // Stores a name (at most 10 characters kept) and a target (at most 255) in alias slot `slot`.
  void SetAlias(int slot, std::string_view name, std::string_view target);
  // Empties both fields of alias slot `slot`.
  void ClearAlias(int slot);
  // Copies `count` whole alias slots starting at `from` to the slots starting at `to`.
  void MoveAliases(int from, int to, int count);

  // Whether a search may collect directories to offer for creation.
  bool CanCreatePath() const { return bytes_[kCanCreatePathOffset] != 0; }
  // Sets the creation switch (1 or 0).
  void SetCanCreatePath(bool on) { bytes_[kCanCreatePathOffset] = on ? 1 : 0; }

  // Whether the texts were loaded from an image this release saved (see kTextFormOffset); false
  // for an image of the release before UTF-8 and for the defaults.
  bool TextsInUtf8() const { return bytes_[kTextFormOffset] == kTextsInUtf8; }

  // The record's byte image as it is saved: reserved fields zero, the text form kTextsInUtf8.
  std::string Image() const;
  // Puts Image() in `image`, in the memory it holds when that is enough.
  void WriteImage(std::string& image) const;
  // Whether `bytes` are Image(), found without making it.
  bool IsImage(std::string_view bytes) const;
  // Overwrites the leading part of the image with `bytes` (at most 10736 of them); the rest of
  // the record keeps what it held.
  void LoadImage(std::string_view bytes);

 private:
  // Gives the bytes of the image from kReserved1Offset on, at `tail`, their saved form.
  static void SetSavedTail(char* tail);
  std::string ReadField(std::size_t offset, std::size_t capacity) const;
  void WriteField(std::size_t offset, std::size_t capacity, std::string_view text);

  std::array<std::uint8_t, kSettingsRecordSize> bytes_{};
};

}  // namespace dirhop
