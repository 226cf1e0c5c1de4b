#include "SerialNumberStore.h"

#include "IniFile.h"

#include <QLockFile>
#include <QStringList>

#include <algorithm>

namespace {

const QString kSn = QStringLiteral("SN");
const QString kNo = QStringLiteral("NO");
const QString kReleased = QStringLiteral("Released");

QString Pad5(int n)
{
    return QStringLiteral("%1").arg(n, 5, 10, QLatin1Char('0'));
}

QList<int> ReleasedOf(const IniFile& ini)
{
    QList<int> out;
    for (const QString& t : ini.ReadString(kSn, kReleased, QString()).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = t.trimmed().toInt(&ok);
        if (ok && n >= 0 && n <= SerialNumberStore::kMaxSequence && !out.contains(n))
            out << n;
    }
    std::sort(out.begin(), out.end());
    return out;
}

bool WriteReleased(IniFile& ini, const QList<int>& numbers)
{
    QStringList t;
    for (int n : numbers)
        t << Pad5(n);
    return ini.WriteString(kSn, kReleased, t.join(QLatin1Char(',')));
}

} // namespace

SerialNumberStore::SerialNumberStore(const QString& configPath) : m_path(configPath) {}

template <typename F>
bool SerialNumberStore::locked(F&& work, QString* error)
{
    QLockFile lock(m_path + QStringLiteral(".lock"));
    lock.setStaleLockTime(30000);
    if (!lock.tryLock(10000)) {
        if (error)
            *error = QStringLiteral("%1.lock: another program holds the serial numbers").arg(m_path);
        return false;
    }
    return work();
}

int SerialNumberStore::take(QString* error)
{
    int number = -1;
    locked(
        [&] {
            IniFile ini(m_path);
            QList<int> released = ReleasedOf(ini);
            if (!released.isEmpty()) {
                number = released.takeFirst();
                if (!WriteReleased(ini, released))
                    number = -1;
            } else {
                bool ok = false;
                const int last = ini.ReadString(kSn, kNo, QString()).trimmed().toInt(&ok);
                const int next = ok ? last + 1 : 1;
                if (next > kMaxSequence) {
                    if (error)
                        *error = QStringLiteral("serial number %1 is past %2: the sequence is used up")
                                     .arg(next)
                                     .arg(kMaxSequence);
                    return false;
                }
                if (ini.WriteString(kSn, kNo, Pad5(next)))
                    number = next;
            }
            if (number < 0 && error && error->isEmpty())
                *error = QStringLiteral("%1 cannot be written").arg(m_path);
            return number >= 0;
        },
        error);
    return number;
}

bool SerialNumberStore::giveBack(int number, QString* error)
{
    return locked(
        [&] {
            IniFile ini(m_path);
            QList<int> released = ReleasedOf(ini);
            if (!released.contains(number))
                released << number;
            std::sort(released.begin(), released.end());
            const bool ok = WriteReleased(ini, released);
            if (!ok && error)
                *error = QStringLiteral("%1 cannot be written").arg(m_path);
            return ok;
        },
        error);
}

bool SerialNumberStore::noteWritten(int number, QString* error)
{
    return locked(
        [&] {
            IniFile ini(m_path);
            bool ok = false;
            const int last = ini.ReadString(kSn, kNo, QString()).trimmed().toInt(&ok);
            if (ok && last >= number)
                return true;
            const bool written = ini.WriteString(kSn, kNo, Pad5(number));
            if (!written && error)
                *error = QStringLiteral("%1 cannot be written").arg(m_path);
            return written;
        },
        error);
}
