#include "platform/event_queue.h"

#include "platform/toolkit.h"

#include <optional>

namespace tk::events {
namespace {

struct Layer {
    std::deque<Event> posted;
    std::optional<Event> pending;
    Event current;
};

Layer& L() {
    static Layer layer;
    return layer;
}

} // namespace

void Post(const Event& event) {
    L().posted.push_back(event);
}

void TextReplaced(int window, int control) {
    L().pending = Event{ControlEvent, window, control, SubtypeChange};
}

bool TakePending(Event& out) {
    if (!L().pending) return false;
    out = *L().pending;
    L().pending.reset();
    return true;
}

bool Next(Event& out) {
    if (TakePending(out)) return true;
    if (L().posted.empty()) return false;
    out = L().posted.front();
    L().posted.pop_front();
    return true;
}

int Deliver(const Event& event) {
    L().current = event;
    return event.kind;
}

void Reset() {
    L() = Layer{};
}

} // namespace tk::events

namespace tk {
int EventWindow() {
    return events::L().current.window;
}
int EventControl() {
    return events::L().current.control;
}
int EventSubtype() {
    return events::L().current.subtype;
}
} // namespace tk
