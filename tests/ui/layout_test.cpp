// The two windows as built, checked control by control through the headless toolkit.
#include "platform/text.h"
#include "platform/toolkit_headless.h"
#include "ui/controls.h"
#include "ui/main_window.h"
#include "ui/password_dialog.h"
#include "ui/texts.h"
#include "ui/ui_state.h"

#include <gtest/gtest.h>

namespace {

using tk::Kind;
namespace hl = tk::headless;

enum class Font { Default, Bold, None };
enum class On { Window, PackPage, UnpackPage };

struct Expected {
    int id;
    Kind kind;
    On on;
    int x, y, w, h;
    const char* text;
    Font font;
    int minimum = 0, maximum = 0; // progress bars
};

// MainWindow in creation order (which is also the focus order).
const Expected kMainWindow[] = {
    {ui::QuitButton, Kind::PushButton, On::Window, 630, 392, 110, 40, "Beenden", Font::Bold},
    // Requested at 197 x 480; takes the banner's size.
    {ui::BannerView, Kind::ImageControl, On::Window, 0, 0, 217, 435, "", Font::None},
    {ui::TabPanel, Kind::TabControl, On::Window, 230, 10, 510, 380, "", Font::Default},
    {ui::SourceField, Kind::TextField, On::PackPage, 18, 38, 340, 30, "", Font::Bold},
    {ui::SourceBrowseButton, Kind::ImageButton, On::PackPage, 368, 38, 30, 30, "", Font::None},
    {ui::SourceFrame, Kind::GroupBox, On::PackPage, 8, 18, 400, 70,
     "Zu Packende Dateien  ausw\xE4hlen:", Font::Default},
    {ui::ArchiveField, Kind::TextField, On::PackPage, 18, 178, 340, 30, "", Font::Bold},
    {ui::ArchiveBrowseButton, Kind::ImageButton, On::PackPage, 368, 178, 30, 30, "", Font::None},
    {ui::ArchiveFrame, Kind::GroupBox, On::PackPage, 8, 158, 400, 70,
     "Ausgabepfad f\xFCr das Archiv:", Font::Default},
    {ui::ZipCheckBox, Kind::CheckBox, On::PackPage, 18, 118, 50, 20, "ZIP", Font::Bold},
    {ui::FormatFrame, Kind::GroupBox, On::PackPage, 8, 98, 400, 50,
     "Ausgabeformat:", Font::Default},
    {ui::FileProgressBar, Kind::ProgressBar, On::PackPage, 18, 258, 370, 30, "", Font::None, 0,
     100},
    {ui::PackStatusFrame, Kind::GroupBox, On::PackPage, 8, 238, 400, 110,
     "Status des Packens der aktuellen Datei:", Font::Default},
    {ui::PackButton, Kind::PushButton, On::PackPage, 418, 318, 80, 30, "Packen", Font::Bold},
    {ui::PasswordButton, Kind::PushButton, On::PackPage, 418, 148, 80, 40, "Passwort", Font::Bold},
    {ui::TotalProgressBar, Kind::ProgressBar, On::PackPage, 18, 308, 370, 30, "", Font::None, 0,
     10},
    {ui::TotalLabel, Kind::TextLabel, On::PackPage, 18, 288, 60, 20, "Gesamt:", Font::Default},
    {ui::CurrentFileLabel, Kind::TextLabel, On::PackPage, 168, 288, 220, 20,
     "Aktuelle Datei: ", Font::Default},
    {ui::UnpackArchiveField, Kind::TextField, On::UnpackPage, 18, 48, 340, 30, "", Font::Bold},
    {ui::UnpackArchiveFrame, Kind::GroupBox, On::UnpackPage, 8, 28, 400, 70,
     "Zu entpackende Datei:", Font::Default},
    {ui::UnpackBrowseButton, Kind::ImageButton, On::UnpackPage, 368, 48, 30, 30, "", Font::None},
    {ui::DestinationField, Kind::TextField, On::UnpackPage, 18, 128, 340, 30, "", Font::Bold},
    {ui::DestinationFrame, Kind::GroupBox, On::UnpackPage, 8, 108, 400, 70,
     "Ausgabepfad f\xFCr die entpackten Dateien:", Font::Default},
    {ui::DestinationBrowseButton, Kind::ImageButton, On::UnpackPage, 368, 128, 30, 30, "",
     Font::None},
    {ui::UnpackProgressBar, Kind::ProgressBar, On::UnpackPage, 18, 208, 370, 30, "", Font::None, 0,
     100},
    {ui::UnpackStatusFrame, Kind::GroupBox, On::UnpackPage, 8, 188, 400, 60,
     "Status des Entpackens", Font::Default},
    {ui::UnpackButton, Kind::PushButton, On::UnpackPage, 368, 308, 130, 40, "Entpacken",
     Font::Bold},
};

const Expected kPasswordDialog[] = {
    {ui::ConfirmField, Kind::TextField, On::Window, 30, 120, 290, 30, "", Font::Bold},
    {ui::PasswordFrame, Kind::GroupBox, On::Window, 10, 10, 320, 60,
     "Bitte geben Sie das Passwort ein:", Font::Default},
    {ui::PasswordField, Kind::TextField, On::Window, 30, 30, 290, 30, "", Font::Bold},
    {ui::ConfirmFrame, Kind::GroupBox, On::Window, 10, 100, 330, 60,
     "Bitte best\xE4tigen Sie das Passwort:", Font::Default},
    {ui::DoneButton, Kind::PushButton, On::Window, 240, 180, 130, 40, "Fertig", Font::Bold},
    {ui::AbortButton, Kind::PushButton, On::Window, 10, 180, 130, 40, "Abbruch", Font::Bold},
};

class Layout : public ::testing::Test {
  protected:
    void SetUp() override {
        hl::Reset();
        ui::Ui() = ui::UiState{};
        ui::Ui().boldFont = ui::CreateBoldFont();
        ui::LoadPictures();
    }

    // Checks every control against the table, and that no other control exists.
    void ExpectControls(int window, const Expected* begin, const Expected* end) {
        std::vector<int> order;
        for (const Expected* e = begin; e != end; ++e) {
            SCOPED_TRACE("control " + std::to_string(e->id));
            order.push_back(e->id);
            const hl::ControlState* c = hl::Control(e->id);
            ASSERT_NE(c, nullptr);
            EXPECT_EQ(c->kind, e->kind);
            EXPECT_EQ(c->window, window);
            if (e->on == On::Window) {
                EXPECT_EQ(c->tabControl, -1);
            } else {
                EXPECT_EQ(c->tabControl, ui::TabPanel);
                EXPECT_EQ(c->page, e->on == On::PackPage ? 0 : 1);
            }
            EXPECT_EQ(c->x, e->x);
            EXPECT_EQ(c->y, e->y);
            EXPECT_EQ(c->width, e->w);
            EXPECT_EQ(c->height, e->h);
            EXPECT_EQ(c->text, e->text);
            EXPECT_EQ(c->font, e->font == Font::Bold ? ui::Ui().boldFont : 0);
            // FieldBackground on the text fields, and on nothing else.
            EXPECT_EQ(c->hasBackground, e->kind == Kind::TextField);
            if (e->kind == Kind::TextField) {
                EXPECT_EQ(c->background, 0xFFFEE9u);
                EXPECT_EQ(c->masked, window == ui::PasswordDialog);
            }
            if (e->kind == Kind::ProgressBar) {
                EXPECT_EQ(c->minimum, e->minimum);
                EXPECT_EQ(c->maximum, e->maximum);
                EXPECT_EQ(c->position, 0);
            }
            if (e->kind == Kind::ImageButton || e->kind == Kind::ImageControl) {
                EXPECT_NE(c->image, 0);
            }
            if (e->kind == Kind::CheckBox) {
                EXPECT_EQ(c->state, 0);
            }
        }
        EXPECT_EQ(hl::ControlOrder(), order);
    }
};

TEST_F(Layout, MainWindowHasEveryControlOfItsTable) {
    ASSERT_EQ(ui::BuildMainWindow(), 0);
    const hl::WindowState* w = hl::Window(ui::MainWindow);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->open);
    EXPECT_EQ(w->x, 108);
    EXPECT_EQ(w->y, 209);
    EXPECT_EQ(w->width, 748);
    EXPECT_EQ(w->height, 433);
    EXPECT_EQ(w->title, "Zelvanto");
    EXPECT_EQ(w->style, tk::StyleCaption | tk::StyleSystemMenu | tk::StyleMinimizeBox);
    ExpectControls(ui::MainWindow, std::begin(kMainWindow), std::end(kMainWindow));

    const hl::ControlState* tabs = hl::Control(ui::TabPanel);
    EXPECT_EQ(tabs->tabs, (std::vector<std::string>{"Packen", "Entpacken"}));
    EXPECT_EQ(tabs->selected, 0);
    EXPECT_TRUE(hl::IsShown(ui::PackButton));
    EXPECT_FALSE(hl::IsShown(ui::UnpackButton));

    // BoldFont is Arial, 12 points, bold.
    const hl::FontState* bold = hl::Font(ui::Ui().boldFont);
    ASSERT_NE(bold, nullptr);
    EXPECT_EQ(bold->typeface, "Arial");
    EXPECT_EQ(bold->points, 12);
    EXPECT_TRUE(bold->bold);
    // The browse buttons share the decoded 23 x 23 picture.
    const hl::ImageState* browse = hl::Image(hl::Control(ui::SourceBrowseButton)->image);
    ASSERT_NE(browse, nullptr);
    EXPECT_EQ(browse->width, 23);
    EXPECT_EQ(browse->height, 23);
}

TEST_F(Layout, PasswordDialogHasItsSixControls) {
    ASSERT_EQ(ui::BuildPasswordDialog(), 0);
    const hl::WindowState* w = hl::Window(ui::PasswordDialog);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->x, 299);
    EXPECT_EQ(w->y, 194);
    EXPECT_EQ(w->width, 383);
    EXPECT_EQ(w->height, 226);
    EXPECT_EQ(w->title, "Passwort zum Archiv hinzuf\xFCgen");
    EXPECT_EQ(w->style, tk::StyleCaption);
    ExpectControls(ui::PasswordDialog, std::begin(kPasswordDialog), std::end(kPasswordDialog));
}

TEST_F(Layout, SwitchingTabsChangesOnlyTheShownPage) {
    ui::BuildMainWindow();
    auto snapshot = [] {
        std::vector<hl::ControlState> all;
        for (int id : hl::ControlOrder())
            if (id != ui::TabPanel) all.push_back(*hl::Control(id));
        return all;
    };
    auto before = snapshot();
    hl::SelectTab(ui::TabPanel, 1);
    tk::WaitEvent();
    EXPECT_EQ(tk::EventControl(), ui::TabPanel);
    EXPECT_EQ(tk::EventSubtype(), tk::SubtypeTabChange);
    EXPECT_TRUE(hl::IsShown(ui::UnpackButton));
    EXPECT_FALSE(hl::IsShown(ui::PackButton));
    hl::SelectTab(ui::TabPanel, 0);
    tk::WaitEvent();
    EXPECT_TRUE(hl::IsShown(ui::PackButton));
    auto after = snapshot();
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].text, before[i].text);
        EXPECT_EQ(after[i].state, before[i].state);
        EXPECT_EQ(after[i].position, before[i].position);
    }
}

// Pictures that could not be decoded leave their controls empty; the rest is unchanged.
TEST_F(Layout, WindowIsBuiltWithoutPicturesOrBoldFont) {
    ui::Ui().bannerImage = ui::Ui().browseImage = 0;
    ui::Ui().boldFont = 0;
    ui::BuildMainWindow();
    const hl::ControlState* banner = hl::Control(ui::BannerView);
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->image, 0);
    EXPECT_EQ(banner->width, 197); // keeps the requested size without a picture
    EXPECT_EQ(banner->height, 480);
    EXPECT_EQ(hl::Control(ui::SourceBrowseButton)->image, 0);
    EXPECT_EQ(hl::Control(ui::QuitButton)->font, 0); // the default font instead
    EXPECT_EQ(hl::ControlOrder().size(), std::size(kMainWindow));
}

TEST_F(Layout, NoControlsWhenTheWindowCannotBeCreated) {
    // The window number is taken: the toolkit refuses a second window of that number.
    ASSERT_TRUE(tk::OpenWindow(ui::MainWindow, 0, 0, 10, 10, "x", 0));
    size_t before = hl::ControlOrder().size();
    EXPECT_EQ(ui::BuildMainWindow(), 0);
    EXPECT_EQ(hl::ControlOrder().size(), before);
}

// Every text in its cp1252 bytes shows as the intended German text.
TEST(Texts, EscapedTextsReadAsIntended) {
    namespace t = ui::texts;
    struct Case {
        const char* cp1252;
        const char* utf8;
    } cases[] = {
        {t::SourceFrame, "Zu Packende Dateien  ausw\u00e4hlen:"},
        {t::ArchiveFrame, "Ausgabepfad f\u00fcr das Archiv:"},
        {t::DestinationFrame, "Ausgabepfad f\u00fcr die entpackten Dateien:"},
        {t::ChooseFilesTitle, "Bitte w\u00e4hlen Sie die Datei/n aus:"},
        {t::NoOutputFormat, "Error, Sie haben kein Ausgabeformat gew\u00e4hlt"},
        {t::ChooseArchiveTitle,
         "Bitte w\u00e4hlen Sie aus wo Sie die Datei speichern m\u00f6chten:"},
        {t::FormatNotChosen, "Error, Sie haben das Format nicht ausgew\u00e4hlt"},
        {t::ChooseUnpackArchiveTitle, "Biite w\u00e4hlen Sie das zue entpackende Archiv aus"},
        {t::PasswordTitle, "Passwort zum Archiv hinzuf\u00fcgen"},
        {t::ConfirmFrame, "Bitte best\u00e4tigen Sie das Passwort:"},
        {t::PasswordMismatch,
         "Error, die angegebenden Passw\u00f6rter stimmen nicht \u00fcberein!"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text::Cp1252ToUtf8(c.cp1252), c.utf8);
}

} // namespace
