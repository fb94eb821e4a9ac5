// The program from the command line: --help and --version answer without a
// window (no display is even reachable), bad arguments and directories are
// refused with a message, and `varnox DIR` keeps its files in DIR.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>

#include "GuiSupport.h"

using namespace varnox::test;

namespace {

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

// Runs varnox with no display to open a window on.
Outcome RunWithoutDisplay(const QStringList& args) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(VARNOX_PATH), args);
    if (!process.waitForFinished(10000)) process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

// Whether the process has its SIGTERM handler in place: from then on the
// signal closes the window properly, however early it comes.
bool CatchesTerm(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1;
    }
    return false;
}

}  // namespace

class ProgramTest : public QObject {
    Q_OBJECT
private slots:
    void AnswersAndRefusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("--help") << QStringList{"--help"} << 0 << "usage: varnox [DIR]\n" << "";
        QTest::newRow("-h") << QStringList{"-h"} << 0 << "usage: varnox [DIR]\n" << "";
        QTest::newRow("--version") << QStringList{"--version"} << 0 << "varnox 0." << "";
        QTest::newRow("unknown option") << QStringList{"--frob"} << 2 << "" << "varnox: unknown option --frob\nusage:";
        QTest::newRow("two directories") << QStringList{"a", "b"} << 2 << "" << "varnox: one directory at most, not 2\n";
        QTest::newRow("missing") << QStringList{"/no/such/dir"} << 1 << "" << "varnox: /no/such/dir: no such directory\n";
        QTest::newRow("a file") << QStringList{"/etc/hostname"} << 1 << "" << "varnox: /etc/hostname: not a directory\n";
        QTest::newRow("not writable") << QStringList{"/proc"} << 1 << "" << "varnox: /proc: cannot write there (";
    }
    void AnswersAndRefusals() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Outcome outcome = RunWithoutDisplay(args);
        QCOMPARE(outcome.status, status);
        QVERIFY2(out.isEmpty() ? outcome.out.isEmpty() : outcome.out.startsWith(out), qPrintable(outcome.out));
        QVERIFY2(err.isEmpty() ? outcome.err.isEmpty() : outcome.err.startsWith(err), qPrintable(outcome.err));
    }

    void WorksInTheDirectoryGiven() {
        Scratch work;
        work.CopyKit();
        Scratch elsewhere;
        QProcess process;
        process.setWorkingDirectory(elsewhere.dir.path());
        process.start(QStringLiteral(VARNOX_PATH), {work.dir.path()});
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(CatchesTerm(process.processId()), 10000);
        process.terminate();
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(work.Read("ram.bin").size(), 8192);
        QCOMPARE(work.Read("register.bin").size(), 128);
        QVERIFY(!QFile::exists(elsewhere.dir.filePath("ram.bin")));
    }

    // Without DIR: a folder holding a file of the machine is used as it is,
    // any other start goes to the data folder, which gets the kit once.
    void ChoosesItsFolderWithoutOne_data() {
        QTest::addColumn<QString>("here");  // a file put in the working directory first, or none
        QTest::addColumn<bool>("inData");
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("settings") << QStringLiteral("varnox.ini") << false;
    }
    void ChoosesItsFolderWithoutOne() {
        QFETCH(QString, here);
        QFETCH(bool, inData);
        Scratch work;
        Scratch data;
        if (!here.isEmpty()) work.Write(qPrintable(here), "[Settings]\n");
        for (int start = 0; start < 2; ++start) {
            QProcess process;
            process.setWorkingDirectory(work.dir.path());
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("XDG_DATA_HOME", data.dir.path());
            process.setProcessEnvironment(env);
            process.start(QStringLiteral(VARNOX_PATH), {});
            QVERIFY(process.waitForStarted());
            QTRY_VERIFY_WITH_TIMEOUT(CatchesTerm(process.processId()), 10000);
            process.terminate();
            QVERIFY(process.waitForFinished(10000));
            QCOMPARE(process.exitCode(), 0);
            // A user's change to the kit stays at the next start.
            if (inData) data.Write("varnox/varnox.ini", "[Settings]\nSelfTest=1\n");
        }
        QCOMPARE(QFile::exists(work.dir.filePath("ram.bin")), !inData);
        QCOMPARE(QFile::exists(data.dir.filePath("varnox/ram.bin")), inData);
        QCOMPARE(data.Read("varnox/rom0.bin").size(), inData ? 18432 : 0);
        if (inData) QCOMPARE(data.Read("varnox/varnox.ini"), QByteArray("[Settings]\nSelfTest=1\n"));
    }

    // Started in a folder removed since: an absolute DIR or the data folder
    // holds the files; a relative DIR names nothing, and is refused.
    void RunsFromARemovedFolder() {
        for (const QString& dir : {QString(), QStringLiteral("abs"), QStringLiteral("rel")}) {
            Scratch scratch;
            QVERIFY(QDir(scratch.dir.path()).mkpath("gone") && QDir(scratch.dir.path()).mkpath("abs"));
            QProcess process;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("XDG_DATA_HOME", scratch.dir.filePath("data"));
            process.setProcessEnvironment(env);
            QStringList args{"-c", "cd \"$0\" && rmdir \"$0\" && exec \"$@\"", scratch.dir.filePath("gone"), VARNOX_PATH};
            if (!dir.isEmpty()) args << (dir == "abs" ? scratch.dir.filePath(dir) : dir);
            process.start(QStringLiteral("/bin/sh"), args);
            QVERIFY(process.waitForStarted());  // past the fork, whose child has the test's handlers
            if (dir == "rel") {
                QVERIFY(process.waitForFinished(10000));
                QCOMPARE(process.exitCode(), 1);
                QVERIFY(process.readAllStandardError().startsWith("varnox: rel: a relative folder, and the current folder cannot be had"));
                continue;
            }
            QTRY_VERIFY_WITH_TIMEOUT(CatchesTerm(process.processId()), 10000);
            process.terminate();
            QVERIFY(process.waitForFinished(10000));
            QCOMPARE(process.exitCode(), 0);
            QCOMPARE(scratch.Read(qPrintable((dir.isEmpty() ? "data/varnox" : dir) + "/ram.bin")).size(), 8192);
        }
    }
};

QTEST_MAIN(ProgramTest)
#include "ProgramTest.moc"
