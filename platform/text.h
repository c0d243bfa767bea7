#pragma once
// Texts and paths at the host boundary.
//
// Inside the program every text is 8-bit text in code page 1252 and every path is in
// Windows form ("\" separators). The host (Linux, FLTK) speaks UTF-8 with "/" separators.
// These functions are the only place where one form becomes the other.
#include <string>
#include <string_view>

namespace text {

// cp1252 -> UTF-8. Total: every byte has a form (the five unassigned bytes become the
// C1 control characters of the same number), so Cp1252ToUtf8 followed by Utf8ToCp1252
// gives back the original bytes.
std::string Cp1252ToUtf8(std::string_view cp1252);

// UTF-8 -> cp1252. Returns false, leaving `out` unspecified, when the input is not valid
// UTF-8 or holds a character that cp1252 has no byte for.
bool Utf8ToCp1252(std::string_view utf8, std::string& out);

// UTF-8 -> cp1252 for texts shown or typed in the toolkit, where failing is not an
// option: characters without a cp1252 byte become "?".
std::string Utf8ToCp1252Lossy(std::string_view utf8);

// Program path (cp1252, "\") -> host path (UTF-8, "/"). \home\anna\a.jpg -> /home/anna/a.jpg.
std::string ToHostPath(std::string_view programPath);

// Host path -> program path. Returns false when the host name has no cp1252 form or
// contains "\", since the program could not name it without confusing it with another.
bool ToProgramPath(std::string_view hostPath, std::string& out);

} // namespace text
