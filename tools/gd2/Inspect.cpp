// gd2 info and dump.

#include "Inspect.h"

#include "AnsiText.h"
#include "Sink.h"
#include "TextFormat.h"

#include <QSet>
#include <algorithm>
#include <cmath>

namespace gd2 {

namespace {

// Beyond this many, out-of-order records are counted rather than listed.
constexpr int kListedPerRun = 5;

constexpr FixRecord kZeros{0, 0, 0.0f, 0.0f, 0.0, 0.0, 0.0, 0, 0.0f, 0, 0, 0};

// Header text as a person can read it: control bytes would garble a terminal.
QString headerText(const QByteArray& field)
{
    QString text = ansi::trimSpaces(ansi::decode(field));
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F ||
            (c.unicode() >= 0x80 && c.unicode() < 0xA0)) {
            c = u'?';
        }
    }
    return text;
}

QString yesNo(qint16 vbBool)
{
    return fromVbBool(vbBool) ? QStringLiteral("yes") : QStringLiteral("no");
}

QString field(const QString& name, const QString& value)
{
    return name.leftJustified(13, u' ') + value;
}

QString orMissing(bool missing, const QString& value)
{
    return missing ? QStringLiteral("-") : value;
}

QString degreesText(double v)
{
    if (v == missing::kDouble) {
        return QStringLiteral("-");
    }
    return v == -999.0 ? QStringLiteral("malformed") : plain(v);
}

// One record's line, its time as its run dates it.
void writeDumpLine(qsizetype i, const FixRecord& r, std::optional<qint64> stamp, Sink& out)
{
    const QString time = r.FixTime == missing::kDouble ? QStringLiteral("-")
                         : stamp                       ? isoLocal(*stamp)
                                                       : plain(r.FixTime);
    const QString line =
        QStringLiteral("%1 run=%2 quality=%3 speed=%4 course=%5 time=%6 lat=%7 lon=%8")
            .arg(QString::number(i + 1), QString::number(r.RunNum),
                 orMissing(r.FixQuality == missing::kInteger, QString::number(r.FixQuality)),
                 orMissing(r.SpeedMph == missing::kSingle, plain(r.SpeedMph)),
                 orMissing(r.Course == missing::kCourse, plain(r.Course)), time,
                 degreesText(r.Latitude), degreesText(r.Longitude)) +
        QStringLiteral(" sats=%1 hdop=%2 node=%3 delay=%4 dir=%5\n")
            .arg(orMissing(r.NumSats == missing::kInteger, QString::number(r.NumSats)),
                 orMissing(r.HDOP == missing::kSingle, plain(r.HDOP)), QString::number(r.NodeNum),
                 orMissing(r.DelayNum == missing::kInteger, QString::number(r.DelayNum)),
                 orMissing(r.RunDir == 0, directionCode(r.RunDir)));
    out << line;
}

} // namespace

QStringList structuralProblems(const Study& study, const QList<Run>& runs)
{
    QStringList problems;
    if (study.trailingBytes != 0) {
        problems << QStringLiteral("the length, %1 bytes, is not 272 + 48 n: the last %2 bytes "
                                   "are part of a record and are ignored")
                        .arg(study.fileSize)
                        .arg(study.trailingBytes);
    }
    if (!isKnownVersion(study.header)) {
        problems << QStringLiteral("unknown version %1 (this tool knows 2.1.2); the records are "
                                   "read as version 2.1.2 records")
                        .arg(versionText(study.header));
    }
    const double date = study.header.StudyDate;
    if (!studyDateStamp(study.header)) {
        problems << QStringLiteral("the study date (%1) is not a date").arg(plain(date));
    } else if (date != std::trunc(date)) {
        problems << QStringLiteral("the study date (%1) has a time of day").arg(plain(date));
    }
    QSet<qint16> seen;
    for (const Run& run : runs) {
        if (seen.contains(run.number)) {
            problems << QStringLiteral("run %1 starts again at record %2, after other runs")
                            .arg(run.number)
                            .arg(run.first + 1);
        }
        seen.insert(run.number);
        // Zeros are what a file extended but never written holds; a run
        // without a single time cannot be placed or timed.
        const auto begin = study.records.cbegin() + run.first;
        if (std::all_of(begin, begin + run.count, [](const FixRecord& r) { return r == kZeros; })) {
            problems << QStringLiteral("run %1: its %2 records from record %3 on hold nothing "
                                       "but zeros, not fixes")
                            .arg(run.number)
                            .arg(run.count)
                            .arg(run.first + 1);
        } else if (std::none_of(run.stamps.cbegin(), run.stamps.cend(),
                                [](const std::optional<qint64>& t) { return t.has_value(); })) {
            problems << QStringLiteral("run %1: none of its %2 records has a time")
                            .arg(run.number)
                            .arg(run.count);
        }
        for (qsizetype k = 0; k < run.backwards.size() && k < kListedPerRun; ++k) {
            const qsizetype i = run.backwards[k];
            problems << QStringLiteral("run %1: record %2 (%3) is earlier than the record before "
                                       "it; records are out of time order")
                            .arg(run.number)
                            .arg(i + 1)
                            .arg(isoLocal(*run.stamps[i - run.first]));
        }
        if (run.backwards.size() > kListedPerRun) {
            problems << QStringLiteral("run %1: %2 more records out of time order")
                            .arg(run.number)
                            .arg(run.backwards.size() - kListedPerRun);
        }
        int falls = 0;
        for (qsizetype i = run.first + 1; i < run.first + run.count; ++i) {
            const qint16 before = study.records[i - 1].NodeNum;
            const qint16 now = study.records[i].NodeNum;
            if (now < before && ++falls <= kListedPerRun) {
                problems << QStringLiteral("run %1: the node number falls from %2 to %3 at "
                                           "record %4")
                                .arg(run.number)
                                .arg(before)
                                .arg(now)
                                .arg(i + 1);
            }
        }
        if (falls > kListedPerRun) {
            problems << QStringLiteral("run %1: the node number falls %2 more times")
                            .arg(run.number)
                            .arg(falls - kListedPerRun);
        }
    }
    return problems;
}

QStringList readingWarnings(const Study& study, const QList<Run>& runs)
{
    QStringList warnings;
    if (study.trailingBytes != 0) {
        warnings << QStringLiteral("the last %1 bytes are part of a record and are ignored")
                        .arg(study.trailingBytes);
    }
    if (!isKnownVersion(study.header)) {
        warnings << QStringLiteral("unknown version %1, read as version 2.1.2")
                        .arg(versionText(study.header));
    }
    for (const Run& run : runs) {
        if (!run.backwards.isEmpty()) {
            warnings << QStringLiteral("run %1 has records out of time order (see gd2 info)")
                            .arg(run.number);
        }
    }
    return warnings;
}

QByteArray infoText(const Study& study, const QString& fileName)
{
    const StudyHeader& h = study.header;
    const PrefsRecord& p = h.Prefs;
    const QList<Run> runs = splitRuns(study.records);
    const auto date = studyDateStamp(h);
    QStringList out;
    out << field(QStringLiteral("File"), fileName);
    out << field(QStringLiteral("Size"),
                 QStringLiteral("%1 bytes: header 272 + %2 records of 48%3")
                     .arg(study.fileSize)
                     .arg(study.records.size())
                     .arg(study.trailingBytes == 0
                              ? QString()
                              : QStringLiteral(" + %1 bytes").arg(study.trailingBytes)));
    out << field(QStringLiteral("Version"), versionText(h));
    out << field(QStringLiteral("Study date"),
                 date ? dateText(*date)
                      : QStringLiteral("not a date (%1)").arg(plain(h.StudyDate)));
    out << QStringLiteral("Preferences as the study was started");
    out << field(QStringLiteral("  Folder"), headerText(p.Folder));
    out << field(QStringLiteral("  Port"), QString::number(p.Port));
    out << field(QStringLiteral("  Receiver"), headerText(p.Receiver));
    out << field(QStringLiteral("  Speed"), QStringLiteral("%1 bit/s").arg(p.Baud));
    out << field(QStringLiteral("  Text"), headerText(p.Text20));
    out << field(QStringLiteral("  Options"),
                 QStringLiteral("remote %1, metric display %2, run direction entry %3")
                     .arg(yesNo(p.Remote), yesNo(p.Metric), yesNo(p.RunDirIn)));
    out << field(QStringLiteral("Records"), QString::number(study.records.size()));
    out << field(QStringLiteral("Runs"), QString::number(runs.size()));
    for (const Run& run : runs) {
        qint16 lowNode = study.records[run.first].NodeNum;
        qint16 highNode = lowNode;
        std::optional<qint64> start;
        std::optional<qint64> end;
        for (qsizetype j = 0; j < run.count; ++j) {
            lowNode = qMin(lowNode, study.records[run.first + j].NodeNum);
            highNode = qMax(highNode, study.records[run.first + j].NodeNum);
            if (run.stamps[j]) {
                start = start ? start : run.stamps[j];
                end = run.stamps[j];
            }
        }
        QStringList parts{QStringLiteral("%1 records").arg(run.count)};
        if (!directionCode(run.direction).isEmpty()) {
            parts << directionCode(run.direction);
        }
        parts << (lowNode == highNode ? QStringLiteral("node %1").arg(lowNode)
                                      : QStringLiteral("nodes %1-%2").arg(lowNode).arg(highNode));
        parts << (start ? isoLocal(*start) + QStringLiteral(" to ") + isoLocal(*end)
                        : QStringLiteral("no times"));
        if (run.daysAdded > 0) {
            // The collector stamps every fix with the study date.
            parts << (run.daysAdded == 1
                          ? QStringLiteral("the day after the study date (the clock passed "
                                           "midnight before it)")
                          : QStringLiteral("%1 days after the study date (the clock passed "
                                           "midnight before it)")
                                .arg(run.daysAdded));
        }
        if (!run.midnights.isEmpty()) {
            parts << QStringLiteral("passes midnight");
        }
        out << field(QStringLiteral("  Run %1").arg(run.number), parts.join(QStringLiteral(", ")));
    }
    const QStringList problems = structuralProblems(study, runs);
    if (problems.isEmpty()) {
        out << field(QStringLiteral("Problems"), QStringLiteral("none"));
    } else {
        out << QStringLiteral("Problems");
        for (const QString& problem : problems) {
            out << QStringLiteral("  - ") + problem;
        }
    }
    return (out.join(u'\n') + u'\n').toUtf8();
}

QByteArray dumpText(const Study& study)
{
    QByteArray text;
    Sink out(text);
    writeDump(study, splitRuns(study.records), out);
    return text;
}

void writeDump(const Study& study, const QList<Run>& runs, Sink& out)
{
    for (const Run& run : runs) {
        for (qsizetype j = 0; j < run.count; ++j) {
            writeDumpLine(run.first + j, study.records[run.first + j], run.stamps[j], out);
        }
    }
}

} // namespace gd2
