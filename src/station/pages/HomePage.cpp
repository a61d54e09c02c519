#include "HomePage.h"

QString homePage(const QString& callSign, int channel) {
    static const QString head = QStringLiteral(
        "<html> <body bgcolor=\"#E5DCDC\" text=\"#000000\" link=\"#0000FF\" vlink=\"#800080\" "
        "alink=\"#FF0000\">"
        "<table border=\"0\" cellpadding=\"0\" cellspacing=\"4\" width=\"98%\"><tr>"
        "<td height=\"51\">"
        "<p align=\"center\">&nbsp;</p>"
        "<p align=\"center\"><span style=\"font-size:14pt;\"><font face=\"Arial\" "
        "color=\"navy\"><b>Wexlo's Packet Web Browser</b></font></span></p>"
        "<p align=\"center\"><span style=\"font-size:14pt;\"><font face=\"Arial\" "
        "color=\"navy\"><b>Station: ");
    static const QString middle =
        QStringLiteral("</b></font></span></p>"
                       "<p align=\"center\"><span style=\"font-size:14pt;\"><font face=\"Arial\" "
                       "color=\"navy\"><b>Channel: ");
    static const QString tail = QStringLiteral(
        "</b></font></span></p>"
        "<p align=\"center\"><span style=\"font-size:10pt;\"><font face=\"Arial\" ><a "
        "href=\"<PRHCMDShowConnectList>\">Click here to connect to a station from your connect "
        "list.</a></font></span></p>"
        "</tr></table><p>&nbsp;</p></body></html>");
    return head + callSign + middle + QString::number(channel + 1) + tail;
}
