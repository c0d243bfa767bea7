// DownloadToFile against a scripted server on 127.0.0.1: exact response bytes, pauses and
// closes go out; the request bytes, the result, the file and the time taken come back.
#include "app/download.h"
#include "platform/net.h"
#include "support/script_server.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sys/stat.h>

namespace {

using namespace testing_support;

enum class Target { Absent, Existing, ReadOnly, MissingFolder };
enum class Peer { Script, Refusing, SocketsStopped };

struct Case {
    const char* name;
    std::vector<ScriptStep> script = {};
    int result = 0;
    std::string body = {}; // the file's contents when the result is 1
    Target target = Target::Absent;
    double maxSeconds = 3; // the call's duration, with room for a loaded machine
    double minSeconds = 0;
    // "{port}" stands for the server's port.
    std::string url = "http://127.0.0.1:{port}/update/version.txt";
    bool connects = true;  // whether the server must see a request
    std::string requestTarget = "/update/version.txt";
    std::string hostName = "127.0.0.1";
    Peer peer = Peer::Script;
};

const std::string kOk = "HTTP/1.1 200 OK\r\n";
const std::string kChunked = kOk + "Transfer-Encoding: chunked\r\n\r\n";
const std::string kOldContents = "old contents\r\n";

std::string Pattern(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = char('a' + (i * 7 + i / 26) % 26);
    return s;
}

// Header lines that fill about `size` bytes.
std::string Filler(std::size_t size) {
    std::string lines;
    for (int i = 0; lines.size() < size; ++i)
        lines += "X-Filler-" + std::to_string(i) + ": " + std::string(60, 'f') + "\r\n";
    return lines;
}

std::string WithLength(const std::string& value) {
    return kOk + "Content-Length:" + value + "\r\n\r\nhello";
}

const std::vector<Case> kCases = {
    // Main paths.
    {.name = "LengthFiveReplacesExistingFile",
     .script = {SendBytes(kOk + "Content-Length: 5\r\n\r\nhello")},
     .result = 1, .body = "hello", .target = Target::Existing},
    {.name = "LengthNameInOtherCaseWithoutBlank",
     .script = {SendBytes(kOk + "CONTENT-length:5\r\n\r\nhello")}, .result = 1, .body = "hello"},
    {.name = "LengthWithBlanksAround",
     .script = {SendBytes(WithLength(" \t5 "))}, .result = 1, .body = "hello"},
    {.name = "NotFoundKeepsExistingFile",
     .script = {SendBytes("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found")},
     .result = 0, .target = Target::Existing},
    {.name = "RedirectWritesItsOwnBody",
     .script = {SendBytes("HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1/elsewhere\r\n"
                          "Content-Length: 27\r\n\r\n<html><b>moved</b></html>\r\n")},
     .result = 1, .body = "<html><b>moved</b></html>\r\n"},
    {.name = "ChunksArriveWithTheHeaders",
     .script = {SendBytes(kChunked + "4\r\nWiki\r\n3\r\nped\r\n0\r\n\r\n")},
     .result = 1, .body = "Wikiped"},
    {.name = "ChunksSplitAcrossReads",
     .script = {SendBytes(kChunked + "4\r\nWi"), PauseMs(200), SendBytes("ki\r\n3"), PauseMs(200),
                SendBytes("\r\nped\r"), PauseMs(200), SendBytes("\n0\r\n\r\n")},
     .result = 1, .body = "Wikiped"},
    {.name = "ChunkLargerThanOneRead",
     .script = {SendBytes(kChunked + "bb8\r\n" + Pattern(3000) + "\r\n0\r\n\r\n")},
     .result = 1, .body = Pattern(3000)},
    {.name = "LengthBodyOverSeveralReads",
     .script = {SendBytes(kOk + "Content-Length: 5000\r\n\r\n" + Pattern(5000).substr(0, 1500)),
                PauseMs(200), SendBytes(Pattern(5000).substr(1500))},
     .result = 1, .body = Pattern(5000)},
    {.name = "CloseDelimitedBodyEndsWithTheConnection",
     // The pause stays below one 100 ms poll, so the one-second wait cannot end the body.
     .script = {SendBytes(kOk + "\r\n" + Pattern(1000)), PauseMs(40),
                SendBytes(Pattern(4000).substr(1000)), CloseNow()},
     .result = 1, .body = Pattern(1000) + Pattern(4000).substr(1000), .maxSeconds = 1.5},
    {.name = "CloseDelimitedBodyEndsAtAPause",
     .script = {SendBytes(kOk + "\r\nabc"), PauseMs(2500), SendBytes("def")},
     .result = 1, .body = "abc", .maxSeconds = 2},
    {.name = "LengthZeroGivesEmptyFile",
     .script = {SendBytes(kOk + "Content-Length: 0\r\n\r\n")}, .result = 1, .body = ""},
    {.name = "SlowServerNeverAnswers",
     .script = {}, .result = 0, .maxSeconds = 11, .minSeconds = 8.9},
    {.name = "ServerClosesWithoutAnswer", .script = {CloseNow()}, .result = 0},

    // URLs and connections.
    {.name = "UrlWithoutSchemeSeparator", .script = {}, .result = 0,
     .url = "127.0.0.1:{port}/update/version.txt", .connects = false},
    {.name = "UrlWithEmptyHost", .script = {}, .result = 0,
     .url = "http:///update/version.txt", .connects = false},
    {.name = "UrlWithPortButNoHost", .script = {}, .result = 0,
     .url = "http://:{port}/update/version.txt", .connects = false},
    {.name = "UrlWithPortOutOfRange", .script = {}, .result = 0,
     .url = "http://127.0.0.1:70000/update/version.txt", .connects = false},
    {.name = "UrlWithLineBreakInPath", .script = {}, .result = 0,
     .url = "http://127.0.0.1:{port}/a\r\nX-Injected: 1", .connects = false},
    {.name = "UrlWithQueryKeepsIt",
     .script = {SendBytes(WithLength("5"))}, .result = 1, .body = "hello",
     .url = "http://127.0.0.1:{port}/update/version.txt?v=3",
     .requestTarget = "/update/version.txt?v=3"},
    {.name = "UrlWithoutPath",
     .script = {SendBytes(WithLength("5"))}, .result = 1, .body = "hello",
     .url = "http://127.0.0.1:{port}", .requestTarget = "/"},
    {.name = "HostNameIsResolved",
     .script = {SendBytes(WithLength("5"))}, .result = 1, .body = "hello",
     .url = "http://localhost:{port}/update/version.txt", .hostName = "localhost"},
    {.name = "ConnectionRefused", .script = {}, .result = 0, .target = Target::Existing,
     .connects = false, .peer = Peer::Refusing},
    {.name = "SocketsNotStarted", .script = {SendBytes(WithLength("5"))}, .result = 0,
     .connects = false, .peer = Peer::SocketsStopped},

    // The file: replaced only by a complete body.
    {.name = "ReadOnlyTargetIsKept",
     .script = {SendBytes(WithLength("5"))}, .result = 0, .target = Target::ReadOnly},
    {.name = "TargetFolderMissing",
     .script = {SendBytes(WithLength("5"))}, .result = 0, .target = Target::MissingFolder},
    {.name = "LengthBodyCutShortByClose",
     .script = {SendBytes(kOk + "Content-Length: 10\r\n\r\nhello"), CloseNow()},
     .result = 0, .target = Target::Existing},
    {.name = "SlowLengthBodyStalls",
     .script = {SendBytes(kOk + "Content-Length: 10\r\n\r\nhello")},
     .result = 0, .target = Target::Existing, .maxSeconds = 11, .minSeconds = 8.9},
    {.name = "ChunkedCutBeforeLastChunk",
     .script = {SendBytes(kChunked + "4\r\nWiki\r\n"), CloseNow()},
     .result = 0, .target = Target::Existing},
    {.name = "ChunkedCutInsideAChunk",
     .script = {SendBytes(kChunked + "5\r\nab"), CloseNow()}, .result = 0,
     .target = Target::Existing},
    {.name = "CloseDelimitedBodyEndsWithReset",
     // The reset comes well within the first 100 ms poll, before the one-second wait for
     // the rest can end the body.
     .script = {SendBytes(kOk + "\r\nabc"), PauseMs(30), ResetNow()}, .result = 0,
     .target = Target::Existing},

    // Bounded header parsing.
    {.name = "HeaderBlockOverSeveralReads",
     .script = {SendBytes(kOk + Filler(2000)), PauseMs(200),
                SendBytes(Filler(1500) + "Content-Length: 5\r\n\r\nhello")},
     .result = 1, .body = "hello"},
    {.name = "StatusLineLongerThanFirstRead",
     .script = {SendBytes("HTTP/1.1 200 " + std::string(1500, 'x') +
                          "\r\nContent-Length: 5\r\n\r\nhello")},
     .result = 1, .body = "hello"},
    {.name = "HeaderBlockOverLimit",
     .script = {SendBytes(kOk + Filler(17 * 1024) + "Content-Length: 5\r\n\r\nhello")},
     .result = 0, .target = Target::Existing},
    {.name = "HeaderBlockCutShort",
     .script = {SendBytes(kOk + "Content-Length: 5\r\n"), CloseNow()}, .result = 0},
    {.name = "LengthWithSign", .script = {SendBytes(WithLength("+5"))}, .result = 0},
    {.name = "LengthWithTrailingText", .script = {SendBytes(WithLength("5x"))}, .result = 0},
    {.name = "LengthAsList", .script = {SendBytes(WithLength("5, 5"))}, .result = 0},
    {.name = "LengthEmpty", .script = {SendBytes(WithLength(" "))}, .result = 0},
    {.name = "LengthOverflows",
     .script = {SendBytes(WithLength("18446744073709551616"))}, .result = 0},
    {.name = "LengthsInConflict",
     .script = {SendBytes(kOk + "Content-Length: 5\r\nContent-Length: 6\r\n\r\nhello!")},
     .result = 0},

    // Chunked framing.
    {.name = "ChunkSizeOfSixteenDigits",
     .script = {SendBytes(kChunked + "0000000000000004\r\nWiki\r\n0\r\n\r\n")},
     .result = 1, .body = "Wiki"},
    {.name = "ChunkSizeOfSeventeenDigits",
     .script = {SendBytes(kChunked + "00000000000000004\r\nWiki\r\n0\r\n\r\n")}, .result = 0},
    {.name = "ChunkSizeNotHex", .script = {SendBytes(kChunked + "zz\r\nWiki\r\n0\r\n\r\n")},
     .result = 0},
    {.name = "ChunkDataWithoutLineEnd",
     .script = {SendBytes(kChunked + "4\r\nWikiX\r\n0\r\n\r\n")}, .result = 0},
    {.name = "ChunkExtensionsAndTrailersIgnored",
     .script = {SendBytes(kChunked + "4;name=value\r\nWiki\r\n0\r\nExpires: never\r\n")},
     .result = 1, .body = "Wiki"},
    {.name = "LengthAndChunkedReadAsChunked",
     .script = {SendBytes(kOk + "Content-Length: 100\r\nTransfer-Encoding: Chunked\r\n\r\n"
                                "4\r\nWiki\r\n3\r\nped\r\n0\r\n\r\n")},
     .result = 1, .body = "Wikiped"},

    // Lines ended by LF alone.
    {.name = "LengthWithBareLineFeeds",
     .script = {SendBytes("HTTP/1.1 200 OK\nContent-Length: 5\n\nhello")},
     .result = 1, .body = "hello"},
    {.name = "ChunksWithBareLineFeeds",
     .script = {SendBytes("HTTP/1.1 200 OK\ntransfer-encoding: chunked\n\n4\nWiki\n3\nped\n0\n\n")},
     .result = 1, .body = "Wikiped"},
};

// Failure messages name the case rather than dumping its bytes.
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class DownloadTest : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override { net::Startup(); }
    void TearDown() override { net::Startup(); }
    TempDir dir_;
};

std::string Replace(std::string text, const std::string& what, const std::string& with) {
    for (std::size_t at; (at = text.find(what)) != std::string::npos;)
        text.replace(at, what.size(), with);
    return text;
}

TEST_P(DownloadTest, Fetch) {
    const Case& c = GetParam();
    ScriptServer server(c.script);
    RefusingPort refusing;
    std::string port = std::to_string(c.peer == Peer::Refusing ? refusing.port() : server.port());

    std::string name = c.target == Target::MissingFolder ? "missing\\target.bin" : "target.bin";
    std::string hostTarget = dir_.host(c.target == Target::MissingFolder ? "missing/target.bin"
                                                                         : "target.bin");
    bool existed = c.target == Target::Existing || c.target == Target::ReadOnly;
    if (existed) WriteFile(hostTarget, kOldContents);
    if (c.target == Target::ReadOnly) chmod(hostTarget.c_str(), 0444);
    if (c.peer == Peer::SocketsStopped) net::Cleanup();

    auto start = std::chrono::steady_clock::now();
    int result = DownloadToFile(Replace(c.url, "{port}", port), dir_.program() + "\\" + name);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    EXPECT_EQ(result, c.result);
    if (c.result == 1)
        EXPECT_EQ(ReadFile(hostTarget), c.body);
    else if (existed)
        EXPECT_EQ(ReadFile(hostTarget), kOldContents);
    else
        EXPECT_FALSE(Exists(hostTarget));
    // No temporary file is left beside the target.
    for (auto& entry : std::filesystem::directory_iterator(dir_.host()))
        EXPECT_EQ(entry.path().filename(), "target.bin") << entry.path();
    EXPECT_LE(seconds, c.maxSeconds);
    EXPECT_GE(seconds, c.minSeconds);

    if (c.connects) {
        EXPECT_EQ(server.request(), "GET " + c.requestTarget +
                                        " HTTP/1.1\r\nAccept: */*\r\nHost: " + c.hostName + ":" +
                                        port + "\r\nConnection: close\r\n\r\n");
    } else {
        EXPECT_FALSE(server.accepted());
    }
}

INSTANTIATE_TEST_SUITE_P(Download, DownloadTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.name);
                         });

// The Host line names the port only when it is not the default one; a server on port 80
// is out of a test's reach, so these go by the request text alone.
struct RequestCase {
    const char* name;
    const char* url;
    const char* request;
};

const RequestCase kRequestCases[] = {
    {"BuiltInForm", "http://updates.zelvanto.example/programs/Zelvanto.exe",
     "GET /programs/Zelvanto.exe HTTP/1.1\r\nAccept: */*\r\n"
     "Host: updates.zelvanto.example\r\nConnection: close\r\n\r\n"},
    {"DefaultPortNamed", "http://example.test:80/a", 
     "GET /a HTTP/1.1\r\nAccept: */*\r\nHost: example.test\r\nConnection: close\r\n\r\n"},
    {"EmptyPort", "http://example.test:/a",
     "GET /a HTTP/1.1\r\nAccept: */*\r\nHost: example.test\r\nConnection: close\r\n\r\n"},
    {"OtherPort", "http://example.test:8080/a:b/c",
     "GET /a:b/c HTTP/1.1\r\nAccept: */*\r\nHost: example.test:8080\r\nConnection: close\r\n\r\n"},
};

void PrintTo(const RequestCase& c, std::ostream* out) { *out << c.name; }

class DownloadRequestTest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(DownloadRequestTest, Text) {
    UrlParts parts;
    ASSERT_TRUE(SplitUrl(GetParam().url, parts));
    EXPECT_EQ(RequestText(parts), GetParam().request);
}

INSTANTIATE_TEST_SUITE_P(Download, DownloadRequestTest, ::testing::ValuesIn(kRequestCases),
                         [](const ::testing::TestParamInfo<RequestCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
