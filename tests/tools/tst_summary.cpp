// gd2 summary and the statistics under it: Student's t against published
// tables, a corridor whose figures are worked out by hand, and input that
// is short, torn, foreign or uneven.

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

// A run north along the meridian 75, a fix every 10 s at 30 mph, `miles`
// long; node 1 passed at `node1` s; at 0 mph for the fixes from `stopAt`
// to `stopAt` + `stopFor` s.
QList<FixRecord> run(qint16 number, qint16 dir, int startS, int seconds, int node1, int stopAt = -1,
                     int stopFor = 0, double miles = 3.0)
{
    QList<FixRecord> out;
    const int n = seconds / 10 + 1;
    for (int k = 0; k < n; ++k) {
        const int t = 10 * k;
        FixRecord f;
        f.RunNum = number;
        f.FixQuality = 1;
        f.SpeedMph = t >= stopAt && t < stopAt + stopFor ? 0.0f : 30.0f;
        f.FixTime = kStudyDay + (startS + t) / 86400.0;
        f.Latitude = 40.0 + miles * kDegPerMile * k / (n - 1);
        f.Longitude = 75.0;
        f.NumSats = 8;
        f.HDOP = 1.0f;
        f.NodeNum = t >= node1 ? 1 : 0;
        f.RunDir = dir;
        out << f;
    }
    return out;
}

QByteArray study(const QList<FixRecord>& records)
{
    StudyHeader h;
    h.VersionMajor = 2;
    h.VersionMinor = 1;
    h.VersionRevision = 2;
    h.StudyDate = kStudyDay;
    QByteArray bytes = h.encode();
    for (const FixRecord& f : records) {
        bytes += f.encode();
    }
    return bytes;
}

// Five northbound runs of 300 to 380 s and one southbound of 400 s.
QList<FixRecord> corridor()
{
    QList<FixRecord> r;
    for (int k = 0; k < 5; ++k) {
        r << run(qint16(k + 1), 2, 7 * 3600 + 600 * k, 300 + 20 * k, 100, k == 0 ? 150 : -1, 20);
    }
    r[12].DelayNum = 4;          // run 1, N1-end
    r[31 + 12].DelayNum = 4;     // run 2, N1-end
    r[31 + 33 + 2].DelayNum = 7; // run 3, start-N1
    r << run(6, 1, 8 * 3600, 400, 200);
    return r;
}

QMap<QString, QStringList> csvRows(const QByteArray& csv)
{
    QMap<QString, QStringList> rows;
    for (const QString& line : QString::fromUtf8(csv).split(u'\n', Qt::SkipEmptyParts).mid(1)) {
        const QStringList c = line.split(u',');
        rows[c[0] + u' ' + c[1] + u' ' + c[2] + u'-' + c[3]] = c;
    }
    return rows;
}

} // namespace

class TstSummary : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    QString file(const QString& name, const QByteArray& bytes)
    {
        writeAll(dir_.filePath(name), bytes);
        return dir_.filePath(name);
    }

    int cli(const QStringList& args, gd2::CliOutput& io)
    {
        return gd2::runCli(QStringList{QStringLiteral("summary")} + args, io);
    }

private slots:
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
        QFETCH(double, table);
        QVERIFY2(std::abs(vtstats::tQuantile(p, df) - table) < 0.0005,
                 qPrintable(QString::number(vtstats::tQuantile(p, df), 'f', 4)));
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
        QTest::newRow("no spread") << 0.0 << 10.0 << 0.95 << 2LL << false;
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
        QFETCH(long long, expected);
        QFETCH(bool, capped);
        const auto got = vtstats::runsNeeded(cv, error, confidence);
        QVERIFY(got);
        QCOMPARE(got->n, expected);
        QCOMPARE(got->capped, capped);
        const auto need = [&](long long n) {
            const double r = vtstats::tTwoSided(confidence, double(n - 1)) * cv / error;
            return r * r;
        };
        if (!capped) {
            QVERIFY(double(got->n) >= need(got->n));
            QVERIFY(got->n == 2 || double(got->n - 1) < need(got->n - 1));
        }
    }

    // NB runs of 300, 320, 340, 360, 380 s over 3 miles each:
    //   mean 340, deviations -40 -20 0 20 40, squares sum 4000, SD sqrt(4000/4) = 31.62
    //   CV 31.62 / 340 = 9.30 %; interval 340 +- 2.776 * 31.62 / sqrt 5 = 340 +- 39.26
    //   needed at +-10 %: n = 5: (2.776 * 0.930)^2 = 6.67 > 5; n = 6: (2.571 * 0.930)^2 = 5.72
    //   speed 15 mi / 1700 s = 31.76 mph; run 1 stops once for 2 fixes of 10 s: 0.2 stops, 4 s
    //   at 36 mph the 3 miles take 300 s: delays 0 20 40 60 80, mean 40; TTI 1700 / 1500 = 1.13
    // Node 1 at 100 s in every run: start-N1 has no spread, two runs are enough.
    // SB has one run of 400 s: no spread, so no SD, interval or runs needed.
    void handWorkedCorridor()
    {
        gd2::CliOutput io;
        const QString path = file(QStringLiteral("corridor.gd2"), study(corridor()));
        QCOMPARE(cli({QStringLiteral("--csv"), QStringLiteral("--reference-mph=36"), path}, io),
                 gd2::kExitOk);
        QCOMPARE(io.out.left(io.out.indexOf('\n')),
                 QByteArray("direction,period,from,to,runs,mean_s,median_s,sd_s,min_s,max_s,cv_pct,"
                            "ci_low_s,ci_high_s,runs_needed,enough,mean_mph,stops_per_run,"
                            "stopped_s_per_run,delay_s,tti"));
        const auto rows = csvRows(io.out);
        QCOMPARE(rows.size(), 6);
        QCOMPARE(rows[QStringLiteral("NB all run-run")].mid(4).join(u','),
                 QStringLiteral("5,340.0,340.0,31.6,300.0,380.0,9.3,300.7,379.3,6,no,31.8,0.20,"
                                "4.0,40.0,1.13"));
        QCOMPARE(rows[QStringLiteral("NB all start-N1")].mid(4, 11).join(u','),
                 QStringLiteral("5,100.0,100.0,0.0,100.0,100.0,0.0,100.0,100.0,2,yes"));
        QCOMPARE(rows[QStringLiteral("NB all N1-end")].mid(4, 5).join(u','),
                 QStringLiteral("5,240.0,240.0,31.6,200.0"));
        QCOMPARE(rows[QStringLiteral("SB all run-run")].mid(4).join(u','),
                 QStringLiteral("1,400.0,400.0,,400.0,400.0,,,,,no,27.0,0.00,0.0,100.0,1.33"));
        QVERIFY(io.err.contains("One run only"));

        gd2::CliOutput text;
        QCOMPARE(cli({path}, text), gd2::kExitOk);
        QVERIFY(text.out.contains("N1-end: 4 \u00d72"));
        QVERIFY(text.out.contains("start-N1: 7 \u00d71"));
    }

    // Runs are grouped by the local time of their start; a run outside
    // every period is left out and said to be.
    void periods()
    {
        gd2::CliOutput io;
        const QString path = file(QStringLiteral("periods.gd2"), study(corridor()));
        QCOMPARE(cli({QStringLiteral("--csv"), QStringLiteral("--periods"),
                      QStringLiteral("early=07:00-07:15,late=07:15-07:45"), path},
                     io),
                 gd2::kExitOk);
        const auto rows = csvRows(io.out);
        QCOMPARE(rows[QStringLiteral("NB early run-run")][4], QStringLiteral("2"));
        QCOMPARE(rows[QStringLiteral("NB late run-run")][4], QStringLiteral("3"));
        QVERIFY(!rows.contains(QStringLiteral("SB early run-run")));
        QVERIFY(io.err.contains("1 run started outside every period"));
    }

    void parsePeriods_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::newRow("two") << "AM=07:00-09:00,PM=16:00-18:30" << true;
        QTest::newRow("past midnight") << "night=22:00-02:00" << true;
        QTest::newRow("overlap") << "a=07:00-09:00,b=08:30-10:00" << false;
        QTest::newRow("overlap at midnight") << "a=23:00-01:00,b=00:30-02:00" << false;
        QTest::newRow("empty") << "a=07:00-07:00" << false;
        QTest::newRow("no name") << "07:00-09:00" << false;
        QTest::newRow("bad minute") << "a=07:60-09:00" << false;
        QTest::newRow("twice") << "a=01:00-02:00,a=03:00-04:00" << false;
    }
    void parsePeriods()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QString error;
        const auto periods = gd2::parsePeriods(text, error);
        QCOMPARE(periods.has_value(), ok);
        QCOMPARE(error.isEmpty(), ok);
        if (ok && text.startsWith(u"night")) {
            QVERIFY(periods->first().contains(23 * 3'600'000));
            QVERIFY(periods->first().contains(3'600'000));
            QVERIFY(!periods->first().contains(12 * 3'600'000));
        }
    }

    // Bad input gives a message or a marked cell, in every output, and
    // never a number that is not one.
    void badInput_data()
    {
        QTest::addColumn<QList<QByteArray>>("files");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QList<FixRecord> untimed = run(1, 2, 3600, 100, 50);
        for (FixRecord& f : untimed) {
            f.FixTime = missing::kDouble;
        }
        QList<FixRecord> unplaced = run(1, 2, 3600, 100, 50) + run(2, 2, 7200, 120, 50);
        for (FixRecord& f : unplaced) {
            f.Latitude = missing::kDouble;
        }
        QList<FixRecord> uneven = run(1, 2, 3600, 100, 50) + run(2, 2, 7200, 120, 1000);
        const QByteArray good = study(corridor());
        using L = QList<QByteArray>;
        QTest::newRow("no runs") << L{study({})} << 0 << "no runs";
        QTest::newRow("one run") << L{study(run(1, 2, 3600, 100, 50))} << 0 << "One run only";
        QTest::newRow("no times") << L{study(untimed)} << 0 << "has no travel time";
        QTest::newRow("no positions") << L{study(unplaced)} << 0 << "No positions in runs 1, 2";
        QTest::newRow("torn record") << L{good + QByteArray(20, '\1')} << 0 << "part of a record";
        QTest::newRow("foreign among several")
            << L{good, QByteArray("date,speed\n").repeated(30)} << 0 << "not a study file";
        QTest::newRow("node counts differ") << L{study(uneven)} << 0 << "differ in their number";
        QTest::newRow("nothing readable") << L{QByteArray()} << 1 << "no study file could be read";
    }
    void badInput()
    {
        QFETCH(QList<QByteArray>, files);
        QFETCH(int, status);
        QFETCH(QString, says);
        QStringList paths;
        for (qsizetype k = 0; k < files.size(); ++k) {
            paths << file(QStringLiteral("%1-%2.gd2").arg(QTest::currentDataTag()).arg(k),
                          files[k]);
        }
        const QString html = dir_.filePath(QStringLiteral("bad.html"));
        static const QRegularExpression nan(QStringLiteral(R"(\b(nan|-?inf)\b)"),
                                            QRegularExpression::CaseInsensitiveOption);
        for (const QStringList& format : {QStringList{QStringLiteral("--csv")}, QStringList{},
                                          QStringList{QStringLiteral("--html"), html}}) {
            gd2::CliOutput io;
            QCOMPARE(cli(format + paths, io), status);
            QVERIFY2((io.out + io.err).contains(says.toUtf8()), io.err.constData());
            const QByteArray page = format.size() == 2 && status == 0 ? readAll(html) : "";
            QVERIFY(!nan.match(QString::fromUtf8(io.out + page)).hasMatch());
        }
    }

    // Every picture is well-formed SVG with its axes named, and the page
    // needs nothing from elsewhere.
    void htmlPage()
    {
        const QString html = dir_.filePath(QStringLiteral("page.html"));
        gd2::CliOutput io;
        QCOMPARE(cli({QStringLiteral("--html"), html,
                      file(QStringLiteral("page.gd2"), study(corridor()))},
                     io),
                 gd2::kExitOk);
        const QString page = QString::fromUtf8(readAll(html));
        QVERIFY(!page.contains(QStringLiteral("<script")));
        QCOMPARE(page.count(QStringLiteral("http")),
                 page.count(QStringLiteral("xmlns=\"http://www.w3.org/2000/svg\"")));
        static const QRegularExpression svg(QStringLiteral("<svg.*?</svg>"),
                                            QRegularExpression::DotMatchesEverythingOption);
        int charts = 0;
        for (auto it = svg.globalMatch(page); it.hasNext(); ++charts) {
            const QString one = it.next().captured();
            QXmlStreamReader xml(one);
            while (!xml.atEnd()) {
                xml.readNext();
            }
            QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
            QVERIFY(one.contains(u"(s)") || one.contains(u"(mi)"));
        }
        // A travel-time chart per group, then time-space and speed per direction.
        QCOMPARE(charts, 2 + 2 * 2);
    }
};

QTEST_GUILESS_MAIN(TstSummary)
#include "tst_summary.moc"
