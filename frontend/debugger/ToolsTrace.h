// The tools' Trace tab: the last steps the debugger saw, saved to a file
// or cleared.
#pragma once

#include <QPlainTextEdit>

#include <filesystem>
#include <optional>
#include <string>

#include "frontend/debugger/ToolsTab.h"

namespace varnox {

class TToolsTrace : public TToolsTab {
    Q_OBJECT
public:
    TToolsTrace(TDebugController& controller, QWidget* parent);
    void Refresh() override;
    // The reason when the file could not be written.
    std::optional<std::string> Save(const std::filesystem::path& file) const;
    QPlainTextEdit* Text() const { return text_; }

private:
    void SaveClick();

    QPlainTextEdit* text_ = nullptr;
};

}  // namespace varnox
