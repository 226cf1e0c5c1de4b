#include "fuzz_entries.h"

#include "app/GlobleVar.h"
#include "app/IniFile.h"
#include "app/Unit1.h"
#include "link/commfunction.h"
#include "support/FakeUi.h"
#include "tools/emulator/ModuleEmulator.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>

#include <cstdlib>
#include <cstdio>
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

// Scratch directory for the whole run (the window's Config.ini, the INI files fuzzed).
QTemporaryDir& Scratch()
{
    static QTemporaryDir dir;
    return dir;
}

// An offscreen application when the caller has none (the fuzz programs).
void EnsureApplication()
{
    if (QCoreApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "rfmodfuzz";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives until the process ends
}

struct WindowState {
    FakeUi* ui = nullptr;
    TForm1* form = nullptr;
    int appliedRow = -2; // model row and edition the window was last set up for
    QString appliedEdition;
};

WindowState& Shared()
{
    static WindowState w;
    return w;
}

// One real window for every input: making a window per input would be far too slow. It is
// not deleted at process exit, when the application (and Qt's own statics) may be gone.
WindowState& Window()
{
    WindowState& w = Shared();
    if (w.form)
        return w;
    EnsureApplication();
    w.ui = new FakeUi;
    w.ui->fakeClock = true; // chain waits and the poll's clock cost no real time
    const QString old = QDir::currentPath();
    QDir::setCurrent(Scratch().path());
    QFile cfg(QDir(Scratch().path()).filePath(QStringLiteral("Config.ini")));
    if (cfg.open(QIODevice::WriteOnly | QIODevice::Truncate))
        cfg.write("[Ports]\r\n");
    cfg.close();
    GlobleVar::ResetAll();
    w.form = new TForm1;
    // libFuzzer writes crash files into the current directory.
    QDir::setCurrent(old);
    return w;
}

const char* const kEditions[] = {"", "KESTRAVONIX", "VORDAL", "GERMAN", "PLOVAR", "QOV"};

const char* const kCommands[] = {
    "8001", "8002", "8003", "8004", "8005", "8006", "8007", "8008", "8009", "800A", "800B",
    "800C", "800D", "800E", "800F", "8010", "8011", "8012", "8013", "8014", "8015", "8016",
    "8017", "8019", "40408012", "40408013", "", "0000"};

template <typename T, size_t N>
constexpr int Count(const T (&)[N]) { return static_cast<int>(N); }

// Edition, language and model row from one byte each. The row is applied again whenever
// row or edition differ from the last input's, so an input runs the same whatever came before.
void ChooseSetting(TForm1& f, int editionByte, int rowByte)
{
    GlobleVar::EditionKeyword = QString::fromLatin1(kEditions[(editionByte & 0x0F) % Count(kEditions)]);
    GlobleVar::LanguageCode = (editionByte & 0x10) ? QStringLiteral("EN") : QStringLiteral("CN");
    GlobleVar::TestEdition = GlobleVar::IsEdition("VORDAL");
    const int n = f.ComboBox15->count();
    const int row = (rowByte & 0x80) && n > 0 ? (rowByte & 0x7F) % (n + 1) - 1 : -1;
    int& appliedRow = Shared().appliedRow;
    QString& appliedEdition = Shared().appliedEdition;
    if (row != appliedRow || GlobleVar::EditionKeyword != appliedEdition) {
        f.ComboBox15->setCurrentIndex(row);
        f.ApplyModelRow();
        appliedRow = row;
        appliedEdition = GlobleVar::EditionKeyword;
    }
}

// Puts the window back so one input cannot change how the next one runs.
void Settle(WindowState& w)
{
    TForm1& f = *w.form;
    f.ChainSetAll = false;
    f.IdentifyAfterSearch = false;
    f.WorkState = 1;
    f.RxBuffer.clear();
    f.RxPending = false;
    f.LastSentData.clear();
    f.LastGoodData.clear();
    f.SentCount = f.ReceivedCount = f.SuccessCount = f.ErrorCount = 0;
    f.TxByteTotal = f.RxByteTotal = 0;
    f.PairStopped = f.ResendBlocked = f.FirstFrameSeen = false;
    for (QPlainTextEdit* m : {f.Memo1, f.Memo2, f.Memo3, f.Memo4})
        if (m->blockCount() > 50)
            m->clear();
    w.ui->clear();
    w.ui->answers.clear();
}

} // namespace

void SetFailureHandler(std::function<void(const QString&)> handler) { FailureHandler() = std::move(handler); }

void Shutdown()
{
    WindowState& w = Shared();
    delete w.form;
    w.form = nullptr;
    delete w.ui;
    w.ui = nullptr;
    w.appliedRow = -2;
}

QStringList Targets()
{
    return {QStringLiteral("dispatch"), QStringLiteral("pairrx"), QStringLiteral("hex"),
            QStringLiteral("ini"), QStringLiteral("emulator")};
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
    else
        return false;
    return true;
}

// ---- answers ---------------------------------------------------------------------------

// Byte 0: edition, language, framing; byte 1: last command, chain and identify flags;
// byte 2: model row; the rest is the answer. The framings wrap the rest with the right
// start, checksum and end so the fuzzer reaches the decoders, not only the validation.
void Dispatch(const QByteArray& input)
{
    WindowState& w = Window();
    TForm1& f = *w.form;
    Reader r(input);
    const int setting = r.byte();
    const int command = r.byte();
    const int row = r.byte();
    ChooseSetting(f, setting, row);
    const QByteArray body = r.rest();

    const QString hex = TCommFun::BytesToHexText(body, false);
    QStringList texts{hex, QString::fromLatin1(body)};
    switch ((setting >> 5) & 0x03) {
    case 1: {
        const QString covered = QStringLiteral("5A5A") + hex;
        texts.prepend(covered + TCommFun::Checksum(covered) + QStringLiteral("0D0A"));
        break;
    }
    case 2: {
        const QString covered = QStringLiteral("EDED") + hex;
        texts.prepend(covered + TCommFun::Checksum(covered));
        break;
    }
    case 3: {
        const QString covered = QStringLiteral("4040") + hex;
        texts.prepend(covered + TCommFun::Checksum(covered) + QStringLiteral("0D0A"));
        break;
    }
    default:
        break;
    }

    for (const QString& text : texts) {
        for (const bool isShort : {false, true}) {
            f.LastCommandCode = QString::fromLatin1(kCommands[(command & 0x3F) % Count(kCommands)]);
            f.ChainSetAll = command & 0x40;
            f.IdentifyAfterSearch = command & 0x80;
            if (isShort)
                f.DispatchShortAnswer(text);
            else
                f.DispatchLongAnswer(text);
            // The chain would go on with the next answer; there is none, so it ends here.
            f.ChainSetAll = false;
        }
    }
    Settle(w);
}

// ---- received data -------------------------------------------------------------------------

namespace {

void Choose(QRadioButton* on, QRadioButton* off, bool first)
{
    (first ? on : off)->setChecked(true);
}

} // namespace

// Byte 0: work state, stop flag, check boxes; byte 1: edition; byte 2: test options (main
// send or receive, hex, resend on return, appointed data, correction, counters); then a
// length byte and the block sent last, a length byte and the last good block, and what was
// received. The received bytes go through the poll (the line has been quiet long enough,
// so it hands them over at once) and straight to the pair-test receiver.
void PairReceive(const QByteArray& input)
{
    static const int kStates[] = {0, 3, 4, 5, 1, 2, 0, 3};
    WindowState& w = Window();
    TForm1& f = *w.form;
    Reader r(input);
    const int flags = r.byte();
    ChooseSetting(f, r.byte(), 0);
    const int options = r.byte();
    const QByteArray sent = r.take(r.byte());
    const QByteArray good = r.take(r.byte());
    const QByteArray received = r.rest();

    Choose(f.RadioButton15, f.RadioButton16, options & 0x01);
    Choose(f.RadioButton3, f.RadioButton4, options & 0x02);
    Choose(f.RadioButton1, f.RadioButton2, options & 0x04);
    Choose(f.RadioButton14, f.RadioButton13, options & 0x08);
    f.CheckBox1->setChecked(options & 0x10);
    f.Edit11->setText(QString::fromLatin1(good));
    f.CheckBox2->setChecked(flags & 0x08);
    f.RadioButton7->setChecked(flags & 0x10);
    f.RadioButton8->setChecked(!(flags & 0x10));
    const int state = kStates[flags & 0x07];
    const bool stopped = flags & 0x20;

    auto prepare = [&] {
        f.WorkState = state;
        f.PairStopped = stopped;
        f.ResendBlocked = options & 0x20;
        f.FirstFrameSeen = options & 0x40;
        f.SentCount = (options & 0x80) ? 3 : 0;
        f.SuccessCount = (options & 0x80) ? 5 : 0; // late echoes can outnumber the sends
        f.LastSentData = sent;
        f.LastGoodData = good;
    };

    prepare();
    f.LastCommandCode = QString::fromLatin1(kCommands[(flags >> 6) * 5 % Count(kCommands)]);
    f.RxBuffer = received;
    f.LastRxTime = w.ui->clockMs - 100000;
    f.Timer1Timer();
    Check(f.RxBuffer.isEmpty(), QStringLiteral("the poll kept received bytes after the quiet time"));

    prepare();
    const qint64 received0 = f.ReceivedCount;
    const qint64 errors0 = f.ErrorCount;
    f.ReceiveTestData(received, TCommFun::BytesToHexText(received, true), stopped, state);
    // One block received is at most one block counted and at most one error.
    Check(f.ReceivedCount - received0 <= 1 && f.ErrorCount - errors0 <= 1,
          QStringLiteral("one received block counted more than once"));
    Settle(w);
}

// ---- hex helpers ---------------------------------------------------------------------------

void Hex(const QByteArray& input)
{
    // Whatever the text, the helpers answer without faults.
    for (const QString& text : {QString::fromLatin1(input), QString::fromUtf8(input)}) {
        const QByteArray bytes = TCommFun::HexTextToBytes(text);
        Check(bytes.size() <= (text.size() + 1) / 2, QStringLiteral("more bytes than hex digits"));
        TCommFun::HexTextToInt(text);
        TCommFun::HexByteValue(text);
        const QString sum = TCommFun::Checksum(text);
        Check(sum.size() == 2, QStringLiteral("checksum is not two digits: ") + sum);
    }

    // Round trip with and without separators.
    for (const bool separator : {false, true}) {
        const QString hex = TCommFun::BytesToHexText(input, separator);
        Check(hex.size() == input.size() * (separator ? 3 : 2), QStringLiteral("hex text length"));
        Check(TCommFun::HexTextToBytes(hex) == input, QStringLiteral("hex round trip lost bytes"));
    }

    // The checksum is the byte sum modulo 256 of what the text stands for.
    unsigned sum = 0;
    for (const char c : input)
        sum += static_cast<unsigned char>(c);
    const QString expected = QStringLiteral("%1").arg(sum & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
    Check(TCommFun::Checksum(TCommFun::BytesToHexText(input, false)) == expected,
          QStringLiteral("checksum differs from the byte sum"));

    // Up to four bytes read back as their big-endian value.
    const QByteArray head = input.left(4);
    quint32 value = 0;
    for (const char c : head)
        value = (value << 8) | static_cast<unsigned char>(c);
    Check(static_cast<quint32>(TCommFun::HexTextToInt(TCommFun::BytesToHexText(head, false))) == value,
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

    LineSettings pc;
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

} // namespace FuzzEntries
