// The program: `varnox [DIR]`, one main window over DIR; without DIR the
// working directory when it holds the calculator's files, else the user's
// data folder, which gets the default kit at its first start. File > Open
// folder... closes the window and opens the next one on the folder chosen.
// SIGTERM, SIGINT and SIGHUP close the window
// and save the calculator's memory, so a logout, a shutdown or Ctrl+C keeps
// it; such a close waits on no box and no dialog, as no one may be there to
// answer: what a box would say goes to stderr. A signal while a close by the
// user waits on a box ends the process, once what could be saved was saved.
// The exit status is 1 when the memory could not be saved.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSocketNotifier>

#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "frontend/FirmwareReload.h"
#include "frontend/Main.h"
#include "frontend/MainMenu.h"
#include "frontend/debugger/Debug.h"
#include "system/CommandLine.h"
#include "system/DataFolder.h"

namespace {

// Written by the signal handler, read by the event loop: the only thing a
// handler may safely do is write a byte, here the signal's number.
int signalPipe[2] = {-1, -1};

void OnSignal(int signal) {
    const auto byte = static_cast<unsigned char>(signal);
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

// The window whose machine must be saved if the process is made to exit
// without closing it: the window system's library exits the process when
// its connection to the display breaks (a display server that died).
varnox::TMainForm* unclosedWindow = nullptr;

void SaveUnclosedWindow() {
    if (unclosedWindow) unclosedWindow->SaveWithoutWindow();
}

// Ends the process as the signal itself would have.
[[noreturn]] void EndBySignal(int signal) {
    std::fprintf(stderr, "varnox: another signal while closing; ending now\n");
    std::fflush(stderr);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    _exit(128 + signal);
}

// Answers --help and --version, refuses a command line that cannot run;
// returns the exit status, or -1 to run.
int AnswerCommandLine(const varnox::ProgramArguments& arguments) {
    using Action = varnox::ProgramArguments::Action;
    switch (arguments.action) {
        case Action::Help: std::fputs(varnox::ProgramUsage().c_str(), stdout); return 0;
        case Action::Version: std::printf("varnox %s\n", VARNOX_VERSION); return 0;
        case Action::Refuse:
            std::fprintf(stderr, "varnox: %s\n%s", arguments.problem.c_str(), varnox::ProgramUsage().c_str());
            return 2;
        case Action::Run: break;
    }
    return -1;
}

// The Debug menu opens the tools too, beside the window where they fit.
void AddToolsItem(varnox::TMainForm& mainForm, varnox::TDebugForm& debugForm) {
    auto* tools = new QAction(QStringLiteral("Debug tools"), &mainForm);
    QObject::connect(tools, &QAction::triggered, &debugForm, [&debugForm] {
        debugForm.Show();
        debugForm.FocusTools();
    });
    for (QAction* item : mainForm.Menu().MenuBar()->actions()) {
        if (item->menu() && item->menu()->title() == QStringLiteral("&Debug")) item->menu()->addAction(tools);
    }
}

// The folder for a start without DIR, and what went wrong preparing it; a
// data folder that cannot be used is refused as a DIR would be. A current
// folder removed since the start serves nothing: a relative DIR is refused,
// and without DIR the data folder is used, which the window says.
std::optional<varnox::StartFolder> StartFolderOf(const varnox::ProgramArguments& arguments) {
    std::error_code gone;
    const std::filesystem::path here = std::filesystem::current_path(gone);
    const std::optional<std::filesystem::path> current = gone ? std::nullopt : std::optional(here);
    if (!arguments.dir.empty()) {
        const std::filesystem::path dir(arguments.dir);
        if (!dir.is_absolute() && !current) {
            std::fprintf(stderr, "varnox: %s: a relative folder, and the current folder cannot be had (%s): give an absolute one\n",
                         arguments.dir.c_str(), gone.message().c_str());
            return std::nullopt;
        }
        if (const auto problem = varnox::UnusableDirectory(dir)) {
            std::fprintf(stderr, "varnox: %s\n", problem->c_str());
            return std::nullopt;
        }
        return varnox::StartFolder{dir.is_absolute() ? dir : *current / dir, {}};
    }
    varnox::StartFolder start = varnox::ChooseStartFolder(
        current, varnox::UserDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME")), varnox::DefaultKit());
    if (start.Dir.empty()) {
        std::fprintf(stderr, "varnox: the current folder cannot be had (%s), and without HOME there is no data folder: give DIR\n",
                     gone.message().c_str());
        return std::nullopt;
    }
    if (start.Dir != current) {
        if (const auto problem = varnox::UnusableDirectory(start.Dir)) {
            for (const std::string& message : start.Messages) std::fprintf(stderr, "varnox: %s\n", message.c_str());
            std::fprintf(stderr, "varnox: %s\n", problem->c_str());
            return std::nullopt;
        }
    }
    if (!current) {
        start.Messages.insert(start.Messages.begin(), "The folder varnox was started in cannot be had (" + gone.message() +
                                                          "): the calculator's files are in " + start.Dir.string());
    }
    return start;
}

// One window over `dir` until it closes; returns the exit status and sets
// `next` to the folder File > Open folder... chose.
int RunWindow(QApplication& app, const std::filesystem::path& dir, const std::vector<std::string>& messages,
              bool handlingSignals, bool& signalled, std::optional<std::filesystem::path>& next) {
    bool memorySaved = true;  // set by the close, which may come as late as the window's end
    varnox::TMainForm mainForm(dir.lexically_normal());
    for (const std::string& message : messages) mainForm.Warnings().Show(QString::fromStdString(message));
    // Hidden until F3 or a stop of the run loop shows it.
    varnox::TDebugForm debugForm(mainForm.GetMachine(), mainForm.Control(), dir.lexically_normal());
    mainForm.ShowDebugger = [&debugForm] { debugForm.Show(); };
    varnox::TFirmwareReload reload(&mainForm, mainForm.GetMachine(), dir.lexically_normal(), debugForm.Controller(),
                                   mainForm.Messages(), mainForm.Warnings());
    reload.AddToFileMenu(mainForm.Menu().MenuBar());
    AddToolsItem(mainForm, debugForm);
    // Ends every event loop, a dialog's too.
    QObject::connect(&mainForm, &varnox::TMainForm::Closed, &app, [&memorySaved](bool saved) {
        memorySaved = saved;
        QCoreApplication::exit(saved ? 0 : 1);
    });

    if (handlingSignals) {
        auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &mainForm);
        QObject::connect(notifier, &QSocketNotifier::activated, &mainForm, [&mainForm, &signalled] {
            unsigned char buffer[16];
            int received = 0;
            int last = SIGTERM;
            for (ssize_t n; (n = read(signalPipe[0], buffer, sizeof buffer)) > 0; received += static_cast<int>(n)) {
                last = buffer[n - 1];
            }
            if (received == 0) return;
            if (mainForm.Closing()) EndBySignal(last);
            signalled = true;
            mainForm.Warnings().SetUnattended();
            mainForm.close();
        });
    }

    unclosedWindow = &mainForm;
    mainForm.show();
    const int status = app.exec();
    unclosedWindow = nullptr;
    next = mainForm.NextFolder();
    // The last window closing may have ended the loop first.
    return memorySaved ? status : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Read before any window: --help needs no display.
    const varnox::ProgramArguments arguments = varnox::ParseProgramArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (const int status = AnswerCommandLine(arguments); status >= 0) return status;
    const std::optional<varnox::StartFolder> start = StartFolderOf(arguments);
    if (!start) return 1;

    // Handlers first: a signal during loading is then held until the
    // window can close properly.
    const bool handlingSignals = InstallSignalHandlers();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnox Emulator"));
    QApplication::setOrganizationName(QStringLiteral("Varnox"));
    std::atexit(SaveUnclosedWindow);

    std::filesystem::path dir = start->Dir;
    std::vector<std::string> messages = start->Messages;
    bool signalled = false;
    for (;;) {
        std::optional<std::filesystem::path> next;
        const int status = RunWindow(app, dir, messages, handlingSignals, signalled, next);
        if (status != 0 || signalled || !next) return status;
        dir = *next;
        messages.clear();
    }
}
