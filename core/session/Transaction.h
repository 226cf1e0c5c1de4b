// One command sent and its answer awaited. Every transaction ends exactly once, with one of
// these outcomes.
#pragma once

#include "core/link/SerialLink.h"
#include "core/protocol/Command.h"

#include <QMetaType>

using TransactionId = quint64;

enum class TransactionOutcome {
    Answered,      // its answer arrived (the decoded values went out just before)
    Mismatch,      // an answer to another command arrived instead
    ChecksumError, // an answer arrived with a bad checksum
    TimedOut,      // nothing within its time-out
    Refused,       // the link would not send it (port closed, bad line)
    PortLost,      // the port's device went away
    Superseded,    // another command was sent before its answer came
    Cancelled,     // its owner gave up waiting
};

struct TransactionResult {
    TransactionId id = 0;
    Command command = Command::None;
    TransactionOutcome outcome = TransactionOutcome::Cancelled;
    bool shortAnswer = false;           // Answered: the module answered in the short frame
    LinkStatus sendStatus = LinkStatus::Ok; // Refused / PortLost at sending: what the link said
    bool afterIdentify = false;         // the serial-number read that follows an identify answer
};

// "answered", "no answer", ... for logs and the command line.
const char* OutcomeName(TransactionOutcome outcome);

Q_DECLARE_METATYPE(TransactionResult)
