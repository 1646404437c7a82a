#pragma once
#include <memory>
#include <vector>

#include "framework/core/FileType.h"

// The application's file-type set: thirteen types, built and registered
// once at start-up. Of them only Png is used (by the save dialog).
namespace FileTypes1 {

// Builds the thirteen types, in the order of the getters below, lists them
// in pAllFileTypes and registers each under its Name.
void Initialize();

// One slot per type; nil until Initialize has filled it.
extern std::shared_ptr<fw::FileType> pRTFD, pText, pPdf, pRtf, pMp3, pJpeg, pPng, pAny, pMpeg,
    pQuicktime, pHtml, pJosn, pXml;
// The thirteen types in the order of their construction and registration.
extern std::vector<std::shared_ptr<fw::FileType>> pAllFileTypes;

// The type held in the slot of the same name (nil before Initialize).
std::shared_ptr<fw::FileType> RTFD();
std::shared_ptr<fw::FileType> Text();
std::shared_ptr<fw::FileType> Pdf();
std::shared_ptr<fw::FileType> Rtf();
std::shared_ptr<fw::FileType> Mp3();
std::shared_ptr<fw::FileType> Jpeg();
std::shared_ptr<fw::FileType> Png();
std::shared_ptr<fw::FileType> Any();
std::shared_ptr<fw::FileType> Mpeg();
std::shared_ptr<fw::FileType> Quicktime();
std::shared_ptr<fw::FileType> Html();
std::shared_ptr<fw::FileType> Josn();
std::shared_ptr<fw::FileType> Xml();

}  // namespace FileTypes1
