#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>

#include <optional>

// What ":C" asks for: "[PORT] CALL [VIA|V DIGI[,DIGI...]]", the digipeaters separated by commas,
// blanks or both. A call always holds a letter, so a leading number can only be a port.
struct ConnectRequest {
    static constexpr int kMaxDigipeaters = 7; // what an AX.25 address field carries

    QString call;               // normalized
    std::optional<quint8> port; // none: the station's own (Settings > Port)
    QStringList via;            // normalized, in the order the frames take them

    // Null, with `why` for the operator, when the text is no request.
    static std::optional<ConnectRequest> parse(QStringView text, QString* why);
    // The way back to a station heard through `path` (comma separated, '*' after a digipeater
    // that repeated the frame): those that repeated it (all, when none is marked), nearest first,
    // without the generic aliases that no link can be held through.
    static QStringList wayBack(QStringView path);

    // One spelling of the request, as the connect list keeps it: "1 N0XYZ VIA N0DG1,N0DG2".
    QString text() const;
};
