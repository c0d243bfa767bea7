// Archives written by other zip tools: extracted byte for byte with their folders and
// times, and their central-directory fields reported as Python's zipfile reads them.
#include "archive/archive.h"
#include "archive/entry_info.h"
#include "support/engine_fixture.h"

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unzip.h>

namespace {

namespace fs = std::filesystem;
using testing_support::EngineTest;
using testing_support::ReadFile;
using testing_support::WriteFile;

// Writes the archive with Python's zipfile: "stored" or "deflated", folders included.
constexpr const char* kPythonWriter = R"(import os, sys, zipfile
method = zipfile.ZIP_STORED if sys.argv[1] == 'stored' else zipfile.ZIP_DEFLATED
with zipfile.ZipFile(sys.argv[2], 'w', method) as z:
    for root, dirs, files in os.walk(sys.argv[3]):
        dirs.sort()
        z.write(root)
        for f in sorted(files):
            z.write(os.path.join(root, f))
)";

// One line per entry: the twenty numeric fields in the order of ArchiveEntryInfo.
constexpr const char* kPythonFields = R"(import sys, zipfile
for i in zipfile.ZipFile(sys.argv[1]).infolist():
    y, mo, d, h, mi, s = i.date_time
    date = ((y - 1980) << 9) | (mo << 5) | d
    time = (h << 11) | (mi << 5) | (s // 2)
    raw = i.orig_filename.encode('utf-8' if i.flag_bits & 0x800 else 'cp437')
    print(i.create_system << 8 | i.create_version, i.extract_version, i.flag_bits,
          i.compress_type, date << 16 | time, i.CRC, i.compress_size, i.file_size, len(raw),
          len(i.extra), len(i.comment), i.volume, i.internal_attr, i.external_attr, s, mi, h,
          d, (mo - 1) & 0xFFFFFFFF, y)
)";

std::string FieldsLine(const ArchiveEntryInfo& i) {
    std::ostringstream s;
    s << i.versionMadeBy << ' ' << i.versionNeeded << ' ' << i.generalPurposeFlag << ' '
      << i.compressionMethod << ' ' << i.dosDateTime << ' ' << i.crc << ' ' << i.compressedSize
      << ' ' << i.uncompressedSize << ' ' << i.nameLength << ' ' << i.extraLength << ' '
      << i.commentLength << ' ' << i.diskNumberStart << ' ' << i.internalAttributes << ' '
      << i.externalAttributes << ' ' << i.second << ' ' << i.minute << ' ' << i.hour << ' ' << i.day
      << ' ' << i.month << ' ' << i.year << '\n';
    return s.str();
}

struct PeerCase {
    const char* label;
    const char* command; // run in the temporary folder; writes a.zip from the folder src
    const char* password;
    bool umlautNames; // the tool marks such names as UTF-8
    bool descriptors; // the tool writes data descriptors (flag bit 3) for files
};

void PrintTo(const PeerCase& c, std::ostream* os) {
    *os << c.label;
}

class Peers : public EngineTest, public ::testing::WithParamInterface<PeerCase> {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        const char* old = getenv("TZ");
        hadTz_ = old != nullptr;
        savedTz_ = old ? old : "";
        setenv("TZ", "ZLV-5:30", 1); // the peers inherit it
        tzset();
    }
    void TearDown() override {
        if (hadTz_)
            setenv("TZ", savedTz_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
        EngineTest::TearDown();
    }

    // Local 2021-03-04 05:06:40 under the zone above, as seconds since 1970.
    static time_t SourceTime() {
        tm t{};
        t.tm_year = 2021 - 1900;
        t.tm_mon = 2;
        t.tm_mday = 4;
        t.tm_hour = 5;
        t.tm_min = 6;
        t.tm_sec = 40;
        return timegm(&t) - (5 * 3600 + 1800);
    }

    // The source tree: compressible text, incompressible data above one chunk, an empty
    // file in a nested folder, and names outside ASCII when the tool marks them.
    std::vector<std::string> MakeSource(bool umlauts) {
        std::vector<std::string> files = {"src/hello.txt", "src/sub/data.bin",
                                          "src/sub/deeper/empty.txt"};
        if (umlauts) files.push_back("src/Gr\303\274\303\237e/\303\204rger.txt");
        std::mt19937 random(4);
        for (const std::string& f : files) {
            fs::create_directories(fs::path(tmp.host(f)).parent_path());
            std::string data;
            if (f.find("hello") != std::string::npos)
                for (int i = 0; i < 5000; ++i)
                    data += "Hallo Welt " + std::to_string(i) + "\n";
            else if (f.find("data.bin") != std::string::npos)
                for (int i = 0; i < 300000; ++i)
                    data += char(random());
            else if (f.find("empty") == std::string::npos)
                data = f;
            WriteFile(tmp.host(f), data);
            timespec times[2] = {{SourceTime(), 0}, {SourceTime(), 0}};
            utimensat(AT_FDCWD, tmp.host(f).c_str(), times, 0);
        }
        return files;
    }

    bool hadTz_ = false;
    std::string savedTz_;
};

TEST_P(Peers, ExtractedByteForByteWithFoldersAndTimes) {
    const PeerCase& c = GetParam();
    std::vector<std::string> files = MakeSource(c.umlautNames);
    WriteFile(tmp.host("writer.py"), kPythonWriter);
    ASSERT_EQ(testing_support::Run("cd '" + tmp.host() + "' && " + c.command), 0) << c.command;

    ArchiveSetPassword(c.password);
    EXPECT_EQ(ArchiveExtract(Program("a.zip"), "*.*", Program("out"), 1), int(files.size()));
    for (const std::string& f : files) {
        std::string out = tmp.host("out/" + f);
        EXPECT_EQ(ReadFile(out), ReadFile(tmp.host(f))) << f;
        struct stat st {};
        ASSERT_EQ(stat(out.c_str(), &st), 0) << f;
        EXPECT_EQ(st.st_mtime, SourceTime() - 40) << f; // seconds are always 0
    }
    EXPECT_TRUE(fs::is_directory(tmp.host("out/src/sub/deeper")));
    std::set<std::string> written;
    for (auto& e : fs::recursive_directory_iterator(tmp.host("out")))
        if (e.is_regular_file()) written.insert(fs::relative(e.path(), tmp.host("out")).string());
    EXPECT_EQ(written, std::set<std::string>(files.begin(), files.end()));
    const ArchiveExtractReport& report = ArchiveLastExtractReport();
    EXPECT_EQ(report.unsafeName + report.wrongPassword + report.damagedData + report.unsupported +
                  report.cannotCreate,
              0);
}

TEST_P(Peers, EntryFieldsAsPythonReadsThem) {
    const PeerCase& c = GetParam();
    MakeSource(c.umlautNames);
    WriteFile(tmp.host("writer.py"), kPythonWriter);
    WriteFile(tmp.host("fields.py"), kPythonFields);
    ASSERT_EQ(testing_support::Run("cd '" + tmp.host() + "' && " + c.command), 0) << c.command;
    ASSERT_EQ(
        testing_support::Run("cd '" + tmp.host() + "' && python3 fields.py a.zip > fields.txt"), 0);

    // Every entry through the reader's own conversion, not only the first.
    unzFile archive = unzOpen(tmp.host("a.zip").c_str());
    ASSERT_NE(archive, nullptr);
    std::string ours;
    bool sawDescriptor = false;
    char nameBuffer[kNameBufferSize];
    for (int r = unzGoToFirstFile(archive); r == UNZ_OK; r = unzGoToNextFile(archive)) {
        ArchiveEntryInfo info;
        EntryDetails details;
        ASSERT_EQ(ReadEntryInfo(archive, nameBuffer, info, details), 0);
        EXPECT_TRUE(details.nameUsable) << info.name;
        sawDescriptor |= (info.generalPurposeFlag & kFlagDataDescriptor) != 0;
        ours += FieldsLine(info);
    }
    unzClose(archive);
    EXPECT_EQ(ours, ReadFile(tmp.host("fields.txt")));
    EXPECT_EQ(sawDescriptor, c.descriptors);

    // And the first entry through the engine's interface.
    ASSERT_NE(ArchiveOpenRead(Program("a.zip")), 0);
    ASSERT_EQ(ArchiveFirstEntry(), 0);
    ArchiveEntryInfo first;
    ASSERT_EQ(ArchiveGetEntryInfo(first), 0);
    EXPECT_EQ(FieldsLine(first), ours.substr(0, ours.find('\n') + 1));
    EXPECT_EQ(first.name, "src\\");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Peers,
    ::testing::Values(
        PeerCase{"ZipDeflated", "zip -qr a.zip src", "", false, false},
        PeerCase{"ZipStored", "zip -qr0 a.zip src", "", false, false},
        PeerCase{"ZipPassword", "zip -qr -P 'Geheim 1' a.zip src", "Geheim 1", false, true},
        PeerCase{"ZipStreamed", "zip -qr - src | cat > a.zip", "", false, true},
        PeerCase{"ZipForcedDescriptors", "zip -qr -fd a.zip src", "", false, true},
        PeerCase{"ZipStreamedPassword", "zip -qr -P pw - src | cat > a.zip", "pw", false, true},
        PeerCase{"SevenZip", "7zz a -tzip -bso0 -bsp0 a.zip src", "", true, false},
        PeerCase{"SevenZipStored", "7zz a -tzip -mx0 -bso0 -bsp0 a.zip src", "", true, false},
        PeerCase{"SevenZipZipCrypto", "7zz a -tzip -mem=ZipCrypto -pGeheim -bso0 -bsp0 a.zip src",
                 "Geheim", true, false},
        PeerCase{"SevenZipZipCryptoStored",
                 "7zz a -tzip -mx0 -mem=ZipCrypto -pGeheim -bso0 -bsp0 a.zip src", "Geheim", true,
                 false},
        PeerCase{"Bsdtar", "bsdtar --format zip -cf a.zip src", "", false, true},
        PeerCase{"BsdtarStored",
                 "bsdtar --format zip --options zip:compression=store -cf a.zip src", "", false,
                 true},
        PeerCase{"PythonStored", "python3 writer.py stored a.zip src", "", true, false},
        PeerCase{"PythonDeflated", "python3 writer.py deflated a.zip src", "", true, false}),
    [](const auto& info) { return info.param.label; });

} // namespace

namespace {

// zip -y stores a link as a link entry; extraction writes the link text as a plain file
// and never creates a link, so a later entry cannot be sent through it.
TEST_F(EngineTest, LinkStoredByZipBecomesAPlainFile) {
    fs::create_directories(tmp.host("src"));
    fs::create_symlink("/etc", tmp.host("src/etc-link"));
    ASSERT_EQ(testing_support::Run("cd '" + tmp.host() + "' && zip -qry a.zip src"), 0);
    EXPECT_EQ(ArchiveExtract(Program("a.zip"), "*.*", Program("out"), 1), 1);
    EXPECT_FALSE(fs::is_symlink(tmp.host("out/src/etc-link")));
    EXPECT_TRUE(fs::is_regular_file(tmp.host("out/src/etc-link")));
    EXPECT_EQ(ReadFile(tmp.host("out/src/etc-link")), "/etc");
}

} // namespace
