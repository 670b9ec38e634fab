#include "console/console.h"

#include <cstdio>
#include <utility>

#include "console/visible_text.h"

namespace dirhop {

Console::Console(std::unique_ptr<platform::ConsoleDevice> device)
    : device_(std::move(device)), writes_to_screen_(device_->WritesToScreen()) {
  // A size that makes no sense (a terminal reporting 0 rows) counts as unknown.
  auto size = device_->BufferSize();
  if (size && size->columns > 0 && size->rows > 0) {
    width_ = size->columns;
    half_width_ = size->columns / 2;
    last_row_ = size->rows - 1;
  }
}

// Whatever is still buffered reaches the console even when the run ends by an exception.
Console::~Console() { Flush(); }

void Console::BeforeOutput() {
  if (!before_output_) return;
  const std::function<void()> hook = std::move(before_output_);
  before_output_ = nullptr;
  hook();
}

void Console::Write(std::string_view text) {
  BeforeOutput();
  buffer_.append(text);
}

void Console::WriteNumber(long long number) {
  BeforeOutput();
  buffer_ += std::to_string(number);
}

void Console::WriteLine(std::string_view text) {
  BeforeOutput();
  buffer_.append(text);
  buffer_ += '\n';
}

void Console::Flush() {
  if (buffer_.empty()) return;
  device_->Write(buffer_);
  buffer_.clear();
}

void Console::SetTextColour(std::uint16_t attr) {
  BeforeOutput();
  // A colour applies to what reaches the console after it is set, so pending text goes first.
  Flush();
  device_->SetAttribute(attr);
  colour_ = attr;
}

void Console::EndColouredLine() {
  SetTextColour(kColourNormal);
  WriteLine();
}

void Console::ColouredLine(std::uint16_t attr, std::string_view text) {
  SetTextColour(attr);
  Write(text);
  EndColouredLine();
}

Key Console::ReadConsoleKey() { return TryReadKey().value_or(platform::kKeyReadFailure); }

std::optional<Key> Console::TryReadKey() {
  BeforeOutput();
  Flush();
  return device_->ReadKey();
}

std::unique_ptr<Console> ConsoleInit(Host& host) {
  platform::ConsoleFailure failure = platform::ConsoleFailure::kNone;
  auto device = host.OpenConsoleDevice(failure);
  if (!device) {
    const char* which = failure == platform::ConsoleFailure::kError   ? "error"
                        : failure == platform::ConsoleFailure::kInput ? "input"
                                                                      : "output";
    // There is no console to write through; standard output is all that is left to try.
    std::string line = std::string("Cannot get console ") + which + " handle.\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
    return nullptr;
  }
  return std::make_unique<Console>(std::move(device));
}

std::string RepeatChar(std::uint8_t count, char ch) { return std::string(count, ch); }

std::string PadToWidth(std::string_view text, std::uint8_t width) {
  std::string padded = VisibleTextCut(text, width);
  padded.append(width - DisplayWidth(padded), ' ');
  return padded;
}

}  // namespace dirhop
