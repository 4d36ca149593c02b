// List view rows and selection, animation state, and page switching.
#include "vcl/comctrls.h"

#include <algorithm>
#include <cassert>

namespace vcl {

// ---- TListView ----

void TListView::AddColumn(const std::string& caption, int width, TAlignment alignment) {
    columns_.push_back({caption, width, alignment});
    Changed(TChange::Items);
}

void TListView::ClearColumns() {
    columns_.clear();
    Changed(TChange::Items);
}

const TListItem& TListView::Item(int index) const {
    assert(index >= 0 && index < ItemCount());
    return items_[size_t(index)];
}

int TListView::AddItem(const std::string& caption, const std::vector<std::string>& subItems) {
    items_.push_back({caption, subItems});
    Changed(TChange::Items);
    return ItemCount() - 1;
}

void TListView::SetSubItems(int index, const std::vector<std::string>& subItems) {
    assert(index >= 0 && index < ItemCount());
    items_[size_t(index)].SubItems = subItems;
    Changed(TChange::Items);
}

void TListView::ClearItems() {
    items_.clear();
    selected_ = -1;
    Changed(TChange::Items);
}

void TListView::SetSelectedIndex(int index) {
    if (index < 0 || index >= ItemCount()) index = -1;
    if (index == selected_) return;
    selected_ = index;
    Changed(TChange::Selection);
}

void TListView::Select(int index) {
    SetSelectedIndex(index);
    TControl::Click();
}

// ---- TAnimate ----

void TAnimate::SetCommonAVI(TCommonAVI value) {
    commonAVI_ = value;
    if (value != TCommonAVI::aviNone) fileName_.clear();
    Changed(TChange::Value);
}

void TAnimate::SetFileName(const std::string& value) {
    fileName_ = value;
    if (!value.empty()) commonAVI_ = TCommonAVI::aviNone;
    Changed(TChange::Value);
}

void TAnimate::SetActive(bool value) {
    if (value == active_) return;
    active_ = value;
    Changed(TChange::Value);
}

void TAnimate::SetFrames(int startFrame, int stopFrame) {
    startFrame_ = startFrame;
    stopFrame_ = stopFrame;
    Changed(TChange::Value);
}

// ---- TTabSheet ----

TTabSheet::~TTabSheet() {
    if (pageControl_) pageControl_->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* pageControl) {
    if (pageControl == pageControl_) return;
    if (pageControl_) pageControl_->RemovePage(this);
    pageControl_ = pageControl;
    SetParent(pageControl);
    if (pageControl_) pageControl_->InsertPage(this);
}

int TTabSheet::PageIndex() const {
    if (!pageControl_) return -1;
    const auto& pages = pageControl_->pages_;
    return int(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

// ---- TPageControl ----

TPageControl::~TPageControl() {
    for (TTabSheet* page : pages_) page->pageControl_ = nullptr;
}

TTabSheet* TPageControl::Pages(int index) const {
    assert(index >= 0 && index < PageCount());
    return pages_[size_t(index)];
}

void TPageControl::InsertPage(TTabSheet* page) {
    pages_.push_back(page);
    // Only the active page shows; the first page becomes active.
    page->SetVisible(false);
    page->SetAlign(TAlign::alClient);
    if (!active_) SetActivePage(page);
    Changed(TChange::Items);
}

void TPageControl::RemovePage(TTabSheet* page) {
    std::erase(pages_, page);
    if (active_ == page) active_ = nullptr;
    Changed(TChange::Items);
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page && page->pageControl_ != this) return;
    if (page == active_) return;
    active_ = page;
    for (TTabSheet* sheet : pages_) sheet->SetVisible(sheet == page);
    Changed(TChange::Selection);
}

void TPageControl::SetActivePageIndex(int index) {
    SetActivePage(index >= 0 && index < PageCount() ? pages_[size_t(index)] : nullptr);
}

}  // namespace vcl
