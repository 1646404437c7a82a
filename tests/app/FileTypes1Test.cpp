#include "app/FileTypes1.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Row {
  std::shared_ptr<fw::FileType> (*getter)();
  const char *name, *extensions, *macType, *mimeType;
  bool imported;
  const char *conformsTo, *uti;
};

// The design's types, in the order of construction and registration; the creator code is empty in all.
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

// Every type as written, in its slot, registered in table order; none under the MIME type of Josn.
TEST(FileTypes1Test, ThirteenTypesBuiltListedAndRegisteredInOrder) {
  if (FileTypes1::pAllFileTypes.empty()) FileTypes1::Initialize();  // once per process, as at start-up
  ASSERT_EQ(FileTypes1::pAllFileTypes.size(), 13u);
  const auto& entries = fw::FileTypeRegistry::Instance().Entries();
  ASSERT_GE(entries.size(), 13u);
  for (size_t i = 0; i < 13; ++i) {
    const Row& r = kTypes[i];
    const auto type = r.getter();
    ASSERT_TRUE(type && type == FileTypes1::pAllFileTypes[i] && type == r.getter()) << r.name;
    EXPECT_EQ((std::vector<std::string>{type->Name(), type->Extensions(), type->MacType(), type->MacCreator(),
                                        type->MimeType(), type->ConformsTo(), type->UTI()}),
              (std::vector<std::string>{r.name, r.extensions, r.macType, "", r.mimeType, r.conformsTo, r.uti}));
    EXPECT_EQ(type->Imported(), r.imported) << r.name;
    EXPECT_EQ(entries[i], (fw::FileTypeEntry{r.name, "", r.macType, r.extensions, r.uti}));
  }
  EXPECT_FALSE(fw::FileTypeRegistry::Instance().Find("application/json"));
}

}  // namespace
