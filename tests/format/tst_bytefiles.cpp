// The file-number layer and the code page of the files' text fields.

#include "AnsiText.h"
#include "ByteFiles.h"
#include "TestSupport.h"

#include <csignal>
#include <numeric>
#include <sys/resource.h>

class TstByteFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void numbersAndPositions()
    {
        ByteFiles files;
        QVERIFY(files.open(1, dir_.filePath("a")));
        QVERIFY(!files.open(1, dir_.filePath("b"))); // number in use
        QCOMPARE(files.freeFileNumber(), 2);
        QVERIFY(files.writeAt(1, 1, "head"));
        QVERIFY(files.writeAt(1, 3, "XY")); // 1-based: over the third and fourth bytes
        QVERIFY(!files.writeAt(1, 0, "x"));
        files.close(1);
        QCOMPARE(files.freeFileNumber(), 1);
        QCOMPARE(readAll(dir_.filePath("a")), QByteArray("heXY"));
        QVERIFY(!files.open(1, dir_.filePath("absent"), ByteFiles::Access::Read));
    }

    // A medium that fills up: a file-size limit makes the write come up short.
    void writeToFullMediumFails()
    {
        ByteFiles files;
        QVERIFY(files.open(1, dir_.filePath("full")));
        rlimit old = {};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &old) == 0);
        ::signal(SIGXFSZ, SIG_IGN); // a failing write, not a killed program
        const rlimit full = {4, old.rlim_max};
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &full) == 0);
        const bool written = files.writeAt(1, 1, "record");
        ::setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(!written);
        QVERIFY(!files.errorString(1).isEmpty());
    }

    void codePage()
    {
        QByteArray all(256, '\0');
        std::iota(all.begin(), all.end(), '\0');
        QCOMPARE(ansi::encode(ansi::decode(all)), all);
        QCOMPARE(ansi::decode("\x80\x9f\xe9"), QString::fromUtf8("\u20ac\u0178\u00e9"));
        QCOMPARE(ansi::encode(QString::fromUtf8("Łódź")), QByteArray("?\363d?"));
    }
};

QTEST_GUILESS_MAIN(TstByteFiles)
#include "tst_bytefiles.moc"
