// Runs by position on simulated drives: where each run starts, marks its
// nodes and stops, against the fixes where the vehicle truly crossed, with
// waits, U-turns, parking and GPS noise.

#include "RouteMatcher.h"

#include <QTest>

#include <cmath>
#include <random>

using route::RunsByPosition;
using route::Way;

using Keys = QMap<int, QString>;

namespace {

constexpr double kMetresPerDegree = 111195.0;

// Where the tests' plane lies on the earth: y metres up the corridor from
// (lat0, lon0), x to its side; the corridor runs north, or east when `east`.
struct Origin
{
    double lat0 = 40.0;
    double lon0 = -74.0;
    bool east = false;
};
Origin origin;

double latOf(double northM)
{
    return origin.lat0 + northM / kMetresPerDegree;
}
double lonOf(double eastM)
{
    // As a receiver gives it: between -180 and 180.
    return std::remainder(
        origin.lon0 + eastM / (kMetresPerDegree * std::cos(origin.lat0 * M_PI / 180.0)), 360.0);
}
// y metres up the corridor, x to its right.
route::FixPoint placed(double y, double x)
{
    return {latOf(origin.east ? -x : y), lonOf(origin.east ? y : x)};
}
// The corridor's y of a fix, as it was placed.
double yOf(const route::FixPoint& f)
{
    return origin.east
               ? std::remainder(f.longitude - origin.lon0, 360.0) / (lonOf(1.0) - lonOf(0.0))
               : (f.latitude - origin.lat0) * kMetresPerDegree;
}

// Fiji: the corridor's A lies 300 m west of the 180° meridian, D 300 m east
// of it, and it is driven east.
const Origin kOverTheMeridian{
    -17.0, 180.0 - 300.0 / (kMetresPerDegree * std::cos(17.0 * M_PI / 180.0)), true};

// A corridor driven north (or east): checkpoints A, B, C, D at 0, 200, 400 and 600 m.
QList<route::Checkpoint> corridor()
{
    QList<route::Checkpoint> cps;
    for (int i = 0; i < 4; ++i) {
        const route::FixPoint at = placed(200.0 * i, 0.0);
        cps.append({QString(QChar(u'A' + i)), at.latitude, at.longitude, {}, {}});
    }
    return cps;
}

// A drive as a script of legs: go north or south to a point at a speed, or
// wait. Fixes come at `hz`; noise wanders slowly about the true position, as
// a receiver's does, plus a little of its own at each fix.
struct Drive
{
    double hz = 1.0;
    double noiseM = 0.0;
    double y = -45.0; // metres north of A
    double x = 0.0;
    std::mt19937 random{7};
    double biasX = 0, biasY = 0;
    QList<route::FixPoint> fixes;
    QList<double> trueY;

    route::FixPoint fix(double speed)
    {
        std::normal_distribution<double> n(0.0, 1.0);
        // A bias that drifts with a 20-second memory and keeps noiseM overall.
        const double keep = std::exp(-1.0 / (20.0 * hz));
        const double fresh = noiseM * std::sqrt(1.0 - keep * keep);
        biasX = keep * biasX + fresh * n(random);
        biasY = keep * biasY + fresh * n(random);
        const double jitter = noiseM * 0.1;
        const double fy = y + biasY + jitter * n(random);
        const double fx = x + biasX + jitter * n(random);
        route::FixPoint f = placed(fy, fx);
        f.speedMps = speed;
        f.seconds = fixes.size() / hz;
        return f;
    }
    Drive& to(double targetY, double speed, double targetX = 0.0)
    {
        const double step = speed / hz;
        while (std::hypot(targetY - y, targetX - x) > 1e-9) {
            const double d = std::hypot(targetY - y, targetX - x);
            const double k = std::min(1.0, step / d);
            y += (targetY - y) * k;
            x += (targetX - x) * k;
            fixes.append(fix(speed));
            trueY.append(y);
        }
        return *this;
    }
    Drive& wait(double seconds)
    {
        for (int i = 0; i < int(seconds * hz); ++i) {
            fixes.append(fix(0.0));
            trueY.append(y);
        }
        return *this;
    }
};

// Each command as "fix:what", the way the collector would carry it out; keys
// pressed at given fixes ("R" start/stop, "N" node) take effect before the fix.
QStringList run(const QList<route::Checkpoint>& cps, const Drive& d,
                const QMap<int, QString>& keys = {})
{
    RunsByPosition runs(cps);
    QStringList out;
    bool running = false;
    int nodes = 0;
    for (int k = 0; k < d.fixes.size(); ++k) {
        for (const QChar key : keys.value(k)) {
            if (key == u'R') {
                running = !running;
                nodes = 0;
                running ? runs.runStarted(std::nullopt) : runs.runStopped();
                out << QStringLiteral("%1:key %2").arg(k).arg(running ? "start" : "stop");
            } else if (running) {
                ++nodes;
                out << QStringLiteral("%1:key node").arg(k);
            }
        }
        const RunsByPosition::Commands cmds = runs.onFix(d.fixes[k], nodes);
        for (int i = 0; i < cmds.count; ++i) {
            const RunsByPosition::Command c = cmds.at[std::size_t(i)];
            const QString at = cps[c.checkpoint].name;
            switch (c.kind) {
            case RunsByPosition::Command::Start:
                running = true;
                nodes = 0;
                runs.runStarted(c.way);
                out << QStringLiteral("%1:start %2 %3")
                           .arg(k)
                           .arg(at)
                           .arg(c.way == Way::Forward ? "forward" : "backward");
                break;
            case RunsByPosition::Command::Node:
                ++nodes;
                out << QStringLiteral("%1:node %2").arg(k).arg(at);
                break;
            case RunsByPosition::Command::Stop:
                running = false;
                runs.runStopped();
                out << QStringLiteral("%1:stop %2").arg(k).arg(at);
                break;
            case RunsByPosition::Command::None:
                break;
            }
        }
    }
    return out;
}

// The fix at which the vehicle is first at or past y, driving north (south
// when `south`), from fix `from`: where a perfect observer's key goes in.
int truth(const Drive& d, double y, int from = 0, bool south = false)
{
    for (int k = from; k < d.trueY.size(); ++k) {
        if (south ? d.trueY[k] <= y : d.trueY[k] >= y) {
            return k;
        }
    }
    return -1;
}

} // namespace

class TstRoute : public QObject
{
    Q_OBJECT

private slots:
    void init() { origin = Origin(); }

    // Every command falls on the first fix past its line (a fix on the line
    // is not past it); the same where the corridor crosses the 180° meridian,
    // east into the western hemisphere and back.
    void drives_data()
    {
        QTest::addColumn<int>("drive");
        QTest::addColumn<bool>("overMeridian");
        QTest::addColumn<QStringList>("commands");
        const QStringList there{"4:start A forward", "24:node B", "44:node C", "64:stop D"};
        const QStringList back{"4:start D backward", "24:node C", "44:node B", "64:stop A"};
        QTest::newRow("north, 10 m/s") << 0 << false << there;
        QTest::newRow("south, the way back") << 1 << false << back;
        QTest::newRow("east over 180°") << 0 << true << there;
        QTest::newRow("west over 180°, the way back") << 1 << true << back;
        // Waiting 20 m before B for a minute: the wait is B's stretch before.
        QTest::newRow("red light before B")
            << 2 << false
            << QStringList{"4:start A forward", "85:node B", "105:node C", "125:stop D"};
        // Back over B and A and forward again: each counts once a run.
        const QStringList uTurn{"4:start A forward", "24:node B", "95:node C", "115:stop D"};
        QTest::newRow("U-turn after B") << 3 << false << uTurn;
        QTest::newRow("U-turn after B, over 180°") << 3 << true << uTurn;
        // A line reaches 30 m either side of the route unless its file says otherwise.
        QTest::newRow("15 m to the side") << 4 << false << there;
        QTest::newRow("32 m to the side") << 5 << false << QStringList{};
        // A minute 1 m before B with 3 m of noise: B falls when it drives on (fix 85).
        QTest::newRow("red light at B, noisy")
            << 6 << false
            << QStringList{"4:start A forward", "85:node B", "105:node C", "124:stop D"};
    }
    void drives()
    {
        QFETCH(int, drive);
        QFETCH(bool, overMeridian);
        if (overMeridian) {
            origin = kOverTheMeridian;
        }
        Drive d;
        switch (drive) {
        case 0:
            d.to(700, 10);
            break;
        case 1:
            d.y = 645;
            d.to(-100, 10);
            break;
        case 2:
            d.to(180, 10).wait(60).to(700, 10);
            break;
        case 3:
            d.to(230, 10).to(-20, 10).to(700, 10);
            break;
        case 4:
        case 5:
            d.x = drive == 4 ? 15 : 32;
            d.to(700, 10, d.x);
            break;
        case 6:
            d.noiseM = 3;
            d.to(199, 10).wait(60).to(700, 10);
            break;
        }
        QTEST(run(corridor(), d), "commands");
    }

    // The way a route is driven gives its run direction.
    void runDirection_data()
    {
        QTest::addColumn<double>("east"); // of the last checkpoint from the first, metres
        QTest::addColumn<double>("north");
        QTest::addColumn<int>("forward"); // 1 SB, 2 NB, 3 WB, 4 EB
        QTest::addColumn<int>("backward");
        QTest::addColumn<double>("lon0");
        QTest::newRow("north") << 100.0 << 900.0 << 2 << 1 << -74.0;
        QTest::newRow("east, a little south") << 900.0 << -300.0 << 4 << 3 << -74.0;
        QTest::newRow("south-west, more west") << -700.0 << -600.0 << 3 << 4 << -74.0;
        QTest::newRow("east over 180°") << 900.0 << 100.0 << 4 << 3 << 179.995;
        QTest::newRow("west over 180°") << -900.0 << 100.0 << 3 << 4 << -179.995;
    }
    void runDirection()
    {
        QFETCH(double, east);
        QFETCH(double, north);
        QFETCH(double, lon0);
        origin.lon0 = lon0;
        const route::CheckpointLines lines(
            {{"a", latOf(0), lonOf(0), {}, {}}, {"b", latOf(north), lonOf(east), {}, {}}});
        QTEST(int(lines.runDirection(Way::Forward)), "forward");
        QTEST(int(lines.runDirection(Way::Backward)), "backward");
    }

    // GPS noise of 3 m: ten minutes parked before the first line and beside
    // it, and twelve hours of runs with a half-minute wait before every
    // checkpoint give no false or double mark. Each mark falls within two
    // fixes of where the receiver's positions cross the line, at 1 Hz and at
    // 10 Hz (bench/route_marks measures how far from the true crossing).
    void noise_data()
    {
        QTest::addColumn<double>("hz");
        QTest::addColumn<bool>("overMeridian");
        QTest::newRow("1 Hz") << 1.0 << false;
        QTest::newRow("10 Hz") << 10.0 << false;
        QTest::newRow("1 Hz over 180°") << 1.0 << true;
    }
    void noise()
    {
        QFETCH(double, hz);
        QFETCH(bool, overMeridian);
        if (overMeridian) {
            origin = kOverTheMeridian;
        }
        Drive d;
        d.hz = hz;
        d.noiseM = 3.0;
        d.to(-30, 10).wait(600); // parked before the first line
        // Round the first line's end, and parked just beyond it, beside the road.
        d.to(-30, 10, 60).to(2, 3, 60).to(2, 3, 20).wait(600).to(2, 3, 60).to(-45, 10, 60);
        d.to(-45, 10, 0);
        QList<int> expected;
        for (int lap = 0; lap < 12 * 60 / 4; ++lap) { // a run each way in about four minutes
            const int from = int(d.fixes.size());
            d.to(180, 12).wait(30).to(380, 12).wait(30).to(580, 12).wait(30).to(650, 12);
            for (double y : {0.0, 200.0, 400.0, 600.0}) {
                expected << truth(d, y, from);
            }
            const int back = int(d.fixes.size());
            d.to(620, 12).wait(30).to(420, 12).wait(30).to(220, 12).wait(30).to(-45, 12);
            for (double y : {600.0, 400.0, 200.0, 0.0}) {
                expected << truth(d, y, back, true);
            }
            d.wait(15);
        }
        const QStringList got = run(corridor(), d);
        QCOMPARE(got.size(), expected.size());
        for (qsizetype i = 0; i < got.size(); ++i) {
            const int at = got[i].section(u':', 0, 0).toInt();
            // Where the reported positions first lie past the line, about the true crossing.
            const double line = QList<double>{0, 200, 400, 600, 600, 400, 200, 0}[i % 8];
            const bool south = i % 8 >= 4;
            const auto past = [&](int k) {
                const double y = yOf(d.fixes[k]);
                return south ? y <= line : y >= line;
            };
            int seen = expected[i];
            while (seen > 0 && past(seen - 1)) {
                --seen;
            }
            while (!past(seen)) {
                ++seen;
            }
            QVERIFY2(std::abs(at - seen) <= 2,
                     qPrintable(QStringLiteral("%1; positions past the line from fix %2")
                                    .arg(got[i])
                                    .arg(seen)));
        }
    }

    // Keys override: R starts and stops a run, N marks a node; a checkpoint
    // a key has marked is not marked again.
    void keysOverride_data()
    {
        QTest::addColumn<Keys>("keys");
        QTest::addColumn<QStringList>("commands");
        QTest::newRow("R before the first checkpoint")
            << Keys{{2, "R"}} << QStringList{"2:key start", "24:node B", "44:node C", "64:stop D"};
        QTest::newRow("N a little early at B")
            << Keys{{23, "N"}}
            << QStringList{"4:start A forward", "23:key node", "44:node C", "64:stop D"};
        QTest::newRow("R stops the run half way")
            << Keys{{30, "R"}} << QStringList{"4:start A forward", "24:node B", "30:key stop"};
        // Started again by key after B: the way shows at C, and B is marked there.
        QTest::newRow("R twice after B")
            << Keys{{28, "RR"}}
            << QStringList{"4:start A forward", "24:node B", "28:key stop", "28:key start",
                           "44:node B",         "45:node C", "64:stop D"};
    }
    void keysOverride()
    {
        QFETCH(Keys, keys);
        Drive d;
        d.to(700, 10);
        QTEST(run(corridor(), d, keys), "commands");
    }

    // A loop whose last checkpoint is its first: one run stops and the next
    // starts at the same fix.
    void loopRoute()
    {
        const QList<route::Checkpoint> loop = {
            {"gate", latOf(0), lonOf(0), {}, {}},     {"north", latOf(300), lonOf(0), {}, {}},
            {"east", latOf(300), lonOf(300), {}, {}}, {"south", latOf(-100), lonOf(300), {}, {}},
            {"west", latOf(-100), lonOf(0), {}, {}},  {"gate again", latOf(0), lonOf(0), {}, {}}};
        Drive d;
        d.to(300, 10).to(300, 10, 300).to(-100, 10, 300).to(-100, 10, 0).to(310, 10, 0);
        const QStringList got = run(loop, d);
        QCOMPARE(got.size(), 8);
        QCOMPARE(got[0], QString("4:start gate forward"));
        QCOMPARE(got[5].section(u':', 1), QString("stop gate again"));
        QCOMPARE(got[6].section(u':', 1), QString("start gate forward"));
        QCOMPARE(got[5].section(u':', 0, 0), got[6].section(u':', 0, 0));
    }
};

QTEST_APPLESS_MAIN(TstRoute)
#include "tst_route.moc"
