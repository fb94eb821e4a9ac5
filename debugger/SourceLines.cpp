#include "debugger/SourceLines.h"

#include <algorithm>
#include <limits>

#include "asm/SourceExpr.h"
#include "core/Def.h"
#include "system/BoundedRead.h"

namespace varnox {
namespace {

// Far more than any source the assembler takes.
constexpr size_t MaxSourceBytes = size_t{64} << 20;

std::string_view LastComponent(std::string_view file) {
    const size_t slash = file.find_last_of("/\\");
    return slash == std::string_view::npos ? file : file.substr(slash + 1);
}

// A rom.sym may come from anywhere: the files its rows name are read only
// within the sources' folder, not by an absolute path or one that climbs out.
bool UnderRoot(const std::string& file) {
    const std::filesystem::path path = std::filesystem::path(file).lexically_normal();
    return !path.empty() && path.is_relative() && !path.has_root_name() && *path.begin() != "..";
}

}  // namespace

void SourceMap::Add(const SourceLineRow& row) {
    if (row.Address >= DataInstrStart) return;
    if (byAddress_.empty()) byAddress_.assign(DataInstrStart, -1);
    if (byAddress_[row.Address] >= 0) return;
    byAddress_[row.Address] = static_cast<int32_t>(rows_.size());
    rows_.push_back(row);
    std::vector<uint16_t>& words = byLine_[{row.File, row.Line}];
    words.insert(std::upper_bound(words.begin(), words.end(), row.Address), row.Address);
}

void SourceMap::Clear() {
    rows_.clear();
    byAddress_.clear();
    byLine_.clear();
}

const SourceLineRow* SourceMap::LineAt(uint16_t address) const {
    if (address >= byAddress_.size() || byAddress_[address] < 0) return nullptr;
    return &rows_[static_cast<size_t>(byAddress_[address])];
}

SourceMap::FileMatch SourceMap::FindFile(std::string_view file) const {
    std::vector<const std::string*> sameName;
    for (auto it = byLine_.begin(); it != byLine_.end(); it = byLine_.upper_bound({it->first.first, std::numeric_limits<int>::max()})) {
        const std::string& known = it->first.first;
        if (known == file) return {&known, false, {}};
        if (LastComponent(known) == LastComponent(file) && LastComponent(file) == file) sameName.push_back(&known);
    }
    if (sameName.size() == 1) return {sameName.front(), false, {}};
    FileMatch match;
    match.Ambiguous = sameName.size() > 1;
    for (const std::string* name : sameName) match.Candidates.push_back(*name);
    return match;
}

std::vector<uint16_t> SourceMap::AddressesOf(std::string_view file, int line) const {
    const std::string* known = FindFile(file).Name;
    if (!known) return {};
    const auto found = byLine_.find(std::pair{*known, line});
    return found == byLine_.end() ? std::vector<uint16_t>{} : found->second;
}

std::optional<uint16_t> SourceMap::BreakAddressOf(std::string_view file, int line) const {
    const std::string* known = FindFile(file).Name;
    if (!known) return std::nullopt;
    const auto found = byLine_.lower_bound(std::pair{*known, line});
    if (found == byLine_.end() || found->first.first != *known) return std::nullopt;
    return found->second.front();
}

std::vector<std::string> SourceMap::Files() const {
    std::vector<std::string> files;
    for (const auto& [key, words] : byLine_) {
        if (files.empty() || files.back() != key.first) files.push_back(key.first);
    }
    return files;
}

SourceFile::SourceFile(std::string text) : text_(std::move(text)) {
    for (size_t start = 0; start < text_.size(); ++lines_) {
        if (lines_ % Stride == 0) starts_.push_back(static_cast<uint32_t>(start));
        const size_t end = text_.find('\n', start);
        start = end == std::string::npos ? text_.size() : end + 1;
    }
}

std::string_view SourceFile::Line(int line) const {
    if (line < 1 || static_cast<size_t>(line) > lines_) return {};
    const size_t index = static_cast<size_t>(line) - 1;
    const std::string_view text(text_);
    size_t start = starts_[index / Stride];
    for (size_t skip = index % Stride; skip > 0; --skip) start = text.find('\n', start) + 1;
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view found = text.substr(start, end - start);
    if (!found.empty() && found.back() == '\r') found.remove_suffix(1);
    return found;
}

SourceTexts::Stamp SourceTexts::StampOf(const std::string& file) const {
    std::error_code error;
    const std::filesystem::path path = root_ / file;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::is_regular_file(status)) return {};
    Stamp stamp{true, std::filesystem::file_size(path, error), std::filesystem::last_write_time(path, error)};
    return error ? Stamp{} : stamp;
}

const SourceFile* SourceTexts::File(const std::string& file, std::string* problem) {
    auto found = files_.find(file);
    if (found == files_.end()) {
        Loaded loaded;
        std::vector<uint8_t> bytes;
        if (!UnderRoot(file)) {
            loaded.Problem = Concat({file, ": not under the sources' folder ", root_.string(),
                                     "; only files there are read"});
        } else {
            loaded.Seen = StampOf(file);
            if (const auto why = ReadBoundedFile(root_ / file, MaxSourceBytes, "source file", bytes)) {
                loaded.Problem = Concat({(root_ / file).string(), ": ", *why});
            } else {
                loaded.Text.emplace(std::string(bytes.begin(), bytes.end()));
            }
        }
        found = files_.emplace(file, std::move(loaded)).first;
    }
    if (!found->second.Text) {
        if (problem) *problem = found->second.Problem;
        return nullptr;
    }
    return &*found->second.Text;
}

std::string SourceTexts::LineText(const std::string& file, int line) {
    const SourceFile* text = File(file);
    return text ? std::string(text->Line(line)) : std::string();
}

bool SourceTexts::ForgetChanged() {
    bool changed = false;
    for (auto it = files_.begin(); it != files_.end();) {
        if (UnderRoot(it->first) && StampOf(it->first) != it->second.Seen) {
            it = files_.erase(it);
            changed = true;
        } else {
            ++it;
        }
    }
    return changed;
}

}  // namespace varnox
