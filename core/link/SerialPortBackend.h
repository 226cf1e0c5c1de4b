// A port number served by a real serial device through QSerialPort.
#pragma once

#include "SioBackend.h"

#include <QString>
#include <memory>

class QSerialPort;

class SerialPortBackend : public SioBackend {
public:
    explicit SerialPortBackend(const QString& device);
    ~SerialPortBackend() override;

    int open() override;
    int close() override;
    int ioctl(int baudCode, int mode) override;
    int read(char* buf, int len) override;
    int write(const char* buf, int len) override;
    int iqueue() override;
    int oqueue() override;
    bool isOpen() const override { return m_open; }
    bool isLost() const override { return m_lost; }

    QString device() const { return m_device; }
    // The device is a pseudo-terminal (its driver ignores parity and data-bit settings).
    bool isPseudoTerminal() const { return m_pty; }

private:
    // Brings bytes the driver holds into the port's buffer, without waiting; false when the
    // device has gone.
    bool pullIn();
    // A failed call: true when it means the device has gone.
    bool checkLost();
    bool hungUp() const;
    void markLost();
    // Clears parity bits QSerialPort leaves behind; false when the system call failed.
    bool tidyParityBits(char parity);

    QString m_device;
    std::unique_ptr<QSerialPort> m_port;
    bool m_open = false;
    bool m_lost = false;
    bool m_pty = false;
};
