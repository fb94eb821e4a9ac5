#include "frontend/Recordings.h"

#include "frontend/ScreenMessages.h"
#include "frontend/WarningQueue.h"
#include "system/Recording.h"
#include "system/Session.h"

namespace varnox {

namespace {

const QString ProgressId = QStringLiteral("replay");

}  // namespace

TRecordings::TRecordings(Session& session, std::filesystem::path dir, const TChooseFile& chooseFile,
                         TWarningQueue& warnings, TScreenMessages& messages, std::function<void()> changed)
    : session_(session),
      dir_(std::move(dir)),
      chooseFile_(chooseFile),
      warnings_(warnings),
      messages_(messages),
      changed_(std::move(changed)) {}

bool TRecordings::Recording() const { return session_.Path().IsRecording(); }
bool TRecordings::Replaying() const { return session_.Path().IsReplaying(); }

TFileRequest TRecordings::Request(bool save) const {
    return {.Save = save,
            .Caption = save ? QStringLiteral("Record to") : QStringLiteral("Replay recording"),
            .Folder = QString::fromStdString(dir_.string()),
            .Name = save ? QStringLiteral("recording.vxr") : QString(),
            .Filter = QStringLiteral("Varnox recordings (*.vxr);;All files (*)"),
            .DefaultSuffix = QStringLiteral("vxr")};
}

void TRecordings::StartRecording(bool fromPowerOn) {
    if (Recording() || Replaying()) return;
    const QString file = chooseFile_(Request(true));
    if (!file.isEmpty()) StartRecordingTo(file.toStdString(), fromPowerOn);
}

std::optional<std::string> TRecordings::Write(const varnox::Recording& recording, const std::filesystem::path& file) const {
    if (const auto refused = RefusedOutput(dir_, "the recording", file)) return refused->toStdString();
    return SaveRecordingFile(recording, file);
}

void TRecordings::StartRecordingTo(const std::filesystem::path& file, bool fromPowerOn) {
    if (Recording() || Replaying()) return;
    // The file is written now, empty of inputs, so that a target that
    // cannot be written is said before anything is recorded into it.
    if (const auto failure = Write(BeginRecording(session_.GetMachine(), session_.Control().ResumeDelay, false), file)) {
        warnings_.Show(QString::fromStdString(*failure));
        return;
    }
    // The reset goes before the start: the recording holds the machine as
    // the reset left it.
    if (fromPowerOn) session_.Reset();
    file_ = file;
    session_.Path().StartRecording(false);
    changed_();
}

QString TRecordings::Save() {
    const varnox::Recording recording = session_.Path().StopRecording();
    // A file that cannot be written now is said, and another may be chosen:
    // the recording is not thrown away with it.
    std::filesystem::path file = file_;
    while (const auto failure = Write(recording, file)) {
        warnings_.Show(QString::fromStdString(*failure));
        TFileRequest elsewhere = Request(true);
        elsewhere.Caption = QStringLiteral("Save the recording elsewhere");
        const QString chosen = chooseFile_(elsewhere);
        if (chosen.isEmpty()) return QString();
        file = chosen.toStdString();
    }
    return QStringLiteral("%1 (%2 s)")
        .arg(QString::fromStdString(file.filename().string()), EmulatedSeconds(recording.Ticks));
}

void TRecordings::StopRecording() {
    if (!Recording()) return;
    if (const QString saved = Save(); !saved.isEmpty()) messages_.Say(QStringLiteral("Recording saved: ") + saved);
    changed_();
}

std::optional<std::string> TRecordings::StopRecordingAtClose() {
    if (!Recording()) return std::nullopt;
    return Write(session_.Path().StopRecording(), file_);
}

void TRecordings::Replay() {
    if (Recording() || Replaying()) return;
    const QString file = chooseFile_(Request(false));
    if (!file.isEmpty()) ReplayFrom(file.toStdString());
}

void TRecordings::ReplayFrom(const std::filesystem::path& file) {
    if (Recording() || Replaying()) return;
    if (const auto failure = session_.Replay(file)) {
        warnings_.Show(QString::fromStdString(*failure));
        return;
    }
    changed_();
}

void TRecordings::StopReplay() {
    if (!Replaying()) return;
    session_.Path().FinishReplay();
    changed_();
}

void TRecordings::EndBeforeOutsideChange(const QString& cause) {
    if (Recording()) {
        const QString name = QString::fromStdString(file_.filename().string());
        if (!Save().isEmpty()) messages_.Say(QStringLiteral("Recording stopped by %1: %2").arg(cause, name));
        changed_();
    }
    StopReplay();
}

void TRecordings::ShowProgress() {
    const InputPath& path = session_.Path();
    const QString progress = Replaying() ? QStringLiteral("PLAY %1 / %2 s")
                                               .arg(EmulatedSeconds(path.ReplayTicks() - path.ReplayTicksLeft()),
                                                    EmulatedSeconds(path.ReplayTicks()))
                                         : QString();
    messages_.SetLasting(ProgressId, progress);
}

}  // namespace varnox
