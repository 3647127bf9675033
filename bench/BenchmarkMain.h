#pragma once

#include "RatioReporter.h"

#include <benchmark/benchmark.h>

#include <functional>

// The whole program of a benchmark: the application of type `Application`, `startUp` for the
// libraries it uses, the runs, then `printGoals` with their figures.
template <class Application>
int runBenchmarksIn(int argc, char** argv, const std::function<void()>& startUp,
                    const std::function<void(const RatioReporter&)>& printGoals) {
    Application application(argc, argv);
    startUp();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printGoals(reporter);
    benchmark::Shutdown();
    return 0;
}
