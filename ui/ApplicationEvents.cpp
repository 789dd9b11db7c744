#include "ui/ApplicationEvents.h"

#include "ui/Application.h"
#include "ui/Form.h"

namespace stp {

TApplicationEvents::TApplicationEvents(std::string Name) : TComponent(std::move(Name)) {
    Application().AddEvents(*this);
}

TApplicationEvents::~TApplicationEvents() {
    if (TApplication* app = TApplication::Instance()) app->RemoveEvents(*this);
}

void TApplicationEvents::BindEvent(const std::string& Event, TForm& Form, const std::string& Handler) {
    if (Event != "OnIdle") return TComponent::BindEvent(Event, Form, Handler);
    OnIdle = Form.IdleHandler(Handler);
}

}  // namespace stp
