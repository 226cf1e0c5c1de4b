// Where factory serial numbers come from, for the window, rfmodctl sn and rfmodctl program
// alike: the production database when one is configured, Config.ini [SN] otherwise.
//
// Every number handed out is a claim with an id of its own and a state:
//
//   allocated ──sent──> sent ──> confirmed   (the module read the number back)
//       │                  ├──> failed      (read back, the module carries another number)
//       │                  └──> unconfirmed (no read-back: the module may carry the number)
//       └──giveBack──> given back            (only while the write never left the PC:
//                                             allocated, or sent and refused by the port)
//
// A claim is marked sent before its write goes out; from then on its number never goes back to
// the pool. A give-back is conditional on the claim being allocated and idempotent, so a retried
// give-back can never release a number another claim has taken since.
#pragma once

#include "ProductionStore.h"

#include <QString>

#include <memory>

class SerialNumberPool {
public:
    virtual ~SerialNumberPool() = default;

    // The next free number of the series (a given-back one first); `firstIfNew` starts a series
    // the pool does not know (Config.ini keeps one sequence for every series and ignores it).
    virtual bool take(const SerialSeries& series, int firstIfNew, const ClaimOwner& owner, SerialClaim* out,
                      StoreError* error) = 0;
    // A number chosen by hand. A free one (never handed out, or given back) is claimed; one
    // held already is refused with StoreError::Kind::Taken (its text says by whom) unless
    // `again` is set: the operator means to write it a second time.
    virtual bool takeNumber(const SerialSeries& series, int sequence, const ClaimOwner& owner, bool again,
                            SerialClaim* out, StoreError* error) = 0;
    // allocated -> sent (before the write goes out), sent -> confirmed, failed or unconfirmed.
    // Moving a claim to the state it is in already succeeds and does nothing.
    virtual bool advance(SerialClaim* claim, ClaimState to, StoreError* error) = 0;
    // allocated -> given back; a claim given back already: nothing to do; any other state is
    // refused (its number may be on a module).
    virtual bool giveBack(SerialClaim* claim, StoreError* error) = 0;
    // sent -> given back, when the port refused the write: the frame never left the PC. Like a
    // give-back, conditional on the claim and idempotent.
    virtual bool withdraw(SerialClaim* claim, StoreError* error) = 0;
    // The highest number handed out in the series, -1 when none (for the operator's messages).
    virtual int lastHandedOut(const SerialSeries& series) = 0;
    // Whether numbers come from the production database.
    virtual bool isDatabase() const = 0;
};

namespace SerialNumberPools {

// Config.ini [SN] (`configPath`), shared with every program that uses the same file.
std::unique_ptr<SerialNumberPool> OfConfig(const QString& configPath);
// The production database; `store` must outlive the pool.
std::unique_ptr<SerialNumberPool> OfStore(ProductionStore* store);

} // namespace SerialNumberPools
