#pragma once
// Setting up a study: what the set-up window shows first, and what accepting
// it does. The boxes are read into one value, which is checked; then the
// study is claimed, an existing study file replaced only with the operator's
// word, and the new one created with its header. Only then are the settings
// and the preferences written: a set-up refused at any step writes neither.

#include "Settings.h"

#include <QString>

#include <functional>
#include <optional>

class Preferences;
class StudyWriter;

// What the set-up window's boxes show when OK is pressed, typed text and all.
struct SetupChoices
{
    QString StudyNamePrefix;
    QString StudyNum;
    QString DataFolder;
    QString CommPort;
    QString GPSName;
    QString BaudRate;
    bool RemoteEnabled = false;
    bool MetricView = false;
    bool RunDirInput = false;
    QString CheckpointFile; // "" for none
};

class StudySetup
{
public:
    // The boxes, for a refusal to name the one it concerns.
    enum class Box
    {
        None,
        StudyNamePrefix,
        StudyNum,
        DataFolder,
        CommPort,
        GPSName,
        BaudRate,
        CheckpointFile,
    };

    struct Answer
    {
        enum class Outcome
        {
            Created,  // the study file is there, the settings and preferences written
            Refused,  // message says why; nothing was written
            Declined, // the operator would not replace the existing study
        };
        Outcome outcome = Outcome::Created;
        QString message;
        Box box = Box::None; // where the operator goes on
    };

    // Asked before an existing study file is replaced: may it be? study is
    // the set-up as it would be accepted.
    using MayOverwrite = std::function<bool(const StudySettings& study)>;

    // settings are written only by load() and an accepted set-up.
    StudySetup(StudySettings& settings, const Preferences& prefs, StudyWriter& writer);

    // A checkpoint file chosen before the window opens (on the command
    // line): shown instead of the remembered one.
    void chooseCheckpointFile(const QString& path) { startingCheckpointFile_ = path; }

    // Loads the preferences: what the boxes show first.
    const StudySettings& load();

    Answer accept(const SetupChoices& choices, const MayOverwrite& mayOverwrite);

private:
    std::optional<Answer> read(const SetupChoices& choices, StudySettings& study) const;

    StudySettings& settings_;
    const Preferences& prefs_;
    StudyWriter& writer_;
    std::optional<QString> startingCheckpointFile_;
};
