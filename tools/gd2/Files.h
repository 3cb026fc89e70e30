#pragma once
// Which names are one file, which files hold one study, and which files gd2
// may write: a study file is never written over, whatever it is called.

#include <QString>
#include <QStringList>

class QIODevice;

namespace gd2 {

// Why a command that reads the study files `inputs` must not write `path`:
// it is one of them, however named, or an existing file that begins as a
// study file. Empty when it may. `what` names the output in the message,
// as the command line gave it ("--html Main-1.gd2").
QString outputRefusal(const QString& what, const QString& path, const QStringList& inputs);
// The same for standard output, when the shell made it a regular file
// (`gd2 dump A.gd2 >> A.gd2`); empty for a terminal or a pipe.
QString outputRefusal(QIODevice& standardOutput, const QStringList& inputs);

// Whether two files begin with the same header and the same `records` whole
// records: the same study under two names.
bool sameStudyBytes(const QString& a, const QString& b, qint64 records);

} // namespace gd2
