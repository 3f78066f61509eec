#pragma once
// Which window each command of the main window opens. The desktop program and
// the tests register the same windows through this one function, so a test of
// a menu entry or a start-window button checks what a user gets.
namespace pravel {

class CMainFrame;

// Registers every window served by a command, and the Map view.
void register_windows(CMainFrame& frame);

}  // namespace pravel
