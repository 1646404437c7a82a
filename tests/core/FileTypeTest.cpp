#include "framework/core/FileType.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using fw::FileType;
using fw::FileTypeEntry;
using fw::FileTypeRegistry;

FileTypeRegistry& Registry() { return FileTypeRegistry::Instance(); }

// A type with every attribute set, not registered. Names start with "test/"
// so that they never meet the application's own types.
std::unique_ptr<FileType> MakeType(const std::string& name) {
  auto type = std::make_unique<FileType>();
  type->SetName(name);
  type->SetExtensions(".tst;.tt");
  type->SetMacType("TST ");
  type->SetMacCreator("");
  type->SetMimeType("text/x-test");
  type->SetImported(true);
  type->SetConformsTo("public.data");
  type->SetUTI("org.example.test");
  return type;
}

TEST(FileTypeTest, RegisterEntersTheRegistryFieldsOnce) {
  FileType fresh;
  EXPECT_EQ(fresh.Name(), "");
  EXPECT_EQ(fresh.UTI(), "");
  EXPECT_FALSE(fresh.Imported());
  EXPECT_FALSE(fresh.IsRegistered());

  auto type = MakeType("test/one");
  EXPECT_FALSE(Registry().Find("test/one"));
  EXPECT_EQ(type->Operator_Convert(), "test/one");
  EXPECT_TRUE(type->IsRegistered());
  const auto entry = Registry().Find("test/one");
  ASSERT_TRUE(entry);
  EXPECT_EQ(*entry, (FileTypeEntry{"test/one", "", "TST ", ".tst;.tt", "org.example.test"}));
  EXPECT_EQ(entry->ExtensionList(), (std::vector<std::string>{"tst", "tt"}));

  // Converting again registers nothing new.
  const size_t count = Registry().Entries().size();
  EXPECT_EQ(type->Operator_Convert(), "test/one");
  type->Register();
  EXPECT_EQ(Registry().Entries().size(), count);
  EXPECT_FALSE(Registry().Find("TEST/ONE"));  // names are matched exactly

  type.reset();  // a destroyed type withdraws its entry
  EXPECT_FALSE(Registry().Find("test/one"));
  EXPECT_EQ(Registry().Entries().size(), count - 1);
}

TEST(FileTypeTest, EverySetterWithdrawsUntilTheNextRegistration) {
  auto type = MakeType("test/setters");
  const std::function<void(FileType&)> setters[] = {
      [](FileType& t) { t.SetName("test/renamed"); },
      [](FileType& t) { t.SetExtensions(".new"); },
      [](FileType& t) { t.SetMacType("NEW "); },
      [](FileType& t) { t.SetMacCreator("ABCD"); },
      [](FileType& t) { t.SetMimeType("text/x-new"); },
      [](FileType& t) { t.SetImported(false); },
      [](FileType& t) { t.SetConformsTo("public.text"); },
      [](FileType& t) { t.SetUTI("org.example.new"); },
  };
  for (const auto& set : setters) {
    type->Register();
    const std::string before = type->Name();
    ASSERT_TRUE(Registry().Find(before));
    set(*type);
    EXPECT_FALSE(type->IsRegistered());
    EXPECT_FALSE(Registry().Find(before));
    EXPECT_FALSE(Registry().Find(type->Name()));
  }
  // It comes back with the new values.
  type->Register();
  EXPECT_EQ(*Registry().Find("test/renamed"),
            (FileTypeEntry{"test/renamed", "ABCD", "NEW ", ".new", "org.example.new"}));
  EXPECT_EQ(type->MimeType(), "text/x-new");
  EXPECT_EQ(type->ConformsTo(), "public.text");

  // Setting an attribute of a type that is not registered changes nothing
  // in the registry.
  const auto entries = Registry().Entries();
  FileType loose;
  loose.SetName("test/renamed");
  EXPECT_EQ(Registry().Entries(), entries);
}

TEST(FileTypeTest, RegistryKeepsOrderAndProtectsAnotherTypesEntry) {
  auto a = MakeType("test/a");
  auto b = MakeType("test/b");
  auto c = MakeType("test/c");
  a->Register();
  b->Register();
  c->Register();
  std::vector<std::string> names;
  for (const auto& e : Registry().Entries()) {
    if (e.Name.rfind("test/", 0) == 0) names.push_back(e.Name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"test/a", "test/b", "test/c"}));

  // A second type under a taken name replaces the entry; when the first
  // type is withdrawn afterwards, the second one's entry stays.
  auto other = MakeType("test/a");
  other->SetUTI("org.example.other");
  other->Register();
  EXPECT_EQ(Registry().Find("test/a")->UTI, "org.example.other");
  a->SetUTI("org.example.changed");
  EXPECT_FALSE(a->IsRegistered());
  EXPECT_EQ(Registry().Find("test/a")->UTI, "org.example.other");
  a.reset();
  EXPECT_TRUE(Registry().Find("test/a"));
  other.reset();
  EXPECT_FALSE(Registry().Find("test/a"));

  EXPECT_FALSE(Registry().Deregister("test/b", nullptr));  // not the owner
  EXPECT_TRUE(Registry().Find("test/b"));

  EXPECT_EQ((FileTypeEntry{"x", "", "", ".*", ""}).ExtensionList(), std::vector<std::string>{"*"});
  EXPECT_TRUE((FileTypeEntry{}).ExtensionList().empty());
}

}  // namespace
