#pragma once

#include "AgwTcpLink.h"
#include "StationOnLink.h"

struct StationOnAgw : StationOn<AgwTcpLink> {
    explicit StationOnAgw(quint16 port) : StationOn(QStringLiteral("127.0.0.1"), port) {}
};
