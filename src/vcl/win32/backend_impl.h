// Private to the real-window backend: the backend class, shared by the files that implement it (windows and
// messages, painting of graphic controls, applying control state, dialogs, the robot interface).
#pragma once
#include <exception>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "vcl/backend.h"
#include "vcl/controls.h"
#include "vcl/types.h"

// The library headers come first: <windows.h> defines MessageBox and friends as macros.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <olectl.h>

namespace vcl {
class TBevel;
class TCheckListBox;
class TForm;
class TImage;
class TLabel;
struct TFill;
}  // namespace vcl

namespace vcl::win32::detail {

inline constexpr const char* kUtilityClassName = "TSUtility";
inline constexpr UINT_PTR kCheckListSubclassId = 1;

COLORREF ToColorRef(TColor color);
inline RECT BoundsOf(const TControl& c) { return RECT{c.Left(), c.Top(), c.Left() + c.Width(), c.Top() + c.Height()}; }
// The window style (and extended style) a form's border style, icons and form style ask for.
DWORD FormStyle(const TForm& form, DWORD& exStyle);

// What the thread is doing while it dispatches messages, innermost last (the robot's "wait" line).
struct WaitState {
    enum Kind { Modal, Application, Busy, MessageBox, Browser, Hold } kind;
    std::string form;     // Modal: the modal form's name
    std::string caption;  // MessageBox: caption; Browser: title
    std::string text;     // MessageBox: text
    unsigned flags = 0;   // MessageBox: MB_* flags; Browser: BIF_* flags
};

class Win32Backend;
// The installed backend (null until InstallBackend), for the window procedures.
extern Win32Backend* theBackend;
LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK UtilityWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK CheckListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR);

class Win32Backend final : public Backend {
public:
    Win32Backend();

    // ---- the seam (backend_windows.cpp, backend_messages.cpp, backend_paint.cpp, backend_dialogs.cpp) ----
    void CreateHandle(TWinControl& control) override;
    void DestroyHandle(TWinControl& control) override;
    void ControlDestroyed(TControl& control) override;
    void Changed(TControl& control, TChange what) override;
    void PaintNow(TControl& control) override;
    TSize MeasureText(const TFont& font, const std::string& text, bool wordWrap, int width) override;
    int FrameWidth(const TForm& form) override;
    int FrameHeight(const TForm& form) override;
    void HandleMessage(TForm* modalForm) override;
    void ProcessMessages() override;
    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    bool BrowseForFolder(const std::string& title, std::string& path) override;
    bool BrowseFromDesktop(const std::string& title, unsigned flags, std::string& path) override;
    void TimerChanged(TTimer& timer) override;
    void TimerDestroyed(TTimer& timer) override;

    // ---- window procedures (backend_messages.cpp) ----
    LRESULT FormMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT UtilityMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT CheckListMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    // Keeps a wait state on the stack for the lifetime of the scope.
    class WaitScope {
    public:
        WaitScope(Win32Backend& backend, WaitState state) : backend_(backend) {
            backend_.waits_.push_back(std::move(state));
        }
        ~WaitScope() { backend_.waits_.pop_back(); }
        WaitScope(const WaitScope&) = delete;
        WaitScope& operator=(const WaitScope&) = delete;

    private:
        Win32Backend& backend_;
    };

    // ---- windows (backend_windows.cpp) and messages (backend_messages.cpp) ----
    HWND MakeChildWindow(TWinControl& control, HWND parent);
    void ChangedWindowed(TWinControl& control, TChange what);
    static BOOL CALLBACK ForgetChild(HWND child, LPARAM self);
    void Forget(HWND window);
    HWND Handle(const TWinControl& control) const;
    TWinControl* Control(HWND window) const;
    bool IsContainer(HWND window) const;
    // Runs a library call made from a window procedure. Exceptions must not cross the system's frames: the
    // first is kept and raised again once control is back in library code (after dispatch or a sent call).
    template <class F>
    void Guard(F&& call) {
        try {
            call();
        } catch (...) {
            if (!pending_) pending_ = std::current_exception();
        }
    }
    void RethrowPending();
    void Dispatch(MSG& message);
    HWND OwnerWindow() const;
    RECT Frame(const TForm& form) const;
    // A modal loop disables every other form until its form hides or goes.
    void BeginModal(TForm& form);
    void EndModalFor(HWND window);

    // ---- painting of graphic controls (backend_paint.cpp) ----
    HFONT Font(const TFont& font);
    HBRUSH Brush(TColor color);
    // A graphic control changed: its parent repaints the area it last had and the area it has now,
    // background included.
    void InvalidateGraphic(TControl& control);
    void ForgetGraphicsOn(HWND parent);
    void DropPicture(const TControl* control);
    void PaintContainer(TWinControl& control, HDC dc, HWND window);
    void PaintGraphic(TControl& control, HDC dc, HWND parent);
    void PaintLabel(TLabel& label, HDC dc, RECT area);
    static void PaintBevel(TBevel& bevel, HDC dc, RECT area);
    void PaintImage(TImage& image, HDC dc, const RECT& area);
    void PaintFills(const std::vector<TFill>& fills, HDC dc, const RECT& area);
    void DrawCheckItem(TCheckListBox& list, const DRAWITEMSTRUCT& draw);

    // ---- applying control state to windows (backend_apply.cpp) ----
    void PlaceInZOrder(TWinControl& control, HWND window);
    void ApplyFont(TControl& control, HWND window);
    void ApplyStyle(TControl& control, HWND window);
    void ApplyItems(TControl& control, HWND window);
    void ApplySelection(TControl& control, HWND window);
    void ApplyValue(TControl& control, HWND window);
    void Command(HWND child, WORD code);
    void Notify(const NMHDR& header);
    // Enter presses the form's default button, Esc its cancel button (when showing and enabled).
    void PressDialogButton(TWinControl& root, bool enter);
    static void SetTextIfDifferent(HWND window, const std::string& text);
    static std::string WindowText(HWND window);

    // ---- the robot interface (backend_robot.cpp, robot_describe.cpp) ----
    void RegisterRobotMessages();
    // Gives the window its control's design name as the robot's name property (again when it changed).
    void NameWindow(const TWinControl& control, HWND window);
    void UnnameWindow(HWND window);
    // Answers the robot's messages to a form window; true when message was one of them.
    bool RobotMessage(HWND window, UINT message, WPARAM wParam, LRESULT& result);
    void Hold(HWND window);
    std::string Describe() const;
    RECT ScreenRect(const TControl& control) const;

    struct Modal {
        HWND window;
        std::vector<HWND> disabled;
    };
    // Where a graphic control was last painted or known: its parent's window and its bounds there.
    struct GraphicArea {
        HWND parent;
        RECT area;
    };

    HWND utility_ = nullptr;
    std::unordered_map<const TControl*, HWND> hwnds_;
    std::unordered_map<HWND, TWinControl*> controls_;
    std::vector<HWND> topLevel_;
    std::vector<Modal> modal_;
    std::map<std::string, HFONT> fonts_;
    std::map<COLORREF, HBRUSH> brushes_;
    std::unordered_map<const TControl*, IPicture*> pictures_;
    std::unordered_map<const TControl*, GraphicArea> graphicAreas_;
    std::unordered_map<HWND, std::string> animations_;
    // The robot's name property of each window: the atom and the name it holds.
    struct WindowName {
        ATOM atom;
        std::string name;
    };
    std::unordered_map<HWND, WindowName> names_;
    std::map<TTimer*, UINT_PTR> timers_;
    std::map<UINT_PTR, TTimer*> timerIds_;
    UINT_PTR lastTimerId_ = 0;
    bool applying_ = false;  // our own SetWindowPos runs: the form's bounds already hold the values
    std::exception_ptr pending_;
    std::vector<WaitState> waits_;
    UINT describeMessage_ = 0, holdMessage_ = 0, releaseMessage_ = 0;
    HWND holdWindow_ = nullptr;  // the window a hold was posted to, while held
    bool released_ = false;
};

}  // namespace vcl::win32::detail
