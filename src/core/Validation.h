#pragma once
// The plausibility check every record passes before it is written.

#include "FixRecord.h"

// Replaces implausible values by their missing values and says whether every
// check passed. A missing time becomes studyDate plus pcTimeOfDay, so every
// record carries a usable time stamp. The text receiver sends no quality,
// satellites or HDOP, so those checks are skipped for it.
bool ValidateFix(FixRecord& fix, bool textReceiver, double studyDate, double pcTimeOfDay);
