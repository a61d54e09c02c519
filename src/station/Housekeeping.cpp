#include "Housekeeping.h"

#include "BeaconAndCapture.h"
#include "HeardFile.h"
#include "Registration.h"
#include "SendLine.h"

void Housekeeping::run() {
    m_parts.registration.watchLink();
    m_state.idle.tick();
    if (m_state.idle.ticks() > kIdleLimit)
        m_parts.sendLine.sendKeepAlive();
    m_parts.beacon.tick();
    m_parts.heardFile.saveIfDue(m_clock.nowMs());
}
