// Feeds arbitrary bytes to the study reader and to one of the commands that
// read its result (compare takes the study before, and after without its
// first run): a crash, a sanitizer report or a hang here is a bug. The
// first byte chooses the command and its options; the rest is the file.

#include "Compare.h"
#include "Export.h"
#include "Inspect.h"
#include "Report.h"
#include "SpeedChart.h"
#include "StudyReader.h"
#include "Summary.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::uint8_t choice = data[0];
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    gd2::Study study;
    QString error;
    if (!gd2::parseStudy(bytes, study, error)) {
        return 0;
    }
    // One command an input: each is reached as often, at a tenth of the cost
    // of running them all.
    // A fixed offset: this machine's time zone is not what is under test.
    gd2::ExportOptions options;
    options.utcOffsetSeconds = -5 * 3600;
    options.west = (choice & 0x10) != 0;
    options.south = (choice & 0x20) != 0;
    switch (choice % 11) {
    case 0:
        gd2::structuralProblems(study, gd2::splitRuns(study.records));
        gd2::infoText(study, QStringLiteral("fuzz.gd2"));
        break;
    case 1:
        gd2::dumpText(study);
        break;
    case 2:
        gd2::exportCsv(study, options);
        break;
    case 3:
        gd2::exportGpx(study, options);
        break;
    case 4:
        gd2::exportGeoJson(study, options);
        break;
    case 5:
        gd2::reportText(study, gd2::analyse(study));
        break;
    case 6:
        gd2::reportCsv(gd2::analyse(study));
        break;
    case 7:
        for (const gd2::RunReport& run : gd2::analyse(study)) {
            gd2::speedChartSvg(run);
        }
        break;
    case 10: {
        // The study before, and after with its first run left out.
        gd2::Comparison c;
        c.before.options.confidencePct = (choice & 0x40) ? 90 : 95;
        c.after.options = c.before.options;
        gd2::Study later = study;
        later.records.removeIf(
            [&](const FixRecord& r) { return r.RunNum == study.records.value(0).RunNum; });
        gd2::addStudy(c.before, study, QStringLiteral("a.gd2"));
        gd2::addStudy(c.after, later, QStringLiteral("b.gd2"));
        gd2::computeGroups(c.before);
        gd2::computeGroups(c.after);
        gd2::compareGroups(c);
        gd2::compareText(c);
        gd2::compareCsv(c);
        gd2::compareHtml(c);
        break;
    }
    default: {
        // The same study twice, as two files of one summary.
        gd2::Summary summary;
        if (choice & 0x40) {
            summary.options.referenceMph = 30.0;
        }
        if (choice & 0x80) {
            QString periodError;
            summary.options.periods =
                *gd2::parsePeriods(QStringLiteral("AM=07:00-09:00,NIGHT=22:00-02:00"), periodError);
        }
        gd2::addStudy(summary, study, QStringLiteral("a.gd2"));
        gd2::addStudy(summary, study, QStringLiteral("b.gd2"));
        gd2::computeGroups(summary);
        if (choice % 11 == 8) {
            gd2::summaryText(summary);
            gd2::summaryCsv(summary);
        } else {
            gd2::summaryHtml(summary);
        }
        break;
    }
    }
    return 0;
}
