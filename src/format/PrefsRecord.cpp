// The 256-byte preferences record.

#include "PrefsRecord.h"

#include "AnsiText.h"
#include "LittleEndian.h"

QByteArray PrefsRecord::encode() const
{
    QByteArray r(kSize, '\0');
    le::putBytes(r, 0, Folder.leftJustified(kFolderLen, ' ', true));
    le::putI16(r, 78, Port);
    le::putBytes(r, 80, Receiver.leftJustified(kReceiverLen, ' ', true));
    le::putBytes(r, 144, Text20.leftJustified(kText20Len, ' ', true));
    le::putI16(r, 164, Remote);
    le::putI16(r, 166, Metric);
    le::putI16(r, 168, RunDirIn);
    le::putI32(r, 170, Baud);
    le::putBytes(r, 174, Spare.leftJustified(kSpareLen, '\0', true));
    return r;
}

PrefsRecord PrefsRecord::decode(const QByteArray& bytes, Present* present)
{
    PrefsRecord p;
    Present has;
    const auto holds = [&](int offset, int size) { return bytes.size() >= offset + size; };
    if ((has.Folder = holds(0, kFolderLen))) {
        p.Folder = bytes.mid(0, kFolderLen);
    }
    if ((has.Port = holds(78, 2))) {
        p.Port = le::getI16(bytes, 78);
    }
    if ((has.Receiver = holds(80, kReceiverLen))) {
        p.Receiver = bytes.mid(80, kReceiverLen);
    }
    if ((has.Text20 = holds(144, kText20Len))) {
        p.Text20 = bytes.mid(144, kText20Len);
    }
    if ((has.Remote = holds(164, 2))) {
        p.Remote = le::getI16(bytes, 164);
    }
    if ((has.Metric = holds(166, 2))) {
        p.Metric = le::getI16(bytes, 166);
    }
    if ((has.RunDirIn = holds(168, 2))) {
        p.RunDirIn = le::getI16(bytes, 168);
    }
    if ((has.Baud = holds(170, 4))) {
        p.Baud = le::getI32(bytes, 170);
    }
    p.Spare = bytes.mid(174, kSpareLen).leftJustified(kSpareLen, '\0', true);
    if (present) {
        *present = has;
    }
    return p;
}
