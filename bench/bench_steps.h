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

// The median times of `runs` calls of each step, in milliseconds. The steps are taken in turns,
// one call of each per round, so that a busy moment of a shared machine hits them alike.
// `prepare`, when given, is called before every step and not timed.
inline std::vector<double> MediansMs(int runs, const std::vector<std::function<void()>> &steps,
                                     const std::function<void()> &prepare = {})
{
    std::vector<std::vector<double>> times(steps.size());
    for (int i = 0; i < runs; ++i)
        for (std::size_t s = 0; s < steps.size(); ++s) {
            if (prepare)
                prepare();
            QElapsedTimer timer;
            timer.start();
            steps[s]();
            times[s].push_back(double(timer.nsecsElapsed()) / 1e6);
        }
    std::vector<double> medians;
    for (std::vector<double> &t : times) {
        std::sort(t.begin(), t.end());
        medians.push_back(t[t.size() / 2]);
    }
    return medians;
}

// The median time of `runs` calls of `step`, in milliseconds.
inline double MedianMs(int runs, const std::function<void()> &step)
{
    return MediansMs(runs, {step}).front();
}

} // namespace pixolan::bench
