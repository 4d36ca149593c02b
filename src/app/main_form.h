// The main window: the full-screen window that lists the five installation steps, shows the installation
// status and the module being copied, owns the product table and the package component, and runs the
// installation sequence once when it first receives its size.
#pragma once
#include <array>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/product_table.h"
#include "archive/meters.h"
#include "archive/unzipper.h"
#include "vcl/forms.h"
#include "vcl/graphics.h"
#include "vcl/meters.h"
#include "vcl/stdctrls.h"
#include "vcl/timer.h"

namespace app {

// The password the packages of every medium are encrypted with (stored with the package component).
inline constexpr char kPackagePassword[] = "pluvermak_*&!";

// The main window is the product table as well: the stages read Products, Modules, CurMode... as members.
// It is several megabytes; Application->CreateForm makes it on the heap.
class TMainForm : public vcl::TForm, public TProductTable {
public:
    explicit TMainForm(vcl::TComponent* owner);
    ~TMainForm() override;

    // Handlers bound in the constructor.
    void FormCreate(vcl::TComponent* sender);   // layout, background picture, loading the description
    void FormResize(vcl::TComponent* sender);   // the installation sequence, once
    void FormShow(vcl::TComponent* sender);     // start time
    void FormActivate(vcl::TComponent* sender); // immediate repaint
    void FormPaint(vcl::TComponent* sender);    // immediate repaint
    void Timer1Timer(vcl::TComponent* sender);  // current time
    void FormCloseQuery(vcl::TComponent* sender, bool& canClose);  // refused while installing

    // The installation stages, in the order the sequence runs them. Each reports its own problems; an
    // exception that escapes one ends the sequence (the application's exception box shows it).
    void CopyPackages();
    void ConfigureEnvironment();
    void PublishApplications();
    void CreateProgramGroup();

    // --- Copy stage (install/copy_packages.cpp) ---
    // Puts the title (an empty one keeps the previous module's) and the first 11 description lines of
    // Comments[mode][p][k] on the right panel, the title centred over Panel4.
    void ShowModuleComment(int mode, int p, int k);
    // Shows the picture of Modules[CurMode][p][k] when it can be read, then extracts its packages in order.
    void CopyModule(int p, int k);
    // CurTargetDir for package l of the module: MainPath, or MainPath\Directory; creates that directory.
    void PreparePackageDir(int p, int k, int l);
    // Extracts package l of the module into CurTargetDir (macros substituted) after removing earlier copies
    // of its files, records them for the uninstaller and advances the gauge. An empty or missing package
    // changes nothing. Errors the package component raises (no such directory, unknown format) pass on.
    void ExtractPackage(int p, int k, int l);
    // Extracts public module i (an index into PublicModules) into its own directory; nothing is recorded.
    void ExtractPublicModule(int i);
    // Extracts every item of the open package; each item that could not be written is noted as a failure
    // (with the Windows error) and its stored name returned.
    std::set<std::string> ExtractEveryItem(const std::string& packageName);
    // Called after each package with items has been extracted, for observers of a run (tests, reports):
    // its file name, the directory it was extracted into, the items' stored names in archive order, and the
    // product index its files were recorded under for the uninstaller (-1 for a public module: none).
    std::function<void(const std::string& package, const std::string& baseDir, const std::vector<std::string>& names,
                       int recordedProduct)>
        OnPackageExtracted;

    // --- Environment stage: the frame, the INI step and the boot files (install/configure_environment.cpp,
    // install/boot_files.cpp) ---
    // Step 1: each chosen product's INI entries, macros substituted in the table, written through the
    // profile calls.
    void WriteIniFiles();
    // Step 8: the chosen products' lines appended to C:\AUTOEXEC.BAT after a backup in C:\AUTOEXEC.CHT,
    // PATH lines in short form.
    void EditAutoexecBat();
    // Step 9: the same for C:\CONFIG.SYS and C:\CONFIG.CHT, without PATH rewriting.
    void EditConfigSys();
    // Called with a step's member name ("WriteIniFiles", "RegisterProducts", ... "EditConfigSys") just
    // before ConfigureEnvironment runs it; for observers of a run (tests, reports).
    std::function<void(const std::string& step)> OnEnvironmentStep;

    // --- Registry and uninstall registration, steps 2 to 7 of the environment stage
    // (install/registration.cpp) ---
    void RegisterProducts();     // the products' registry keys
    void RegisterInstallInfo();  // the install information key
    void RegisterRunOnce();      // RunOnce values
    void CopyUninstaller();      // copy of the uninstaller
    void WriteLoginInfo();       // login information file
    void RegisterUninstall();    // uninstall entry
    // Writes the uninstall file list of one extracted package: product index (0-based), the directory it
    // was extracted into and the items' stored names in archive order.
    void RecordExtractedFiles(int product, const std::string& baseDir, const std::vector<std::string>& names);

    // --- Publishing and the program group (install/publish_applications.cpp, install/program_group.cpp) ---
    // Creates every missing level of a directory path; a path that is not a folder afterwards is noted as a
    // failure (with the Windows error), and the caller goes on.
    void MakeDirectoryPath(const std::string& path);
    std::string GetShortcutFolder(const std::string& group, const std::string& productName);

    // --- Failures the stages show no message for (a value that cannot be written, a file that cannot be
    // created): passed to OnFailure for observers of a run (setupcheck lists them). ---
    std::function<void(const std::string& what)> OnFailure;
    void NoteFailure(const std::string& what) const {
        if (OnFailure) OnFailure(what);
    }

    // Runs one entry of AddPrograms ("caption,program parameters"), announced in the busy window.
    void RunAdditionalProgram(const std::string& entry);

    // Replaces the macros of text in place with this machine's folders, the products' paths and the
    // instance name typed in the wizard.
    std::string& Substitute(std::string& text) const;

    // The setup folder: the current directory when the window was created.
    const std::string& SetupFolder() const { return setupFolder_; }
    // True once the installation sequence has started (it never starts twice).
    bool SequenceStarted() const { return sequenceStarted_; }
    // True while the installation runs: from the wizard's confirmation until the window closes itself after
    // the last step, or until an exception from a stage ends the sequence. Closing the setup's windows from
    // outside (Alt+F4, the close command) is refused meanwhile: it would leave a half-made installation.
    bool InstallationRunning() const { return installing_; }

    // Called with a stage's name ("CopyPackages", "ConfigureEnvironment", "PublishApplications",
    // "CreateProgramGroup") just before the sequence runs it; for observers of a run (tests, reports).
    std::function<void(const std::string& stage)> OnStage;

    // --- Left panel: the step list and the installation status ---
    vcl::TPanel Panel2{this};
    vcl::TLabel Label1{this}, Label2{this}, Label3{this}, Label4{this}, Label8{this};
    vcl::TBevel Bevel1{this}, Bevel2{this};
    vcl::TGroupBox GroupBox1{this};
    vcl::TLabel Label7{this}, Label21{this}, Label22{this};
    vcl::TLabel Label5{this}, Label6{this};
    vcl::TArMeter amFile{this}, amPack{this};
    vcl::TCGauge CGauge1{this};
    vcl::TImage Image2{this};
    // --- Right panel: the background and the module being copied ---
    vcl::TPanel Panel4{this};
    vcl::TImage Image1{this}, Image4{this};
    vcl::TLabel Label20{this};
    vcl::TLabel Label9{this}, Label10{this}, Label11{this}, Label12{this}, Label13{this}, Label14{this},
        Label15{this}, Label16{this}, Label17{this}, Label18{this}, Label19{this};
    // Label9 ... Label19 from top to bottom: the comment lines of the module being copied.
    std::array<vcl::TLabel*, 11> CommentLabels;

    vcl::TTimer Timer1{this};
    archive::TArUnZipper auzPack;
    archive::TArVCLMeterLink avmpack, avmfile;

private:
    void RunInstallationSequence();
    void RunStage(const char* name, void (TMainForm::*stage)());
    // Moves the step mark from one step label to the next and repaints both.
    void MarkStep(vcl::TLabel& finished, vcl::TLabel& current);
    // Shows the machine's local time with format (three %02d fields) in label.
    void ShowTime(vcl::TLabel& label, const char* format);
    void RepaintAll();

    std::string setupFolder_;
    bool sequenceStarted_ = false;
    bool installing_ = false;
};

}  // namespace app
