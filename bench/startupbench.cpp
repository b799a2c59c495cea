// Start-up time of the whole program: process start to the three start-up windows shown
// (the program leaves as soon as they are, with --exit-after-start). Median of several runs.
//   startupbench <path to qmx-trend> [runs]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: startupbench <qmx-trend> [runs]\n");
        return 2;
    }
    const int runs = args.size() > 2 ? args[2].toInt() : 11;
    QTemporaryDir config;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")) && !env.contains(QStringLiteral("DISPLAY")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        process.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        process.start(args[1], {QStringLiteral("--exit-after-start")});
        if (!process.waitForFinished(30000) || process.exitCode() != 0) {
            std::fprintf(stderr, "run %d failed: %s\n", i, process.readAllStandardError().constData());
            return 1;
        }
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("start-up to three windows shown, %d runs: median %.1f ms, min %.1f ms, max %.1f ms\n", runs,
                times[times.size() / 2], times.front(), times.back());
    return 0;
}
