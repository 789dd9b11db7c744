// A component without a window that hands the application's events to its form:
// OnIdle runs whenever the message queue has been emptied.
#pragma once

#include "ui/Control.h"

namespace stp {

class TApplicationEvents : public TComponent {
public:
    explicit TApplicationEvents(std::string Name);
    ~TApplicationEvents() override;

    TIdleEvent OnIdle;
    void BindEvent(const std::string& Event, TForm& Form, const std::string& Handler) override;
};

}  // namespace stp
