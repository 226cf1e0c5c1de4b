// CPU time and resident memory of this process, for benchmarks and long runs.
#pragma once

#include <QByteArray>
#include <QFile>

#include <sys/resource.h>

namespace ProcessStats {

// User plus system CPU seconds used so far.
inline double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Resident memory in KiB, -1 when it cannot be read.
inline long RssKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace ProcessStats
