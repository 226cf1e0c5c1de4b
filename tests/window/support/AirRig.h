// The tool's window on the simulated module behind COM1 and, over the air, a second module
// whose PC side the test plays (or which echoes every block when `echo` is set).
#pragma once

#include "TestWindow.h"

#include "app/Unit1.h"
#include "core/link/SimulatedPorts.h"
#include "tools/emulator/ModuleEmulator.h"

#include <QCheckBox>
#include <QSpinBox>
#include <QTimer>

#include <memory>

struct AirRig {
    static constexpr const char* kConfig = "[COM]\r\nPort=0\r\nRate=4\r\nVerify=2\r\n[Ports]\r\nCOM1=sim\r\n";

    TestWindow w{kConfig};
    TForm1* f = w.form;
    ModuleEmulator* near = nullptr;
    std::unique_ptr<ModuleEmulator> peer;
    std::unique_ptr<AirLink> link;

    // `frameGapMs`: the fixed frame gap the window works with.
    AirRig(bool echo, int frameGapMs)
    {
        near = SimulatedPorts::emulator(1);
        peer = std::make_unique<ModuleEmulator>(near->options());
        peer->options().echo = echo;
        link = std::make_unique<AirLink>(near, peer.get());
        f->CheckBox2->setChecked(true);
        f->SpinEdit2->setValue(frameGapMs);
    }
    ~AirRig()
    {
        // Nothing may reach the window once the test is over.
        f->Pair->stopTimer();
        link.reset();
    }
    AirRig(const AirRig&) = delete;
    AirRig& operator=(const AirRig&) = delete;
};
