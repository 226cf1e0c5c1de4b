#include "fuzz_entries.h"

#include "core/config/ConfigFile.h"
#include "core/config/IniFile.h"
#include "core/link/PComm.h"
#include "core/link/SimulatedPorts.h"
#include "core/link/SioBackend.h"
#include "core/model/Catalogue.h"
#include "core/model/Profile.h"
#include "core/production/ProductionStore.h"
#include "core/protocol/HexText.h"
#include "core/session/ModuleSession.h"
#include "core/session/PairTest.h"
#include "tools/emulator/ModuleEmulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <cstdlib>
#include <cstdio>
#include <map>
#include <memory>

namespace FuzzEntries {

namespace {

std::function<void(const QString&)>& FailureHandler()
{
    static std::function<void(const QString&)> handler;
    return handler;
}

void Check(bool holds, const QString& what)
{
    if (holds)
        return;
    if (FailureHandler()) {
        FailureHandler()(what);
        return;
    }
    std::fprintf(stderr, "property broken: %s\n", qPrintable(what));
    std::abort();
}

// Reads the input front to back; past the end every byte reads as 0.
class Reader {
public:
    explicit Reader(const QByteArray& input) : m_data(input) {}
    int byte() { return m_pos < m_data.size() ? static_cast<unsigned char>(m_data.at(m_pos++)) : 0; }
    QByteArray take(int n)
    {
        const QByteArray out = m_data.mid(m_pos, n);
        m_pos += out.size();
        return out;
    }
    QByteArray rest() { return take(static_cast<int>(m_data.size() - m_pos)); }
    bool atEnd() const { return m_pos >= m_data.size(); }

private:
    QByteArray m_data;
    qsizetype m_pos = 0;
};

// Scratch directory for the whole run (the INI files fuzzed, the sessions' Config.ini).
QTemporaryDir& Scratch()
{
    static QTemporaryDir dir;
    return dir;
}

// An application when the caller has none (the fuzz programs).
void EnsureApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "rfmodfuzz";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv); // lives until the process ends
}

const char* const kEditions[] = {"", "KESTRAVONIX", "VORDAL", "GERMAN", "PLOVAR", "QOV"};

const char* const kCommands[] = {
    "8001", "8002", "8003", "8004", "8005", "8006", "8007", "8008", "8009", "800A", "800B",
    "800C", "800D", "800E", "800F", "8010", "8011", "8012", "8013", "8014", "8015", "8016",
    "8017", "8019", "40408012", "40408013", "", "0000"};

template <typename T, size_t N>
constexpr int Count(const T (&)[N]) { return static_cast<int>(N); }

// One session (with its pair test) per edition for every input: a session per input would be
// far too slow. Each sits on the simulated module behind COM1, so sends go somewhere, and
// runs on a clock of its own, so the quiet time costs no real time.
struct Station {
    std::unique_ptr<ModuleSession> session;
    std::unique_ptr<PairTest> pair;
    ManualClock clock;
};

std::map<QString, Station>& Stations()
{
    static std::map<QString, Station> s;
    return s;
}

Station& StationFor(int editionByte)
{
    const QString edition = QString::fromLatin1(kEditions[(editionByte & 0x0F) % Count(kEditions)]);
    Station& st = Stations()[edition];
    if (st.session)
        return st;
    EnsureApplication();
    QFile cfg(QDir(Scratch().path()).filePath(QStringLiteral("Config.ini")));
    if (cfg.open(QIODevice::WriteOnly | QIODevice::Truncate))
        cfg.write("[Ports]\r\nCOM1=sim\r\n");
    cfg.close();
    ConfigFile::setDirectory(Scratch().path());
    st.session = std::make_unique<ModuleSession>(Edition{edition, QString(), 0});
    st.session->setClock(&st.clock);
    st.session->openPort(1, LineSettings{});
    st.pair = std::make_unique<PairTest>(*st.session);
    return st;
}

// Puts a station back so one input cannot change how the next one runs.
void Settle(Station& st)
{
    st.session->cancel(st.session->currentTransaction());
    st.pair->setProgress(PairTest::Progress{});
    st.pair->stop();
    st.session->setWorkState(WorkState::Command);
    st.clock.ms += 100000;
    st.session->receiveNow();
    // Timers the input started (turn-round, a queued transaction) fire with nobody to act on them.
    QCoreApplication::processEvents();
    SimulatedPorts::takeWritten(1);
    if (ModuleEmulator* m = SimulatedPorts::emulator(1)) {
        m->takeForPc(SystemClock::monotonicMs());
        m->takeEvents();
    }
}

} // namespace

void SetFailureHandler(std::function<void(const QString&)> handler) { FailureHandler() = std::move(handler); }

void Shutdown()
{
    Stations().clear();
    PCommBackends::closeAll();
    SimulatedPorts::reset();
    ConfigFile::setDirectory(QString());
}

QStringList Targets()
{
    return {QStringLiteral("dispatch"), QStringLiteral("pairrx"), QStringLiteral("hex"),
            QStringLiteral("ini"), QStringLiteral("emulator"), QStringLiteral("spill"),
            QStringLiteral("dblocation"), QStringLiteral("profile")};
}

bool Run(const QString& target, const QByteArray& input)
{
    if (target == QLatin1String("dispatch"))
        Dispatch(input);
    else if (target == QLatin1String("pairrx"))
        PairReceive(input);
    else if (target == QLatin1String("hex"))
        Hex(input);
    else if (target == QLatin1String("ini"))
        Ini(input);
    else if (target == QLatin1String("emulator"))
        Emulator(input);
    else if (target == QLatin1String("spill"))
        Spill(input);
    else if (target == QLatin1String("dblocation"))
        DbLocation(input);
    else if (target == QLatin1String("profile"))
        ProfileFile(input);
    else
        return false;
    return true;
}

// ---- answers ---------------------------------------------------------------------------

// Byte 0: edition, framing; byte 1: last command and whether it is awaited; byte 2: not used any more
// (it chose a model row of the window); the rest is the answer. The framings wrap the rest
// with the right start, checksum and end so the fuzzer reaches the decoders, not only the
// validation.
void Dispatch(const QByteArray& input)
{
    Reader r(input);
    const int setting = r.byte();
    const int command = r.byte();
    r.byte();
    Station& st = StationFor(setting);
    const QByteArray body = r.rest();

    const QString hex = HexText::BytesToHexText(body, false);
    QStringList texts{hex, QString::fromLatin1(body)};
    switch ((setting >> 5) & 0x03) {
    case 1: {
        const QString covered = QStringLiteral("5A5A") + hex;
        texts.prepend(covered + HexText::Checksum(covered) + QStringLiteral("0D0A"));
        break;
    }
    case 2: {
        const QString covered = QStringLiteral("EDED") + hex;
        texts.prepend(covered + HexText::Checksum(covered));
        break;
    }
    case 3: {
        const QString covered = QStringLiteral("4040") + hex;
        texts.prepend(covered + HexText::Checksum(covered) + QStringLiteral("0D0A"));
        break;
    }
    default:
        break;
    }

    for (const QString& text : texts) {
        for (const bool isShort : {false, true}) {
            const Command recorded =
                Commands::FromCodeText(QString::fromLatin1(kCommands[(command & 0x3F) % Count(kCommands)]));
            // With the flag the command is also awaited, so the answer ends a transaction.
            if (command & 0x40)
                st.session->send(CommandRequest{recorded, QByteArray(1, '\0'), true});
            else
                st.session->recordCommand(recorded);
            if (isShort)
                st.session->DispatchShortAnswer(text);
            else
                st.session->DispatchLongAnswer(text);
        }
    }
    Settle(st);
}

// ---- received data -------------------------------------------------------------------------

// Byte 0: work state, stop flag, fixed gap, display as text; byte 1: edition; byte 2: test
// options (main send or receive, resend on return, appointed data, correction, counters);
// then a length byte and the block sent last, a length byte and the last good block, and
// what was received. The received bytes go through the session's reception (the line has
// been quiet long enough, so they are handed over at once) and straight to the pair test.
void PairReceive(const QByteArray& input)
{
    static const WorkState kStates[] = {WorkState::Idle,     WorkState::PairTest, WorkState::PairTimed,
                                        WorkState::Terminal, WorkState::Command,  WorkState::CommandOther,
                                        WorkState::Idle,     WorkState::PairTest};
    Reader r(input);
    const int flags = r.byte();
    Station& st = StationFor(r.byte());
    const int options = r.byte();
    const QByteArray sent = r.take(r.byte());
    const QByteArray good = r.take(r.byte());
    const QByteArray received = r.rest();
    ModuleSession& s = *st.session;
    PairTest& pair = *st.pair;

    pair.setRole((options & 0x01) ? PairRole::MainSend : PairRole::MainReceive);
    pair.setTimedSending(!(options & 0x04));
    pair.setAppointedData(options & 0x08, good);
    pair.setEchoCorrection(options & 0x10);
    pair.setTurnaround(0);
    s.setFrameGapOption(flags & 0x08, 300);
    s.setTerminalText(flags & 0x10);
    const WorkState state = kStates[flags & 0x07];

    auto prepare = [&] {
        if (!sent.isEmpty())
            s.sendData(sent, state);
        s.setWorkState(state);
        PairTest::Progress p;
        p.counters.sent = (options & 0x80) ? 3 : 0;
        p.counters.success = (options & 0x80) ? 5 : 0; // late echoes can outnumber the sends
        p.lastGoodData = good;
        p.stopped = flags & 0x20;
        p.resendBlocked = options & 0x20;
        p.firstFrameSeen = options & 0x40;
        pair.setProgress(p);
    };

    prepare();
    s.recordCommand(Commands::FromCodeText(QString::fromLatin1(kCommands[(flags >> 6) * 5 % Count(kCommands)])));
    s.receiveBytes(received);
    st.clock.ms += 100000;
    s.receiveNow();
    Check(s.assembler().isEmpty(), QStringLiteral("the reception kept received bytes after the quiet time"));

    prepare();
    const PairCounters before = pair.counters();
    pair.receive(received);
    // One block received is at most one block counted and at most one error.
    Check(pair.counters().received - before.received <= 1 && pair.counters().error - before.error <= 1,
          QStringLiteral("one received block counted more than once"));
    Settle(st);
}

// ---- hex helpers ---------------------------------------------------------------------------

void Hex(const QByteArray& input)
{
    // Whatever the text, the helpers answer without faults.
    for (const QString& text : {QString::fromLatin1(input), QString::fromUtf8(input)}) {
        const QByteArray bytes = HexText::HexTextToBytes(text);
        Check(bytes.size() <= (text.size() + 1) / 2, QStringLiteral("more bytes than hex digits"));
        HexText::HexTextToInt(text);
        HexText::HexByteValue(text.left(2));
        const QString sum = HexText::Checksum(text);
        Check(sum.size() == 2, QStringLiteral("checksum is not two digits: ") + sum);
    }

    // Round trip with and without separators.
    for (const bool separator : {false, true}) {
        const QString hex = HexText::BytesToHexText(input, separator);
        Check(hex.size() == input.size() * (separator ? 3 : 2), QStringLiteral("hex text length"));
        Check(HexText::HexTextToBytes(hex) == input, QStringLiteral("hex round trip lost bytes"));
    }

    // The checksum is the byte sum modulo 256 of what the text stands for.
    unsigned sum = 0;
    for (const char c : input)
        sum += static_cast<unsigned char>(c);
    const QString expected = QStringLiteral("%1").arg(sum & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
    Check(HexText::Checksum(HexText::BytesToHexText(input, false)) == expected,
          QStringLiteral("checksum differs from the byte sum"));

    // Up to four bytes read back as their big-endian value.
    const QByteArray head = input.left(4);
    quint32 value = 0;
    for (const char c : head)
        value = (value << 8) | static_cast<unsigned char>(c);
    Check(static_cast<quint32>(HexText::HexTextToInt(HexText::BytesToHexText(head, false))) == value,
          QStringLiteral("hex text to integer"));
}

// ---- Config.ini ----------------------------------------------------------------------------

namespace {

// Section names as written in the file, first few only.
QStringList SectionsIn(const QByteArray& data)
{
    QStringList out;
    QByteArray lines = data;
    lines.replace(QByteArray(1, '\0'), QByteArray()); // as the reader does
    lines.replace('\r', '\n');
    for (QByteArray line : lines.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[') && line.indexOf(']') > 1)
            out << QString::fromLocal8Bit(line.mid(1, line.indexOf(']') - 1).trimmed());
        if (out.size() >= 8)
            break;
    }
    out << QStringLiteral("Ports") << QStringLiteral("Ver") << QStringLiteral("Option") << QStringLiteral("SN");
    // Section names are case-insensitive: "OPTION" is the section "Option".
    QStringList unique;
    for (const QString& name : out)
        if (!unique.contains(name, Qt::CaseInsensitive))
            unique << name;
    return unique;
}

using Snapshot = QHash<QString, QString>; // "section\nkey" in lower case -> value

QString Name(const QString& section, const QString& key)
{
    // Keys are case-insensitive too, for ASCII letters only.
    QString name = section + QLatin1Char('\n') + key;
    for (QChar& c : name)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    return name;
}

Snapshot Read(const IniFile& ini, const QStringList& sections)
{
    Snapshot s;
    for (const QString& section : sections)
        for (const QString& key : ini.Keys(section))
            s.insert(Name(section, key), ini.ReadString(section, key, QStringLiteral("<none>")));
    return s;
}

} // namespace

// Byte 0 picks which key is written; the rest is the file.
void Ini(const QByteArray& input)
{
    Reader r(input);
    const int choice = r.byte();
    const QByteArray data = r.rest();
    const QString path = QDir(Scratch().path()).filePath(QStringLiteral("fuzz.ini"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return;
        f.write(data);
    }

    const QStringList sections = SectionsIn(data);
    Snapshot before;
    {
        IniFile ini(path);
        // The reads the tool makes at start.
        ini.ReadInteger(QStringLiteral("Option"), QStringLiteral("Delay time"), 333);
        ini.ReadBool(QStringLiteral("Option"), QStringLiteral("Frame delay"), false);
        ini.ReadString(QStringLiteral("Ver"), QStringLiteral("type"), QString());
        ini.HasKey(QStringLiteral("Ports"), QStringLiteral("COM1"));
        before = Read(ini, sections);
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            const QStringList sk = it.key().split(QLatin1Char('\n'));
            ini.ReadInteger(sk.at(0), sk.at(1), 0);
        }

        // One write as the tool makes them: to one of its own sections, a key of its own or
        // one the file already has there.
        static const char* const kOwn[][2] = {
            {"Ports", "COM1"}, {"Ver", "CEO"}, {"Option", "Delay time"}, {"SN", "NO"}};
        const auto& own = kOwn[choice % 4];
        const QString section = QString::fromLatin1(own[0]);
        const QStringList present = ini.Keys(section);
        const QString key = (choice & 0x80) && !present.isEmpty() ? present.first() : QString::fromLatin1(own[1]);
        const QString value = QString::number(choice * 7919);
        if (!ini.WriteString(section, key, value))
            return;
        Check(ini.ReadString(section, key, QString()) == value, QStringLiteral("written value not read back"));
        before.insert(Name(section, key), value);
    }

    // The file read anew holds the written key and everything else as it was.
    IniFile again(path);
    const Snapshot after = Read(again, sections);
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        Check(after.value(it.key(), QStringLiteral("<lost>")) == it.value(),
              QStringLiteral("key changed by a write: ") + QString(it.key()).replace(QLatin1Char('\n'), QLatin1Char('/'))
                  + QStringLiteral(" was ") + it.value() + QStringLiteral(" now ")
                  + after.value(it.key(), QStringLiteral("<lost>")));
    }
}

// ---- the emulator --------------------------------------------------------------------------

// Bytes 0-2: the PC's line settings and the module's faults; byte 3: length of an option
// text that follows; then blocks of one control byte (length and pause) and that many bytes.
void Emulator(const QByteArray& input)
{
    static const int kRates[] = {600, 1200, 2400, 4800, 9600, 19200, 38400, 57600};
    static const char kParities[] = {'N', 'E', 'O', 'S', 'M'};
    Reader r(input);
    const int line = r.byte();
    const int parity = r.byte();
    const int faults = r.byte();

    ModuleEmulator::Options o;
    QString error;
    const QByteArray optionText = r.take(r.byte() & 0x3F);
    if (!optionText.isEmpty() && !ModuleEmulator::ParseOptions(QString::fromLatin1(optionText), &o, &error))
        Check(!error.isEmpty(), QStringLiteral("option text refused without a reason"));

    SerialLine pc;
    pc.baud = kRates[line & 0x07];
    pc.parity = kParities[(parity & 0x0F) % 5];
    pc.dataBits = (parity & 0x10) ? 7 : 8;
    pc.stopBits = (parity & 0x20) ? 2 : 1;
    if (line & 0x80) { // module on the PC's settings, so the frames are understood
        o.baud = ModuleEmulator::CodeOfRate(pc.baud);
        o.parity = pc.parity == 'E' ? 1 : pc.parity == 'O' ? 2 : 0;
    }
    o.shortAnswers = faults & 0x01;
    o.badChecksum = faults & 0x02;
    o.splitMs = (faults & 0x04) ? 5 : 0;
    o.mute = faults & 0x08;
    o.echo = faults & 0x10;
    o.lateMs = (faults & 0x20) ? 7 : 0;

    ModuleEmulator a(o);
    ModuleEmulator::Options po = o;
    po.echo = true;
    ModuleEmulator b(po);
    std::unique_ptr<AirLink> air;
    if (faults & 0x40)
        air = std::make_unique<AirLink>(&a, &b);

    qint64 now = 1000;
    int guard = 0;
    while (!r.atEnd() && ++guard < 4096) {
        const int control = r.byte();
        a.receiveFromPc(r.take(control & 0x1F), pc, now);
        now += (control >> 5) * 3;
        if (control & 0x80) {
            const int ready = a.bytesReadyForPc(now);
            Check(ready >= 0, QStringLiteral("negative byte count"));
            const QByteArray got = a.takeForPc(now, control & 0x0F);
            Check(got.size() <= qMax(0, control & 0x0F), QStringLiteral("took more than asked"));
        }
    }
    // Let everything due happen, then read all that reached the PC.
    for (int i = 0; i < 256; ++i) {
        const qint64 next = a.nextEventMs();
        if (next < 0)
            break;
        now = qMax(now, next) + 1;
        a.advance(now);
        if (air)
            air->advance(now);
    }
    now += 60000;
    a.advance(now);
    const int ready = a.bytesReadyForPc(now);
    const QByteArray rest = a.takeForPc(now);
    Check(rest.size() == ready, QStringLiteral("ready count differs from what was taken"));
    a.takeEvents();
    b.takeForPc(now);
    b.takeEvents();
    a.serialSettings();
}

// ---- the production record -----------------------------------------------------------------

// The whole input is one line of a spill file (what a crash or a full disk may leave there).
// A line taken for a record must come back the same through SpillLine: the record is
// committed by its id, into the database the line names, so none of these may change.
void Spill(const QByteArray& input)
{
    QString database;
    ModuleRecord record;
    if (!ProductionStore::ParseSpillLine(input, &database, &record))
        return;
    Check(!record.id.isEmpty(), QStringLiteral("spill line taken without an id"));
    QString again;
    ModuleRecord back;
    const QByteArray line = ProductionStore::SpillLine(database, record);
    Check(!line.contains('\n'), QStringLiteral("spill line spans lines"));
    if (!ProductionStore::ParseSpillLine(line, &again, &back)) {
        Check(false, QStringLiteral("written spill line does not parse"));
        return;
    }
    Check(back.id == record.id, QStringLiteral("spill round trip changed the id"));
    Check(again == database, QStringLiteral("spill round trip changed the database"));
    Check(back.number.modelCode == record.number.modelCode && back.number.year == record.number.year
              && back.number.month == record.number.month && back.number.sequence == record.number.sequence,
          QStringLiteral("spill round trip changed the serial number"));
    Check(back.ok == record.ok, QStringLiteral("spill round trip changed the result"));
}

// The input as a database location (UTF-8, then Latin-1): one that is taken reads back the
// same from its own text, which is what the spill file names it by.
void DbLocation(const QByteArray& input)
{
    for (const QString& text : {QString::fromUtf8(input), QString::fromLatin1(input)}) {
        DatabaseLocation loc, again;
        QString error;
        if (!DatabaseLocation::Parse(text, &loc, &error)) {
            Check(!error.isEmpty(), QStringLiteral("location refused without a reason"));
            continue;
        }
        if (!DatabaseLocation::Parse(loc.text(), &again, &error)) {
            Check(false, QStringLiteral("the location's own text is refused: ") + error);
            continue;
        }
        Check(again.kind == loc.kind && again.path == loc.path && again.user == loc.user && again.host == loc.host
                  && again.port == loc.port && again.name == loc.name,
              QStringLiteral("the location's own text reads as another location: ") + loc.text());
    }
}

// ---- parameter profiles --------------------------------------------------------------------

// The whole input is a profile file (they come from other people's machines). One that is
// refused is told with a reason and leaves the caller's profile alone; one that is taken is
// written out and read back the same, and can be checked against any model.
void ProfileFile(const QByteArray& input)
{
    const QDir scratch(Scratch().path());
    const QString path = scratch.filePath(QStringLiteral("profile.ini"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return;
        f.write(input);
    }
    Profile untouched;
    untouched.channel = 3;
    Profile p = untouched;
    Profiles::ReadProblem problem;
    if (!Profiles::Read(path, &p, &problem)) {
        Check(problem.kind != Profiles::ReadProblem::None && !Profiles::Describe(problem).isEmpty(),
              QStringLiteral("profile refused without a reason"));
        Check(p == untouched, QStringLiteral("a refused profile changed what it was read into"));
        return;
    }
    for (const int row : {p.modelRow, 0, Catalogue::kRowCount - 1, -1})
        for (const char* edition : kEditions)
            Profiles::Check(p, row, QString::fromLatin1(edition));

    const QString again = scratch.filePath(QStringLiteral("profile-again.ini"));
    QString error;
    if (!Profiles::Write(again, p, &error)) {
        Check(false, QStringLiteral("profile not written: ") + error);
        return;
    }
    Profile back;
    if (!Profiles::Read(again, &back, &error)) {
        Check(false, QStringLiteral("a written profile is refused: ") + error);
        return;
    }
    Check(back == p, QStringLiteral("a written profile reads back as another"));
}

} // namespace FuzzEntries
