#include "ui/pack.h"

#include "archive/archive.h"
#include "platform/toolkit.h"
#include "ui/controls.h"
#include "ui/event_loop.h"
#include "ui/progress.h"
#include "ui/texts.h"
#include "ui/ui_state.h"

#include <string>
#include <vector>

namespace ui {

void PackSourceFieldReported() {}

void PackChooseFiles() {
    PrepareChoosers();
    // Every path the chooser yields is appended, the first to the last; a cancel yields
    // nothing and leaves the list as it was, but still empties SourceField.
    std::string path = tk::OpenFileRequester(texts::ChooseFilesTitle, Ui().defaultFolder,
                                             texts::AllFilesFilter, 0, true);
    tk::SetText(SourceField, path);
    while (!path.empty()) {
        Ui().selectedFiles.push_back(path);
        path = tk::NextSelectedFile();
    }
}

void PackArchiveFieldReported() {
    Ui().packArchivePath = tk::GetText(ArchiveField);
}

void PackChooseArchive() {
    if (tk::GetState(ZipCheckBox) != 1) {
        tk::ErrorMessage(texts::Caption, texts::NoOutputFormat);
        return;
    }
    PrepareChoosers();
    std::string& path = Ui().packArchivePath;
    path =
        tk::SaveFileRequester(texts::ChooseArchiveTitle, Ui().defaultFolder, texts::ZipFilter, 0);
    // ".zip" anywhere in the path, folders included, counts; a cancel gives ".zip" alone.
    if (path.find(texts::ZipSuffix) == std::string::npos) path += texts::ZipSuffix;
    tk::SetText(ArchiveField, path);
}

void PackFormatReported() {
    Ui().formatChosen = tk::GetState(ZipCheckBox);
}

namespace {

// Files the engine refused tell the user which ones are missing from the archive, so a
// backup is never believed whole when it is not.
std::string FilesNotPackedMessage(const std::vector<std::string>& refused) {
    std::string text = texts::ErrorPrefix + std::to_string(refused.size()) +
                       (refused.size() == 1 ? texts::OneFileNotPacked : texts::FilesNotPacked);
    constexpr size_t kShown = 10;
    for (size_t i = 0; i < refused.size() && i < kShown; ++i)
        text += "\n" + refused[i];
    if (refused.size() > kShown) text += "\n...";
    return text;
}

} // namespace

void PackRun() {
    auto& ui = Ui();
    if (ui.formatChosen == 0) {
        tk::ErrorMessage(texts::Caption, texts::FormatNotChosen);
        return;
    }
    // An archive that cannot be made is reported at once: adding files to nothing would
    // end with the beep that otherwise means the archive is complete.
    if (ArchiveCreate(ui.packArchivePath, 0) == 0) {
        tk::ErrorMessage(texts::Caption, texts::ArchiveCannotBeCreated);
        return;
    }
    ArchiveSetCompressProgress(OnCompressProgress);
    // The list cannot change while the files are added (every event is dropped meanwhile),
    // but a copy keeps that independent of the callbacks.
    const std::vector<std::string> files = ui.selectedFiles;
    tk::SetProgressMaximum(TotalProgressBar, int(files.size()));
    std::vector<std::string> refused;
    int counter = 0;
    for (const auto& file : files) {
        ++counter;
        if (ArchiveAddFile(file, 0) != ARCHIVE_OK) refused.push_back(file);
        tk::SetProgress(TotalProgressBar, counter);
    }
    ArchiveClose(std::string());
    if (refused.empty())
        tk::Beep();
    else
        tk::ErrorMessage(texts::Caption, FilesNotPackedMessage(refused));
    tk::SetProgress(TotalProgressBar, 0);
    tk::SetProgress(FileProgressBar, 0);
}

int OnCompressProgress(const std::string& fileName, float percent) {
    tk::SetProgress(FileProgressBar, ProgressPosition(percent));
    size_t cut = fileName.rfind('\\');
    std::string part = cut == std::string::npos ? fileName : fileName.substr(cut + 1);
    if (part.size() >= 16) part = part.substr(0, 12) + texts::Ellipsis;
    tk::SetText(CurrentFileLabel, texts::FilePrefix + part);
    PumpPendingEvents();
    return 0;
}

} // namespace ui
