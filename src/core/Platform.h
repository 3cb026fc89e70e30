#pragma once
// The adapters through which the core reaches files, the clock, the screen
// and the operator's message boxes. The program makes one set at start-up and
// hands it to each window; tests hand in their own.

class ByteFiles;
class PcClock;
class ScreenMetrics;
class UserMessages;

struct Platform
{
    ByteFiles& files;
    PcClock& clock;
    ScreenMetrics& screen;
    UserMessages& messages;
};
