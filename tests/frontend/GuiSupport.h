// What the window tests share: scratch directories with the default kit,
// showing a form, answering its warnings and running the event loop.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <memory>

#include "frontend/Main.h"
#include "frontend/ThdTimer.h"

namespace varnox::test {

// A scratch working directory, with the default kit unless told otherwise.
struct Scratch {
    QTemporaryDir dir;
    std::filesystem::path Path() const { return dir.path().toStdString(); }
    void CopyKit(bool keys = true) const {
        for (const char* name : {"charset.bin", "varnox.ini", "keys.bmp"}) {
            if (!keys && QByteArray(name) == "keys.bmp") continue;
            QFile::copy(QStringLiteral(VARNOX_KIT_DIR "/") + name, dir.filePath(name));
        }
    }
    void Write(const char* name, const QByteArray& bytes) const {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    QByteArray Read(const char* name) const {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

// Dismisses the warnings up, oldest first, and returns their texts, a line
// each (the box of start-up problems holds one a line).
inline QStringList AcknowledgeWarnings(varnox::TMainForm& form) {
    QStringList texts;
    while (QMessageBox* box = form.Warnings().Current()) {
        texts << box->text().split('\n');
        if (box->icon() != QMessageBox::Warning || box->standardButtons() != QMessageBox::Ok) texts << "(not a warning)";
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    return texts;
}

// Closes the window, answering the boxes its save may hold it up with, and
// returns their texts.
inline QStringList CloseAnsweringBoxes(varnox::TMainForm& form) {
    QStringList texts;
    QTimer dismisser;
    QObject::connect(&dismisser, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            texts << box->text();
            box->button(QMessageBox::Ok)->click();
        }
    });
    dismisser.start(10);
    form.close();
    return texts;
}

// Answers the window's file dialogs with `path` as the desktop's dialog
// would: a name typed without an ending gets the dialog's default suffix.
inline void AnswerFileDialog(varnox::TMainForm& form, const QString& path) {
    form.ChooseFile = [path](const varnox::TFileRequest& request) {
        const bool bare = QFileInfo(path).suffix().isEmpty() && !request.DefaultSuffix.isEmpty();
        return bare ? path + '.' + request.DefaultSuffix : path;
    };
}

inline std::unique_ptr<varnox::TMainForm> ShowForm(const Scratch& scratch) {
    auto form = std::make_unique<varnox::TMainForm>(scratch.Path());
    form->show();
    return form;
}

// Stops the run loop by the power switch so the test drives KO itself.
inline void PowerOff(varnox::TMainForm& form) {
    QTest::mouseClick(form.PowerSwitch(), Qt::LeftButton);
    QCOMPARE(form.RunTimer()->Enabled(), false);
}

// Lets the run ticks a press is held at least pass, and the tick a
// release lasts, with the processor granted nothing: keys let go of are
// released, and a new press is taken at once.
inline void LetHeldPressesGo(varnox::TMainForm& form) {
    varnox::RunControl& run = form.Control();
    const int32_t grant = run.CyclesPerTick;
    run.CyclesPerTick = 0;
    for (long long tick = 0; tick < varnox::MinHoldTicks + varnox::MinReleaseTicks; ++tick) form.RunTimer()->OnTimer()(form.RunTimer());
    run.CyclesPerTick = grant;
}

// Runs the event loop for a while. (QTest::qWait sleeps between rounds of
// events, which would hold back every tick.)
inline void Spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace varnox::test
