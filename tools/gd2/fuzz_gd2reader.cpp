// Feeds arbitrary bytes to the study reader and to everything that reads its
// result: a crash, a sanitizer report or a hang here is a bug.

#include "Export.h"
#include "Inspect.h"
#include "Report.h"
#include "SpeedChart.h"
#include "StudyReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    gd2::Study study;
    QString error;
    if (!gd2::parseStudy(bytes, study, error)) {
        return 0;
    }
    const QList<gd2::Run> runs = gd2::splitRuns(study.records);
    gd2::structuralProblems(study, runs);
    gd2::infoText(study, QStringLiteral("fuzz.gd2"));
    gd2::dumpText(study);
    // A fixed offset: this machine's time zone is not what is under test.
    gd2::ExportOptions options;
    options.utcOffsetSeconds = -5 * 3600;
    options.west = size % 2 == 0;
    options.south = size % 3 == 0;
    gd2::exportCsv(study, options);
    gd2::exportGpx(study, options);
    gd2::exportGeoJson(study, options);
    const QList<gd2::RunReport> reports = gd2::analyse(study);
    gd2::reportText(study, reports);
    gd2::reportCsv(reports);
    for (const gd2::RunReport& run : reports) {
        gd2::speedChartSvg(run);
    }
    return 0;
}
