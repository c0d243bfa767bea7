// The FLTK backend of the toolkit seam: real X11 windows drawn by FLTK 1.3.
//
// Every text is cp1252 on the program's side and UTF-8 on FLTK's. Unmasked text fields
// show paths in host form and read them back into program form. Widget coordinates are
// kept relative to their parent (window client area or tab page) on the program's side;
// FLTK wants them relative to the window, so the page's offset is added here.
#include "platform/toolkit.h"

#include "platform/event_queue.h"
#include "platform/text.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Secret_Input.H>
#include <FL/Fl_Tabs.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace tk {
namespace {

// --- Display, resolution, default font -------------------------------------------------

int Dispatch(int event, Fl_Window* window);

bool DisplayReady() {
    static const bool ready = [] {
        if (!fl_display) {
            Display* display = XOpenDisplay(nullptr);
            if (!display) return false;
            fl_open_display(display);
        }
        Fl::background(240, 240, 240); // the button-face colour of the program's windows
        Fl::visible_focus(1);
        Fl::event_dispatch(Dispatch);
        return true;
    }();
    return ready;
}

// The screen's logical resolution in dots per inch (96 when the screen gives no sensible
// value, as virtual screens sometimes do).
double ScreenDpi() {
    float h = 0, v = 0;
    if (DisplayReady()) Fl::screen_dpi(h, v, 0);
    return (v >= 50 && v <= 400) ? v : 96.0;
}

int PointsToPixels(int points) {
    return int(std::lround(points * ScreenDpi() / 72.0));
}

// The default GUI font: a sans-serif face at 8 points.
constexpr Fl_Font kGuiFace = FL_HELVETICA;
int GuiSize() {
    static const int size = PointsToPixels(8);
    return size;
}

// Height of a row of tab headers in the default GUI font.
int TabHeaderHeight() {
    return GuiSize() + 8;
}

std::string ToUtf8(const std::string& cp1252) {
    return text::Cp1252ToUtf8(cp1252);
}
std::string FromUtf8(const char* utf8) {
    return text::Utf8ToCp1252Lossy(utf8 ? utf8 : "");
}

// --- Records -------------------------------------------------------------------------

struct FontRec {
    Fl_Font face;
    int size;
};

struct ControlRec {
    Kind kind;
    int window;
    Fl_Widget* widget;
    bool masked = false;
    std::vector<Fl_Group*> pages; // tab control
};

class ProgramWindow;

struct State {
    std::map<int, ProgramWindow*> windows;
    std::map<int, ControlRec> controls;
    std::map<FontId, FontRec> fonts;
    std::map<ImageId, std::unique_ptr<Fl_RGB_Image>> images;
    std::vector<std::unique_ptr<char[]>> fontNames; // FLTK keeps the pointers
    FontId nextFont = 1;
    ImageId nextImage = 1;
    int fontSlots = 0;
    std::unique_ptr<Fl_RGB_Image> icon;
    int currentWindow = -1;
    Fl_Group* parent = nullptr;         // where the next control goes
    int offsetX = 0, offsetY = 0;       // of that parent within the window
    std::vector<std::string> selection; // the rest of a multiple file selection
    std::vector<int> order;             // control ids in creation order (focus order)
};

State& S() {
    static State state;
    return state;
}

void Report(int window, int control, int subtype) {
    events::Post(events::Event{ControlEvent, window, control, subtype});
}

// --- Widgets -------------------------------------------------------------------------

class ProgramWindow : public Fl_Double_Window {
  public:
    ProgramWindow(int number, int x, int y, int w, int h)
        : Fl_Double_Window(x, y, w, h), number_(number) {
        callback(OnClose, this);
    }
    int number() const { return number_; }

  private:
    // A close request (close box, Alt+F4, the window manager) only makes an event; the
    // window stays. FLTK also treats Escape as a close request, which the program's
    // windows do not know.
    static void OnClose(Fl_Widget*, void* self) {
        if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
        events::Post(
            events::Event{CloseEvent, static_cast<ProgramWindow*>(self)->number_, 0, SubtypeNone});
    }
    int number_;
};

// Something that knows which control it is.
struct Identity {
    int window = 0;
    int id = 0;
};

void ReportClick(Fl_Widget*, void* data) {
    auto* who = static_cast<Identity*>(data);
    Report(who->window, who->id, SubtypeClick);
}

// A text field: reports every change of its text and every gain and loss of focus.
template <class Base> class Field : public Base {
  public:
    Field(int x, int y, int w, int h, Identity who) : Base(x, y, w, h), who_(who) {
        this->box(FL_DOWN_BOX);
        this->when(FL_WHEN_CHANGED);
        this->callback(OnChange, &who_);
    }
    int handle(int event) override {
        int result = Base::handle(event);
        if (event == FL_FOCUS) Report(who_.window, who_.id, SubtypeFocus);
        if (event == FL_UNFOCUS) Report(who_.window, who_.id, SubtypeLostFocus);
        return result;
    }

  private:
    static void OnChange(Fl_Widget*, void* data) {
        auto* who = static_cast<Identity*>(data);
        Report(who->window, who->id, SubtypeChange);
    }
    Identity who_;
};

// A push button showing a picture centred, one pixel right and down while pressed,
// greyed when disabled.
class PictureButton : public Fl_Button {
  public:
    PictureButton(int x, int y, int w, int h) : Fl_Button(x, y, w, h) {}
    void picture(Fl_RGB_Image* image) {
        picture_ = image;
        greyed_.reset();
        if (image) {
            greyed_.reset(static_cast<Fl_RGB_Image*>(image->copy()));
            greyed_->inactive();
        }
        redraw();
    }

  protected:
    void draw() override {
        draw_box(value() ? down_box() : box(), color());
        Fl_RGB_Image* image = active_r() ? picture_ : greyed_.get();
        if (image) {
            int shift = value() ? 1 : 0;
            image->draw(x() + (w() - image->w()) / 2 + shift, y() + (h() - image->h()) / 2 + shift);
        }
        draw_focus();
    }

  private:
    Fl_RGB_Image* picture_ = nullptr;
    std::unique_ptr<Fl_RGB_Image> greyed_;
};

// A frame with its caption in the top border. Draws no background, so the controls it
// surrounds stay visible whatever the order of creation.
class GroupFrame : public Fl_Box {
  public:
    GroupFrame(int x, int y, int w, int h) : Fl_Box(x, y, w, h) { box(FL_NO_BOX); }
    void caption(const std::string& utf8) {
        caption_ = utf8;
        redraw();
    }
    const std::string& caption() const { return caption_; }

  protected:
    void draw() override {
        fl_font(labelfont(), labelsize());
        int half = fl_height() / 2;
        fl_draw_box(FL_ENGRAVED_FRAME, x(), y() + half, w(), h() - half, color());
        if (caption_.empty()) return;
        int width = int(fl_width(caption_.c_str()));
        fl_color(parent() ? parent()->color() : color());
        fl_rectf(x() + 6, y(), width + 4, fl_height());
        fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
        fl_draw(caption_.c_str(), x() + 8, y() + fl_height() - fl_descent());
    }

  private:
    std::string caption_;
};

// A line of text, left-aligned, no border. Drawn as plain text: FLTK's label drawing
// would read "@" as the start of a symbol, and a file name may begin with one.
class TextLine : public Fl_Box {
  public:
    TextLine(int x, int y, int w, int h) : Fl_Box(x, y, w, h) { box(FL_NO_BOX); }
    void line(const std::string& utf8) {
        line_ = utf8;
        redraw();
    }
    const std::string& line() const { return line_; }

  protected:
    void draw() override {
        fl_push_clip(x(), y(), w(), h());
        fl_color(parent() ? parent()->color() : color());
        fl_rectf(x(), y(), w(), h());
        fl_font(labelfont(), labelsize());
        fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
        fl_draw(line_.c_str(), x(), y() + (h() + fl_height()) / 2 - fl_descent());
        fl_pop_clip();
    }

  private:
    std::string line_;
};

// Shows a picture at its own size and reports clicks.
class PictureView : public Fl_Box {
  public:
    PictureView(int x, int y, int w, int h, Identity who) : Fl_Box(x, y, w, h), who_(who) {
        box(FL_NO_BOX);
        align(FL_ALIGN_INSIDE | FL_ALIGN_TOP_LEFT);
    }
    int handle(int event) override {
        if (event == FL_PUSH) {
            Report(who_.window, who_.id, SubtypeClick);
            return 1;
        }
        return Fl_Box::handle(event);
    }

  protected:
    // Drawn at the corner itself: FLTK's label drawing would inset it by 3 pixels.
    void draw() override {
        if (image()) image()->draw(x(), y());
    }

  private:
    Identity who_;
};

// Identities live as long as the program: widgets keep pointers to them.
Identity* Remember(int window, int id) {
    static std::vector<std::unique_ptr<Identity>> all;
    all.push_back(std::make_unique<Identity>(Identity{window, id}));
    return all.back().get();
}

void OnTabChange(Fl_Widget*, void* data) {
    auto* who = static_cast<Identity*>(data);
    Report(who->window, who->id, SubtypeTabChange);
}

ControlRec* Find(int id) {
    auto it = S().controls.find(id);
    return it == S().controls.end() ? nullptr : &it->second;
}

void StyleText(Fl_Widget* w) {
    w->labelfont(kGuiFace);
    w->labelsize(GuiSize());
}

// Adds a freshly made widget to the current parent, at the parent's offset.
template <class W, class... Args>
W* Place(int id, Kind kind, int x, int y, int w, int h, Args&&... args) {
    auto& s = S();
    Fl_Group::current(nullptr);
    auto* widget = new W(x + s.offsetX, y + s.offsetY, w, h, std::forward<Args>(args)...);
    StyleText(widget);
    s.parent->add(widget);
    s.controls[id] = ControlRec{kind, s.currentWindow, widget, false, {}};
    s.order.push_back(id);
    widget->redraw();
    return widget;
}

bool CanCreate(int id) {
    auto& s = S();
    return s.parent && s.currentWindow >= 0 && !s.controls.count(id);
}

Fl_RGB_Image* ImageOf(ImageId image) {
    auto it = S().images.find(image);
    return it == S().images.end() ? nullptr : it->second.get();
}

// Window-manager hints for the styles: which decorations and functions a window has.
void ApplyStyle(ProgramWindow* window, unsigned style) {
    struct {
        unsigned long flags, functions, decorations;
        long inputMode;
        unsigned long status;
    } hints{};
    constexpr unsigned long kFunctions = 1, kDecorations = 2;
    constexpr unsigned long kFuncMove = 4, kFuncMinimize = 8, kFuncClose = 32;
    constexpr unsigned long kDecorBorder = 2, kDecorTitle = 8, kDecorMenu = 16, kDecorMinimize = 32;
    hints.flags = kFunctions | kDecorations;
    hints.functions = kFuncMove;
    hints.decorations = kDecorBorder;
    if (style & StyleCaption) hints.decorations |= kDecorTitle;
    if (style & StyleSystemMenu) hints.functions |= kFuncClose, hints.decorations |= kDecorMenu;
    if (style & StyleMinimizeBox)
        hints.functions |= kFuncMinimize, hints.decorations |= kDecorMinimize;
    Atom atom = XInternAtom(fl_display, "_MOTIF_WM_HINTS", False);
    XChangeProperty(fl_display, fl_xid(window), atom, atom, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&hints), 5);
    XFlush(fl_display);
}

bool TakesFocus(const ControlRec& c) {
    switch (c.kind) {
    case Kind::PushButton:
    case Kind::ImageButton:
    case Kind::TextField:
    case Kind::CheckBox:
        return c.widget->visible_r() && c.widget->active_r();
    // An FLTK tab control hands the focus on to its page at once; in the ring it would
    // catch Shift+Tab and send the focus forward again.
    default:
        return false;
    }
}

// Tab and Shift+Tab move through the window's controls in creation order, across tab
// pages, skipping what is hidden or disabled. FLTK's own navigation would keep the focus
// inside the innermost group (one tab page).
bool MoveFocus(Fl_Window* window, int step) {
    auto& s = S();
    int number = -1;
    for (const auto& [n, w] : s.windows)
        if (w == window) number = n;
    if (number < 0) return false;
    std::vector<Fl_Widget*> ring;
    for (int id : s.order) {
        auto it = s.controls.find(id);
        if (it != s.controls.end() && it->second.window == number && TakesFocus(it->second))
            ring.push_back(it->second.widget);
    }
    if (ring.empty()) return false;
    int at = -1;
    for (size_t i = 0; i < ring.size() && at < 0; ++i)
        if (ring[i] == Fl::focus()) at = int(i);
    for (size_t i = 0; i < ring.size() && at < 0; ++i)
        if (Fl::focus() && ring[i]->contains(Fl::focus())) at = int(i); // inside a control
    int n = int(ring.size());
    int next = at < 0 ? (step > 0 ? 0 : n - 1) : ((at + step) % n + n) % n;
    ring[size_t(next)]->take_focus();
    return true;
}

int Dispatch(int event, Fl_Window* window) {
    if (event == FL_KEYBOARD && Fl::event_key() == FL_Tab &&
        !(Fl::event_state() & (FL_CTRL | FL_ALT | FL_META)) &&
        MoveFocus(window, (Fl::event_state() & FL_SHIFT) ? -1 : 1))
        return 1;
    return Fl::handle_(event, window);
}

} // namespace

// --- Resources ------------------------------------------------------------------------
FontId LoadFont(const std::string& typeface, int points, bool bold) {
    if (typeface.empty() || points <= 0 || !DisplayReady()) return 0;
    auto& s = S();
    // FLTK's Xft names start with an attribute letter (' ' plain, 'B' bold); fontconfig
    // resolves the family, mapping Arial to a metric-compatible face where it is missing.
    std::string name = std::string(bold ? "B" : " ") + ToUtf8(typeface);
    auto stored = std::make_unique<char[]>(name.size() + 1);
    std::memcpy(stored.get(), name.c_str(), name.size() + 1);
    Fl_Font face = Fl_Font(FL_FREE_FONT + s.fontSlots++);
    Fl::set_font(face, stored.get());
    s.fontNames.push_back(std::move(stored));
    FontId id = s.nextFont++;
    s.fonts[id] = FontRec{face, PointsToPixels(points)};
    return id;
}

void FreeFont(FontId font) {
    S().fonts.erase(font);
}

ImageId CreateImage(int width, int height, const unsigned char* rgb) {
    if (width <= 0 || height <= 0 || !rgb) return 0;
    auto* pixels = new uchar[size_t(width) * height * 3];
    std::memcpy(pixels, rgb, size_t(width) * height * 3);
    auto image = std::make_unique<Fl_RGB_Image>(pixels, width, height, 3);
    image->alloc_array = 1;
    ImageId id = S().nextImage++;
    S().images[id] = std::move(image);
    return id;
}

void FreeImage(ImageId image) {
    S().images.erase(image);
}

void SetProgramIcon(int width, int height, const unsigned char* rgba) {
    if (width <= 0 || height <= 0 || !rgba) return;
    auto* pixels = new uchar[size_t(width) * height * 4];
    std::memcpy(pixels, rgba, size_t(width) * height * 4);
    S().icon = std::make_unique<Fl_RGB_Image>(pixels, width, height, 4);
    S().icon->alloc_array = 1;
    Fl_Window::default_icon(S().icon.get());
}

// --- Windows --------------------------------------------------------------------------
bool OpenWindow(int window, int x, int y, int width, int height, const std::string& title,
                unsigned style) {
    auto& s = S();
    if (s.windows.count(window) || !DisplayReady()) return false;
    Fl_Group::current(nullptr);
    auto* w = new ProgramWindow(window, x, y, width, height);
    w->end();
    w->copy_label(ToUtf8(title).c_str());
    w->size_range(width, height, width, height); // neither resizable nor maximisable
    s.windows[window] = w;
    s.currentWindow = window;
    s.parent = w;
    s.offsetX = s.offsetY = 0;
    w->show();
    ApplyStyle(w, style);
    return true;
}

void CloseWindow(int window) {
    auto& s = S();
    auto it = s.windows.find(window);
    if (it == s.windows.end()) return;
    ProgramWindow* w = it->second;
    s.windows.erase(it);
    std::erase_if(s.order, [&](int id) { return s.controls.at(id).window == window; });
    std::erase_if(s.controls, [&](const auto& entry) { return entry.second.window == window; });
    if (s.currentWindow == window) {
        s.currentWindow = -1;
        s.parent = nullptr;
    }
    w->hide();
    delete w;
}

bool IsWindowOpen(int window) {
    return S().windows.count(window) != 0;
}

// --- Controls -------------------------------------------------------------------------
bool CreateButton(int id, int x, int y, int w, int h, const std::string& text) {
    if (!CanCreate(id)) return false;
    auto* b = Place<Fl_Button>(id, Kind::PushButton, x, y, w, h);
    b->copy_label(ToUtf8(text).c_str());
    b->callback(ReportClick, Remember(S().currentWindow, id));
    return true;
}

bool CreateImageButton(int id, int x, int y, int w, int h, ImageId image) {
    if (!CanCreate(id)) return false;
    auto* b = Place<PictureButton>(id, Kind::ImageButton, x, y, w, h);
    b->picture(ImageOf(image));
    b->callback(ReportClick, Remember(S().currentWindow, id));
    return true;
}

bool CreateTextField(int id, int x, int y, int w, int h, const std::string& text, bool masked) {
    if (!CanCreate(id)) return false;
    Identity who{S().currentWindow, id};
    Fl_Input* field =
        masked
            ? static_cast<Fl_Input*>(
                  Place<Field<Fl_Secret_Input>>(id, Kind::TextField, x, y, w, h, who))
            : static_cast<Fl_Input*>(Place<Field<Fl_Input>>(id, Kind::TextField, x, y, w, h, who));
    field->textfont(kGuiFace);
    field->textsize(GuiSize());
    field->value((masked ? ToUtf8(text) : text::ToHostPath(text)).c_str());
    S().controls[id].masked = masked;
    return true;
}

bool CreateGroupBox(int id, int x, int y, int w, int h, const std::string& caption) {
    if (!CanCreate(id)) return false;
    Place<GroupFrame>(id, Kind::GroupBox, x, y, w, h)->caption(ToUtf8(caption));
    return true;
}

bool CreateTextLabel(int id, int x, int y, int w, int h, const std::string& text) {
    if (!CanCreate(id)) return false;
    Place<TextLine>(id, Kind::TextLabel, x, y, w, h)->line(ToUtf8(text));
    return true;
}

bool CreateCheckBox(int id, int x, int y, int w, int h, const std::string& text) {
    if (!CanCreate(id)) return false;
    auto* box = Place<Fl_Check_Button>(id, Kind::CheckBox, x, y, w, h);
    box->copy_label(ToUtf8(text).c_str());
    box->when(FL_WHEN_RELEASE_ALWAYS); // every click reports, as it toggles
    box->callback(ReportClick, Remember(S().currentWindow, id));
    return true;
}

bool CreateProgressBar(int id, int x, int y, int w, int h, int minimum, int maximum) {
    if (!CanCreate(id)) return false;
    auto* bar = Place<Fl_Progress>(id, Kind::ProgressBar, x, y, w, h);
    bar->box(FL_DOWN_BOX);
    bar->color(FL_WHITE);
    bar->selection_color(fl_rgb_color(6, 176, 37));
    bar->minimum(float(minimum));
    bar->maximum(float(maximum));
    bar->value(float(minimum));
    return true;
}

bool CreateImageControl(int id, int x, int y, int w, int h, ImageId image) {
    if (!CanCreate(id)) return false;
    auto* view =
        Place<PictureView>(id, Kind::ImageControl, x, y, w, h, Identity{S().currentWindow, id});
    if (Fl_RGB_Image* picture = ImageOf(image)) {
        view->image(picture);
        view->size(picture->w(), picture->h()); // the control takes the picture's size
    }
    return true;
}

bool CreateTabControl(int id, int x, int y, int w, int h) {
    if (!CanCreate(id)) return false;
    auto* tabs = Place<Fl_Tabs>(id, Kind::TabControl, x, y, w, h);
    tabs->end();
    tabs->when(FL_WHEN_CHANGED);
    tabs->callback(OnTabChange, Remember(S().currentWindow, id));
    return true;
}

bool AddTab(int tabControl, const std::string& text) {
    auto* rec = Find(tabControl);
    if (!rec || rec->kind != Kind::TabControl) return false;
    auto* tabs = static_cast<Fl_Tabs*>(rec->widget);
    // The page: 2 pixels in from the left, below the header row, 4 pixels narrower than
    // the tab control and H + 6 pixels lower, where H is the header row's height.
    const int header = TabHeaderHeight();
    Fl_Group::current(nullptr);
    auto* page =
        new Fl_Group(tabs->x() + 2, tabs->y() + header + 4, tabs->w() - 4, tabs->h() - header - 6);
    page->end();
    page->copy_label(ToUtf8(text).c_str());
    StyleText(page);
    tabs->add(page);
    if (rec->pages.empty())
        tabs->value(page); // the first tab stays selected
    else
        page->hide();
    rec->pages.push_back(page);
    auto& s = S();
    s.parent = page;
    s.offsetX = page->x();
    s.offsetY = page->y();
    return true;
}

void EndTabs() {
    auto& s = S();
    auto it = s.windows.find(s.currentWindow);
    if (it == s.windows.end()) return;
    s.parent = it->second;
    s.offsetX = s.offsetY = 0;
}

void SetFont(int id, FontId font) {
    auto* rec = Find(id);
    auto it = S().fonts.find(font);
    if (!rec) return;
    Fl_Font face = it == S().fonts.end() ? kGuiFace : it->second.face;
    int size = it == S().fonts.end() ? GuiSize() : it->second.size;
    rec->widget->labelfont(face);
    rec->widget->labelsize(size);
    if (rec->kind == Kind::TextField) {
        auto* field = static_cast<Fl_Input*>(rec->widget);
        field->textfont(face);
        field->textsize(size);
    }
    rec->widget->redraw();
}

void SetBackground(int id, std::uint32_t rgb) {
    auto* rec = Find(id);
    if (!rec) return;
    rec->widget->color(fl_rgb_color(uchar(rgb >> 16), uchar(rgb >> 8), uchar(rgb)));
    rec->widget->redraw();
}

std::string GetText(int id) {
    auto* rec = Find(id);
    if (!rec) return {};
    switch (rec->kind) {
    case Kind::TextField: {
        const char* value = static_cast<Fl_Input*>(rec->widget)->value();
        if (rec->masked) return FromUtf8(value);
        std::string path;
        if (text::ToProgramPath(value ? value : "", path)) return path;
        // No program form: keep what can be kept; "?" names no file on the program's side.
        path = FromUtf8(value);
        for (char& c : path)
            if (c == '/') c = '\\';
        return path;
    }
    case Kind::GroupBox:
        return FromUtf8(static_cast<GroupFrame*>(rec->widget)->caption().c_str());
    case Kind::TextLabel:
        return FromUtf8(static_cast<TextLine*>(rec->widget)->line().c_str());
    default:
        return FromUtf8(rec->widget->label());
    }
}

void SetText(int id, const std::string& text) {
    auto* rec = Find(id);
    if (!rec) return;
    switch (rec->kind) {
    case Kind::TextField:
        static_cast<Fl_Input*>(rec->widget)
            ->value((rec->masked ? ToUtf8(text) : text::ToHostPath(text)).c_str());
        events::TextReplaced(rec->window, id);
        break;
    case Kind::GroupBox:
        static_cast<GroupFrame*>(rec->widget)->caption(ToUtf8(text));
        break;
    case Kind::TextLabel:
        static_cast<TextLine*>(rec->widget)->line(ToUtf8(text));
        break;
    default:
        rec->widget->copy_label(ToUtf8(text).c_str());
        rec->widget->redraw();
    }
}

int GetState(int id) {
    auto* rec = Find(id);
    if (!rec || rec->kind != Kind::CheckBox) return 0;
    return static_cast<Fl_Check_Button*>(rec->widget)->value() ? 1 : 0;
}

void SetProgress(int id, int position) {
    auto* rec = Find(id);
    if (rec && rec->kind == Kind::ProgressBar)
        static_cast<Fl_Progress*>(rec->widget)->value(float(position));
}

void SetProgressMaximum(int id, int maximum) {
    auto* rec = Find(id);
    if (rec && rec->kind == Kind::ProgressBar)
        static_cast<Fl_Progress*>(rec->widget)->maximum(float(maximum));
}

// --- Events ---------------------------------------------------------------------------
int WaitEvent() {
    events::Event e;
    while (!events::Next(e)) {
        // With no window left nothing can ever report; end the way a close request would.
        if (S().windows.empty()) return events::Deliver(events::Event{CloseEvent, 0, 0, 0});
        Fl::wait();
    }
    return events::Deliver(e);
}

int PollEvent() {
    events::Event e;
    if (!events::Next(e)) {
        if (!S().windows.empty()) Fl::check();
        if (!events::Next(e)) return 0;
    }
    return events::Deliver(e);
}

// --- Choosers, messages, beep ---------------------------------------------------------
namespace {

// "Name|pattern|Name|pattern" -> FLTK's "Name\tpattern\n..."; "*.*" means every file.
std::string FilterForFltk(const std::string& filter) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= filter.size()) {
        size_t bar = filter.find('|', start);
        if (bar == std::string::npos) bar = filter.size();
        parts.push_back(filter.substr(start, bar - start));
        start = bar + 1;
    }
    std::string out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string pattern = parts[i + 1] == "*.*" ? "*" : parts[i + 1];
        if (!out.empty()) out += "\n";
        out += ToUtf8(parts[i]) + "\t" + ToUtf8(pattern);
    }
    return out;
}

// Splits the default path at its last "\" into the folder the chooser opens in and the
// proposed name.
void Preset(Fl_Native_File_Chooser& chooser, const std::string& defaultPath) {
    size_t cut = defaultPath.rfind('\\');
    std::string folder = cut == std::string::npos ? std::string() : defaultPath.substr(0, cut + 1);
    std::string name = cut == std::string::npos ? defaultPath : defaultPath.substr(cut + 1);
    if (!folder.empty()) chooser.directory(text::ToHostPath(folder).c_str());
    if (!name.empty() && name.find_first_of("<>:\"/|?*") == std::string::npos)
        chooser.preset_file(ToUtf8(name).c_str());
}

// Runs the chooser and gives the chosen paths in program form; empty on cancel, on a
// selection too long for the program's room (512,000 characters) and on a name that has
// no program form.
std::vector<std::string> RunChooser(Fl_Native_File_Chooser& chooser) {
    if (!DisplayReady() || chooser.show() != 0) return {};
    std::vector<std::string> paths;
    size_t room = 0;
    for (int i = 0; i < chooser.count(); ++i) {
        std::string path;
        if (!text::ToProgramPath(chooser.filename(i) ? chooser.filename(i) : "", path)) return {};
        room += path.size() + 1;
        if (room > 512000) return {};
        paths.push_back(path);
    }
    return paths;
}

} // namespace

std::string OpenFileRequester(const std::string& title, const std::string& defaultPath,
                              const std::string& filter, int preselected, bool multiple) {
    Fl_Native_File_Chooser chooser(multiple ? Fl_Native_File_Chooser::BROWSE_MULTI_FILE
                                            : Fl_Native_File_Chooser::BROWSE_FILE);
    chooser.title(ToUtf8(title).c_str());
    chooser.filter(FilterForFltk(filter).c_str());
    chooser.filter_value(preselected);
    Preset(chooser, defaultPath);
    auto paths = RunChooser(chooser);
    S().selection.clear();
    if (paths.empty()) return {};
    if (multiple) S().selection.assign(paths.begin() + 1, paths.end());
    return paths.front();
}

std::string NextSelectedFile() {
    auto& selection = S().selection;
    if (selection.empty()) return {};
    std::string next = selection.front();
    selection.erase(selection.begin());
    return next;
}

std::string SaveFileRequester(const std::string& title, const std::string& defaultPath,
                              const std::string& filter, int preselected) {
    Fl_Native_File_Chooser chooser(Fl_Native_File_Chooser::BROWSE_SAVE_FILE);
    chooser.options(Fl_Native_File_Chooser::NO_OPTIONS); // no extension, no overwrite question
    chooser.title(ToUtf8(title).c_str());
    chooser.filter(FilterForFltk(filter).c_str());
    chooser.filter_value(preselected);
    Preset(chooser, defaultPath);
    auto paths = RunChooser(chooser);
    return paths.empty() ? std::string() : paths.front();
}

std::string PathRequester(const std::string& prompt, const std::string& initialPath) {
    Fl_Native_File_Chooser chooser(Fl_Native_File_Chooser::BROWSE_DIRECTORY);
    chooser.title(ToUtf8(prompt).c_str());
    if (!initialPath.empty()) chooser.directory(text::ToHostPath(initialPath).c_str());
    auto paths = RunChooser(chooser);
    return paths.empty() ? std::string() : paths.front();
}

void ErrorMessage(const std::string& caption, const std::string& text) {
    if (!DisplayReady()) return;
    fl_message_title(ToUtf8(caption).c_str());
    fl_alert("%s", ToUtf8(text).c_str());
}

void Beep() {
    fl_beep(FL_BEEP_DEFAULT);
}

} // namespace tk
