#pragma once
// A fixture for engine tests: a fresh engine state (no password, no callbacks) and a
// temporary folder, with the program-path forms the engine takes.
#include "archive/archive.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// Records what the progress callbacks receive.
struct ProgressLog {
    static std::vector<std::pair<std::string, float>>& Compress() {
        static std::vector<std::pair<std::string, float>> log;
        return log;
    }
    static std::vector<std::pair<std::string, float>>& Extract() {
        static std::vector<std::pair<std::string, float>> log;
        return log;
    }
    static int OnCompress(const std::string& name, float percent) {
        Compress().emplace_back(name, percent);
        return 0;
    }
    static int OnExtract(const std::string& name, float percent) {
        Extract().emplace_back(name, percent);
        return 0;
    }
};

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        ArchiveInit();
        ArchiveSetPassword("");
        ArchiveSetCompressProgress(nullptr);
        ArchiveSetExtractProgress(nullptr);
        ProgressLog::Compress().clear();
        ProgressLog::Extract().clear();
    }
    // Program path of `relative` ("/" separated) inside the temporary folder.
    std::string Program(const std::string& relative) const {
        std::string p = tmp.program() + "\\" + relative;
        for (char& c : p)
            if (c == '/') c = '\\';
        return p;
    }
    // Writes `bytes` as an archive in the temporary folder; returns its program path.
    std::string PutArchive(const std::string& bytes, const std::string& name = "test.zip") {
        WriteFile(tmp.host(name), bytes);
        return Program(name);
    }

    TempDir tmp;
};

} // namespace testing_support
