// The FLTK backend of the toolkit seam on a real X display: conversions at the seam,
// placement on tab pages, the pending report of a replaced text, and close requests.
// Skipped when there is no display (./dev test provides one).
#include "platform/toolkit.h"

// GoogleTest first: Xlib's macros (None, Bool) would otherwise break its templates.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xlib.h>

#include <cstdlib>
#include <vector>

namespace {

class FltkBackend : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) GTEST_SKIP() << "no X display";
        ASSERT_TRUE(tk::OpenWindow(0, 108, 209, 748, 433, "Zelvanto", tk::StyleCaption));
        window_ = Fl::first_window();
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override {
        tk::CloseWindow(0);
        tk::CloseWindow(1);
    }

    // The FLTK widgets in creation order (depth first), pages and tab controls included.
    static void Collect(Fl_Group* group, std::vector<Fl_Widget*>& out) {
        for (int i = 0; i < group->children(); ++i) {
            out.push_back(group->child(i));
            if (auto* g = group->child(i)->as_group()) Collect(g, out);
        }
    }
    std::vector<Fl_Widget*> Widgets() {
        std::vector<Fl_Widget*> out;
        Collect(window_, out);
        return out;
    }
    Fl_Input* LastInput() {
        Fl_Input* found = nullptr;
        for (Fl_Widget* w : Widgets())
            if (auto* input = dynamic_cast<Fl_Input*>(w)) found = input;
        return found;
    }

    Fl_Window* window_ = nullptr;
};

TEST_F(FltkBackend, UnmaskedFieldsShowHostPathsAndGiveProgramPaths) {
    ASSERT_TRUE(tk::CreateTextField(3, 18, 38, 340, 30, "", false));
    tk::SetText(3, "\\home\\j\xFCrgen\\M\xE4rz \x80.zip");
    EXPECT_STREQ(LastInput()->value(), "/home/j\u00fcrgen/M\u00e4rz \u20ac.zip");
    EXPECT_EQ(tk::GetText(3), "\\home\\j\xFCrgen\\M\xE4rz \x80.zip");
    // What the user typed in host form comes back in program form.
    LastInput()->value("/tmp/\u00dcbung");
    EXPECT_EQ(tk::GetText(3), "\\tmp\\\xDC"
                              "bung");
}

TEST_F(FltkBackend, MaskedFieldsConvertOnlyTheCodePage) {
    ASSERT_TRUE(tk::CreateTextField(46, 30, 120, 290, 30, "", true));
    tk::SetText(46, "a\\b/\xE4");
    EXPECT_STREQ(LastInput()->value(), "a\\b/\u00e4");
    EXPECT_EQ(tk::GetText(46), "a\\b/\xE4");
}

TEST_F(FltkBackend, LabelsAndCaptionsKeepTheirCp1252Text) {
    ASSERT_TRUE(tk::CreateTextLabel(45, 168, 288, 220, 20, "Aktuelle Datei: "));
    ASSERT_TRUE(tk::CreateGroupBox(5, 8, 18, 400, 70, "Zu Packende Dateien  ausw\xE4hlen:"));
    ASSERT_TRUE(tk::CreateButton(0, 630, 392, 110, 40, "Beenden"));
    tk::SetText(45, "Datei: @\xE4.txt");
    EXPECT_EQ(tk::GetText(45), "Datei: @\xE4.txt");
    EXPECT_EQ(tk::GetText(5), "Zu Packende Dateien  ausw\xE4hlen:");
    EXPECT_EQ(tk::GetText(0), "Beenden");
}

TEST_F(FltkBackend, ControlsOnATabPageArePlacedRelativeToThePage) {
    ASSERT_TRUE(tk::CreateTabControl(1, 230, 10, 510, 380));
    ASSERT_TRUE(tk::AddTab(1, "Packen"));
    ASSERT_TRUE(tk::CreateButton(13, 418, 318, 80, 30, "Packen"));
    ASSERT_TRUE(tk::AddTab(1, "Entpacken"));
    ASSERT_TRUE(tk::CreateButton(22, 368, 308, 130, 40, "Entpacken"));
    tk::EndTabs();
    ASSERT_TRUE(tk::CreateButton(0, 630, 392, 110, 40, "Beenden"));

    std::vector<Fl_Widget*> pages, buttons;
    for (Fl_Widget* w : Widgets()) {
        if (w->as_group() && w->parent() != window_) pages.push_back(w);
        if (!w->as_group() && w->label()) buttons.push_back(w);
    }
    ASSERT_EQ(pages.size(), 2u);
    ASSERT_EQ(buttons.size(), 3u);
    const Fl_Widget* page = pages[0];
    // The page sits 2 pixels in, below the header row; 4 narrower, header + 6 lower.
    int header = page->y() - 10 - 4;
    EXPECT_GT(header, 0);
    EXPECT_EQ(page->x(), 232);
    EXPECT_EQ(page->w(), 506);
    EXPECT_EQ(page->h(), 380 - header - 6);
    EXPECT_EQ(buttons[0]->x(), 232 + 418);
    EXPECT_EQ(buttons[0]->y(), page->y() + 318);
    EXPECT_EQ(buttons[2]->x(), 630); // back on the window
    EXPECT_EQ(buttons[2]->y(), 392);
    // The first page is shown, the second hidden.
    EXPECT_TRUE(pages[0]->visible());
    EXPECT_FALSE(pages[1]->visible());
}

TEST_F(FltkBackend, ImageControlTakesThePicturesSize) {
    std::vector<unsigned char> rgb(217 * 435 * 3, 128);
    tk::ImageId image = tk::CreateImage(217, 435, rgb.data());
    ASSERT_NE(image, 0);
    ASSERT_TRUE(tk::CreateImageControl(2, 0, 0, 197, 480, image));
    Fl_Widget* view = Widgets().back();
    EXPECT_EQ(view->w(), 217);
    EXPECT_EQ(view->h(), 435);
    tk::CloseWindow(0);
    tk::FreeImage(image);
}

TEST_F(FltkBackend, ReplacedTextIsReportedOnceAsTheNextEvent) {
    ASSERT_TRUE(tk::CreateTextField(14, 18, 48, 340, 30, "", false));
    ASSERT_TRUE(tk::CreateTextField(17, 18, 128, 340, 30, "", false));
    tk::SetText(17, "");
    tk::SetText(14, "");
    while (Fl::check() && Fl::ready()) {
    }
    // Focus reports may be waiting as well; the replaced text is reported before them.
    std::string seen;
    for (int i = 0; i < 100 && tk::PollEvent() != 0; ++i)
        seen += std::to_string(tk::EventControl()) + ":" + std::to_string(tk::EventSubtype()) + " ";
    EXPECT_EQ(seen.substr(0, 5), "14:2 ") << seen;
    EXPECT_EQ(seen.find(":2 ", 5), std::string::npos) << "a change reported twice: " << seen;
}

TEST_F(FltkBackend, CloseRequestIsAnEventAndTheWindowStays) {
    Display* display = fl_display;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = fl_xid(window_);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, fl_xid(window_), False, NoEventMask, &event);
    XFlush(display);
    int kind = 0;
    for (int i = 0; i < 200 && kind != tk::CloseEvent; ++i) {
        Fl::wait(0.05);
        kind = tk::PollEvent();
    }
    ASSERT_EQ(kind, tk::CloseEvent);
    EXPECT_EQ(tk::EventWindow(), 0);
    EXPECT_TRUE(tk::IsWindowOpen(0));
    EXPECT_TRUE(window_->shown());
}

// Tab and Shift+Tab follow creation order across the tab pages, skipping what does not
// take focus (frames, labels, the tab control itself) and what is hidden (the other page).
TEST_F(FltkBackend, TabKeyFollowsCreationOrderAcrossPages) {
    ASSERT_TRUE(tk::CreateButton(0, 630, 392, 110, 40, "Beenden"));
    ASSERT_TRUE(tk::CreateTabControl(1, 230, 10, 510, 380));
    ASSERT_TRUE(tk::AddTab(1, "Packen"));
    ASSERT_TRUE(tk::CreateTextField(3, 18, 38, 340, 30, "", false));
    ASSERT_TRUE(tk::CreateGroupBox(5, 8, 18, 400, 70, "Rahmen"));
    ASSERT_TRUE(tk::CreateTextLabel(44, 18, 288, 60, 20, "Gesamt:"));
    ASSERT_TRUE(tk::CreateButton(13, 418, 318, 80, 30, "Packen"));
    ASSERT_TRUE(tk::AddTab(1, "Entpacken"));
    ASSERT_TRUE(tk::CreateTextField(14, 18, 48, 340, 30, "", false));
    tk::EndTabs();
    ASSERT_TRUE(tk::CreateCheckBox(9, 10, 10, 50, 20, "ZIP"));
    while (Fl::check() && Fl::ready()) {
    }

    std::vector<Fl_Widget*> all = Widgets();
    auto nameOf = [&](Fl_Widget* w) -> std::string {
        if (!w) return "none";
        if (dynamic_cast<Fl_Input*>(w)) return w->y() < 100 ? "field3" : "field14";
        return w->label() ? w->label() : (w->as_group() ? "tabs" : "?");
    };
    auto press = [&](bool shift) {
        Fl::e_keysym = FL_Tab;
        Fl::e_state = shift ? FL_SHIFT : 0;
        Fl::handle(FL_KEYBOARD, window_);
        return nameOf(Fl::focus());
    };
    Fl::focus(all[0]); // "Beenden"
    std::vector<std::string> forward, backward;
    for (int i = 0; i < 5; ++i)
        forward.push_back(press(false));
    EXPECT_EQ(forward, (std::vector<std::string>{"field3", "Packen", "ZIP", "Beenden", "field3"}));
    for (int i = 0; i < 3; ++i)
        backward.push_back(press(true));
    EXPECT_EQ(backward, (std::vector<std::string>{"Beenden", "ZIP", "Packen"}));
}

TEST_F(FltkBackend, WaitingWithoutWindowsEndsAsACloseRequest) {
    tk::CloseWindow(0);
    EXPECT_EQ(tk::WaitEvent(), tk::CloseEvent);
    EXPECT_EQ(tk::PollEvent(), 0);
}

} // namespace
