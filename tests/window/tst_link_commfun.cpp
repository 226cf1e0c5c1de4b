// The serial link's failures as the operator sees them: TCommFun's box for each status of
// each port operation, English or in the German edition.
#include "app/GlobleVar.h"
#include "app/commfunction.h"
#include "core/config/IniFile.h"
#include "core/link/PComm.h"
#include "core/link/SioBackend.h"
#include "support/FakeUi.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kOpenHw = QString::fromUtf8("The port open fail\xEF\xBC\x8Chardware is error!");
const QString kOpenGone = QStringLiteral("The port open fail,the port NOT exist or other software have used it!");
const QString kWin32 = QStringLiteral("Call Win32 funtion fail!");
const QString kNotOpened = QStringLiteral("The Port NOT be opened!");
const QString kNotOpenedDe = QStringLiteral("KEIN PORT GEOEFFNET!");
const QString kSendParams = QStringLiteral("The parameters error when sending data!");

using Kind = UiServices::BoxKind;

} // namespace

Q_DECLARE_METATYPE(LinkStatus)
Q_DECLARE_METATYPE(UiServices::BoxKind)

class TestLinkCommFun : public QObject {
    Q_OBJECT
private slots:
    void init() { GlobleVar::ResetAll(); }
    void cleanup() { GlobleVar::ResetAll(); }

    void boxOfEachStatus_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<LinkStatus>("status");
        QTest::addColumn<QString>("edition");
        QTest::addColumn<QString>("message"); // empty: no box
        QTest::addColumn<Kind>("kind");
        const auto W = Kind::Warning;
        auto row = [](const char* name, const char* op, LinkStatus st, const char* ed, const QString& msg, Kind k) {
            QTest::newRow(name) << QString::fromLatin1(op) << st << QString::fromLatin1(ed) << msg << k;
        };
        row("open ok", "open", LinkStatus::Ok, "", "", W);
        row("open bad port", "open", LinkStatus::BadPort, "", kOpenHw, W);
        row("open bad port, German same", "open", LinkStatus::BadPort, "GERMAN", kOpenHw, W);
        row("open fail", "open", LinkStatus::OpenFail, "", kOpenGone, W);
        row("open fail, German", "open", LinkStatus::OpenFail, "GERMAN", "KEIN PORT GEFUNDEN!", W);
        row("open fail, other edition English", "open", LinkStatus::OpenFail, "german", kOpenGone, W);
        row("open system, German same", "open", LinkStatus::SystemFail, "GERMAN", kWin32, W);
        row("open bad parameter silent", "open", LinkStatus::BadParameter, "", "", W);
        row("open other silent", "open", LinkStatus::Other, "", "", W);

        row("configure ok", "configure", LinkStatus::Ok, "", "", W);
        row("configure not opened", "configure", LinkStatus::BadPort, "", kNotOpened, W);
        row("configure not opened, German", "configure", LinkStatus::BadPort, "GERMAN", kNotOpenedDe, W);
        row("configure system, German same", "configure", LinkStatus::SystemFail, "GERMAN", kWin32, W);
        row("configure bad parameter silent", "configure", LinkStatus::BadParameter, "", "", W);

        row("close ok", "close", LinkStatus::Ok, "", "", W);
        row("close system", "close", LinkStatus::SystemFail, "", kWin32, W);
        row("close bad port silent", "close", LinkStatus::BadPort, "", "", W);
        row("close open fail silent", "close", LinkStatus::OpenFail, "", "", W);

        row("send ok", "send", LinkStatus::Ok, "", "", W);
        row("send not opened", "send", LinkStatus::BadPort, "", kNotOpened, W);
        row("send not opened, German", "send", LinkStatus::BadPort, "GERMAN", kNotOpenedDe, W);
        row("send bad parameter: error box", "send", LinkStatus::BadParameter, "", kSendParams, Kind::Error);
        row("send bad parameter, German same", "send", LinkStatus::BadParameter, "GERMAN", kSendParams, Kind::Error);
        row("send aborted: warning box", "send", LinkStatus::WriteAborted, "", kSendParams, W);
        row("send system", "send", LinkStatus::SystemFail, "", kWin32, W);
        row("send time-out", "send", LinkStatus::Other, "", QString::fromUtf8("数据发送失败！"), W);
    }

    void boxOfEachStatus()
    {
        QFETCH(QString, operation);
        QFETCH(LinkStatus, status);
        QFETCH(QString, edition);
        QFETCH(QString, message);
        QFETCH(Kind, kind);
        GlobleVar::Settings.edition.keyword = edition;
        FakeUi ui;
        if (operation == "open")
            TCommFun::ShowOpenFailure(status);
        else if (operation == "configure")
            TCommFun::ShowConfigureFailure(status);
        else if (operation == "close")
            TCommFun::ShowCloseFailure(status);
        else
            TCommFun::ShowSendFailure(status);
        QCOMPARE(ui.messages, message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty())
            QCOMPARE(ui.kinds.first(), kind);
    }

    // The port calls' failures are told with the link's own messages; a refused send is shown as the window
    // shows the session's.
    void portOperationsShowTheirFailures()
    {
        QTemporaryDir dir;
        GlobleVar::SetStartDirectory(dir.path());
        GlobleVar::Settings.edition.keyword = QStringLiteral("GERMAN");
        QVERIFY(IniFile(GlobleVar::ConfigPath()).WriteString("Ports", "COM7", dir.filePath("no-such-tty")));
        PCommBackends::closeAll();
        SerialLink link;
        TCommFun commFun(link);
        FakeUi ui;
        TCommFun::ShowOpenFailure(link.open(7));
        TCommFun::ShowConfigureFailure(link.configure(LineSettings{2400, 'N', 8, 1}));
        TCommFun::ShowSendFailure(link.send("x"));
        QVERIFY(!commFun.ClosePort(7));
        QCOMPARE(ui.messages, (QStringList{"KEIN PORT GEFUNDEN!", kNotOpenedDe, kNotOpenedDe}));
    }
};

QTEST_MAIN(TestLinkCommFun)
#include "tst_link_commfun.moc"
