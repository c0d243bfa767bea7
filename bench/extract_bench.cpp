// Extracts one archive with the engine, as the unpack workflow does ("*.*", folders
// kept), and prints the number of files and the wall time. bench/run sets it beside
// unzip and bsdtar on the same archive and measures the peak memory of each.
//   extract_bench <archive> <destination folder> [password]
#include "archive/archive.h"
#include "platform/text.h"

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: extract_bench <archive> <destination folder> [password]\n");
        return 2;
    }
    std::string archive, dest;
    if (!text::ToProgramPath(argv[1], archive) || !text::ToProgramPath(argv[2], dest)) {
        std::fprintf(stderr, "extract_bench: the paths must have a cp1252 form\n");
        return 2;
    }
    ArchiveInit();
    if (argc > 3) ArchiveSetPassword(argv[3]);
    auto start = std::chrono::steady_clock::now();
    int files = ArchiveExtract(archive, "*.*", dest, 1);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const ArchiveExtractReport& r = ArchiveLastExtractReport();
    std::printf("engine: %d files in %.3f s (skipped: unsafe %d, password %d, damaged %d, "
                "unsupported %d, cannot create %d)\n",
                files, seconds, r.unsafeName, r.wrongPassword, r.damagedData, r.unsupported,
                r.cannotCreate);
    ArchiveShutdown();
    return files > 0 ? 0 : 1;
}
