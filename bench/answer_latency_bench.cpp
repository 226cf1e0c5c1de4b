// Time from an answer's last byte to its dispatch, through the real serial stack: the tool
// talks to rfmod-emu on a pseudo-terminal. The last byte's arrival is taken as the send time
// plus the wire time of request and answer and the module's processing delay.
//
//   build/bench/answer_latency_bench build/rfmod-emu [rounds]
#include "support/TestWindow.h"

#include "app/Portset.h"
#include "app/Unit1.h"
#include "core/protocol/Frames.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QProcess>
#include <QSpinBox>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s path/to/rfmod-emu [rounds]\n", argv[0]);
        return 2;
    }
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 40;
    QProcess emu;
    emu.start(QString::fromLocal8Bit(argv[1]), {QStringLiteral("baud=9600,parity=none")});
    if (!emu.waitForStarted() || !emu.waitForReadyRead(5000))
        return 1;
    const QString pty = QString::fromLocal8Bit(emu.readLine()).trimmed();

    for (int gap : {60, 333}) {
        TestWindow w(QStringLiteral("[Ports]\r\nCOM1=%1\r\n[COM]\r\nRate=4\r\n[Option]\r\nFrame delay=1\r\nDelay time=%2\r\n")
                         .arg(pty)
                         .arg(gap)
                         .toUtf8());
        TForm1* f = w.form;
        const QByteArray request = Frames::Long("0000", "8004", "0000");
        // 10 bits a byte at 9600 baud, request and 13-byte answer, plus the module's 3 ms
        const double wireMs = (request.size() + 13) * 10 * 1000.0 / 9600 + 3;
        std::vector<double> lat;
        for (int i = 0; i < rounds; ++i) {
            f->SetPanel(2, QString());
            f->LastCommandCode = "8004";
            QElapsedTimer t;
            t.start();
            f->SendFrame(request);
            if (!TestWindow::waitFor([&] { return !f->PanelText(2).isEmpty(); }, 3000)) {
                std::fprintf(stderr, "no answer\n");
                return 1;
            }
            lat.push_back(t.nsecsElapsed() / 1e6 - wireMs);
            TestWindow::pump(30);
        }
        std::sort(lat.begin(), lat.end());
        std::printf("frame gap %4d ms: last byte to dispatch median %.1f ms, min %.1f, max %.1f (%d rounds)\n",
                    gap, lat[lat.size() / 2], lat.front(), lat.back(), rounds);
    }
    emu.terminate();
    emu.waitForFinished(2000);
    return 0;
}
