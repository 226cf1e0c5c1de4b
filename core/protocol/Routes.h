// Which command an answer belongs to, by its answer code, and the links of the chained
// set-all: after these answers the next step follows.
#pragma once

#include "Command.h"

namespace Routes {

// The command a long answer code ("0001".."0019") answers; None for codes that are not routed
// (the search answer "0000" is handled on its own).
Command OfLongAnswer(const QString& code);
// The same for a short answer code ("01".."17"); "16" and "19" have no short answer.
Command OfShortAnswer(const QString& code);
// ID-protocol answers "0012" and "0013".
Command OfIdAnswer(const QString& code);

enum class ChainStep { None, WriteSerialNumber, WriteAll, StartTransmitTest };

struct ChainLink {
    ChainStep next = ChainStep::None;
    bool afterTestDelay = false; // wait the configured test delay instead of 10 ms
    bool ends = false;           // the transmit-test answer ends the chain
};

// What follows an answer in the chain. Long answers run air protocol, serial number,
// write-all, test; short ones air protocol, write-all, serial number, test.
ChainLink ChainAfter(Command answered, bool shortAnswer);
constexpr int kChainStepWaitMs = 10;

} // namespace Routes
