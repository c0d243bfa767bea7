#include "platform/text.h"

#include "platform/codepage_tables.h"

#include <array>

namespace text {
namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Decodes one UTF-8 sequence at `pos`; returns false on a malformed, overlong or
// surrogate sequence.
bool NextCodePoint(std::string_view s, size_t& pos, char32_t& c) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char b0 = byte(pos);
    int extra;
    char32_t min;
    if (b0 < 0x80) {
        c = b0;
        ++pos;
        return true;
    } else if ((b0 & 0xE0) == 0xC0) {
        extra = 1, c = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2, c = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3, c = b0 & 0x07, min = 0x10000;
    } else {
        return false;
    }
    for (int i = 1; i <= extra; ++i) {
        if (pos + i >= s.size() || (byte(pos + i) & 0xC0) != 0x80) return false;
        c = (c << 6) | (byte(pos + i) & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    pos += extra + 1;
    return true;
}

const std::array<int, 0x10000>& UnicodeToCp1252() {
    static const std::array<int, 0x10000> table = [] {
        std::array<int, 0x10000> t;
        t.fill(-1);
        for (int b = 0; b < 0x80; ++b) t[b] = b;
        for (int i = 0; i < 128; ++i) t[cp::kCp1252ToUnicode[i]] = 0x80 + i;
        return t;
    }();
    return table;
}

bool Decode(std::string_view utf8, std::string& out, bool lossy) {
    out.clear();
    const auto& table = UnicodeToCp1252();
    size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t c;
        if (!NextCodePoint(utf8, pos, c)) {
            if (!lossy) return false;
            ++pos;
            out.push_back('?');
            continue;
        }
        int b = c < 0x10000 ? table[c] : -1;
        if (b < 0) {
            if (!lossy) return false;
            b = '?';
        }
        out.push_back(static_cast<char>(b));
    }
    return true;
}

} // namespace

std::string Cp1252ToUtf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size());
    for (char ch : cp1252) {
        auto b = static_cast<unsigned char>(ch);
        AppendUtf8(out, b < 0x80 ? char32_t(b) : char32_t(cp::kCp1252ToUnicode[b - 0x80]));
    }
    return out;
}

bool Utf8ToCp1252(std::string_view utf8, std::string& out) { return Decode(utf8, out, false); }

std::string Utf8ToCp1252Lossy(std::string_view utf8) {
    std::string out;
    Decode(utf8, out, true);
    return out;
}

std::string ToHostPath(std::string_view programPath) {
    std::string out = Cp1252ToUtf8(programPath);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

bool ToProgramPath(std::string_view hostPath, std::string& out) {
    if (hostPath.find('\\') != std::string_view::npos) return false;
    if (!Utf8ToCp1252(hostPath, out)) return false;
    for (char& c : out)
        if (c == '/') c = '\\';
    return true;
}

} // namespace text
