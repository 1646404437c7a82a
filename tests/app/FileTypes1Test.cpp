#include "app/FileTypes1.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using fw::FileTypeEntry;
using fw::FileTypeRegistry;

struct Row {
  std::shared_ptr<fw::FileType> (*getter)();
  const char *name, *extensions, *macType, *mimeType;
  bool imported;
  const char *conformsTo, *uti;
};

// In the order of construction and registration. The creator code is empty in all.
const Row kTypes[13] = {
    {FileTypes1::RTFD, "application/rtfd", ".rtfd", "TEXT", "text/rtfd", false, "public.text", "com.apple.rtfd"},
    {FileTypes1::Text, "text/plain", ".asc;.ascii;.bas;.c;.class;.cp;.cpp;.h;.hp;.hpp;.i3;.java;.m2;.m3;.mak;.text;.txt",
     "TEXT", "text/plain", false, "public.content", "public.text"},
    {FileTypes1::Pdf, "application/pdf", ".pdf", "PDF ", "application/pdf", true, "public.composite-content", "com.adobe.pdf"},
    {FileTypes1::Rtf, "application/rtf", ".rtf", "TEXT", "text/rtf", false, "public.text", "com.apple.rtf"},
    {FileTypes1::Mp3, "audio/mp3", ".mp3;.swa", "Mp3 ", "audio/mp3", true, "public.audio", "public.mp3"},
    {FileTypes1::Jpeg, "image/jpeg", ".jfif;.jpe;.jpeg;.jpg", "JPEG", "image/jpeg", true, "public.image", "public.jpeg"},
    {FileTypes1::Png, "image/png", ".png", "PNGf", "image/png", true, "public.image", "public.png"},
    {FileTypes1::Any, "special/any", ".*", "????", "", true, "", "public.data"},
    {FileTypes1::Mpeg, "video/mpeg", ".mpe;.mpeg;.mpg;.m1s;.m1v;.m1a;.m75;.m15;.mp2;.mpm;.mpv;.mpa", "MPEG",
     "video/mpeg", true, "public.movie", "public.mpeg"},
    {FileTypes1::Quicktime, "video/quicktime", ".moov;.mov;.qt;.mqv", "MooV", "video/quicktime", true, "public.movie",
     "com.apple.quicktime-movie"},
    {FileTypes1::Html, "text/html", ".html;.htm", "TEXT", "text/html", true, "public.content", "public.text"},
    {FileTypes1::Josn, "application/Josn", ".json", "TEXT", "application/json", true, "public.content", "public.text"},
    {FileTypes1::Xml, "application/xml", ".xml", "TEXT", "application/xml", true, "public.content", "public.text"},
};

TEST(FileTypes1Test, ThirteenTypesBuiltListedAndRegisteredInOrder) {
  if (FileTypes1::pAllFileTypes.empty()) FileTypes1::Initialize();  // once per process, as at start-up
  const auto& all = FileTypes1::pAllFileTypes;
  ASSERT_EQ(all.size(), 13u);
  std::vector<std::string> registered, expected;
  for (const auto& e : FileTypeRegistry::Instance().Entries()) registered.push_back(e.Name);
  for (size_t i = 0; i < 13; ++i) {
    const Row& r = kTypes[i];
    SCOPED_TRACE(r.name);
    const auto type = r.getter();
    ASSERT_TRUE(type);
    EXPECT_TRUE(type == all[i] && type == r.getter());  // the very object of the slot, each time
    EXPECT_EQ(type->Name(), r.name);
    EXPECT_EQ(type->Extensions(), r.extensions);
    EXPECT_EQ(type->MacType(), r.macType);
    EXPECT_EQ(type->MacCreator(), "");
    EXPECT_EQ(type->MimeType(), r.mimeType);
    EXPECT_EQ(type->Imported(), r.imported);
    EXPECT_EQ(type->ConformsTo(), r.conformsTo);
    EXPECT_EQ(type->UTI(), r.uti);
    EXPECT_TRUE(type->IsRegistered());
    EXPECT_EQ(FileTypeRegistry::Instance().Find(r.name), (FileTypeEntry{r.name, "", r.macType, r.extensions, r.uti}));
    expected.push_back(r.name);
  }
  // Entered in table order (types of other tests may follow them); none
  // under the MIME type of Josn.
  registered.resize(13);
  EXPECT_EQ(registered, expected);
  EXPECT_FALSE(FileTypeRegistry::Instance().Find("application/json"));
}

}  // namespace
