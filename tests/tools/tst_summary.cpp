// gd2 summary and compare and the statistics under them: Student's t
// against published tables, a corridor whose figures are worked out by hand
// and compared with the same corridor driven faster, figures of a reference
// statistics package, and input that is short, torn, foreign or uneven.

#include "Cli.h"
#include "Stats.h"
#include "Summary.h"
#include "TestSupport.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

namespace {

constexpr double kStudyDay = 40238.0; // 2010-03-01
// Degrees of latitude in a mile on the meridian, at the reader's radius.
constexpr double kDegPerMile = 1609.344 / (6371008.8 * 3.14159265358979323846 / 180.0);

// A run north along the meridian 75, a fix every 10 s at 30 mph, 3 miles
// long; node 1 passed at `node1` s.
QList<FixRecord> run(qint16 number, qint16 dir, int startS, int seconds, int node1)
{
    QList<FixRecord> out;
    const int n = seconds / 10 + 1;
    for (int k = 0, t = 0; k < n; ++k, t += 10) {
        const double time = kStudyDay + (startS + t) / 86400.0;
        const double lat = 40.0 + 3 * kDegPerMile * k / (n - 1);
        const qint16 node = t >= node1 ? 1 : 0;
        out << FixRecord{number, 1, 30, missing::kCourse, time, lat, 75.0, 8, 1, node, -1, dir};
    }
    return out;
}

// Five northbound runs of 300 to 380 s and one southbound of 400 s.
QList<FixRecord> corridor()
{
    QList<FixRecord> r;
    for (int k = 0; k < 5; ++k) {
        r << run(qint16(k + 1), 2, 7 * 3600 + 600 * k, 300 + 20 * k, 100);
    }
    r[15].SpeedMph = 0; // run 1 stops for two fixes
    r[16].SpeedMph = 0;
    r[12].DelayNum = 4;          // run 1, N1-end
    r[31 + 12].DelayNum = 4;     // run 2, N1-end
    r[31 + 33 + 2].DelayNum = 7; // run 3, start-N1
    r << run(6, 1, 8 * 3600, 400, 200);
    return r;
}

// The corridor after a change: northbound runs of 250, 270, 290, 300 and
// 330 s, node 1 still at 100 s; no southbound run.
QList<FixRecord> faster()
{
    QList<FixRecord> r;
    const int seconds[] = {250, 270, 290, 300, 330};
    for (int k = 0; k < 5; ++k) {
        r << run(qint16(k + 1), 2, 7 * 3600 + 600 * k, seconds[k], 100);
    }
    return r;
}

} // namespace

class TstSummary : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    QString corridor_; // the corridor's study file
    QString faster_;   // the corridor after a change

    QString file(const QString& name, const QByteArray& bytes)
    {
        writeAll(dir_.filePath(name), bytes);
        return dir_.filePath(name);
    }

    int cli(const QStringList& a, gd2::CliOutput& o)
    {
        return gd2::runCli(QStringList{"summary"} + a, o);
    }

private slots:
    void initTestCase()
    {
        corridor_ = file("corridor.gd2", studyBytes(corridor()));
        faster_ = file("faster.gd2", studyBytes(faster()));
        // Each stretch's own base free-flow speed, on the checkpoint ending it.
        file("cps.csv", "name,latitude,longitude,ffs_mph\nstart,40,-75,\nN1,40.01,-75,35\n"
                        "end,40.04,-75,60\n");
    }

    void tQuantileMatchesTables_data()
    {
        QTest::addColumn<double>("p");
        QTest::addColumn<double>("df");
        QTest::addColumn<double>("table");
        QTest::newRow("97.5% df 4") << 0.975 << 4.0 << 2.776;
        QTest::newRow("97.5% df 9") << 0.975 << 9.0 << 2.262;
        QTest::newRow("95% df 5") << 0.95 << 5.0 << 2.015;
        QTest::newRow("99.5% df 10") << 0.995 << 10.0 << 3.169;
        QTest::newRow("97.5% df 1") << 0.975 << 1.0 << 12.706;
        QTest::newRow("97.5% df 30") << 0.975 << 30.0 << 2.042;
    }
    void tQuantileMatchesTables()
    {
        QFETCH(double, p);
        QFETCH(double, df);
        QTEST(std::round(vtstats::tQuantile(p, df) * 1000) / 1000, "table");
    }

    // The answer is the first n that is enough: n >= (t(n-1) cv / e)^2 and
    // n - 1 is not.
    void runsNeeded_data()
    {
        QTest::addColumn<double>("cv");
        QTest::addColumn<double>("error");
        QTest::addColumn<double>("confidence");
        QTest::addColumn<long long>("expected");
        QTest::addColumn<bool>("capped");
        // t(.975,5)^2 = 2.571^2 = 6.61 > 6; t(.975,6)^2 = 2.447^2 = 5.99 <= 7
        QTest::newRow("cv = e, 95%") << 10.0 << 10.0 << 0.95 << 7LL << false;
        // t(.995,9)^2 = 3.250^2 = 10.56 > 10; t(.995,10)^2 = 3.169^2 = 10.04 <= 11
        QTest::newRow("cv = e, 99%") << 10.0 << 10.0 << 0.99 << 11LL << false;
        // t(.95,98) = 1.6606: (1.6606 * 30 / 5)^2 = 99.27 > 99; t(.95,99) = 1.6604: 99.25 <= 100
        QTest::newRow("90%, many") << 30.0 << 5.0 << 0.90 << 100LL << false;
        QTest::newRow("beyond the bound") << 1000.0 << 0.1 << 0.99 << 1'000'000LL << true;
    }
    void runsNeeded()
    {
        QFETCH(double, cv);
        QFETCH(double, error);
        QFETCH(double, confidence);
        const auto got = vtstats::runsNeeded(cv, error, confidence);
        QVERIFY(got);
        QTEST(got->n, "expected");
        QTEST(got->capped, "capped");
    }
    // The same definition over a sweep, small and large answers alike: the
    // narrowed search must never stop early or late.
    void runsNeededIsTheFirstEnough()
    {
        const auto enough = [](long long n, double ratio, double confidence) {
            const double r = vtstats::tTwoSided(confidence, double(n - 1)) * ratio;
            return double(n) >= r * r;
        };
        for (double confidence : {0.80, 0.90, 0.95, 0.99}) {
            for (double ratio = 0.0; ratio < 300.0; ratio = ratio * 1.37 + 0.011) {
                const auto got = vtstats::runsNeeded(ratio * 10.0, 10.0, confidence);
                QVERIFY(got && !got->capped);
                const QByteArray row = QByteArray::number(ratio) + " at " +
                                       QByteArray::number(confidence) + ": " +
                                       QByteArray::number(got->n);
                QVERIFY2(enough(got->n, ratio, confidence), row);
                QVERIFY2(got->n == 2 || !enough(got->n - 1, ratio, confidence), row);
            }
        }
    }

    // NB runs of 300, 320, 340, 360, 380 s over 3 miles each:
    //   P80 at rank 0.8 * 4 = 3.2: 360 + 0.2 * 20 = 364; P95 at 3.8: 376
    //   buffer index (376 - 340) / 340 = 0.11; PTI 376 / 300 = 1.25; LOTTR 364 / 340 = 1.07
    //   mean 340, deviations -40 -20 0 20 40, squares sum 4000, SD sqrt(4000/4) = 31.62
    //   CV 31.62 / 340 = 9.30 %; interval 340 +- 2.776 * 31.62 / sqrt 5 = 340 +- 39.26
    //   needed at +-10 %: n = 5: (2.776 * 0.930)^2 = 6.67 > 5; n = 6: (2.571 * 0.930)^2 = 5.72
    //   speed 15 mi / 1700 s = 31.76 mph; run 1 stops once for 2 fixes of 10 s: 0.2 stops, 4 s
    //   at 36 mph the 3 miles take 300 s: delays 0 20 40 60 80, mean 40; TTI 1700 / 1500 = 1.13
    // Node 1 at 100 s in every run: start-N1 has no spread, two runs are enough.
    // SB has one run of 400 s: no spread, so no SD, interval or runs needed.
    // Runs are grouped by the local time of their start; a run outside
    // every period is left out and said to be.
    void corridorFigures_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("says"); // a line or its beginning
        QTest::addColumn<int>("times");
        const auto row = [](const char* name, const char* options, const char* says,
                            int times = 1) { QTest::newRow(name) << options << says << times; };
        const char* csv = "--csv --reference-mph=36 --base-ffs-mph=40";
        const char* periods = "--csv --periods early=07:00-07:15,late=07:15-07:45";
        const char* html = "--html PAGE";
        row("columns", csv,
            "direction,period,from,to,runs,mean_s,median_s,sd_s,min_s,max_s,cv_pct,ci_low_s,"
            "ci_high_s,runs_needed,runs_needed_capped,enough,mean_mph,stops_per_run,stopped_s_per_"
            "run,delay_s,tti,p80_s,p95_s,buffer_index,planning_time_index,lottr,travel_speed_mph,"
            "running_speed_mph,stops_per_mile,los\n");
        row("NB", csv,
            "\nNB,all,run,run,5,340.0,340.0,31.6,300.0,380.0,9.3,300.7,379.3,6,no,no,31.8,0.20,4.0,"
            "40.0,1.13,364.0,376.0,0.11,1.25,1.07,31.8,32.1,0.07,B\n");
        row("NB start-N1", csv,
            "\nNB,all,start,N1,5,100.0,100.0,0.0,100.0,100.0,0.0,100.0,100.0,2,no,yes,");
        row("NB N1-end", csv, "\nNB,all,N1,end,5,240.0,240.0,31.6,200.0,");
        row("SB", csv,
            "\nSB,all,run,run,1,400.0,400.0,,400.0,400.0,,,,,,no,27.0,0.00,0.0,100.0,1.33,400.0,"
            "400.0,0.00,1.33,1.00,27.0,27.0,0.00,B\n");
        row("indicative", "", " 364.0*  376.0*  0.11*  1.07*    32.1     0.07\n");
        // No n up to a million gives a precision of 0.001 %: the CSV holds
        // the bound and says so beside it, the text says more than that.
        row("capped", "--csv --precision 0.001", ",379.3,1000000,yes,no,");
        row("capped in text", "--precision 0.001", " >1000000 ", 2);
        row("capped cells numeric", "--csv --precision 0.001", ">", 0);
        row("indicative said", "", "\n* indicative: fewer than 20 runs.\n");
        row("NB rows", csv, "\nNB,", 3);
        row("SB rows", csv, "\nSB,", 3);
        row("delay 4", "", "N1-end: 4 \u00d72");
        row("delay 7", "", "start-N1: 7 \u00d71");
        row("early", periods, "\nNB,early,run,run,2,");
        row("late", periods, "\nNB,late,run,run,3,");
        row("SB outside", periods, "\nSB,", 0);
        row("said", periods, "1 run started outside every period");
        // A travel-time chart and a delay chart per group, then time-space
        // and speed per direction; the page needs nothing from elsewhere.
        row("charts", html, "<svg", 2 * 2 + 2 * 2);
        row("only SVG links", html, "http", 2 * 2 + 2 * 2);
        // Node 1 passed at speed: no delay; run 1's stop comes after it.
        row("delays", "delays --csv",
            "file,run,direction,node,time,cruise_mph,control_delay_s,deceleration_delay_s,"
            "stopped_delay_s,acceleration_delay_s,stops,los,arrival\n");
        row("delays run 1", "delays --csv", ",1,NB,1,07:01:40,30.0,0.0,0.0,0.0,0.0,0,A,\n");
        row("delays rows", "delays --csv", ",NB,1,", 5);
        // 32.0 of 35 mph is A, 31.7 of 60 is C; the whole run has no base.
        row("ffs N1", "--csv --checkpoints CPS", "\nNB,all,start,N1,5,100.0,", 1);
        row("ffs A", "--csv --checkpoints CPS", ",32.0,32.0,0.00,A\n", 1);
        row("ffs C", "--csv --checkpoints CPS", ",31.7,32.2,0.09,C\n", 1);
        row("ffs run", "--csv --checkpoints CPS", ",31.8,32.1,0.07,\n", 1);
        row("no script", html, "<script", 0);
    }
    void corridorFigures()
    {
        QFETCH(QString, options);
        QFETCH(QString, says);
        const QString page = dir_.filePath("page.html");
        gd2::CliOutput io;
        // Summary's unless the row names its command.
        QStringList words = options.replace("PAGE", page)
                                .replace("CPS", dir_.filePath("cps.csv"))
                                .split(u' ', Qt::SkipEmptyParts);
        if (words.value(0) != u"delays") {
            words.prepend(QStringLiteral("summary"));
        }
        QCOMPARE(gd2::runCli(words << corridor_, io), 0);
        const QByteArray all = io.out + io.err + (options.contains(page) ? readAll(page) : "");
        QTEST(int(all.count(says.toUtf8())), "times");
    }

    // Skewed runs of 300, 300, 300, 300 and 500 s: mean 340, median 300, P80
    // 300 + 0.2 * 200 = 340; LOTTR is P80 over the median, 340 / 300 = 1.13.
    void lottrOfSkewedRuns()
    {
        QList<FixRecord> r;
        for (int k = 0; k < 5; ++k) {
            r << run(qint16(k + 1), 2, 7 * 3600 + 600 * k, k == 4 ? 500 : 300, 100);
        }
        gd2::CliOutput io;
        QCOMPARE(cli({"--csv", file("skewed.gd2", studyBytes(r))}, io), 0);
        const QList<QByteArray> lines = io.out.split('\n');
        const qsizetype lottr = lines[0].split(',').indexOf("lottr");
        QVERIFY2(lines.size() > 1 && lines[1].startsWith("NB,all,run,run,5,340.0,300.0,") &&
                     lines[1].split(',').value(lottr) == "1.13",
                 io.out.constData());
    }

    // Linear interpolation between order statistics, as NumPy's default.
    void percentiles_data()
    {
        QTest::addColumn<QList<double>>("xs");
        QTest::addColumn<double>("p");
        QTest::addColumn<double>("expected");
        QTest::newRow("one value") << QList<double>{7} << 0.95 << 7.0;
        QTest::newRow("lowest") << QList<double>{3, 1, 2} << 0.0 << 1.0;
        QTest::newRow("highest") << QList<double>{3, 1, 2} << 1.0 << 3.0;
        QTest::newRow("between") << QList<double>{10, 20, 30, 40} << 0.5 << 25.0;
        // numpy.percentile([1, 2, 4, 8, 16], 80) = 9.6, at 95: 14.4
        QTest::newRow("p80 of five") << QList<double>{16, 1, 8, 2, 4} << 0.80 << 9.6;
        QTest::newRow("p95 of five") << QList<double>{16, 1, 8, 2, 4} << 0.95 << 14.4;
    }
    void percentiles()
    {
        QFETCH(QList<double>, xs);
        QFETCH(double, p);
        QTEST(std::round(vtstats::percentile(xs, p) * 1e9) / 1e9, "expected");
    }

    // Against scipy.stats.ttest_ind(after, before, equal_var=False) and
    // scipy.stats.t.ppf for the interval.
    void welch_data()
    {
        QTest::addColumn<QList<double>>("sides");    // n, mean, sd before; n, mean, sd after
        QTest::addColumn<QList<double>>("expected"); // t, df, p, ci low, ci high
        QTest::newRow("unequal spread")
            << QList<double>{5, 340, 31.6227766017, 5, 288, 30.3315017762}
            << QList<double>{-2.653614, 7.986135, 0.029136, -97.201927, -6.798073};
        QTest::newRow("unequal sizes")
            << QList<double>{4, 100, 5, 12, 110, 20}
            << QList<double>{1.589439, 13.740484, 0.134699, -3.517936, 23.517936};
    }
    void welch()
    {
        QFETCH(QList<double>, sides);
        QFETCH(QList<double>, expected);
        const auto w = vtstats::welch(std::size_t(sides[0]), sides[1], sides[2],
                                      std::size_t(sides[3]), sides[4], sides[5], 0.95);
        QVERIFY(w);
        const QList<double> got{w->t, w->df, w->p, w->change.low, w->change.high};
        for (qsizetype k = 0; k < got.size(); ++k) {
            QVERIFY2(std::abs(got[k] - expected[k]) < 5e-6, qPrintable(QString::number(k)));
        }
        QCOMPARE(w->significant, w->p < 0.05);
        QVERIFY(!vtstats::welch(1, 100, 0, 5, 120, 10, 0.95));
        QVERIFY(!vtstats::welch(3, 100, 0, 3, 120, 0, 0.95));
    }

    // The first n that is enough: n >= 2 (t(1 - a/2, 2n - 2) + t(power, 2n - 2))^2 s^2 / d^2.
    void runsToDetectIsTheFirstEnough()
    {
        for (double ratio = 0.05; ratio < 40.0; ratio *= 1.61) {
            for (double power : {0.5, 0.8, 0.9}) {
                const auto got = vtstats::runsToDetect(ratio * ratio, 1.0, 0.95, power);
                QVERIFY(got && !got->capped);
                const auto enough = [&](long long n) {
                    const double df = 2.0 * double(n) - 2.0;
                    const double sum = vtstats::tTwoSided(0.95, df) + vtstats::tQuantile(power, df);
                    return double(n) >= 2.0 * sum * sum * ratio * ratio;
                };
                QVERIFY(enough(got->n));
                QVERIFY(got->n == 2 || !enough(got->n - 1));
            }
        }
        QVERIFY(!vtstats::runsToDetect(1.0, 0.0, 0.95, 0.8));
    }

    // The corridor before and after, by scipy (see welch above): the whole
    // run and N1-end fall by 52 s, t -2.65 on 7.99 df, p 0.0291; start-N1
    // took 100 s in every run on both sides; SB was driven before only.
    void compareFigures_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("says");
        QTest::addColumn<int>("times");
        const auto row = [](const char* name, const char* options, const char* says,
                            int times = 1) { QTest::newRow(name) << options << says << times; };
        const char* csv = "--csv";
        row("columns", csv,
            "direction,period,from,to,runs_before,mean_before_s,sd_before_s,runs_after,"
            "mean_after_s,sd_after_s,change_s,change_pct,t,df,p_value,ci_low_s,ci_high_s,"
            "significant,runs_to_detect,runs_to_detect_capped\n");
        row("run", csv,
            "\nNB,all,run,run,5,340.0,31.6,5,288.0,30.3,-52.0,-15.3,-2.65,7.99,0.0291,-97.2,-6.8,"
            "yes,15,no\n");
        row("N1-end", csv,
            "\nNB,all,N1,end,5,240.0,31.6,5,188.0,30.3,-52.0,-21.7,-2.65,7.99,0.0291,-97.2,-6.8,"
            "yes,28,no\n");
        row("no spread", csv, "\nNB,all,start,N1,5,100.0,0.0,5,100.0,0.0,0.0,0.0,,,,,,,2,no\n");
        row("no spread said", csv, "No spread on either side (start-N1)");
        row("one side", csv, "\nSB,all,run,run,1,400.0,,,,,,,,,,,,,,\n");
        row("one side said", csv, "SB, all day: Runs before only: nothing to compare.");
        row("90 %", "--csv --confidence 90",
            "\nNB,all,run,run,5,340.0,31.6,5,288.0,30.3,-52.0,-15.3,-2.65,7.99,0.0291,-88.4,-15.6,"
            "yes,");
        row("detect 20 %, power 90 %", "--csv --detect 20 --power 90", ",yes,6,no\n");
        row("capped", "--csv --detect 0.001", ",yes,1000000,yes\n", 2);
        row("capped in text", "--detect 0.001", " >1000000\n", 2);
        row("text", "",
            "  run             5   340.0   31.6    5   288.0   30.3   -52.0  -15.3  "
            "-2.65    7.99  0.0291        -97.2..-6.8    yes     15\n");
        row("reference speed", "--reference-mph 36", "TTI before TTI after\n", 2);
        // Per group a means chart and a time-space diagram a side, on one
        // scale: the after runs' 5.5 minutes reach the 8 of the before runs.
        row("charts", "--html PAGE", "<svg", 3 + 2);
        row("one scale", "--html PAGE", "text-anchor=\"middle\">8</text>", 2 + 1);
    }
    void compareFigures()
    {
        QFETCH(QString, options);
        QFETCH(QString, says);
        const QString page = dir_.filePath("compare.html");
        gd2::CliOutput io;
        const QStringList args = options.replace("PAGE", page).split(u' ', Qt::SkipEmptyParts);
        QCOMPARE(gd2::runCli(
                     QStringList{"compare", "--before", corridor_, "--after", faster_} + args, io),
                 0);
        const QByteArray all = io.out + io.err + (options.contains(page) ? readAll(page) : "");
        QTEST(int(all.count(says.toUtf8())), "times");
    }

    // A study given twice, however named or copied, counts once and is said
    // to count once in every output; before and after cannot be one study.
    void studyCountsOnce_data()
    {
        QTest::addColumn<QString>("args"); // C corridor, ./C, K its copy, T torn copy, F faster
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QString>("runs"); // as the text's first line counts them
        const auto row = [](const char* name, const char* args, int status, const char* says,
                            const char* runs) {
            QTest::newRow(name) << args << status << says << runs;
        };
        row("twice", "summary C C", 0, "corridor.gd2 is given twice: counted once.", ": 6 runs");
        row("another name", "summary C ./C", 0, "./corridor.gd2 is the file ", ": 6 runs");
        row("a copy", "summary K C", 0, "corridor.gd2 holds the same header and records as ",
            ": 6 runs");
        row("a torn copy", "summary C T", 0, "torn.gd2 holds the same header", ": 6 runs");
        row("one record differs", "summary C D", 0, "", ": 12 runs");
        row("another study", "summary C F", 0, "", ": 11 runs");
        row("a side twice", "compare --before C --before K --after F", 0, "counted once",
            ": 6 runs before");
        row("both sides", "compare --before C --after ./C", 2, "are the same study", "");
        row("a copy after", "compare --before F --before C --after K", 2,
            "copy.gd2 (after) are the same study: nothing to compare", "");
    }
    void studyCountsOnce()
    {
        QFETCH(QString, args);
        QFETCH(int, status);
        QFETCH(QString, says);
        QList<FixRecord> differs = corridor();
        differs[3].SpeedMph = 31;
        const QMap<QString, QString> paths{{"C", corridor_},
                                           {"./C", dir_.path() + "/./corridor.gd2"},
                                           {"K", file("copy.gd2", readAll(corridor_))},
                                           {"T", file("torn.gd2", readAll(corridor_) + "torn")},
                                           {"D", file("differs.gd2", studyBytes(differs))},
                                           {"F", faster_}};
        QStringList words = args.split(u' ');
        for (QString& w : words) {
            w = paths.value(w, w);
        }
        const QString page = dir_.filePath("once.html");
        for (const QStringList& format : {QStringList{}, {"--csv"}, {"--html", page}}) {
            QFile::remove(page);
            gd2::CliOutput io;
            QCOMPARE(gd2::runCli(words + format, io), status);
            const QByteArray all = io.out + io.err + readAll(page);
            QVERIFY2(all.contains(says.toUtf8()), all.constData());
            QCOMPARE(all.contains("counted once"), !says.isEmpty() && status == 0);
            if (format.isEmpty()) {
                QFETCH(QString, runs);
                QVERIFY2(io.out.split('\n').first().contains(runs.toUtf8()), io.out.constData());
            }
        }
    }

    void parsePeriods_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::newRow("past midnight") << "night=22:00-02:00" << true;
        QTest::newRow("overlap") << "a=07:00-09:00,b=08:30-10:00" << false;
        QTest::newRow("overlap at midnight") << "a=23:00-01:00,b=00:30-02:00" << false;
        QTest::newRow("empty") << "a=07:00-07:00" << false;
        QTest::newRow("no name") << "07:00-09:00" << false;
        QTest::newRow("bad minute") << "a=07:60-09:00" << false;
        QTest::newRow("twice") << "a=01:00-02:00,a=03:00-04:00" << false;
        QTest::newRow("to 24:00") << "night=22:00-24:00,day=00:00-22:00" << true;
        QTest::newRow("whole day") << "all=00:00-24:00" << true;
        QTest::newRow("from 24:00") << "a=24:00-02:00" << false;
    }
    void parsePeriods()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QString error;
        const auto periods = gd2::parsePeriods(text, error);
        QCOMPARE(periods.has_value(), ok);
        QCOMPARE(error.isEmpty(), ok);
        // Every time of the day in exactly one period of a covering list.
        const qint64 hour = 3'600'000;
        if (ok && text.contains(u"24:00")) {
            for (qint64 t : {0LL, 12 * hour, 22 * hour, 24 * hour - 1}) {
                QCOMPARE(std::count_if(periods->cbegin(), periods->cend(),
                                       [t](const gd2::Period& p) { return p.contains(t); }),
                         1);
            }
        } else if (ok) {
            QVERIFY(periods->first().contains(23 * hour));
            QVERIFY(periods->first().contains(hour));
            QVERIFY(!periods->first().contains(12 * hour));
        }
    }

    // Bad input gives a message or a marked cell, in every output, and
    // never a number that is not one. Every chart on a page, of bad input or
    // good, is well-formed SVG with its axes named.
    void badInput_data()
    {
        QTest::addColumn<QList<QByteArray>>("files");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        const auto without = [](QList<FixRecord> r, double FixRecord::*field) {
            for (FixRecord& f : r) {
                f.*field = missing::kDouble;
            }
            return studyBytes(r);
        };
        const QList<FixRecord> one = run(1, 2, 3600, 100, 50);
        const QByteArray good = studyBytes(corridor());
        using L = QList<QByteArray>;
        QTest::newRow("corridor") << L{good} << 0 << "";
        QTest::newRow("no runs") << L{studyBytes({})} << 0 << "no runs";
        QTest::newRow("one run") << L{studyBytes(one)} << 0 << "One run only";
        QTest::newRow("no times") << L{without(one, &FixRecord::FixTime)} << 0 << "no travel time";
        QTest::newRow("no positions")
            << L{without(one + run(2, 2, 7200, 120, 50), &FixRecord::Latitude)} << 0
            << "No positions in runs 1, 2";
        QTest::newRow("torn record") << L{good + QByteArray(20, '\1')} << 0 << "part of a record";
        QTest::newRow("foreign among several")
            << L{good, QByteArray("date,speed\n").repeated(30)} << 0 << "not a study file";
        QTest::newRow("node counts differ")
            << L{studyBytes(one + run(2, 2, 7200, 120, 1000))} << 0 << "differ in their number";
        QTest::newRow("nothing readable") << L{QByteArray()} << 1 << "no study file could be read";
    }
    void badInput()
    {
        QFETCH(QList<QByteArray>, files);
        QFETCH(int, status);
        QFETCH(QString, says);
        QStringList paths;
        for (qsizetype k = 0; k < files.size(); ++k) {
            paths << file(QString::number(k) + ".gd2", files[k]);
        }
        const QString html = dir_.filePath("bad.html");
        static const QRegularExpression nan(R"(\b(nan|-?inf)\b)",
                                            QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression svg("<svg.*?</svg>",
                                            QRegularExpression::DotMatchesEverythingOption);
        for (const QStringList& format : {QStringList{"--csv"}, {}, {"--html", html}}) {
            gd2::CliOutput io;
            QCOMPARE(cli(format + paths, io), status);
            QVERIFY2((io.out + io.err).contains(says.toUtf8()), io.err.constData());
            const QByteArray page = format.size() == 2 && status == 0 ? readAll(html) : "";
            QVERIFY(!nan.match(QString::fromUtf8(io.out + page)).hasMatch());
            for (auto it = svg.globalMatch(QString::fromUtf8(page)); it.hasNext();) {
                const QString one = it.next().captured();
                QXmlStreamReader xml(one);
                while (!xml.atEnd()) {
                    xml.readNext();
                }
                QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
                QVERIFY(one.contains(u"(s)") || one.contains(u"(mi)"));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TstSummary)
#include "tst_summary.moc"
