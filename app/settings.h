#pragma once
// The settings file: plain text of key lines, group headers and comments, held whole in
// memory while open and written back as a whole, keeping the lines it did not write.
#include <string>
#include <vector>

struct SettingsEntry {
    enum class Kind { Group, Comment, Key } kind = Kind::Key;
    std::string name;  // group name, comment text, or key
    std::string value; // key lines only
};

struct SettingsFile {
    int file = -1; // open host file, -1 for none
    bool changed = false;
    bool utf8 = false;
    std::vector<SettingsEntry> entries;
};
SettingsFile& Settings();

bool OpenSettings(const std::string& name);
void CreateSettings(const std::string& name);
void WriteSettingNumber(const std::string& key, double value);
void CloseSettings();
