#pragma once
// Loading and saving the preferences file.

struct modVeltripMain;

// Fills the shared settings from the preferences file, or sets the defaults
// and creates the file; then runs the screen check and picks the trigger
// sentence. A file that cannot be read is reported and the defaults are used
// without overwriting it.
void LoadPrefs(modVeltripMain& m);

// Copies the shared settings into the record and writes its 256 bytes over
// the start of the file. Reports and returns false when that fails.
bool SavePrefs(modVeltripMain& m);

// Trigger sentence from the receiver name.
void SetTriggerSentence(modVeltripMain& m);
