#pragma once

namespace yumekaze::app {

class TForm1;

// The session kept across runs: the play list, its current entry and the time played of it,
// repeat and shuffle, and the main window's place.
void SaveSession(TForm1& form1);
// Brings a stored session back: the current entry is loaded, stopped and silent, and the next
// play starts at the stored time. False when none was stored.
bool RestoreSession(TForm1& form1);

}  // namespace yumekaze::app
