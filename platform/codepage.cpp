#include "platform/codepage_tables.h"
#include "platform/win.h"

namespace {
win::BOOL Convert(const char* source, char* destination, const unsigned char* table) {
    if (!source || !destination) return 0;
    for (;; ++source, ++destination) {
        auto b = static_cast<unsigned char>(*source);
        *destination = static_cast<char>(b < 0x80 ? b : table[b - 0x80]);
        if (b == 0) return 1;
    }
}
} // namespace

namespace win {
BOOL CharToOemA(const char* source, char* destination) {
    return Convert(source, destination, cp::kAnsiToOem);
}
BOOL OemToCharA(const char* source, char* destination) {
    return Convert(source, destination, cp::kOemToAnsi);
}
} // namespace win
