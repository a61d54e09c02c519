#include "PrhPages.h"

#include "BoundedRead.h"
#include "PrhTags.h"
#include "SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString PrhPages::contentDir(const QString& sender) const {
    return QDir(m_state.programDir).filePath(sender);
}

bool PrhPages::staysInside(const QString& path) const {
    const QString root = QFileInfo(m_state.programDir).canonicalFilePath();
    const QString real = QFileInfo(path).canonicalFilePath();
    return !root.isEmpty() && !real.isEmpty() && real.startsWith(root + QLatin1Char('/'));
}

void PrhPages::showPrhPage(int channel, const QString& data, const QString& sender) {
    const std::optional<QString> name = PrhTags::pageName(data);
    if (!name)
        return;
    // Both names come from the air: never let them address anything but one
    // page in one folder of the program folder.
    if (sender.isEmpty() || !PrhTags::isPlainName(sender) || !PrhTags::isPlainName(*name))
        return;
    const QString folder = contentDir(sender);
    const QString page = QDir(folder).filePath(*name + QStringLiteral(".htm"));
    const QFileInfo info(page);

    if (!info.exists() || !info.isFile() || info.isHidden()) {
        m_prompts.notify(
            QStringLiteral("This packet station supports Packet Radio HTML.  To display the web "
                           "based format, content files must be downloaded from the Internet.") +
                QStringLiteral("\r\n\r\n") +
                QStringLiteral("To download the content files for station ") + sender +
                QStringLiteral(", start your normal web browser, navigate to the source files on "
                               "the Internet and save them in ") +
                QDir::toNativeSeparators(folder) + QLatin1Char('.'),
            QStringLiteral("Download HTML Content Files"),
            (sender + QLatin1Char('/') + *name).toLower());
        QDir(m_state.programDir).mkdir(sender);
        return;
    }
    if (!staysInside(page))
        return;

    QFile file(page);
    if (SafeFile::openForRead(file, SafeFile::Links::Follow))
        m_pages.replace(channel, QString::fromLatin1(readBounded(file, kMaxPageBytes)));
    if (!m_pages.write(channel))
        m_beeper.beep();
    const int tab = m_state.currentTab;
    if (tab >= 0 && tab < ChannelTable::kChannels && !m_state.channels.paneShown(tab)) {
        m_panes.toggleBrowserDisplay();
    }
    m_panes.navigate(channel, page);
}
