#pragma once

#include "FileNotices.h"
#include "YappReceiver.h"

#include <QFile>
#include <QString>

// Stores the files a station sends in downloads/<CALL>/ of the program folder: as name.part while
// they arrive, under their own name (never over another file) once whole.
class DownloadFiles : public YappSink {
public:
    static constexpr int kMaxNameChars = 64;

    DownloadFiles(QString programDir, QString call, FileNotices& notices)
        : m_programDir(std::move(programDir)), m_call(std::move(call)), m_notices(notices) {}

    // The name a sent file is stored under, or empty with `why` for one that names a folder.
    static QString cleanName(QByteArrayView sent, QString* why);

    qint64 open(const Yapp::Header& header, QString* why) override;
    bool append(QByteArrayView block) override;
    bool finish(const Yapp::Header& header) override;
    void keepPart() override;

    // Where the file went once whole, or where its part waits.
    QString storedPath() const { return m_stored; }

private:
    QString m_programDir;
    QString m_call;
    FileNotices& m_notices;
    QFile m_file;
    QString m_folder; // absolute, once open
    QString m_name;
    QString m_stored;
};
