#pragma once
// Walking a sentence one comma-separated field at a time.

#include <QByteArrayView>
#include <QString>

// Returns the field at the 1-based cursor and moves the cursor past its comma.
// A field that runs to the end of the sentence comes with everything up to the
// end (checksum and line end included) and leaves the cursor at length + 1.
// Past the end it returns "" and still advances the cursor by one, so a
// decoder can skip fields a short sentence lacks. Field texts are never
// trimmed. The cursor saturates instead of wrapping on absurdly long text.
// The received bytes are walked without copying: the field is a view into them.
QByteArrayView GetNextField(QByteArrayView sentence, qint16& cursor);
QString GetNextField(const QString& sentence, qint16& cursor);
