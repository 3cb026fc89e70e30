#include "StudyFile.h"

#include "ByteFiles.h"
#include "FixRecord.h"
#include "LittleEndian.h"
#include "Messages.h"
#include "PcClock.h"
#include "SharedState.h"
#include "UserMessages.h"
#include "Version.h"

QByteArray StudyHeader::encode() const
{
    QByteArray h(kSize, '\0');
    le::putI16(h, 0, VersionMajor);
    le::putI16(h, 2, VersionMinor);
    le::putI16(h, 4, VersionRevision);
    le::putF64(h, 6, StudyDate);
    le::putBytes(h, 14, Marker.leftJustified(2, ' ', true));
    le::putBytes(h, 16, Prefs.encode());
    return h;
}

StudyHeader StudyHeader::decode(const QByteArray& bytes)
{
    const QByteArray h =
        bytes.size() >= kSize ? bytes.left(kSize) : bytes.leftJustified(kSize, '\0');
    StudyHeader s;
    s.VersionMajor = le::getI16(h, 0);
    s.VersionMinor = le::getI16(h, 2);
    s.VersionRevision = le::getI16(h, 4);
    s.StudyDate = le::getF64(h, 6);
    s.Marker = h.mid(14, 2);
    s.Prefs = PrefsRecord::decode(h.mid(16, PrefsRecord::kSize));
    return s;
}

QString StudyFilePath(const modVeltripMain& m)
{
    return m.DataFolder + m.StudyNamePrefix + u'-' + QString::number(m.StudyNum) + m.DataFileExt;
}

namespace {

// Opens under a free number; with a header the file is started anew.
bool openStudyFile(modVeltripMain& m, bool writeHeader)
{
    ByteFiles& files = *m.platform.files;
    const int num = files.freeFileNumber();
    if (num == 0 || !files.open(num, StudyFilePath(m))) {
        return false;
    }
    m.StudyFileNum = qint16(num);
    m.StudyFileOpen = true;
    if (!writeHeader) {
        return true;
    }
    StudyHeader header;
    header.VersionMajor = version::kMajor;
    header.VersionMinor = version::kMinor;
    header.VersionRevision = version::kRevision;
    header.StudyDate = m.platform.clock->today();
    header.Prefs = m.Prefs;
    // A header starts a new study: whatever the file held before (a file the
    // existence test could not see) must not trail behind it.
    if (!files.setLength(num, 0) || !files.writeAt(num, 1, header.encode())) {
        files.close(num);
        return false;
    }
    m.StudyDate = header.StudyDate;
    m.NextWritePos = qint32(files.length(num) + 1);
    return true;
}

} // namespace

void OpenStudyFile(modVeltripMain& m, const bool& WriteHeader)
{
    if (!openStudyFile(m, WriteHeader)) {
        m.platform.messages->show(msg::kDataFileOpenFailed);
        m.StudyFileOpen = false;
    }
}

bool ReopenStudyFile(modVeltripMain& m)
{
    return openStudyFile(m, false);
}

bool StudyFileIsOpen(const modVeltripMain& m)
{
    return m.StudyFileOpen && m.platform.files->isOpen(m.StudyFileNum);
}

bool WriteRecord(modVeltripMain& m, const QByteArray& record)
{
    ByteFiles& files = *m.platform.files;
    if (!StudyFileIsOpen(m)) {
        return false;
    }
    if (!files.writeAt(m.StudyFileNum, m.NextWritePos, record)) {
        // Take back any part of the record that did reach the file.
        files.setLength(m.StudyFileNum, m.NextWritePos - 1);
        return false;
    }
    m.NextWritePos += FixRecord::kSize;
    return true;
}
