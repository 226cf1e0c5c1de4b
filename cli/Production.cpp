#include "Production.h"

#include "core/base/Clock.h"
#include "core/config/Csv.h"
#include "core/config/ToolConfig.h"
#include "core/model/Catalogue.h"
#include "core/session/Jobs.h"
#include "core/session/RadioSearch.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace Cli {

namespace {

qint64 NowMs() { return SystemClock::monotonicMs(); }

constexpr int kRemovalPollMs = 300;
// Every so many answers of an alike module while waiting for its removal, it is read whole.
constexpr int kAlikeReadEvery = 4;
constexpr int kReopenMs = 2000;
// How long a new module is waited for where the last one came before all settings are searched.
constexpr int kHomeWindowMs = 3000;
// How often a lost production database is tried again.
constexpr int kDatabaseRetryMs = 3000;

// The store's reasons name the database; the messages here name it themselves.
QString Why(const QString& why, const DatabaseLocation& where)
{
    const QString prefix = where.text() + QStringLiteral(": ");
    return (why.startsWith(prefix) ? why.mid(prefix.size()) : why).simplified();
}

// The profile under the names read --json uses.
QJsonObject ProfileJson(const Profile& p, const Edition& e)
{
    QJsonObject o;
    if (p.modelRow >= 0)
        o.insert(QStringLiteral("model"), Catalogue::RowText(p.modelRow, e.prefixStyle));
    if (!p.base.isEmpty())
        o.insert(QStringLiteral("band"), p.base);
    if (p.channel >= 0)
        o.insert(QStringLiteral("channel"), p.channel);
    if (p.airRate > 0)
        o.insert(QStringLiteral("air_rate"), p.airRate);
    if (p.serialBaud > 0)
        o.insert(QStringLiteral("serial_baud"), p.serialBaud);
    if (p.serialParity != Parity::Unknown)
        o.insert(QStringLiteral("serial_parity"), ParityName(p.serialParity));
    if (p.protocol >= 0)
        o.insert(QStringLiteral("protocol"), Profiles::ProtocolName(p.protocol));
    if (p.powerMode >= 0)
        o.insert(QStringLiteral("power_save"), Profiles::PowerModeName(p.powerMode));
    if (p.radioId >= 0)
        o.insert(QStringLiteral("radio_id"), p.radioId);
    if (p.power >= 0)
        o.insert(QStringLiteral("power"), Profiles::PowerName(p.power));
    if (p.powerLevel >= 0)
        o.insert(QStringLiteral("power_level"), p.powerLevel);
    return o;
}

// The same module: the same identity and the same serial number.
bool SameModule(const ModuleReadings& a, const ModuleReadings& b)
{
    const SerialNumber& x = a.serialNumber;
    const SerialNumber& y = b.serialNumber;
    return a.hasSerialNumber && b.hasSerialNumber && a.identity.familyCode == b.identity.familyCode
        && a.identity.firmware == b.identity.firmware && a.identity.band == b.identity.band
        && a.identity.modelRow == b.identity.modelRow && x.modelCode == y.modelCode && x.year % 100 == y.year % 100
        && x.month == y.month && x.sequence == y.sequence;
}

// What a read-all tells of the settings (not the signal strength, which moves by itself).
bool SameParameters(const AllParameters& a, const AllParameters& b)
{
    return a.channel == b.channel && a.airRate == b.airRate && a.serial.baud == b.serial.baud
        && a.serial.parity == b.serial.parity && a.protocol == b.protocol && a.powerMode == b.powerMode
        && a.radioId == b.radioId && a.power == b.power;
}

} // namespace

// ---- log --------------------------------------------------------------------------------------

QStringList ProductionLog::Header()
{
    return {QStringLiteral("time"),          QStringLiteral("port"),       QStringLiteral("baud"),
            QStringLiteral("parity"),        QStringLiteral("family"),     QStringLiteral("firmware"),
            QStringLiteral("band"),          QStringLiteral("model"),      QStringLiteral("serial_number"),
            QStringLiteral("channel"),       QStringLiteral("frequency"),  QStringLiteral("air_rate"),
            QStringLiteral("serial_baud"),   QStringLiteral("serial_parity"), QStringLiteral("protocol"),
            QStringLiteral("power_save"),    QStringLiteral("radio_id"),   QStringLiteral("result"),
            QStringLiteral("detail")};
}

bool ProductionLog::open(const QString& path, QString* error)
{
    m_file.setFileName(path);
    const bool fresh = !QFileInfo(path).exists() || QFileInfo(path).size() == 0;
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = QStringLiteral("%1: %2").arg(path, m_file.errorString());
        return false;
    }
    if (fresh)
        append(Header());
    return true;
}

void ProductionLog::append(const QStringList& fields)
{
    if (!m_file.isOpen())
        return;
    m_file.write(Csv::Row(fields).toUtf8());
    m_file.flush();
}

// ---- worker -----------------------------------------------------------------------------------

ProductionWorker::ProductionWorker(const Context& context, int port, const ProductionSetup& setup,
                                   SerialNumberPool* pool, ProductionStore* db, ProductionLog* log, QObject* parent)
    : QObject(parent), m_context(context), m_port(port), m_setup(setup), m_pool(pool), m_db(db), m_log(log),
      m_homeLine(context.line.line())
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (const auto then = std::exchange(m_then, nullptr))
            then();
    });
}

void ProductionWorker::after(int ms, std::function<void()> then)
{
    m_then = std::move(then);
    m_timer.start(ms);
}

ProductionWorker::~ProductionWorker() = default;

void ProductionWorker::setState(const QString& state)
{
    m_state = state;
    emit changed();
}

void ProductionWorker::start()
{
    openPort();
}

void ProductionWorker::stop()
{
    m_stopped = true;
    m_timer.stop();
    // The command in flight is cancelled; the port closes with the worker.
    if (m_client)
        m_client->cancel();
    if (m_verifyFrom >= 0 || m_claim.isValid())
        recordInterrupted(QStringLiteral("stopped while programming"));
    m_verifyFrom = -1;
    if (!m_finished) {
        m_finished = true;
        emit finished();
    }
}

void ProductionWorker::portProblem(const QString& what)
{
    if (m_stopped)
        return;
    if (m_client)
        m_client->cancel();
    if (m_claim.isValid())
        recordInterrupted(what + QStringLiteral(" while programming"));
    m_verifyFrom = -1;
    setState(what + QStringLiteral(", trying again"));
    after(kReopenMs, [this] {
        m_client.reset();
        openPort();
    });
}

void ProductionWorker::openPort()
{
    if (m_stopped)
        return;
    QString why;
    m_client = OpenQuietly(m_context, m_port, &why);
    if (!m_client) {
        portProblem(why);
        return;
    }
    m_client->setSearchStepInterval(m_context.stepMs);
    connect(&m_client->session(), &ModuleSession::portLost, this, [this] { portProblem(QStringLiteral("port lost")); });
    connect(&m_client->session(), &ModuleSession::blockReceived, this, [this] { ++m_times.answers; });
    connect(m_client.get(), &ModuleClient::commandAnswered, this, &ProductionWorker::onAnswered);
    search();
}

void ProductionWorker::search()
{
    if (m_stopped)
        return;
    setState(QStringLiteral("waiting for a module"));
    m_phaseStart = m_moduleStart = NowMs();
    m_homeUntil = NowMs() + kHomeWindowMs;
    pollHome();
}

namespace {

bool PortTrouble(const JobResult& r)
{
    return r.transaction == TransactionOutcome::PortLost || r.transaction == TransactionOutcome::Refused;
}

} // namespace

void ProductionWorker::pollHome()
{
    if (m_stopped)
        return;
    ModuleSession& s = m_client->session();
    s.clearReadings();
    if (s.link().line() != m_homeLine && s.openPort(m_port, m_homeLine).status() != LinkStatus::Ok) {
        portProblem(QStringLiteral("port lost"));
        return;
    }
    m_client->start({JobStep::IdentifyHere()}, [this](const JobResult& r) {
        if (m_stopped)
            return;
        if (r.outcome == JobOutcome::Done) {
            program();
            return;
        }
        if (PortTrouble(r)) {
            portProblem(QStringLiteral("port lost"));
            return;
        }
        // A second silent poll: the module recorded last is gone for good.
        if (!m_guardLasts)
            m_guard = false;
        if (NowMs() < m_homeUntil) {
            after(kRemovalPollMs, [this] { pollHome(); });
        } else {
            sweep();
        }
    });
}

void ProductionWorker::sweep()
{
    m_client->session().clearReadings();
    const int from = RadioSearch::IndexOf(SerialSettings{m_homeLine.baud, ParityOfChar(m_homeLine.parity)});
    m_client->start({JobStep::SearchFrom(from)}, [this](const JobResult& r) {
        if (m_stopped)
            return;
        // Found once the serial-number read that tells the model was answered.
        if (r.outcome == JobOutcome::Done && m_client->readings().hasSerialNumber) {
            program();
            return;
        }
        if (PortTrouble(r)) {
            portProblem(QStringLiteral("port lost"));
            return;
        }
        // Every combination tried in vain: back to waiting where modules come.
        m_homeUntil = NowMs() + kHomeWindowMs;
        pollHome();
    });
}

void ProductionWorker::program()
{
    if (m_stopped)
        return;
    m_times.search += NowMs() - m_phaseStart;
    m_phaseStart = NowMs();
    ModuleSession& s = m_client->session();
    m_foundLine = m_homeLine = s.link().line();
    m_found = m_client->readings();
    // One silent poll is taken for a removal; if it was only a lost answer, the module found
    // again is the one just recorded, and it is not programmed twice.
    if (m_guard && SameModule(m_found, m_recorded)) {
        awaitRemoval();
        return;
    }
    setState(QStringLiteral("writing"));
    m_claim = SerialClaim{};
    m_claimOutcome = ClaimState::Unconfirmed;
    const QString unknown = UnknownModel(m_found, m_context.edition);
    if (!unknown.isEmpty() && !m_setup.anyModel) {
        fail(unknown);
        return;
    }
    const QStringList problems = unknown.isEmpty()
        ? Profiles::Check(m_setup.profile, m_found.identity.modelRow, m_context.edition.keyword)
        : QStringList();
    if (!problems.isEmpty()) {
        fail(problems.join(QStringLiteral("; ")));
        return;
    }
    if (m_setup.numbered) {
        settleOwed();
        const ToolConfig::Sn sn = ToolConfig::ReadSn(m_context.configPath);
        const int row = m_setup.snModel.isEmpty() ? m_setup.profile.modelRow : Profiles::ModelRowOfName(m_setup.snModel);
        SerialSeries series;
        series.modelCode = row >= 0 ? Catalogue::RowToModelCode(row) : m_found.serialNumber.modelCode;
        const int keptYear = SerialNumberYearOf(sn.year);
        const int keptMonth = SerialNumberMonthOf(sn.month);
        series.year = m_setup.snYear > 0 ? m_setup.snYear : keptYear > 0 ? keptYear : QDate::currentDate().year();
        series.month = m_setup.snMonth > 0 ? m_setup.snMonth : keptMonth > 0 ? keptMonth : QDate::currentDate().month();
        // The claim is committed before anything is written: without it the module gets nothing.
        const int first = m_setup.first >= 0 ? m_setup.first : std::max(sn.number.toInt(), 0) + 1;
        SerialClaim claim;
        claim.id = m_retryClaimId; // an earlier attempt's claim, if its answer was lost
        StoreError e;
        if (!m_pool->take(series, first, ClaimOwner{m_context.station, QStringLiteral("COM%1").arg(m_port)}, &claim, &e)) {
            if (e.kind == StoreError::Kind::Unreachable && m_db) {
                m_retryClaimId = claim.id;
                databaseLost(e.text);
            } else {
                fail(e.text);
            }
            return;
        }
        m_retryClaimId.clear();
        m_claim = claim;
        if (m_dbLost) {
            m_dbLost = false;
            emit notice(QStringLiteral("COM%1: the production database %2 is back").arg(m_port).arg(m_db->location().text()));
        }
    }
    m_verifyFrom = -1;
    m_client->start(Jobs::WriteProfile(s, m_setup.profile), [this](const JobResult& r) {
        if (r.outcome != JobOutcome::Done) {
            m_times.write += NowMs() - m_phaseStart;
            fail(Describe(r));
            return;
        }
        number();
    });
}

void ProductionWorker::number()
{
    if (m_stopped)
        return;
    QList<JobStep> steps;
    if (m_claim.isValid()) {
        // Marked sent before the write goes out: from now on the number never goes back.
        StoreError e;
        if (!m_pool->advance(&m_claim, ClaimState::Sent, &e)) {
            m_times.write += NowMs() - m_phaseStart;
            if (e.kind == StoreError::Kind::Unreachable && m_db) {
                leaveClaim();
                databaseLost(e.text);
            } else {
                fail(e.text);
            }
            return;
        }
        setState(QStringLiteral("numbering"));
        steps << JobStep::Send(Requests::WriteSerialNumber(m_claim.number()));
    }
    m_verifyFrom = int(steps.size());
    if (m_claim.isValid())
        steps << JobStep::Send(Requests::ReadSerialNumber());
    steps << Jobs::VerifyProfile(m_setup.profile);
    m_answered = 0;
    if (m_verifyFrom == 0) {
        m_times.write += NowMs() - m_phaseStart;
        m_phaseStart = NowMs();
        setState(QStringLiteral("verifying"));
    }
    // Only what is read back counts (the write answers leave the parameters alone).
    m_client->session().clearReadings();
    m_client->start(steps, [this](const JobResult& r) {
        (m_answered >= m_verifyFrom ? m_times.verify : m_times.write) += NowMs() - m_phaseStart;
        m_verifyFrom = -1;
        if (r.outcome != JobOutcome::Done) {
            // Refused by the port, the write never left the PC: its number goes back.
            StoreError ignored;
            if (r.command == Command::SerialNumberWrite && r.transaction == TransactionOutcome::Refused
                && m_pool->withdraw(&m_claim, &ignored))
                m_claim = SerialClaim{};
            fail(Describe(r));
            return;
        }
        const ModuleReadings back = ReadBack(m_found, m_client->readings());
        QStringList differences = Jobs::Differences(m_setup.profile, back);
        if (m_claim.isValid()) {
            const SerialNumber& n = back.serialNumber;
            const bool carries = n.sequence == m_claim.sequence && n.modelCode == m_claim.series.modelCode
                && n.year % 100 == m_claim.series.year % 100 && n.month == m_claim.series.month;
            m_claimOutcome = carries ? ClaimState::Confirmed : ClaimState::Failed;
            if (!carries)
                differences << QStringLiteral("serial number is %1, wanted %2").arg(n.sequence).arg(m_claim.sequence);
        }
        if (differences.isEmpty())
            record(true, QString());
        else
            fail(differences.join(QStringLiteral("; ")));
    });
}

void ProductionWorker::onAnswered()
{
    if (m_verifyFrom < 0)
        return;
    if (++m_answered == m_verifyFrom) {
        m_times.write += NowMs() - m_phaseStart;
        m_phaseStart = NowMs();
        setState(QStringLiteral("verifying"));
    }
}

void ProductionWorker::fail(const QString& detail)
{
    // A write the module did not take may have moved the PC port away from it.
    ModuleSession& s = m_client->session();
    if (s.link().line() != m_foundLine && s.openPort(m_port, m_foundLine).status() != LinkStatus::Ok) {
        record(false, detail);
        return;
    }
    s.clearReadings();
    m_client->start({JobStep::Send(Requests::ReadAll())}, [this, detail](const JobResult&) { record(false, detail); });
}

namespace {

QString Pad5(int n)
{
    return QStringLiteral("%1").arg(n, 5, 10, QLatin1Char('0'));
}

// Local time with its offset: a record read in another zone is not an hour out.
QString LocalTimeText(const QDateTime& t)
{
    const QDateTime local = t.toLocalTime();
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
}

} // namespace

void ProductionWorker::record(bool ok, const QString& detail)
{
    const ModuleReadings r = ReadBack(m_found, m_client->readings());
    const QJsonObject m = ModuleJson(r, m_client->session().link().line(), m_context.edition);
    auto value = [&](const char* key) {
        const QJsonValue v = m.value(QLatin1String(key));
        return v.isDouble() ? QString::number(v.toInt()) : v.toString();
    };
    // A number whose write never left the PC goes back before the record names it.
    if (m_claim.isValid() && m_claim.state == ClaimState::Allocated)
        leaveClaim();
    m_pending = ModuleRecord{};
    m_pending.id = ProductionStore::NewId();
    m_pending.time = QDateTime::currentDateTimeUtc();
    m_pending.station = m_context.station;
    m_pending.port = QStringLiteral("COM%1").arg(m_port);
    m_pending.line = SerialSettings{m_foundLine.baud, ParityOfChar(m_foundLine.parity)};
    m_pending.identity = r.identity;
    // The number meant for it once its write went out (a failed one's too), else the one it carries.
    if (m_claim.isValid()) {
        m_pending.number = m_claim.number();
        m_pending.claimId = m_claim.id;
        m_pending.claimState = m_claimOutcome;
    } else if (r.hasSerialNumber) {
        m_pending.number = r.serialNumber;
    }
    m_pending.written = ProfileJson(m_setup.profile, m_context.edition);
    m_pending.readBack = m;
    m_pending.ok = ok;
    m_pending.detail = detail;
    m_pending.durationMs = NowMs() - m_moduleStart;
    QString number;
    if (m_claim.isValid() && ok)
        number = Pad5(m_claim.sequence);
    m_recorded = r;
    m_guard = true;
    // Carrying a number written here, the module cannot be taken for another one.
    m_guardLasts = m_claim.isValid() && m_claimOutcome == ClaimState::Confirmed;
    // The claim goes with the record; without a database, Config.ini keeps no states.
    if (!m_db && m_claim.isValid())
        m_pool->advance(&m_claim, m_claimOutcome, nullptr);
    m_claim = SerialClaim{};
    m_pendingCsv = QStringList{LocalTimeText(m_pending.time), QStringLiteral("COM%1").arg(m_port),
                               value("baud"), value("parity"), value("family"), value("firmware"), value("band"), value("model"),
                               number, value("channel"), value("frequency"), value("air_rate"), value("serial_baud"),
                               value("serial_parity"), value("protocol"), value("power_save"), value("radio_id"),
                               ok ? QStringLiteral("ok") : QStringLiteral("failed"), detail};
    m_recordHeld = false;
    commitRecord();
}

void ProductionWorker::recordInterrupted(const QString& why)
{
    if (!m_claim.isValid() || m_claim.state == ClaimState::Allocated) {
        leaveClaim();
        return;
    }
    // The write went out and no read-back came: the module may carry the number.
    ModuleRecord r;
    r.id = ProductionStore::NewId();
    r.claimId = m_claim.id;
    r.claimState = ClaimState::Unconfirmed;
    r.time = QDateTime::currentDateTimeUtc();
    r.station = m_context.station;
    r.port = QStringLiteral("COM%1").arg(m_port);
    r.line = SerialSettings{m_foundLine.baud, ParityOfChar(m_foundLine.parity)};
    r.identity = m_found.identity;
    r.number = m_claim.number();
    r.written = ProfileJson(m_setup.profile, m_context.edition);
    r.detail = why + QStringLiteral(": the module may carry the number");
    r.durationMs = NowMs() - m_moduleStart;
    QString error;
    if (m_db && !m_db->record(r, &error))
        emit notice(QStringLiteral("COM%1: the record of the module cannot be kept: %2").arg(m_port).arg(error));
    if (m_log)
        m_log->append({LocalTimeText(r.time), r.port, QString::number(r.line.baud), ParityName(r.line.parity),
                       QString(), QString(), QString(), QString(), Pad5(m_claim.sequence), QString(), QString(), QString(),
                       QString(), QString(), QString(), QString(), QString(), QStringLiteral("failed"), r.detail});
    if (!m_db)
        m_pool->advance(&m_claim, ClaimState::Unconfirmed, nullptr);
    m_claim = SerialClaim{};
}

void ProductionWorker::commitRecord()
{
    if (m_db) {
        QString why;
        if (!m_db->record(m_pending, &why)) {
            // Neither the database nor the spill file took it: the module is not done yet.
            if (!m_recordHeld)
                emit notice(QStringLiteral("COM%1: the record of the module cannot be kept: %2; trying again")
                                .arg(m_port)
                                .arg(why));
            m_recordHeld = true;
            setState(QStringLiteral("keeping the record, trying again"));
            after(kDatabaseRetryMs, [this] { commitRecord(); });
            return;
        }
        if (m_db->lastError().kind == StoreError::Kind::Taken) {
            // Another module carries the number with an ok record: this one is no good.
            m_pending.ok = false;
            m_pendingCsv[8].clear();
            m_pendingCsv[17] = QStringLiteral("failed");
            m_pendingCsv[18] = why;
            m_guardLasts = false;
            emit notice(QStringLiteral("COM%1: %2").arg(m_port).arg(why));
        } else if (!why.isEmpty()) {
            emit notice(QStringLiteral("COM%1: the production database %2 did not take the record (%3): it waits in %4")
                            .arg(m_port)
                            .arg(m_db->location().text(), Why(why, m_db->location()), SpillPath(m_context)));
        }
    }
    done();
}

void ProductionWorker::done()
{
    if (m_log)
        m_log->append(m_pendingCsv);
    m_pending.ok ? ++m_ok : ++m_failed;
    const QString number = m_pendingCsv.value(8);
    m_lastResult = QStringLiteral("%1 %2%3 (%4 s)")
                       .arg(m_pending.ok ? QStringLiteral("ok") : QStringLiteral("FAILED"), m_pendingCsv.value(7),
                            number.isEmpty() ? QString() : QStringLiteral(" SN ") + number)
                       .arg(m_pending.durationMs / 1000.0, 0, 'f', 1);
    if (!m_pending.ok)
        m_lastResult += QStringLiteral(": ") + m_pendingCsv.value(18);
    // The last module of the run need not be taken away first.
    if (m_setup.count > 0 && m_ok + m_failed >= m_setup.count) {
        setState(QStringLiteral("done"));
        m_finished = true;
        emit finished();
        return;
    }
    awaitRemoval();
}

void ProductionWorker::leaveClaim()
{
    if (!m_claim.isValid())
        return;
    const ClaimState to = m_claim.state == ClaimState::Allocated ? ClaimState::GivenBack : ClaimState::Unconfirmed;
    StoreError e;
    const bool settled = to == ClaimState::GivenBack ? m_pool->giveBack(&m_claim, &e) : m_pool->advance(&m_claim, to, &e);
    // Taken back at the next claim: conditional on the claim, so a late repeat releases nothing.
    if (!settled && e.kind != StoreError::Kind::Refused)
        m_owed << qMakePair(m_claim, to);
    m_claim = SerialClaim{};
}

void ProductionWorker::settleOwed()
{
    while (!m_owed.isEmpty()) {
        SerialClaim c = m_owed.first().first;
        const ClaimState to = m_owed.first().second;
        StoreError e;
        const bool settled = to == ClaimState::GivenBack ? m_pool->giveBack(&c, &e) : m_pool->advance(&c, to, &e);
        if (!settled && e.kind != StoreError::Kind::Refused)
            return;
        m_owed.removeFirst();
    }
}

void ProductionWorker::databaseLost(const QString& why)
{
    if (!m_dbLost) {
        m_dbLost = true;
        emit notice(QStringLiteral("COM%1: the production database %2 is lost (%3): no module is numbered until it is "
                                   "back, trying again every %4 s")
                        .arg(m_port)
                        .arg(m_db->location().text(), Why(why, m_db->location()))
                        .arg(kDatabaseRetryMs / 1000));
    }
    setState(QStringLiteral("waiting for the production database"));
    // The module in hand got nothing; it is looked for again (it may have been swapped).
    after(kDatabaseRetryMs, [this] { search(); });
}

void ProductionWorker::awaitRemoval()
{
    if (m_stopped)
        return;
    // A failed module that carries no number of ours looks like the next fresh one: only an
    // empty jig tells them apart.
    setState(m_guardLasts ? QStringLiteral("take the module away")
                          : QStringLiteral("take the module away (the jig must be seen empty: the next module looks the same)"));
    m_phaseStart = NowMs();
    m_silentPolls = 0;
    m_alikePolls = 0;
    m_silenceSeen = false;
    after(kRemovalPollMs, [this] { pollRemoval(); });
}

// One look at the jig while the module just recorded should be taken away.
void ProductionWorker::pollRemoval()
{
    m_client->session().clearReadings();
    m_client->start({JobStep::IdentifyHere()}, [this](const JobResult& r) {
        if (m_stopped)
            return;
        if (r.transaction == TransactionOutcome::PortLost) {
            portProblem(QStringLiteral("port lost"));
            return;
        }
        const bool answered = r.outcome == JobOutcome::Done;
        if (answered && SameModule(m_client->readings(), m_recorded)) {
            m_silentPolls = 0;
            // Without a number of ours the module is read whole now and then, so a swap
            // too quick for any poll to find the jig empty is seen all the same.
            const bool lookCloser = m_silenceSeen || (!m_guardLasts && ++m_alikePolls % kAlikeReadEvery == 0);
            if (!lookCloser) {
                after(kRemovalPollMs, [this] { pollRemoval(); });
                return;
            }
            // Silent once, then alike: an answer lost, or an alike module swapped in while
            // the poll waited. The parameters written here tell them apart.
            m_silenceSeen = false;
            m_client->start({JobStep::Send(Requests::ReadAll())}, [this](const JobResult& all) {
                if (m_stopped)
                    return;
                if (all.outcome == JobOutcome::Done
                    && !SameParameters(m_client->readings().params, m_recorded.params)) {
                    m_guard = false;
                    m_times.removal += NowMs() - m_phaseStart;
                    m_phaseStart = m_moduleStart = NowMs();
                    program();
                    return;
                }
                after(kRemovalPollMs, [this] { pollRemoval(); });
            });
            return;
        }
        // Another module answers: swapped faster than a poll could see the jig empty.
        if (answered) {
            m_times.removal += NowMs() - m_phaseStart;
            m_phaseStart = m_moduleStart = NowMs();
            program();
            return;
        }
        // Silent: asked again at once, so one lost answer is not taken for an empty jig;
        // silent twice, the module is gone.
        m_silenceSeen = true;
        if (++m_silentPolls < 2) {
            after(0, [this] { pollRemoval(); });
            return;
        }
        m_times.removal += NowMs() - m_phaseStart;
        if (!m_guardLasts)
            m_guard = false;
        search();
    });
}

// ---- progress ---------------------------------------------------------------------------------

ProgressBoard::ProgressBoard(const QList<ProductionWorker*>& workers, QObject* parent)
    : QObject(parent), m_workers(workers), m_terminal(::isatty(STDERR_FILENO))
{
    for (ProductionWorker* w : workers) {
        connect(w, &ProductionWorker::changed, this, &ProgressBoard::draw);
        connect(w, &ProductionWorker::notice, this, &ProgressBoard::note);
    }
}

void ProgressBoard::note(const QString& text)
{
    QString out;
    // Over the board, which is then drawn again below it.
    if (m_terminal && m_drawn)
        out += QStringLiteral("\x1b[%1A\r\x1b[2K").arg(m_drawn);
    out += QStringLiteral("rfmodctl: ") + text + QLatin1Char('\n');
    std::fputs(qPrintable(out), stderr);
    std::fflush(stderr);
    if (m_terminal && m_drawn) {
        m_drawn = 0;
        draw();
    }
}

void ProgressBoard::draw()
{
    QStringList lines;
    for (ProductionWorker* w : m_workers) {
        QString line = QStringLiteral("COM%1: %2 ok, %3 failed - %4").arg(w->port()).arg(w->programmed()).arg(w->failed()).arg(w->state());
        if (!w->lastResult().isEmpty())
            line += QStringLiteral(" - last: ") + w->lastResult();
        lines << line;
    }
    if (m_terminal) {
        // Back over the lines drawn before, each line cleared and drawn again.
        QString out;
        if (m_drawn)
            out += QStringLiteral("\x1b[%1A").arg(m_drawn);
        for (const QString& l : lines)
            out += QStringLiteral("\r\x1b[2K") + l + QLatin1Char('\n');
        std::fputs(qPrintable(out), stderr);
        m_drawn = int(lines.size());
    } else {
        for (int i = 0; i < lines.size(); ++i)
            if (lines[i] != m_last.value(i))
                std::fprintf(stderr, "%s\n", qPrintable(lines[i]));
    }
    std::fflush(stderr);
    m_last = lines;
}

} // namespace Cli
