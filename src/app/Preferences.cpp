#include "Preferences.h"

#include "AnsiText.h"
#include "ByteFiles.h"
#include "Messages.h"
#include "ReceiverProfiles.h"
#include "ScreenCheck.h"
#include "SharedState.h"
#include "UserMessages.h"

#include <QDir>

namespace {

constexpr qint16 kDefaultPort = 1;
constexpr qint32 kDefaultBaud = 4800;

QString defaultDataFolder()
{
    const QString sep = QDir::separator();
    return ansi::trimSpaces(ProgramFolder()) + sep + QStringLiteral("Data Files") + sep;
}

// The field's text without leading and trailing spaces; the field itself is
// rewritten left-aligned, so the record keeps its padded form.
QString trimField(QByteArray& field)
{
    const QString text = ansi::trimSpaces(ansi::decode(field));
    field = ansi::fixedField(text, int(field.size()));
    return text;
}

void setDefaults(modVeltripMain& m)
{
    m.DataFolder = defaultDataFolder();
    m.CommPort = kDefaultPort;
    m.GPSName = kDefaultReceiverName;
    m.RemoteEnabled = false;
    m.MetricView = false;
    m.BaudRate = kDefaultBaud;
    m.RunDirInput = false;
}

// Reads what the file holds; false when it cannot be read at all.
bool readPrefs(modVeltripMain& m)
{
    ByteFiles& files = *m.platform.files;
    const int num = files.freeFileNumber();
    if (num == 0 || !files.open(num, m.PrefsFile, ByteFiles::Access::Read)) {
        m.platform.messages->show(msg::prefsReadFailed(m.PrefsFile, files.errorString(num)));
        return false;
    }
    const QByteArray bytes = files.readAt(num, 1, PrefsRecord::kSize);
    files.close(num);

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

} // namespace

void LoadPrefs(modVeltripMain& m)
{
    if (FileExists(m.PrefsFile)) {
        if (!readPrefs(m)) {
            m.Prefs = PrefsRecord();
            setDefaults(m);
        }
    } else {
        setDefaults(m);
        SavePrefs(m);
    }
    m.ScreenIs800 = CheckScreenSize(*m.platform.screen);
    SetTriggerSentence(m);
}

bool SavePrefs(modVeltripMain& m)
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

    ByteFiles& files = *m.platform.files;
    const int num = files.freeFileNumber();
    bool ok = num != 0 && files.open(num, m.PrefsFile);
    if (ok) {
        ok = files.writeAt(num, 1, p.encode());
    }
    if (!ok) {
        m.platform.messages->show(msg::prefsWriteFailed(m.PrefsFile, files.errorString(num)));
    }
    files.close(num);
    return ok;
}

void SetTriggerSentence(modVeltripMain& m)
{
    m.TriggerSentence = TriggerSentenceFor(m.GPSName);
    m.AnyTalker = AcceptsAnyTalker(m.GPSName);
}
