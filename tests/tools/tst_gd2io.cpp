// gd2 as a process meets its files: what is not a regular file is neither
// read nor replaced, every failed write is said, and all-zero or timeless
// runs are named. Device nodes need root; those rows are skipped without it.

#include "TestSupport.h"

#include <QFileInfo>
#include <QProcess>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

class TstGd2Io : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    QString path(const QString& name) const { return dir_.filePath(name); }

    QString study(const QString& name, const QList<FixRecord>& records, qsizetype zeros = 0)
    {
        QByteArray bytes = StudyHeader().encode();
        for (const FixRecord& r : records) {
            bytes += r.encode();
        }
        writeAll(path(name), bytes + QByteArray(zeros * FixRecord::kSize, '\0'));
        return path(name);
    }

    // Runs gd2; its exit status, and stdout and stderr in `said`.
    int gd2(QStringList args, QByteArray& said, const QString& stdoutFile = {})
    {
        args.replaceInStrings(QStringLiteral("DIR/"), dir_.path() + u'/');
        QProcess p;
        if (!stdoutFile.isEmpty()) {
            p.setStandardOutputFile(stdoutFile);
        }
        p.start(QStringLiteral(GD2_PROGRAM), args);
        if (!p.waitForFinished(20000)) {
            p.kill();
            p.waitForFinished();
            said = "did not finish";
            return -1;
        }
        said = p.readAllStandardOutput() + p.readAllStandardError();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

private slots:
    void initTestCase()
    {
        FixRecord timeless;
        timeless.RunNum = 1;
        study(QStringLiteral("timeless.gd2"), {timeless, timeless});
        FixRecord timed = timeless;
        timed.FixTime = 40238.5;
        study(QStringLiteral("ok.gd2"), {timed, timed, timed});
        study(QStringLiteral("zeros.gd2"), {timed}, 400'000); // 19 MB
        QCOMPARE(::mkfifo(qPrintable(path(QStringLiteral("fifo"))), 0600), 0);
        if (::geteuid() == 0) {
            QCOMPARE(::mknod(qPrintable(path("null")), S_IFCHR | 0600, makedev(1, 3)), 0);
            QCOMPARE(::mknod(qPrintable(path("full")), S_IFCHR | 0600, makedev(1, 7)), 0);
        }
    }

    // First, as the children's peak counts from here on: a nonsense file's
    // delays and lines were once held whole, at ten times the file's size.
    void memoryFollowsFileSize()
    {
        QByteArray said;
        QCOMPARE(gd2({"report", "DIR/zeros.gd2"}, said, QStringLiteral("/dev/null")), 0);
        rusage use{};
        QCOMPARE(::getrusage(RUSAGE_CHILDREN, &use), 0);
        QVERIFY2(use.ru_maxrss < 150'000, qPrintable(QString::number(use.ru_maxrss) + " kB"));
    }

    void files_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("stdoutFile");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("pipe in") << "info DIR/fifo"
                                 << "" << 1 << "not a regular file";
        QTest::newRow("device in") << "dump /dev/zero"
                                   << "" << 1 << "not a regular file";
        QTest::newRow("device out") << "export --format csv -o DIR/null DIR/ok.gd2"
                                    << "" << 0 << "";
        QTest::newRow("full device out") << "summary -o DIR/full DIR/ok.gd2"
                                         << "" << 1 << "DIR/full: cannot be written";
        QTest::newRow("stdout full")
            << "dump DIR/ok.gd2"
            << "/dev/full" << 1 << "gd2: standard output: cannot be written";
        QTest::newRow("all zeros") << "info DIR/zeros.gd2"
                                   << "" << 0
                                   << "run 0: its 400000 records from record 2 on hold nothing "
                                      "but zeros";
        QTest::newRow("timeless") << "info DIR/timeless.gd2"
                                  << "" << 0 << "run 1: none of its 2 records has a time";
    }
    void files()
    {
        QFETCH(QString, args);
        QFETCH(QString, said);
        if (args.contains("DIR/null") || args.contains("DIR/full")) {
            if (::geteuid() != 0) {
                QSKIP("device nodes need root");
            }
        }
        QByteArray got;
        QFETCH(QString, stdoutFile);
        QTEST(gd2(args.split(u' '), got, stdoutFile), "status");
        said.replace(QStringLiteral("DIR/"), dir_.path() + u'/');
        QVERIFY2(got.contains(said.toUtf8()), got.constData());
        for (const char* node : {"null", "full", "fifo"}) {
            QVERIFY(!QFileInfo::exists(path(node)) || !QFileInfo(path(node)).isFile());
        }
    }
};

QTEST_GUILESS_MAIN(TstGd2Io)
#include "tst_gd2io.moc"
