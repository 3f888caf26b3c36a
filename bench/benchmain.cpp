// Entry of the benchmark programs whose code under test needs a Qt application object (the
// store's connections, the packet layer's signals): the application first, then Google
// Benchmark reads the rest of the command line.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
