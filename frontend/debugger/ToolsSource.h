// The tools' Source tab: the source file with the line of PC marked when
// the symbol file tells the words' lines, else the tools' own listing from
// a few lines before PC; either as tall as the window, opened at PC's line.
// A click in the margin (or F9 on the chosen line) sets or clears the
// line's breakpoint; "Line into" and "Line over" step by source line; the
// listing can show the source line above each group of words. A file that
// cannot be read is said above the table, and a file shown that changes on
// disk is read again.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QTableView>

#include <filesystem>
#include <optional>

#include "frontend/debugger/SourceModel.h"
#include "frontend/debugger/ToolsTab.h"

namespace varnox {

class TToolsSource : public TToolsTab {
    Q_OBJECT
public:
    TToolsSource(TDebugController& controller, QWidget* parent);
    void Refresh() override;
    // The folder that the line rows' file names start from.
    void SetSourceFolder(const std::filesystem::path& folder);

    QTableView* Table() const { return table_; }
    QCheckBox* SourceAbove() const { return sourceAbove_; }
    // A source file by name, or "Listing", as the user picks it.
    void ShowFile(const QString& name);
    // The row of PC, or -1 when PC is not shown.
    int PcRow() const { return model_->PcRow(); }
    // The word that a row stands for, if any.
    std::optional<uint16_t> RowAddress(int row) const { return model_->RowAddress(row); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void MarginClick(int row);
    void FitColumns();
    void ScrollToPc();
    void WatchShownFile(const std::string& file);

    TSourceModel* model_ = nullptr;
    QString chosen_;  // the file or "Listing" the user picked; else PC's file
    QComboBox* fileBox_ = nullptr;
    QCheckBox* sourceAbove_ = nullptr;
    QLabel* problem_ = nullptr;
    QTableView* table_ = nullptr;
    QFileSystemWatcher watcher_;
    int scrolledTo_ = -1;  // PC's row when the view last went to it
    bool scrollPending_ = true;
};

}  // namespace varnox
