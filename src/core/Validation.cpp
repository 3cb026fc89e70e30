// The plausibility check of each record.

#include "Validation.h"

bool ValidateFix(FixRecord& fix, bool textReceiver, double studyDate, double pcTimeOfDay)
{
    bool ok = true;
    if (!(fix.SpeedMph >= 0.0f && fix.SpeedMph <= 120.0f)) {
        fix.SpeedMph = missing::kSingle;
        ok = false;
    }
    if (fix.FixTime == 0.0 || fix.FixTime == missing::kDouble) {
        fix.FixTime = studyDate + pcTimeOfDay;
        ok = false;
    }
    if (fix.Latitude == 0.0 || fix.Latitude == missing::kDouble) {
        fix.Latitude = missing::kDouble;
        ok = false;
    }
    if (fix.Longitude == 0.0 || fix.Longitude == missing::kDouble) {
        fix.Longitude = missing::kDouble;
        ok = false;
    }
    if (textReceiver) {
        return ok;
    }
    if (fix.FixQuality == 0 || fix.FixQuality == missing::kInteger) {
        fix.FixQuality = missing::kInteger;
        ok = false;
    }
    if (fix.NumSats <= 2) {
        fix.NumSats = missing::kInteger;
        ok = false;
    }
    if (!(fix.HDOP < 10.0f && fix.HDOP != 0.0f && fix.HDOP != missing::kSingle)) {
        fix.HDOP = missing::kSingle;
        ok = false;
    }
    return ok;
}
