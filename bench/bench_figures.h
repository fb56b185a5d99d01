#pragma once
// Figures the benchmarks share: the process's own memory as the kernel counts it,
// and percentiles of timings.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <algorithm>
#include <vector>

namespace zv::bench {

// A field of /proc/self/status in KiB ("VmHWM:" the peak resident size of this
// program image; getrusage's maxrss would also carry the parent's peak across fork
// and exec; "VmRSS:" the resident size now); -1 when it cannot be read.
inline long statusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key(field);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

inline long peakKiB()
{
    return statusKiB("VmHWM:");
}

// The value below which the share `p` (0..1) of `values` lies, the nearest one; 0
// for none.
inline double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5))];
}

} // namespace zv::bench
