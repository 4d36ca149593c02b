// Forms (showing, modal loops, closing), the application object and the screen.
#include "vcl/forms.h"

#include <algorithm>

#include "archive/hooks.h"
#include "os/machine.h"
#include "rtl/exceptions.h"
#include "rtl/strings.h"

namespace vcl {
namespace {

// The screen outlives the application object, whose destructor frees forms that look at the screen.
TScreen theScreen;
TApplication theApplication;

}  // namespace

TApplication* const Application = &theApplication;
TScreen* const Screen = &theScreen;

// ---- TForm ----

TForm::TForm(TComponent* owner) : TWinControl(owner) { SetVisible(false); }

TForm::~TForm() { std::erase(theScreen.modalForms_, this); }

void TForm::AfterConstruction() {
    if (OnCreate) OnCreate(this);
}

void TForm::SetBorderStyle(TBorderStyle style) {
    borderStyle_ = style;
    Changed(TChange::Style);
}

void TForm::SetBorderIcons(unsigned icons) {
    borderIcons_ = icons;
    Changed(TChange::Style);
}

void TForm::SetWindowState(TWindowState state) {
    if (state == windowState_) return;
    windowState_ = state;
    Changed(TChange::Style);
    if (state == TWindowState::wsMaximized && Visible()) SetBounds(0, 0, Screen->Width(), Screen->Height());
}

void TForm::SetFormStyle(TFormStyle style) {
    formStyle_ = style;
    Changed(TChange::Style);
}

int TForm::ClientWidth() const { return std::max(Width() - backend().FrameWidth(*this), 0); }
int TForm::ClientHeight() const { return std::max(Height() - backend().FrameHeight(*this), 0); }
void TForm::SetClientWidth(int width) { SetWidth(width + backend().FrameWidth(*this)); }
void TForm::SetClientHeight(int height) { SetHeight(height + backend().FrameHeight(*this)); }

void TForm::PlaceOnShow() {
    TForm* main = Application->MainForm();
    switch (position_) {
    case TPosition::poScreenCenter:
    case TPosition::poDesktopCenter:
        SetBounds((Screen->Width() - Width()) / 2, (Screen->Height() - Height()) / 2, Width(), Height());
        break;
    case TPosition::poMainFormCenter:
        if (main && main != this)
            SetBounds(main->Left() + (main->Width() - Width()) / 2, main->Top() + (main->Height() - Height()) / 2,
                      Width(), Height());
        else
            SetBounds((Screen->Width() - Width()) / 2, (Screen->Height() - Height()) / 2, Width(), Height());
        break;
    case TPosition::poDesigned:
        break;
    }
}

void TForm::SetVisible(bool visible) {
    if (visible == Visible()) return;
    if (!visible) {
        TControl::SetVisible(false);
        if (OnHide) OnHide(this);
        return;
    }
    HandleNeeded();
    if (!shownOnce_) PlaceOnShow();
    shownOnce_ = true;
    TControl::SetVisible(true);
    if (OnShow) OnShow(this);
    if (OnActivate) OnActivate(this);
    // A maximised window receives the screen's size after it appears and is activated; OnResize follows
    // from SetBounds.
    if (windowState_ == TWindowState::wsMaximized) SetBounds(0, 0, Screen->Width(), Screen->Height());
}

TModalResult TForm::ShowModal() {
    if (modal_) throw rtl::Exception("Cannot make a visible window modal");
    modal_ = true;
    modalResult_ = mrNone;
    theScreen.modalForms_.push_back(this);
    struct EndModal {
        TForm* form;
        ~EndModal() {
            form->modal_ = false;
            std::erase(theScreen.modalForms_, form);
        }
    } endModal{this};

    try {
        Show();
    } catch (...) {
        Application->HandleException();
    }
    for (;;) {
        if (Application->Terminated()) {
            modalResult_ = mrCancel;
        } else if (modalResult_ != mrNone && !CloseQuery()) {
            modalResult_ = mrNone;
        } else if (modalResult_ != mrNone) {
            TCloseAction action = TCloseAction::caHide;
            if (OnClose) OnClose(this, action);
            if (action == TCloseAction::caNone) modalResult_ = mrNone;
        }
        if (modalResult_ != mrNone) break;
        // A handler's exception is shown and the loop goes on, as with any message.
        try {
            backend().HandleMessage(this);
        } catch (...) {
            Application->HandleException();
        }
    }
    Hide();
    return modalResult_;
}

bool TForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TForm::Close() {
    if (modal_) {
        // The modal loop asks OnCloseQuery and OnClose when it sees the result.
        modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = TCloseAction::caHide;
    if (OnClose) OnClose(this, action);
    if (action == TCloseAction::caNone) return;
    if (this == Application->MainForm()) {
        Application->Terminate();
    } else if (action == TCloseAction::caMinimize) {
        SetWindowState(TWindowState::wsMinimized);
    } else {
        Hide();
    }
}

void TForm::Paint() {
    if (OnPaint) OnPaint(this);
}

void TForm::Resize() {
    TWinControl::Resize();
    if (OnResize) OnResize(this);
}

// ---- TApplication ----

TApplication::TApplication() = default;

TApplication::~TApplication() {
    // At process end the installed backend may already be gone; free what is left against none.
    SetBackend(nullptr);
    DestroyForms();
}

void TApplication::Initialize() {
    terminated_ = false;
    archive::SetArMessageBoxHook([](const std::string& text, const std::string& caption, unsigned flags) {
        return Application->MessageBox(text, caption, flags) == idOK ? archive::kMbOk : archive::kMbCancel;
    });
    archive::SetArProcessMessagesHook([] { Application->ProcessMessages(); });
}

void TApplication::AddForm(std::unique_ptr<TForm> form) {
    TForm* raw = form.get();
    owned_.push_back(std::move(form));
    forms_.push_back(raw);
    if (!mainForm_) mainForm_ = raw;
    raw->AfterConstruction();
}

void TApplication::DestroyForms() {
    mainForm_ = nullptr;
    forms_.clear();
    while (!owned_.empty()) owned_.pop_back();
}

void TApplication::Run() {
    if (mainForm_ && ShowMainForm) {
        try {
            mainForm_->Show();
        } catch (...) {
            HandleException();
        }
    }
    while (!terminated_) {
        try {
            backend().HandleMessage(nullptr);
        } catch (...) {
            HandleException();
        }
    }
}

void TApplication::ProcessMessages() { backend().ProcessMessages(); }

int TApplication::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    return backend().ShowMessageBox(text, caption.empty() ? DisplayTitle() : caption, flags);
}

std::string TApplication::DisplayTitle() const {
    if (!Title.empty()) return Title;
    // Without a title of its own a program is known by its executable's name: the exception box of
    // SETUP.EXE reads "SETUP", never an empty caption.
    const std::string name = rtl::ExtractFileName(os::files().moduleFileName());
    return name.substr(0, name.size() - rtl::ExtractFileExt(name).size());
}

void TApplication::HandleException() {
    std::string message;
    try {
        throw;
    } catch (const ERunEnded&) {
        throw;
    } catch (const rtl::Exception& e) {
        message = e.Message();
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown exception";
    }
    // The runtime's exception box ends the text with a period unless it already ends in punctuation.
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
    MessageBox(message, DisplayTitle(), mbOK | mbIconStop);
}

// ---- TScreen ----

int TScreen::Width() const { return os::system().screenWidth(); }
int TScreen::Height() const { return os::system().screenHeight(); }

}  // namespace vcl
