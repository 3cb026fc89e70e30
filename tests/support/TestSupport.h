#pragma once
// What the tests share: adapters a test controls, a study as the set-up
// leaves it, and byte comparison with a readable hex diff.

#include "ByteFiles.h"
#include "FileLocations.h"
#include "FixRecord.h"
#include "Platform.h"
#include "Preferences.h"
#include "Settings.h"
#include "StudyLayout.h"
#include "StudyWriter.h"
#include "TestDoubles.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

struct TestPlatform
{
    ByteFiles files;
    ManualClock clock;
    FixedScreen screen{1024, 768};
    RecordedMessages messages;
    Platform platform{files, clock, screen, messages};
};

// A path as the system writes it, from its POSIX form: "/srv/gd/" is
// "\srv\gd\" on Windows, where folders must end in "\".
inline QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// The record spelled out field by field at its offsets, independently of
// the encoder under test.
inline QByteArray prefsBytes(const QByteArray& folder, qint16 port, const QByteArray& receiver,
                             const QByteArray& text20, bool remote, bool metric, bool runDir,
                             qint32 baud, const QByteArray& spare = QByteArray(82, '\0'))
{
    QByteArray b;
    b += folder.leftJustified(78, ' ');
    b += char(port & 0xFF);
    b += char((port >> 8) & 0xFF);
    b += receiver.leftJustified(64, ' ');
    b += text20.leftJustified(20, ' ');
    for (bool flag : {remote, metric, runDir}) {
        b += flag ? QByteArray("\xFF\xFF", 2) : QByteArray(2, '\0');
    }
    for (int i = 0; i < 4; ++i) {
        b += char((baud >> (8 * i)) & 0xFF);
    }
    b += spare;
    return b;
}

// A study ready for runs, as the set-up leaves it: preferences for the
// receiver, the study file "Test-1.gd2" created with its header in the
// folder "data" of a temporary folder, and closed again.
struct TestStudy : TestPlatform
{
    QTemporaryDir dir;
    Preferences prefs{dir.filePath(QStringLiteral("Veltrip.bin")),
                      locations::portable(dir.path()).dataFolder, files, messages};
    StudySettings settings;
    StudyWriter writer{files, clock};

    explicit TestStudy(const QString& receiver = QStringLiteral("Standard USB"))
    {
        clock.set(QDateTime(QDate(2010, 3, 1), QTime(12, 35, 40)));
        prefs.LoadPrefs(settings);
        settings.GPSName = receiver;
        QDir(dir.path()).mkdir(QStringLiteral("data"));
        settings.DataFolder = dir.filePath(QStringLiteral("data")) + QDir::separator();
        settings.StudyNamePrefix = QStringLiteral("Test");
        settings.StudyNum = 1;
        writer.setStudy(StudyFilePath(settings), settings.Prefs);
        writer.OpenStudyFile(true);
        writer.close();
        prefs.SavePrefs(settings);
    }

    QByteArray bytes() const { return readAll(writer.path()); }
    // The whole records of the study file, in order.
    QList<FixRecord> records() const
    {
        const QByteArray b = bytes();
        QList<FixRecord> out;
        for (qsizetype at = StudyHeader::kSize; at + FixRecord::kSize <= b.size();
             at += FixRecord::kSize) {
            out.append(FixRecord::decode(b.mid(at, FixRecord::kSize)));
        }
        return out;
    }
};

// A study file's bytes: a version 2.1.2 header (major as given) dated
// 2010-03-01, then the records.
inline QByteArray studyBytes(const QList<FixRecord>& records, qint16 major = 2)
{
    StudyHeader h;
    h.VersionMajor = major;
    h.VersionMinor = 1;
    h.VersionRevision = 2;
    h.StudyDate = 40238.0;
    QByteArray bytes = h.encode();
    for (const FixRecord& f : records) {
        bytes += f.encode();
    }
    return bytes;
}

// Little-endian bytes of a value, spelled out independently of the code under test.
inline QByteArray hexBytes(const char* hex)
{
    return QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
}

// Fails with the first differing offset and the bytes around it.
inline bool sameBytes(const QByteArray& actual, const QByteArray& expected)
{
    if (actual == expected) {
        return true;
    }
    qsizetype at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) {
        ++at;
    }
    const qsizetype from = qMax<qsizetype>(0, at - 8);
    qWarning("bytes differ at offset %lld (sizes %lld and %lld)\n  actual:   %s\n  expected: %s",
             static_cast<long long>(at), static_cast<long long>(actual.size()),
             static_cast<long long>(expected.size()), actual.mid(from, 24).toHex(' ').constData(),
             expected.mid(from, 24).toHex(' ').constData());
    return false;
}
