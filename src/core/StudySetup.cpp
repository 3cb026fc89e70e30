// Accepting the set-up: check, claim, confirm, create, then write.

#include "StudySetup.h"

#include "AnsiText.h"
#include "CheckpointFile.h"
#include "Messages.h"
#include "Preferences.h"
#include "SetupRules.h"
#include "StudyWriter.h"

#include <QFile>
#include <QFileInfo>

namespace {

StudySetup::Answer refused(const QString& message, StudySetup::Box box)
{
    return {StudySetup::Answer::Outcome::Refused, message, box};
}

} // namespace

StudySetup::StudySetup(StudySettings& settings, const Preferences& prefs, StudyWriter& writer)
    : settings_(settings), prefs_(prefs), writer_(writer)
{
}

const StudySettings& StudySetup::load()
{
    prefs_.LoadPrefs(settings_);
    if (startingCheckpointFile_) {
        settings_.CheckpointFile = *startingCheckpointFile_;
    }
    return settings_;
}

// The choices into study, each box as it shows, or why one cannot be taken.
std::optional<StudySetup::Answer> StudySetup::read(const SetupChoices& c,
                                                   StudySettings& study) const
{
    study.StudyNamePrefix = ansi::trimSpaces(c.StudyNamePrefix);
    if (const QString problem = setup::prefixProblem(study.StudyNamePrefix); !problem.isEmpty()) {
        return refused(problem, Box::StudyNamePrefix);
    }
    const std::optional<qint16> number = setup::studyNumber(c.StudyNum);
    if (!number) {
        return refused(setup::kStudyNumberNotANumber, Box::StudyNum);
    }
    study.StudyNum = *number;
    const std::optional<qint16> port = setup::portNumber(c.CommPort);
    if (!port) {
        return refused(setup::portNumberOutOfRange(c.CommPort), Box::CommPort);
    }
    study.CommPort = *port;
    study.GPSName = ansi::trimSpaces(c.GPSName);
    if (const QString problem = setup::receiverProblem(study.GPSName); !problem.isEmpty()) {
        return refused(problem, Box::GPSName);
    }
    const std::optional<qint32> baud = setup::baudRate(c.BaudRate);
    if (!baud) {
        return refused(setup::notABaudRate(c.BaudRate), Box::BaudRate);
    }
    study.BaudRate = *baud;
    study.DataFolder = c.DataFolder;
    if (const QString problem = setup::folderProblem(c.DataFolder); !problem.isEmpty()) {
        return refused(problem, Box::DataFolder);
    }
    study.RemoteEnabled = c.RemoteEnabled;
    study.MetricView = c.MetricView;
    study.RunDirInput = c.RunDirInput;
    // Nothing starts with half a route.
    study.CheckpointFile = c.CheckpointFile;
    study.Checkpoints.clear();
    if (!c.CheckpointFile.isEmpty()) {
        const route::CheckpointList route = route::readCheckpoints(c.CheckpointFile);
        if (!route.ok()) {
            return refused(route.error, Box::CheckpointFile);
        }
        study.Checkpoints = route.checkpoints;
    }
    return std::nullopt;
}

StudySetup::Answer StudySetup::accept(const SetupChoices& choices, const MayOverwrite& mayOverwrite)
{
    StudySettings study = settings_;
    if (std::optional<Answer> refusal = read(choices, study)) {
        return *refusal;
    }
    // A study another running copy records is neither asked about nor replaced.
    const QString path = StudyFilePath(study);
    if (const std::optional<qint64> holder = writer_.claim(path)) {
        return refused(msg::studyInUse(path, *holder), Box::StudyNamePrefix);
    }
    // Any file of that name counts, hidden or not, and a link even to
    // nothing: a study is never replaced without the operator's word. A
    // folder of that name is no study to replace; creating the file fails.
    const QFileInfo existing(path);
    if ((existing.exists() || existing.isSymLink()) && !existing.isDir()) {
        if (!mayOverwrite(study)) {
            return {Answer::Outcome::Declined, {}, Box::StudyNamePrefix};
        }
        QFile::remove(path);
    }
    // The header copies the preferences as they were loaded, before this set-up.
    writer_.setStudy(path, settings_.Prefs);
    const bool WriteHeader = true;
    if (!writer_.OpenStudyFile(WriteHeader)) {
        if (!QFileInfo(study.DataFolder).isDir()) {
            return refused(msg::dataFolderMissing(study.DataFolder), Box::DataFolder);
        }
        return refused(msg::kDataFileOpenFailed, Box::None);
    }
    writer_.close();
    prefs_.SavePrefs(study);
    prefs_.SaveCheckpointFile(study.CheckpointFile);
    settings_ = std::move(study);
    return {Answer::Outcome::Created, {}, Box::None};
}
