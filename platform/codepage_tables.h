#pragma once
// Upper halves (bytes 0x80-0xFF) of the two code pages the program works in:
// 1252 (the ANSI code page of a German system) and 850 (its OEM code page).
namespace cp {
extern const char16_t kCp1252ToUnicode[128];
extern const char16_t kCp850ToUnicode[128];
extern const unsigned char kAnsiToOem[128];
extern const unsigned char kOemToAnsi[128];
} // namespace cp
