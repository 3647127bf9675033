#pragma once

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

// Prints the runs as usual and remembers the mean time of each, so that a program can print its
// goals after the runs.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                seconds[run.run_name.function_name] =
                    run.real_accumulated_time / static_cast<double>(run.iterations);
            }
        }
    }
    // "<name> / <base>: <ratio> (goal: at most <goal>)", when both ran.
    void printRatio(const std::string& name, const std::string& base, double goal) const {
        const auto n = seconds.find(name);
        const auto b = seconds.find(base);
        if (n != seconds.end() && b != seconds.end() && b->second > 0) {
            std::printf("%s / %s: %.2f (goal: at most %.2f)\n", name.c_str(), base.c_str(),
                        n->second / b->second, goal);
        }
    }

    // Seconds per iteration, by benchmark name.
    std::map<std::string, double> seconds;
};
