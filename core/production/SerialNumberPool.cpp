#include "SerialNumberPool.h"

#include "core/config/SerialNumberStore.h"

namespace {

// Config.ini keeps the highest number handed out and the numbers given back, under its lock;
// claim states live in the claims themselves (nothing else reads them).
class ConfigPool : public SerialNumberPool {
public:
    explicit ConfigPool(const QString& path) : m_store(path) {}

    bool take(const SerialSeries& series, int, const ClaimOwner&, SerialClaim* out, StoreError* error) override
    {
        QString why;
        const int n = m_store.take(&why);
        if (n < 0)
            return refuse(why.contains(QLatin1String("used up")) ? StoreError::Kind::Exhausted : StoreError::Kind::Failed,
                          why, error);
        *out = SerialClaim{ProductionStore::NewId(), series, n, ClaimState::Allocated};
        return true;
    }

    bool takeNumber(const SerialSeries& series, int sequence, const ClaimOwner&, bool again, SerialClaim* out,
                    StoreError* error) override
    {
        QString why;
        int last = -1;
        switch (m_store.claim(sequence, again, &last, &why)) {
        case SerialNumberStore::Claim::Claimed:
            *out = SerialClaim{ProductionStore::NewId(), series, sequence, ClaimState::Allocated};
            return true;
        case SerialNumberStore::Claim::AlreadyHandedOut:
            return refuse(StoreError::Kind::Taken,
                          QStringLiteral("%1 is handed out already (the last number handed out is %2)")
                              .arg(sequence, 5, 10, QLatin1Char('0'))
                              .arg(last, 5, 10, QLatin1Char('0')),
                          error);
        case SerialNumberStore::Claim::Failed: break;
        }
        return refuse(StoreError::Kind::Failed, why, error);
    }

    bool advance(SerialClaim* claim, ClaimState to, StoreError* error) override
    {
        if (claim->state == to)
            return true;
        const bool fromSent = claim->state == ClaimState::Sent || claim->state == ClaimState::Unconfirmed;
        const bool allowed = to == ClaimState::Sent
            ? claim->state == ClaimState::Allocated || claim->state == ClaimState::Unconfirmed
            : to != ClaimState::Allocated && to != ClaimState::GivenBack && fromSent;
        if (!allowed)
            return refuse(StoreError::Kind::Refused, QStringLiteral("the claim of %1 is %2 and cannot become %3")
                                                         .arg(claim->sequence)
                                                         .arg(ClaimStateName(claim->state), ClaimStateName(to)),
                          error);
        claim->state = to;
        return true;
    }

    bool giveBack(SerialClaim* claim, StoreError* error) override
    {
        if (claim->state == ClaimState::GivenBack)
            return true;
        if (claim->state != ClaimState::Allocated)
            return refuse(StoreError::Kind::Refused,
                          QStringLiteral("%1 may be on a module: it is not given back").arg(claim->sequence), error);
        QString why;
        if (!m_store.giveBack(claim->sequence, &why))
            return refuse(StoreError::Kind::Failed, why, error);
        claim->state = ClaimState::GivenBack;
        return true;
    }

    bool withdraw(SerialClaim* claim, StoreError* error) override
    {
        if (claim->state == ClaimState::Sent)
            claim->state = ClaimState::Allocated;
        return giveBack(claim, error);
    }

    int lastHandedOut(const SerialSeries&) override { return m_store.lastHandedOut(); }
    bool isDatabase() const override { return false; }

private:
    static bool refuse(StoreError::Kind kind, const QString& why, StoreError* error)
    {
        if (error)
            *error = StoreError{kind, why};
        return false;
    }

    SerialNumberStore m_store;
};

class DatabasePool : public SerialNumberPool {
public:
    explicit DatabasePool(ProductionStore* store) : m_store(store) {}

    bool take(const SerialSeries& series, int firstIfNew, const ClaimOwner& owner, SerialClaim* out,
              StoreError* error) override
    {
        return report(m_store->claimNext(series, firstIfNew, owner, out, nullptr), error);
    }
    bool takeNumber(const SerialSeries& series, int sequence, const ClaimOwner& owner, bool again, SerialClaim* out,
                    StoreError* error) override
    {
        return report(m_store->claimNumber(series, sequence, owner, again, out, nullptr), error);
    }
    bool advance(SerialClaim* claim, ClaimState to, StoreError* error) override
    {
        return report(m_store->advanceClaim(claim, to, nullptr), error);
    }
    bool giveBack(SerialClaim* claim, StoreError* error) override
    {
        return report(m_store->giveBackClaim(claim, nullptr), error);
    }
    bool withdraw(SerialClaim* claim, StoreError* error) override
    {
        return report(m_store->withdrawClaim(claim, nullptr), error);
    }
    int lastHandedOut(const SerialSeries& series) override { return m_store->lastClaimed(series); }
    bool isDatabase() const override { return true; }

private:
    bool report(bool ok, StoreError* error)
    {
        if (!ok && error)
            *error = m_store->lastError();
        return ok;
    }

    ProductionStore* m_store;
};

} // namespace

namespace SerialNumberPools {

std::unique_ptr<SerialNumberPool> OfConfig(const QString& configPath)
{
    return std::make_unique<ConfigPool>(configPath);
}

std::unique_ptr<SerialNumberPool> OfStore(ProductionStore* store)
{
    return std::make_unique<DatabasePool>(store);
}

} // namespace SerialNumberPools
