// The headless backend of the toolkit seam: windows and controls are records, events come
// from a script the test writes (toolkit_headless.h).
#include "platform/toolkit_headless.h"

#include "platform/event_queue.h"

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>

namespace tk {
namespace {

using headless::ControlState;
using headless::When;

// A scripted action, performed when it is taken; it yields the event it causes.
using Action = std::function<events::Event()>;

struct Model {
    std::map<int, headless::WindowState> windows;
    std::map<int, ControlState> controls;
    std::vector<int> order;
    std::map<FontId, headless::FontState> fonts;
    std::map<ImageId, headless::ImageState> images;
    int nextFont = 1, nextImage = 1;
    bool icon = false;
    int currentWindow = -1;
    int currentTabControl = -1, currentPage = -1;
    std::deque<Action> waiting, busy;
    bool exhausted = false;
    int exhaustedWaits = 0;
    std::deque<std::vector<std::string>> answers;
    std::vector<std::string> selection; // the rest of a multiple selection
    std::vector<headless::ChooserRequest> requests;
    std::vector<headless::MessageBoxShown> messages;
    int beeps = 0;
};

Model& M() {
    static Model model;
    return model;
}

[[noreturn]] void ScriptError(const char* what, int id) {
    std::fprintf(stderr, "headless toolkit: %s (%d)\n", what, id);
    std::abort();
}

ControlState& Existing(int id) {
    auto it = M().controls.find(id);
    if (it == M().controls.end()) ScriptError("the script names a control that does not exist", id);
    return it->second;
}

ControlState* Find(int id) {
    auto it = M().controls.find(id);
    return it == M().controls.end() ? nullptr : &it->second;
}

bool Create(int id, Kind kind, int x, int y, int w, int h, const std::string& text) {
    auto& m = M();
    if (m.currentWindow < 0 || !m.windows[m.currentWindow].open) return false;
    if (m.controls.count(id)) return false;
    ControlState c;
    c.id = id;
    c.kind = kind;
    c.window = m.currentWindow;
    c.tabControl = m.currentTabControl;
    c.page = m.currentPage;
    c.x = x, c.y = y, c.width = w, c.height = h;
    c.text = text;
    m.controls[id] = c;
    m.order.push_back(id);
    return true;
}

void Queue(When when, Action action) {
    (when == When::Busy ? M().busy : M().waiting).push_back(std::move(action));
}

events::Event ControlReport(int id, int subtype) {
    return events::Event{ControlEvent, Existing(id).window, id, subtype};
}

} // namespace

// --- Resources ------------------------------------------------------------------------
FontId LoadFont(const std::string& typeface, int points, bool bold) {
    if (typeface.empty() || points <= 0) return 0;
    FontId id = M().nextFont++;
    M().fonts[id] = headless::FontState{typeface, points, bold};
    return id;
}
void FreeFont(FontId font) {
    M().fonts.erase(font);
}

ImageId CreateImage(int width, int height, const unsigned char* rgb) {
    if (width <= 0 || height <= 0 || !rgb) return 0;
    ImageId id = M().nextImage++;
    M().images[id] = headless::ImageState{width, height};
    return id;
}
void FreeImage(ImageId image) {
    M().images.erase(image);
}

void SetProgramIcon(int width, int height, const unsigned char* rgba) {
    M().icon = width > 0 && height > 0 && rgba;
}

// --- Windows --------------------------------------------------------------------------
bool OpenWindow(int window, int x, int y, int width, int height, const std::string& title,
                unsigned style) {
    auto& w = M().windows[window];
    if (w.open) return false;
    int opened = w.timesOpened;
    w = headless::WindowState{window, x, y, width, height, title, style, true, opened + 1};
    M().currentWindow = window;
    M().currentTabControl = M().currentPage = -1;
    return true;
}

void CloseWindow(int window) {
    auto& m = M();
    auto it = m.windows.find(window);
    if (it == m.windows.end() || !it->second.open) return;
    it->second.open = false;
    std::erase_if(m.order, [&](int id) { return m.controls[id].window == window; });
    std::erase_if(m.controls, [&](const auto& entry) { return entry.second.window == window; });
    if (m.currentWindow == window) m.currentWindow = -1;
}

bool IsWindowOpen(int window) {
    auto it = M().windows.find(window);
    return it != M().windows.end() && it->second.open;
}

// --- Controls -------------------------------------------------------------------------
bool CreateButton(int id, int x, int y, int w, int h, const std::string& text) {
    return Create(id, Kind::PushButton, x, y, w, h, text);
}
bool CreateImageButton(int id, int x, int y, int w, int h, ImageId image) {
    if (!Create(id, Kind::ImageButton, x, y, w, h, "")) return false;
    Existing(id).image = image;
    return true;
}
bool CreateTextField(int id, int x, int y, int w, int h, const std::string& text, bool masked) {
    if (!Create(id, Kind::TextField, x, y, w, h, text)) return false;
    Existing(id).masked = masked;
    return true;
}
bool CreateGroupBox(int id, int x, int y, int w, int h, const std::string& caption) {
    return Create(id, Kind::GroupBox, x, y, w, h, caption);
}
bool CreateTextLabel(int id, int x, int y, int w, int h, const std::string& text) {
    return Create(id, Kind::TextLabel, x, y, w, h, text);
}
bool CreateCheckBox(int id, int x, int y, int w, int h, const std::string& text) {
    return Create(id, Kind::CheckBox, x, y, w, h, text);
}
bool CreateProgressBar(int id, int x, int y, int w, int h, int minimum, int maximum) {
    if (!Create(id, Kind::ProgressBar, x, y, w, h, "")) return false;
    auto& c = Existing(id);
    c.minimum = minimum, c.maximum = maximum, c.position = minimum;
    return true;
}
bool CreateImageControl(int id, int x, int y, int w, int h, ImageId image) {
    if (!Create(id, Kind::ImageControl, x, y, w, h, "")) return false;
    auto& c = Existing(id);
    c.image = image;
    if (const auto* picture = headless::Image(image)) {
        c.width = picture->width;
        c.height = picture->height;
    }
    return true;
}
bool CreateTabControl(int id, int x, int y, int w, int h) {
    return Create(id, Kind::TabControl, x, y, w, h, "");
}
bool AddTab(int tabControl, const std::string& text) {
    auto* c = Find(tabControl);
    if (!c || c->kind != Kind::TabControl) return false;
    c->tabs.push_back(text);
    if (c->selected < 0) c->selected = 0;
    M().currentTabControl = tabControl;
    M().currentPage = int(c->tabs.size()) - 1;
    return true;
}
void EndTabs() {
    M().currentTabControl = M().currentPage = -1;
}

void SetFont(int id, FontId font) {
    if (auto* c = Find(id)) c->font = font;
}
void SetBackground(int id, std::uint32_t rgb) {
    if (auto* c = Find(id)) c->hasBackground = true, c->background = rgb;
}

std::string GetText(int id) {
    auto* c = Find(id);
    return c ? c->text : std::string();
}
void SetText(int id, const std::string& text) {
    auto* c = Find(id);
    if (!c) return;
    c->text = text;
    if (c->kind == Kind::TextField) events::TextReplaced(c->window, id);
}
int GetState(int id) {
    auto* c = Find(id);
    return c && c->kind == Kind::CheckBox ? c->state : 0;
}
void SetProgress(int id, int position) {
    auto* c = Find(id);
    if (c && c->kind == Kind::ProgressBar) c->position = position;
}
void SetProgressMaximum(int id, int maximum) {
    auto* c = Find(id);
    if (c && c->kind == Kind::ProgressBar) c->maximum = maximum;
}

// --- Events ---------------------------------------------------------------------------
int WaitEvent() {
    auto& m = M();
    events::Event e;
    if (events::TakePending(e)) return events::Deliver(e);
    if (!m.waiting.empty()) {
        Action action = std::move(m.waiting.front());
        m.waiting.pop_front();
        return events::Deliver(action());
    }
    // The script is over: end the program the way a user closing the window would.
    m.exhausted = true;
    if (++m.exhaustedWaits > 1000) ScriptError("a loop keeps waiting after the script ended", 0);
    return events::Deliver(events::Event{CloseEvent, 0, 0, SubtypeNone});
}

int PollEvent() {
    auto& m = M();
    events::Event e;
    if (events::TakePending(e)) return events::Deliver(e);
    if (m.busy.empty()) return 0;
    Action action = std::move(m.busy.front());
    m.busy.pop_front();
    return events::Deliver(action());
}

// --- Choosers, messages, beep ---------------------------------------------------------
namespace {
std::vector<std::string> TakeAnswer() {
    auto& m = M();
    if (m.answers.empty()) return {};
    auto answer = std::move(m.answers.front());
    m.answers.pop_front();
    return answer;
}
} // namespace

std::string OpenFileRequester(const std::string& title, const std::string& defaultPath,
                              const std::string& filter, int preselected, bool multiple) {
    using Type = headless::ChooserRequest::Type;
    M().requests.push_back({Type::Open, title, defaultPath, filter, preselected, multiple});
    auto answer = TakeAnswer();
    M().selection.clear();
    if (answer.empty()) return {};
    if (multiple) M().selection.assign(answer.begin() + 1, answer.end());
    return answer.front();
}

std::string NextSelectedFile() {
    auto& m = M();
    if (m.selection.empty()) return {};
    std::string next = m.selection.front();
    m.selection.erase(m.selection.begin());
    return next;
}

std::string SaveFileRequester(const std::string& title, const std::string& defaultPath,
                              const std::string& filter, int preselected) {
    using Type = headless::ChooserRequest::Type;
    M().requests.push_back({Type::Save, title, defaultPath, filter, preselected, false});
    auto answer = TakeAnswer();
    return answer.empty() ? std::string() : answer.front();
}

std::string PathRequester(const std::string& prompt, const std::string& initialPath) {
    using Type = headless::ChooserRequest::Type;
    M().requests.push_back({Type::Folder, prompt, initialPath, "", 0, false});
    auto answer = TakeAnswer();
    return answer.empty() ? std::string() : answer.front();
}

void ErrorMessage(const std::string& caption, const std::string& text) {
    M().messages.push_back({caption, text});
}

void Beep() {
    ++M().beeps;
}

// --- Test side ------------------------------------------------------------------------
namespace headless {

void Reset() {
    M() = Model{};
    events::Reset();
}

const ControlState* Control(int id) {
    return Find(id);
}
std::vector<int> ControlOrder() {
    return M().order;
}
const WindowState* Window(int id) {
    auto it = M().windows.find(id);
    return it == M().windows.end() ? nullptr : &it->second;
}
const FontState* Font(FontId font) {
    auto it = M().fonts.find(font);
    return it == M().fonts.end() ? nullptr : &it->second;
}
const ImageState* Image(ImageId image) {
    auto it = M().images.find(image);
    return it == M().images.end() ? nullptr : &it->second;
}
bool HasProgramIcon() {
    return M().icon;
}

bool IsShown(int id) {
    auto* c = Find(id);
    if (!c) return false;
    if (c->tabControl < 0) return true;
    auto* tabs = Find(c->tabControl);
    return tabs && tabs->selected == c->page;
}

void Click(int id, When when) {
    Queue(when, [id] {
        auto& c = Existing(id);
        if (c.kind == Kind::CheckBox) c.state = !c.state;
        return ControlReport(id, SubtypeClick);
    });
}

void Type(int id, const std::string& text, When when) {
    Queue(when, [id, text] {
        Existing(id).text = text;
        return ControlReport(id, SubtypeChange);
    });
}

void Focus(int id, When when) {
    Queue(when, [id] { return ControlReport(id, SubtypeFocus); });
}

void LoseFocus(int id, When when) {
    Queue(when, [id] { return ControlReport(id, SubtypeLostFocus); });
}

void SelectTab(int tabControl, int index, When when) {
    Queue(when, [tabControl, index] {
        auto& c = Existing(tabControl);
        if (index < 0 || size_t(index) >= c.tabs.size()) ScriptError("no such tab", index);
        c.selected = index;
        return ControlReport(tabControl, SubtypeTabChange);
    });
}

void RequestClose(int window, When when) {
    Queue(when, [window] { return events::Event{CloseEvent, window, 0, SubtypeNone}; });
}

void Raw(int kind, int window, int control, int subtype, When when) {
    Queue(when, [=] { return events::Event{kind, window, control, subtype}; });
}

bool ScriptExhausted() {
    return M().exhausted;
}
std::size_t PendingActions(When when) {
    return when == When::Busy ? M().busy.size() : M().waiting.size();
}

void AnswerChooser(std::vector<std::string> paths) {
    M().answers.push_back(std::move(paths));
}
const std::vector<ChooserRequest>& ChooserRequests() {
    return M().requests;
}
const std::vector<MessageBoxShown>& MessageBoxes() {
    return M().messages;
}
int Beeps() {
    return M().beeps;
}

} // namespace headless
} // namespace tk
