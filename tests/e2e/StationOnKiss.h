#pragma once

#include "KissLink.h"
#include "StationOnLink.h"

struct StationOnKiss : StationOn<KissLink> {
    explicit StationOnKiss(const EngineAddress& tnc) : StationOn(tnc, KissParameters{}) {}
};
