#include "ui/main_window.h"

#include "platform/pictures.h"
#include "resources/resources.h"
#include "ui/controls.h"
#include "ui/texts.h"
#include "ui/ui_state.h"

namespace ui {

tk::FontId CreateBoldFont() {
    return tk::LoadFont("Arial", 12, true);
}

void LoadProgramIcon() {
    auto icon = resources::Icon();
    pictures::Picture picture;
    if (pictures::DecodePng(icon.data, icon.size, picture, true))
        tk::SetProgramIcon(picture.width, picture.height, picture.pixels.data());
}

namespace {
tk::ImageId Decoded(bool ok, const pictures::Picture& picture) {
    return ok ? tk::CreateImage(picture.width, picture.height, picture.pixels.data()) : 0;
}
} // namespace

void LoadPictures() {
    pictures::Picture banner, browse;
    auto png = resources::Banner();
    auto jpeg = resources::BrowsePicture();
    Ui().bannerImage = Decoded(pictures::DecodePng(png.data, png.size, banner, false), banner);
    Ui().browseImage = Decoded(pictures::DecodeJpeg(jpeg.data, jpeg.size, browse), browse);
}

void ReleasePictures() {
    if (Ui().bannerImage) tk::FreeImage(Ui().bannerImage);
    if (Ui().browseImage) tk::FreeImage(Ui().browseImage);
    Ui().bannerImage = Ui().browseImage = 0;
}

void ApplyBoldFont(int id) {
    if (Ui().boldFont) tk::SetFont(id, Ui().boldFont);
}

void BoldButton(int id, int x, int y, int w, int h, const char* text) {
    tk::CreateButton(id, x, y, w, h, text);
    ApplyBoldFont(id);
}

void Field(int id, int x, int y, int w, int h, bool masked) {
    tk::CreateTextField(id, x, y, w, h, "", masked);
    ApplyBoldFont(id);
    tk::SetBackground(id, FieldBackground);
}

namespace {

void BuildPackPage() {
    const tk::ImageId browse = Ui().browseImage;
    Field(SourceField, 18, 38, 340, 30);
    tk::CreateImageButton(SourceBrowseButton, 368, 38, 30, 30, browse);
    tk::CreateGroupBox(SourceFrame, 8, 18, 400, 70, texts::SourceFrame);
    Field(ArchiveField, 18, 178, 340, 30);
    tk::CreateImageButton(ArchiveBrowseButton, 368, 178, 30, 30, browse);
    tk::CreateGroupBox(ArchiveFrame, 8, 158, 400, 70, texts::ArchiveFrame);
    tk::CreateCheckBox(ZipCheckBox, 18, 118, 50, 20, texts::ZipCheckBox);
    ApplyBoldFont(ZipCheckBox);
    tk::CreateGroupBox(FormatFrame, 8, 98, 400, 50, texts::FormatFrame);
    tk::CreateProgressBar(FileProgressBar, 18, 258, 370, 30, 0, 100);
    tk::CreateGroupBox(PackStatusFrame, 8, 238, 400, 110, texts::PackStatusFrame);
    BoldButton(PackButton, 418, 318, 80, 30, texts::PackButton);
    BoldButton(PasswordButton, 418, 148, 80, 40, texts::PasswordButton);
    tk::CreateProgressBar(TotalProgressBar, 18, 308, 370, 30, 0, 10);
    tk::CreateTextLabel(TotalLabel, 18, 288, 60, 20, texts::TotalLabel);
    tk::CreateTextLabel(CurrentFileLabel, 168, 288, 220, 20, texts::CurrentFileLabel);
}

void BuildUnpackPage() {
    const tk::ImageId browse = Ui().browseImage;
    Field(UnpackArchiveField, 18, 48, 340, 30);
    tk::CreateGroupBox(UnpackArchiveFrame, 8, 28, 400, 70, texts::UnpackArchiveFrame);
    tk::CreateImageButton(UnpackBrowseButton, 368, 48, 30, 30, browse);
    Field(DestinationField, 18, 128, 340, 30);
    tk::CreateGroupBox(DestinationFrame, 8, 108, 400, 70, texts::DestinationFrame);
    tk::CreateImageButton(DestinationBrowseButton, 368, 128, 30, 30, browse);
    tk::CreateProgressBar(UnpackProgressBar, 18, 208, 370, 30, 0, 100);
    tk::CreateGroupBox(UnpackStatusFrame, 8, 188, 400, 60, texts::UnpackStatusFrame);
    BoldButton(UnpackButton, 368, 308, 130, 40, texts::UnpackButton);
}

} // namespace

int BuildMainWindow() {
    if (!tk::OpenWindow(MainWindow, 108, 209, 748, 433, texts::MainTitle,
                        tk::StyleCaption | tk::StyleSystemMenu | tk::StyleMinimizeBox))
        return 0;
    BoldButton(QuitButton, 630, 392, 110, 40, texts::Quit);
    // Requested at 197 x 480; the control takes the banner's own 217 x 435.
    tk::CreateImageControl(BannerView, 0, 0, 197, 480, Ui().bannerImage);
    tk::CreateTabControl(TabPanel, 230, 10, 510, 380);
    tk::AddTab(TabPanel, texts::PackTab);
    BuildPackPage();
    tk::AddTab(TabPanel, texts::UnpackTab);
    BuildUnpackPage();
    tk::EndTabs();
    return 0;
}

} // namespace ui
