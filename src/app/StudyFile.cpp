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

void OpenStudyFile(modVeltripMain& m, const bool& WriteHeader)
{
    ByteFiles& files = *m.platform.files;
    const int num = files.freeFileNumber();
    bool ok = num != 0 && files.open(num, StudyFilePath(m));
    if (ok) {
        m.StudyFileNum = qint16(num);
        m.StudyFileOpen = true;
    }
    if (ok && WriteHeader) {
        StudyHeader header;
        header.VersionMajor = version::kMajor;
        header.VersionMinor = version::kMinor;
        header.VersionRevision = version::kRevision;
        header.StudyDate = m.platform.clock->today();
        header.Prefs = m.Prefs;
        // A header starts a new study: whatever the file held before (a
        // file the existence test could not see) must not trail behind it.
        ok = files.setLength(num, 0) && files.writeAt(num, 1, header.encode());
        if (ok) {
            m.StudyDate = header.StudyDate;
            m.NextWritePos = qint32(files.length(num) + 1);
        } else {
            files.close(num);
        }
    }
    if (!ok) {
        m.platform.messages->show(msg::kDataFileOpenFailed);
        m.StudyFileOpen = false;
    }
}

bool WriteCurFix(modVeltripMain& m)
{
    ByteFiles& files = *m.platform.files;
    if (!m.StudyFileOpen || !files.isOpen(m.StudyFileNum)) {
        return false;
    }
    if (!files.writeAt(m.StudyFileNum, m.NextWritePos, m.CurFix.encode())) {
        // Take back any part of the record that did reach the file.
        files.setLength(m.StudyFileNum, m.NextWritePos - 1);
        return false;
    }
    m.NextWritePos += FixRecord::kSize;
    return true;
}
