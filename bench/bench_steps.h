// SPDX-License-Identifier: MIT
// What the benchmark programs share: giving up with a message, and timing a step.
#pragma once

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace pixolan::bench {

// Ends the program with "<program>: <message>" on standard error.
[[noreturn]] inline void Die(const char *program, const QString &message)
{
    std::fprintf(stderr, "%s: %s\n", program, qPrintable(message));
    std::exit(1);
}

// The median time of `runs` calls of `step`, in milliseconds.
inline double MedianMs(int runs, const std::function<void()> &step)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        step();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace pixolan::bench
