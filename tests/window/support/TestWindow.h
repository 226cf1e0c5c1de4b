// A real main window for a test: its own working directory with the Config.ini the test
// gives, the message-box layer replaced, the port dialog created as at program start.
#pragma once

#include "FakeUi.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class ModuleEmulator;
class TForm1;
class TfrmPortSet;

class TestWindow {
public:
    // COM1 stands for the built-in simulated module unless the test's file says otherwise.
    static constexpr const char* kDefaultConfig = "[Ports]\r\nCOM1=sim\r\n";

    explicit TestWindow(const QByteArray& configIni = kDefaultConfig, bool createPortDialog = true);
    ~TestWindow();

    FakeUi ui;
    QTemporaryDir dir;
    TForm1* form = nullptr;
    TfrmPortSet* portSet = nullptr;

    QString configPath() const;
    QByteArray configText() const;
    void writeConfig(const QByteArray& text);

    // The simulated module behind COMn (nullptr before the port was opened as simulated).
    ModuleEmulator* emulator(int port = 1) const;
    // What the tool wrote to COMn since the last call, one entry a write; as hex text too.
    QList<QByteArray> sent(int port = 1) const;
    QStringList sentHex(int port = 1) const;

    // Runs the event loop (timers included) for `ms` milliseconds.
    static void pump(int ms);
    // Runs the event loop until `done` holds or `timeoutMs` passed; returns `done()`.
    static bool waitFor(const std::function<bool()>& done, int timeoutMs);

private:
    QString m_oldDir;
    std::unique_ptr<TForm1> m_form;
};
