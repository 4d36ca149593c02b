// How a program outside the setup (the UI robot, tools/setupbot) learns what the setup's windows show and
// holds the user-interface thread still while it looks. Window messages only; plain constants here, so both
// sides include this header without <windows.h>.
//
// Names. Every native window of a control carries its design name ("BitBtn2", "EdtInsName", "SetupTab6",
// "ModeButtons[1]", "frmSetupGuide") as the window property kNameProperty: a global atom (GlobalAddAtomA)
// whose name is the design name. Read it with GetPropA and GlobalGetAtomNameA.
//
// Describe. RegisterWindowMessageA(kDescribeMessage), sent to any top-level window of a form with
// wParam = a window of the asker. Before it returns, the setup sends WM_COPYDATA to that window with
// dwData = kDescriptionData and the description of every form of the process as lpData, then returns
// kDescribeAnswered. The asker must wait with SendMessageTimeout(SMTO_NORMAL) or SendMessage, so that its
// thread takes the WM_COPYDATA while it waits. The setup answers whenever its thread dispatches messages:
// in a modal loop, a message box, the folder browser, the busy window, the copy stage's meters, a hold.
//
// Describe in place (what the robot uses): RegisterWindowMessageA(kDescribeInPlaceMessage), sent the same way,
// wParam and lParam 0. The setup sends nothing back: it keeps the description in its own memory until the
// next Describe in place and returns the address there of a DescriptionRecord (0: not a form window). The
// asker reads the record and then the text with ReadProcessMemory. The setup's thread never waits on the
// asker this way. An answer by WM_COPYDATA is a second cross-process SendMessage inside the first; when the
// asker does not take it (seen under Wine, with an optimised robot), the setup's thread stays inside it for
// good: it takes every later Describe nested there and never again a posted Hold or Release.
//
// The description is text in the system code page: lines ended by '\n', fields separated by '\t'. In a
// text field a backslash escapes: "\\\\" backslash, "\\t" tab, "\\n" line feed, "\\r" carriage return.
// Rectangles are screen coordinates: LEFT TOP WIDTH HEIGHT. Flags are "1" or "0". Lines, in this order:
//
//   wait  KIND  FORM
//       what the thread was doing when it answered. KIND: "modal" (the modal loop of FORM waits for the
//       user), "application" (the application's loop: no modal form), "busy" (pending messages dispatched
//       from inside a running operation, such as the installation stages), "messagebox", "browser" (the
//       folder browser is open), "hold" (held, see below). FORM: the active modal form's name, or empty.
//   form  NAME  CAPTION  VISIBLE  ENABLED  ACTIVE  LEFT TOP WIDTH HEIGHT
//       one per form that has a window; ACTIVE is 1 for the form whose modal loop runs innermost (or, with
//       none, the application's main form). The rectangle is the whole window, frame included.
//   control  FORM  NAME  CLASS  PARENT  SHOWING  ENABLED  LEFT TOP WIDTH HEIGHT  COLOR  STATE  TEXT
//       one per control of each form, parents before children, in the parent's order (graphic controls
//       included). CLASS is the library's class name (TLabel, TBitBtn, TRadioButton, TEdit, TMemo, TListBox,
//       TCheckListBox, TListView, TPanel, TGroupBox, TBevel, TImage, TArMeter, TCGauge, TAnimate,
//       TPageControl, TTabSheet, ...). PARENT: the parent control's name. SHOWING: the control and every
//       parent visible. ENABLED: the control and every parent enabled. COLOR: the font colour as a TColor
//       in 8 hex digits. STATE: a radio button's check (1/0), a list box's item index, a list view's
//       selected row, a gauge's or meter's position, else empty. TEXT: the caption or text (a memo's lines
//       joined by "\r\n").
//   item  FORM  NAME  INDEX  STATE  ENABLED  TEXT
//       each item of a list box or check-list box; STATE "checked", "unchecked", "grayed" (check lists)
//       or "-".
//   column  FORM  NAME  INDEX  WIDTH  CAPTION
//   row  FORM  NAME  INDEX  CELL...
//       a list view's columns and rows (the row's caption, then its sub-items, one field each).
//   messagebox  CAPTION  FLAGS  TEXT
//       while the setup shows a message box: its caption, MB_* flags in decimal, and text.
//   browser  FLAGS  TITLE
//       while the folder browser is open: its BIF_* flags in decimal and title.
//
// Hold. RegisterWindowMessageA(kHoldMessage) posted to a top-level form window: when the thread next
// dispatches messages it stays in a loop that dispatches them (so it paints, answers Describe and runs
// its timers) but returns to what it was doing only when RegisterWindowMessageA(kReleaseMessage) is posted
// to the same window. Describe then reports "hold". The robot uses it to look at the screen at a quiet
// moment while the installation stages run.
#pragma once
#include <cstdint>

namespace vcl::win32::robot {

inline constexpr char kNameProperty[] = "TableSetup.Name";
inline constexpr char kDescribeMessage[] = "TableSetup.Describe";
inline constexpr char kDescribeInPlaceMessage[] = "TableSetup.DescribeInPlace";
inline constexpr char kHoldMessage[] = "TableSetup.Hold";
inline constexpr char kReleaseMessage[] = "TableSetup.Release";
inline constexpr unsigned long kDescriptionData = 0x54534431;  // "TSD1"
inline constexpr long kDescribeAnswered = 0x5453;

// Where an in-place description lies in the setup's process. Fixed-width fields: the record reads the same
// whatever the asker's pointer size.
struct DescriptionRecord {
    std::uint32_t signature;  // kDescriptionData
    std::uint32_t serial;     // counts the answers: the same before and after reading the text, the text is whole
    std::uint64_t text;       // address of the text in the setup's process
    std::uint64_t size;       // bytes of text (no terminating zero)
};

}  // namespace vcl::win32::robot
