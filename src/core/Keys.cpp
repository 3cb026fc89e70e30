// The key table.

#include "Keys.h"

#include <Qt>

namespace {

enum class When
{
    Always,
    DelayBoxHasFocus,
    NoRun,
    RemoteEnabled,
};

struct KeyRule
{
    char typed; // matched case-sensitively; 0 for a key matched by its code
    int code;
    When when;
    KeyCommand command;
};

using enum KeyCommand;

// clang-format off
constexpr KeyRule kKeyRules[] = {
    // typed code                            condition                command
    {'\r', 0,                              When::DelayBoxHasFocus,  TakeDelayNumber},
    {' ',  0,                              When::Always,            ParkAndMarkNode},
    {'N',  0,                              When::Always,            ParkAndMarkNode},
    {'n',  0,                              When::Always,            ParkAndMarkNode},
    {'R',  0,                              When::Always,            StartStopRun},
    {'r',  0,                              When::Always,            StartStopRun},
    {'E',  0,                              When::NoRun,             EndStudy},
    {'e',  0,                              When::NoRun,             EndStudy},
    {'b',  0,                              When::NoRun,             EndStudy},
    // A remote's play key arrives as play, pause or play/pause depending on the platform.
    {0,    Qt::Key_PageUp,                 When::RemoteEnabled,     StartStopRun},
    {0,    Qt::Key_MediaPlay,              When::RemoteEnabled,     StartStopRun},
    {0,    Qt::Key_MediaPause,             When::RemoteEnabled,     StartStopRun},
    {0,    Qt::Key_MediaTogglePlayPause,   When::RemoteEnabled,     StartStopRun},
    {0,    Qt::Key_PageDown,               When::RemoteEnabled,     MarkNode},
    {0,    Qt::Key_MediaStop,              When::RemoteEnabled,     MarkNode},
};
// clang-format on

bool holds(When when, const KeyState& s)
{
    switch (when) {
    case When::Always:
        return true;
    case When::DelayBoxHasFocus:
        return s.delayBoxHasFocus;
    case When::NoRun:
        return !s.runActive;
    case When::RemoteEnabled:
        return s.remoteEnabled;
    }
    return false;
}

} // namespace

std::optional<KeyCommand> CommandForKey(const KeyPress& key, const KeyState& state)
{
    for (const KeyRule& rule : kKeyRules) {
        const bool matches = rule.typed != 0 ? key.typed == rule.typed : key.code == rule.code;
        if (matches && holds(rule.when, state)) {
            return rule.command;
        }
    }
    return std::nullopt;
}
