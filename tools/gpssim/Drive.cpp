// The simulated drive and the sentences it sends.

#include "Drive.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kEarthRadius = 6371008.8;
constexpr double kKnotsPerMps = 1.0 / 0.514444;
constexpr double kPi = 3.14159265358979323846;

QByteArray fixed(double v, int width, int decimals)
{
    QByteArray s = QByteArray::number(v, 'f', decimals);
    const int integerDigits = int(s.indexOf('.') < 0 ? s.size() : s.indexOf('.'));
    if (integerDigits < width) {
        s.prepend(QByteArray(width - integerDigits, '0'));
    }
    return s;
}

// ddmm.mmmmm / dddmm.mmmmm and the hemisphere letter.
QByteArray nmeaAngle(double degrees, int degreeDigits, char positive, char negative, char* hemi)
{
    *hemi = degrees < 0 ? negative : positive;
    const double a = std::fabs(degrees);
    int whole = int(a);
    double minutes = (a - whole) * 60.0;
    if (minutes >= 59.999995) {
        ++whole;
        minutes = 0;
    }
    return fixed(whole, degreeDigits, 0) + fixed(minutes, 2, 5);
}

} // namespace

double RouteSpeed(double seconds)
{
    const double t = std::fmod(seconds, 120.0);
    constexpr double cruise = 13.4; // 30 mph
    if (t < 15) {
        return cruise * t / 15; // away from the stop
    }
    if (t < 70) {
        return cruise + 1.5 * std::sin((t - 15) / 9.0); // cruising, a little unsteady
    }
    if (t < 85) {
        return cruise * (85 - t) / 15; // slowing for the signal
    }
    return 0; // waiting at the signal
}

QByteArray NmeaSentence(const QByteArray& body, bool lfOnly)
{
    unsigned char sum = 0;
    for (char c : body) {
        sum ^= static_cast<unsigned char>(c);
    }
    return "$" + body + "*" + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0') +
           (lfOnly ? "\n" : "\r\n");
}

SyntheticDrive::SyntheticDrive(DriveOptions options, QDateTime startUtc)
    : options_(std::move(options)), startUtc_(std::move(startUtc))
{
    state_.latitude = 48.1173;
    state_.longitude = 11.516667;
    state_.courseDeg = 77.5;
}

DriveState SyntheticDrive::step()
{
    const double dt = 1.0 / options_.rateHz;
    DriveState next = state_;
    next.seconds = double(cycle_) * dt;
    next.speedMps = RouteSpeed(next.seconds);
    // The road bends gently.
    next.courseDeg = std::fmod(77.5 + 20.0 * std::sin(next.seconds / 300.0) + 360.0, 360.0);
    const double distance = cycle_ == 0 ? 0 : state_.speedMps * dt;
    const double course = next.courseDeg * kPi / 180.0;
    next.latitude += distance * std::cos(course) / kEarthRadius * 180.0 / kPi;
    next.longitude += distance * std::sin(course) /
                      (kEarthRadius * std::cos(next.latitude * kPi / 180.0)) * 180.0 / kPi;
    next.fix = !(next.seconds >= options_.fixLossFrom &&
                 next.seconds < options_.fixLossFrom + options_.fixLossSeconds);
    state_ = next;
    ++cycle_;
    return next;
}

QByteArray SyntheticDrive::sentences(const DriveState& s) const
{
    return ReceiverSentences(options_, startUtc_, s);
}

QByteArray ReceiverSentences(const DriveOptions& options, const QDateTime& startUtc,
                             const DriveState& state)
{
    // As a receiver sends it, whatever the drive worked out: longitudes
    // from 180 W to 180 E, latitudes to 90.
    DriveState s = state;
    s.longitude = std::remainder(s.longitude, 360.0);
    s.latitude = std::clamp(s.latitude, -90.0, 90.0);
    const QDateTime utc = startUtc.addMSecs(qint64(std::llround(s.seconds * 1000)));
    const QTime t = utc.time();
    const QByteArray hhmmss = QByteArray::number(t.hour()).rightJustified(2, '0') +
                              QByteArray::number(t.minute()).rightJustified(2, '0') +
                              QByteArray::number(t.second()).rightJustified(2, '0');
    const QByteArray time = hhmmss + "." + QByteArray::number(t.msec() / 10).rightJustified(2, '0');
    const QByteArray date = utc.date().toString("ddMMyy").toLatin1();
    const bool lf = options.lfOnly;

    if (options.text) {
        // @YYMMDDhhmmss, position in thousandths of minutes, status, velocities in dm/s.
        QByteArray line = "@" + utc.date().toString("yyMMdd").toLatin1() + hhmmss;
        if (s.fix) {
            char ns = 'N';
            char ew = 'E';
            const QByteArray lat = nmeaAngle(s.latitude, 2, 'N', 'S', &ns);
            const QByteArray lon = nmeaAngle(s.longitude, 3, 'E', 'W', &ew);
            line += ns + lat.left(4) + lat.mid(5, 3) + ew + lon.left(5) + lon.mid(6, 3);
            const double course = s.courseDeg * kPi / 180.0;
            const long ve = std::lround(s.speedMps * std::sin(course) * 10);
            const long vn = std::lround(s.speedMps * std::cos(course) * 10);
            line += "G015+00261";
            line += (ve < 0 ? "W" : "E") + QByteArray::number(std::labs(ve)).rightJustified(4, '0');
            line += (vn < 0 ? "S" : "N") + QByteArray::number(std::labs(vn)).rightJustified(4, '0');
        } else {
            line += "_" + QByteArray(7, '_') + "_" + QByteArray(8, '_') + "_" + "015+00261";
            line += "_____" + QByteArray("_____");
        }
        return line + "U0000" + (lf ? "\n" : "\r\n");
    }

    const QByteArray tk = options.talker.toLatin1();
    QByteArray latField = ",";
    QByteArray lonField = ",";
    if (s.fix) {
        char ns = 'N';
        char ew = 'E';
        const QByteArray lat = nmeaAngle(s.latitude, 2, 'N', 'S', &ns);
        const QByteArray lon = nmeaAngle(s.longitude, 3, 'E', 'W', &ew);
        latField = lat + "," + ns;
        lonField = lon + "," + ew;
    }
    const QByteArray knots = s.fix ? fixed(s.speedMps * kKnotsPerMps, 1, 3) : QByteArray();
    const QByteArray course = s.fix ? fixed(s.courseDeg, 1, 2) : QByteArray();
    QByteArray out;
    out += NmeaSentence(tk + "RMC," + time + "," + (s.fix ? "A" : "V") + "," + latField + "," +
                            lonField + "," + knots + "," + course + "," + date + ",,,A",
                        lf);
    out += NmeaSentence(tk + "GGA," + time + "," + latField + "," + lonField + "," +
                            (s.fix ? "1,09,0.92" : "0,00,99.99") + "," +
                            (s.fix ? "519.4,M,47.0,M" : ",,,") + ",,",
                        lf);
    if (options.vtg) {
        out += NmeaSentence(tk + "VTG," + course + ",T,,M," + knots + ",N," +
                                (s.fix ? fixed(s.speedMps * 3.6, 1, 3) : QByteArray()) + ",K,A",
                            lf);
    }
    return out;
}
