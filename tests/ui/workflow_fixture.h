#pragma once
// A fixture for the workflow tests: the headless toolkit with MainWindow built, fresh
// values of the user interface and of the engine, and a temporary folder with the
// program-path forms the workflows deal in. The engine is the real one and writes real
// files.
#include "archive/archive.h"
#include "platform/toolkit_headless.h"
#include "support/test_support.h"
#include "ui/controls.h"
#include "ui/event_loop.h"
#include "ui/main_window.h"
#include "ui/ui_state.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <minizip/unzip.h>
#include <string>
#include <vector>

namespace workflow_test {

namespace hl = tk::headless;
using hl::When;
using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::WriteFile;

// One entry of an archive as a test sees it.
struct EntrySeen {
    std::string name; // stored bytes
    unsigned long flags = 0;
};

// The entries of the archive at `hostPath`, in their order; `opened` is false when
// minizip cannot read it as an archive.
inline std::vector<EntrySeen> EntriesOf(const std::string& hostPath, bool* opened = nullptr) {
    std::vector<EntrySeen> out;
    unzFile zip = unzOpen(hostPath.c_str());
    if (opened) *opened = zip != nullptr;
    if (!zip) return out;
    for (int r = unzGoToFirstFile(zip); r == UNZ_OK; r = unzGoToNextFile(zip)) {
        unz_file_info info{};
        char name[1024] = {};
        unzGetCurrentFileInfo(zip, &info, name, sizeof name - 1, nullptr, 0, nullptr, 0);
        out.push_back({name, info.flag});
    }
    unzClose(zip);
    return out;
}

inline std::vector<std::string> NamesOf(const std::string& hostPath) {
    std::vector<std::string> names;
    for (const auto& e : EntriesOf(hostPath))
        names.push_back(e.name);
    return names;
}

class WorkflowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        hl::Reset();
        ui::Ui() = ui::UiState{};
        ui::Loop() = ui::LoopState{};
        ArchiveInit();
        ArchiveClose();
        ArchiveSetPassword("");
        ArchiveSetCompressProgress(nullptr);
        ArchiveSetExtractProgress(nullptr);
        ui::Ui().defaultFolder = tmp.program() + "\\Desktop";
        ui::BuildMainWindow();
    }
    void TearDown() override {
        ArchiveClose();
        ArchiveSetPassword("");
        ArchiveSetCompressProgress(nullptr);
        ArchiveSetExtractProgress(nullptr);
    }

    // Program path of `relative` ("/" separated) inside the temporary folder.
    std::string Program(const std::string& relative) const {
        std::string p = tmp.program() + "\\" + relative;
        for (char& c : p)
            if (c == '/') c = '\\';
        return p;
    }
    std::string Host(const std::string& relative) const { return tmp.host(relative); }
    // Writes a file in the temporary folder; returns its program path.
    std::string Put(const std::string& relative, const std::string& bytes) {
        WriteFile(Host(relative), bytes);
        return Program(relative);
    }
    void MakeFolder(const std::string& relative) {
        std::filesystem::create_directories(Host(relative));
    }

    std::string Text(int id) const {
        const auto* c = hl::Control(id);
        return c ? c->text : std::string("<no control>");
    }
    int Position(int id) const { return hl::Control(id)->position; }
    int Maximum(int id) const { return hl::Control(id)->maximum; }
    static std::vector<hl::MessageBoxShown> Messages() { return hl::MessageBoxes(); }

    // The user's actions up to the archive on the "Packen" page: tick "ZIP" and type the
    // output path (the field's report hands it to the workflow).
    void ScriptFormatAndOutput(const std::string& archive) {
        hl::Click(ui::ZipCheckBox);
        hl::Type(ui::ArchiveField, archive);
    }
    // Choosing an archive and a destination on the "Entpacken" page, then "Entpacken".
    void ScriptUnpack(const std::string& archive, const std::string& folder) {
        hl::AnswerChooser({archive});
        hl::Click(ui::UnpackBrowseButton);
        hl::AnswerChooser({folder});
        hl::Click(ui::DestinationBrowseButton);
        hl::Click(ui::UnpackButton);
    }
    // The password dialog's two fields and "Fertig".
    static void ScriptPassword(const std::string& password, const std::string& confirm) {
        hl::Type(ui::PasswordField, password);
        hl::Type(ui::ConfirmField, confirm);
        hl::Click(ui::DoneButton);
    }

    testing_support::TempDir tmp;
};

} // namespace workflow_test
