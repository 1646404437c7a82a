#include "app/FileTypes1.h"

#include "framework/core/Runtime.h"

namespace FileTypes1 {

std::shared_ptr<fw::FileType> pRTFD, pText, pPdf, pRtf, pMp3, pJpeg, pPng, pAny, pMpeg, pQuicktime,
    pHtml, pJosn, pXml;
std::vector<std::shared_ptr<fw::FileType>> pAllFileTypes;

std::shared_ptr<fw::FileType> RTFD() { return pRTFD; }
std::shared_ptr<fw::FileType> Text() { return pText; }
std::shared_ptr<fw::FileType> Pdf() { return pPdf; }
std::shared_ptr<fw::FileType> Rtf() { return pRtf; }
std::shared_ptr<fw::FileType> Mp3() { return pMp3; }
std::shared_ptr<fw::FileType> Jpeg() { return pJpeg; }
std::shared_ptr<fw::FileType> Png() { return pPng; }
std::shared_ptr<fw::FileType> Any() { return pAny; }
std::shared_ptr<fw::FileType> Mpeg() { return pMpeg; }
std::shared_ptr<fw::FileType> Quicktime() { return pQuicktime; }
std::shared_ptr<fw::FileType> Html() { return pHtml; }
std::shared_ptr<fw::FileType> Josn() { return pJosn; }
std::shared_ptr<fw::FileType> Xml() { return pXml; }

namespace {

struct Values {
  const char* name;
  const char* extensions;
  const char* macType;
  const char* macCreator;
  const char* mimeType;
  bool imported;
  const char* conformsTo;
  const char* uti;
};

// Builds one type into its slot, assigns every attribute (the empty ones
// too) in a fixed order, lists it, and registers it through its getter.
void Build(std::shared_ptr<fw::FileType>& slot, std::shared_ptr<fw::FileType> (*getter)(),
           const Values& v) {
  slot = std::make_shared<fw::FileType>();
  fw::FileType& type = *slot;
  type.SetName(v.name);
  type.SetExtensions(v.extensions);
  type.SetMacType(v.macType);
  type.SetMacCreator(v.macCreator);
  type.SetMimeType(v.mimeType);
  type.SetImported(v.imported);
  type.SetConformsTo(v.conformsTo);
  type.SetUTI(v.uti);
  pAllFileTypes.push_back(slot);
  fw::Deref(getter(), "The file type").Operator_Convert();  // registers; the name is not needed
}

}  // namespace

void Initialize() {
  Build(pRTFD, RTFD,
        {"application/rtfd", ".rtfd", "TEXT", "", "text/rtfd", false, "public.text", "com.apple.rtfd"});
  Build(pText, Text,
        {"text/plain", ".asc;.ascii;.bas;.c;.class;.cp;.cpp;.h;.hp;.hpp;.i3;.java;.m2;.m3;.mak;.text;.txt",
         "TEXT", "", "text/plain", false, "public.content", "public.text"});
  Build(pPdf, Pdf,
        {"application/pdf", ".pdf", "PDF ", "", "application/pdf", true, "public.composite-content",
         "com.adobe.pdf"});
  Build(pRtf, Rtf,
        {"application/rtf", ".rtf", "TEXT", "", "text/rtf", false, "public.text", "com.apple.rtf"});
  Build(pMp3, Mp3, {"audio/mp3", ".mp3;.swa", "Mp3 ", "", "audio/mp3", true, "public.audio", "public.mp3"});
  Build(pJpeg, Jpeg,
        {"image/jpeg", ".jfif;.jpe;.jpeg;.jpg", "JPEG", "", "image/jpeg", true, "public.image",
         "public.jpeg"});
  Build(pPng, Png, {"image/png", ".png", "PNGf", "", "image/png", true, "public.image", "public.png"});
  Build(pAny, Any, {"special/any", ".*", "????", "", "", true, "", "public.data"});
  Build(pMpeg, Mpeg,
        {"video/mpeg", ".mpe;.mpeg;.mpg;.m1s;.m1v;.m1a;.m75;.m15;.mp2;.mpm;.mpv;.mpa", "MPEG", "",
         "video/mpeg", true, "public.movie", "public.mpeg"});
  Build(pQuicktime, Quicktime,
        {"video/quicktime", ".moov;.mov;.qt;.mqv", "MooV", "", "video/quicktime", true, "public.movie",
         "com.apple.quicktime-movie"});
  Build(pHtml, Html,
        {"text/html", ".html;.htm", "TEXT", "", "text/html", true, "public.content", "public.text"});
  // The name is "application/Josn"; "application/json" is only its MIME type.
  Build(pJosn, Josn,
        {"application/Josn", ".json", "TEXT", "", "application/json", true, "public.content",
         "public.text"});
  Build(pXml, Xml,
        {"application/xml", ".xml", "TEXT", "", "application/xml", true, "public.content", "public.text"});
}

}  // namespace FileTypes1
