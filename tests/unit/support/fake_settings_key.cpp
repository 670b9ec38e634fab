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

  bool Delete(const std::string& name) override {
    ++store_.deletes;
    store_.values.erase(name);
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

class CutKey : public platform::SettingsKey {
 public:
  CutKey(std::unique_ptr<platform::SettingsKey> key, int changes)
      : key_(std::move(key)), changes_left_(changes) {}

  std::optional<platform::StoreValue> Query(const std::string& name) override {
    return key_->Query(name);
  }

  bool Set(const std::string& name, const platform::StoreValue& value) override {
    Change();
    return key_->Set(name, value);
  }

  bool Delete(const std::string& name) override {
    Change();
    return key_->Delete(name);
  }

  platform::StoreFileStatus Close() override {
    if (cut_) return platform::StoreFileStatus::kOk;
    return key_->Close();
  }

 private:
  void Change() {
    if (changes_left_ == 0) {
      cut_ = true;
      throw RunCut{};
    }
    --changes_left_;
  }

  std::unique_ptr<platform::SettingsKey> key_;
  int changes_left_;
  bool cut_ = false;
};

}  // namespace

std::unique_ptr<platform::SettingsKey> CutAfter(std::unique_ptr<platform::SettingsKey> key,
                                                int changes) {
  return std::make_unique<CutKey>(std::move(key), changes);
}

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
  if (cut_after >= 0) opened.key = CutAfter(std::move(opened.key), cut_after);
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
