#pragma once

#include <QString>

// The generated home page of a channel (0-6): one line naming the station
// and the channel, with a link that opens the connect list.
QString homePage(const QString& callSign, int channel);
