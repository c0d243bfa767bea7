#pragma once
// Safe placement of extracted files: folders below a chosen base that are checked to be
// real folders, and files written apart from their target and given its name only once
// complete. Paths are program paths (cp1252, "\").
#include "platform/win.h"

#include <string>

namespace host {

enum class FolderResult {
    Ok,
    LinkInTheWay, // a component is a symbolic link: following it could leave the base
    Failed,       // a component is a file, or cannot be made
};

// Creates every folder of `relative` up to its last "\" below the existing folder `base`
// (which ends in "\"), and confirms that each one is a real folder, not a link. Stops at
// the first component that is not: nothing is created beyond it. Links inside `base`
// itself (the user's own choice) are not examined.
FolderResult MakeFoldersBelow(const std::string& base, const std::string& relative);

enum class TargetKind {
    Missing,
    Replaceable,  // a writable file, or a link (replacing it replaces the link, not what it names)
    ReadOnlyFile, // stays as it is
    Other,        // a folder or anything else that is not a file
};

// What stands at `path` itself; a link there is never followed.
TargetKind InspectTarget(const std::string& path);

// A file being written for `target` in the target's folder, not visible under the
// target's name until it is placed.
struct PendingFile {
    win::HANDLE handle = win::INVALID_HANDLE_VALUE;
    std::string tempPath; // its temporary name; empty while the file has no name at all
};

// Creates the pending file for reading and writing: without any name where the file
// system allows (then nothing is left behind if the program ends before placing it),
// otherwise under a fresh hidden name beside the target, exclusively (an existing file
// or link of that name is never opened).
bool CreatePendingFile(const std::string& target, PendingFile& file);

// Gives the complete file the target's name in one step, replacing a file or link there
// (with host::ReplaceFile's refusals), and closes it. On failure, and in Discard, the
// file and its temporary name are removed; an existing target stays as it was.
bool PlacePendingFile(PendingFile& file, const std::string& target);
void DiscardPendingFile(PendingFile& file);

} // namespace host
