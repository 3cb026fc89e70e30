// The 272-byte study file header.

#include "StudyLayout.h"

#include "LittleEndian.h"

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
