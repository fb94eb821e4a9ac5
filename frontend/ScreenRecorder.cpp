#include "frontend/ScreenRecorder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "frontend/RecordMark.h"
#include "frontend/ScreenMessages.h"
#include "frontend/Screenshots.h"
#include "frontend/WarningQueue.h"
#include "system/AtomicReplace.h"
#include "system/ScreenClip.h"

namespace varnox {
namespace {

const QString Gif = QStringLiteral("gif");

// A clip is kept in memory until it is saved: one left running (at
// unlimited speed, over a display that never rests) ends here, saved.
constexpr size_t MaxClipBytes = size_t{256} << 20;


}  // namespace

TScreenRecorder::TScreenRecorder(const Machine& m, const TScreenshots& screenshots, std::filesystem::path dir,
                                 const TChooseFile& chooseFile, TWarningQueue& warnings, TScreenMessages& messages,
                                 TRecordMark& mark, std::function<void()> changed)
    : m_(m),
      screenshots_(screenshots),
      dir_(std::move(dir)),
      chooseFile_(chooseFile),
      warnings_(warnings),
      messages_(messages),
      mark_(mark),
      changed_(std::move(changed)) {}

TScreenRecorder::~TScreenRecorder() = default;

void TScreenRecorder::Toggle() {
    if (Recording()) {
        Stop();
        return;
    }
    clip_ = std::make_unique<ScreenClip>(screenshots_.Scale());
    mark_.Show(TRecordMark::TState::Clip);
    messages_.Say(QStringLiteral("Recording the screen"));
    changed_();
}

void TScreenRecorder::AfterRunTick() {
    if (!clip_) return;
    clip_->AfterRunTick(m_);
    if (clip_->Bytes() > MaxClipBytes) {
        messages_.Say(QStringLiteral("Clip stopped at %1 MB").arg(MaxClipBytes >> 20));
        // Saved after the run tick: a file dialog must not run inside one.
        std::shared_ptr<ScreenClip> clip(std::move(clip_));
        mark_.Show(TRecordMark::TState::None);
        changed_();
        QTimer::singleShot(0, &warnings_, [this, clip] { Save(*clip, TOnFailure::OfferAnotherFile); });
    }
}

void TScreenRecorder::Stop(TOnFailure onFailure) {
    if (!clip_) return;
    const std::unique_ptr<ScreenClip> clip = std::move(clip_);
    mark_.Show(TRecordMark::TState::None);
    changed_();
    Save(*clip, onFailure);
}

void TScreenRecorder::Save(ScreenClip& clip, TOnFailure onFailure) {
    const std::vector<uint8_t> bytes = clip.Finish(m_.Lcd);
    if (bytes.empty()) {
        warnings_.Show(QStringLiteral("Failed to save the screen clip in %1: it could not be encoded").arg(screenshots_.Folder()));
        return;
    }
    QString name = SaveNumbered(bytes);
    if (name.isEmpty() && onFailure == TOnFailure::OfferAnotherFile) name = SaveElsewhere(bytes);
    if (!name.isEmpty()) messages_.Say(QStringLiteral("Clip %1 (%2 s)").arg(name, EmulatedSeconds(clip.Ticks())));
}

QString TScreenRecorder::SaveElsewhere(const std::vector<uint8_t>& bytes) const {
    for (;;) {
        const QString chosen = chooseFile_({.Save = true,
                                            .Caption = QStringLiteral("Save the screen clip elsewhere"),
                                            .Folder = QString::fromStdString(dir_.string()),
                                            .Name = NumberedName(1, Gif),
                                            .Filter = QStringLiteral("GIF images (*.gif);;All files (*)"),
                                            .DefaultSuffix = Gif});
        if (chosen.isEmpty()) return {};
        std::optional<QString> failure = RefusedOutput(dir_, "the screen clip", chosen.toStdString());
        if (!failure) {
            if (const auto reason = ReplaceFile(chosen.toStdString(), bytes, OtherTargets::Refuse)) {
                failure = QStringLiteral("Failed to save the screen clip %1: %2").arg(chosen, QString::fromStdString(*reason));
            }
        }
        if (!failure) return chosen;
        warnings_.Show(*failure);
    }
}

QString TScreenRecorder::SaveNumbered(const std::vector<uint8_t>& bytes) const {
    const QDir folder(screenshots_.Folder());
    // Written whole beside the numbered names first, then linked under the
    // first free one: a name taken meanwhile is never replaced.
    const QString aside = folder.filePath(QStringLiteral(".varnox-clip-%1.gif").arg(QCoreApplication::applicationPid()));
    if (const auto failure = ReplaceFile(aside.toStdString(), bytes, OtherTargets::Refuse)) {
        warnings_.Show(QStringLiteral("Failed to save the screen clip in %1: %2").arg(folder.path(), QString::fromStdString(*failure)));
        return {};
    }
    QString saved;
    QString tried;
    int error = EEXIST;
    qint64 number = NextNumber(folder, Gif);
    for (int tries = 0; tries < NumberTries && error == EEXIST; ++tries, ++number) {
        tried = folder.filePath(NumberedName(number, Gif));
        error = KeepCopy(aside.toStdString(), tried.toStdString());
        if (error == 0) saved = tried;  // in full: the folder is found by it
    }
    std::error_code ignored;
    std::filesystem::remove(aside.toStdString(), ignored);
    if (error == EEXIST) {
        warnings_.Show(QStringLiteral("Failed to save the screen clip in %1: the next %2 numbers are taken")
                           .arg(folder.path())
                           .arg(NumberTries));
    } else if (error != 0) {
        warnings_.Show(QStringLiteral("Failed to save the file %1: %2").arg(tried, QString::fromLocal8Bit(std::strerror(error))));
    }
    return saved;
}

}  // namespace varnox
