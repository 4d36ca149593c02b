// The application list of the family's publishing client: "autopublish.ini" in the system directory lists,
// per chosen product, the programs that get shortcuts, grouped as in the Start menu, with paths relative
// to the product's installation directory.
//
// The file, as the client reads it (every value a string, numbers decimal from 1 and running on across
// the products of one file):
//   [InstallPath]  PathKey = "SOFTWARE\Tessarine\" + RegKey, ValueName = "ProductPath1" (the last chosen
//                  product's values remain)
//   [Root]         App<n> = "" for an application without a group; Dir<d> = "" once per group
//   [Dir<d>]       Name = Hint = the group, AppList = "AppList<d>"
//   [AppList<d>]   App<n> = "" for each application of group d
//   [App<n>]       AppName = Hint = the link name, AppPath = "%installpath%\" + the target after
//                  "_MAINPATH_d\", AppWorkdir = "%installpath%\", IconID = ClientStyle = "0"
// Keys and sections are added through the profile calls, so they stand in the order they were written.
#include <algorithm>
#include <vector>

#include "app/main_form.h"
#include "install/stage_support.h"
#include "os/machine.h"
#include "rtl/strings.h"

namespace app {

namespace {

constexpr char kFileName[] = "autopublish.ini";
constexpr char kInstallPath[] = "%installpath%\\";
// The targets of published applications begin with "_MAINPATH_", the product digit and a backslash.
constexpr size_t kMainPathPrefixLength = 12;

// Programs of the product family that are never published.
bool NeverPublished(const std::string& target) {
    const std::string upper = rtl::AnsiUpperCase(target);
    return upper.find("PRTCFG.EXE") != std::string::npos || upper.find("DESKHOST.EXE") != std::string::npos;
}

// Writes the keys of one file and notes the first write that fails (one note says the file is incomplete).
class PublishedList {
public:
    PublishedList(const TMainForm& form, std::string path) : form_(form), path_(std::move(path)) {}

    void Write(const std::string& section, const std::string& key, const std::string& value) {
        if (os::profile().writeString(path_, section, key, value) || failed_) return;
        failed_ = true;
        form_.NoteFailure("file " + path_ + " could not be written completely" + LastErrorText());
    }

private:
    const TMainForm& form_;
    std::string path_;
    bool failed_ = false;
};

struct PublishedGroup {
    std::string upperName;  // compared without regard to case
    int number = 0;
};

}  // namespace

void TMainForm::PublishApplications() {
    // The system directory comes from the system itself: the macro texts need not have been substituted
    // before this stage.
    const std::string path = rtl::IncludeTrailingBackslash(os::system().systemDirectory()) + kFileName;
    os::FileSystem& files = os::files();
    // Every installation writes a fresh file.
    if (!files.deleteFile(path)) {
        const uint32_t error = files.lastError();
        if (files.getFileAttributes(path) != os::kInvalidAttributes)
            NoteFailure("file " + path + " could not be deleted" + WindowsErrorText(error) + "; its old entries remain");
    }

    PublishedList list(*this, path);
    int app = 1, dir = 0;
    std::vector<PublishedGroup> groups;
    const int products = Bounded(ProductCount, kMaxProducts);
    const int shortcuts = Bounded(ShortCutCount, kMaxShortCuts);
    for (int p = 0; p < products; ++p) {
        if (!ProductChosen(p)) continue;
        list.Write("InstallPath", "PathKey", "SOFTWARE\\Tessarine\\" + Products[size_t(p)].RegKey);
        list.Write("InstallPath", "ValueName", "ProductPath1");

        for (int i = 0; i < shortcuts; ++i) {
            const TShortCut& shortcut = ShortCuts[size_t(i)];
            if (NeverPublished(shortcut.Target) || shortcut.ProductNo != p + 1) continue;
            const std::string appKey = "App" + rtl::IntToStr(app);

            if (shortcut.Group.empty()) {
                list.Write("Root", appKey, "");
            } else {
                const std::string upper = rtl::AnsiUpperCase(shortcut.Group);
                auto group = std::find_if(groups.begin(), groups.end(),
                                          [&](const PublishedGroup& known) { return known.upperName == upper; });
                if (group == groups.end()) {
                    ++dir;
                    const std::string number = rtl::IntToStr(dir);
                    list.Write("Root", "Dir" + number, "");
                    groups.push_back({upper, dir});
                    group = groups.end() - 1;
                    list.Write("Dir" + number, "Name", shortcut.Group);
                    list.Write("Dir" + number, "Hint", shortcut.Group);
                    list.Write("Dir" + number, "AppList", "AppList" + number);
                }
                list.Write("AppList" + rtl::IntToStr(group->number), appKey, "");
            }

            const std::string relative =
                shortcut.Target.size() > kMainPathPrefixLength ? shortcut.Target.substr(kMainPathPrefixLength) : "";
            list.Write(appKey, "AppName", shortcut.LinkName);
            list.Write(appKey, "Hint", shortcut.LinkName);
            list.Write(appKey, "AppPath", kInstallPath + relative);
            list.Write(appKey, "AppWorkdir", kInstallPath);
            list.Write(appKey, "IconID", "0");
            list.Write(appKey, "ClientStyle", "0");
            ++app;
        }
    }
}

}  // namespace app
