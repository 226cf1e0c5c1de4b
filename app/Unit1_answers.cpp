// What the window makes of the session's reception: the acknowledgement text of each answer,
// invalid answers in the receive log, the port-lost notice, and the wiring of every session
// signal to the family views that fill the widgets.
#include "Unit1.h"

#include "Portset.h"
#include "UiServices.h"
#include "texts/app_texts.h"
#include "texts/protocol_texts.h"
#include "texts/radiotests_texts.h"
#include "texts/tools_texts.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>

using namespace ProtocolTexts;

namespace {

struct AnswerTexts {
    Command command;
    TMsg success;
    TMsg mismatch; // {nullptr, nullptr}: a mismatched answer changes nothing
};

const AnswerTexts kAnswerTexts[] = {
    {Command::SerialWrite, SerialSetOk, SerialSetOther},
    {Command::SerialRead, SerialReadOk, SerialReadOther},
    {Command::AirRateWrite, AirRateSetOk, AirRateSetOther},
    {Command::AirRateRead, AirRateReadOk, AirRateReadOther},
    {Command::ChannelWrite, ChannelSetOk, ChannelSetOther},
    {Command::ChannelRead, ChannelReadOk, ChannelReadOther},
    {Command::TestStart, TestStartOk, TestStartOther},
    {Command::TestEnd, TestEndOk, TestEndOther},
    {Command::ProtocolWrite, ProtocolSetOk, ProtocolSetOther},
    {Command::SerialNumberWrite, SerialNumberSetOk, SerialNumberSetOther},
    {Command::SerialNumberRead, SerialNumberReadOk, SerialNumberReadOther},
    {Command::RadioIdWrite, RadioIdSetOk, RadioIdSetOther},
    {Command::RadioIdRead, RadioIdReadOk, RadioIdReadOther},
    {Command::WriteAll, WriteAllOk, WriteAllOther},
    {Command::PowerModeWrite, PowerModeSetOk, PowerModeSetOther},
    {Command::PowerModeRead, PowerModeReadOk, PowerModeReadOther},
    {Command::WakeUp, WakeUpOk, WakeUpOther},
    {Command::RssiRead, RssiReadOk, {nullptr, nullptr}},
    {Command::LevelWrite, LevelSetOk, {nullptr, nullptr}},
    {Command::ProtocolRead, ProtocolReadOk, ProtocolReadOther},
    {Command::ReadAll, ReadAllOk, ReadAllOther},
    {Command::DutyCycleWrite, DutyCycleSetOk, DutyCycleSetOther},
    {Command::PowerWrite, PowerSetOk, {nullptr, nullptr}},
    {Command::Capacitance, CapacitanceOk, {nullptr, nullptr}},
    {Command::IoWrite, IoSetOk, IoSetOther},
    {Command::IoRead, IoReadOk, IoReadOther},
};

const AnswerTexts* TextsOf(Command command)
{
    for (const AnswerTexts& t : kAnswerTexts)
        if (t.command == command)
            return &t;
    return nullptr;
}

// Short answers "01" to "08" are shown in Chinese whatever the language.
bool AlwaysChinese(Command command, bool isShort)
{
    const quint32 n = quint32(command) & 0xFF;
    return isShort && quint32(command) <= 0xFFFF && n >= 1 && n <= 8;
}

} // namespace

void TForm1::BindSession()
{
    ModuleSession* s = Session;
    connect(s, &ModuleSession::answered, this, &TForm1::ShowAnswer);
    connect(s, &ModuleSession::invalidAnswer, this, &TForm1::ShowInvalidAnswer);
    connect(s, &ModuleSession::portLost, this, &TForm1::ShowPortLost);
    connect(s, &ModuleSession::portReopened, this, [this] {
        PortLostShown = false;
        if (frmPortSet) {
            frmPortSet->ShowPortOpen(true);
            SetPanel(1, frmPortSet->SettingsSummary());
        }
        SetPanel(2, Tr(ToolsTexts::PortBack));
    });
    connect(s, &ModuleSession::frameGapComputed, SpinEdit2, &QSpinBox::setValue);
    connect(s, &ModuleSession::identified, this, &TForm1::DecodeIdentify);
    // The model read that follows an identify answer, refused by the link.
    connect(s, &ModuleSession::transactionEnded, this, [this](const TransactionResult& r) {
        if (r.afterIdentify && r.sendStatus != LinkStatus::Ok)
            QueueBox(QStringLiteral("send"), [st = r.sendStatus] { TCommFun::ShowSendFailure(st); });
    });
    connect(&s->answers(), &AnswerDecoder::serialSettingsAnswered, this, &TForm1::DecodeSerialSettings);
    connect(&s->answers(), &AnswerDecoder::airRateRead, this, &TForm1::DecodeAirRateRead);
    connect(&s->answers(), &AnswerDecoder::channelRead, this, &TForm1::DecodeChannelRead);
    connect(&s->answers(), &AnswerDecoder::protocolRead, this, &TForm1::DecodeProtocolRead);
    connect(&s->answers(), &AnswerDecoder::powerModeRead, this, &TForm1::DecodePowerModeRead);
    // These two may ask or warn: from the event loop, not from inside the session's signals.
    connect(&s->answers(), &AnswerDecoder::serialNumberWritten, this, &TForm1::DecodeSerialNumberSet, Qt::QueuedConnection);
    connect(&s->answers(), &AnswerDecoder::serialNumberRead, this, &TForm1::DecodeSerialNumberRead, Qt::QueuedConnection);
    connect(&s->answers(), &AnswerDecoder::radioIdRead, this, &TForm1::DecodeRadioIdRead);
    connect(&s->answers(), &AnswerDecoder::rssiRead, this, &TForm1::DecodeRssiRead);
    connect(&s->answers(), &AnswerDecoder::allParametersRead, this, &TForm1::DecodeReadAll);
    connect(&s->answers(), &AnswerDecoder::ioWritten, this, &TForm1::DecodeIoSet);
    connect(&s->answers(), &AnswerDecoder::ioRead, this, &TForm1::DecodeIoRead);
    // pair test: every hand-over tells, counted or not
    connect(s, &ModuleSession::pairBlockReceived, this, [this] { SetPanel(2, Tr(AppTexts::PairDataReceived)); });
    connect(Pair, &PairTest::countersChanged, this, &TForm1::ShowPairCounters);
    connect(Pair, &PairTest::dataSent, this, &TForm1::ShowDataSent);
    connect(Pair, &PairTest::frameReceived, this, &TForm1::ShowPairFrame);
    connect(Pair, &PairTest::sendRefused, this,
            [this](LinkStatus st) { QueueBox(QStringLiteral("send"), [st] { TCommFun::ShowSendFailure(st); }); });
    connect(Pair, &PairTest::dataEmpty, this,
            [this] { QueueBox(QStringLiteral("empty"), [this] { Warn(RadioTestTexts::SendDataEmpty); }); });
    // terminal
    connect(Term, &Terminal::blockReceived, this, &TForm1::ShowTerminalBlock);
    connect(Term, &Terminal::dataSent, this, [this](const QByteArray& d) { ShowDataSent(d, WorkState::Terminal); });
    connect(Term, &Terminal::sendRefused, this,
            [this](LinkStatus st) { QueueBox(QStringLiteral("send"), [st] { TCommFun::ShowSendFailure(st); }); });
    connect(Term, &Terminal::savingFailed, this, [this](const QString& path, const QString& reason) {
        SetPanel(2, Tr(ToolsTexts::SavingFailed) + path);
        const QString text = Tr(ToolsTexts::SavingFailed) + QStringLiteral("%1: %2").arg(path, reason);
        QueueBox(QStringLiteral("saving"), [this, text] { ShowWarning(text, this); });
    });
    connect(Term, &Terminal::dataEmpty, this, [this] {
        Pair->stopTimer();
        QueueBox(QStringLiteral("empty"), [this] { Warn(RadioTestTexts::SendDataEmpty); });
    });
}

void TForm1::ShowAnswer(Command command, bool matched, bool isShort, int firstByte)
{
    const AnswerTexts* t = TextsOf(command);
    if (!t)
        return;
    const bool chinese = AlwaysChinese(command, isShort);
    auto say = [&](const TMsg& m) { SetPanel(2, chinese ? Cn(m) : Tr(m)); };
    if (!matched) {
        if (t->mismatch.cn)
            say(t->mismatch);
        return;
    }
    if (command == Command::SerialNumberRead && IdentifyAfterSearch)
        say(SearchFoundOk);
    else if (command == Command::LevelWrite && !GlobleVar::MessagesInEnglish())
        SetPanel(2, Cn(t->success) + QString::number(qMax(0, firstByte)));
    else
        say(t->success);
}

void TForm1::ShowInvalidAnswer(const QString& text, AnswerProblem problem)
{
    MemoAddLine(Memo2, text);
    if (problem == AnswerProblem::ChecksumError)
        MemoAddLine(Memo2, Tr(AppTexts::ChecksumError));
    else if (problem == AnswerProblem::IdChecksumError)
        MemoAddLine(Memo2, Tr(AppTexts::IdChecksumError));
}

void TForm1::ShowPortLost()
{
    // An adapter pulled out (or a pty whose other end closed) is told once in the status bar;
    // the port dialog shows the port closed, and its open brings the link back.
    if (!PortLostShown)
        SetPanel(1, Tr(AppTexts::PortLost));
    PortLostShown = true;
    if (frmPortSet)
        frmPortSet->ShowPortOpen(false);
}
