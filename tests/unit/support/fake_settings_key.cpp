#include "support/fake_settings_key.h"

#include <utility>

namespace dirhop::test {

namespace {

class FakeKey : public platform::SettingsKey {
 public:
  explicit FakeKey(FakeKeyStore& store) : store_(store) {}

  std::optional<platform::StoreValue> Query(const std::string& name) override {
    auto found = store_.values.find(name);
    if (found == store_.values.end()) return std::nullopt;
    return found->second;
  }

  bool Set(const std::string& name, const platform::StoreValue& value) override {
    if (name == store_.refuse) return false;
    ++store_.sets;
    store_.values[name] = value;
    return true;
  }

  platform::StoreFileStatus Close() override {
    if (store_.refuse_close) return platform::StoreFileStatus::kWriteFailed;
    ++store_.closes;
    return platform::StoreFileStatus::kOk;
  }

 private:
  FakeKeyStore& store_;
};

}  // namespace

std::optional<std::string> FakeKeyStore::Text(const std::string& name) const {
  auto found = values.find(name);
  if (found == values.end() || found->second.type != platform::StoreValueType::kString) {
    return std::nullopt;
  }
  return found->second.text;
}

void FakeKeyStore::Put(const std::string& name, platform::StoreValueType type, std::string text,
                       std::uint32_t number) {
  values[name] = platform::StoreValue{type, std::move(text), number};
}

platform::OpenedSettingsKey FakeKeyStore::Open(platform::KeyOpening opening) {
  if (on_open) on_open();
  platform::OpenedSettingsKey opened;
  ++opens;
  if (!openable) {
    opened.status = open_failure;
    return opened;
  }
  if (!exists && opening == platform::KeyOpening::kExistingOnly) {
    opened.status = platform::StoreFileStatus::kMissing;
    return opened;
  }
  opened.created = !exists;
  exists = true;
  opened.key = std::make_unique<FakeKey>(*this);
  return opened;
}

Settings MakeSettingsOn(FakeKeyStore& store) { return Settings(store.files); }

void PutRecord(FakeKeyStore& store, const SettingsRecord& record) {
  using platform::StoreValueType;
  for (int slot = 0; slot < kHistorySlots; ++slot) {
    store.Put("history_" + std::to_string(slot), StoreValueType::kString, record.History(slot));
  }
  for (int slot = 1; slot <= kAliasSlots; ++slot) {
    store.Put("aliasname_" + std::to_string(slot), StoreValueType::kString, record.AliasName(slot));
    store.Put("aliasdir_" + std::to_string(slot), StoreValueType::kString,
              record.AliasTarget(slot));
  }
}

}  // namespace dirhop::test
