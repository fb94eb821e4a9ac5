// Recording the machine's inputs in the window and replaying a recording:
// the files, the dialogs and the warnings around the session's own
// recording and replay.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "frontend/FileChooser.h"

namespace varnox {

struct Recording;
class Session;
class TScreenMessages;
class TWarningQueue;

class TRecordings {
public:
    // `changed`: the window shows what is being done now. Recordings
    // saved or stopped, and a replay's progress, are said in `messages`.
    TRecordings(Session& session, std::filesystem::path dir, const TChooseFile& chooseFile, TWarningQueue& warnings,
                TScreenMessages& messages, std::function<void()> changed);

    // Asks for the file, then records from the machine as it stands, or
    // from a reset as at power-on.
    void StartRecording(bool fromPowerOn);
    void StartRecordingTo(const std::filesystem::path& file, bool fromPowerOn);
    // Writes what was recorded into the file chosen at the start; when that
    // fails, offers to write it elsewhere until it is written or let go.
    void StopRecording();
    // The same as the window closes, where no dialog may wait: what failed.
    std::optional<std::string> StopRecordingAtClose();

    // Asks for a recording and replays it from its start.
    void Replay();
    void ReplayFrom(const std::filesystem::path& file);
    void StopReplay();

    // Before anything the inputs cannot carry changes the machine (the
    // debugger, a state loaded, a rewind: `cause`): a recording ends there
    // and is written, saying why, and a replay stops.
    void EndBeforeOutsideChange(const QString& cause);

    // Shows how far a replay has come; at each refresh of the display.
    void ShowProgress();

    bool Recording() const;
    bool Replaying() const;

private:
    TFileRequest Request(bool save) const;
    std::optional<std::string> Write(const varnox::Recording& recording, const std::filesystem::path& file) const;
    // Writes the recording; the name of its file, or empty when it failed.
    QString Save();

    Session& session_;
    std::filesystem::path dir_;
    const TChooseFile& chooseFile_;
    TWarningQueue& warnings_;
    TScreenMessages& messages_;
    std::function<void()> changed_;
    std::filesystem::path file_;  // of the recording under way
};

}  // namespace varnox
