// The data terminal on a real pseudo-terminal whose other side the test plays.
#include "support/Programs.h"
#include "support/Pty.h"
#include "support/Wait.h"

#include "core/config/ConfigFile.h"
#include "core/link/SioBackend.h"
#include "core/protocol/FrameAssembler.h"
#include "core/protocol/TextCodec.h"
#include "core/session/ModuleSession.h"
#include "core/session/Terminal.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TerminalStreamTest : public QObject {
    Q_OBJECT
private slots:
    // A peer that never pauses, at 57600 baud's byte rate: blocks come while the stream runs,
    // the receive buffer stays below a block, and the blocks put together are exactly the
    // stream, shown as text without a character of two or three bytes cut in two. A block
    // ends after a line end unless a whole block's worth of bytes held none.
    void continuousStreamIsHandedOverAsItComes()
    {
        Pty pty;
        QVERIFY(pty.open());
        QTemporaryDir dir;
        QFile ini(dir.filePath(QStringLiteral("Config.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[Ports]\r\nCOM1=%1\r\n").arg(pty.slave()).toUtf8());
        ini.close();
        ConfigFile::setDirectory(dir.path());
        ModuleSession session(Edition{});
        QCOMPARE(session.openPort(1, LineSettings{57600}).status(), LinkStatus::Ok);
        Terminal term(session);
        term.setShowAsText(true);
        term.setReceiving(true);
        QByteArray received;
        QString shown;
        int blocks = 0;
        int linesBroken = 0;
        connect(&term, &Terminal::blockReceived, this, [&](const QByteArray& block) {
            if (!block.endsWith('\n') && block.contains('\n'))
                ++linesBroken;
            received += block;
            shown += TextCodec::BytesToText(block);
            ++blocks;
        });

        QByteArray stream;
        // Lines of twenty records, some longer than a block.
        for (int i = 1; stream.size() < 60000 || i % 20 != 1; ++i)
            stream += QStringLiteral("$GPGGA,%1,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47;25°C·%2")
                          .arg(i)
                          .arg(i % 20 == 0 ? QStringLiteral("\r\n") : QString())
                          .toUtf8();
        qsizetype written = 0;
        qsizetype largestBuffer = 0;
        int blocksAfterTwoSeconds = -1;
        QElapsedTimer clock;
        clock.start();
        QTimer feeder;
        connect(&feeder, &QTimer::timeout, this, [&] {
            largestBuffer = qMax(largestBuffer, session.assembler().size());
            const qsizetype due = qMin(stream.size(), clock.elapsed() * 5760 / 1000);
            if (due > written && pty.write(stream.mid(written, due - written)))
                written = due;
            if (blocksAfterTwoSeconds < 0 && clock.elapsed() >= 2000)
                blocksAfterTwoSeconds = blocks;
        });
        feeder.start(10);
        QVERIFY(Wait::until([&] { return written == stream.size(); }, 15000));
        feeder.stop();
        QVERIFY(clock.elapsed() >= 10000);
        QVERIFY(blocksAfterTwoSeconds >= 5);
        QVERIFY(largestBuffer < FrameAssembler::kBlockBytes);
        QVERIFY(Wait::until([&] { return received.size() == stream.size(); }, 2000));
        QCOMPARE(received, stream);
        QCOMPARE(linesBroken, 0);
        QCOMPARE(shown, QString::fromUtf8(stream));
        QCOMPARE(term.bytesReceived(), stream.size());

        session.link().close();
        ConfigFile::setDirectory(QString());
    }

    // A file goes out paced by the line (the module emulator at 1200 baud, its far side
    // echoing): the progress climbs to the whole file, "sent" comes once and not before the
    // line can have carried the last byte, and Cancel stops what has not gone yet.
    void fileIsSentAsTheLineTakesItAndCanBeCancelled()
    {
        Programs::Emulator emu(QString(), {QStringLiteral("baud=1200,far-echo")});
        QVERIFY(emu.started);
        QTemporaryDir dir;
        QFile ini(dir.filePath(QStringLiteral("Config.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[Ports]\r\nCOM1=%1\r\n").arg(emu.tty).toUtf8());
        ini.close();
        ConfigFile::setDirectory(dir.path());
        ModuleSession session(Edition{});
        QCOMPARE(session.openPort(1, LineSettings{1200}).status(), LinkStatus::Ok);
        Terminal term(session);
        term.setReceiving(true);
        QByteArray echoed;
        connect(&term, &Terminal::blockReceived, this, [&](const QByteArray& block) { echoed += block; });
        QList<qint64> progress;
        QList<FileSendOutcome> outcomes;
        qint64 outcomeBytes = -1;
        qint64 outcomeAtMs = -1;
        QElapsedTimer clock;
        connect(&term, &Terminal::fileProgress, this, [&](qint64 sent, qint64) { progress << sent; });
        connect(&term, &Terminal::fileFinished, this, [&](FileSendOutcome outcome, qint64 sent, qint64) {
            outcomes << outcome;
            outcomeBytes = sent;
            outcomeAtMs = clock.elapsed();
        });
        QByteArray data;
        for (int i = 0; data.size() < 240; ++i)
            data += QByteArray::number(i) + ',';
        QFile file(dir.filePath(QStringLiteral("data.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(data);
        file.close();

        QString error;
        clock.start();
        QVERIFY(term.sendFile(file.fileName(), &error));
        QVERIFY(Wait::until([&] { return !outcomes.isEmpty(); }, 30000));
        QCOMPARE(outcomes, QList<FileSendOutcome>{FileSendOutcome::Sent});
        // ten bits a byte at 1200 baud
        QVERIFY(outcomeAtMs >= data.size() * 10 * 1000 / 1200);
        QCOMPARE(outcomeBytes, data.size());
        QVERIFY(progress.size() > 3);
        QCOMPARE(progress.last(), data.size());
        QVERIFY(std::is_sorted(progress.cbegin(), progress.cend()));
        QVERIFY(Wait::until([&] { return echoed.size() >= data.size(); }, 30000));
        QCOMPARE(echoed, data);

        // Cancelled as soon as something has gone: only what the port held comes back.
        echoed.clear();
        outcomes.clear();
        connect(&term, &Terminal::fileProgress, this, [&](qint64 sent, qint64) {
            if (sent > 0)
                term.cancelFile();
        });
        QVERIFY(term.sendFile(file.fileName(), &error));
        QVERIFY(Wait::until([&] { return !outcomes.isEmpty(); }, 30000));
        QCOMPARE(outcomes, QList<FileSendOutcome>{FileSendOutcome::Cancelled});
        QVERIFY(outcomeBytes < data.size());
        QVERIFY(!term.isSendingFile());
        QVERIFY(Wait::until([&] { return echoed.size() >= outcomeBytes; }, 10000));
        Wait::pump(500);
        QCOMPARE(echoed, data.left(outcomeBytes));

        session.link().close();
        ConfigFile::setDirectory(QString());
    }
};

QTEST_GUILESS_MAIN(TerminalStreamTest)
#include "tst_terminal_stream.moc"
