// The window's speed at "Unlimited" next to the run path's for the same
// program and the same run ticks, in one process, round by round:
//
//   varnox-window-bench [idle|mix] [SECONDS] [ROUNDS]
//
// Each round lets the window run at Unlimited for SECONDS (default 3) with
// its painting, messages and rewind ring, then runs the same run ticks
// headless on the run path (as varnox-bench does) from the same machine,
// once counting the steps and once timed. It prints the steps per second
// of each and their ratio, and whether the headless run ended on the
// window's machine (it must: the run is the same). `idle` is the default
// firmware from power-on (the kit in VARNOX_BENCH_KIT, or else the
// build's), `mix` the benchmarks' instruction mix as rom0.bin. Run it
// offscreen (QT_QPA_PLATFORM=offscreen) or under xvfb-run.
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/Mix.h"
#include "frontend/Main.h"
#include "frontend/RunSpeed.h"
#include "system/Files.h"
#include "system/RunPath.h"
#include "system/SaveState.h"

namespace {

using varnox::Machine;

std::filesystem::path KitDir() {
    if (const char* dir = std::getenv("VARNOX_BENCH_KIT"); dir && *dir) return dir;
    return VARNOX_BENCH_DEFAULT_KIT;
}

bool CopyKit(const std::filesystem::path& to, bool mix) {
    for (const char* name : {"rom0.bin", "rom1.bin", "charset.bin", "keys.bmp", "varnox.ini"}) {
        std::error_code error;
        std::filesystem::copy_file(KitDir() / name, to / name, error);
        if (error) {
            std::fprintf(stderr, "varnox-window-bench: %s: %s\n", (KitDir() / name).c_str(), error.message().c_str());
            return false;
        }
    }
    if (!mix) return true;
    auto m = std::make_unique<Machine>();
    varnox::bench::LoadMix(*m);
    QFile rom(QString::fromStdString((to / "rom0.bin").string()));
    if (!rom.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        rom.write(reinterpret_cast<const char*>(m->InstrRom.data()), varnox::InstrRomBytes) != varnox::InstrRomBytes) {
        std::fprintf(stderr, "varnox-window-bench: %s: cannot write the mix\n", (to / "rom0.bin").c_str());
        return false;
    }
    return true;
}

struct Round {
    double windowRate = 0;    // steps per second
    double headlessRate = 0;  // steps per second
    double windowTimesReal = 0;
    bool same = false;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const std::string program = argc > 1 ? argv[1] : "idle";
    const double seconds = argc > 2 ? std::atof(argv[2]) : 3.0;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
    if ((program != "idle" && program != "mix") || seconds <= 0 || rounds < 1) {
        std::fprintf(stderr, "usage: varnox-window-bench [idle|mix] [SECONDS] [ROUNDS]\n");
        return 2;
    }
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        std::fprintf(stderr, "varnox-window-bench: no scratch folder: %s\n", scratch.errorString().toLocal8Bit().constData());
        return 1;
    }
    const std::filesystem::path dir = scratch.path().toStdString();
    // The window's desktop settings stay in the scratch folder.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.filePath(QStringLiteral("config"))));
    if (!CopyKit(dir, program == "mix")) return 1;

    QApplication app(argc, argv);
    varnox::TMainForm form(dir);
    form.show();
    form.RunSpeed().SetSpeed(0);  // Unlimited

    // The same machine on the run path, kept at the window's run tick.
    auto headless = std::make_unique<Machine>();
    varnox::LoadMachine(*headless, dir);
    varnox::StartMachine(*headless);
    long long headlessTick = 0;

    std::vector<Round> results;
    std::printf("%-6s %14s %14s %16s %6s %5s\n", "round", "window x real", "window M st/s", "run path M st/s", "ratio", "same");
    for (int round = 1; round <= rounds; ++round) {
        const long long from = form.GetSession().Tick();
        const auto started = std::chrono::steady_clock::now();
        long long to = 0;
        std::vector<uint8_t> windowState;
        // The round ends between two run ticks, on the window's own thread.
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, [&] {
            to = form.GetSession().Tick();
            windowState = varnox::EncodeState(form.GetMachine());
            loop.quit();
        });
        loop.exec();
        const double windowSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

        varnox::RunTicks(*headless, from - headlessTick);
        Machine counted = *headless;
        const long long steps = varnox::RunTicks(counted, to - from).steps;
        const auto headlessStarted = std::chrono::steady_clock::now();
        varnox::RunTicks(*headless, to - from);
        const double headlessSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - headlessStarted).count();
        headlessTick = to;

        Round r;
        r.windowRate = static_cast<double>(steps) / windowSeconds;
        r.headlessRate = static_cast<double>(steps) / headlessSeconds;
        r.windowTimesReal = static_cast<double>(to - from) * varnox::TMainForm::RunInterval / 1000.0 / windowSeconds;
        r.same = varnox::EncodeState(*headless) == windowState;
        results.push_back(r);
        std::printf("%-6d %14.0f %14.1f %16.1f %6.2f %5s\n", round, r.windowTimesReal, r.windowRate / 1e6, r.headlessRate / 1e6,
                    r.windowRate / r.headlessRate, r.same ? "yes" : "no");
        std::fflush(stdout);
    }
    std::vector<double> window, path, ratio;
    bool allSame = true;
    for (const Round& r : results) {
        window.push_back(r.windowRate);
        path.push_back(r.headlessRate);
        ratio.push_back(r.windowRate / r.headlessRate);
        allSame = allSame && r.same;
    }
    std::printf("median %14s %14.1f %16.1f %6.2f\n", "", Median(window) / 1e6, Median(path) / 1e6, Median(ratio));
    form.close();
    return allSame ? 0 : 1;
}
