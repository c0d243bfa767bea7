// Packs a list of files with the engine, as the pack workflow does (ArchiveCreate with
// appendMode 0, a registered progress callback, ArchiveAddFile with keepPath 0 for each
// file, ArchiveClose), and prints what it cost as key=value lines for bench/run:
//   files, bytes, results_failed, wall_s, cpu_s, pauses, pause_s, rest_s, peak_rss_kib
//
// usage: pack_bench ARCHIVE LIST [PASSWORD]
//   LIST holds one host path per line.
//
// The pauses are the engine's mandated 10 ms sleeps: one after every chunk of the copy
// (counted through the callback) and, with a password, one after every chunk of the CRC
// pass (counted from the file sizes). Their cost is the count times the measured length
// of one such sleep on this machine.
#include "archive/archive.h"
#include "platform/text.h"
#include "platform/win.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

namespace {

long long copyChunks = 0;

int CountChunk(const std::string& name, float) {
    if (!name.empty()) ++copyChunks;
    return 0;
}

double Seconds(const timeval& tv) {
    return double(tv.tv_sec) + double(tv.tv_usec) / 1e6;
}

double CpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return Seconds(ru.ru_utime) + Seconds(ru.ru_stime);
}

// The wall time of one win::Sleep(10) here, averaged.
double PauseSeconds() {
    constexpr int kRounds = 50;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRounds; ++i)
        win::Sleep(10);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
           kRounds;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: pack_bench ARCHIVE LIST [PASSWORD]\n");
        return 2;
    }
    std::string archive, password = argc > 3 ? argv[3] : "";
    if (!text::ToProgramPath(argv[1], archive)) return 2;
    std::vector<std::string> files;
    long long crcChunks = 0, bytes = 0;
    std::ifstream list(argv[2]);
    for (std::string line; std::getline(list, line);) {
        if (line.empty()) continue;
        std::string program;
        if (!text::ToProgramPath(line, program)) return 2;
        files.push_back(program);
        struct stat st {};
        stat(line.c_str(), &st);
        bytes += st.st_size;
        crcChunks += st.st_size / 102400 + 1; // the pass reads once more at an exact multiple
        if (st.st_size > 0 && st.st_size % 102400 == 0) --crcChunks;
    }

    ArchiveInit();
    ArchiveSetPassword(password);
    ArchiveSetCompressProgress(CountChunk);
    double cpuStart = CpuSeconds();
    auto wallStart = std::chrono::steady_clock::now();
    int failed = 0;
    if (!ArchiveCreate(archive, 0)) return 1;
    for (const auto& f : files)
        failed += ArchiveAddFile(f, 0) != 0;
    ArchiveClose();
    double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    double cpu = CpuSeconds() - cpuStart;
    ArchiveShutdown();

    long long pauses = copyChunks + (password.empty() ? 0 : crcChunks);
    double pause = double(pauses) * PauseSeconds();
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("files=%zu\nbytes=%lld\nresults_failed=%d\nwall_s=%.3f\ncpu_s=%.3f\n"
                "pauses=%lld\npause_s=%.3f\nrest_s=%.3f\npeak_rss_kib=%ld\n",
                files.size(), bytes, failed, wall, cpu, pauses, pause, wall - pause, ru.ru_maxrss);
    return 0;
}
