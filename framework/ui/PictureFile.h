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
// The file is written to a temporary file beside it, synced, and put in
// place only when complete, so a failed save leaves an existing file
// unchanged. Where the file system allows (and /proc is mounted), the
// temporary file has no name until just before it is put in place, so a
// killed save leaves nothing but in that instant, when it leaves the
// complete new file under a ".save-" name. Elsewhere the temporary file is
// made with that name and, where the file system keeps permissions, no
// access for anyone else; it gets its final access only when complete (a
// new file that of an empty file made and removed beside it first: where
// that cannot be removed, the save fails before writing, naming it), and
// is left behind by a save killed on its way. A failed save removes that
// name only where it still holds the save's own file when checked just
// before; what another program put there is left, and the message names
// it. A file system that makes the file and then refuses to open it
// (fuse2fs, where the umask leaves its owner no write access) fails the
// save with that reason, naming the file it left.
//
// The target is found as a plain open finds it: the kernel follows
// symbolic links, with its own checks and limits, and the file a link
// leads to is replaced while the link stays. Through a link to a file that
// does not exist yet, the new file is made where the link leads, as any
// new file is. A target that is not a regular file (a folder, device, pipe
// or socket), that is immutable or append-only, or whose folder is, that
// is a mount point, that this user may not open for writing (root may), or
// that belongs to another user in a sticky folder of another user's (such
// as /tmp; root may replace it there), is refused before anything is
// written.
//
// A replaced file keeps its owner and group as far as the process may set
// them and the file system and user namespace can hold them (inside a user
// namespace, an id that it does not map, shown as the kernel's overflow
// id, is never given; without /proc the overflow id is taken as such);
// its extended attributes and access control list (and none where it had
// none); and its mode less set-user-ID and set-group-ID (on a file system
// that keeps no modes, the mode it gives, if that allows no more). The old
// owner and the old group's members may fall into the new file's group or
// other class, so no one gains access by it:
// - where the owner is not kept, neither class gets more than the old
//   owner had; the new owner, the saver, gets the old owner's bits;
// - where the group is not kept, neither class gets more than the old
//   group had, and the group, whose members may be in any named group,
//   no more than the old others and any named group's entry; in an access
//   control list, the owning group's entry is narrowed so (the mask, and
//   so named users and groups, stays).
//   old file                              saved by daemon (1:1)
//   nobody:nogroup 0606                   daemon:daemon 0600
//   nobody:nogroup 0066                   daemon:daemon 0000
//   u::rw- u:daemon:rw- g::r-- g:daemon:--- m::rw- o::r--
//                                         the same, but g::---
//   u::rw- u:daemon:rw- g::r-- g:users:--- m::rw- o::r--
//                                         the same, but g::---
//   unmapped 1000:1000 0646, by the       the namespace's root 0644
//   root of a user namespace
// No step of a save grants anyone but the saver more than the saved file
// does: the owner and group change while the file grants nothing, the
// access control list that a folder hands down is removed before the old
// attributes are copied, and the old list is written last, already as the
// final mode sets it. An attribute that cannot be read or written fails
// the save, but for file capabilities, which are dropped like set-user-ID,
// and attributes of the security and trusted kinds where the process may
// not set them. A new file gets the access that its folder gives any new
// file.
//
// Just before the new file is renamed over the target, both names are
// checked: the temporary name must hold the save's own file, and the
// target's name what the save found there (the regular file that it
// opened, the same device and inode, or nothing). What another program
// puts at either name in the instant between that check and the rename is
// taken, as by any rename; a new name is never taken where the file system
// can tell that it is no longer free. Changes made to the old file's mode
// or attributes while a save runs are not carried over: the save copies
// what it found when it read them.
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
