// Reading and writing the preferences file.

#include "Preferences.h"

#include "AnsiText.h"
#include "ByteFiles.h"
#include "Messages.h"
#include "ReceiverProfiles.h"
#include "Settings.h"
#include "UserMessages.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

constexpr qint16 kDefaultPort = 1;
constexpr qint32 kDefaultBaud = 4800;
const QString kCheckpointFileKey = QStringLiteral("Route/CheckpointFile");

// The field's text without leading and trailing spaces; the field itself is
// rewritten left-aligned, so the record keeps its padded form.
QString trimField(QByteArray& field)
{
    const QString text = ansi::trimSpaces(ansi::decode(field));
    field = ansi::fixedField(text, int(field.size()));
    return text;
}

} // namespace

Preferences::Preferences(QString prefsFile, QString defaultDataFolder, ByteFiles& files,
                         UserMessages& messages)
    : prefsFile_(std::move(prefsFile)), defaultDataFolder_(std::move(defaultDataFolder)),
      files_(files), messages_(messages)
{
}

void Preferences::setDefaults(StudySettings& m) const
{
    m.DataFolder = defaultDataFolder_;
    m.CommPort = kDefaultPort;
    m.GPSName = kDefaultReceiverName;
    m.RemoteEnabled = false;
    m.MetricView = false;
    m.BaudRate = kDefaultBaud;
    m.RunDirInput = false;
}

// Reads what the file holds; false when it cannot be read at all.
bool Preferences::readPrefs(StudySettings& m) const
{
    const int num = files_.freeFileNumber();
    if (num == 0 || !files_.open(num, prefsFile_, ByteFiles::Access::Read)) {
        messages_.show(msg::prefsReadFailed(prefsFile_, files_.errorString(num)));
        return false;
    }
    const QByteArray bytes = files_.readAt(num, 1, PrefsRecord::kSize);
    files_.close(num);

    // A short file (cut off by a full disk or a crash) is read as far as it
    // goes; a field it does not hold in full takes its default, so the
    // data folder and the port are always usable.
    PrefsRecord::Present has;
    m.Prefs = PrefsRecord::decode(bytes, &has);
    setDefaults(m);
    if (has.Folder) {
        m.DataFolder = trimField(m.Prefs.Folder);
    }
    if (has.Port) {
        m.CommPort = m.Prefs.Port;
    }
    if (has.Receiver) {
        m.GPSName = trimField(m.Prefs.Receiver);
    }
    m.PrefsText = has.Text20 ? trimField(m.Prefs.Text20) : QString();
    if (has.Remote) {
        m.RemoteEnabled = fromVbBool(m.Prefs.Remote);
    }
    if (has.Metric) {
        m.MetricView = fromVbBool(m.Prefs.Metric);
    }
    if (has.Baud) {
        m.BaudRate = m.Prefs.Baud;
    }
    if (has.RunDirIn) {
        m.RunDirInput = fromVbBool(m.Prefs.RunDirIn);
    }
    return true;
}

void Preferences::LoadPrefs(StudySettings& m) const
{
    if (FileExists(prefsFile_)) {
        if (!readPrefs(m)) {
            m.Prefs = PrefsRecord();
            setDefaults(m);
        }
    } else {
        setDefaults(m);
        SavePrefs(m);
    }
    m.CheckpointFile =
        QSettings(SideFile(), QSettings::IniFormat).value(kCheckpointFileKey).toString();
}

QString Preferences::SideFile() const
{
    return QFileInfo(prefsFile_).dir().filePath(QStringLiteral("Veltrip.ini"));
}

bool Preferences::SaveCheckpointFile(const QString& path) const
{
    QSettings side(SideFile(), QSettings::IniFormat);
    if (path == side.value(kCheckpointFileKey).toString()) {
        return true; // nothing to write, and no file made to say "none"
    }
    if (path.isEmpty()) {
        side.remove(kCheckpointFileKey);
    } else {
        side.setValue(kCheckpointFileKey, path);
    }
    side.sync();
    if (side.status() != QSettings::NoError) {
        messages_.show(msg::checkpointFileNotSaved(SideFile()));
        return false;
    }
    return true;
}

bool Preferences::SavePrefs(StudySettings& m) const
{
    PrefsRecord& p = m.Prefs;
    p.Folder = ansi::fixedField(m.DataFolder, PrefsRecord::kFolderLen);
    p.Port = m.CommPort;
    p.Receiver = ansi::fixedField(m.GPSName, PrefsRecord::kReceiverLen);
    p.Text20 = ansi::fixedField(m.PrefsText, PrefsRecord::kText20Len);
    p.Metric = toVbBool(m.MetricView);
    p.Remote = toVbBool(m.RemoteEnabled);
    p.Baud = m.BaudRate;
    p.RunDirIn = toVbBool(m.RunDirInput);

    const int num = files_.freeFileNumber();
    bool ok = num != 0 && files_.open(num, prefsFile_);
    if (ok) {
        ok = files_.writeAt(num, 1, p.encode());
    }
    if (!ok) {
        messages_.show(msg::prefsWriteFailed(prefsFile_, files_.errorString(num)));
    }
    files_.close(num);
    return ok;
}
