#pragma once
// What the core tests share: a shared state wired to adapters a test controls,
// and byte comparison with a readable hex diff.

#include "ByteFiles.h"
#include "FixRecord.h"
#include "PcClock.h"
#include "Preferences.h"
#include "ScreenMetrics.h"
#include "SharedState.h"
#include "StudyFile.h"
#include "UserMessages.h"

#include <QByteArray>
#include <QDir>
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
    modVeltripMain m;

    TestPlatform()
    {
        m.platform = {&files, &clock, &screen, &messages};
        m.DataFileExt = QStringLiteral(".gd2");
    }
};

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

// A study ready for runs: preferences saved for the receiver, the study file
// created with its header in dir and closed again, as the set-up leaves it.
inline void prepareStudy(TestPlatform& t, const QTemporaryDir& dir,
                         const QString& receiver = QStringLiteral("Standard USB"),
                         const QString& prefix = QStringLiteral("Test"), qint16 number = 1)
{
    t.m.PrefsFile = dir.filePath(QStringLiteral("Veltrip.bin"));
    LoadPrefs(t.m);
    t.m.GPSName = receiver;
    t.m.DataFolder = dir.path() + QDir::separator();
    t.m.StudyNamePrefix = prefix;
    t.m.StudyNum = number;
    SavePrefs(t.m);
    SetTriggerSentence(t.m);
    const bool header = true;
    OpenStudyFile(t.m, header);
    t.files.closeAll();
}

// The records of the study file, in order.
inline QList<FixRecord> studyRecords(const modVeltripMain& m)
{
    const QByteArray bytes = readAll(StudyFilePath(m));
    QList<FixRecord> out;
    for (qsizetype at = StudyHeader::kSize; at + FixRecord::kSize <= bytes.size();
         at += FixRecord::kSize) {
        out.append(FixRecord::decode(bytes.mid(at, FixRecord::kSize)));
    }
    return out;
}
