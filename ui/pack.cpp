#include "ui/pack.h"

#include "platform/toolkit.h"
#include "ui/controls.h"
#include "ui/ui_state.h"

namespace ui {

void PackSourceFieldReported() {}

void PackChooseFiles() {}

void PackArchiveFieldReported() {
    Ui().packArchivePath = tk::GetText(ArchiveField);
}

void PackChooseArchive() {}

void PackFormatReported() {
    Ui().formatChosen = tk::GetState(ZipCheckBox);
}

void PackRun() {}

int OnCompressProgress(const std::string&, float) {
    return 0;
}

} // namespace ui
