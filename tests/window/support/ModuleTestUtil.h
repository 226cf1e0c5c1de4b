// Helpers of the window tests of the parameter commands: answers as the module sends them,
// the configuration of a window on the simulated module, the module's requests.
#pragma once

#include "support/ModuleAnswers.h"

#include <QString>

namespace CmdTest {

inline QString LongAnswer(const char* code, const QString& payload) { return ModuleAnswers::Long(code, payload); }
inline QString ShortAnswer(const char* code, const QString& payload) { return ModuleAnswers::Short(code, payload); }
inline QString IdAnswer(int radioId, const char* code, const QString& payload)
{
    return ModuleAnswers::Id(radioId, code, payload);
}

} // namespace CmdTest

#include "core/link/SimulatedPorts.h"
#include "core/link/SioBackend.h"
#include "support/TestWindow.h"

#include <QComboBox>
#include <QStringList>

#include "app/Unit1.h"

namespace CmdTest {

// Config.ini of a window on the simulated module behind COM1, the PC port at 9600 baud
// without parity (the module's default), answers handed over after 60 ms of quiet.
// `module` are the module's options, `extra` further sections, `options` further lines of
// the section [Option].
inline QByteArray SimConfig(const char* module = "", const char* extra = "", const char* options = "")
{
    QByteArray text = "[Ports]\r\nCOM1=sim";
    if (*module)
        text += QByteArray(":") + module;
    text += "\r\n[COM]\r\nPort=0\r\nRate=4\r\nVerify=2\r\n[Option]\r\nDelay time=60\r\n";
    text += options;
    text += extra;
    return text;
}

// Every port closed and every simulated module forgotten, so each test starts clean.
inline void ResetSimulatedModules()
{
    PCommBackends::closeAll();
    SimulatedPorts::reset();
}

inline ModuleEmulator* Module() { return SimulatedPorts::emulator(1); }

// Requests the module behind COM1 has taken since the last call, as "long 8009 payload 01 00",
// "short 8013 payload 0F" or "ID 8012 payload 02 01".
inline QStringList TakeRequests()
{
    QStringList out;
    ModuleEmulator* m = Module();
    if (!m)
        return out;
    m->advance(SystemClock::monotonicMs());
    for (const ModuleEmulator::Event& e : m->takeEvents())
        if (e.text.startsWith(QLatin1String("request ")))
            out << e.text.mid(8);
    return out;
}

// Requests without the search's identify steps and its serial-number read.
inline QStringList CommandRequests(const QStringList& requests)
{
    QStringList out;
    for (const QString& r : requests)
        if (!r.contains(QLatin1String(" 8000")))
            out << r;
    return out;
}

// The parameter lists as the catalogue fills them for a 16-channel model with rates up to
// 38400, none selected.
inline void FillLists(TForm1* f)
{
    f->ComboBox4->clear();
    for (int c = 1; c <= 16; ++c)
        f->ComboBox4->addItem(QString::number(c));
    const QStringList rates{"1200", "2400", "4800", "9600", "19200", "38400"};
    f->ComboBox1->clear();
    f->ComboBox1->addItems(rates);
    f->ComboBox2->clear();
    f->ComboBox2->addItems(rates);
    for (QComboBox* c : {f->ComboBox4, f->ComboBox1, f->ComboBox2})
        c->setCurrentIndex(-1);
}

// Selects rows of the channel, air-rate, serial-rate and parity lists (-1: none).
inline void SelectRows(TForm1* f, int channel, int air, int serial, int parity)
{
    f->ComboBox4->setCurrentIndex(channel);
    f->ComboBox1->setCurrentIndex(air);
    f->ComboBox2->setCurrentIndex(serial);
    f->ComboBox3->setCurrentIndex(parity);
}

// Config.ini of a window whose COM1 is the simulated module with settings `sim`, the dialog
// at 9600 baud without parity (the module's default), a fixed 60 ms frame gap, and the
// lines `ver` in section [Ver].
inline QByteArray FixedGapConfig(const QString& sim, const char* ver)
{
    return QStringLiteral("[Ports]\r\nCOM1=%1\r\n[COM]\r\nPort=0\r\nRate=4\r\nVerify=2\r\n"
                          "[Option]\r\nFrame delay=1\r\nDelay time=60\r\n[Ver]\r\n%2")
        .arg(sim, QLatin1String(ver))
        .toUtf8();
}

// Waits until the message panel shows `text`.
inline bool WaitPanel(TestWindow& w, const QString& text, int ms = 2000)
{
    return TestWindow::waitFor([&] { return w.form->PanelText(2) == text; }, ms);
}

} // namespace CmdTest
