// Asking the user for a file to save or to open. The ending of the files
// offered is the dialog's default suffix: the dialog adds it to a name typed
// without one before it asks whether to replace a file of that name, so its
// question covers the file that is then written.
#pragma once

#include <QString>

#include <filesystem>
#include <functional>
#include <optional>

class QWidget;

namespace varnox {

struct TFileRequest {
    bool Save = false;
    QString Caption;
    QString Folder;         // where the dialog opens
    QString Name;           // the name offered, empty for none
    QString Filter;         // "Varnox states (*.vxs)"
    QString DefaultSuffix;  // "vxs": added to a name typed without an ending
    bool Directory = false; // a folder is chosen, not a file
};

// The chosen file with its folder; empty when cancelled.
using TChooseFile = std::function<QString(const TFileRequest& request)>;

// The desktop's file dialog over `parent`.
QString AskWithFileDialog(QWidget* parent, const TFileRequest& request);

// Why `file`, chosen (or a slot) as `role`, may not be written: the dialog's
// "replace?" does not know the machine's own files in `dir`, which an output
// over them would destroy. The message names the file and what it is.
std::optional<QString> RefusedOutput(const std::filesystem::path& dir, const std::string& role,
                                     const std::filesystem::path& file);

}  // namespace varnox
