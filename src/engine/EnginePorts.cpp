#include "EnginePorts.h"

#include <algorithm>

const EnginePort* findEnginePort(const EnginePorts& ports, int number) {
    if (!ports)
        return nullptr;
    const auto it = std::find_if(ports->cbegin(), ports->cend(),
                                 [number](const EnginePort& p) { return p.number == number; });
    return it == ports->cend() ? nullptr : &*it;
}

bool engineOffersPort(const EnginePorts& ports, int number) {
    return !ports || ports->isEmpty() || findEnginePort(ports, number);
}

QString enginePortsInWords(const EnginePorts& ports) {
    QStringList words;
    for (const EnginePort& p : ports.value_or(QList<EnginePort>()))
        words.append(QStringLiteral("%1 (%2)").arg(p.number).arg(p.description));
    return words.join(QStringLiteral(", "));
}
