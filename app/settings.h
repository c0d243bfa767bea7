#pragma once
// The settings file: plain text of key lines, group headers and comments, held whole in
// memory while open and written back as a whole, keeping the lines it did not write.
//
// One process-wide SettingsFile; the operations act on it and report nothing beyond
// OpenSettings' flag. While a file is open it stays held: other programs may read it, and
// no other copy of this program can open it (see platform/held_file.h).
#include "platform/held_file.h"

#include <string>
#include <vector>

struct SettingsEntry {
    enum class Kind { Group, Comment, Key } kind = Kind::Key;
    std::string name;  // group name, comment text, or key
    std::string value; // key lines only
};

struct SettingsFile {
    host::HeldFile file = 0; // 0 for none
    bool changed = false;    // set by WriteSettingNumber; only then does closing write back
    bool utf8 = false;       // the file began with the UTF-8 byte order mark
    std::vector<SettingsEntry> entries; // the file's lines in file order
};
SettingsFile& Settings();

// Closes any open settings file first. Then opens `name` for reading and writing, or for
// reading only when writing is refused, and parses it whole. False, with nothing open and
// no entries, when it can be opened neither way (missing, a folder, held by another copy)
// or cannot be read.
bool OpenSettings(const std::string& name);

// Closes any open settings file first. Then creates `name`, or empties it, and holds it for
// reading and writing with no entries. When that is refused nothing is open.
void CreateSettings(const std::string& name);

// Sets `key` in the ungrouped section to `value` printed with "%.64g", inserting a key line
// at the end of that section when the key is not there. Nothing when no file is open.
void WriteSettingNumber(const std::string& key, double value);

// Writes the file back when it was changed (a failure is silent and leaves the old contents
// when the file is held for reading only), closes it and clears every field.
void CloseSettings();
