#pragma once
#include <cstdint>
#include <string>

// Fetches `url` with one HTTP/1.1 GET over a new connection and writes the body to
// `path`. Returns 1 when the response was accepted and the whole body is in the file,
// else 0, in which case the file at `path` is exactly as it was before the call.
int DownloadToFile(const std::string& url, const std::string& path);

// The parts DownloadToFile takes from a URL of the form scheme "://" host [":" port]
// ["/" path]. The path is everything after the first "/" behind the "://", a query part
// included; it may be empty.
struct UrlParts {
    std::string host;
    std::uint16_t port = 80;
    std::string path;
};

// False when the URL has no "://", an empty host, a port that is not a number from 1 to
// 65535, or a blank or control byte in host or path (it would break the request's lines).
bool SplitUrl(const std::string& url, UrlParts& parts);

// The request DownloadToFile sends for these parts, byte for byte; the Host line carries
// the port only when it is not 80.
std::string RequestText(const UrlParts& parts);
