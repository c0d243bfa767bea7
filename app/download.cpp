// The update download client: one HTTP/1.1 GET per call, body streamed to a file.
//
// The body goes to a temporary file beside the target, which replaces the target only once
// the body is complete, so a download cut short never leaves a truncated file behind (the
// update check would otherwise install a truncated program). Parsing is bounded: the
// status line and header block may span several reads but no more than kHeaderLimit bytes,
// and every number is checked for its form and range.
#include "app/download.h"

#include "platform/folders.h"
#include "platform/host.h"
#include "platform/net.h"
#include "platform/win.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

constexpr std::size_t kReadSize = 1024;          // most bytes taken by one read
constexpr std::size_t kHeaderLimit = 16 * 1024;  // status line and header block together
constexpr int kLongWait = 10;                    // seconds: first read, length and chunked bodies
constexpr int kShortWait = 1;                    // seconds: bodies ended by the connection's end
constexpr int kPollMs = 100;
constexpr int kSendWait = 10;                    // seconds for the whole request
constexpr int kSendRetryMs = 50;
constexpr std::uint64_t kCloseDelimitedLimit = 1000000000;
constexpr int kMaxChunkDigits = 16;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (Lower(text[i]) != prefix[i]) return false;
    return true;
}

bool ContainsNoCase(std::string_view text, std::string_view word) {
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i)
        if (StartsWithNoCase(text.substr(i), word)) return true;
    return false;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A Content-Length value: blanks, one or more decimal digits, blanks. Anything else
// (a sign, a list, a second number) or a value beyond 64 bits is refused: a length the
// client reads differently from the server would end the body at the wrong byte.
bool ParseLength(std::string_view value, std::uint64_t& length) {
    std::size_t i = 0;
    while (i < value.size() && IsBlank(value[i])) ++i;
    std::size_t first = i;
    std::uint64_t v = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        unsigned digit = unsigned(value[i] - '0');
        if (v > (UINT64_MAX - digit) / 10) return false;
        v = v * 10 + digit;
    }
    if (i == first) return false;
    while (i < value.size() && IsBlank(value[i])) ++i;
    if (i != value.size()) return false;
    length = v;
    return true;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A chunk-size line: one to 16 hexadecimal digits (which always fit 64 bits); what follows
// them (chunk extensions) is ignored.
bool ParseChunkSize(std::string_view line, std::uint64_t& size) {
    std::uint64_t v = 0;
    int digits = 0;
    for (char c : line) {
        int h = HexValue(c);
        if (h < 0) break;
        if (++digits > kMaxChunkDigits) return false;
        v = v << 4 | unsigned(h);
    }
    if (digits == 0) return false;
    size = v;
    return true;
}

// Waits for received data, polling every 100 ms, until the clock's seconds count has
// advanced by `limitSeconds` since the wait began (so a limit of 10 lasts 9 to 10 s).
// Returns what net::Waiting last said: a byte count, 0 for none within the limit, or
// net::kEnded / net::kBroken, which end the wait at once.
long WaitForData(net::Connection connection, int limitSeconds) {
    std::int64_t start = host::ClockSeconds();
    for (;;) {
        long waiting = net::Waiting(connection);
        if (waiting != 0) return waiting;
        if (host::ClockSeconds() - start >= limitSeconds) return 0;
        win::Sleep(kPollMs);
    }
}

bool SendAll(net::Connection connection, const std::string& request) {
    std::int64_t start = host::ClockSeconds();
    std::size_t done = 0;
    while (done < request.size()) {
        long n = net::Send(connection, request.data() + done, request.size() - done);
        if (n > 0) {
            done += std::size_t(n);
            continue;
        }
        if (host::ClockSeconds() - start >= kSendWait) return false;
        win::Sleep(kSendRetryMs);
    }
    return true;
}

enum class Got { Data, Nothing, Ended, Broken };

// The response as it arrives, through one fixed buffer: its size bounds the header block
// and each line, and memory does not grow with the body.
class Response {
  public:
    explicit Response(net::Connection connection) : connection_(connection) {}

    // One read: waits up to `limitSeconds` and appends what has arrived, at most
    // min(kReadSize, most) bytes and no more than the buffer's room.
    Got Read(int limitSeconds, std::size_t most = kReadSize) {
        std::size_t want = std::min({kReadSize, most, sizeof buffer_ - end_});
        if (want == 0) return Got::Broken;
        long waiting = WaitForData(connection_, limitSeconds);
        if (waiting == 0) return Got::Nothing;
        if (waiting == net::kEnded) return Got::Ended;
        if (waiting < 0) return Got::Broken;
        long n = net::Receive(connection_, buffer_ + end_, std::min(want, std::size_t(waiting)));
        if (n <= 0) return Got::Broken;
        end_ += std::size_t(n);
        return Got::Data;
    }

    // The next line without its line end (LF, or CR LF), reading on with 10-second waits
    // while it is incomplete. With `compact`, consumed bytes make room first; without it
    // (the header block) everything read so far must fit the buffer. False when the line
    // does not fit or the data ends first.
    bool Line(std::string_view& line, bool compact) {
        std::size_t scanned = pos_;
        for (;;) {
            const void* lf = std::memchr(buffer_ + scanned, '\n', end_ - scanned);
            if (lf) {
                std::size_t at = std::size_t(static_cast<const char*>(lf) - buffer_);
                std::size_t stop = at > pos_ && buffer_[at - 1] == '\r' ? at - 1 : at;
                line = std::string_view(buffer_ + pos_, stop - pos_);
                pos_ = at + 1;
                return true;
            }
            if (compact && pos_ > 0) {
                std::memmove(buffer_, buffer_ + pos_, end_ - pos_);
                end_ -= pos_;
                pos_ = 0;
            }
            scanned = end_;
            if (end_ == sizeof buffer_ || Read(kLongWait) != Got::Data) return false;
        }
    }

    std::size_t Available() const { return end_ - pos_; }

    const char* Take(std::size_t n) {
        const char* p = buffer_ + pos_;
        pos_ += n;
        return p;
    }

    // Called when every byte has been taken, so the next read fills the buffer from the start.
    void Drained() { pos_ = end_ = 0; }

  private:
    net::Connection connection_;
    char buffer_[kHeaderLimit];
    std::size_t pos_ = 0, end_ = 0;
};

struct Framing {
    bool chunked = false;
    bool hasLength = false;
    std::uint64_t length = 0;
};

// Status line and header block. False for a status line without "200" and "302", a
// malformed or conflicting length, or a header block that does not end within the limit.
bool ReadHead(Response& response, Framing& framing) {
    std::string_view line;
    if (!response.Line(line, false)) return false;
    if (line.find("200") == line.npos && line.find("302") == line.npos) return false;
    for (;;) {
        if (!response.Line(line, false)) return false;
        if (line.empty()) return true;
        if (StartsWithNoCase(line, "transfer-encoding:")) {
            if (ContainsNoCase(line.substr(18), "chunked")) framing.chunked = true;
        } else if (StartsWithNoCase(line, "content-length:")) {
            std::uint64_t length = 0;
            if (!ParseLength(line.substr(15), length)) return false;
            if (framing.hasLength && framing.length != length) return false;
            framing.hasLength = true;
            framing.length = length;
        }
    }
}

// The body is written to a pending file beside the target and takes the target's name
// only once it is complete; until then the target stays exactly as it was.
class BodyFile {
  public:
    explicit BodyFile(const std::string& target) {
        opened_ = host::CreatePendingFile(target, pending_);
    }
    ~BodyFile() { host::DiscardPendingFile(pending_); }
    BodyFile(const BodyFile&) = delete;
    BodyFile& operator=(const BodyFile&) = delete;

    bool Opened() const { return opened_; }

    bool Write(const char* data, std::size_t size) {
        win::DWORD written = 0;
        return win::WriteFile(pending_.handle, data, win::DWORD(size), &written) &&
               written == size;
    }

    // Closes the file and moves it over the target.
    bool Place(const std::string& target) { return host::PlacePendingFile(pending_, target); }

  private:
    host::PendingFile pending_;
    bool opened_ = false;
};

// Copies exactly `count` body bytes, those already read first; each further read waits
// up to 10 seconds and takes no more than is still expected.
bool CopyBytes(Response& response, BodyFile& file, std::uint64_t count) {
    while (count > 0) {
        if (response.Available() == 0) {
            response.Drained();
            std::size_t most = std::size_t(std::min<std::uint64_t>(count, kReadSize));
            if (response.Read(kLongWait, most) != Got::Data) return false;
        }
        std::size_t n = std::size_t(std::min<std::uint64_t>(count, response.Available()));
        if (!file.Write(response.Take(n), n)) return false;
        count -= n;
    }
    return true;
}

// Chunked transfer coding; ends at the chunk of size 0 without waiting for trailers.
bool CopyChunks(Response& response, BodyFile& file) {
    std::string_view line;
    for (;;) {
        std::uint64_t size = 0;
        if (!response.Line(line, true) || !ParseChunkSize(line, size)) return false;
        if (size == 0) return true;
        if (!CopyBytes(response, file, size)) return false;
        if (!response.Line(line, true) || !line.empty()) return false;
    }
}

// A body ended by the connection's end: everything until the peer closes, a read finds
// nothing within a second, or the byte limit is reached. Only a failed connection (a
// reset) makes it incomplete.
bool CopyUntilEnd(Response& response, BodyFile& file) {
    std::uint64_t written = 0;
    for (;;) {
        std::size_t n = std::size_t(std::min<std::uint64_t>(response.Available(),
                                                            kCloseDelimitedLimit - written));
        if (!file.Write(response.Take(n), n)) return false;
        written += n;
        if (written >= kCloseDelimitedLimit) return true;
        response.Drained();
        std::size_t most = std::size_t(std::min<std::uint64_t>(kCloseDelimitedLimit - written,
                                                               kReadSize));
        Got got = response.Read(kShortWait, most);
        if (got == Got::Broken) return false;
        if (got != Got::Data) return true;
    }
}

int Exchange(net::Connection connection, const std::string& request, const std::string& path) {
    if (!SendAll(connection, request)) return 0;
    Response response(connection);
    if (response.Read(kLongWait) != Got::Data) return 0;
    Framing framing;
    if (!ReadHead(response, framing)) return 0;

    BodyFile file(path);
    if (!file.Opened()) return 0;
    bool complete;
    if (framing.chunked)
        complete = CopyChunks(response, file);
    else if (framing.hasLength)
        complete = CopyBytes(response, file, framing.length);
    else
        complete = CopyUntilEnd(response, file);
    return complete && file.Place(path) ? 1 : 0;
}

} // namespace

bool SplitUrl(const std::string& url, UrlParts& parts) {
    std::size_t scheme = url.find("://");
    if (scheme == url.npos) return false;
    std::size_t start = scheme + 3;
    std::size_t hostEnd = std::min(url.find_first_of(":/", start), url.size());
    std::size_t slash = std::min(url.find('/', start), url.size());
    UrlParts found;
    found.host = url.substr(start, hostEnd - start);
    if (found.host.empty()) return false;
    if (hostEnd < url.size() && url[hostEnd] == ':') {
        std::string_view digits(url.data() + hostEnd + 1, slash - hostEnd - 1);
        if (!digits.empty()) { // an empty port means the default one
            unsigned port = 0;
            for (char c : digits) {
                if (c < '0' || c > '9') return false;
                port = port * 10 + unsigned(c - '0');
                if (port > 65535) return false;
            }
            if (port == 0) return false;
            found.port = std::uint16_t(port);
        }
    }
    if (slash < url.size()) found.path = url.substr(slash + 1);
    for (const std::string* part : {&found.host, &found.path})
        for (char c : *part)
            if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) return false;
    parts = found;
    return true;
}

std::string RequestText(const UrlParts& parts) {
    std::string host = parts.host;
    if (parts.port != 80) host += ":" + std::to_string(parts.port);
    return "GET /" + parts.path + " HTTP/1.1\r\nAccept: */*\r\nHost: " + host +
           "\r\nConnection: close\r\n\r\n";
}

int DownloadToFile(const std::string& url, const std::string& path) {
    UrlParts parts;
    if (!SplitUrl(url, parts)) return 0;
    std::uint32_t address = 0;
    if (!net::ResolveIPv4(parts.host, address)) return 0;
    net::Connection connection = net::Connect(address, parts.port);
    if (connection == net::kNoConnection) return 0;
    int result = Exchange(connection, RequestText(parts), path);
    net::Close(connection);
    return result;
}
