#pragma once
// Closing every window of the program, last opened first.
void UnloadAllForms();
