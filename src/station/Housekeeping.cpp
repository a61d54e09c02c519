#include "Housekeeping.h"

#include "BeaconAndCapture.h"
#include "FileSender.h"
#include "HeardFile.h"
#include "Registration.h"
#include "SendLine.h"

void Housekeeping::run() {
    m_parts.registration.watchLink();
    m_state.idle.tick();
    // A file on its way keeps the link busy, and a keep-alive's CR would land inside it.
    if (m_parts.fileSender.running())
        m_state.idle.activity();
    if (m_state.idle.ticks() > kIdleLimit)
        m_parts.sendLine.sendKeepAlive();
    m_parts.beacon.tick();
    m_parts.heardFile.saveIfDue(m_clock.nowMs());
}
