#pragma once

#include "BenchmarkMain.h"

#include <QtCore/QtGlobal>
#include <QtGui/QGuiApplication>

#include <functional>

// The whole program of a benchmark that draws: an offscreen application (unless a platform is
// named), `startUp` for the libraries it uses, the runs, then `printGoals` with their figures.
inline int runGuiBenchmarks(int argc, char** argv, const std::function<void()>& startUp,
                            const std::function<void(const RatioReporter&)>& printGoals) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    return runBenchmarksIn<QGuiApplication>(argc, argv, startUp, printGoals);
}
