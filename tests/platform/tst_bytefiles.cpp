// The file-number layer and the code page of the files' text fields.

#include "AnsiText.h"
#include "ByteFiles.h"
#include "TestSupport.h"

class TstByteFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void numbersAndPositions()
    {
        ByteFiles files;
        QCOMPARE(files.freeFileNumber(), 1);
        QVERIFY(files.open(1, dir_.filePath("a")));
        QVERIFY(!files.open(1, dir_.filePath("b"))); // number in use
        QCOMPARE(files.freeFileNumber(), 2);
        QVERIFY(files.open(2, dir_.filePath("b")));

        QVERIFY(files.writeAt(1, 1, "head"));
        QVERIFY(files.writeAt(1, 3, "XY")); // 1-based: over the third and fourth bytes
        QCOMPARE(files.readAt(1, 1, 10), QByteArray("heXY"));
        QVERIFY(!files.writeAt(1, 0, "x"));
        QVERIFY(!files.writeAt(9, 1, "x"));
        QCOMPARE(files.length(1), 4);

        files.close(1);
        QCOMPARE(files.freeFileNumber(), 1);
        files.closeAll();
        QVERIFY(!files.isOpen(2));
        QCOMPARE(readAll(dir_.filePath("a")), QByteArray("heXY"));
    }

    void readOnlyOpenNeedsTheFile()
    {
        ByteFiles files;
        QVERIFY(!files.open(1, dir_.filePath("absent"), ByteFiles::Access::Read));
        QVERIFY(!files.errorString(1).isEmpty());
        QVERIFY(!QFile::exists(dir_.filePath("absent")));
    }

    void codePageRoundTripsEveryByte()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b) {
            all += char(b);
        }
        QCOMPARE(ansi::encode(ansi::decode(all)), all);
        QCOMPARE(ansi::decode("\x80\x9f\xe9"), QString::fromUtf8("\u20ac\u0178\u00e9"));
        QCOMPARE(ansi::encode(QString::fromUtf8("Łódź")), QByteArray("?\xf3"
                                                                     "d?"));
        QVERIFY(!ansi::canEncode(QString::fromUtf8("Łódź")));
        QCOMPARE(ansi::fixedField(QStringLiteral("ab"), 4), QByteArray("ab  "));
        QCOMPARE(ansi::fixedField(QStringLiteral("abcdef"), 4), QByteArray("abcd"));
        QCOMPARE(ansi::trimSpaces(QString::fromLatin1(" \tx\0 ", 5)),
                 QString::fromLatin1("\tx\0", 3));
    }
};

QTEST_GUILESS_MAIN(TstByteFiles)
#include "tst_bytefiles.moc"
