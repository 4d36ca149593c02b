// Pages 7 and 8 of the wizard: the install paths with their sizes, the folder browser and the path dialog,
// the summary and the disk-space check.
#include <algorithm>

#include "app/main_form.h"
#include "app/setup_program.h"
#include "rtl/strings.h"
#include "vcl/dialogs.h"
#include "wizard/disk_space.h"
#include "wizard/install_paths.h"
#include "wizard/setup_guide.h"
#include "wizard/setup_path_dialog.h"

namespace wizard {
namespace {

constexpr char kBrowseTitle[] = "请选择一个新文件夹的位置";
constexpr char kNotAFolder[] = "您选择的路径无效！请重新选择路径！";
constexpr char kNetworkPlace[] = "您不能在“网上邻居”中安装！请重新选择路径！";
constexpr char kPromptCaption[] = "提示";

int ProductRows(const app::TProductTable& table) { return std::clamp(table.ProductCount, 0, app::kMaxProducts); }

// A product is listed (and summarised) when its mark in the product list is checked or grayed.
bool ProductMarked(const vcl::TCheckListBox& list, int index) {
    return index >= 0 && index < list.Items.Count() && list.State(index) != vcl::TCheckBoxState::cbUnchecked;
}

}  // namespace

// One row per product, so that the row number is the product number; products without a mark get an
// empty row. No row is selected afterwards, so both path buttons go off.
void TfrmSetupGuide::FillPathList() {
    const app::TMainForm& table = *app::MainForm;
    ListView1.ClearItems();
    for (int p = 0; p < ProductRows(table); ++p) {
        if (!ProductMarked(CheckListBox1, p)) {
            ListView1.AddItem("");
            continue;
        }
        const app::TProduct& product = table.Products[size_t(p)];
        ListView1.AddItem(product.Name, {product.MainPath, MegabytesText(SelectedModuleBytes(table, p))});
    }
    BitBtn5.SetEnabled(false);
    BitBtn6.SetEnabled(false);
}

// The path buttons work on the selected row; an empty row may be selected like any other.
void TfrmSetupGuide::ListView1Click(vcl::TComponent*) {
    bool selected = ListView1.SelectedIndex() >= 0;
    BitBtn5.SetEnabled(selected);
    BitBtn6.SetEnabled(selected);
}

// "改变路径...": the shell's folder browser. Every product on a lettered drive moves to the chosen drive;
// the selected product takes the chosen folder itself.
void TfrmSetupGuide::BitBtn5Click(vcl::TComponent*) {
    app::TMainForm& table = *app::MainForm;
    int row = ListView1.SelectedIndex();
    if (row < 0 || row >= ProductRows(table)) return;  // the button is off without a selected row

    std::string path;
    if (!vcl::BrowseForFolder(kBrowseTitle, vcl::bifNone, path)) return;
    if (path.empty()) {  // the chosen item is no file-system folder
        vcl::Application->MessageBox(kNotAFolder, kPromptCaption, vcl::mbOK | vcl::mbIconStop);
        return;
    }
    if (path[0] == '\\') {  // a place in the network neighbourhood
        vcl::Application->MessageBox(kNetworkPlace, kPromptCaption, vcl::mbOK | vcl::mbIconStop);
        return;
    }
    // A drive's root ("E:\") becomes "E:". The removal steps over double-byte characters, so a name
    // ending in a character whose second byte is '\' keeps that character.
    path = rtl::ExcludeTrailingBackslash(path);
    MoveProductsToDrive(table, path[0], false);
    table.Products[size_t(row)].MainPath = path;
    FillPathList();
}

// "手工修改安装路径": the path dialog for the selected product; the list follows an accepted change.
void TfrmSetupGuide::BitBtn6Click(vcl::TComponent*) {
    if (app::frmPath && app::frmPath->ShowModal() == vcl::mrOk) FillPathList();
}

// The summary: the chosen products in order, each with its selected modules indented by four spaces and
// followed by a line holding one space.
void TfrmSetupGuide::FillSummary() {
    const app::TMainForm& table = *app::MainForm;
    ListBox1.Items.Clear();
    ListBox1.Items.Add("安装信息：");
    ListBox1.Items.Add(" ");
    int mode = table.CurMode;
    bool modeValid = mode >= 0 && mode < app::kMaxInstallModes;
    for (int p = 0; p < ProductRows(table); ++p) {
        if (!ProductMarked(CheckListBox1, p)) continue;
        const app::TProduct& product = table.Products[size_t(p)];
        ListBox1.Items.Add(product.Name);
        int modules = modeValid ? std::clamp(product.ModuleCount, 0, app::kMaxModules) : 0;
        for (int k = 0; k < modules; ++k) {
            const app::TModule& module = table.Modules[size_t(mode)][size_t(p)][size_t(k)];
            if (module.State != 0) ListBox1.Items.Add("    " + module.Name);
        }
        ListBox1.Items.Add(" ");
    }
}

// Whether the selected modules of all products fit on the first product's drive. The requirement is
// summed and compared in 64 bits so that 2 GiB or more cannot wrap or saturate into a figure that fits.
// Every check measures afresh: a drive that cannot be measured has 0 MiB free (never the figure of an
// earlier drive), so the shortage message names it and the user can choose another path. A first path
// without a drive letter (empty, relative, a server share) names no drive to measure: the check then
// reports no shortage, with DriveNo and FreeMB 0, rather than a message naming a drive that does not exist.
bool TfrmSetupGuide::CheckDiskSpace() {
    const app::TMainForm& table = *app::MainForm;
    RequiredBytes = SelectedModuleBytesOfAllProducts(table);
    const char letter = table.ProductCount > 0 ? DriveLetterOf(table.Products[0].MainPath) : 0;
    if (letter == 0) {
        DriveNo = 0;
        FreeMB = 0;
        return false;
    }
    // Upper-cased for the measurement and the message only; the stored path keeps its own case.
    DriveNo = letter - 64;
    FreeMB = MeasureFreeMegabytes(letter, table.IsWin9x);
    return IsShortage(RequiredBytes, FreeMB);
}

}  // namespace wizard
