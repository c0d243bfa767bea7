#pragma once
#include <string>

// Fetches `url` with one HTTP/1.1 GET over a new connection and writes the body to
// `path`. Returns 1 when the response was accepted and the file written, else 0.
int DownloadToFile(const std::string& url, const std::string& path);
