#include "support/fake_console.h"

#include <utility>

namespace dirhop::test {

void FakeConsoleDevice::Write(std::string_view bytes) {
  pieces.push_back(Piece{std::string(bytes), attribute_});
}

void FakeConsoleDevice::SetAttribute(std::uint16_t attr) {
  attribute_ = attr;
  attributes_set.push_back(attr);
}

std::optional<Key> FakeConsoleDevice::ReadKey() {
  text_at_key_read.push_back(Text());
  if (!typed_ahead_.empty()) {
    Key key = typed_ahead_.front();
    typed_ahead_.pop_front();
    return key;
  }
  if (keys_.empty()) return std::nullopt;
  Key key = keys_.front();
  keys_.pop_front();
  return key;
}

void FakeConsoleDevice::DiscardPendingInput() {
  text_at_discard.push_back(Text());
  typed_ahead_.clear();
}

void FakeConsoleDevice::TypeAhead(std::initializer_list<Key> keys) {
  typed_ahead_.insert(typed_ahead_.end(), keys.begin(), keys.end());
}

void FakeConsoleDevice::PushKeys(std::initializer_list<Key> keys) {
  keys_.insert(keys_.end(), keys.begin(), keys.end());
}

std::string FakeConsoleDevice::Text() const {
  std::string text;
  for (const Piece& piece : pieces) text += piece.text;
  return text;
}

std::string FakeConsoleDevice::TextIn(std::uint16_t colour) const {
  std::string text;
  for (const Piece& piece : pieces) {
    if (piece.colour == colour) text += piece.text;
  }
  return text;
}

namespace {

// A console over `device`, with the device kept at hand for the test; the console reads what the
// device says of the screen when it is made.
FakeConsole ConsoleOver(std::unique_ptr<FakeConsoleDevice> device) {
  FakeConsole fake;
  fake.device = device.get();
  fake.console = std::make_unique<Console>(std::move(device));
  return fake;
}

}  // namespace

FakeConsole MakeFakeConsole(std::optional<platform::ScreenSize> size,
                            std::initializer_list<Key> keys) {
  auto device = std::make_unique<FakeConsoleDevice>();
  device->SetBufferSize(size);
  device->PushKeys(keys);
  return ConsoleOver(std::move(device));
}

FakeConsole MakeRedirectedFakeConsole(std::initializer_list<Key> keys) {
  auto device = std::make_unique<FakeConsoleDevice>();
  device->SetWritesToScreen(false);
  device->PushKeys(keys);
  return ConsoleOver(std::move(device));
}

std::string Written(FakeConsole& fake) {
  fake.console->Flush();
  return fake.device->Text();
}

std::string WrittenIn(FakeConsole& fake, std::uint16_t colour) {
  fake.console->Flush();
  return fake.device->TextIn(colour);
}

}  // namespace dirhop::test
