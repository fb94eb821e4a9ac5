// The rows of the tools' Source tab: a source file's lines, or the tools'
// own listing. A source file's rows are made when the view asks for them,
// so a file of a million lines costs what is on screen, and a stop redraws
// them without reading the file again.
#pragma once

#include <QAbstractTableModel>

#include <optional>
#include <string>
#include <vector>

#include "frontend/debugger/DebugController.h"

namespace varnox {

class TSourceModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { MarkColumn, WhereColumn, TextColumn, ColumnCount };

    explicit TSourceModel(TDebugController& controller, QObject* parent = nullptr);

    // The file's lines; or, with file "", the listing from a few words
    // before PC, each group of words under its source line with
    // `withSource`. Made anew only when it is another file or the listing.
    void ShowSource(const std::string& file);
    void ShowListing(bool withSource);
    // The machine moved or a breakpoint changed: the marks drawn again.
    void MarksChanged();

    bool ShowsListing() const { return file_.empty(); }
    // The row of PC, or -1 when PC is not shown.
    int PcRow() const { return pcRow_; }
    // The word that a row stands for, if any.
    std::optional<uint16_t> RowAddress(int row) const;
    // "FILE:LINE" of a source file's row; "" in the listing.
    std::string RowLine(int row) const;
    // The widest line number, for the column's width.
    QString WidestWhere() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    struct ListedRow {
        QString Where;
        QString Text;
        std::optional<uint16_t> Address;
        bool Code = false;  // an instruction word, not a label or a source line above one
    };
    int FindPcRow() const;
    QString Mark(int row) const;
    QString Text(int row) const;
    const SourceFile* File() const;

    TDebugController& controller_;
    std::string file_;                // the source file shown; "" for the listing
    std::vector<ListedRow> listing_;  // when the listing is shown
    int rows_ = 0;
    int pcRow_ = -1;
};

}  // namespace varnox
