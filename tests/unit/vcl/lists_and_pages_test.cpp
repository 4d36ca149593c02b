// Check-list boxes (states, per-item enabling, the check event as a user's click gives it), list view
// selection, page switching and the animation's clip choice.
#include <gtest/gtest.h>

#include "vcl/comctrls.h"
#include "vcl/forms.h"
#include "vcl/headless/actions.h"
#include "vcl/headless/headless_backend.h"
#include "vcl/stdctrls.h"

using namespace vcl;

namespace {

class ListsAndPages : public testing::Test {
protected:
    void SetUp() override { previous_ = SetBackend(&backend_); }
    void TearDown() override { SetBackend(previous_); }
    headless::HeadlessBackend backend_;
    Backend* previous_ = nullptr;
};

class TfrmLists : public TForm {
public:
    explicit TfrmLists(TComponent* owner) : TForm(owner), CheckListBox1(this), ListView1(this) {
        SetName("frmLists");
        CheckListBox1.SetName("CheckListBox1");
        CheckListBox1.SetParent(this);
        for (const char* product : {"Server", "Client", "Tools"}) CheckListBox1.Items.Add(product);
        CheckListBox1.OnClickCheck = [this](TComponent*) {
            checks.push_back(CheckListBox1.ItemIndex() * 10 + int(CheckListBox1.State(CheckListBox1.ItemIndex())));
        };
        ListView1.SetName("ListView1");
        ListView1.SetParent(this);
        ListView1.AddColumn("Module", 120);
        ListView1.AddColumn("Size", 60, TAlignment::taRightJustify);
        ListView1.AddItem("Core", {"12 MB"});
        ListView1.AddItem("Help", {"3 MB"});
        ListView1.OnClick = [this](TComponent*) { clicks.push_back(ListView1.Selected()->Caption); };
    }
    TCheckListBox CheckListBox1;
    TListView ListView1;
    std::vector<int> checks;
    std::vector<std::string> clicks;
};

}  // namespace

TEST_F(ListsAndPages, CheckListStatesFollowTheItemsAndTheUsersClicks) {
    TfrmLists form(nullptr);
    auto& list = form.CheckListBox1;
    for (int i = 0; i < 3; ++i) list.SetChecked(i, true);
    EXPECT_TRUE(form.checks.empty());  // the program setting a state fires nothing

    headless::CheckItem(form, "CheckListBox1", 1, TCheckBoxState::cbUnchecked);
    EXPECT_EQ(list.ItemIndex(), 1);
    EXPECT_EQ(form.checks, std::vector<int>{10});
    EXPECT_FALSE(list.Checked(1));

    // States move with their items.
    list.Items.Insert(0, "MSDE");
    EXPECT_EQ(list.State(0), TCheckBoxState::cbUnchecked);
    EXPECT_TRUE(list.Checked(1));
    EXPECT_FALSE(list.Checked(2));
    list.Items.Delete(0);
    EXPECT_FALSE(list.Checked(1));
}

TEST_F(ListsAndPages, CheckListRefusesWhatAUserCouldNotDo) {
    TfrmLists form(nullptr);
    form.CheckListBox1.SetItemEnabled(2, false);
    EXPECT_THROW(headless::CheckItem(form, "CheckListBox1", 2, TCheckBoxState::cbChecked), EActionRefused);
    EXPECT_THROW(headless::CheckItem(form, "CheckListBox1", 3, TCheckBoxState::cbChecked), EActionRefused);
    EXPECT_THROW(headless::CheckItem(form, "CheckListBox1", 0, TCheckBoxState::cbGrayed), EActionRefused);
    form.CheckListBox1.SetAllowGrayed(true);
    headless::CheckItem(form, "CheckListBox1", 0, TCheckBoxState::cbGrayed);
    EXPECT_EQ(form.CheckListBox1.State(0), TCheckBoxState::cbGrayed);
    EXPECT_THROW(headless::CheckItem(form, "ListView1", 0, TCheckBoxState::cbChecked), EActionRefused);
    EXPECT_TRUE(form.checks.size() == 1);
}

TEST_F(ListsAndPages, ListViewSelectionByProgramAndByUser) {
    TfrmLists form(nullptr);
    auto& view = form.ListView1;
    EXPECT_EQ(view.Selected(), nullptr);
    view.SetSelectedIndex(0);
    EXPECT_EQ(view.Selected()->SubItems, std::vector<std::string>{"12 MB"});
    EXPECT_TRUE(form.clicks.empty());
    headless::SelectItem(form, "ListView1", 1);
    EXPECT_EQ(form.clicks, std::vector<std::string>{"Help"});
    EXPECT_THROW(headless::SelectItem(form, "ListView1", 2), EActionRefused);
    view.ClearItems();
    EXPECT_EQ(view.SelectedIndex(), -1);
    EXPECT_EQ(view.Columns()[1].Alignment, TAlignment::taRightJustify);
}

TEST_F(ListsAndPages, OnlyTheActivePageIsShown) {
    TForm form(nullptr);
    TPageControl pages(&form);
    pages.SetParent(&form);
    pages.SetBounds(0, 0, 400, 300);
    pages.SetTabsVisible(false);
    TTabSheet sheets[3] = {TTabSheet(&form), TTabSheet(&form), TTabSheet(&form)};
    for (auto& sheet : sheets) sheet.SetPageControl(&pages);
    EXPECT_EQ(pages.PageCount(), 3);
    EXPECT_EQ(pages.ActivePageIndex(), 0);  // the first page starts active
    EXPECT_EQ(sheets[0].BoundsRect(), (TRect{0, 0, 400, 300}));

    pages.SetActivePageIndex(2);
    EXPECT_EQ(pages.ActivePage(), &sheets[2]);
    EXPECT_FALSE(sheets[0].Visible());
    EXPECT_TRUE(sheets[2].Visible());
    EXPECT_EQ(sheets[2].BoundsRect(), (TRect{0, 0, 400, 300}));
    EXPECT_EQ(sheets[1].PageIndex(), 1);

    pages.SetActivePageIndex(5);
    EXPECT_EQ(pages.ActivePage(), nullptr);
    EXPECT_FALSE(sheets[2].Visible());
}

TEST_F(ListsAndPages, AnimationPlaysAStockClipOrAFile) {
    TAnimate animate(nullptr);
    animate.SetFileName("C:\\clip.avi");
    animate.SetCommonAVI(TCommonAVI::aviFindComputer);
    EXPECT_EQ(animate.FileName(), "");
    animate.SetFrames(1, 8);
    animate.SetActive(true);
    EXPECT_TRUE(animate.Active());
    EXPECT_EQ(animate.StopFrame(), 8);
}
