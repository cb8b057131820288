#pragma once

// What the simulated charger received, as the tests of the device windows compare it.

#include "drivers/sim/SimCharger.h"

#include <QStringList>

// The command texts the charger received, without checksum lines.
inline QStringList Frames() {
    QStringList texts;
    for (const QByteArray& frame : TheSimCharger().ReceivedFrames()) {
        const qsizetype lf = frame.indexOf('\n');
        texts << QString::fromLatin1(lf < 0 ? frame : frame.left(lf));
    }
    return texts;
}
