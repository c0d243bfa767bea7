#pragma once
// The event layer both toolkit backends share: the queue of reports made by the toolkit,
// the one pending report of a replaced field text, and the event last handed out.
// Keeping this in one place is what makes both backends order events the same way.
#include <deque>

namespace tk::events {

struct Event {
    int kind = 0;
    int window = 0;
    int control = 0;
    int subtype = 0;
};

// A report made by the toolkit (a click, typing, a focus change, a close request).
void Post(const Event& event);

// A text field's text was replaced by the program. The field reports the change like a
// change by the user, as the next event handed out. One such report is held at a time:
// a later replacement (of the same or another field) takes the place of an earlier one.
void TextReplaced(int window, int control);

// The next event to hand out: the pending report of a replaced text first, then the
// posted reports in the order they were made. False when there is none.
bool Next(Event& out);

// Only the pending report of a replaced text, when there is one.
bool TakePending(Event& out);

// Records `event` as the one last handed out (what EventWindow and friends answer) and
// returns its kind.
int Deliver(const Event& event);

// Forgets everything: posted reports, the pending report, the last event.
void Reset();

} // namespace tk::events
