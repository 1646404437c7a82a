#pragma once
#include <memory>

#include "framework/core/Picture.h"

// The window's backdrop picture, the application resource "quorixBack".
// Opened on first use and kept; nullptr (and tried again next time) when
// the resource cannot be opened.
std::shared_ptr<fw::Picture> quorixBack();
