#pragma once
// The preferences file, and beside it the small file of what its 256 bytes
// have no room for (the route's checkpoint file): with the study set-up, the
// one place that writes the settings.

#include <QString>

class ByteFiles;
class UserMessages;
struct StudySettings;

class Preferences
{
public:
    // prefsFile is the file's path; defaultDataFolder, ending with the
    // separator, is the data folder of a first start.
    Preferences(QString prefsFile, QString defaultDataFolder, ByteFiles& files,
                UserMessages& messages);

    // Fills the settings from the preferences file, or sets the defaults and
    // creates the file. A file that cannot be read is reported and the
    // defaults are used without overwriting it. The remembered checkpoint
    // file comes from the side file, as it was chosen, whether or not it is
    // still there.
    void LoadPrefs(StudySettings& settings) const;

    // Copies the settings into their record and writes its 256 bytes over the
    // start of the file. Reports and returns false when that fails.
    bool SavePrefs(StudySettings& settings) const;

    // Remembers the checkpoint file ("" for none) in the side file. Reports
    // and returns false when that fails.
    bool SaveCheckpointFile(const QString& path) const;

    QString PrefsFile() const { return prefsFile_; }
    // "Veltrip.ini" in the preferences file's folder, wherever that is.
    QString SideFile() const;

private:
    bool readPrefs(StudySettings& settings) const;
    void setDefaults(StudySettings& settings) const;

    QString prefsFile_;
    QString defaultDataFolder_;
    ByteFiles& files_;
    UserMessages& messages_;
};
