// Reception poll and the two answer dispatchers. The poll gathers bytes until the line has
// been quiet for longer than the frame gap, then hands them over by work state; the
// dispatchers validate the frame and route its answer code through one table.
#include "app/Unit1.h"

#include "answers.h"
#include "app/Portset.h"
#include "app/UiServices.h"
#include "app/app_texts.h"
#include "protocol_texts.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>

namespace {

using Decoder = void (TForm1::*)(const QString&, bool);

struct Route {
    const char* longCode;   // nullptr: no long answer
    const char* shortCode;  // nullptr: no short answer
    const char* expected;   // last command the answer belongs to
    Decoder decode;
    TMsg success;
    TMsg mismatch;          // {nullptr, nullptr}: a mismatched answer changes nothing
};

using namespace ProtocolTexts;

const Route kRoutes[] = {
    {"0001", "01", "8001", &TForm1::DecodeSerialSet, SerialSetOk, SerialSetOther},
    {"0002", "02", "8002", &TForm1::DecodeSerialRead, SerialReadOk, SerialReadOther},
    {"0003", "03", "8003", &TForm1::DecodeAirRateSet, AirRateSetOk, AirRateSetOther},
    {"0004", "04", "8004", &TForm1::DecodeAirRateRead, AirRateReadOk, AirRateReadOther},
    {"0005", "05", "8005", &TForm1::DecodeChannelSet, ChannelSetOk, ChannelSetOther},
    {"0006", "06", "8006", &TForm1::DecodeChannelRead, ChannelReadOk, ChannelReadOther},
    {"0007", "07", "8007", &TForm1::DecodeTestStart, TestStartOk, TestStartOther},
    {"0008", "08", "8008", &TForm1::DecodeTestEnd, TestEndOk, TestEndOther},
    {"0009", "09", "8009", &TForm1::DecodeProtocolSet, ProtocolSetOk, ProtocolSetOther},
    {"000A", "0A", "800A", &TForm1::DecodeSerialNumberSet, SerialNumberSetOk, SerialNumberSetOther},
    {"000B", "0B", "800B", &TForm1::DecodeSerialNumberRead, SerialNumberReadOk, SerialNumberReadOther},
    {"000C", "0C", "800C", &TForm1::DecodeRadioIdSet, RadioIdSetOk, RadioIdSetOther},
    {"000D", "0D", "800D", &TForm1::DecodeRadioIdRead, RadioIdReadOk, RadioIdReadOther},
    {"000E", "0E", "800E", &TForm1::DecodeWriteAll, WriteAllOk, WriteAllOther},
    {"000F", "0F", "800F", &TForm1::DecodePowerModeSet, PowerModeSetOk, PowerModeSetOther},
    {"0010", "10", "8010", &TForm1::DecodePowerModeRead, PowerModeReadOk, PowerModeReadOther},
    {"0011", "11", "8011", &TForm1::DecodeWakeUp, WakeUpOk, WakeUpOther},
    {"0012", "12", "8012", &TForm1::DecodeRssiRead, RssiReadOk, {nullptr, nullptr}},
    {"0013", "13", "8013", &TForm1::DecodeLevelSet, LevelSetOk, {nullptr, nullptr}},
    {"0014", "14", "8014", &TForm1::DecodeProtocolRead, ProtocolReadOk, ProtocolReadOther},
    {"0015", "15", "8015", &TForm1::DecodeReadAll, ReadAllOk, ReadAllOther},
    {"0016", nullptr, "8016", &TForm1::DecodeDutyCycleSet, DutyCycleSetOk, DutyCycleSetOther},
    {"0017", "17", "8017", &TForm1::DecodePowerSet, PowerSetOk, {nullptr, nullptr}},
    {"0019", nullptr, "8019", &TForm1::DecodeCapacitance, CapacitanceOk, {nullptr, nullptr}},
};

const Route* FindRoute(const QString& code, bool isShort)
{
    for (const Route& r : kRoutes) {
        const char* c = isShort ? r.shortCode : r.longCode;
        if (c && code == QLatin1String(c))
            return &r;
    }
    return nullptr;
}

// Short answers "01" to "08" are shown in Chinese whatever the language.
bool AlwaysChinese(const QString& code, bool isShort)
{
    if (!isShort)
        return false;
    bool ok = false;
    const int n = code.toInt(&ok, 16);
    return ok && n >= 1 && n <= 8;
}

} // namespace

int TForm1::AnswerByte(const QString& answer, int k, bool isShort)
{
    return Answers::PayloadByte(answer, k, isShort);
}

QString TForm1::AnswerByteText(const QString& answer, int k, bool isShort)
{
    return Answers::PayloadByteText(answer, k, isShort);
}

// ---- the poll -----------------------------------------------------------------------------

void TForm1::Timer1Timer()
{
    if (RxPaused)
        return;
    // An adapter pulled out (or a pty whose other end closed) is told once in the status bar;
    // the port dialog's open brings the link back.
    const bool lost = CommFun->PortLost(GlobleVar::PortSettings.portNumber);
    if (lost && !PortLostShown)
        SetPanel(1, Tr(AppTexts::PortLost));
    PortLostShown = lost;
    QByteArray got;
    CommFun->ReadData(GlobleVar::PortSettings.portNumber, got);
    if (!got.isEmpty()) {
        if (RxBuffer.isEmpty())
            RxBlockStart = Ui().msecsOfDay();
        RxPending = true;
        RxBuffer += got;
        LastRxTime = Ui().msecsOfDay();
    }
    const qint64 now = Ui().msecsOfDay();

    // The terminal shows a stream that never pauses as it comes: whole blocks of the bound
    // at once, and whatever waited longer than the hold time.
    if (WorkState == 5 && !RxBuffer.isEmpty()) {
        while (RxBuffer.size() >= kTerminalBlockBytes)
            ShowTerminalBlock(TerminalBlockLength());
        if (!RxBuffer.isEmpty() && qAbs(now - RxBlockStart) >= kTerminalHoldMs)
            ShowTerminalBlock(TerminalBlockLength());
        if (RxBuffer.isEmpty())
            RxPending = false;
    }

    if (CheckBox2->isChecked() || LastSentData.isEmpty()) {
        FrameGap = SpinEdit2->value();
    } else if (PairTestRunning()) {
        const int baud = frmPortSet ? frmPortSet->SelectedBaudRate() : 0;
        // Without a baud rate in the dialog the gap cannot be worked out; it keeps its value.
        if (baud > 0) {
            const qint64 bits = qint64(LastSentData.size()) * 10000;
            FrameGap = int((bits / baud + bits / 1200 + 3000) / 10);
            SpinEdit2->setValue(FrameGap);
        }
    }

    if (qAbs(now - LastRxTime) <= FrameGap || RxBuffer.isEmpty())
        return;

    switch (WorkState) {
    case 1:
    case 2: {
        RxPending = false;
        const QString hex = TCommFun::BytesToHexText(RxBuffer, false);
        RxBuffer.clear();
        if (GlobleVar::IsShortFrameEdition())
            DispatchShortAnswer(hex);
        else
            DispatchLongAnswer(hex);
        break;
    }
    case 0:
    case 3:
    case 4: {
        RxPending = false;
        SetPanel(2, Tr(AppTexts::PairDataReceived));
        if (MemoLineCount(Memo2) >= 1000)
            Memo2->clear();
        const QByteArray data = RxBuffer;
        RxBuffer.clear();
        ReceiveTestData(data, TCommFun::BytesToHexText(data, true), PairStopped, WorkState);
        break;
    }
    case 5:
        RxPending = false;
        ShowTerminalBlock(int(RxBuffer.size()));
        break;
    default:
        // Kept until the window is in a state that takes received data.
        break;
    }
}

int TForm1::TerminalBlockLength() const
{
    const int n = int(qMin<qsizetype>(RxBuffer.size(), kTerminalBlockBytes));
    // Shown as text, a character cut in two would turn the whole block into other
    // characters: its first bytes wait for the rest.
    if (!RadioButton7->isChecked())
        return n;
    const int kept = GlobleVar::Utf8IncompleteTail(RxBuffer.left(n));
    return kept < n ? n - kept : n;
}

void TForm1::ShowTerminalBlock(int length)
{
    if (MemoLineCount(Memo4) >= 1000)
        Memo4->clear();
    const QByteArray data = RxBuffer.left(length);
    RxBuffer.remove(0, length);
    RxBlockStart = Ui().msecsOfDay();
    MemoAddLine(Memo4, RadioButton7->isChecked() ? GlobleVar::BytesToText(data)
                                                 : TCommFun::BytesToHexText(data, false));
}

// ---- dispatchers ----------------------------------------------------------------------------

void TForm1::DispatchLongAnswer(const QString& text)
{
    if (!Answers::IsLong(text)) {
        if (!Answers::IsId(text)) {
            MemoAddLine(Memo2, text);
            return;
        }
        if (!Answers::ChecksumOk(text, false)) {
            MemoAddLine(Memo2, text);
            MemoAddLine(Memo2, Tr(AppTexts::IdChecksumError));
            return;
        }
        const QString code = Answers::IdCode(text);
        if (code == QLatin1String("0012")) {
            if (LastCommandCode == QLatin1String("40408012")) {
                SetPanel(2, Tr(IoSetOk));
                DecodeIoSet(text);
            } else {
                SetPanel(2, Tr(IoSetOther));
            }
        } else if (code == QLatin1String("0013")) {
            if (LastCommandCode == QLatin1String("40408013")) {
                SetPanel(2, Tr(IoReadOk));
                DecodeIoRead(text);
            } else {
                SetPanel(2, Tr(IoReadOther));
            }
        }
        return;
    }

    if (!Answers::ChecksumOk(text, false)) {
        MemoAddLine(Memo2, text);
        MemoAddLine(Memo2, Tr(AppTexts::ChecksumError));
        return;
    }

    const QString code = Answers::LongCode(text);
    if (code == QLatin1String("0000")) {
        DecodeIdentify(text);
        // Every successful search is followed by a serial-number and model read.
        ReportedModelRow = -1;
        LastCommandCode = QStringLiteral("800B");
        IdentifyAfterSearch = true;
        SendFrame(BuildLongFrame(QStringLiteral("0000"), QStringLiteral("800B"), QStringLiteral("0000")));
        return;
    }
    RouteAnswer(text, code, false);
}

void TForm1::DispatchShortAnswer(const QString& text)
{
    if (!Answers::IsShort(text)) {
        if (text.startsWith(QLatin1String("5A5A")))
            DispatchLongAnswer(text);
        return;
    }
    if (!Answers::ChecksumOk(text, true)) {
        MemoAddLine(Memo2, text);
        MemoAddLine(Memo2, Tr(AppTexts::ChecksumError));
        return;
    }
    RouteAnswer(text, Answers::ShortCode(text), true);
}

void TForm1::RouteAnswer(const QString& text, const QString& code, bool isShort)
{
    const Route* route = FindRoute(code, isShort);
    if (!route)
        return;
    const bool chinese = AlwaysChinese(code, isShort);
    auto say = [&](const TMsg& m) { SetPanel(2, chinese ? Cn(m) : Tr(m)); };

    if (LastCommandCode == QLatin1String(route->expected)) {
        if (route->decode == &TForm1::DecodeSerialNumberRead && IdentifyAfterSearch)
            say(SearchFoundOk);
        else if (route->decode == &TForm1::DecodeLevelSet && !GlobleVar::MessagesInEnglish())
            SetPanel(2, Cn(route->success) + QString::number(qMax(0, AnswerByte(text, 1, isShort))));
        else
            say(route->success);
        (this->*route->decode)(text, isShort);
    } else if (route->mismatch.cn) {
        say(route->mismatch);
    }
    ContinueChain(code, isShort);
}

void TForm1::ContinueChain(const QString& code, bool isShort)
{
    if (code == QLatin1String(isShort ? "07" : "0007")) {
        ChainSetAll = false;
        return;
    }
    if (!ChainSetAll)
        return;
    // Long answers run air protocol, serial number, write-all, test; short ones run air
    // protocol, write-all, serial number, test.
    if (!isShort) {
        if (code == QLatin1String("0009")) {
            Ui().sleepMs(10);
            SpeedButton25Click();
        } else if (code == QLatin1String("000A")) {
            Ui().sleepMs(10);
            SpeedButton21Click();
        } else if (code == QLatin1String("000E")) {
            Ui().sleepMs(GlobleVar::TestDelayTime);
            SpeedButton14Click();
        }
    } else {
        if (code == QLatin1String("09")) {
            Ui().sleepMs(10);
            SpeedButton21Click();
        } else if (code == QLatin1String("0E")) {
            Ui().sleepMs(10);
            SpeedButton25Click();
        } else if (code == QLatin1String("0A")) {
            Ui().sleepMs(10);
            SpeedButton14Click();
        }
    }
}
