// A console device for tests: records what is written with the colour it was written in, plays
// back scripted key presses, and reports a chosen screen-buffer size.
#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "platform/platform.h"

namespace dirhop::test {

class FakeConsoleDevice : public platform::ConsoleDevice {
 public:
  // One Write call: its text and the attribute in force when it was made.
  struct Piece {
    std::string text;
    std::uint16_t colour = kColourNormal;
  };

  // Records `bytes` as one piece in the current attribute.
  void Write(std::string_view bytes) override;
  // Records `attr` as the attribute of later pieces (and in `attributes_set`).
  void SetAttribute(std::uint16_t attr) override;
  // The next key typed ahead, else the next scripted key; nullopt (a failed read) once both are
  // used up.
  std::optional<Key> ReadKey() override;
  // Drops the keys typed ahead (not the script) and records the text written before the call.
  void DiscardPendingInput() override;
  // The size given to SetBufferSize; nullopt (like redirected output) until then.
  std::optional<platform::ScreenSize> BufferSize() override { return buffer_size_; }
  // What SetWritesToScreen gave; true (a terminal) until then.
  bool WritesToScreen() override { return writes_to_screen_; }

  // Adds keys to the end of the script that ReadKey plays back.
  void PushKeys(std::initializer_list<Key> keys);
  // Adds keys typed ahead: read before the script unless DiscardPendingInput drops them first.
  void TypeAhead(std::initializer_list<Key> keys);
  // Sets what BufferSize reports (Console reads it once, when it is constructed).
  void SetBufferSize(std::optional<platform::ScreenSize> size) { buffer_size_ = size; }
  // Sets what WritesToScreen reports (Console reads it once, when it is constructed).
  void SetWritesToScreen(bool screen) { writes_to_screen_ = screen; }

  // All text written so far, in order.
  std::string Text() const;
  // The text written while `colour` was in force, pieces joined in order.
  std::string TextIn(std::uint16_t colour) const;
  // The attribute in force now (7 at the start).
  std::uint16_t attribute() const { return attribute_; }
  // Keys still waiting in the script.
  std::size_t keys_left() const { return keys_.size(); }

  // Every Write, in order.
  std::vector<Piece> pieces;
  // Every SetAttribute argument, in order.
  std::vector<std::uint16_t> attributes_set;
  // For each ReadKey call, the whole text written before it (what the user saw while waiting).
  std::vector<std::string> text_at_key_read;
  // For each DiscardPendingInput call, the whole text written before it.
  std::vector<std::string> text_at_discard;

 private:
  std::uint16_t attribute_ = kColourNormal;
  std::deque<Key> keys_;
  std::deque<Key> typed_ahead_;
  std::optional<platform::ScreenSize> buffer_size_;
  bool writes_to_screen_ = true;
};

// A Console over a FakeConsoleDevice; `device` is owned by `console` and lives as long as it.
struct FakeConsole {
  std::unique_ptr<Console> console;
  FakeConsoleDevice* device = nullptr;
};

// Builds a Console over a new fake whose buffer has `size` and whose key script is `keys`.
FakeConsole MakeFakeConsole(std::optional<platform::ScreenSize> size = std::nullopt,
                            std::initializer_list<Key> keys = {});

// Builds a Console over a new fake whose output is a file or a pipe (no screen size, not a
// screen) and whose key script is `keys`.
FakeConsole MakeRedirectedFakeConsole(std::initializer_list<Key> keys = {});

// Everything written so far, after flushing the line end the console still holds back.
std::string Written(FakeConsole& fake);
// What was written while `colour` was in force, after flushing the console.
std::string WrittenIn(FakeConsole& fake, std::uint16_t colour);

}  // namespace dirhop::test
