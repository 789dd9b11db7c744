#include "ui/ProgressBar.h"

#include <commctrl.h>

namespace stp {

TProgressBar::TProgressBar(TWinContainer* Parent, const ComponentLayout& Layout)
    : TControl(Parent, Layout), max_(Layout.Max) {}

std::wstring TProgressBar::WindowClassName() const { return PROGRESS_CLASSW; }

void TProgressBar::HandleCreated() { SendMessageW(Handle(), PBM_SETRANGE32, 0, max_); }

int TProgressBar::Position() const { return static_cast<int>(SendMessageW(Handle(), PBM_GETPOS, 0, 0)); }

void TProgressBar::SetPosition(int Position) { SendMessageW(Handle(), PBM_SETPOS, Position, 0); }

}  // namespace stp
