#pragma once
// The values of the user interface: one process-wide plain record.
#include "platform/toolkit.h"

#include <string>
#include <vector>

namespace ui {

struct UiState {
    // Fixed at start-up.
    std::string defaultFolder;   // DefaultFolder: Homedrive "\" Homepath "\Desktop"
    tk::FontId boldFont = 0;     // BoldFont; 0 when it could not be had
    tk::ImageId bannerImage = 0; // 0 when the picture could not be decoded
    tk::ImageId browseImage = 0;

    // Pack workflow.
    std::vector<std::string> selectedFiles; // SelectedFiles: appended to, never cleared
    std::string packArchivePath;            // PackArchivePath
    int formatChosen = 0;                   // FormatChosen: ZipCheckBox's last reported state

    // Unpack workflow.
    std::string unpackArchivePath; // UnpackArchivePath
    std::string unpackExtension;   // UnpackExtension: set by the archive choice only
    std::string destinationFolder; // DestinationFolder
};

UiState& Ui();

} // namespace ui
