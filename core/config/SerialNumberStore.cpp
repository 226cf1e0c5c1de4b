#include "SerialNumberStore.h"

#include "IniFile.h"

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

void SetReleased(IniFile& ini, const QList<int>& numbers)
{
    QStringList t;
    for (int n : numbers)
        t << Pad5(n);
    ini.SetString(kSn, kReleased, t.join(QLatin1Char(',')));
}

// The highest number handed out, -1 when none is recorded.
int LastOf(const IniFile& ini)
{
    bool ok = false;
    const int last = ini.ReadString(kSn, kNo, QString()).trimmed().toInt(&ok);
    return ok ? last : -1;
}

// Marks `number` as handed out: off the given-back list, NO raised to it.
void MarkHandedOut(IniFile& ini, int number)
{
    QList<int> released = ReleasedOf(ini);
    if (released.removeAll(number) > 0)
        SetReleased(ini, released);
    if (LastOf(ini) < number)
        ini.SetString(kSn, kNo, Pad5(number));
}

bool Fail(QString* error, const IniWriteError& e)
{
    if (error)
        *error = e.describe();
    return false;
}

} // namespace

SerialNumberStore::SerialNumberStore(const QString& configPath) : m_path(configPath) {}

int SerialNumberStore::take(QString* error)
{
    int number = -1;
    QString refused;
    IniWriteError e;
    const bool written = IniFile::Update(
        m_path,
        [&](IniFile& ini) {
            QList<int> released = ReleasedOf(ini);
            if (!released.isEmpty()) {
                number = released.takeFirst();
                SetReleased(ini, released);
                return true;
            }
            const int next = std::max(LastOf(ini), 0) + 1;
            if (next > kMaxSequence) {
                refused = QStringLiteral("serial number %1 is past %2: the sequence is used up").arg(next).arg(kMaxSequence);
                return false;
            }
            number = next;
            ini.SetString(kSn, kNo, Pad5(next));
            return true;
        },
        &e);
    if (!written) {
        Fail(error, e);
        return -1;
    }
    if (!refused.isEmpty()) {
        if (error)
            *error = refused;
        return -1;
    }
    return number;
}

bool SerialNumberStore::giveBack(int number, QString* error)
{
    IniWriteError e;
    const bool ok = IniFile::Update(
        m_path,
        [&](IniFile& ini) {
            QList<int> released = ReleasedOf(ini);
            if (released.contains(number))
                return false;
            released << number;
            std::sort(released.begin(), released.end());
            SetReleased(ini, released);
            return true;
        },
        &e);
    return ok || Fail(error, e);
}

bool SerialNumberStore::noteWritten(int number, QString* error)
{
    IniWriteError e;
    const bool ok = IniFile::Update(
        m_path,
        [&](IniFile& ini) {
            if (LastOf(ini) >= number && !ReleasedOf(ini).contains(number))
                return false;
            MarkHandedOut(ini, number);
            return true;
        },
        &e);
    return ok || Fail(error, e);
}

SerialNumberStore::Claim SerialNumberStore::claim(int number, bool again, int* lastHandedOut, QString* error)
{
    bool handedOut = false;
    IniWriteError e;
    const bool ok = IniFile::Update(
        m_path,
        [&](IniFile& ini) {
            const int last = LastOf(ini);
            if (lastHandedOut)
                *lastHandedOut = last;
            handedOut = number <= last && !ReleasedOf(ini).contains(number);
            if (handedOut)
                return false;
            MarkHandedOut(ini, number);
            return true;
        },
        &e);
    if (!ok) {
        Fail(error, e);
        return Claim::Failed;
    }
    return handedOut && !again ? Claim::AlreadyHandedOut : Claim::Claimed;
}

bool SerialNumberStore::keepChoice(const Choice& choice, int written, QString* error)
{
    IniWriteError e;
    const bool ok = IniFile::Update(
        m_path,
        [&](IniFile& ini) {
            ini.SetInteger(kSn, QStringLiteral("Model"), choice.modelRow);
            ini.SetString(kSn, QStringLiteral("Year"), choice.year);
            ini.SetString(kSn, QStringLiteral("Month"), choice.month);
            if (written >= 0)
                MarkHandedOut(ini, written);
            return true;
        },
        &e);
    return ok || Fail(error, e);
}

int SerialNumberStore::lastHandedOut() const
{
    return LastOf(IniFile(m_path));
}

bool SerialNumberStore::checkWritable(QString* error) const
{
    IniWriteError e;
    return IniFile::CheckWritable(m_path, &e) || Fail(error, e);
}
