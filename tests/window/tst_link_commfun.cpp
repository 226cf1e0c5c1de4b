// TCommFun port operations: results and messages for each library status, reads of what
// waits, and the serial library's own refusals.
#include "core/link/PComm.h"
#include "core/link/SioBackend.h"
#include "app/commfunction.h"
#include "app/GlobleVar.h"
#include "core/config/IniFile.h"
#include "support/FakeUi.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// A port whose every answer the test chooses; received bytes wait in `queue`.
class FakeBackend : public SioBackend {
public:
    int openStatus = SIO_OK;
    int closeStatus = SIO_OK;
    int ioctlStatus = SIO_OK;
    int writeStatus = 0; // 0: accept everything
    int readStatus = 0;  // negative: every read fails so
    bool opened = false;
    QByteArray queue;
    QByteArray written;
    int lastBaud = -1;
    int lastMode = -1;
    int reads = 0;
    QList<int> readLengths;

    int open() override
    {
        if (openStatus == SIO_OK)
            opened = true;
        return openStatus;
    }
    int close() override
    {
        if (closeStatus == SIO_OK)
            opened = false;
        return closeStatus;
    }
    bool isOpen() const override { return opened; }
    int ioctl(int baud, int mode) override
    {
        lastBaud = baud;
        lastMode = mode;
        return ioctlStatus;
    }
    int write(const char* buf, int len) override
    {
        if (writeStatus < 0)
            return writeStatus;
        written.append(buf, len);
        return writeStatus > 0 ? writeStatus : len;
    }
    int iqueue() override { return static_cast<int>(queue.size()); }
    int read(char* buf, int len) override
    {
        ++reads;
        readLengths << len;
        if (readStatus < 0)
            return readStatus;
        const int n = std::min<int>(len, static_cast<int>(queue.size()));
        memcpy(buf, queue.constData(), static_cast<size_t>(n));
        queue.remove(0, n);
        return n;
    }
};

constexpr int kPort = 4;

const QString kOpenHw = QString::fromUtf8("The port open fail\xEF\xBC\x8Chardware is error!");
const QString kOpenGone = QStringLiteral("The port open fail,the port NOT exist or other software have used it!");
const QString kWin32 = QStringLiteral("Call Win32 funtion fail!");
const QString kNotOpened = QStringLiteral("The Port NOT be opened!");
const QString kSendParams = QStringLiteral("The parameters error when sending data!");

} // namespace

Q_DECLARE_METATYPE(UiServices::BoxKind)

class TestLinkCommFun : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::shared_ptr<FakeBackend> m_fake;
    FakeUi* m_ui = nullptr;

    void useEdition(const QString& edition) { GlobleVar::EditionKeyword = edition; }
    void expectBox(const QString& text, UiServices::BoxKind kind)
    {
        if (text.isEmpty()) {
            QVERIFY2(m_ui->messages.isEmpty(), qPrintable(m_ui->messages.join(" | ")));
            return;
        }
        QCOMPARE(m_ui->messages, QStringList{text});
        QCOMPARE(m_ui->kinds.first(), kind);
    }

private slots:
    void init();
    void cleanup();

    void openPort_data();
    void openPort();
    void configurePort_data();
    void configurePort();
    void closePort_data();
    void closePort();
    void sendData_data();
    void sendData();

    void configurePassesOrOfCodes_data();
    void configurePassesOrOfCodes();
    void sendNeverPassesMoreThanTheBytes();
    void readNothingWaiting();
    void readThirteenBytesWithAnyValue();
    void readMoreThanOneBufferLosesNothing();
    void readFailureEndsTheRead();

    void libraryRefusesBadPortNumbers();
    void openNonexistentDevice_data();
    void openNonexistentDevice();
    void sendAfterCloseSaysNotOpened();
};

void TestLinkCommFun::init()
{
    QVERIFY(m_dir.isValid());
    GlobleVar::ResetAll();
    GlobleVar::StartDirectory = m_dir.path();
    QFile::remove(GlobleVar::ConfigPath());
    PCommBackends::closeAll();
    m_fake = std::make_shared<FakeBackend>();
    PCommBackends::installOverride(kPort, m_fake);
    m_ui = new FakeUi;
}

void TestLinkCommFun::cleanup()
{
    delete m_ui;
    m_ui = nullptr;
    PCommBackends::clearOverrides();
    PCommBackends::closeAll();
    GlobleVar::ResetAll();
}

void TestLinkCommFun::openPort_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("edition");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("message");
    QTest::addColumn<UiServices::BoxKind>("kind");
    const auto W = UiServices::BoxKind::Warning;
    QTest::newRow("ok") << 0 << "" << true << "" << W;
    QTest::newRow("-1 hardware") << -1 << "" << false << kOpenHw << W;
    QTest::newRow("-1 hardware, German edition same") << -1 << "GERMAN" << false << kOpenHw << W;
    QTest::newRow("-5 not there") << -5 << "" << false << kOpenGone << W;
    QTest::newRow("-5 not there, German") << -5 << "GERMAN" << false << "KEIN PORT GEFUNDEN!" << W;
    QTest::newRow("-5 other edition stays English") << -5 << "german" << false << kOpenGone << W;
    QTest::newRow("-8 system") << -8 << "" << false << kWin32 << W;
    QTest::newRow("-8 system, German same") << -8 << "GERMAN" << false << kWin32 << W;
    QTest::newRow("-7 silent") << -7 << "" << false << "" << W;
    QTest::newRow("-10 silent") << -10 << "" << false << "" << W;
}

void TestLinkCommFun::openPort()
{
    QFETCH(int, status);
    QFETCH(QString, edition);
    QFETCH(bool, result);
    QFETCH(QString, message);
    QFETCH(UiServices::BoxKind, kind);
    useEdition(edition);
    m_fake->openStatus = status;
    TCommFun link;
    QCOMPARE(link.OpenPort(kPort), result);
    expectBox(message, kind);
}

void TestLinkCommFun::configurePort_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("edition");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("message");
    QTest::newRow("ok") << 0 << "" << true << "";
    QTest::newRow("-1 not opened") << -1 << "" << false << kNotOpened;
    QTest::newRow("-1 not opened, German") << -1 << "GERMAN" << false << "KEIN PORT GEOEFFNET!";
    QTest::newRow("-8 system") << -8 << "GERMAN" << false << kWin32;
    QTest::newRow("-7 silent") << -7 << "" << false << "";
}

void TestLinkCommFun::configurePort()
{
    QFETCH(int, status);
    QFETCH(QString, edition);
    QFETCH(bool, result);
    QFETCH(QString, message);
    useEdition(edition);
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    m_fake->ioctlStatus = status;
    QCOMPARE(link.ConfigurePort(kPort, B_2400, P_NONE, BIT_8, STOP_1), result);
    expectBox(message, UiServices::BoxKind::Warning);
}

void TestLinkCommFun::closePort_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("message");
    QTest::newRow("ok") << 0 << true << "";
    QTest::newRow("-8 system") << -8 << false << kWin32;
    QTest::newRow("-1 silent") << -1 << false << "";
    QTest::newRow("-5 silent") << -5 << false << "";
}

void TestLinkCommFun::closePort()
{
    QFETCH(int, status);
    QFETCH(bool, result);
    QFETCH(QString, message);
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    m_fake->closeStatus = status;
    QCOMPARE(link.ClosePort(kPort), result);
    expectBox(message, UiServices::BoxKind::Warning);
}

void TestLinkCommFun::sendData_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("edition");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("message");
    QTest::addColumn<UiServices::BoxKind>("kind");
    const auto W = UiServices::BoxKind::Warning;
    const auto E = UiServices::BoxKind::Error;
    QTest::newRow("all queued") << 0 << "" << true << "" << W;
    QTest::newRow("short count is no error") << 2 << "" << true << "" << W;
    QTest::newRow("-1 not opened") << -1 << "" << false << kNotOpened << W;
    QTest::newRow("-1 not opened, German") << -1 << "GERMAN" << false << "KEIN PORT GEOEFFNET!" << W;
    QTest::newRow("-7 parameters: error box") << -7 << "" << false << kSendParams << E;
    QTest::newRow("-7 parameters, German same") << -7 << "GERMAN" << false << kSendParams << E;
    QTest::newRow("-11 aborted: warning box") << -11 << "" << false << kSendParams << W;
    QTest::newRow("-12 time-out silent") << -12 << "" << false << "" << W;
    QTest::newRow("-8 silent") << -8 << "" << false << "" << W;
}

void TestLinkCommFun::sendData()
{
    QFETCH(int, status);
    QFETCH(QString, edition);
    QFETCH(bool, result);
    QFETCH(QString, message);
    QFETCH(UiServices::BoxKind, kind);
    useEdition(edition);
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    m_fake->writeStatus = status;
    const QByteArray frame = TCommFun::HexTextToBytes(QStringLiteral("5A5A00005A8004020000940D0A"));
    QCOMPARE(link.SendData(kPort, frame, frame.size()), result);
    expectBox(message, kind);
    if (result)
        QCOMPARE(m_fake->written, frame);
}

void TestLinkCommFun::configurePassesOrOfCodes_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("mode");
    QTest::newRow("2400 even 8 1") << 9 << 24 << 3 << 0 << 27;
    QTest::newRow("2400 none 8 1") << 9 << 0 << 3 << 0 << 3;
    QTest::newRow("9600 odd 7 2") << 12 << 8 << 2 << 4 << 14;
    QTest::newRow("57600 space 5 1") << 15 << 56 << 0 << 0 << 56;
    QTest::newRow("600 mark 6 2") << 6 << 40 << 1 << 4 << 45;
}

void TestLinkCommFun::configurePassesOrOfCodes()
{
    QFETCH(int, baud);
    QFETCH(int, parity);
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    QFETCH(int, mode);
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    QVERIFY(link.ConfigurePort(kPort, baud, parity, dataBits, stopBits));
    QCOMPARE(m_fake->lastBaud, baud);
    QCOMPARE(m_fake->lastMode, mode);
}

void TestLinkCommFun::sendNeverPassesMoreThanTheBytes()
{
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    QVERIFY(link.SendData(kPort, QByteArray("ABC"), 100));
    QCOMPARE(m_fake->written, QByteArray("ABC"));
    QVERIFY(link.SendData(kPort, QByteArray("DEF"), 2));
    QCOMPARE(m_fake->written, QByteArray("ABCDE"));
    QVERIFY(link.SendData(kPort, QByteArray("GHI"), -4));
    QCOMPARE(m_fake->written, QByteArray("ABCDE"));
}

void TestLinkCommFun::readNothingWaiting()
{
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    QByteArray out("untouched");
    link.ReadData(kPort, out);
    QCOMPARE(out, QByteArray("untouched"));
    QCOMPARE(m_fake->reads, 0);
    // A port that is not open reports a negative count: also nothing, and no read.
    link.ReadData(kPort + 1, out);
    QCOMPARE(out, QByteArray("untouched"));
    QCOMPARE(m_fake->reads, 0);
}

void TestLinkCommFun::readThirteenBytesWithAnyValue()
{
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    const QByteArray bytes("\x5A\x00\x80\x81\xFE\xFF\x00\x7F\x01\xC3\xA9\x0D\x0A", 13);
    m_fake->queue = bytes;
    QByteArray out;
    link.ReadData(kPort, out);
    QCOMPARE(out.size(), 13);
    QCOMPARE(out, bytes);
    QCOMPARE(TCommFun::BytesToHexText(out, false), QStringLiteral("5A008081FEFF007F01C3A90D0A"));
    QVERIFY(m_fake->queue.isEmpty());
}

void TestLinkCommFun::readMoreThanOneBufferLosesNothing()
{
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    QByteArray sent;
    for (int i = 0; i < 1500; ++i)
        sent.append(static_cast<char>(i * 7));
    m_fake->queue = sent;

    QByteArray first;
    link.ReadData(kPort, first);
    QCOMPARE(first.size(), 1025);
    QCOMPARE(m_fake->readLengths, QList<int>{1025}); // never more than the buffer holds
    QCOMPARE(m_fake->queue.size(), 475);             // the rest waits in the driver

    QByteArray second;
    link.ReadData(kPort, second);
    QCOMPARE(second.size(), 475);
    QCOMPARE(first + second, sent);
}

void TestLinkCommFun::readFailureEndsTheRead()
{
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    m_fake->queue = QByteArray(40, 'x');
    m_fake->readStatus = SIO_WIN32FAIL;
    QByteArray out;
    link.ReadData(kPort, out);
    QVERIFY(out.isEmpty());
    QCOMPARE(m_fake->reads, 1);
    QVERIFY(m_ui->messages.isEmpty());
}

void TestLinkCommFun::libraryRefusesBadPortNumbers()
{
    char buf[4] = {};
    for (int port : {0, -1, 37, 1000}) {
        QCOMPARE(sio_open(port), int(SIO_BADPORT));
        QCOMPARE(sio_close(port), int(SIO_BADPORT));
        QCOMPARE(sio_ioctl(port, B_2400, BIT_8), int(SIO_BADPORT));
        QCOMPARE(sio_write(port, "a", 1), int(SIO_BADPORT));
        QCOMPARE(sio_read(port, buf, 4), int(SIO_BADPORT));
        QVERIFY(sio_iqueue(port) <= 0);
    }
    // A valid number that is not open.
    QCOMPARE(sio_close(9), int(SIO_BADPORT));
    QCOMPARE(sio_write(9, "a", 1), int(SIO_BADPORT));
    // Parameters the library does not know.
    QCOMPARE(sio_open(kPort), 0);
    QCOMPARE(sio_write(kPort, "a", -1), int(SIO_BADPARM));
    QCOMPARE(sio_read(kPort, nullptr, 5), int(SIO_BADPARM));
}

void TestLinkCommFun::openNonexistentDevice_data()
{
    QTest::addColumn<QString>("edition");
    QTest::addColumn<QString>("message");
    QTest::newRow("English") << "" << kOpenGone;
    QTest::newRow("German") << "GERMAN" << "KEIN PORT GEFUNDEN!";
}

void TestLinkCommFun::openNonexistentDevice()
{
    QFETCH(QString, edition);
    QFETCH(QString, message);
    useEdition(edition);
    IniFile ini(GlobleVar::ConfigPath());
    QVERIFY(ini.WriteString("Ports", "COM7", m_dir.filePath("no-such-tty")));
    TCommFun link;
    QVERIFY(!link.OpenPort(7));
    QCOMPARE(m_ui->messages, QStringList{message});
}

void TestLinkCommFun::sendAfterCloseSaysNotOpened()
{
    TCommFun link;
    QVERIFY(link.OpenPort(kPort));
    QVERIFY(link.SendData(kPort, QByteArray("\x01", 1), 1));
    QVERIFY(link.ClosePort(kPort));
    for (int attempt = 0; attempt < 2; ++attempt)
        QVERIFY(!link.SendData(kPort, QByteArray("\x01", 1), 1));
    QCOMPARE(m_ui->messages, (QStringList{kNotOpened, kNotOpened}));
    QVERIFY(!link.ConfigurePort(kPort, B_2400, P_NONE, BIT_8, STOP_1));
    QCOMPARE(m_ui->lastMessage(), kNotOpened);
    m_ui->clear();
    GlobleVar::EditionKeyword = QStringLiteral("GERMAN");
    QVERIFY(!link.SendData(kPort, QByteArray("\x01", 1), 1));
    QCOMPARE(m_ui->messages, QStringList{"KEIN PORT GEOEFFNET!"});
}

QTEST_MAIN(TestLinkCommFun)
#include "tst_link_commfun.moc"
