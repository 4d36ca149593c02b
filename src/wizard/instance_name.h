// The three checks that guard the MSDE instance name typed on the wizard's page 6, in the order
// the wizard runs them: not empty, no special characters, no existing instance of that name.
#pragma once
#include <string>

namespace wizard {

// Refusal texts, shown with the caption "提示", an OK button and the stop icon.
inline constexpr char kInstanceNameEmpty[] = "实例名不能为空";
inline constexpr char kInstanceNameSpecial[] = "实例中包含特殊字符";
inline constexpr char kInstanceNameExists[] = "该实例名已经存在！\r\n请指定其他实例名或者将该实例卸载后再安装。";

// True when some byte of name is not an ASCII digit or letter (each byte of a double-byte character,
// blanks and punctuation all count as special).
bool HasSpecialChars(const std::string& name);

// The service key (under HKEY_LOCAL_MACHINE, from the root) an instance of this name would have:
// "\SYSTEM\CURRENTCONTROLSET\SERVICES\MSSQLSERVER" for the default instance (the name in any case),
// else "\SYSTEM\CURRENTCONTROLSET\SERVICES\MSSQL$" + the name upper-cased (ANSI upper-casing).
std::string InstanceServiceKey(const std::string& name);

// Runs the three checks on name as typed (not trimmed) and returns the first refusal's text, or an empty
// text when the name is accepted. The last check opens the service key through the machine's registry,
// without creating anything.
std::string InstanceNameRefusal(const std::string& name);

}  // namespace wizard
