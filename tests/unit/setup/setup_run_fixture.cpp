// The headless run fixture (see the header).
#include "setup/setup_run_fixture.h"

#include "os/machine.h"
#include "support/test_machine.h"
#include "support/zip_builder.h"

#ifndef _WIN32
#include "os/sim/sim_machine.h"
#include "os/sim/sim_shell.h"
#endif

namespace setup_test {

void RecordingBackend::Changed(vcl::TControl& c, vcl::TChange what) {
    inner.Changed(c, what);
    if (what == vcl::TChange::Text && app::frmSetup && &c == &app::frmSetup->Panel1) {
        busyTexts.push_back(c.Caption());
        if (timeline) timeline->push_back("busy:" + c.Caption());
    }
}

void RecordingBackend::ProcessMessages() {
    inner.ProcessMessages();
    if (timeline) timeline->push_back("messages");
    if (onProcessMessages) onProcessMessages();
}

void SetupRun::SetUp() {
    previousBackend_ = vcl::SetBackend(&backend);
    backend.timeline = &timeline;
    folder = test_support::MakeTempDir();
    previousDirectory_ = os::files().getCurrentDirectory();
    previousModule_ = os::files().moduleFileName();
    os::files().setCurrentDirectory(folder);
#ifndef _WIN32
    auto& sim = dynamic_cast<os::sim::SimMachine&>(os::machine());
    sim.setModuleFileName(In("SETUP.EXE"));
    sim.settings() = os::sim::Settings{};
#endif
}

void SetupRun::TearDown() {
    vcl::Application->DestroyForms();
    vcl::SetBackend(previousBackend_);
    os::files().setCurrentDirectory(previousDirectory_);
#ifndef _WIN32
    auto& sim = dynamic_cast<os::sim::SimMachine&>(os::machine());
    sim.setModuleFileName(previousModule_);
    sim.settings() = os::sim::Settings{};
#endif
}

void SetupRun::Write(const std::string& name, const std::string& text) { test_support::WriteFile(In(name), text); }

void SetupRun::Package(const std::string& name) {
    test_support::ZipBuilder builder;
    builder.Add("readme.txt", std::string("package"));
    test_support::WriteFile(In(name), builder.Build());
}

void SetupRun::WriteMedium(const std::string& additionalPrograms) {
    Write("SETUP.INI",
          "[InstallMode]\r\nMode1=完全安装,0,全部\r\nMode2=客户端,0,只装客户端\r\nMode3=服务器,1,服务器\r\n"
          "[Default MainPath]\r\nMainPath1=C:\\Shop\r\nMainPath2=C:\\Tools\r\n"
          "[Products Name]\r\nProductName1=商店,1,0,ShopKey\r\nProductName2=Tools,1,0,ToolsKey\r\n"
          "[Product1Mode1]\r\nName1=MSDE2000,1,,,1,a.dat,\r\n"
          "[Product1Mode2]\r\nName1=Client,1,,,1,a.dat,\r\n"
          "[Product1Mode3]\r\nName1=MSDE2000,0,,,1,a.dat,\r\n"
          "[Product2Mode1]\r\nName1=Base,1,,,1,a.dat,\r\n");
    Package("a.dat");
    Write("CONFIG.INI", "[Additional Programs]\r\n" + additionalPrograms);
    Write("COMMENT.INI", "[Product1Ins1Mod1]\r\nName=数据库\r\n");
}

void SetupRun::Run() {
    try {
        app::RunSetupProgram([this] {
            app::MainForm->OnStage = [this](const std::string& stage) {
                timeline.push_back("stage:" + stage + "@" + std::to_string(MarkedStep()));
                if (stageHook) stageHook(stage);
            };
            if (beforeRun) beforeRun();
        });
    } catch (const vcl::ERunEnded& ended) {
        // The script ran out or an action was refused: say which (the texts are GBK; the test log shows bytes).
        std::string boxes;
        for (const auto& box : Boxes()) boxes += " [" + box.text + "]";
        ADD_FAILURE() << "the run ended early: " << ended.Message() << "; page "
                      << (app::frmSetupGuide ? app::frmSetupGuide->PageNo : 0) << "; message boxes:" << boxes;
    }
}

int SetupRun::MarkedStep() {
    vcl::TLabel* steps[] = {&app::MainForm->Label1, &app::MainForm->Label2, &app::MainForm->Label3,
                            &app::MainForm->Label4, &app::MainForm->Label8};
    int marked = 0;
    for (int i = 0; i < 5; ++i) {
        if (steps[i]->Font.Color() != vcl::clYellow) continue;
        if (marked) return 0;
        marked = i + 1;
    }
    return marked;
}

#ifndef _WIN32
size_t StartedCount() {
    return os::sim::SimShellOf(dynamic_cast<os::sim::SimMachine&>(os::machine())).startedPrograms().size();
}

std::vector<std::string> StartedSince(size_t first) {
    const auto& all = os::sim::SimShellOf(dynamic_cast<os::sim::SimMachine&>(os::machine())).startedPrograms();
    std::vector<std::string> out;
    for (size_t i = first; i < all.size(); ++i)
        out.push_back(all[i].operation + " " + all[i].file + "|" + all[i].parameters + "|" + all[i].directory + "|" +
                      std::to_string(all[i].showCommand));
    return out;
}

std::vector<void*> StartedOwnersSince(size_t first) {
    const auto& all = os::sim::SimShellOf(dynamic_cast<os::sim::SimMachine&>(os::machine())).startedPrograms();
    std::vector<void*> out;
    for (size_t i = first; i < all.size(); ++i) out.push_back(all[i].owner);
    return out;
}
#else
size_t StartedCount() { return 0; }
std::vector<std::string> StartedSince(size_t) { return {}; }
std::vector<void*> StartedOwnersSince(size_t) { return {}; }
#endif

}  // namespace setup_test
