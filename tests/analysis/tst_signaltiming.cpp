// Signal timing files as signal-timing software and spreadsheets write them,
// and the clear refusal, by section, line and column, of what cannot be read.

#include "SignalTiming.h"
#include "Stats.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <sys/stat.h>

namespace {

QByteArray bullhead()
{
    QFile f(QStringLiteral(VT_TEST_DATA "/timing/utdf-bullhead.csv"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every line with the trailing commas and CR LF a spreadsheet saves, and its
// byte order mark.
QByteArray asSpreadsheetSaves(const QByteArray& text)
{
    QByteArray out = "\xEF\xBB\xBF";
    for (const QByteArray& line : text.split('\n')) {
        out += line + ",,,\r\n";
    }
    return out;
}

// A version 6 file of one intersection, its columns in another order, a
// phase (D4) with no Yield and another (D8) with local times only.
const QByteArray kVersion6 = R"([Network]
Network Settings
RECORDNAME,DATA
UTDFVERSION,6

[Lanes]
Lane Group Data
INTID,RECORDNAME,WBT,EBT,SBT,NBT,NBL
7,Phase1,8,4,6,2,5

[Timeplans]
Timing Plan Settings
RECORDNAME,DATA,INTID
Cycle Length,90,7
Offset,12,7

[Phases]
Phasing Data
RECORDNAME,INTID,D8,D6,D4,D2
Start,7,,12,50,12
End,7,,50,12,50
Yield,7,,45,,45.5
Yellow,7,3.5,4,3.5,4
AllRed,7,1.5,1,1.5,1
LocalStart,7,70,0,38,0
LocalYield,7,85,33,,33
)";

QString described(const timing::SignalTiming& t, int intid, const char* movement)
{
    if (!t.ok()) {
        return QStringLiteral("error: ") + t.error;
    }
    const timing::Intersection* x = t.find(intid);
    if (!x) {
        return QStringLiteral("no intersection");
    }
    const int m = int(*timing::movementNamed(movement));
    if (x->greens[m].isEmpty()) {
        return QStringLiteral("none: ") + x->whyNone[m];
    }
    QStringList greens;
    for (const timing::Green& g : x->greens[m]) {
        greens << QStringLiteral("%1-%2").arg(g.start).arg(g.end);
    }
    return QStringLiteral("%1: %2").arg(x->cycleS).arg(greens.join(u' '));
}

} // namespace

class TstSignalTiming : public QObject
{
    Q_OBJECT

private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("intid");
        QTest::addColumn<QString>("movement");
        QTest::addColumn<QString>("read"); // "cycle: start-end", "none: ..." or "error: ..."
        const QByteArray v8 = bullhead();
        QVERIFY(!v8.isEmpty());
        // Phase 2 starts at the offset, 54.5, and yields 20 s later, past the cycle's end.
        QTest::newRow("v8 NBT") << v8 << 39 << "NBT"
                                << "73.2: 54.5-1.3";
        QTest::newRow("v8 EBT") << v8 << 39 << "EBT"
                                << "73.2: 18.5-37.4";
        QTest::newRow("v8 no phase") << v8 << 78 << "EBT"
                                     << "none: its [Lanes] Phase1 gives EBT no phase";
        QTest::newRow("v8 not signalised") << v8 << 31 << "NBT"
                                           << "no intersection";
        QTest::newRow("v8 spreadsheet") << asSpreadsheetSaves(v8) << 39 << "WBT"
                                        << "73.2: 18.6-36.6";
        QTest::newRow("v6 reordered") << kVersion6 << 7 << "NBT"
                                      << "90: 12-45.5";
        QTest::newRow("v6 no Yield") << kVersion6 << 7 << "EBT"
                                     << "90: 50-7";
        QTest::newRow("v6 local only") << kVersion6 << 7 << "WBT"
                                       << "90: 82-7";
        QByteArray badCell = kVersion6;
        badCell.replace("End,7,,50,12,50", "End,7,,50,1 2,50");
        QTest::newRow("bad cell") << badCell << 7 << "NBT"
                                  << "error: t.csv, [Phases] line 21, column D4: End \"1 2\" is "
                                     "not a number";
        QByteArray badIntid = kVersion6;
        badIntid.replace("Offset,12,7", "Offset,12,seven");
        QTest::newRow("bad INTID") << badIntid << 7 << "NBT"
                                   << "error: t.csv, [Timeplans] line 15, column INTID: "
                                      "\"seven\" is not an intersection number";
        QByteArray badPhase = kVersion6;
        badPhase.replace("7,Phase1,8,4,6,2,5", "7,Phase1,8,4,6,2.5,5");
        QTest::newRow("bad phase") << badPhase << 7 << "NBT"
                                   << "error: t.csv, [Lanes] line 9, column NBT: Phase1 2.5 is "
                                      "not a phase number";
        QByteArray noPhases = kVersion6;
        noPhases.truncate(noPhases.indexOf("[Phases]"));
        QTest::newRow("no [Phases]") << noPhases << 7 << "NBT"
                                     << "error: t.csv: no [Phases]";
        QByteArray noIntid = kVersion6;
        noIntid.replace("RECORDNAME,DATA,INTID", "RECORDNAME,DATA,ID");
        QTest::newRow("no INTID column") << noIntid << 7 << "NBT"
                                         << "error: t.csv, [Timeplans] line 13: the line naming "
                                            "the columns has no INTID";

        const QByteArray plain = "intid,cycle_s,movement,green_start_s,green_end_s\n"
                                 "3,100,NBT,90,20\n3,100,SBT,0,40\n3,100,SBT,60,80\n";
        QTest::newRow("plain wraps") << plain << 3 << "NBT"
                                     << "100: 90-20";
        QTest::newRow("plain two greens") << plain << 3 << "SBT"
                                          << "100: 0-40 60-80";
        QTest::newRow("plain none") << plain << 3 << "EBT"
                                    << "none: no line gives EBT a green";
        QTest::newRow("plain reordered")
            << QByteArray("Movement,IntID,Green_End_s,Green_Start_s,Cycle_s\r\nebt,4,30,10,60\r\n")
            << 4 << "EBT"
            << "60: 10-30";
        QTest::newRow("plain other cycle")
            << plain + "3,90,EBT,0,40\n"
            << 3 << "NBT"
            << "error: t.csv, line 5, column cycle_s: \"90\" is not the cycle an earlier line";
        QTest::newRow("plain past the cycle")
            << plain + "3,100,EBT,0,140\n"
            << 3 << "NBT"
            << "error: t.csv, line 5, column green_end_s: \"140\" is not within the cycle";
        QTest::newRow("plain bad movement")
            << plain + "3,100,NBL,0,40\n"
            << 3 << "NBT"
            << "error: t.csv, line 5, column movement: \"NBL\" is not NBT, SBT, EBT or WBT";
    }
    void read()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, intid);
        QFETCH(QString, movement);
        QFETCH(QString, read);
        const QString got = described(timing::parseSignalTiming(content, QStringLiteral("t.csv")),
                                      intid, movement.toLatin1().constData());
        QVERIFY2(got.startsWith(read), qPrintable(got));
    }

    // The green's start is green, its end is not; a green past the cycle's
    // end wraps, and times before the cycle zero count back.
    void green_data()
    {
        QTest::addColumn<double>("t");
        QTest::addColumn<bool>("green");
        QTest::newRow("start") << 90.0 << true;
        QTest::newRow("just before") << 89.99 << false;
        QTest::newRow("wrapped") << 5.0 << true;
        QTest::newRow("end") << 20.0 << false;
        QTest::newRow("next cycle") << 1095.0 << true;
        QTest::newRow("before zero") << -5.0 << true;
        QTest::newRow("before zero, red") << -50.0 << false;
    }
    void green()
    {
        QFETCH(double, t);
        QFETCH(bool, green);
        const timing::SignalTiming s = timing::parseSignalTiming(
            "intid,cycle_s,movement,green_start_s,green_end_s\n3,100,NBT,90,20\n", "t.csv");
        QCOMPARE(s.find(3)->isGreen(timing::Movement::NBT, t), green);
    }

    // Arrivals on green and on red, before and after: the two-sided p-values
    // of exact rational arithmetic.
    void fisher_data()
    {
        QTest::addColumn<QList<int>>("table");
        QTest::addColumn<double>("p");
        QTest::newRow("dieting") << QList<int>{1, 9, 11, 3} << 0.0027594561852200836;
        QTest::newRow("tea") << QList<int>{3, 1, 1, 3} << 0.4857142857142857;
        QTest::newRow("all switched") << QList<int>{0, 5, 5, 0} << 0.007936507936507936;
        QTest::newRow("lopsided") << QList<int>{10, 2, 3, 15} << 0.0005367241191434358;
        QTest::newRow("larger") << QList<int>{20, 15, 8, 27} << 0.006775628072211892;
        QTest::newRow("even") << QList<int>{5, 5, 5, 5} << 1.0;
        QTest::newRow("one column") << QList<int>{7, 0, 0, 0} << 1.0;
    }
    void fisher()
    {
        QFETCH(QList<int>, table);
        QFETCH(double, p);
        const double got = vtstats::fisherExactTwoSided(table[0], table[1], table[2], table[3]);
        QVERIFY2(std::fabs(got - p) < 1e-9 * std::max(1.0, p) + 1e-12,
                 qPrintable(QString::number(got, 'g', 17)));
    }

    // A FIFO would hold the reader until something wrote to it.
    void onlyRegularFiles()
    {
        QTemporaryDir dir;
#ifndef Q_OS_WIN // Windows' pipes have no place among files
        const QString fifo = dir.filePath(QStringLiteral("timing.csv"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(timing::readSignalTiming(fifo).error.contains(u"not a regular file"));
#endif
        QVERIFY(timing::readSignalTiming(dir.path()).error.contains(u"not a regular file"));
        QCOMPARE(timing::readSignalTiming(QStringLiteral(VT_TEST_DATA "/timing/utdf-bullhead.csv"))
                     .utdfVersion,
                 8);
    }
};

QTEST_GUILESS_MAIN(TstSignalTiming)
#include "tst_signaltiming.moc"
