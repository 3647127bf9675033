#pragma once

#include "RatioReporter.h"

#include <QtCore/QtGlobal>
#include <QtGui/QGuiApplication>

#include <benchmark/benchmark.h>

#include <functional>

// The whole program of a benchmark that draws: an offscreen application (unless a platform is
// named), `startUp` for the libraries it uses, the runs, then `printGoals` with their figures.
inline int runGuiBenchmarks(int argc, char** argv, const std::function<void()>& startUp,
                            const std::function<void(const RatioReporter&)>& printGoals) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    startUp();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printGoals(reporter);
    benchmark::Shutdown();
    return 0;
}
