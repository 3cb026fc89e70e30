#pragma once
// Closing every window of the program, last opened first.
void UnloadAllForms();

// Ends the program once no window is left, after the events under way.
void EndIfNoWindows();
