#include "frontend/debugger/SourceModel.h"

#include <QColor>

#include "asm/NamedListing.h"
#include "debugger/HexText.h"

namespace varnox {
namespace {

// The listing starts this many words before PC and runs on for a screen
// or two.
constexpr int ListingBefore = 8;
constexpr int ListingRows = 160;
// Past this a line is cut where it is drawn: no one reads further across,
// and a line of megabytes would cost its whole width at every redraw.
constexpr qsizetype MostShownCharacters = 1000;
constexpr QRgb PcRowColour = 0xFFFFF2A0;
const QString BreakpointMark = QStringLiteral("\u25CF");
const QString PcMark = QStringLiteral("\u25B6");

}  // namespace

TSourceModel::TSourceModel(TDebugController& controller, QObject* parent)
    : QAbstractTableModel(parent), controller_(controller) {}

const SourceFile* TSourceModel::File() const {
    return file_.empty() ? nullptr : controller_.Session().Sources.File(file_);
}

void TSourceModel::ShowSource(const std::string& file) {
    const SourceFile* text = controller_.Session().Sources.File(file);
    const int rows = text ? static_cast<int>(std::min<size_t>(text->LineCount(), INT32_MAX)) : 0;
    if (file == file_ && rows == rows_) {
        MarksChanged();
        return;
    }
    beginResetModel();
    file_ = file;
    listing_.clear();
    rows_ = rows;
    pcRow_ = FindPcRow();
    endResetModel();
}

void TSourceModel::ShowListing(bool withSource) {
    const Machine& m = controller_.GetMachine();
    DebugSession& session = controller_.Session();
    beginResetModel();
    file_.clear();
    listing_.clear();
    const auto top = static_cast<uint16_t>(m.Cpu.PC - std::min<int>(m.Cpu.PC, ListingBefore));
    const SourceLineRow* last = nullptr;
    for (const ListingRow& listed : WalkNamedListing(m, top, ListingRows, session.Names())) {
        const ListingLine& line = listed.Line;
        if (listed.Label) {
            listing_.push_back({QString(), QString::fromStdString(*listed.Label + ":"), line.Address, false});
            continue;
        }
        const SourceLineRow* place = withSource ? session.Lines.LineAt(line.Address) : nullptr;
        if (place && (!last || place->File != last->File || place->Line != last->Line)) {
            listing_.push_back({QString::fromStdString(place->File) + QStringLiteral(":%1").arg(place->Line),
                                QString::fromStdString(session.Sources.LineText(place->File, place->Line)).trimmed(),
                                line.Address, false});
        }
        last = place;
        const QString text = QString::fromLatin1(line.Mnemonic.data(), static_cast<qsizetype>(line.Mnemonic.size()))
                                 .leftJustified(6) +
                             QString::fromStdString(line.Operands);
        listing_.push_back({QString::fromStdString(HexText(line.Address, 4)), text, line.Address, true});
    }
    rows_ = static_cast<int>(listing_.size());
    pcRow_ = FindPcRow();
    endResetModel();
}

void TSourceModel::MarksChanged() {
    pcRow_ = FindPcRow();
    if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, ColumnCount - 1));
}

int TSourceModel::FindPcRow() const {
    const uint16_t pc = controller_.GetMachine().Cpu.PC;
    if (ShowsListing()) {
        for (size_t row = 0; row < listing_.size(); ++row) {
            if (listing_[row].Code && listing_[row].Address == pc) return static_cast<int>(row);
        }
        return -1;
    }
    const SourceLineRow* line = controller_.Session().Lines.LineAt(pc);
    if (!line || line->File != file_ || line->Line < 1 || line->Line > rows_) return -1;
    return line->Line - 1;
}

std::optional<uint16_t> TSourceModel::RowAddress(int row) const {
    if (row < 0 || row >= rows_) return std::nullopt;
    if (ShowsListing()) return listing_[static_cast<size_t>(row)].Address;
    return controller_.Session().Lines.BreakAddressOf(file_, row + 1);
}

std::string TSourceModel::RowLine(int row) const {
    if (ShowsListing() || row < 0 || row >= rows_) return {};
    return file_ + ":" + std::to_string(row + 1);
}

QString TSourceModel::WidestWhere() const {
    if (!ShowsListing()) return QString(QString::number(rows_).size(), QLatin1Char('0'));
    QString widest;
    for (const ListedRow& row : listing_) {
        if (row.Where.size() > widest.size()) widest = row.Where;
    }
    return widest;
}

int TSourceModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int TSourceModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

// A breakpoint's dot wins over PC's arrow; PC's row is coloured anyway.
QString TSourceModel::Mark(int row) const {
    const DebugSession& session = controller_.Session();
    const uint16_t pc = controller_.GetMachine().Cpu.PC;
    if (ShowsListing()) {
        const ListedRow& listed = listing_[static_cast<size_t>(row)];
        if (!listed.Code) return {};
        return session.Breakpoints.Find(*listed.Address) ? BreakpointMark : *listed.Address == pc ? PcMark : QString();
    }
    bool onPc = false;
    for (const uint16_t word : session.Lines.AddressesOf(file_, row + 1)) {
        if (session.Breakpoints.Find(word)) return BreakpointMark;
        onPc = onPc || word == pc;
    }
    return onPc ? PcMark : QString();
}

QString TSourceModel::Text(int row) const {
    if (ShowsListing()) return listing_[static_cast<size_t>(row)].Text;
    const SourceFile* text = File();
    if (!text) return {};
    const std::string_view line = text->Line(row + 1);
    const QString shown = QString::fromUtf8(line.data(), std::min<qsizetype>(static_cast<qsizetype>(line.size()), MostShownCharacters * 4));
    return shown.size() > MostShownCharacters ? shown.left(MostShownCharacters) + QStringLiteral("\u2026") : shown;
}

QVariant TSourceModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_) return {};
    const int row = index.row();
    if (role == Qt::BackgroundRole) return row == pcRow_ ? QVariant(QColor::fromRgb(PcRowColour)) : QVariant();
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
        case MarkColumn: return Mark(row);
        case WhereColumn: return ShowsListing() ? listing_[static_cast<size_t>(row)].Where : QString::number(row + 1);
        case TextColumn: return Text(row);
        default: return {};
    }
}

}  // namespace varnox
