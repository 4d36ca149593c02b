// Registry values and INI entries of the journalling machine, each with the value it replaces. An INI
// entry also changes its file, which is reported as written.
#include "journal/journal_machine.h"
#include "rtl/strings.h"

namespace journal {
namespace {

std::string KeyName(os::RootKey root, const std::string& path) {
    static const char* const kRoots[] = {"HKCR", "HKCU", "HKLM", "HKU"};
    std::string name = kRoots[int(root)];
    size_t start = path.find_first_not_of('\\');
    if (start != std::string::npos) name += "\\" + path.substr(start);
    return name;
}

class JournalRegistry : public os::Registry {
public:
    explicit JournalRegistry(JournalMachine& machine) : machine_(machine), inner_(machine.inner().registry()) {}

    bool keyExists(os::RootKey root, const std::string& path) override { return inner_.keyExists(root, path); }

    bool createKey(os::RootKey root, const std::string& path) override {
        std::vector<std::string> missing = MissingKeys(root, path);
        if (!inner_.createKey(root, path)) return false;
        for (const std::string& key : missing) machine_.Report(Key(ChangeKind::RegistryKeyCreated, root, key));
        return true;
    }

    bool readString(os::RootKey root, const std::string& path, const std::string& name, std::string& value) override {
        return inner_.readString(root, path, name, value);
    }

    bool writeString(os::RootKey root, const std::string& path, const std::string& name,
                     const std::string& value) override {
        std::vector<std::string> missing = MissingKeys(root, path);
        std::optional<std::string> previous = Previous(root, path, name);
        if (!inner_.writeString(root, path, name, value)) return false;
        for (const std::string& key : missing) machine_.Report(Key(ChangeKind::RegistryKeyCreated, root, key));
        Change change = Key(ChangeKind::RegistryValueSet, root, path);
        change.name = name;
        change.value = value;
        change.previous = previous;
        machine_.Report(change);
        return true;
    }

    bool deleteValue(os::RootKey root, const std::string& path, const std::string& name) override {
        std::optional<std::string> previous = Previous(root, path, name);
        if (!inner_.deleteValue(root, path, name)) return false;
        Change change = Key(ChangeKind::RegistryValueDeleted, root, path);
        change.name = name;
        change.previous = previous;
        machine_.Report(change);
        return true;
    }

    bool deleteKey(os::RootKey root, const std::string& path) override {
        if (!inner_.deleteKey(root, path)) return false;
        machine_.Report(Key(ChangeKind::RegistryKeyDeleted, root, path));
        return true;
    }

    std::vector<std::string> subKeyNames(os::RootKey root, const std::string& path) override {
        return inner_.subKeyNames(root, path);
    }
    std::vector<std::string> valueNames(os::RootKey root, const std::string& path) override {
        return inner_.valueNames(root, path);
    }
    // The journal's own look-ups come before the change they report, so the error is the change's.
    uint32_t lastError() override { return inner_.lastError(); }

private:
    static Change Key(ChangeKind kind, os::RootKey root, const std::string& path) {
        Change change;
        change.kind = kind;
        change.path = KeyName(root, path);
        return change;
    }

    // The keys a creation of path would add, from the highest down: every key of the path that is missing.
    // Separators are found character by character (a double-byte character may end in the byte of '\\').
    std::vector<std::string> MissingKeys(os::RootKey root, const std::string& path) {
        std::vector<std::string> missing;
        size_t start = path.find_first_not_of('\\');
        if (start == std::string::npos) return missing;
        const std::string key = path.substr(start);
        for (size_t i = 0; i <= key.size(); ++i) {
            if (i < key.size() && key[i] != '\\') {
                if (rtl::IsLeadByte(uint8_t(key[i]))) ++i;
                continue;
            }
            if (i > 0 && key[i - 1] == '\\') continue;  // an empty name between separators
            std::string upper = key.substr(0, i);
            if (!missing.empty() || !inner_.keyExists(root, upper)) missing.push_back(upper);
        }
        return missing;
    }

    std::optional<std::string> Previous(os::RootKey root, const std::string& path, const std::string& name) {
        std::string value;
        if (inner_.readString(root, path, name, value)) return value;
        return std::nullopt;
    }

    JournalMachine& machine_;
    os::Registry& inner_;
};

class JournalProfile : public os::Profile {
public:
    explicit JournalProfile(JournalMachine& machine) : machine_(machine), inner_(machine.inner().profile()) {}

    std::string readString(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& defaultValue) override {
        return inner_.readString(file, section, key, defaultValue);
    }
    std::vector<std::string> sectionKeys(const std::string& file, const std::string& section) override {
        return inner_.sectionKeys(file, section);
    }
    std::vector<std::string> sectionNames(const std::string& file) override { return inner_.sectionNames(file); }

    bool writeString(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& value) override {
        bool existed = machine_.inner().files().getFileAttributes(Path(file)) != os::kInvalidAttributes;
        std::optional<std::string> previous = Previous(file, section, key);
        if (!inner_.writeString(file, section, key, value)) return false;
        Change change = Entry(ChangeKind::ProfileEntrySet, file, section, key);
        change.value = value;
        change.previous = previous;
        machine_.Report(change);
        machine_.ReportFileWritten(Path(file), existed);
        return true;
    }

    bool deleteKey(const std::string& file, const std::string& section, const std::string& key) override {
        std::optional<std::string> previous = Previous(file, section, key);
        if (!inner_.deleteKey(file, section, key)) return false;
        Change change = Entry(ChangeKind::ProfileKeyDeleted, file, section, key);
        change.previous = previous;
        machine_.Report(change);
        machine_.ReportFileWritten(Path(file), true);
        return true;
    }

    bool deleteSection(const std::string& file, const std::string& section) override {
        if (!inner_.deleteSection(file, section)) return false;
        machine_.Report(Entry(ChangeKind::ProfileSectionDeleted, file, section, ""));
        machine_.ReportFileWritten(Path(file), true);
        return true;
    }

private:
    // A file name without a folder is in the Windows directory, as the profile calls take it.
    std::string Path(const std::string& file) {
        if (!rtl::ExtractFilePath(file).empty()) return file;
        return rtl::IncludeTrailingBackslash(machine_.inner().system().windowsDirectory()) + file;
    }

    Change Entry(ChangeKind kind, const std::string& file, const std::string& section, const std::string& key) {
        Change change;
        change.kind = kind;
        change.path = Path(file);
        change.section = section;
        change.name = key;
        return change;
    }

    std::optional<std::string> Previous(const std::string& file, const std::string& section, const std::string& key) {
        for (const std::string& name : inner_.sectionKeys(file, section))
            if (rtl::SameText(name, key)) return inner_.readString(file, section, key, "");
        return std::nullopt;
    }

    JournalMachine& machine_;
    os::Profile& inner_;
};

}  // namespace

std::unique_ptr<os::Registry> MakeJournalRegistry(JournalMachine& machine) {
    return std::make_unique<JournalRegistry>(machine);
}

std::unique_ptr<os::Profile> MakeJournalProfile(JournalMachine& machine) {
    return std::make_unique<JournalProfile>(machine);
}

}  // namespace journal
