#include "ui/unpack.h"

#include "archive/archive.h"
#include "platform/toolkit.h"
#include "ui/controls.h"
#include "ui/event_loop.h"
#include "ui/password_dialog.h"
#include "ui/progress.h"
#include "ui/texts.h"
#include "ui/ui_state.h"

#include <string>

namespace ui {

void UnpackArchiveFieldReported() {
    Ui().unpackArchivePath = tk::GetText(UnpackArchiveField);
}

void UnpackChooseArchive() {
    PrepareChoosers();
    auto& ui = Ui();
    ui.unpackArchivePath = tk::OpenFileRequester(texts::ChooseUnpackArchiveTitle, ui.defaultFolder,
                                                 texts::ZipFilter, 0, false);
    tk::SetText(UnpackArchiveField, ui.unpackArchivePath);
    // The text after the last "." of the whole path, folders included; the whole path when
    // it has no ".".
    size_t dot = ui.unpackArchivePath.rfind('.');
    ui.unpackExtension =
        dot == std::string::npos ? ui.unpackArchivePath : ui.unpackArchivePath.substr(dot + 1);
}

void UnpackDestinationFieldReported() {
    Ui().destinationFolder = tk::GetText(DestinationField);
}

void UnpackChooseDestination() {
    PrepareChoosers();
    std::string folder = tk::PathRequester(texts::DestinationPrompt, std::string());
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    Ui().destinationFolder = folder;
    tk::SetText(DestinationField, folder);
}

namespace {

// Why entries of the last extraction were not written, one line per reason that occurred;
// empty when every selected entry was written.
std::string EntriesNotWrittenMessage(const ArchiveExtractReport& report) {
    const struct {
        int count;
        const char* reason;
    } reasons[] = {
        {report.wrongPassword, texts::ReasonWrongPassword},
        {report.damagedData, texts::ReasonDamagedData},
        {report.unsafeName, texts::ReasonUnsafeName},
        {report.unsupported, texts::ReasonUnsupported},
        {report.cannotCreate, texts::ReasonCannotCreate},
    };
    int total = 0, kinds = 0;
    std::string lines;
    for (const auto& r : reasons) {
        if (r.count <= 0) continue;
        total += r.count;
        ++kinds;
        lines += "\n" + std::string(r.reason) + std::to_string(r.count);
    }
    if (total == 0) return {};
    return texts::ErrorPrefix + std::to_string(total) +
           (total == 1 ? texts::OneEntryNotWritten : texts::EntriesNotWritten) + "\n\n" +
           (kinds == 1 ? texts::ReasonHeading : texts::ReasonsHeading) + lines;
}

} // namespace

void UnpackRun() {
    auto& ui = Ui();
    if (ui.unpackExtension != texts::ZipExtension) return;
    // An archive that cannot be opened is reported before anything else; no password is
    // asked for an archive that cannot be read.
    if (ArchiveOpenRead(ui.unpackArchivePath) == 0) {
        tk::ErrorMessage(texts::Caption, texts::ArchiveCannotBeOpened);
        return;
    }
    ArchiveEntryInfo first; // an archive without entries leaves it zero: not encrypted
    if (ArchiveFirstEntry() == 0) ArchiveGetEntryInfo(first);
    const bool encrypted = (first.generalPurposeFlag & 1) != 0;
    if (encrypted && !PasswordDialogForUnpacking()) return;

    ArchiveSetExtractProgress(OnExtractProgress);
    ArchiveExtract(ui.unpackArchivePath, texts::AllEntries, ui.destinationFolder, 1);
    const ArchiveExtractReport& report = ArchiveLastExtractReport();
    std::string failures = report.opened ? EntriesNotWrittenMessage(report)
                                         : std::string(texts::ArchiveCannotBeOpened);
    if (failures.empty())
        tk::Beep();
    else
        tk::ErrorMessage(texts::Caption, failures);
    // Only the last replacement reports its change: UnpackArchivePath is emptied through
    // it, while DestinationFolder keeps the folder just used.
    tk::SetText(DestinationField, std::string());
    tk::SetText(UnpackArchiveField, std::string());
    tk::SetProgress(UnpackProgressBar, 0);
}

int OnExtractProgress(const std::string&, float percent) {
    tk::SetProgress(UnpackProgressBar, ProgressPosition(percent));
    PumpPendingEvents();
    return 0;
}

} // namespace ui
