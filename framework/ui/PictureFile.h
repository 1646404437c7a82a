#pragma once
#include <cstdint>
#include <string>

#include "framework/core/Picture.h"

namespace fw {

// Format codes of SavePicture.
inline constexpr int64_t kPictureFormatPNG = 150;

// Picture.Save: writes the picture to the file at path (UTF-8) in the given
// format; 150 (PNG) is the one format supported. quality is -1 (the
// writer's default) or 0 to 100. The PNG keeps the alpha channel (alpha =
// 255 - transparency) and every color byte, also of fully transparent
// pixels.
//
// The file is written to a temporary file beside it, synced, and renamed
// into place only when complete, so a failed save leaves an existing file
// unchanged and no partial file behind; where the file system allows, the
// temporary file has no name until just before the rename, so a killed save
// leaves nothing either (but for a kill in the instant between the two,
// which leaves the whole new file under a ".save-" name). The target is found as a plain open finds it: the kernel
// follows symbolic links, with its own checks and limits, and the file a
// link leads to is replaced while the link stays. A replaced file keeps its
// owner and group (as far as the process may set them), its extended
// attributes and access control list, and its mode less set-user-ID and
// set-group-ID. An existing target that is not a regular file (a folder,
// device, pipe or socket) is refused.
//
// Raises NilObjectException for an empty path, OutOfBoundsException for a
// quality or format out of range or a side outside 1 to 32767, and
// IOException, naming the path and the reason, when the file cannot be
// written.
void SavePicture(const Picture& picture, const std::string& path, int64_t format, int64_t quality);

// Has a write past the process's file-size limit fail with EFBIG, which a
// save reports like any other failed write, instead of ending the process
// with SIGXFSZ. The framework calls it while it initialises.
void IgnoreFileSizeSignal();

}  // namespace fw
