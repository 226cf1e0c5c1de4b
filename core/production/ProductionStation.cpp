#include "ProductionStation.h"

#include "core/config/IniFile.h"
#include "core/config/SerialNumberStore.h"
#include "core/model/Profile.h"

#include <QDateTime>
#include <QFile>
#include <QTimer>

namespace {

const QString kSection = QStringLiteral("Station");

SystemClock g_systemClock;

// The fields of one CSV line (quoted fields with doubled quotes).
QStringList CsvFields(const QString& line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < line.size() && line[i + 1] == QLatin1Char('"'))
                field += line[++i];
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                field += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
}

} // namespace

StationSettings StationSettings::Read(const QString& configPath)
{
    const IniFile ini(configPath);
    StationSettings s;
    s.profilePath = ini.ReadString(kSection, QStringLiteral("Profile"), QString());
    for (const QString& p : ini.ReadString(kSection, QStringLiteral("Ports"), QString()).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int port = p.trimmed().toInt();
        if (port >= 1 && port <= 255 && !s.ports.contains(port) && s.ports.size() < ProductionStation::kMaxJigs)
            s.ports << port;
    }
    s.line.baud = ini.ReadInteger(kSection, QStringLiteral("Baud"), 9600);
    s.line.parity = Profiles::ParityOfName(ini.ReadString(kSection, QStringLiteral("Parity"), QStringLiteral("none")));
    if (s.line.parity == Parity::Unknown)
        s.line.parity = Parity::None;
    s.gapMs = qBound(0, ini.ReadInteger(kSection, QStringLiteral("Gap"), 0), 3000);
    s.timeoutMs = qBound(50, ini.ReadInteger(kSection, QStringLiteral("Timeout"), 1000), 10000);
    s.numbered = ini.ReadBool(kSection, QStringLiteral("Numbered"), true);
    s.useDatabase = ini.ReadBool(kSection, QStringLiteral("Database"), false);
    s.workOrder = ini.ReadString(kSection, QStringLiteral("Order"), QString());
    s.logPath = ini.ReadString(kSection, QStringLiteral("Log"), QString());
    s.beep = ini.ReadBool(kSection, QStringLiteral("Beep"), false);
    return s;
}

bool StationSettings::write(const QString& configPath) const
{
    return IniFile::Update(configPath, [&](IniFile& ini) {
        QStringList ports;
        for (int p : this->ports)
            ports << QString::number(p);
        ini.SetString(kSection, QStringLiteral("Profile"), profilePath);
        ini.SetString(kSection, QStringLiteral("Ports"), ports.join(QLatin1Char(',')));
        ini.SetInteger(kSection, QStringLiteral("Baud"), line.baud);
        ini.SetString(kSection, QStringLiteral("Parity"), ParityName(line.parity));
        ini.SetInteger(kSection, QStringLiteral("Gap"), gapMs);
        ini.SetInteger(kSection, QStringLiteral("Timeout"), timeoutMs);
        ini.SetBool(kSection, QStringLiteral("Numbered"), numbered);
        ini.SetBool(kSection, QStringLiteral("Database"), useDatabase);
        ini.SetString(kSection, QStringLiteral("Order"), workOrder);
        ini.SetString(kSection, QStringLiteral("Log"), logPath);
        ini.SetBool(kSection, QStringLiteral("Beep"), beep);
        return true;
    });
}

ProductionStation::ProductionStation(QObject* parent, Clock* clock)
    : QObject(parent), m_clock(clock ? clock : &g_systemClock)
{
    m_shiftStart = m_clock->nowMs();
}

ProductionStation::~ProductionStation()
{
    // The jigs first: they hold the pool, the database and the log.
    stopAll();
    clearJigs();
}

void ProductionStation::clearJigs()
{
    for (ProductionJig* jig : std::as_const(m_jigs)) {
        disconnect(jig, nullptr, this, nullptr);
        delete jig;
    }
    m_jigs.clear();
    m_counts.clear();
}

ProductionStation::StartResult ProductionStation::start(const ProductionSetup& setup, const QList<int>& ports,
                                                        const DatabaseLocation& database, const QString& logPath)
{
    if (m_running)
        return StartResult{};
    if (ports.isEmpty())
        return StartResult{Problem::NoPorts, QString(), StoreError::Kind::None};
    if (ports.size() > kMaxJigs)
        return StartResult{Problem::TooManyPorts, QString::number(ports.size()), StoreError::Kind::None};
    if (setup.profile.isEmpty())
        return StartResult{Problem::EmptyProfile, QString(), StoreError::Kind::None};
    clearJigs();
    m_pool.reset();
    m_db.reset();
    m_log.reset();
    // Reached before any module is touched: without it no number is taken and nothing recorded.
    if (database.isSet()) {
        m_db = std::make_unique<ProductionStore>(database, setup.spillPath);
        m_db->setStation(setup.station);
        QString why;
        if (!m_db->open(&why)) {
            const StoreError e = m_db->lastError();
            m_db.reset();
            return StartResult{Problem::Database, e.text.isEmpty() ? why : e.text, e.kind};
        }
    } else if (setup.numbered) {
        // A number that cannot be recorded is never written.
        QString why;
        if (!SerialNumberStore(setup.configPath).checkWritable(&why))
            return StartResult{Problem::ConfigUnwritable, why, StoreError::Kind::None};
    }
    if (!logPath.isEmpty()) {
        m_log = std::make_unique<ProductionLog>();
        QString why;
        if (!m_log->open(logPath, &why)) {
            m_log.reset();
            m_db.reset();
            return StartResult{Problem::LogUnwritable, why, StoreError::Kind::None};
        }
    }
    m_pool = m_db ? SerialNumberPools::OfStore(m_db.get()) : SerialNumberPools::OfConfig(setup.configPath);
    m_setup = setup;
    loadRecent(logPath);
    for (int i = 0; i < ports.size(); ++i) {
        auto* jig = new ProductionJig(setup, ports[i], m_pool.get(), m_db.get(), m_log.get(), this);
        m_jigs << jig;
        m_counts << Counts{};
        connect(jig, &ProductionJig::changed, this, [this, i] { emit jigChanged(i); });
        connect(jig, &ProductionJig::recorded, this, [this, i](const JigRecord& r) { onRecorded(i, r); });
        connect(jig, &ProductionJig::notice, this, &ProductionStation::notice);
        // With a count, the station stops once every jig has done its modules.
        connect(jig, &ProductionJig::finished, this, [this] {
            for (const ProductionJig* j : std::as_const(m_jigs))
                if (!j->isFinished())
                    return;
            QTimer::singleShot(0, this, &ProductionStation::stopAll);
        });
    }
    m_running = true;
    m_runningSince = m_clock->nowMs();
    emit runningChanged(true);
    for (ProductionJig* jig : std::as_const(m_jigs))
        jig->start();
    return StartResult{};
}

void ProductionStation::stopAll()
{
    if (!m_running)
        return;
    for (ProductionJig* jig : std::as_const(m_jigs))
        jig->stop();
    m_running = false;
    m_ranMs += m_clock->nowMs() - m_runningSince;
    m_runningSince = -1;
    // What waited in the spill file goes in now if the database is back.
    if (m_db && m_db->spilledCount() > 0) {
        QString ignored;
        m_db->open(&ignored);
    }
    emit runningChanged(false);
}

void ProductionStation::pause(int jig)
{
    if (m_running && jig >= 0 && jig < m_jigs.size())
        m_jigs[jig]->pause();
}

void ProductionStation::resume(int jig)
{
    if (m_running && jig >= 0 && jig < m_jigs.size())
        m_jigs[jig]->resume();
}

int ProductionStation::waitingRecords() const
{
    return m_db ? m_db->spilledCount() : 0;
}

void ProductionStation::onRecorded(int jig, const JigRecord& record)
{
    Counts& c = m_counts[jig];
    record.record.ok ? ++c.passed : ++c.failed;
    m_done << qMakePair(m_clock->nowMs(), record.record.ok);
    m_recent.prepend(record);
    while (m_recent.size() > kRecentRecords)
        m_recent.removeLast();
    emit recorded(jig, record);
}

ProductionStation::Totals ProductionStation::totals() const
{
    Totals t;
    const qint64 now = m_clock->nowMs();
    int recent = 0;
    for (const auto& d : m_done) {
        d.second ? ++t.passed : ++t.failed;
        if (now - d.first <= kBinMs)
            ++recent;
    }
    const int all = t.passed + t.failed;
    t.yieldPercent = all ? 100.0 * t.passed / all : 0;
    t.runningMs = m_ranMs + (m_runningSince >= 0 ? now - m_runningSince : 0);
    // Over the last ten minutes, or the time run when shorter (at least a minute, so the first
    // module does not make a rate of thousands).
    const qint64 span = std::max<qint64>(60 * 1000, std::min<qint64>(kBinMs, t.runningMs));
    t.perHour = recent * 3600000.0 / span;
    return t;
}

QList<ProductionStation::Bin> ProductionStation::bins() const
{
    QList<Bin> out;
    const qint64 now = m_clock->nowMs();
    const int count = int((now - m_shiftStart) / kBinMs) + 1;
    for (int i = 0; i < count; ++i)
        out << Bin{i * kBinMs, 0, 0};
    for (const auto& d : m_done) {
        Bin& b = out[int(std::clamp<qint64>((d.first - m_shiftStart) / kBinMs, 0, count - 1))];
        d.second ? ++b.passed : ++b.failed;
    }
    return out;
}

void ProductionStation::resetShift()
{
    const qint64 now = m_clock->nowMs();
    m_shiftStart = now;
    m_done.clear();
    m_ranMs = 0;
    if (m_runningSince >= 0)
        m_runningSince = now;
    for (Counts& c : m_counts)
        c = Counts{};
}

void ProductionStation::loadRecent(const QString& logPath)
{
    // Records of earlier runs keep their stored detail; the kind of a failure is not stored.
    m_recent.clear();
    if (m_db) {
        HistoryFilter filter;
        filter.station = m_setup.station;
        filter.limit = kRecentRecords;
        QList<ModuleRecord> records;
        QString ignored;
        if (m_db->history(filter, &records, &ignored))
            for (const ModuleRecord& r : std::as_const(records))
                m_recent << JigRecord{r, FailReason::None, r.ok && r.number.sequence >= 0};
        return;
    }
    QFile f(logPath);
    if (logPath.isEmpty() || !f.open(QIODevice::ReadOnly))
        return;
    // The tail of the log is enough for the last records.
    if (f.size() > 256 * 1024)
        f.seek(f.size() - 256 * 1024);
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    static const char* const kRead[] = {"channel", "frequency", "air_rate", "serial_baud", "serial_parity",
                                        "protocol", "power_save", "radio_id"};
    for (int i = int(lines.size()) - 1; i >= 1 && m_recent.size() < kRecentRecords; --i) {
        const QStringList f = CsvFields(lines[i]);
        if (f.size() < 19 || (f[17] != QLatin1String("ok") && f[17] != QLatin1String("failed")))
            continue;
        ModuleRecord r;
        r.time = QDateTime::fromString(f[0], Qt::ISODate).toUTC();
        r.port = f[1];
        r.line = SerialSettings{f[2].toInt(), Profiles::ParityOfName(f[3])};
        r.readBack.insert(QStringLiteral("model"), f[7]);
        for (int k = 0; k < 8; ++k)
            if (!f[9 + k].isEmpty())
                r.readBack.insert(QLatin1String(kRead[k]), f[9 + k]);
        r.number.sequence = f[8].isEmpty() ? -1 : f[8].toInt();
        r.ok = f[17] == QLatin1String("ok");
        r.detail = f[18];
        r.workOrder = f.value(19);
        r.station = m_setup.station;
        m_recent << JigRecord{r, FailReason::None, r.ok && r.number.sequence >= 0};
    }
}
