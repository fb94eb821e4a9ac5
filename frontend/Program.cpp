// The program: one main window over the working directory. SIGTERM, SIGINT
// and SIGHUP close the window as its close box does, so a logout, a
// shutdown or Ctrl+C still saves the calculator's memory.
#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "debugger/Debug.h"
#include "frontend/Main.h"

namespace {

// Written by the signal handler, read by the event loop: the only thing a
// handler may safely do is write a byte.
int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    const ssize_t written = write(signalPipe[1], &byte, 1);
    (void)written;  // a full pipe already holds a pending close
}

bool InstallSignalHandlers() {
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Handlers first: a signal during loading is then held until the
    // window can close properly.
    const bool handlingSignals = InstallSignalHandlers();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnox Emulator"));

    varnox::TMainForm mainForm;
    // Hidden until F3 or a stop of the run loop shows it.
    varnox::TDebugForm debugForm(mainForm.GetMachine());
    mainForm.ShowDebugger = [&debugForm] { debugForm.Show(); };
    QObject::connect(&mainForm, &varnox::TMainForm::Closed, &app, &QApplication::quit, Qt::QueuedConnection);

    QSocketNotifier* notifier = nullptr;
    if (handlingSignals) {
        notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &mainForm, [&mainForm] {
            char buffer[16];
            while (read(signalPipe[0], buffer, sizeof buffer) > 0) {
            }
            mainForm.close();
        });
    }

    mainForm.show();
    return app.exec();
}
