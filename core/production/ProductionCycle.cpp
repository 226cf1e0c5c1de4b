#include "ProductionCycle.h"

#include "core/base/Clock.h"
#include "core/config/Csv.h"
#include "core/config/ToolConfig.h"
#include "core/model/Catalogue.h"
#include "core/production/ModuleReport.h"
#include "core/session/Jobs.h"
#include "core/session/RadioSearch.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>

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
FailReason ReasonOf(const JobResult& r)
{
    switch (r.transaction) {
    case TransactionOutcome::TimedOut:
    case TransactionOutcome::Cancelled:
    case TransactionOutcome::Superseded: return FailReason::NoAnswer;
    case TransactionOutcome::Refused:
    case TransactionOutcome::PortLost: return FailReason::PortTrouble;
    default: return FailReason::ModuleRefused;
    }
}

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
            QStringLiteral("detail"),        QStringLiteral("work_order")};
}

bool ProductionLog::open(const QString& path, QString* error)
{
    m_file.setFileName(path);
    const bool fresh = !QFileInfo(path).exists() || QFileInfo(path).size() == 0;
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = QStringLiteral("%1: %2").arg(path, m_file.errorString());
        return false;
    }
    m_columns = int(Header().size());
    if (fresh) {
        append(Header());
        return true;
    }
    // A file begun by an earlier version has no work-order column: its lines stay as they were.
    QFile read(path);
    if (read.open(QIODevice::ReadOnly) && !read.readLine().trimmed().endsWith("work_order"))
        m_columns = m_columns - 1;
    return true;
}

void ProductionLog::append(const QStringList& fields)
{
    if (!m_file.isOpen())
        return;
    m_file.write(Csv::Row(fields.mid(0, m_columns)).toUtf8());
    m_file.flush();
}

// ---- worker -----------------------------------------------------------------------------------

ProductionJig::ProductionJig(const ProductionSetup& setup, int port, SerialNumberPool* pool, ProductionStore* db,
                             ProductionLog* log, QObject* parent)
    : QObject(parent), m_setup(setup), m_port(port), m_pool(pool), m_db(db), m_log(log), m_homeLine(setup.line)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (const auto then = std::exchange(m_then, nullptr))
            then();
    });
}

void ProductionJig::after(int ms, std::function<void()> then)
{
    m_then = std::move(then);
    m_timer.start(ms);
}

ProductionJig::~ProductionJig() = default;

void ProductionJig::setState(JigState state)
{
    m_state = state;
    emit changed();
}

QString ProductionJig::portName() const
{
    return QStringLiteral("COM%1").arg(m_port);
}

void ProductionJig::tell(JigNotice::Kind kind, const QString& why, const QString& text)
{
    emit notice(JigNotice{kind, why, portName() + QStringLiteral(": ") + text});
}

QString ProductionJig::StateText(JigState state, const QString& problem, bool mustSeeEmpty)
{
    switch (state) {
    case JigState::Idle: return QStringLiteral("starting");
    case JigState::WaitingForModule:
    case JigState::Searching: return QStringLiteral("waiting for a module");
    case JigState::Writing: return QStringLiteral("writing");
    case JigState::Numbering: return QStringLiteral("numbering");
    case JigState::Verifying: return QStringLiteral("verifying");
    case JigState::KeepingRecord: return QStringLiteral("keeping the record, trying again");
    case JigState::TakeAway:
        // A failed module that carries no number of ours looks like the next fresh one: only
        // an empty jig tells them apart.
        return mustSeeEmpty ? QStringLiteral("take the module away (the jig must be seen empty: the next module looks the same)")
                            : QStringLiteral("take the module away");
    case JigState::WaitingForDatabase: return QStringLiteral("waiting for the production database");
    case JigState::PortTrouble: return problem + QStringLiteral(", trying again");
    case JigState::Paused: return QStringLiteral("paused");
    case JigState::Done: return QStringLiteral("done");
    case JigState::Stopped: return QStringLiteral("stopped");
    }
    return QString();
}

void ProductionJig::start()
{
    m_stopped = false;
    m_finished = false;
    openPort();
}

void ProductionJig::halt(JigState as)
{
    m_stopped = true;
    m_timer.stop();
    m_then = nullptr;
    // The command in flight is cancelled.
    if (m_client)
        m_client->cancel();
    if (m_verifyFrom >= 0 || m_claim.isValid())
        recordInterrupted(QStringLiteral("stopped while programming"));
    m_verifyFrom = -1;
    // The port is let go, another program may use it while the jig rests; later, as this may
    // run inside one of the client's own signals.
    if (ModuleClient* client = m_client.release()) {
        disconnect(client, nullptr, this, nullptr);
        disconnect(&client->session(), nullptr, this, nullptr);
        // Closed now: a port held until the event loop deletes the client keeps its lock.
        if (client->session().link().isOpen())
            client->session().link().close();
        client->deleteLater();
    }
    m_guard = false;
    setState(as);
}

void ProductionJig::stop()
{
    if (m_state != JigState::Done)
        halt(JigState::Stopped);
    if (!m_finished) {
        m_finished = true;
        emit finished();
    }
}

void ProductionJig::pause()
{
    if (!m_stopped)
        halt(JigState::Paused);
}

void ProductionJig::resume()
{
    if (m_state == JigState::Paused)
        start();
}

void ProductionJig::portProblem(const QString& what)
{
    if (m_stopped)
        return;
    if (m_client)
        m_client->cancel();
    if (m_claim.isValid())
        recordInterrupted(what + QStringLiteral(" while programming"));
    m_verifyFrom = -1;
    m_problem = what;
    setState(JigState::PortTrouble);
    after(kReopenMs, [this] {
        m_client.reset();
        openPort();
    });
}

void ProductionJig::openPort()
{
    if (m_stopped)
        return;
    QString why;
    m_client = ModuleClient::Open(m_setup.edition, m_port, m_homeLine, m_setup.timeoutMs, m_setup.gapMs, &why);
    m_wontOpen = !m_client;
    if (!m_client) {
        portProblem(why);
        return;
    }
    m_client->setSearchStepInterval(m_setup.searchStepMs);
    emit portOpened(&m_client->session());
    connect(&m_client->session(), &ModuleSession::portLost, this, [this] { portProblem(QStringLiteral("port lost")); });
    connect(&m_client->session(), &ModuleSession::blockReceived, this, [this] { ++m_times.answers; });
    connect(m_client.get(), &ModuleClient::commandAnswered, this, &ProductionJig::onAnswered);
    search();
}

void ProductionJig::search()
{
    if (m_stopped)
        return;
    setState(JigState::WaitingForModule);
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

void ProductionJig::pollHome()
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

void ProductionJig::sweep()
{
    setState(JigState::Searching);
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

void ProductionJig::program()
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
    setState(JigState::Writing);
    m_claim = SerialClaim{};
    m_claimOutcome = ClaimState::Unconfirmed;
    const QString unknown = UnknownModel(m_found, m_setup.edition);
    if (!unknown.isEmpty() && !m_setup.anyModel) {
        fail(FailReason::UnknownModel, unknown);
        return;
    }
    const QStringList problems = unknown.isEmpty()
        ? Profiles::Check(m_setup.profile, m_found.identity.modelRow, m_setup.edition.keyword)
        : QStringList();
    if (!problems.isEmpty()) {
        fail(FailReason::ProfileNotForModel, problems.join(QStringLiteral("; ")));
        return;
    }
    if (m_setup.numbered) {
        settleOwed();
        const ToolConfig::Sn sn = ToolConfig::ReadSn(m_setup.configPath);
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
        if (!m_pool->take(series, first, ClaimOwner{m_setup.station, portName()}, &claim, &e)) {
            if (e.kind == StoreError::Kind::Unreachable && m_db) {
                m_retryClaimId = claim.id;
                databaseLost(e.text);
            } else {
                fail(FailReason::Database, e.text);
            }
            return;
        }
        m_retryClaimId.clear();
        m_claim = claim;
        if (m_dbLost) {
            m_dbLost = false;
            tell(JigNotice::Kind::DatabaseBack, QString(),
                 QStringLiteral("the production database %1 is back").arg(m_db->location().text()));
        }
    }
    m_verifyFrom = -1;
    m_client->start(Jobs::WriteProfile(s, m_setup.profile), [this](const JobResult& r) {
        if (r.outcome != JobOutcome::Done) {
            m_times.write += NowMs() - m_phaseStart;
            fail(ReasonOf(r), DescribeJob(r));
            return;
        }
        number();
    });
}

void ProductionJig::number()
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
                fail(FailReason::Database, e.text);
            }
            return;
        }
        setState(JigState::Numbering);
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
        setState(JigState::Verifying);
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
            fail(ReasonOf(r), DescribeJob(r));
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
            record(true, FailReason::None, QString());
        else
            fail(FailReason::Mismatch, differences.join(QStringLiteral("; ")));
    });
}

void ProductionJig::onAnswered()
{
    if (m_verifyFrom < 0)
        return;
    if (++m_answered == m_verifyFrom) {
        m_times.write += NowMs() - m_phaseStart;
        m_phaseStart = NowMs();
        setState(JigState::Verifying);
    }
}

void ProductionJig::fail(FailReason reason, const QString& detail)
{
    // A write the module did not take may have moved the PC port away from it.
    ModuleSession& s = m_client->session();
    if (s.link().line() != m_foundLine && s.openPort(m_port, m_foundLine).status() != LinkStatus::Ok) {
        record(false, reason, detail);
        return;
    }
    // What the verify read is kept for the record should the module not answer again.
    const ModuleReadings read = m_client->readings();
    s.clearReadings();
    m_client->start({JobStep::Send(Requests::ReadAll())}, [this, reason, detail, read](const JobResult& r) {
        record(false, reason, detail, r.outcome == JobOutcome::Done ? nullptr : &read);
    });
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

void ProductionJig::record(bool ok, FailReason reason, const QString& detail, const ModuleReadings* readings)
{
    const ModuleReadings r = ReadBack(m_found, readings ? *readings : m_client->readings());
    const QJsonObject m = ModuleJson(r, m_client->session().link().line(), m_setup.edition);
    auto value = [&](const char* key) {
        const QJsonValue v = m.value(QLatin1String(key));
        return v.isDouble() ? QString::number(v.toInt()) : v.toString();
    };
    // A number whose write never left the PC goes back before the record names it.
    if (m_claim.isValid() && m_claim.state == ClaimState::Allocated)
        leaveClaim();
    m_pending = JigRecord{newRecord(r.identity), reason};
    ModuleRecord& p = m_pending.record;
    // The number meant for it once its write went out (a failed one's too), else the one it carries.
    if (m_claim.isValid()) {
        p.number = m_claim.number();
        p.claimId = m_claim.id;
        p.claimState = m_claimOutcome;
    } else if (r.hasSerialNumber) {
        p.number = r.serialNumber;
    }
    p.readBack = m;
    p.ok = ok;
    p.detail = detail;
    QString number;
    if (m_claim.isValid() && ok)
        number = Pad5(m_claim.sequence);
    m_pending.numbered = !number.isEmpty();
    m_recorded = r;
    m_guard = true;
    // Carrying a number written here, the module cannot be taken for another one.
    m_guardLasts = m_claim.isValid() && m_claimOutcome == ClaimState::Confirmed;
    // The claim goes with the record; without a database, Config.ini keeps no states.
    if (!m_db && m_claim.isValid())
        m_pool->advance(&m_claim, m_claimOutcome, nullptr);
    m_claim = SerialClaim{};
    m_pendingCsv = QStringList{LocalTimeText(p.time), portName(),
                               value("baud"), value("parity"), value("family"), value("firmware"), value("band"), value("model"),
                               number, value("channel"), value("frequency"), value("air_rate"), value("serial_baud"),
                               value("serial_parity"), value("protocol"), value("power_save"), value("radio_id"),
                               ok ? QStringLiteral("ok") : QStringLiteral("failed"), detail, m_setup.workOrder};
    m_recordHeld = false;
    commitRecord();
}

ModuleRecord ProductionJig::newRecord(const Identity& identity) const
{
    ModuleRecord r;
    r.id = ProductionStore::NewId();
    r.time = QDateTime::currentDateTimeUtc();
    r.station = m_setup.station;
    r.workOrder = m_setup.workOrder;
    r.port = portName();
    r.line = SerialSettings{m_foundLine.baud, ParityOfChar(m_foundLine.parity)};
    r.identity = identity;
    r.written = ProfileJson(m_setup.profile, m_setup.edition);
    r.durationMs = NowMs() - m_moduleStart;
    return r;
}

void ProductionJig::recordInterrupted(const QString& why)
{
    if (!m_claim.isValid() || m_claim.state == ClaimState::Allocated) {
        leaveClaim();
        return;
    }
    // The write went out and no read-back came: the module may carry the number.
    ModuleRecord r = newRecord(m_found.identity);
    r.claimId = m_claim.id;
    r.claimState = ClaimState::Unconfirmed;
    r.number = m_claim.number();
    r.detail = why + QStringLiteral(": the module may carry the number");
    QString error;
    if (m_db && !m_db->record(r, &error))
        tell(JigNotice::Kind::RecordLost, error, QStringLiteral("the record of the module cannot be kept: %1").arg(error));
    if (m_log)
        m_log->append({LocalTimeText(r.time), r.port, QString::number(r.line.baud), ParityName(r.line.parity),
                       QString(), QString(), QString(), QString(), Pad5(m_claim.sequence), QString(), QString(), QString(),
                       QString(), QString(), QString(), QString(), QString(), QStringLiteral("failed"), r.detail,
                       m_setup.workOrder});
    if (!m_db)
        m_pool->advance(&m_claim, ClaimState::Unconfirmed, nullptr);
    m_claim = SerialClaim{};
    // Not counted as a module done (the module was not finished), but a record all the same.
    m_last = JigRecord{r, FailReason::Interrupted};
    emit recorded(m_last);
}

void ProductionJig::commitRecord()
{
    if (m_db) {
        QString why;
        if (!m_db->record(m_pending.record, &why)) {
            // Neither the database nor the spill file took it: the module is not done yet.
            if (!m_recordHeld)
                tell(JigNotice::Kind::RecordHeld, why,
                     QStringLiteral("the record of the module cannot be kept: %1; trying again").arg(why));
            m_recordHeld = true;
            setState(JigState::KeepingRecord);
            after(kDatabaseRetryMs, [this] { commitRecord(); });
            return;
        }
        if (m_db->lastError().kind == StoreError::Kind::Taken) {
            // Another module carries the number with an ok record: this one is no good.
            m_pending.record.ok = false;
            m_pending.record.detail = why;
            m_pending.reason = FailReason::NumberTaken;
            m_pending.numbered = false;
            m_pendingCsv[8].clear();
            m_pendingCsv[17] = QStringLiteral("failed");
            m_pendingCsv[18] = why;
            m_guardLasts = false;
            tell(JigNotice::Kind::NumberTaken, why, why);
        } else if (!why.isEmpty()) {
            const QString reason = Why(why, m_db->location());
            tell(JigNotice::Kind::RecordSpilled, reason,
                 QStringLiteral("the production database %1 did not take the record (%2): it waits in %3")
                     .arg(m_db->location().text(), reason, m_setup.spillPath));
        }
    }
    done();
}

void ProductionJig::done()
{
    if (m_log)
        m_log->append(m_pendingCsv);
    m_pending.record.ok ? ++m_ok : ++m_failed;
    m_last = m_pending;
    // The last module of the run need not be taken away first.
    if (m_setup.count > 0 && m_ok + m_failed >= m_setup.count) {
        setState(JigState::Done);
        m_finished = true;
        emit recorded(m_last);
        emit finished();
        return;
    }
    // The state the record leaves the jig in comes first: a watcher sees PASS or FAIL at once.
    awaitRemoval();
    emit recorded(m_last);
}

void ProductionJig::leaveClaim()
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

void ProductionJig::settleOwed()
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

void ProductionJig::databaseLost(const QString& why)
{
    if (!m_dbLost) {
        m_dbLost = true;
        const QString reason = Why(why, m_db->location());
        tell(JigNotice::Kind::DatabaseLost, reason,
             QStringLiteral("the production database %1 is lost (%2): no module is numbered until it is back, trying "
                            "again every %3 s")
                 .arg(m_db->location().text(), reason)
                 .arg(kDatabaseRetryMs / 1000));
    }
    setState(JigState::WaitingForDatabase);
    // The module in hand got nothing; it is looked for again (it may have been swapped).
    after(kDatabaseRetryMs, [this] { search(); });
}

void ProductionJig::awaitRemoval()
{
    if (m_stopped)
        return;
    setState(JigState::TakeAway);
    m_phaseStart = NowMs();
    m_silentPolls = 0;
    m_alikePolls = 0;
    m_silenceSeen = false;
    after(kRemovalPollMs, [this] { pollRemoval(); });
}

// One look at the jig while the module just recorded should be taken away.
void ProductionJig::pollRemoval()
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

