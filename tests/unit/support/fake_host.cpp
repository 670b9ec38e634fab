#include "support/fake_host.h"

#include "base/utf8.h"
#include "support/call_log.h"

namespace dirhop::test {

std::vector<std::string> FakeHost::Calls(const std::string& name) const {
  return CallsNamed(log, name);
}

std::optional<std::string> FakeHost::GetEnv(const char* name) {
  log.push_back(std::string("GetEnv ") + name);
  auto found = env_.find(name);
  if (found == env_.end() || found->second.empty()) return std::nullopt;
  return found->second;
}

namespace {

// A status line that records what it is asked to do in its host's `status_line`.
class FakeStatusLine final : public platform::StatusLine {
 public:
  explicit FakeStatusLine(std::vector<std::string>& record) : record_(record) {}
  ~FakeStatusLine() override { Erase(); }
  void Show(std::string_view text) override {
    record_.push_back("Show " + std::string(text));
    shown_ = true;
  }
  void Erase() override {
    if (shown_) record_.push_back("Erase");
    shown_ = false;
  }

 private:
  std::vector<std::string>& record_;
  bool shown_ = false;
};

}  // namespace

std::unique_ptr<platform::StatusLine> FakeHost::OpenStatusLine() {
  if (!error_is_terminal) return nullptr;
  return std::make_unique<FakeStatusLine>(status_line);
}

std::string FakeHost::FallbackHandoffPath() {
  log.push_back("FallbackHandoffPath");
  return fallback_handoff_path;
}

std::unique_ptr<platform::ConsoleDevice> FakeHost::OpenConsoleDevice(
    platform::ConsoleFailure& failure) {
  failure = platform::ConsoleFailure::kOutput;
  return nullptr;
}

int FakeHost::OpenWithShell(const std::string& file, const std::string& parameters,
                            const std::string& directory, int show) {
  log.push_back("OpenWithShell " + file + (parameters.empty() ? "" : " " + parameters));
  if (on_open) on_open(file, parameters, directory, show);
  return shell_result;
}

bool FakeHost::DesktopOpenerAvailable() {
  log.push_back("DesktopOpenerAvailable");
  return desktop_opener;
}

int FakeHost::RunInTerminal(const std::vector<std::string>& words) {
  std::string joined;
  for (const std::string& word : words) joined += (joined.empty() ? "" : " ") + word;
  log.push_back("RunInTerminal " + joined);
  return terminal_result;
}

std::optional<std::string> FakeHost::TextInCodePage(std::string_view text, unsigned code_page) {
  if (code_page == platform::kUtf8CodePage) return std::string(text);
  if (code_page != console_code_page) return std::nullopt;
  std::string bytes;
  while (!text.empty()) {
    const Utf8Step step = FirstUtf8Step(text);
    const std::string character(text.substr(0, step.length));
    text.remove_prefix(step.length);
    if (step.code_point < 0x80) {
      bytes += character;
      continue;
    }
    const auto found = code_page_bytes.find(character);
    if (!step.valid || found == code_page_bytes.end()) return std::nullopt;
    bytes += found->second;
  }
  return bytes;
}

}  // namespace dirhop::test
