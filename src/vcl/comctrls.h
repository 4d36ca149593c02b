// The common controls our windows use: the report-style list view, the animation control and the page
// control with its tab sheets.
#pragma once
#include <string>
#include <vector>

#include "vcl/controls.h"
#include "vcl/strings_list.h"

namespace vcl {

struct TListColumn {
    std::string Caption;
    int Width = 50;
    TAlignment Alignment = TAlignment::taLeftJustify;
};

struct TListItem {
    std::string Caption;
    std::vector<std::string> SubItems;
};

// A list view in report style: columns, rows with a caption and sub-items, at most one selected row.
class TListView : public TWinControl {
public:
    using TWinControl::TWinControl;
    const std::vector<TListColumn>& Columns() const { return columns_; }
    void AddColumn(const std::string& caption, int width, TAlignment alignment = TAlignment::taLeftJustify);
    void ClearColumns();

    int ItemCount() const { return int(items_.size()); }
    // Index must be in 0..ItemCount-1.
    const TListItem& Item(int index) const;
    // Appends a row and returns its index.
    int AddItem(const std::string& caption, const std::vector<std::string>& subItems = {});
    void SetSubItems(int index, const std::vector<std::string>& subItems);
    void ClearItems();

    // The selected row, or null; its index, or -1. An index out of range selects nothing.
    const TListItem* Selected() const { return selected_ < 0 ? nullptr : &items_[size_t(selected_)]; }
    int SelectedIndex() const { return selected_; }
    void SetSelectedIndex(int index);
    // A user's click on row index: selects it and fires OnClick.
    void Select(int index);

    bool RowSelect() const { return rowSelect_; }
    void SetRowSelect(bool value) { rowSelect_ = value; Changed(TChange::Style); }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; Changed(TChange::Style); }
    // Lines between rows and columns.
    bool GridLines() const { return gridLines_; }
    void SetGridLines(bool value) { gridLines_ = value; Changed(TChange::Style); }
    // Column headers that react to clicks (push like buttons); off, they are plain captions.
    bool ColumnClick() const { return columnClick_; }
    void SetColumnClick(bool value) { columnClick_ = value; Changed(TChange::Style); }

private:
    std::vector<TListColumn> columns_;
    std::vector<TListItem> items_;
    int selected_ = -1;
    bool rowSelect_ = true, readOnly_ = true, gridLines_ = false, columnClick_ = true;
};

// The system's stock clips (shell32 resources) an animation control can play.
enum class TCommonAVI { aviNone, aviFindFolder, aviFindFile, aviFindComputer, aviCopyFiles, aviCopyFile,
                        aviRecycleFile, aviEmptyRecycle, aviDeleteFile };

class TAnimate : public TWinControl {
public:
    using TWinControl::TWinControl;
    TCommonAVI CommonAVI() const { return commonAVI_; }
    // Choosing a stock clip clears FileName and the other way round.
    void SetCommonAVI(TCommonAVI value);
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& value);
    bool Active() const { return active_; }
    void SetActive(bool value);
    // Frames are numbered from 1; Repetitions 0 plays for ever.
    int StartFrame() const { return startFrame_; }
    int StopFrame() const { return stopFrame_; }
    int Repetitions() const { return repetitions_; }
    void SetFrames(int startFrame, int stopFrame);
    void SetRepetitions(int value) { repetitions_ = value; Changed(TChange::Value); }

private:
    TCommonAVI commonAVI_ = TCommonAVI::aviNone;
    std::string fileName_;
    bool active_ = false;
    int startFrame_ = 1, stopFrame_ = 0, repetitions_ = 0;
};

class TPageControl;

// One page of a page control: it fills the control and is shown only while it is the active page.
class TTabSheet : public TWinControl {
public:
    using TWinControl::TWinControl;
    ~TTabSheet() override;
    TPageControl* PageControl() const { return pageControl_; }
    // Appends this sheet to the page control's pages (and makes the page control its parent).
    void SetPageControl(TPageControl* pageControl);
    int PageIndex() const;
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool value) { tabVisible_ = value; Changed(TChange::Style); }

private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
    bool tabVisible_ = true;
};

// Pages in a fixed order with one active page; only the program changes it. With hidden tabs the
// control shows no tab strip.
class TPageControl : public TWinControl {
public:
    using TWinControl::TWinControl;
    ~TPageControl() override;
    int PageCount() const { return int(pages_.size()); }
    // Index must be in 0..PageCount-1.
    TTabSheet* Pages(int index) const;
    TTabSheet* ActivePage() const { return active_; }
    // A sheet of this control (or null): it becomes visible, the others hidden. Programmatic changes fire
    // no event (only a user's tab click would, and our page controls hide their tabs).
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const { return active_ ? active_->PageIndex() : -1; }
    // Out-of-range indexes make no page active.
    void SetActivePageIndex(int index);
    bool TabsVisible() const { return tabsVisible_; }
    void SetTabsVisible(bool value) { tabsVisible_ = value; Changed(TChange::Style); }

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    std::vector<TTabSheet*> pages_;
    TTabSheet* active_ = nullptr;
    bool tabsVisible_ = true;
};

}  // namespace vcl
