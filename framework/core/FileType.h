#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// What the file-type registry keeps of a registered type.
struct FileTypeEntry {
  std::string Name;
  std::string MacCreator;
  std::string MacType;
  std::string Extensions;  // each with its dot, joined by ";" (".jpg;.jpeg")
  std::string UTI;

  // The extensions one by one, without their dots, in stored order
  // (".png" -> {"png"}; ".*" -> {"*"}).
  std::vector<std::string> ExtensionList() const;

  friend bool operator==(const FileTypeEntry&, const FileTypeEntry&) = default;
};

// The process's file-type registry: entries keyed by name, in the order in
// which they were entered. Used on the user-interface thread only.
class FileTypeRegistry {
 public:
  static FileTypeRegistry& Instance();

  // Enters the entry under its name, replacing an entry of the same name.
  // owner identifies who entered it (see Deregister).
  void Register(const FileTypeEntry& entry, const void* owner = nullptr);
  // Removes the entry under name, but only when owner entered it: a type
  // withdrawing itself never removes an entry that another type has put
  // under the same name since. Returns whether an entry was removed.
  bool Deregister(std::string_view name, const void* owner = nullptr);

  // The entry under exactly this name (case counts).
  std::optional<FileTypeEntry> Find(std::string_view name) const;
  // All entries in registration order.
  std::vector<FileTypeEntry> Entries() const;

 private:
  struct Slot {
    FileTypeEntry entry;
    const void* owner;
  };
  std::vector<Slot> slots_;
};

// A file type. Its Name, MacCreator, MacType, Extensions and UTI go to the
// registry when it is registered; MimeType, ConformsTo and Imported stay
// with the object. Assigning any attribute withdraws the type from the
// registry; it comes back, with the new values, at the next registration.
// A type is withdrawn when it is destroyed.
class FileType {
 public:
  FileType() = default;
  FileType(const FileType&) = delete;
  FileType& operator=(const FileType&) = delete;
  ~FileType();

  const std::string& Name() const { return name_; }
  const std::string& Extensions() const { return extensions_; }
  const std::string& MacType() const { return macType_; }
  const std::string& MacCreator() const { return macCreator_; }
  const std::string& MimeType() const { return mimeType_; }
  bool Imported() const { return imported_; }
  const std::string& ConformsTo() const { return conformsTo_; }
  const std::string& UTI() const { return uti_; }
  bool IsRegistered() const { return registered_; }

  void SetName(std::string value);
  void SetExtensions(std::string value);
  void SetMacType(std::string value);
  void SetMacCreator(std::string value);
  void SetMimeType(std::string value);
  void SetImported(bool value);
  void SetConformsTo(std::string value);
  void SetUTI(std::string value);

  // Enters the type into the registry under its Name, unless it is
  // registered already.
  void Register();
  // Withdraws the type's entry, if it is registered.
  void Deregister();
  // The conversion to text: registers the type, then gives its Name.
  std::string Operator_Convert();

 private:
  template <class T>
  void Set(T& member, T value);

  std::string name_, extensions_, macType_, macCreator_, mimeType_, conformsTo_, uti_;
  bool imported_ = false;
  bool registered_ = false;
};

}  // namespace fw
