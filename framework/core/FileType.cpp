#include "framework/core/FileType.h"

#include <algorithm>
#include <utility>

#include "framework/core/Runtime.h"

namespace fw {

std::vector<std::string> FileTypeEntry::ExtensionList() const {
  std::vector<std::string> list;
  size_t start = 0;
  while (start <= Extensions.size()) {
    size_t end = Extensions.find(';', start);
    if (end == std::string::npos) end = Extensions.size();
    std::string_view one(Extensions.data() + start, end - start);
    if (!one.empty() && one.front() == '.') one.remove_prefix(1);
    if (!one.empty()) list.emplace_back(one);
    start = end + 1;
  }
  return list;
}

FileTypeRegistry& FileTypeRegistry::Instance() {
  // Never destroyed: file types held in globals withdraw themselves while
  // the process exits, after function-local statics may be gone.
  static FileTypeRegistry* const registry = new FileTypeRegistry;
  return *registry;
}

void FileTypeRegistry::Register(const FileTypeEntry& entry, const void* owner) {
  auto it = std::find_if(slots_.begin(), slots_.end(),
                         [&](const Slot& s) { return s.entry.Name == entry.Name; });
  if (it != slots_.end()) slots_.erase(it);
  slots_.push_back(Slot{entry, owner});
  TraceStartStep("file type");
}

bool FileTypeRegistry::Deregister(std::string_view name, const void* owner) {
  auto it = std::find_if(slots_.begin(), slots_.end(),
                         [&](const Slot& s) { return s.entry.Name == name; });
  if (it == slots_.end() || it->owner != owner) return false;
  slots_.erase(it);
  return true;
}

std::optional<FileTypeEntry> FileTypeRegistry::Find(std::string_view name) const {
  for (const Slot& s : slots_) {
    if (s.entry.Name == name) return s.entry;
  }
  return std::nullopt;
}

std::vector<FileTypeEntry> FileTypeRegistry::Entries() const {
  std::vector<FileTypeEntry> entries;
  entries.reserve(slots_.size());
  for (const Slot& s : slots_) entries.push_back(s.entry);
  return entries;
}

FileType::~FileType() { Deregister(); }

// Every setter withdraws the type first (see Deregister).
template <class T>
void FileType::Set(T& member, T value) {
  Deregister();
  member = std::move(value);
}

void FileType::SetName(std::string value) { Set(name_, std::move(value)); }
void FileType::SetExtensions(std::string value) { Set(extensions_, std::move(value)); }
void FileType::SetMacType(std::string value) { Set(macType_, std::move(value)); }
void FileType::SetMacCreator(std::string value) { Set(macCreator_, std::move(value)); }
void FileType::SetMimeType(std::string value) { Set(mimeType_, std::move(value)); }
void FileType::SetImported(bool value) { Set(imported_, value); }
void FileType::SetConformsTo(std::string value) { Set(conformsTo_, std::move(value)); }
void FileType::SetUTI(std::string value) { Set(uti_, std::move(value)); }

void FileType::Register() {
  if (registered_) return;
  FileTypeRegistry::Instance().Register(FileTypeEntry{name_, macCreator_, macType_, extensions_, uti_},
                                        this);
  registered_ = true;
}

void FileType::Deregister() {
  if (!registered_) return;
  // Every setter withdraws the type first, so name_ is still the name
  // that the entry stands under.
  FileTypeRegistry::Instance().Deregister(name_, this);
  registered_ = false;
}

std::string FileType::Operator_Convert() {
  Register();
  return name_;
}

}  // namespace fw
