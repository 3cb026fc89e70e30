// Feeds arbitrary bytes to the checkpoint file reader, built once per form
// (CHECKPOINT_FORM: 'c' CSV, '<' GPX, '{' GeoJSON) so that each is fuzzed as
// long as the others. A crash, a sanitizer report, a hang or running out of
// memory is a bug; so is a route read that its own CSV does not give back.

#include "CheckpointFile.h"
#include "RouteMatcher.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    // The reader tells the forms apart by their first character.
    QByteArrayView text = bytes;
    if (text.startsWith("\xEF\xBB\xBF")) {
        text = text.sliced(3);
    }
    text = text.trimmed();
    const char first = text.isEmpty() ? 'c' : text.front();
    const char form = first == '<' || first == '{' ? first : 'c';
    if (form != CHECKPOINT_FORM) {
        return -1; // another target's input: not kept
    }
    const route::CheckpointList read = route::parseCheckpoints(bytes, QStringLiteral("fuzz"));
    if (!read.ok()) {
        return 0;
    }
    const route::CheckpointList back = route::parseCheckpoints(
        route::checkpointsCsv(read.checkpoints), QStringLiteral("fuzz.csv"));
    if (!back.ok() || back.checkpoints.size() != read.checkpoints.size()) {
        std::abort();
    }
    // The route's plane and lines, wherever on earth the file put them.
    route::RunsByPosition runs(read.checkpoints);
    for (const route::Checkpoint& c : read.checkpoints) {
        runs.onFix({c.latitude, c.longitude, 10.0, 0.0}, 0);
    }
    return 0;
}
