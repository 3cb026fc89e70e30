// Which names are one file, which files hold one study, and which files gd2
// may write.

#include "Files.h"

#include "StudyReader.h"
#include "SystemFiles.h"

#include <QFile>

namespace gd2 {

namespace {

QString refusal(const QString& what, const QString& path, const QString& input)
{
    const QString is = input == path
                           ? QStringLiteral("is a study file this command reads")
                           : QStringLiteral("is %1, a study file this command reads").arg(input);
    return QStringLiteral("%1: %2; gd2 never writes over a study file").arg(what, is);
}

QString studyRefusal(const QString& what)
{
    return QStringLiteral("%1: is a study file; gd2 never writes over a study file").arg(what);
}

// The input that is the file `id`, if any.
std::optional<QString> inputOf(const std::optional<FileIdentity>& id, const QStringList& inputs)
{
    if (id) {
        for (const QString& input : inputs) {
            if (fileIdentity(input) == id) {
                return input;
            }
        }
    }
    return std::nullopt;
}

bool beginsStudyFile(const QString& path)
{
    QFile file;
    if (openRegularFile(file, path) != RegularFile::Opened) {
        return false;
    }
    return beginsStudy(file.read(StudyHeader::kSize), file.size());
}

} // namespace

QString outputRefusal(const QString& what, const QString& path, const QStringList& inputs)
{
    if (const auto input = inputOf(fileIdentity(path), inputs)) {
        return refusal(what, path, *input);
    }
    return beginsStudyFile(path) ? studyRefusal(what) : QString();
}

QString outputRefusal(QIODevice& standardOutput, const QStringList& inputs)
{
    const auto* file = qobject_cast<QFile*>(&standardOutput);
    const std::optional<OpenFileIdentity> open = file ? openFileIdentity(*file) : std::nullopt;
    if (!open) {
        return {};
    }
    const QString what = QStringLiteral("standard output");
    if (const auto input = inputOf(open->id, inputs)) {
        return refusal(what, {}, *input);
    }
    return beginsStudyFile(open->readableName) ? studyRefusal(what) : QString();
}

bool sameStudyBytes(const QString& a, const QString& b, qint64 records)
{
    QFile one;
    QFile other;
    if (openRegularFile(one, a) != RegularFile::Opened ||
        openRegularFile(other, b) != RegularFile::Opened) {
        return false;
    }
    constexpr qint64 kPiece = 1 << 20;
    for (qint64 left = StudyHeader::kSize + records * FixRecord::kSize; left > 0;) {
        const QByteArray piece = one.read(qMin(left, kPiece));
        if (piece.isEmpty() || piece != other.read(piece.size())) {
            return false;
        }
        left -= piece.size();
    }
    return true;
}

} // namespace gd2
