#pragma once
// Timing helpers of the benchmarks: the best of several rounds (for work whose
// noise only ever adds time) and the median (for figures read as typical).

#include <QElapsedTimer>

#include <algorithm>
#include <vector>

template <typename F>
double bestMs(int rounds, F &&f)
{
    double best = 1e300;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        f();
        best = std::min(best, double(t.nsecsElapsed()) / 1e6);
    }
    return best;
}

template <typename Fn>
double medianMs(int runs, Fn fn)
{
    std::vector<double> times;
    times.reserve(runs);
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        fn();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[runs / 2];
}
