#pragma once
// The pack workflow's handlers, called by the main loop for the "Packen" page.
#include <string>

namespace ui {

void PackSourceFieldReported();  // SourceField: nothing later depends on it
void PackChooseFiles();          // SourceBrowseButton: file choice
void PackArchiveFieldReported(); // ArchiveField: PackArchivePath := the field's text
void PackChooseArchive();        // ArchiveBrowseButton: output choice
void PackFormatReported();       // ZipCheckBox: FormatChosen := the box's state
void PackRun();                  // PackButton: pack

// The progress callback registered for packing; always returns 0.
int OnCompressProgress(const std::string& fileName, float percent);

} // namespace ui
