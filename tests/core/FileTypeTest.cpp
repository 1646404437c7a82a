#include "framework/core/FileType.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using fw::FileType;
using fw::FileTypeEntry;

fw::FileTypeRegistry& Registry() { return fw::FileTypeRegistry::Instance(); }

// A type with every attribute set, not registered; "test/" names never meet
// the application's own types.
std::unique_ptr<FileType> MakeType(const std::string& name) {
  auto type = std::make_unique<FileType>();
  type->SetName(name);
  type->SetExtensions(".tst;.tt");
  type->SetMacType("TST ");
  type->SetMimeType("text/x-test");
  type->SetImported(true);
  type->SetConformsTo("public.data");
  type->SetUTI("org.example.test");
  return type;
}

TEST(FileTypeTest, ConversionRegistersOnceAndDestructionWithdraws) {
  FileType fresh;
  EXPECT_TRUE(fresh.Name().empty() && fresh.UTI().empty() && !fresh.Imported() && !fresh.IsRegistered());

  auto type = MakeType("test/one");
  EXPECT_FALSE(Registry().Find("test/one"));
  EXPECT_TRUE(type->Operator_Convert() == "test/one" && type->IsRegistered());
  EXPECT_EQ(Registry().Find("test/one"), (FileTypeEntry{"test/one", "", "TST ", ".tst;.tt", "org.example.test"}));
  EXPECT_EQ(Registry().Find("test/one")->ExtensionList(), (std::vector<std::string>{"tst", "tt"}));

  const size_t count = Registry().Entries().size();
  EXPECT_EQ(type->Operator_Convert(), "test/one");
  type->Register();
  EXPECT_EQ(Registry().Entries().size(), count);
  EXPECT_FALSE(Registry().Find("TEST/ONE"));  // names are matched exactly
  type.reset();
  EXPECT_TRUE(!Registry().Find("test/one") && Registry().Entries().size() == count - 1);
}

TEST(FileTypeTest, EverySetterWithdrawsUntilTheNextRegistration) {
  auto type = MakeType("test/setters");
  const std::function<void(FileType&)> setters[] = {
      [](FileType& t) { t.SetName("test/renamed"); },     [](FileType& t) { t.SetExtensions(".new"); },
      [](FileType& t) { t.SetMacType("NEW "); },          [](FileType& t) { t.SetMacCreator("ABCD"); },
      [](FileType& t) { t.SetMimeType("text/x-new"); },   [](FileType& t) { t.SetImported(false); },
      [](FileType& t) { t.SetConformsTo("public.text"); }, [](FileType& t) { t.SetUTI("org.example.new"); },
  };
  for (const auto& set : setters) {
    type->Register();
    const std::string before = type->Name();
    ASSERT_TRUE(Registry().Find(before));
    set(*type);
    EXPECT_TRUE(!type->IsRegistered() && !Registry().Find(before) && !Registry().Find(type->Name()));
  }
  type->Register();
  EXPECT_EQ(Registry().Find("test/renamed"), (FileTypeEntry{"test/renamed", "ABCD", "NEW ", ".new", "org.example.new"}));

  // A setter on a type that is not registered leaves the registry alone.
  const auto entries = Registry().Entries();
  FileType loose;
  loose.SetName("test/renamed");
  EXPECT_EQ(Registry().Entries(), entries);
}

}  // namespace
