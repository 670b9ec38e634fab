#include "state/settings_record.h"

#include <algorithm>
#include <cstring>

namespace dirhop {

namespace {

std::size_t HistoryOffset(int slot) { return static_cast<std::size_t>(slot) * kHistorySlotSize; }

std::size_t AliasOffset(int slot) {
  return kAliasTableOffset + static_cast<std::size_t>(slot - 1) * kAliasSlotSize;
}

std::size_t AliasTargetOffset(int slot) { return AliasOffset(slot) + 1 + kAliasNameLength; }

}  // namespace

SettingsRecord::SettingsRecord() { SetDefaults(); }

void SettingsRecord::SetDefaults() {
  bytes_.fill(0);
  SetAlias(1, "dos", "c:\\dos");
  SetAlias(2, "win", "c:\\windows");
  SetCanCreatePath(true);
}

void SettingsRecord::ClearAliases() {
  for (int slot = 1; slot <= kAliasSlots; ++slot) SetAlias(slot, "", "");
}

std::string SettingsRecord::ReadField(std::size_t offset, std::size_t capacity) const {
  // A length byte larger than the field (only an alias name can have one) reads as the field.
  const std::size_t length = std::min<std::size_t>(bytes_[offset], capacity);
  return std::string(reinterpret_cast<const char*>(&bytes_[offset + 1]), length);
}

void SettingsRecord::WriteField(std::size_t offset, std::size_t capacity, std::string_view text) {
  const std::size_t length = std::min(text.size(), capacity);
  bytes_[offset] = static_cast<std::uint8_t>(length);
  // copy_n, unlike memcpy, is defined for the null data of an empty view.
  std::copy_n(text.data(), length, &bytes_[offset + 1]);
  // Bytes past the text carry no meaning; zeros keep the image free of stale names.
  std::memset(&bytes_[offset + 1 + length], 0, capacity - length);
}

std::string SettingsRecord::History(int slot) const {
  return ReadField(HistoryOffset(slot), kPathFieldLength);
}

bool SettingsRecord::HistoryEmpty(int slot) const { return bytes_[HistoryOffset(slot)] == 0; }

void SettingsRecord::SetHistory(int slot, std::string_view dir) {
  WriteField(HistoryOffset(slot), kPathFieldLength, dir);
}

void SettingsRecord::ClearHistory(int slot) { SetHistory(slot, {}); }

void SettingsRecord::MoveHistory(int from, int to, int count) {
  std::memmove(&bytes_[HistoryOffset(to)], &bytes_[HistoryOffset(from)],
               static_cast<std::size_t>(count) * kHistorySlotSize);
}

std::string SettingsRecord::AliasName(int slot) const {
  return ReadField(AliasOffset(slot), kAliasNameLength);
}

std::string SettingsRecord::AliasTarget(int slot) const {
  return ReadField(AliasTargetOffset(slot), kPathFieldLength);
}

bool SettingsRecord::AliasFree(int slot) const { return bytes_[AliasOffset(slot)] == 0; }

void SettingsRecord::SetAlias(int slot, std::string_view name, std::string_view target) {
  WriteField(AliasOffset(slot), kAliasNameLength, name);
  WriteField(AliasTargetOffset(slot), kPathFieldLength, target);
}

void SettingsRecord::ClearAlias(int slot) { SetAlias(slot, {}, {}); }

void SettingsRecord::MoveAliases(int from, int to, int count) {
  std::memmove(&bytes_[AliasOffset(to)], &bytes_[AliasOffset(from)],
               static_cast<std::size_t>(count) * kAliasSlotSize);
}

void SettingsRecord::SetSavedTail(char* tail) {
  for (std::size_t offset : {kReserved1Offset, kReserved2Offset, kReserved3Offset}) {
    std::memset(tail + (offset - kReserved1Offset), 0, 4);
  }
  tail[kTextFormOffset - kReserved1Offset] = static_cast<char>(kTextsInUtf8);
}

std::string SettingsRecord::Image() const {
  std::string image;
  WriteImage(image);
  return image;
}

void SettingsRecord::WriteImage(std::string& image) const {
  image.assign(reinterpret_cast<const char*>(bytes_.data()), bytes_.size());
  SetSavedTail(&image[kReserved1Offset]);
}

bool SettingsRecord::IsImage(std::string_view bytes) const {
  if (bytes.size() != bytes_.size() ||
      std::memcmp(bytes.data(), bytes_.data(), kReserved1Offset) != 0) {
    return false;
  }
  std::array<char, kSettingsRecordSize - kReserved1Offset> tail;
  std::memcpy(tail.data(), &bytes_[kReserved1Offset], tail.size());
  SetSavedTail(tail.data());
  return std::memcmp(bytes.data() + kReserved1Offset, tail.data(), tail.size()) == 0;
}

void SettingsRecord::LoadImage(std::string_view bytes) {
  // One block copy: a byte loop (char to uint8_t) costs ten times as many instructions, twice a
  // jump (the load and the save's second look).
  if (bytes.empty()) return;  // an empty view may hold no pointer, which memcpy must not get
  std::memcpy(bytes_.data(), bytes.data(), std::min(bytes.size(), bytes_.size()));
}

}  // namespace dirhop
