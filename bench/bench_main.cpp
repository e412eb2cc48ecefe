#include "benchmarks.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string_view>

int main(int argc, char **argv)
{
    // The dump box is a real widget; no display is needed to fill it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    // Our one flag, taken out before Google Benchmark sees the rest.
    const std::string_view secondsFlag = "--line-rate-seconds=";
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with(secondsFlag))
            setLineRateSeconds(std::atoi(argument.substr(secondsFlag.size()).data()));
        else
            argv[kept++] = argv[i];
    }
    argc = kept;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    registerDrawBenchmarks();
    registerCaptureBenchmarks();
    registerWindowBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
