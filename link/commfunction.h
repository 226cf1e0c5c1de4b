// The serial link: port operations on the serial library and the hex-text and checksum
// conversions on which the whole module protocol rests. Stateless; instances are
// interchangeable.
#pragma once

#include <QByteArray>
#include <QString>

class TCommFun {
public:
    bool OpenPort(int port);
    bool ConfigurePort(int port, int baudCode, int parityCode, int dataBitsCode, int stopBitsCode);
    bool ClosePort(int port);
    // True when the library accepted the write (a short count is not an error).
    bool SendData(int port, const QByteArray& data, int count);
    // Appends nothing and leaves `out` untouched when nothing waits.
    void ReadData(int port, QByteArray& out);
    // True while the port is open but its device has gone.
    bool PortLost(int port);

    static int HexDigitValue(const QString& digit);
    static int HexByteValue(const QString& pair);
    static QString RemoveSpaces(const QString& text);
    static QByteArray HexTextToBytes(const QString& hex);
    static QString BytesToHexText(const QByteArray& bytes, bool separator);
    static int HexTextToInt(const QString& hex);
    static int IntPower(int base, int exponent);
    static QString Checksum(const QString& hex);
};
