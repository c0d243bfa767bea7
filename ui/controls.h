#pragma once
// The fixed numbers of the program's windows and controls. The event loops dispatch on
// them, so they never change. Window numbers and control numbers are separate ranges.

namespace ui {

// Windows
constexpr int MainWindow = 0;
constexpr int PasswordDialog = 1;

// MainWindow, in creation order
constexpr int QuitButton = 0;
constexpr int BannerView = 2;
constexpr int TabPanel = 1;
// "Packen" page
constexpr int SourceField = 3;
constexpr int SourceBrowseButton = 4;
constexpr int SourceFrame = 5;
constexpr int ArchiveField = 6;
constexpr int ArchiveBrowseButton = 7;
constexpr int ArchiveFrame = 8;
constexpr int ZipCheckBox = 9;
constexpr int FormatFrame = 10;
constexpr int FileProgressBar = 11;
constexpr int PackStatusFrame = 12;
constexpr int PackButton = 13;
constexpr int PasswordButton = 40;
constexpr int TotalProgressBar = 43;
constexpr int TotalLabel = 44;
constexpr int CurrentFileLabel = 45;
// "Entpacken" page
constexpr int UnpackArchiveField = 14;
constexpr int UnpackArchiveFrame = 15;
constexpr int UnpackBrowseButton = 16;
constexpr int DestinationField = 17;
constexpr int DestinationFrame = 18;
constexpr int DestinationBrowseButton = 19;
constexpr int UnpackProgressBar = 20;
constexpr int UnpackStatusFrame = 21;
constexpr int UnpackButton = 22;
// 41 and 42 are not used.

// PasswordDialog, in creation order
constexpr int ConfirmField = 46;
constexpr int PasswordFrame = 47;
constexpr int PasswordField = 48;
constexpr int ConfirmFrame = 49;
constexpr int DoneButton = 50;
constexpr int AbortButton = 51;

} // namespace ui
