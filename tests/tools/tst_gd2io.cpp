// gd2 as a process meets its files and its shell: what is not a regular
// file is neither read nor replaced, standard output appended to a study
// file is refused, every failed write is said, all-zero or
// timeless runs are named, and bash completes its command lines. Device
// nodes need root; those rows are skipped without it.

#include "TestSupport.h"

#include <QProcess>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

class TstGd2Io : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    void study(const char* name, const QList<FixRecord>& records, qsizetype zeros = 0)
    {
        QByteArray bytes = StudyHeader().encode();
        for (const FixRecord& r : records) {
            bytes += r.encode();
        }
        writeAll(dir_.filePath(name), bytes + QByteArray(zeros * FixRecord::kSize, '\0'));
    }

    // gd2's exit status, and what it wrote to stdout and stderr in `said`.
    int gd2(const QString& args, QByteArray& said, const QString& stdoutFile = {})
    {
        QProcess p;
        // Freed memory held back by the address sanitizer is no memory gd2 uses.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":quarantine_size_mb=0");
        p.setProcessEnvironment(env);
        // None: read below. Appended to, as `>>` does: a study file stays whole.
        p.setStandardOutputFile(QString(stdoutFile).replace("DIR/", dir_.path() + '/'),
                                QIODevice::Append);
        p.start(GD2_PROGRAM, QString(args).replace("DIR/", dir_.path() + '/').split(u' '));
        const bool finished = p.waitForFinished(20000); // a pipe once kept it for ever
        said = p.readAllStandardOutput() + p.readAllStandardError();
        return finished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

private slots:
    void initTestCase()
    {
        FixRecord timeless;
        timeless.RunNum = 1;
        study("timeless.gd2", {timeless, timeless});
        study("zeros.gd2", {timeless}, 400'000); // 19 MB
        QCOMPARE(::mkfifo(qPrintable(dir_.filePath("fifo")), 0600), 0);
        if (::geteuid() == 0) {
            QCOMPARE(::mknod(qPrintable(dir_.filePath("null")), S_IFCHR | 0600, makedev(1, 3)), 0);
            QCOMPARE(::mknod(qPrintable(dir_.filePath("full")), S_IFCHR | 0600, makedev(1, 7)), 0);
        }
    }

    // First, as the children's peak counts from here on: a nonsense file's
    // delays and lines were once held whole, at ten times the file's size
    // (190 MB, some 145 MB over what the sanitised program takes alone).
    void memoryFollowsFileSize()
    {
        QByteArray said;
        rusage use{};
        QCOMPARE(gd2("--version", said), 0);
        QCOMPARE(::getrusage(RUSAGE_CHILDREN, &use), 0);
        const long alone = use.ru_maxrss;
        QCOMPARE(gd2("report DIR/zeros.gd2", said, "/dev/null"), 0);
        QCOMPARE(::getrusage(RUSAGE_CHILDREN, &use), 0);
        QVERIFY2(
            use.ru_maxrss - alone < 120'000,
            qPrintable(QStringLiteral("%1 kB over %2 kB").arg(use.ru_maxrss - alone).arg(alone)));
    }

    void files_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("stdoutFile");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        const auto row = [](const char* name, const char* args, const char* out, int status,
                            const char* said) {
            QTest::newRow(name) << QString(args) << QString(out) << status << QString(said);
        };
        row("pipe in", "info DIR/fifo", "", 1, "not a regular file");
        row("device in", "dump /dev/zero", "", 1, "not a regular file");
        row("device out", "export --format csv -o DIR/null DIR/timeless.gd2", "", 0, "");
        row("full device out", "summary -o DIR/full DIR/timeless.gd2", "", 1, "cannot be written");
        row("stdout full", "dump DIR/timeless.gd2", "/dev/full", 1, "gd2: standard output: cannot");
        row("all zeros", "info DIR/zeros.gd2", "", 0, "its 400000 records from record 2 on hold");
        row("timeless", "info DIR/timeless.gd2", "", 0, "run 1: none of its 2 records has a time");
        row("folder out", "summary -o DIR/. DIR/timeless.gd2", "", 1,
            "exists but cannot be written");
        row("no folder", "info -o DIR/none/x DIR/timeless.gd2", "", 1, "none does not exist");
        row("stdout onto its study", "dump DIR/timeless.gd2", "DIR/timeless.gd2", 2,
            "standard output: is ");
        row("stdout onto a study", "info DIR/zeros.gd2", "DIR/timeless.gd2", 2,
            "standard output: is a study file");
    }
    void files()
    {
        QFETCH(QString, args);
        if ((args.contains("DIR/null") || args.contains("DIR/full")) && ::geteuid() != 0) {
            QSKIP("device nodes need root");
        }
        QFETCH(QString, stdoutFile);
        QByteArray got;
        QTEST(gd2(args, got, stdoutFile), "status");
        QFETCH(QString, said);
        QVERIFY2(got.contains(said.toUtf8()), got.constData());
        for (const char* node : {"null", "full", "fifo"}) {
            QVERIFY(!QFileInfo(dir_.filePath(node)).isFile());
        }
        QCOMPARE(QFileInfo(dir_.filePath("timeless.gd2")).size(), 272 + 2 * 48);
    }

    // The completion script that `gd2 --bash-completion` writes, run by bash
    // on a command line typed so far (the cursor after its last word).
    void completion_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("offered");
        QTest::newRow("commands") << "gd2 c"
                                  << "checkpoints compare";
        QTest::newRow("formats") << "gd2 export --format g"
                                 << "gpx geojson gpkg";
        QTest::newRow("options") << "gd2 compare --be"
                                 << "--before";
        QTest::newRow("alias") << "gd2 info --o"
                               << "--output";
        QTest::newRow("confidence") << "gd2 summary --confidence 9"
                                    << "90 95 99";
        QTest::newRow("study files") << "gd2 info DIR/z"
                                     << "DIR/zeros.gd2";
        QTest::newRow("any file after --html") << "gd2 summary --html DIR/fi"
                                               << "DIR/fifo";
        QTest::newRow("no bare files for compare") << "gd2 compare DIR/z"
                                                   << "";
        QTest::newRow("no value guessed") << "gd2 summary --periods A"
                                          << "";
    }
    void completion()
    {
        QFETCH(QString, typed);
        typed.replace("DIR/", dir_.path() + '/');
        QString words = typed;
        if (words.endsWith(u' ')) {
            words += "''";
        }
        QProcess bash;
        bash.start("bash", {"-c", QStringLiteral("source <(\"%1\" --bash-completion) && "
                                                 "COMP_WORDS=(%2) && "
                                                 "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) && _gd2 && "
                                                 "echo \"${COMPREPLY[*]}\"")
                                      .arg(GD2_PROGRAM, words)});
        QVERIFY(bash.waitForFinished(20000));
        QFETCH(QString, offered);
        QCOMPARE(QString::fromUtf8(bash.readAllStandardOutput()).trimmed(),
                 offered.replace("DIR/", dir_.path() + '/'));
    }
};

QTEST_GUILESS_MAIN(TstGd2Io)
#include "tst_gd2io.moc"
