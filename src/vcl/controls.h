// The control tree: components (name and owner), controls (bounds, visibility, text, font, parent) and
// windowed controls (children). Graphic controls are painted by their parent; windowed controls get a
// native window from the backend when their form is first shown.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "vcl/backend.h"
#include "vcl/types.h"

namespace vcl {

class TWinControl;
class TForm;

// A named part of a form. The owner lists its components so they can be found by name. Components that
// are members of their owner are not freed by it; run-time components made with MakeOwned are.
class TComponent {
public:
    explicit TComponent(TComponent* owner);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return name_; }
    // Any text; run-time controls may be named like "ModeButtons[1]".
    void SetName(const std::string& name) { name_ = name; }
    TComponent* Owner() const { return owner_; }
    const std::vector<TComponent*>& Components() const { return components_; }
    // The component named name (ASCII case-insensitive), searching owned components and theirs; or null.
    TComponent* FindComponent(const std::string& name) const;

    // Creates a component owned (and freed) by this one: MakeOwned<TRadioButton>() passes this as owner.
    template <class T, class... A>
    T* MakeOwned(A&&... args) {
        auto made = std::make_unique<T>(this, std::forward<A>(args)...);
        T* raw = made.get();
        owned_.push_back(std::move(made));
        return raw;
    }

    // Free-form data the program may attach (the runtime's Tag).
    int Tag = 0;

protected:
    // Frees the components made by MakeOwned, newest first. Windowed controls call it before their
    // children are detached, so run-time children still see their parent.
    void FreeOwned();

private:
    std::string name_;
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<std::unique_ptr<TComponent>> owned_;
};

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    // Moves the control into parent's children (or out of any with null).
    void SetParent(TWinControl* parent);
    // The form this control is on (itself for a form), or null.
    TForm* ParentForm() const;

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
    void SetTop(int value) { SetBounds(left_, value, width_, height_); }
    void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
    void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
    // Negative sizes are kept as 0. A change of size fires Resize().
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
    virtual TRect ClientRect() const { return {0, 0, width_, height_}; }

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible and every parent visible.
    bool Showing() const;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // Enabled and every parent enabled: only then does the control take user actions.
    bool EnabledInTree() const;

    // Caption and Text are the same string, as in the runtime.
    const std::string& Caption() const { return text_; }
    void SetCaption(const std::string& text) { SetText(text); }
    const std::string& Text() const { return text_; }
    virtual void SetText(const std::string& text);

    // The font's setters notify the control. With ParentFont (the default) the control shows its parent's
    // font and follows its changes; setting any font property clears ParentFont, as in the runtime.
    TFont Font;
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint) { hint_ = hint; }
    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);

    // Moves the control above (or below) its siblings.
    void BringToFront();
    void SendToBack();

    // Paints the control at once, without waiting for the message loop. All three do the same here.
    virtual void Refresh();
    void Repaint() { Refresh(); }
    void Update() { Refresh(); }

    // A user's click: fires OnClick. Buttons and radio buttons add their own effect.
    virtual void Click();
    TNotifyEvent OnClick;

    // True for controls with a native window.
    virtual bool IsWindowed() const { return false; }

protected:
    // Tells the backend (and the parent's layout, for bounds) that a property changed.
    void Changed(TChange what);
    virtual void Resize() {}

    // The font changed (set, or inherited from the parent): tells the backend and the children that follow
    // this font. Labels measure their text again here.
    virtual void FontChanged();

private:
    void InheritFont();
    friend class TWinControl;
    TWinControl* parent_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    std::string text_;
    std::string hint_;
    TColor color_ = clBtnFace;
    TAlign align_ = TAlign::alNone;
    bool parentFont_ = true;
    bool inheritingFont_ = false;
};

// A control without a window: its parent paints it.
class TGraphicControl : public TControl {
public:
    using TControl::TControl;
};

// A control with a native window and children.
class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    const std::vector<TControl*>& Controls() const { return controls_; }
    int ControlCount() const { return int(controls_.size()); }

    // The control named name (ASCII case-insensitive) among the children and their children; or null.
    TControl* FindChildControl(const std::string& name) const;

    // Asks the backend for this control's window and its children's, if not yet made.
    void HandleNeeded();
    bool HandleAllocated() const { return handleAllocated_; }
    // The backend's data for the native window (an HWND for vcl/win32); the library never reads it.
    void* NativeHandle() const { return nativeHandle_; }
    void SetNativeHandle(void* handle) { nativeHandle_ = handle; }

    bool IsWindowed() const override { return true; }
    // Places aligned children (top, bottom, left, right, then client) inside the client rectangle.
    void Realign();

protected:
    void Resize() override;

private:
    friend class TControl;
    std::vector<TControl*> controls_;
    bool handleAllocated_ = false;
    bool realigning_ = false;
    void* nativeHandle_ = nullptr;
};

}  // namespace vcl
