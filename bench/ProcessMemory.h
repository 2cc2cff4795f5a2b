#pragma once

#include <QDir>
#include <QFile>

#include <cstdlib>
#include <sys/resource.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

// Memory and descriptor figures of this process for the benchmarks. Linux's /proc gives the
// current resident size and a peak that can be started again; without /proc (macOS) getrusage
// gives only the peak since the process started, which then stands for both.
namespace ProcessMemory {

// A "Vm...:" figure of /proc/self/status in kB (VmHWM is the peak of VmRSS), -1 without one.
inline long statusKilobytes(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// The peak resident size in kB, since the start or the last resetPeak() that succeeded.
inline long peakKilobytes() {
    if (const long peak = statusKilobytes("VmHWM:"); peak >= 0)
        return peak;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
#ifdef __APPLE__
    return long(usage.ru_maxrss / 1024); // bytes on macOS, kB on Linux and the BSDs
#else
    return long(usage.ru_maxrss);
#endif
}

// The resident size in kB; without /proc the peak so far, an upper bound.
inline long residentKilobytes() {
    const long resident = statusKilobytes("VmRSS:");
    return resident >= 0 ? resident : peakKilobytes();
}

// Starts the peak again from the current resident size, so it measures what follows. False
// where the system cannot (no /proc): the peak then counts everything since the start.
inline bool resetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

// Gives the pages freed to the allocator back to the system; glibc's keeps them otherwise.
inline void releaseFreed() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// The open file descriptors, the one listing them included.
inline int openFileDescriptors() {
#ifdef __linux__
    const QString listing = QStringLiteral("/proc/self/fd");
#else
    const QString listing = QStringLiteral("/dev/fd");
#endif
    return int(QDir(listing).entryList(QDir::Files | QDir::System).size());
}

} // namespace ProcessMemory
