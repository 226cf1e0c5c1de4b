#include "commfunction.h"

#include "PComm.h"
#include "app/GlobleVar.h"
#include "app/UiServices.h"

#include <algorithm>

namespace {

// The port layer's messages are English, or German in that edition only.
QString Pick(const char* english, const char* german)
{
    return QString::fromUtf8(GlobleVar::IsEdition("GERMAN") ? german : english);
}

const char* const kWin32Fail = "Call Win32 funtion fail!";
const char* const kNotOpened = "The Port NOT be opened!";
const char* const kNotOpenedDe = "KEIN PORT GEOEFFNET!";
const char* const kSendParams = "The parameters error when sending data!";

// One poll takes at most this many bytes; the rest stays queued for the next poll.
constexpr int kReadBufferSize = 1025;

} // namespace

bool TCommFun::OpenPort(int port)
{
    const int status = sio_open(port);
    if (status == SIO_OK)
        return true;
    switch (status) {
    case SIO_BADPORT:
        ShowWarning(QString::fromUtf8("The port open fail\xEF\xBC\x8Chardware is error!"));
        break;
    case SIO_OPENFAIL:
        ShowWarning(Pick("The port open fail,the port NOT exist or other software have used it!",
                         "KEIN PORT GEFUNDEN!"));
        break;
    case SIO_WIN32FAIL:
        ShowWarning(QString::fromUtf8(kWin32Fail));
        break;
    default:
        break;
    }
    return false;
}

bool TCommFun::ConfigurePort(int port, int baudCode, int parityCode, int dataBitsCode, int stopBitsCode)
{
    const int status = sio_ioctl(port, baudCode, parityCode | dataBitsCode | stopBitsCode);
    if (status == SIO_OK)
        return true;
    if (status == SIO_BADPORT)
        ShowWarning(Pick(kNotOpened, kNotOpenedDe));
    else if (status == SIO_WIN32FAIL)
        ShowWarning(QString::fromUtf8(kWin32Fail));
    return false;
}

bool TCommFun::ClosePort(int port)
{
    const int status = sio_close(port);
    if (status == SIO_OK)
        return true;
    if (status == SIO_WIN32FAIL)
        ShowWarning(QString::fromUtf8(kWin32Fail));
    return false;
}

bool TCommFun::SendData(int port, const QByteArray& data, int count)
{
    // Never hand the library more bytes than the string holds.
    const int n = std::clamp(count, 0, static_cast<int>(data.size()));
    const int status = sio_write(port, data.constData(), n);
    if (status >= 0)
        return true;
    switch (status) {
    case SIO_BADPORT:
        ShowWarning(Pick(kNotOpened, kNotOpenedDe));
        break;
    case SIO_BADPARM:
        ShowError(QString::fromUtf8(kSendParams));
        break;
    case SIO_ABORTWRITE:
        ShowWarning(QString::fromUtf8(kSendParams));
        break;
    default:
        break;
    }
    return false;
}

void TCommFun::ReadData(int port, QByteArray& out)
{
    const int waiting = sio_iqueue(port);
    if (waiting <= 0)
        return;
    // Bytes beyond one buffer (and any that arrive meanwhile) stay in the driver for the next
    // poll instead of being drained and dropped.
    char buffer[kReadBufferSize];
    const int want = std::min(waiting, kReadBufferSize);
    const int got = sio_read(port, buffer, want);
    if (got <= 0)
        return;
    out = QByteArray(buffer, std::min(got, want));
}

int TCommFun::HexDigitValue(const QString& digit)
{
    if (digit.size() != 1)
        return 0;
    const QChar c = digit.at(0);
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return c.unicode() - '0';
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        return c.unicode() - 'A' + 10;
    if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        return c.unicode() - 'a' + 10;
    return 0;
}

int TCommFun::HexByteValue(const QString& pair)
{
    return 16 * HexDigitValue(pair.mid(0, 1)) + HexDigitValue(pair.mid(1, 1));
}

QString TCommFun::RemoveSpaces(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        if (c != QLatin1Char(' '))
            out.append(c);
    return out;
}

QByteArray TCommFun::HexTextToBytes(const QString& hex)
{
    const QString t = RemoveSpaces(hex);
    QByteArray out;
    out.reserve((t.size() + 1) / 2);
    int i = 0;
    for (; i + 1 < t.size(); i += 2)
        out.append(static_cast<char>(HexByteValue(t.mid(i, 2))));
    if (i < t.size()) // a last digit on its own is the low nibble of a byte
        out.append(static_cast<char>(HexByteValue(QStringLiteral("0") + t.at(i))));
    return out;
}

QString TCommFun::BytesToHexText(const QByteArray& bytes, bool separator)
{
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    out.reserve(bytes.size() * (separator ? 3 : 2));
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out.append(QLatin1Char(digits[b >> 4]));
        out.append(QLatin1Char(digits[b & 0x0F]));
        if (separator)
            out.append(QLatin1Char(' '));
    }
    return out;
}

int TCommFun::HexTextToInt(const QString& hex)
{
    // Unsigned arithmetic: texts longer than eight digits wrap instead of overflowing.
    quint32 sum = 0;
    quint32 weight = 1; // 16 to the power of the distance from the end
    for (int i = hex.size() - 1; i >= 0; --i) {
        sum += static_cast<quint32>(HexDigitValue(hex.mid(i, 1))) * weight;
        weight *= 16;
    }
    return static_cast<int>(sum);
}

int TCommFun::IntPower(int base, int exponent)
{
    quint32 result = 1;
    for (int i = 0; i < exponent; ++i)
        result *= static_cast<quint32>(base);
    return static_cast<int>(result);
}

QString TCommFun::Checksum(const QString& hex)
{
    if (hex.isEmpty())
        return QStringLiteral("00");
    const QString t = (hex.size() % 2) ? QStringLiteral("0") + hex : hex;
    int sum = 0;
    for (int i = 0; i + 1 < t.size(); i += 2)
        sum = (sum + HexByteValue(t.mid(i, 2))) & 0xFF;
    return QStringLiteral("%1").arg(sum, 2, 16, QLatin1Char('0')).toUpper();
}

bool TCommFun::PortLost(int port)
{
    return sio_lost(port);
}
