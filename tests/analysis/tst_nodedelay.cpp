// Control delay, stops and levels of service from speed profiles whose delay
// is known exactly: piecewise-linear speeds, sampled at 1 or 10 Hz, with
// and without receiver jitter.

#include "NodeDelay.h"

#include <QPointF>
#include <QTest>
#include <random>

using gd2::NodeDelay;

namespace {

using Knots = QList<QPointF>; // seconds, mph; linear between

double speedAt(const Knots& k, double t)
{
    for (qsizetype i = 1; i < k.size(); ++i) {
        if (t <= k[i].x()) {
            const double f = (t - k[i - 1].x()) / (k[i].x() - k[i - 1].x());
            return k[i - 1].y() + f * (k[i].y() - k[i - 1].y());
        }
    }
    return k.last().y();
}

// The exact time lost against `cruise` and the time under `stop` between
// `a` and `b`, segment by segment: the speed is linear on each.
struct Truth
{
    double control = 0.0;
    double stopped = 0.0;
};
Truth truthBetween(const Knots& k, double a, double b, double cruise, double stop)
{
    Truth out;
    for (qsizetype i = 1; i < k.size(); ++i) {
        const double t0 = std::max(a, k[i - 1].x());
        const double t1 = std::min(b, k[i].x());
        if (t1 <= t0) {
            continue;
        }
        const double v0 = speedAt(k, t0);
        const double v1 = speedAt(k, t1);
        out.control += (t1 - t0) * (1.0 - (v0 + v1) / 2.0 / cruise);
        if (v0 < stop && v1 < stop) {
            out.stopped += t1 - t0;
        } else if (v0 < stop || v1 < stop) {
            out.stopped += (t1 - t0) * (stop - std::min(v0, v1)) / std::fabs(v1 - v0);
        }
    }
    return out;
}

} // namespace

class TstNodeDelay : public QObject
{
    Q_OBJECT
private slots:
    void delays_data();
    void delays();
    void levels_data();
    void levels();
};

void TstNodeDelay::delays_data()
{
    QTest::addColumn<Knots>("knots");
    QTest::addColumn<double>("cruise");
    QTest::addColumn<double>("hz");
    QTest::addColumn<double>("jitter"); // mph, standard deviation
    // Each node: when it is marked, and where its slowdown lies in truth.
    QTest::addColumn<QList<double>>("marks");
    QTest::addColumn<QList<QPointF>>("windows");
    QTest::addColumn<QList<int>>("stops");

    // Down at 3 mph/s, 30 s standing, up at 2.5 mph/s; marked on leaving.
    const Knots stop{{0, 30}, {60, 30}, {70, 0}, {100, 0}, {112, 30}, {200, 30}};
    QTest::newRow("stop 1Hz") << stop << 30.0 << 1.0 << 0.0 << QList<double>{101}
                              << QList<QPointF>{{0, 200}} << QList<int>{1};
    QTest::newRow("stop 10Hz jitter") << stop << 30.0 << 10.0 << 0.7 << QList<double>{101}
                                      << QList<QPointF>{{0, 200}} << QList<int>{1};
    QTest::newRow("stop 1Hz jitter") << stop << 30.0 << 1.0 << 0.7 << QList<double>{101}
                                     << QList<QPointF>{{0, 200}} << QList<int>{1};
    // A queue creeping up twice to under the go speed is one stop.
    const Knots creep{{0, 30},  {60, 30}, {70, 0},  {85, 0},  {87, 7},   {89, 0},
                      {100, 0}, {102, 8}, {104, 0}, {115, 0}, {127, 30}, {220, 30}};
    QTest::newRow("creep 1Hz") << creep << 30.0 << 1.0 << 0.0 << QList<double>{116}
                               << QList<QPointF>{{0, 220}} << QList<int>{1};
    QTest::newRow("creep 10Hz jitter") << creep << 30.0 << 10.0 << 0.7 << QList<double>{116}
                                       << QList<QPointF>{{0, 220}} << QList<int>{1};
    // Two stops: out of the first above the go speed before the second.
    const Knots twice{{0, 35},   {60, 35}, {72, 0},  {90, 0},   {96, 15},
                      {100, 15}, {105, 0}, {120, 0}, {134, 35}, {240, 35}};
    QTest::newRow("two stops 10Hz") << twice << 35.0 << 10.0 << 0.5 << QList<double>{121}
                                    << QList<QPointF>{{0, 240}} << QList<int>{2};
    // Passed at speed, and a slowing without a stop.
    const Knots speed{{0, 35}, {200, 35}};
    QTest::newRow("at speed 1Hz jitter") << speed << 35.0 << 1.0 << 0.7 << QList<double>{100}
                                         << QList<QPointF>{{100, 100}} << QList<int>{0};
    const Knots turn{{0, 35}, {60, 35}, {66, 12}, {70, 12}, {80, 35}, {160, 35}};
    QTest::newRow("slow turn 10Hz") << turn << 35.0 << 10.0 << 0.5 << QList<double>{68}
                                    << QList<QPointF>{{0, 160}} << QList<int>{0};
    // Node 1 passed at speed; node 2's queue begins in the stretch between,
    // a long way before its line; node 3 at speed after the recovery.
    const Knots corridor{{0, 30}, {70, 30}, {80, 0}, {140, 0}, {152, 30}, {320, 30}};
    QTest::newRow("queue in stretch 1Hz")
        << corridor << 30.0 << 1.0 << 0.5 << QList<double>{50, 141, 260}
        << QList<QPointF>{{50, 50}, {60, 200}, {260, 260}} << QList<int>{0, 1, 0};
    QTest::newRow("queue in stretch 10Hz")
        << corridor << 30.0 << 10.0 << 0.0 << QList<double>{50, 141, 260}
        << QList<QPointF>{{50, 50}, {60, 200}, {260, 260}} << QList<int>{0, 1, 0};
    // Two signals close together: the vehicle never regains its cruise
    // between them, each keeps its own stop.
    const Knots close{{0, 30},   {60, 30}, {70, 0},  {90, 0},   {98, 20},
                      {101, 20}, {108, 0}, {130, 0}, {142, 30}, {260, 30}};
    QTest::newRow("close pair 10Hz") << close << 30.0 << 10.0 << 0.5 << QList<double>{91, 131}
                                     << QList<QPointF>{{0, 100}, {100, 260}} << QList<int>{1, 1};
}

void TstNodeDelay::delays()
{
    QFETCH(Knots, knots);
    QFETCH(double, cruise);
    QFETCH(double, hz);
    QFETCH(double, jitter);
    QFETCH(QList<double>, marks);
    QFETCH(QList<QPointF>, windows);
    QFETCH(QList<int>, stops);

    std::mt19937 random(28);
    std::normal_distribution<double> noise(0.0, jitter > 0.0 ? jitter : 1.0);
    const qint64 day = 45'000LL * 86'400'000; // any date: only differences count
    QList<gd2::SpeedSample> samples;
    const double end = knots.last().x();
    for (qint64 i = 0; double(i) / hz <= end; ++i) {
        const double t = double(i) / hz;
        const double mph = speedAt(knots, t) + (jitter > 0.0 ? noise(random) : 0.0);
        samples.append({day + qint64(t * 1000.0), std::max(0.0, mph)});
    }
    QList<gd2::NodeMark> nodeMarks;
    for (qsizetype k = 0; k < marks.size(); ++k) {
        nodeMarks.append({day + qint64(marks[k] * 1000.0), qint16(k + 1)});
    }
    const QList<NodeDelay> got = gd2::nodeDelays(samples, nodeMarks);
    QCOMPARE(got.size(), marks.size());
    for (qsizetype k = 0; k < marks.size(); ++k) {
        const NodeDelay& d = got[k];
        const Truth truth = truthBetween(knots, windows[k].x(), windows[k].y(), cruise, 5.0);
        const QString where = QStringLiteral("node %1: control %2 (truth %3), stopped %4 (%5)")
                                  .arg(k + 1)
                                  .arg(d.controlS)
                                  .arg(truth.control)
                                  .arg(d.stoppedS)
                                  .arg(truth.stopped);
        QCOMPARE(d.node, qint16(k + 1));
        QVERIFY2(d.cruiseMph && std::fabs(*d.cruiseMph - cruise) < 1.0, qPrintable(where));
        QVERIFY2(std::fabs(d.controlS - truth.control) <= 1.0, qPrintable(where));
        QVERIFY2(std::fabs(d.stoppedS - truth.stopped) <= 1.5, qPrintable(where));
        // The parts add up, and none is a large loss of the wrong sign.
        QVERIFY(std::fabs(d.decelerationS + d.stoppedS + d.accelerationS - d.controlS) < 1e-9);
        QVERIFY2(d.decelerationS > -1.0 && d.accelerationS > -1.0, qPrintable(where));
        QCOMPARE(d.stops, stops[k]);
        QCOMPARE(gd2::intersectionLos(d.controlS), gd2::intersectionLos(truth.control));
        QCOMPARE(d.slowed(), truth.control > 0.5);
        QVERIFY(d.from <= d.stoppedFrom && d.stoppedFrom <= d.stoppedTo && d.stoppedTo <= d.to);
    }
}

void TstNodeDelay::levels_data()
{
    QTest::addColumn<double>("delay");
    QTest::addColumn<double>("travelMph");
    QTest::addColumn<double>("ffsMph");
    QTest::addColumn<QString>("node");
    QTest::addColumn<QString>("stretch");
    QTest::newRow("edges A") << 10.0 << 32.1 << 40.0 << "A"
                             << "A";
    QTest::newRow("past A") << 10.01 << 32.0 << 40.0 << "B"
                            << "B";
    QTest::newRow("edges B") << 20.0 << 26.8 << 40.0 << "B"
                             << "C";
    QTest::newRow("C") << 35.0 << 20.1 << 40.0 << "C"
                       << "C";
    QTest::newRow("D") << 55.0 << 16.1 << 40.0 << "D"
                       << "D";
    QTest::newRow("E") << 80.0 << 12.1 << 40.0 << "E"
                       << "E";
    QTest::newRow("F") << 80.5 << 12.0 << 40.0 << "F"
                       << "F";
    QTest::newRow("no base") << 0.0 << 30.0 << 0.0 << "A"
                             << "";
}

void TstNodeDelay::levels()
{
    QFETCH(double, delay);
    QFETCH(double, travelMph);
    QFETCH(double, ffsMph);
    QFETCH(QString, node);
    QFETCH(QString, stretch);
    QCOMPARE(gd2::intersectionLos(delay), node);
    QCOMPARE(gd2::stretchLos(travelMph, ffsMph), stretch);
}

QTEST_GUILESS_MAIN(TstNodeDelay)
#include "tst_nodedelay.moc"
