// What the tool runs with: the port and PC line it talks to the module on, the edition, and
// the options. Config.ini gives it (ToolConfig::ReadSettings); a front end then takes what
// the operator chose (rfmodctl's options, the window's port dialog) over it.
#pragma once

#include "core/link/LineSettings.h"
#include "core/model/Edition.h"
#include "core/model/Values.h"

#include <QString>

struct ToolSettings {
    int port = 1;                              // COMn, 1..36 (another number: none)
    SerialSettings line{2400, Parity::None};   // baud and parity; 8 data bits, 1 stop bit
    Edition edition;
    bool fixedGap = false;                     // the frame gap is gapMs, not the line's own
    int gapMs = 333;                           // quiet time that ends a frame, 60..3000
    int receivePeriodMs = 30;                  // how often received bytes are looked at, 10..500
    int rxTxPauseMs = 20;                      // pair test's turn-round pause, 10..1000
    bool searchFirst = true;                   // read-all and write-all search first
    int testDelayMs = 1500;                    // before the chained transmit test
    int timeoutMs = 1000;                      // answer time-out, for front ends that use one
    QString database;                          // production record: "sqlite:PATH", "postgresql://...", empty: none
    QString station;                           // this station's name in the record, empty: the host name
    QString language = QStringLiteral("CN");   // [Ver] CEO: "EN" English messages, "EN..." English captions

    // The PC's line settings of `line`.
    LineSettings pcLine() const;
};
