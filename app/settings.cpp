#include "app/settings.h"

#include <cstdio>
#include <string_view>

SettingsFile& Settings() {
    static SettingsFile settings;
    return settings;
}

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view LineEnd = "\r\n";

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// One line after its leading blanks and tabs, which is never empty.
SettingsEntry ParseLine(std::string_view line) {
    SettingsEntry entry;
    if (line.front() == ';') {
        entry.kind = SettingsEntry::Kind::Comment;
        line.remove_prefix(1);
        if (!line.empty() && line.front() == ' ') line.remove_prefix(1);
        entry.name = line;
    } else if (line.front() == '[') {
        entry.kind = SettingsEntry::Kind::Group;
        line.remove_prefix(1);
        entry.name = line.substr(0, line.find(']'));
    } else {
        entry.kind = SettingsEntry::Kind::Key;
        size_t equals = line.find('=');
        std::string_view key = line.substr(0, equals);
        while (!key.empty() && IsBlank(key.back()))
            key.remove_suffix(1);
        entry.name = key;
        if (equals != std::string_view::npos) {
            std::string_view value = line.substr(equals + 1);
            while (!value.empty() && IsBlank(value.front()))
                value.remove_prefix(1);
            entry.value = value;
        }
    }
    return entry;
}

// Any byte sequence parses: a run of CR and LF ends a line, and lines that are empty after
// their leading blanks and tabs vanish.
void ParseSettings(std::string_view bytes, std::vector<SettingsEntry>& entries, bool& utf8) {
    entries.clear();
    utf8 = bytes.size() >= ByteOrderMark.size() && bytes.substr(0, 3) == ByteOrderMark;
    if (utf8) bytes.remove_prefix(ByteOrderMark.size());
    size_t at = 0;
    while (at < bytes.size()) {
        size_t end = at;
        while (end < bytes.size() && !IsLineEnd(bytes[end]))
            ++end;
        std::string_view line = bytes.substr(at, end - at);
        while (!line.empty() && IsBlank(line.front()))
            line.remove_prefix(1);
        if (!line.empty()) entries.push_back(ParseLine(line));
        at = end;
        while (at < bytes.size() && IsLineEnd(bytes[at]))
            ++at;
    }
}

std::string FormatSettings(const std::vector<SettingsEntry>& entries, bool utf8) {
    std::string out;
    if (utf8) out.append(ByteOrderMark).append(LineEnd);
    for (const SettingsEntry& e : entries) {
        switch (e.kind) {
        case SettingsEntry::Kind::Group:
            out.append("[").append(e.name).append("]");
            break;
        case SettingsEntry::Kind::Comment:
            out.append("; ").append(e.name);
            break;
        case SettingsEntry::Kind::Key:
            out.append(e.name).append(" = ").append(e.value);
            break;
        }
        out.append(LineEnd);
    }
    return out;
}

// Letter case of A to Z only: bytes outside ASCII letters must match exactly.
char FoldAsciiCase(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool SameKey(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAsciiCase(a[i]) != FoldAsciiCase(b[i])) return false;
    return true;
}

// Each byte of the key read as the Latin-1 character of that number, written as UTF-8.
std::string Latin1ToUtf8(std::string_view key) {
    std::string out;
    for (char c : key) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += char(0xC0 | (b >> 6));
            out += char(0x80 | (b & 0x3F));
        }
    }
    return out;
}

std::string FormatNumber(double value) {
    // "%.64g" gives at most 64 significant digits, a sign, a point and an exponent.
    char text[128];
    int n = std::snprintf(text, sizeof text, "%.64g", value);
    if (n < 0) return std::string();
    return std::string(text, size_t(n) < sizeof text ? size_t(n) : sizeof text - 1);
}

} // namespace

bool OpenSettings(const std::string& name) {
    CloseSettings();
    SettingsFile& s = Settings();
    host::HeldFile file = host::OpenHeldFile(name);
    if (!file) return false;
    std::string bytes;
    // A file that cannot be read whole is not taken: writing back a partial picture of it
    // would drop the lines that were not read.
    if (!host::ReadHeldFile(file, bytes)) {
        host::CloseHeldFile(file);
        return false;
    }
    ParseSettings(bytes, s.entries, s.utf8);
    s.file = file;
    s.changed = false;
    return true;
}

void CreateSettings(const std::string& name) {
    CloseSettings();
    Settings().file = host::CreateHeldFile(name);
}

void WriteSettingNumber(const std::string& key, double value) {
    SettingsFile& s = Settings();
    if (!s.file) return;
    std::string storedKey = s.utf8 ? Latin1ToUtf8(key) : key;
    std::string text = FormatNumber(value);

    auto end = s.entries.begin();
    while (end != s.entries.end() && end->kind != SettingsEntry::Kind::Group)
        ++end;
    auto found = s.entries.begin();
    while (found != end &&
           !(found->kind == SettingsEntry::Kind::Key && SameKey(found->name, storedKey)))
        ++found;
    if (found != end) {
        found->name = storedKey;
        found->value = text;
    } else {
        s.entries.insert(end, SettingsEntry{SettingsEntry::Kind::Key, storedKey, text});
    }
    s.changed = true;
}

void CloseSettings() {
    SettingsFile& s = Settings();
    if (s.file) {
        // The result is deliberately not looked at: a file held for reading only keeps its
        // old contents, and nothing is reported.
        if (s.changed) host::RewriteHeldFile(s.file, FormatSettings(s.entries, s.utf8));
        host::CloseHeldFile(s.file);
    }
    s = SettingsFile{};
}
