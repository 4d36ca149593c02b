// The machine port, private-profile (INI) files: the Windows profile calls the setup reads its description
// with and writes product configuration files through. Section and key names compare without regard to
// case; a file name without a path is taken from the Windows directory, as the profile calls do.
#pragma once
#include <string>
#include <vector>

namespace os {

class Profile {
public:
    virtual ~Profile() = default;

    // GetPrivateProfileString: the value of key in section, or defaultValue when the file, section or key
    // is missing. Values are trimmed of blanks and one pair of enclosing quotes, as Windows does.
    virtual std::string readString(const std::string& file, const std::string& section, const std::string& key,
                                   const std::string& defaultValue) = 0;
    // The key names of a section in file order (GetPrivateProfileString with no key name); empty when the
    // section is missing.
    virtual std::vector<std::string> sectionKeys(const std::string& file, const std::string& section) = 0;
    // The section names in file order.
    virtual std::vector<std::string> sectionNames(const std::string& file) = 0;
    // WritePrivateProfileString: replaces the key's value where it stands, or adds the key at the end of its
    // section, or adds the section at the end of the file; creates the file when missing. The rest of the
    // file is kept as it was.
    virtual bool writeString(const std::string& file, const std::string& section, const std::string& key,
                             const std::string& value) = 0;
    virtual bool deleteKey(const std::string& file, const std::string& section, const std::string& key) = 0;
    virtual bool deleteSection(const std::string& file, const std::string& section) = 0;
};

}  // namespace os
