#include "framework/core/FileType.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using fw::FileType;
using fw::FileTypeEntry;

fw::FileTypeRegistry& Registry() { return fw::FileTypeRegistry::Instance(); }

// A type registers once at its conversion, every setter withdraws it until the next registration, destruction
// withdraws it; "test/" names never meet the application's own types.
TEST(FileTypeTest, ConversionRegistersOnceSettersAndDestructionWithdraw) {
  FileType fresh;
  EXPECT_TRUE(fresh.Name().empty() && fresh.UTI().empty() && !fresh.Imported() && !fresh.IsRegistered());
  auto type = std::make_unique<FileType>();
  type->SetName("test/one");
  type->SetExtensions(".tst;.tt");
  type->SetMacType("TST ");
  type->SetMimeType("text/x-test");
  type->SetImported(true);
  type->SetConformsTo("public.data");
  type->SetUTI("org.example.test");
  EXPECT_FALSE(Registry().Find("test/one"));
  EXPECT_TRUE(type->Operator_Convert() == "test/one" && type->IsRegistered());
  EXPECT_EQ(Registry().Find("test/one"), (FileTypeEntry{"test/one", "", "TST ", ".tst;.tt", "org.example.test"}));
  EXPECT_EQ(Registry().Find("test/one")->ExtensionList(), (std::vector<std::string>{"tst", "tt"}));
  const size_t count = Registry().Entries().size();
  EXPECT_EQ(type->Operator_Convert(), "test/one");
  type->Register();
  EXPECT_TRUE(Registry().Entries().size() == count && !Registry().Find("TEST/ONE"));  // names are matched exactly
  const std::function<void(FileType&)> setters[] = {
      [](FileType& t) { t.SetName("test/renamed"); },      [](FileType& t) { t.SetExtensions(".new"); },
      [](FileType& t) { t.SetMacType("NEW "); },           [](FileType& t) { t.SetMacCreator("ABCD"); },
      [](FileType& t) { t.SetMimeType("text/x-new"); },    [](FileType& t) { t.SetImported(false); },
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
  EXPECT_EQ(Registry().Find("test/renamed"),
            (FileTypeEntry{"test/renamed", "ABCD", "NEW ", ".new", "org.example.new"}));
  const auto entries = Registry().Entries();
  FileType loose;
  loose.SetName("test/renamed");  // a setter on a type that is not registered leaves the registry alone
  EXPECT_EQ(Registry().Entries(), entries);
  type.reset();
  EXPECT_TRUE(!Registry().Find("test/renamed") && Registry().Entries().size() == count - 1);
}

}  // namespace
