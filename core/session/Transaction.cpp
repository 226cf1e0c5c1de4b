#include "Transaction.h"

const char* OutcomeName(TransactionOutcome outcome)
{
    switch (outcome) {
    case TransactionOutcome::Answered: return "answered";
    case TransactionOutcome::Mismatch: return "answer to another command";
    case TransactionOutcome::ChecksumError: return "answer with a bad checksum";
    case TransactionOutcome::TimedOut: return "no answer";
    case TransactionOutcome::Refused: return "refused by the port";
    case TransactionOutcome::PortLost: return "port lost";
    case TransactionOutcome::Superseded: return "superseded by another command";
    case TransactionOutcome::Cancelled: return "cancelled";
    }
    return "";
}
