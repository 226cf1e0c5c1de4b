// The values in the module's answers: an answer to a command decoded into plain values, each
// told by a signal, and what the module reported so far. No link, no queue: the session hands
// it the answers that match the command they answer.
#pragma once

#include "core/model/Values.h"
#include "core/protocol/Command.h"

#include <QObject>
#include <QString>

#include <optional>

class AnswerDecoder : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Decodes `text`, the answer to `command` (`afterIdentify`: to the model read that follows
    // an identify answer). Returns the serial settings the answer carries whole, which the PC
    // port may follow.
    std::optional<SerialSettings> decode(Command command, const QString& text, bool isShort, bool afterIdentify);
    // The family, firmware and band of an identify answer.
    void noteIdentity(const Identity& identity);

    const ModuleReadings& readings() const { return m_readings; }
    void clearReadings() { m_readings = ModuleReadings{}; }

signals:
    // A serial-settings or write-all answer, or a serial read; `complete` when both the
    // baud and the parity byte are there.
    void serialSettingsAnswered(Command command, const SerialSettings& settings, bool complete);
    void channelRead(int channel);
    void airRateRead(int rate);
    void protocolRead(int protocol);
    void powerModeRead(int mode);
    void serialNumberWritten();
    void serialNumberRead(const SerialNumber& number, bool afterSearch);
    void radioIdRead(int id);
    void rssiRead(int value);
    void allParametersRead(const AllParameters& parameters, bool serialComplete);
    void ioWritten(int output, bool high);
    void ioRead(const IoState& state);

private:
    ModuleReadings m_readings;
};
