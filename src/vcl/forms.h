// Forms, the application object and the screen. A window is a class derived from TForm whose
// constructor sets its design-time properties and binds its handlers; OnCreate runs once construction
// is complete (Application->CreateForm, or AfterConstruction for a form made directly).
#pragma once
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "vcl/controls.h"
#include "vcl/dialogs.h"

namespace vcl {

enum class TPosition { poDesigned, poScreenCenter, poDesktopCenter, poMainFormCenter };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TFormStyle { fsNormal, fsStayOnTop };
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    // Fires OnCreate. Application->CreateForm calls it; call it yourself for a form made directly.
    void AfterConstruction();

    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);
    unsigned BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(unsigned icons);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState state);
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle style);
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool preview) { keyPreview_ = preview; }

    // The client area; the form's size adds the backend's frame.
    int ClientWidth() const;
    int ClientHeight() const;
    void SetClientWidth(int width);
    void SetClientHeight(int height);
    // Aligned controls share the client area, not the whole window.
    TRect ClientRect() const override { return {0, 0, ClientWidth(), ClientHeight()}; }

    // Showing a form: the first time its windows are made and a centred form is centred; then OnShow and
    // OnActivate fire and, for a maximised form, its size becomes the screen's (OnResize), as on Windows.
    void SetVisible(bool visible) override;
    // Shows the form and runs a modal loop until ModalResult is set (by a button with a ModalResult, by
    // Close, or by a handler) and OnCloseQuery allows it; hides it and returns the result.
    TModalResult ShowModal();
    bool Modal() const { return modal_; }
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    // Asks OnCloseQuery, then OnClose. A modal form's loop ends with mrCancel; another form hides; closing
    // the application's main form terminates the application.
    void Close();
    // True when the form may close (OnCloseQuery).
    bool CloseQuery();
    // Asks the backend to paint the whole form and fires OnPaint as a paint would.
    void Paint();

    TNotifyEvent OnCreate, OnShow, OnHide, OnResize, OnPaint, OnActivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

protected:
    void Resize() override;

private:
    void PlaceOnShow();
    TBorderStyle borderStyle_ = TBorderStyle::bsSizeable;
    unsigned borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    TPosition position_ = TPosition::poDesigned;
    TWindowState windowState_ = TWindowState::wsNormal;
    TFormStyle formStyle_ = TFormStyle::fsNormal;
    bool keyPreview_ = false;
    bool modal_ = false;
    bool shownOnce_ = false;
    TModalResult modalResult_ = mrNone;
};

class TApplication {
public:
    TApplication();
    ~TApplication();

    // Installs the archive engine's message-box and message-loop links and clears Terminated.
    void Initialize();
    // Creates a form owned by the application, fires its OnCreate and stores it in reference; the first
    // form created becomes the main form.
    template <class T>
    void CreateForm(T*& reference) {
        auto form = std::make_unique<T>(nullptr);
        reference = form.get();
        AddForm(std::move(form));
    }
    TForm* MainForm() const { return mainForm_; }
    const std::vector<TForm*>& Forms() const { return forms_; }
    // Frees every form the application created, newest first, and forgets the main form.
    void DestroyForms();

    // Shows the main form and runs the message loop until Terminate. An exception that escapes a handler
    // is shown by HandleException and the loop goes on; ERunEnded passes through to the caller.
    void Run();
    // Dispatches pending messages without waiting.
    void ProcessMessages();
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }

    // A modal message box; an empty caption shows the application title (DisplayTitle). Returns idOK..idNo.
    // (A file that includes <windows.h> must #undef MessageBox before calling it.)
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags);
    // Shows the exception in flight (call from a catch block) with the standard exception box: its
    // message, the application title (DisplayTitle) as caption, a stop icon and OK. ERunEnded is rethrown.
    void HandleException();

    // The title the program gave the application; empty when it gave none.
    std::string Title;
    // The title the application shows: Title, or when that is empty the running program's file name
    // without its extension, as the machine reports it ("SETUP" for C:\MEDIUM\SETUP.EXE). Read anew on
    // every call, so it follows the machine the program runs on.
    std::string DisplayTitle() const;
    bool ShowMainForm = true;

private:
    void AddForm(std::unique_ptr<TForm> form);
    std::vector<std::unique_ptr<TForm>> owned_;
    std::vector<TForm*> forms_;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
};

// The screen: its size comes from the machine port (os::system()).
class TScreen {
public:
    int Width() const;
    int Height() const;
    // The form whose modal loop runs innermost, or null.
    TForm* ActiveModalForm() const { return modalForms_.empty() ? nullptr : modalForms_.back(); }

private:
    friend class TForm;
    std::vector<TForm*> modalForms_;
};

extern TApplication* const Application;
extern TScreen* const Screen;

}  // namespace vcl
