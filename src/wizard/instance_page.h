// The instance page (page 6) of the wizard: the instructions above the instance name and the places the
// page gives them, at the design size of a 1024-pixel screen.
#pragma once

namespace wizard {

// Label4's text: six lines with one line break between them. A lone carriage return is a line break of its
// own when a label draws its text, so two of them would leave an empty row between each pair: eleven rows,
// 132 pixels in 宋体 9 pt and 176 in the CJK face Wine draws in its place, which is more than the whole page
// is high on an 800 × 600 screen. Single breaks keep all six lines readable above the instance name.
inline constexpr char kInstanceInstructions[] =
    "    请输入要安装的MSDE数据库实例名，如尚未安装过，\r\n"
    "请使用默认的实例名。如果已经安装过，且尚未卸载，请\r\n"
    "输入其它实例名。安装完毕请务必重新启动计算机。对于\r\n"
    "Win98、WinME操作系统须重启后执行任务栏中服务管理器\r\n"
    "手动启动服务。实例名由字母和数字组成，不能包含特殊\r\n"
    "字符。系统管理员（sa）默认口令为lindorve";
inline constexpr int kInstructionLines = 6;

// Label4: word-wrapped, not auto-sized; six lines of up to 16 pixels (the tallest 9-point CJK face seen)
// and a margin. The edit box and its caption sit below it with a gap; CheckListBox1 and BitBtn4 lie below
// the page's visible area.
inline constexpr int kInstructionsLeft = 24, kInstructionsTop = 8, kInstructionsWidth = 450,
                     kInstructionsHeight = 104;
inline constexpr int kInstanceNameTop = 128;  // EdtInsName; Label7 is 4 lower, level with its text

}  // namespace wizard
