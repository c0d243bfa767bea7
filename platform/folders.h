#pragma once
// Safe placement of extracted files: folders below a chosen base that are checked to be
// real folders, and files written under a temporary name beside their target (to be
// moved over it with host::ReplaceFile once complete). Paths are program paths
// (cp1252, "\").
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

// Creates a new empty file for reading and writing beside `target`, under a fresh
// hidden name, exclusively (an existing file or link of that name is never opened).
// Returns its handle and sets `tempPath`, or INVALID_HANDLE_VALUE.
win::HANDLE CreateFileBeside(const std::string& target, std::string& tempPath);

} // namespace host
