#include "SendFile.h"

#include "BoundedRead.h"
#include "EngineLink.h"
#include "SafeFile.h"

#include <QDir>
#include <QFile>

namespace SendFile {

QList<QByteArray> pieces(const QByteArray& contents) {
    QList<QByteArray> out;
    for (qsizetype i = 0; i < contents.size(); i += kPieceLength)
        out.append(contents.mid(i, kPieceLength));
    return out;
}

void run(const StationState& s, Prompts& prompts, Beeper& beeper, EngineLink& engine) {
    QDir::setCurrent(s.programDir);
    const QString path = prompts.openFile(QStringLiteral("All Files (*.*) | *.*"),
                                          QDir(s.programDir).filePath(QStringLiteral("*.*")));
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!SafeFile::openForRead(file, SafeFile::Links::Follow) || file.size() > kMaxFileBytes) {
        beeper.beep();
        return;
    }
    const QByteArray contents = readBounded(file, kMaxFileBytes);
    file.close();
    if (s.callSign.isEmpty())
        return;
    // With nobody to send to, nothing goes out; the beep says so.
    if (s.selectedCall.isEmpty() ||
        s.selectedCall.compare(QLatin1String("Open"), Qt::CaseInsensitive) == 0) {
        beeper.beep();
        return;
    }
    const QByteArray to = s.selectedCall.toLatin1();
    for (const QByteArray& piece : pieces(contents))
        engine.putData(to, piece, Kind::ConnectedData, int(piece.size()), s.radioPort);
    engine.putData(to, QByteArray("\r"), Kind::ConnectedData, 1, s.radioPort);
}

} // namespace SendFile
