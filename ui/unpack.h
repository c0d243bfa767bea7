#pragma once
// The unpack workflow's handlers, called by the main loop for the "Entpacken" page.
#include <string>

namespace ui {

void UnpackArchiveFieldReported();     // UnpackArchiveField: UnpackArchivePath := its text
void UnpackChooseArchive();            // UnpackBrowseButton: archive choice
void UnpackDestinationFieldReported(); // DestinationField: DestinationFolder := its text
void UnpackChooseDestination();        // DestinationBrowseButton: folder choice
void UnpackRun();                      // UnpackButton: unpack

// The progress callback registered for extraction; always returns 0.
int OnExtractProgress(const std::string& fileName, float percent);

} // namespace ui
