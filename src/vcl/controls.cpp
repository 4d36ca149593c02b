// The control tree: ownership, parenthood, bounds, visibility, enabling and the simple alignment rules.
#include "vcl/controls.h"

#include <algorithm>
#include <cassert>

#include "vcl/forms.h"

namespace vcl {
namespace {

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x -= 32;
        if (y >= 'a' && y <= 'z') y -= 32;
        if (x != y) return false;
    }
    return true;
}

}  // namespace

// ---- TComponent ----

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (owner_) owner_->components_.push_back(this);
}

TComponent::~TComponent() {
    FreeOwned();
    for (TComponent* component : components_) component->owner_ = nullptr;
    if (owner_) std::erase(owner_->components_, this);
}

void TComponent::FreeOwned() {
    while (!owned_.empty()) {
        std::unique_ptr<TComponent> last = std::move(owned_.back());
        owned_.pop_back();
        last.reset();
    }
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    for (TComponent* component : components_)
        if (SameNameIgnoringCase(component->name_, name)) return component;
    for (TComponent* component : components_)
        if (TComponent* found = component->FindComponent(name)) return found;
    return nullptr;
}

// ---- TControl ----

TControl::TControl(TComponent* owner) : TComponent(owner) {
    Font.OnChange = [this] { FontChanged(); };
}

TControl::~TControl() {
    backend().ControlDestroyed(*this);
    if (parent_) std::erase(parent_->controls_, this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    assert(parent != this);
    if (parent_) std::erase(parent_->controls_, this);
    parent_ = parent;
    if (parent_) {
        parent_->controls_.push_back(this);
        // A windowed control joining a parent that already has a window gets one at once.
        if (auto* windowed = dynamic_cast<TWinControl*>(this); windowed && parent_->HandleAllocated())
            windowed->HandleNeeded();
        if (align_ != TAlign::alNone) parent_->Realign();
        if (parentFont_) InheritFont();
    }
    // A graphic control is painted by its parent: the old parent's area and the new one both change.
    if (!IsWindowed()) Changed(TChange::Bounds);
}

void TControl::SetParentFont(bool value) {
    parentFont_ = value;
    if (parentFont_) InheritFont();
}

void TControl::InheritFont() {
    if (!parent_) return;
    inheritingFont_ = true;
    Font.Assign(parent_->Font);
    inheritingFont_ = false;
}

void TControl::FontChanged() {
    if (!inheritingFont_) parentFont_ = false;
    Changed(TChange::Font);
    if (auto* windowed = dynamic_cast<TWinControl*>(this))
        for (TControl* child : windowed->controls_)
            if (child->parentFont_) child->InheritFont();
}

void TControl::BringToFront() {
    if (!parent_) return;
    std::erase(parent_->controls_, this);
    parent_->controls_.push_back(this);
    Changed(TChange::ZOrder);
}

void TControl::SendToBack() {
    if (!parent_) return;
    std::erase(parent_->controls_, this);
    parent_->controls_.insert(parent_->controls_.begin(), this);
    Changed(TChange::ZOrder);
}

TForm* TControl::ParentForm() const {
    const TControl* control = this;
    while (control->parent_) control = control->parent_;
    return dynamic_cast<TForm*>(const_cast<TControl*>(control));
}

void TControl::SetBounds(int left, int top, int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    bool resized = width != width_ || height != height_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Changed(TChange::Bounds);
    if (resized) Resize();
    // An aligned control that changes its size moves its aligned siblings (a bottom bar given its height
    // after its alignment stays inside the parent).
    if (parent_ && align_ != TAlign::alNone && !parent_->realigning_) parent_->Realign();
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    Changed(TChange::Visible);
    if (parent_ && align_ != TAlign::alNone) parent_->Realign();
}

bool TControl::Showing() const {
    for (const TControl* control = this; control; control = control->parent_)
        if (!control->visible_) return false;
    return true;
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Changed(TChange::Enabled);
}

bool TControl::EnabledInTree() const {
    for (const TControl* control = this; control; control = control->parent_)
        if (!control->enabled_) return false;
    return true;
}

void TControl::SetText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    Changed(TChange::Text);
}

void TControl::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Changed(TChange::Color);
}

void TControl::SetAlign(TAlign align) {
    if (align == align_) return;
    align_ = align;
    if (parent_) parent_->Realign();
}

void TControl::Refresh() { backend().PaintNow(*this); }

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::Changed(TChange what) { backend().Changed(*this, what); }

// ---- TWinControl ----

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
    // Run-time children made by MakeOwned go while this parent is still whole.
    FreeOwned();
    for (TControl* child : controls_) child->parent_ = nullptr;
    controls_.clear();
    if (handleAllocated_) backend().DestroyHandle(*this);
}

TControl* TWinControl::FindChildControl(const std::string& name) const {
    for (TControl* child : controls_) {
        if (SameNameIgnoringCase(child->Name(), name)) return child;
        if (auto* windowed = dynamic_cast<TWinControl*>(child))
            if (TControl* found = windowed->FindChildControl(name)) return found;
    }
    return nullptr;
}

void TWinControl::HandleNeeded() {
    if (!handleAllocated_) {
        handleAllocated_ = true;
        backend().CreateHandle(*this);
    }
    for (TControl* child : controls_)
        if (auto* windowed = dynamic_cast<TWinControl*>(child)) windowed->HandleNeeded();
}

void TWinControl::Resize() { Realign(); }

void TWinControl::Realign() {
    if (realigning_) return;
    realigning_ = true;
    TRect free = ClientRect();
    auto place = [&](TAlign align) {
        for (TControl* child : controls_) {
            if (child->align_ != align || !child->visible_) continue;
            switch (align) {
            case TAlign::alTop:
                child->SetBounds(free.Left, free.Top, free.Width(), child->height_);
                free.Top += child->height_;
                break;
            case TAlign::alBottom:
                child->SetBounds(free.Left, free.Bottom - child->height_, free.Width(), child->height_);
                free.Bottom -= child->height_;
                break;
            case TAlign::alLeft:
                child->SetBounds(free.Left, free.Top, child->width_, free.Height());
                free.Left += child->width_;
                break;
            case TAlign::alRight:
                child->SetBounds(free.Right - child->width_, free.Top, child->width_, free.Height());
                free.Right -= child->width_;
                break;
            case TAlign::alClient:
                child->SetBounds(free.Left, free.Top, std::max(free.Width(), 0), std::max(free.Height(), 0));
                break;
            case TAlign::alNone:
                break;
            }
        }
    };
    for (TAlign align : {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient})
        place(align);
    realigning_ = false;
}

}  // namespace vcl
