// Brackets a compound operation with BeginUpdate and its closing EndUpdate. The close
// also runs when the work fails, so the update count stays balanced and the closing
// notification is raised before the error reaches the caller.
#pragma once

#include <utility>

namespace stp {

template <class Object, class Work, class Close>
void RunInUpdate(Object& object, Work&& work, Close&& close) {
    object.BeginUpdate();
    try {
        std::forward<Work>(work)();
    } catch (...) {
        close();
        throw;
    }
    close();
}

// Calls a copy of an event, so that a handler that replaces or clears the event it
// was called through does not destroy the callable under its own feet.
template <class Event, class... Args>
void RaiseEvent(const Event& event, Args&&... args) {
    if (!event) return;
    Event handler = event;
    handler(std::forward<Args>(args)...);
}

}  // namespace stp
