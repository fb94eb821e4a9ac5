// The window over a directory whose "ram.bin" or "register.bin" loading did
// not read in full: closing it keeps the old file as a ".bak", says so, and
// the loading said what was wrong with which file.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <memory>

#include "GuiSupport.h"

#include "frontend/Main.h"

using varnox::TMainForm;
using varnox::test::AcknowledgeWarnings;
using varnox::test::CloseAnsweringBoxes;

class KeptMemoryTest : public QObject {
    Q_OBJECT
private:
    static void Write(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    static QByteArray Read(const QTemporaryDir& dir, const char* name) {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Shows the window, dismisses the load warnings, closes it (dismissing
    // the warnings of the save) and returns every text shown.
    static QStringList ShowAndClose(const QTemporaryDir& dir) {
        auto form = std::make_unique<TMainForm>(std::filesystem::path(dir.path().toStdString()));
        form->show();
        QStringList seen = AcknowledgeWarnings(*form);
        seen << CloseAnsweringBoxes(*form);
        return seen;
    }

private slots:
    void RamBehindAShortRomIsKept() {
        QTemporaryDir dir;
        Write(dir, "ram.bin", QByteArray(8192, 0x5A));
        Write(dir, "rom0.bin", QByteArray(100, 0));
        const QStringList seen = ShowAndClose(dir);
        QVERIFY2(seen.contains("rom0.bin: 100 bytes, expected 18432; the rest of the files were not loaded"),
                 qPrintable(seen.join('\n')));
        QVERIFY2(seen.contains("ram.bin was not read in full at start; its old contents are kept in ram.bin.bak"),
                 qPrintable(seen.join('\n')));
        QCOMPARE(Read(dir, "ram.bin.bak"), QByteArray(8192, 0x5A));
        QCOMPARE(Read(dir, "ram.bin").size(), 8192);
    }

    void RegistersBehindAShortRamAreKept() {
        QTemporaryDir dir;
        Write(dir, "ram.bin", QByteArray(100, 0x5A));
        Write(dir, "register.bin", QByteArray(128, static_cast<char>(0xA5)));
        const QStringList seen = ShowAndClose(dir);
        QVERIFY(seen.contains("ram.bin: 100 bytes, expected 8192; the rest of the files were not loaded"));
        QVERIFY(seen.contains("register.bin was not read in full at start; its old contents are kept in register.bin.bak"));
        QCOMPARE(Read(dir, "ram.bin.bak"), QByteArray(100, 0x5A));
        QCOMPARE(Read(dir, "register.bin.bak"), QByteArray(128, static_cast<char>(0xA5)));
        QCOMPARE(Read(dir, "register.bin").size(), 128);
    }
};

QTEST_MAIN(KeptMemoryTest)
#include "KeptMemoryTest.moc"
