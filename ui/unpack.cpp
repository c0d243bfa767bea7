#include "ui/unpack.h"

#include "platform/toolkit.h"
#include "ui/controls.h"
#include "ui/ui_state.h"

namespace ui {

void UnpackArchiveFieldReported() {
    Ui().unpackArchivePath = tk::GetText(UnpackArchiveField);
}

void UnpackChooseArchive() {}

void UnpackDestinationFieldReported() {
    Ui().destinationFolder = tk::GetText(DestinationField);
}

void UnpackChooseDestination() {}

void UnpackRun() {}

int OnExtractProgress(const std::string&, float) {
    return 0;
}

} // namespace ui
