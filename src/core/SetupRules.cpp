// What the set-up dialog accepts, and the texts it shows.

#include "SetupRules.h"

#include "AnsiText.h"
#include "PrefsRecord.h"

#include "Conversions.h"

#include <QDir>
#include <cmath>

namespace setup {

QString prefixProblem(const QString& prefix)
{
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (QChar c : prefix) {
        if (forbidden.contains(c) || c.unicode() < 32) {
            return QStringLiteral("The study name cannot contain any of these characters: "
                                  "\\ / : * ? \" < > |");
        }
    }
    if (prefix.contains(QStringLiteral(".."))) {
        return QStringLiteral("The study name cannot contain \"..\".");
    }
    return {};
}

std::optional<qint16> studyNumber(const QString& boxText)
{
    const QString t = boxText.trimmed();
    if (t.isEmpty()) {
        return qint16(0);
    }
    const std::optional<double> v = ReadNumber(t);
    if (!v || *v < -32768.5 || *v > 32767.5) {
        return std::nullopt;
    }
    const double rounded = std::nearbyint(*v);
    if (rounded < -32768 || rounded > 32767) {
        return std::nullopt;
    }
    return qint16(rounded);
}

std::optional<qint16> portNumber(const QString& boxText)
{
    const double whole = std::floor(LeadingNumber(boxText));
    if (whole < -32768 || whole > 32767) {
        return std::nullopt;
    }
    return qint16(whole);
}

std::optional<qint32> baudRate(const QString& boxText)
{
    const QString t = boxText.trimmed();
    bool digits = !t.isEmpty();
    for (QChar c : t) {
        digits = digits && c >= u'0' && c <= u'9';
    }
    bool fits = false;
    const qint32 baud = digits ? t.toInt(&fits) : 0;
    return fits && baud > 0 ? std::optional<qint32>(baud) : std::nullopt;
}

QString receiverProblem(const QString& name)
{
    if (!ansi::canEncode(name)) {
        return QStringLiteral("The receiver name %1 has characters the preferences cannot keep. "
                              "Choose a receiver from the list.")
            .arg(name);
    }
    return {};
}

QString folderWithSeparator(const QString& folder)
{
    const QString sep = QDir::separator();
    return folder.endsWith(sep) ? folder : folder + sep;
}

QString folderProblem(const QString& folder)
{
    if (!ansi::canEncode(folder)) {
        return QStringLiteral("The folder %1 has characters the preferences cannot keep. "
                              "Choose a folder whose name has none.")
            .arg(folder);
    }
    if (ansi::encode(folder).size() > PrefsRecord::kFolderLen) {
        return QStringLiteral("The folder %1 is too long for the preferences to keep (at most %2 "
                              "characters). Choose a folder with a shorter path.")
            .arg(folder)
            .arg(PrefsRecord::kFolderLen);
    }
    if (QDir::isRelativePath(folder) || !folder.endsWith(QDir::separator())) {
        return QStringLiteral("The remembered data folder \"%1\" is not a whole folder path. "
                              "Choose the data folder again.")
            .arg(folder);
    }
    return {};
}

QString overwriteQuestion(const QString& prefix, qint16 number, const QString& dataFolder)
{
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("Data files entitled ") + prefix.trimmed() + u'-' +
           QString::number(number) + QStringLiteral(" already exist in folder:  ") + crlf + crlf +
           dataFolder + u'.' + crlf + crlf +
           QStringLiteral("Do you want to overwrite all of these files?");
}

} // namespace setup
