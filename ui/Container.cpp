#include "ui/Container.h"

#include <algorithm>

namespace stp {

// The container's window is about to go, and its children's windows with it; the
// children may outlive it only as objects without a parent.
TWinContainer::~TWinContainer() {
    for (TControl* c : controls_) c->ParentDestroyed();
}

void TWinContainer::InsertControl(TControl& Control) {
    if (std::find(controls_.begin(), controls_.end(), &Control) == controls_.end()) controls_.push_back(&Control);
}

void TWinContainer::RemoveControl(TControl& Control) { std::erase(controls_, &Control); }

DWORD TWinContainer::WindowStyle() const { return TControl::WindowStyle() | WS_CLIPCHILDREN; }

RECT TWinContainer::AlignRect() const {
    RECT r{};
    if (Handle()) GetClientRect(Handle(), &r);
    return r;
}

void TWinContainer::Realign() {
    // Placing a child would ask for another pass; one pass at a time places them all.
    if (!Handle() || aligning_) return;
    aligning_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{aligning_};
    RECT r = AlignRect();
    auto placed = [this](TAlign align) {
        std::vector<TControl*> list;
        for (TControl* c : controls_)
            if (c->Visible() && c->Align() == align) list.push_back(c);
        // Stable: equal positions keep their creation order.
        std::stable_sort(list.begin(), list.end(), [align](TControl* a, TControl* b) {
            switch (align) {
            case TAlign::alTop: return a->Top() < b->Top();
            case TAlign::alBottom: return a->Top() + a->Height() > b->Top() + b->Height();
            case TAlign::alLeft: return a->Left() < b->Left();
            case TAlign::alRight: return a->Left() + a->Width() > b->Left() + b->Width();
            default: return false;
            }
        });
        return list;
    };
    for (TControl* c : placed(TAlign::alTop)) {
        c->SetBounds(r.left, r.top, r.right - r.left, c->Height());
        r.top += c->Height();
    }
    for (TControl* c : placed(TAlign::alBottom)) {
        c->SetBounds(r.left, r.bottom - c->Height(), r.right - r.left, c->Height());
        r.bottom -= c->Height();
    }
    for (TControl* c : placed(TAlign::alLeft)) {
        c->SetBounds(r.left, r.top, c->Width(), std::max<int>(0, r.bottom - r.top));
        r.left += c->Width();
    }
    for (TControl* c : placed(TAlign::alRight)) {
        c->SetBounds(r.right - c->Width(), r.top, c->Width(), std::max<int>(0, r.bottom - r.top));
        r.right -= c->Width();
    }
    for (TControl* c : placed(TAlign::alClient))
        c->SetBounds(r.left, r.top, std::max<int>(0, r.right - r.left), std::max<int>(0, r.bottom - r.top));
}

void TWinContainer::ApplyTabOrder() {
    std::vector<TControl*> ordered;
    for (TControl* c : controls_)
        if (c->TabOrder() >= 0) ordered.push_back(c);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](TControl* a, TControl* b) { return a->TabOrder() < b->TabOrder(); });
    HWND after = HWND_TOP;
    for (TControl* c : ordered) {
        SetWindowPos(c->Handle(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = c->Handle();
    }
    for (TControl* c : controls_)
        if (auto* inner = dynamic_cast<TWinContainer*>(c)) inner->ApplyTabOrder();
}

void TWinContainer::Paint(HDC) {}

LRESULT TWinContainer::WndProc(UINT Message, WPARAM WParam, LPARAM LParam) {
    switch (Message) {
    case WM_COMMAND:
        if (LParam) {
            if (TControl* child = TControl::FromHandle(reinterpret_cast<HWND>(LParam))) child->Notify(HIWORD(WParam));
        }
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
        if (TControl* child = TControl::FromHandle(reinterpret_cast<HWND>(LParam))) {
            if (HBRUSH brush = child->ControlColor(reinterpret_cast<HDC>(WParam)))
                return reinterpret_cast<LRESULT>(brush);
        }
        return DefWindowProcW(Handle(), Message, WParam, LParam);
    case WM_SIZE: Realign(); return TControl::WndProc(Message, WParam, LParam);
    default: return TControl::WndProc(Message, WParam, LParam);
    }
}

}  // namespace stp
