#pragma once

#include "KissLink.h"
#include "StationOnAgw.h"

struct StationOnKiss : StationOn<KissLink> {
    explicit StationOnKiss(const EngineAddress& tnc) : StationOn(tnc, KissParameters{}) {}
};
