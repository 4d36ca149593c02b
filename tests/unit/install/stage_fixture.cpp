// The installation-stage fixture (see the header).
#include "install/stage_fixture.h"

#include "support/test_machine.h"
#include "support/zip_builder.h"
#include "wizard/setup_busy.h"
#include "wizard/setup_guide.h"
#include "wizard/setup_module_sel.h"
#include "wizard/setup_path_dialog.h"
#include "wizard/setup_prompt.h"

namespace install_test {

std::string ReadText(const std::string& path) {
    std::vector<uint8_t> bytes = test_support::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

bool Exists(const std::string& path) { return os::files().getFileAttributes(path) != os::kInvalidAttributes; }

void RemoveIfPresent(const std::string& path) {
    const uint32_t attributes = os::files().getFileAttributes(path);
    if (attributes == os::kInvalidAttributes) return;
    if (attributes & os::kAttrDirectory) {
        os::files().removeDirectory(path);
        return;
    }
    os::files().setFileAttributes(path, os::kAttrNormal);
    os::files().deleteFile(path);
}

void RemoveBootFiles() {
    for (const char* path : kBootFiles) RemoveIfPresent(path);
    for (const char* path : kPartialBackups) RemoveIfPresent(path);
}

void DeleteTree(const std::string& path, os::RootKey root) {
    for (const std::string& sub : os::registry().subKeyNames(root, path)) DeleteTree(path + "\\" + sub, root);
    os::registry().deleteKey(root, path);
}

std::string ShortOf(const std::string& path) {
    std::string shortPath;
    EXPECT_TRUE(os::system().shortPathName(path, shortPath)) << path;
    return shortPath;
}

void InstallStage::SetUp() {
    previousBackend_ = vcl::SetBackend(&backend);
    folder = test_support::MakeTempDir();
    previousDirectory_ = os::files().getCurrentDirectory();
    os::files().setCurrentDirectory(folder);
#ifndef _WIN32
    Sim().settings() = os::sim::Settings{};
#endif
}

void InstallStage::TearDown() {
    for (const ShellFolder& kept : keptShellFolders_) {
        if (kept.existed)
            os::registry().writeString(HKCU, kShellFolders, kept.name, kept.value);
        else
            os::registry().deleteValue(HKCU, kShellFolders, kept.name);
    }
    // The windows go while the backend they were made with is still in place.
    app::DestroySetupWindows();
    vcl::SetBackend(previousBackend_);
    os::files().setCurrentDirectory(previousDirectory_);
#ifndef _WIN32
    Sim().settings() = os::sim::Settings{};
#endif
}

void InstallStage::WriteMedium(const std::string& setupIni, const std::string& commentIni) {
    test_support::WriteFile(In("SETUP.INI"), setupIni);
    test_support::WriteFile(In("CONFIG.INI"), "[Additional Programs]\r\n");
    test_support::WriteFile(In("COMMENT.INI"), commentIni);
}

void InstallStage::WriteTwoProductMedium(const std::string& mainPaths) {
    WriteMedium("[InstallMode]\r\nMode1=完全安装,0,全部\r\n"
                "[Default MainPath]\r\n" + mainPaths +
                    "[Products Name]\r\nProductName1=商店,1,0,ShopKey\r\nProductName2=Tools,1,0,ToolsKey\r\n"
                    "[Product1Mode1]\r\nName1=Client,1,,,1,a.dat,\r\n"
                    "[Product2Mode1]\r\nName1=Base,1,,,1,a.dat,\r\n",
                "[Product1Ins1Mod1]\r\nName=客户端\r\n");
    Package("a.dat", {{"readme.txt", "package", 0, ""}});
}

void InstallStage::Package(const std::string& file, const std::vector<PackageItem>& items) {
    test_support::ZipBuilder builder;
    for (const PackageItem& item : items) {
        test_support::ZipBuildEntry& entry = builder.Add(item.name, item.content);
        entry.method = item.method;
        entry.password = item.password;
    }
    test_support::WriteFile(In(file), builder.Build());
}

void InstallStage::CreateWindows(int products) {
    app::CreateSetupWindows();
    ASSERT_EQ(Table().ProductCount, products);
    ASSERT_EQ(app::frmSetupGuide->CheckListBox1.Items.Count(), products);
    Table().OnFailure = [this](const std::string& what) { failures.push_back(what); };
}

void InstallStage::KeepShellFolder(const std::string& name) {
    ShellFolder kept;
    kept.name = name;
    kept.existed = os::registry().readString(HKCU, kShellFolders, name, kept.value);
    keptShellFolders_.push_back(kept);
}

void InstallStage::Choose(const std::string& marks) {
    for (size_t i = 0; i < marks.size(); ++i)
        app::frmSetupGuide->CheckListBox1.SetState(int(i), marks[i] == 'x'   ? vcl::TCheckBoxState::cbChecked
                                                           : marks[i] == 'g' ? vcl::TCheckBoxState::cbGrayed
                                                                             : vcl::TCheckBoxState::cbUnchecked);
}

void InstallStage::Shortcuts(const std::vector<app::TShortCut>& list) {
    Table().ShortCutCount = int(list.size());
    for (size_t i = 0; i < list.size(); ++i) Table().ShortCuts[i] = list[i];
}

std::vector<vcl::headless::MessageBoxRecord> InstallStage::BoxesSaying(const std::string& text) const {
    std::vector<vcl::headless::MessageBoxRecord> found;
    for (const auto& box : backend.MessageBoxes())
        if (box.text == text) found.push_back(box);
    return found;
}

}  // namespace install_test
