// The tools' Source tab: the source file with the line of PC marked when
// the symbol file tells the words' lines, else the tools' own listing from
// a few lines before PC; either as tall as the window. A click in the
// margin (or F9 on the chosen line) sets or clears the line's breakpoint;
// "Line into" and "Line over" step by source line; the listing can show
// the source line above each group of words.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include <filesystem>
#include <optional>

#include "debugger/SourceLines.h"
#include "frontend/debugger/ToolsTab.h"

namespace varnox {

class TToolsSource : public TToolsTab {
    Q_OBJECT
public:
    enum Column { MarkColumn, WhereColumn, TextColumn };

    TToolsSource(TDebugController& controller, QWidget* parent);
    void Refresh() override;
    // The folder that the line rows' file names start from.
    void SetSourceFolder(const std::filesystem::path& folder);

    QTableWidget* Table() const { return table_; }
    QCheckBox* SourceAbove() const { return sourceAbove_; }
    // A source file by name, or "Listing", as the user picks it.
    void ShowFile(const QString& name);
    // The row of PC, or -1 when PC is not shown.
    int PcRow() const { return pcRow_; }
    // The word that a row stands for, if any.
    std::optional<uint16_t> RowAddress(int row) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillSource(const std::string& file);
    void FillListing();
    void AddRow(const QString& mark, const QString& where, const QString& text, std::optional<uint16_t> address,
                const std::string& line = {});
    void MarginClick(int row);
    std::filesystem::path folder_;
    SourceTexts texts_;
    QString chosen_;  // the file or "Listing" the user picked; else PC's file
    QComboBox* fileBox_ = nullptr;
    QCheckBox* sourceAbove_ = nullptr;
    QTableWidget* table_ = nullptr;
    std::vector<std::optional<uint16_t>> addresses_;
    std::vector<std::string> lines_;  // FILE:LINE of a source row
    int pcRow_ = -1;
};

}  // namespace varnox
