#pragma once
// The main window's keys: one table of (key, condition, command) that the
// window consults for every key it previews, character and remote keys alike.

#include <optional>

enum class KeyCommand
{
    StartStopRun,
    MarkNode,        // from the remote: the node button's own rules
    ParkAndMarkNode, // from the keyboard: the focus is parked first, always
    EndStudy,
    TakeDelayNumber, // the delay box's text goes into the next record
};

// What the conditions of the table look at.
struct KeyState
{
    bool remoteEnabled = false;
    bool runActive = false;
    bool delayBoxHasFocus = false;
};

// A key as pressed: the character it types (0 for none; Enter types '\r')
// and its key code (a Qt::Key value).
struct KeyPress
{
    char typed = 0;
    int code = 0;
};

// The command of the first rule that matches the key and whose condition
// holds; nothing for a key the window leaves alone.
std::optional<KeyCommand> CommandForKey(const KeyPress& key, const KeyState& state);
