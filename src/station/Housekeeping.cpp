#include "Housekeeping.h"

#include "BeaconAndCapture.h"
#include "HeardFile.h"
#include "Registration.h"
#include "SendLine.h"

void Housekeeping::run() {
    m_parts.registration.watchLink();
    m_state.idleTicks += 1;
    m_state.beaconTicks += 1;
    if (m_state.idleTicks > kIdleLimit)
        m_parts.sendLine.sendKeepAlive();
    if (m_state.beaconTicks > kBeaconLimit)
        m_parts.beacon.sendBeacon();
    m_parts.heardFile.saveIfDue(m_clock.nowMs());
}
