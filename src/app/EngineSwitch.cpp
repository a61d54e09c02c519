#include "EngineSwitch.h"

EngineSwitch::EngineSwitch(const EngineAddress& address, const KissParameters& kiss)
    : m_agw(address.host, address.port), m_kiss(address, kiss),
      m_kissActive(address.protocol == EngineAddress::Protocol::Kiss) {
    connect(&m_agw, &AgwTcpLink::bytesArrived, this, &EngineSwitch::bytesArrived);
    connect(&m_kiss, &KissLink::bytesArrived, this, &EngineSwitch::bytesArrived);
}

void EngineSwitch::setAddress(const EngineAddress& address) {
    const bool kiss = address.protocol == EngineAddress::Protocol::Kiss;
    if (kiss != m_kissActive) {
        active().close();
        m_kissActive = kiss;
    }
    active().setAddress(address);
}
