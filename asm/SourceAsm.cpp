#include "asm/SourceAsm.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>

#include "asm/Asem.h"
#include "asm/AsmScanner.h"
#include "asm/SourceExpr.h"
#include "asm/SourceImage.h"
#include "asm/SourceLine.h"

namespace varnox {
namespace {

// Far more names than the two ROMs have room to label; a bound on memory
// for hostile input.
constexpr size_t MaxNames = size_t{1} << 18;
constexpr size_t MaxIncludeDepth = 32;
// Includes nest only so deep, but a file that includes the next one twice
// doubles the text at every level: these bound the whole expansion.
constexpr size_t MaxIncludes = 4096;
constexpr size_t MaxIncludedBytes = MaxSourceFileBytes;
constexpr int MaxDefinitionDepth = 64;
// More units than any space holds: a count beyond it is out of range
// without being walked.
constexpr int64_t MaxUnits = 0x10000;

std::string Quoted(std::string_view name) { return Concat({"'", Printable(name), "'"}); }

const std::set<std::string, std::less<>>& Directives() {
    static const std::set<std::string, std::less<>> words{"org", "data", "ram", "db", "dw", "ds", "align", "include"};
    return words;
}

// Names that the operands or the directives already give a meaning.
// Names of the form r5 or i70 are registers.
bool IsReservedName(std::string_view name) {
    static const std::set<std::string, std::less<>> reserved = [] {
        std::set<std::string, std::less<>> words(Directives().begin(), Directives().end());
        words.insert({"equ", "hi", "lo"});
        for (const AsmEntry& entry : AsmTable) words.insert(entry.Mnemonic);
        for (const auto& item : asmscan::IndexRegs) words.emplace(item.name);  // pointer registers too
        for (const auto& item : asmscan::Conditions) words.emplace(item.name);
        for (const auto& item : asmscan::StatusRegTable) words.emplace(item.name);
        return words;
    }();
    const std::string lower = LowerCase(name);
    if (lower.size() > 1 && (lower[0] == 'r' || lower[0] == 'i') && lower[1] >= '0' && lower[1] <= '9') return true;
    return reserved.count(lower) != 0;
}

// Tabs outside quotes read as spaces, as the line assembler skips only
// spaces; columns stay those of the source.
std::string Untabbed(std::string_view raw) {
    std::string text(raw);
    char quote = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == '\\') {
                ++i;
            } else if (c == quote) {
                quote = 0;
            }
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            break;
        } else if (c == '\t') {
            text[i] = ' ';
        }
    }
    return text;
}

bool AtLineEnd(std::string_view text, size_t pos) {
    pos = SkipBlanks(text, pos);
    return pos >= text.size() || text[pos] == ';';
}

struct Symbol {
    int64_t value = 0;
    bool known = false;
    bool knownInLayout = false;  // known when the first pass ended: usable to place code and data
    bool constant = false;
    bool evaluating = false;
    Space space = Space::Code;  // where a label stands
    uint64_t site = 0;  // the defining line, counted through the whole source and its includes
    int line = 0;
    const std::string* file = nullptr;  // null for the main source
    // A constant's definition, evaluated where it is first needed when
    // it uses names defined after it.
    std::string_view text;
    size_t valuePos = 0;
    int64_t here = 0;
    std::string scope;
};

// Where a name is used: which line, under which label, and whether the
// value decides where code and data go.
struct Use {
    uint64_t site = 0;
    const std::string* scope = nullptr;
    bool layout = false;
};

struct IncludedFile {
    bool ok = false;
    std::string text;
    std::string problem;
};

struct LayoutValue {
    int64_t value = 0;
    size_t column = 0;
    size_t end = 0;
};

class SourceAssembler {
public:
    SourceAssembler(std::string_view source, const SourceOptions& options) : source_(source), options_(options) {}

    SourceImages Run() {
        RunPass(false);
        for (auto& entry : symbols_) entry.second.knownInLayout = entry.second.known;
        ResolveForwardConstants();
        image_ = std::make_unique<SourceImage>();
        RunPass(true);
        if (out_.ErrorCount == 0) {
            out_.Rom0 = std::move(image_->Rom0);
            out_.Rom1 = std::move(image_->Rom1);
            out_.Labels = Labels();
        } else {
            out_.Lines.clear();
        }
        return std::move(out_);
    }

private:
    // ---- Passes, files and lines ------------------------------------------

    // The first pass fixes every label; the second evaluates everything
    // with all of them known and writes the images.
    void RunPass(bool final) {
        final_ = final;
        location_ = Location{};
        site_ = 0;
        includes_ = 0;
        includedBytes_ = 0;
        scope_.clear();
        includeStack_.assign(1, std::filesystem::path(options_.FileName).lexically_normal().string());
        AssembleText(source_, nullptr);
    }

    // Constants that use later labels, latest first, so that a chain of
    // forward definitions resolves without deep nesting.
    void ResolveForwardConstants() {
        final_ = true;
        std::vector<std::pair<const std::string*, Symbol*>> pending;
        for (auto& [name, symbol] : symbols_) {
            if (symbol.constant && !symbol.known) pending.emplace_back(&name, &symbol);
        }
        std::sort(pending.begin(), pending.end(), [](const auto& a, const auto& b) { return a.second->site > b.second->site; });
        for (const auto& [name, symbol] : pending) EvaluateConstant(*name, *symbol);
    }

    void AssembleText(std::string_view text, const std::string* file) {
        const std::string* outerFile = file_;
        const int outerLine = lineNumber_;
        file_ = file;
        lineNumber_ = 0;
        // A byte-order mark some editors put first is no part of line 1.
        if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
        for (size_t start = 0; start < text.size();) {
            size_t end = text.find('\n', start);
            if (end == std::string_view::npos) end = text.size();
            std::string_view line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            ++lineNumber_;
            AssembleLine(line);
            start = end + 1;
        }
        file_ = outerFile;
        lineNumber_ = outerLine;
    }

    void AssembleLine(std::string_view raw) {
        ++site_;
        if (AtLineEnd(raw, 0)) return List(raw);  // blank and comment lines, quickly
        definedOnLine_.clear();
        std::string text = Untabbed(raw);

        // Labels: "name:" before the statement, blanked out so columns hold.
        std::vector<std::pair<std::string, size_t>> labels;
        size_t pos = SkipBlanks(text, 0);
        for (size_t end = ScanName(text, pos); end > pos && end < text.size() && text[end] == ':';
             end = ScanName(text, pos)) {
            labels.emplace_back(text.substr(pos, end - pos), pos);
            std::fill(text.begin() + static_cast<std::ptrdiff_t>(pos), text.begin() + static_cast<std::ptrdiff_t>(end) + 1, ' ');
            pos = SkipBlanks(text, end + 1);
        }
        Statement(text, raw, pos, labels);
        FlushLineErrors();
    }

    void Statement(const std::string& text, std::string_view raw, size_t pos,
                   const std::vector<std::pair<std::string, size_t>>& labels) {
        const size_t nameEnd = ScanName(text, pos);
        const size_t keyword = SkipBlanks(text, nameEnd);
        const std::string word = LowerCase(std::string_view(text).substr(pos, WordEnd(text, pos) - pos));
        const bool constant =
            nameEnd > pos && LowerCase(std::string_view(text).substr(keyword, WordEnd(text, keyword) - keyword)) == "equ";
        if (constant || word == "equ") {
            if (!labels.empty()) {
                Error(labels.front().second, "a constant is written NAME equ VALUE, without a colon");
            } else if (!constant) {
                Error(pos, "equ needs a name before it: NAME equ VALUE");
            } else {
                Constant(text, raw, pos, nameEnd, WordEnd(text, keyword));
            }
            List(raw);
            return;
        }
        if (nameEnd == pos + word.size() && Directives().count(word)) {
            Directive(word, text, raw, pos, labels);
            return;
        }
        DefineLabels(labels);
        if (AtLineEnd(text, pos)) {
            List(raw);
            return;
        }
        Instruction(text, raw, pos);
    }

    // ---- Names ------------------------------------------------------------

    std::string Qualified(std::string_view written, const std::string& scope) const {
        return written[0] == '.' ? scope + std::string(written) : std::string(written);
    }

    std::string Where(const Symbol& symbol) const {
        std::string where = "on line " + std::to_string(symbol.line);
        if (symbol.file != file_) where += " of " + Quoted(symbol.file ? *symbol.file : options_.FileName);
        return where;
    }

    bool CheckDefinable(std::string_view written, size_t column, const char* what) {
        if (written[0] != '.' && written.find('.') != std::string_view::npos) {
            Error(column, std::string(what) + " is a name, or .name for a local one, not " + Quoted(written));
            return false;
        }
        if (written[0] != '.' && IsReservedName(written)) {
            Error(column, Quoted(written) + " is a reserved name and cannot be " + what);
            return false;
        }
        return true;
    }

    Symbol* Define(const std::string& name, size_t column, bool constant, int64_t value) {
        const bool repeated = std::find(definedOnLine_.begin(), definedOnLine_.end(), name) != definedOnLine_.end();
        definedOnLine_.push_back(name);
        const auto found = symbols_.find(name);
        if (found == symbols_.end()) {
            if (symbols_.size() >= MaxNames) {
                Error(column, "too many names: at most " + std::to_string(MaxNames) + " labels and constants");
                return nullptr;
            }
            Symbol& symbol = symbols_[name];
            symbol.value = value;
            symbol.known = !constant;
            symbol.constant = constant;
            symbol.site = site_;
            symbol.line = lineNumber_;
            symbol.file = file_;
            return &symbol;
        }
        Symbol& symbol = found->second;
        if (symbol.site != site_ || repeated) {
            Error(column, Quoted(name) + " is already defined " + Where(symbol));
            return nullptr;
        }
        if (!constant && symbol.value != value && NoErrorsYet()) {
            Error(column, Quoted(name) + " is at &H" + Hex4(value) + " but was at &H" + Hex4(symbol.value) +
                              " in the first pass: a name used before its definition changed the size of what "
                              "comes before; define it earlier");
        }
        return &symbol;
    }

    void DefineLabels(const std::vector<std::pair<std::string, size_t>>& labels) {
        for (const auto& [written, column] : labels) {
            if (!CheckDefinable(written, column, "a label")) continue;
            if (written[0] != '.') scope_ = written;
            if (Symbol* symbol = Define(Qualified(written, scope_), column, false, location_.address)) {
                symbol->space = location_.space;
            }
        }
    }

    std::vector<varnox::Symbol> Labels() const {
        std::vector<varnox::Symbol> labels;
        for (const auto& [name, symbol] : symbols_) {
            if (symbol.constant || !symbol.known) continue;
            const SymbolSpace space = symbol.space == Space::Code ? SymbolSpace::Code : SymbolSpace::Data;
            labels.push_back({space, static_cast<uint16_t>(symbol.value), name});
        }
        std::sort(labels.begin(), labels.end(), [](const varnox::Symbol& a, const varnox::Symbol& b) {
            if (a.Space != b.Space) return a.Space == SymbolSpace::Code;
            return a.Address != b.Address ? a.Address < b.Address : a.Name < b.Name;
        });
        return labels;
    }

    NameValue Failed(std::string message) { return NameValue{NameValue::Kind::Failed, 0, std::move(message)}; }

    NameValue Resolve(std::string_view written, const Use& use) {
        const std::string name = Qualified(written, *use.scope);
        const NameValue unknown{NameValue::Kind::Unknown, 0, {}};
        const auto found = symbols_.find(name);
        if (found == symbols_.end()) return final_ ? Failed("unknown name " + Quoted(name)) : unknown;
        Symbol& symbol = found->second;
        if (use.layout && symbol.site >= use.site) {
            return final_ ? Failed(Quoted(name) + " must be defined before this line: it decides where code and data go")
                          : unknown;
        }
        if (use.layout && final_ && !symbol.knownInLayout) {
            return Failed(Quoted(name) + " depends on names defined after it, but it decides where code and data go");
        }
        if (symbol.known) return NameValue{NameValue::Kind::Known, symbol.value, {}};
        if (!final_) return unknown;
        return EvaluateConstant(name, symbol);
    }

    // A constant whose definition used names defined after it.
    NameValue EvaluateConstant(const std::string& name, Symbol& symbol) {
        if (symbol.evaluating) return Failed(Quoted(name) + " is defined in terms of itself");
        if (depth_ >= MaxDefinitionDepth) return Failed("constants defined in terms of later ones nested too deeply");
        symbol.evaluating = true;
        ++depth_;
        const ExprValue value = Evaluate(symbol.text, symbol.valuePos, Use{symbol.site, &symbol.scope, false}, symbol.here);
        --depth_;
        symbol.evaluating = false;
        if (!value.ok) return Failed(value.error);
        if (!value.known) return Failed(Quoted(name) + " has no value");
        symbol.known = true;
        symbol.value = value.value;
        return NameValue{NameValue::Kind::Known, value.value, {}};
    }

    ExprContext Context(const Use& use, int64_t here) {
        ExprContext context;
        context.here = here;
        context.names = [this, use](std::string_view name) { return Resolve(name, use); };
        return context;
    }

    ExprValue Evaluate(std::string_view text, size_t pos, const Use& use, int64_t here) {
        return EvaluateExpression(text, pos, Context(use, here));
    }

    ExprValue Evaluate(std::string_view text, size_t pos, bool layout = false) {
        return Evaluate(text, pos, Use{site_, &scope_, layout}, location_.address);
    }

    void Constant(const std::string& text, std::string_view raw, size_t nameStart, size_t nameEnd, size_t valuePos) {
        const std::string_view written = std::string_view(text).substr(nameStart, nameEnd - nameStart);
        if (!CheckDefinable(written, nameStart, "a constant")) return;
        Symbol* symbol = Define(Qualified(written, scope_), nameStart, true, 0);
        if (!symbol) return;
        symbol->text = raw;
        symbol->valuePos = valuePos;
        symbol->here = location_.address;
        symbol->scope = scope_;
        symbol->evaluating = true;
        const ExprValue value = Evaluate(text, valuePos);
        symbol->evaluating = false;
        if (!value.ok) {
            Error(value.errorColumn, value.error);
        } else if (!AtLineEnd(text, value.end)) {
            Error(SkipBlanks(text, value.end), "unexpected text after the value");
        } else if (value.known) {
            symbol->known = true;
            symbol->value = value.value;
        }
    }

    // ---- Directives -------------------------------------------------------

    void Directive(const std::string& word, const std::string& text, std::string_view raw, size_t column,
                   const std::vector<std::pair<std::string, size_t>>& labels) {
        const size_t args = column + word.size();
        // Placement moves the location before the line's labels take it.
        if (word == "org" || word == "data" || word == "ram") {
            SetLocation(word == "org" ? Space::Code : word == "data" ? Space::Data : Space::Ram, text, args);
            DefineLabels(labels);
            List(raw);
            return;
        }
        if (word == "align") {
            Align(text, args);
            DefineLabels(labels);
            List(raw);
            return;
        }
        DefineLabels(labels);
        if (word == "include") {
            Include(text, raw, args);
        } else if (word == "ds") {
            Reserve(text, raw, args, column);
        } else {
            std::string bytes;
            const size_t errorsBefore = lineErrors_.size();
            bool ok = DataItems(text, args, word == "dw" ? 2 : 1, bytes);
            if (!ok && word == "db") ok = TakenAsItStands(text, bytes, errorsBefore);
            if (ok && location_.space == Space::Ram && !bytes.empty()) {
                Error(column, "RAM takes no bytes from the source: reserve space there with ds");
            } else if (ok) {
                PlaceBytes(bytes, column, raw);
                return;
            }
            List(raw);
        }
    }

    // A db line that the line assembler takes as it stands keeps its
    // bytes, quirks included (it ends the list at an "&H" without digits).
    bool TakenAsItStands(const std::string& text, std::string& bytes, size_t errorsBefore) {
        const AsmResult asIs = Assemble(text);
        if (asIs.AsmErrorPos != 0) return false;
        lineErrors_.resize(errorsBefore);
        bytes.assign(asIs.AsmBytes.begin(), asIs.AsmBytes.begin() + asIs.AsmCount);
        return true;
    }

    std::optional<LayoutValue> ReadLayoutValue(const std::string& text, size_t pos, bool wholeLine) {
        const ExprValue value = Evaluate(text, pos, true);
        if (!value.ok) {
            Error(value.errorColumn, value.error);
            return std::nullopt;
        }
        if (wholeLine && !AtLineEnd(text, value.end)) {
            Error(SkipBlanks(text, value.end), "unexpected text after the value");
            return std::nullopt;
        }
        if (!value.known) return std::nullopt;  // the first pass, with a name not yet defined
        return LayoutValue{value.value, SkipBlanks(text, pos), value.end};
    }

    void SetLocation(Space space, const std::string& text, size_t pos) {
        const auto value = ReadLayoutValue(text, pos, true);
        if (!value) return;
        std::string problem = SpaceAddressProblem(space, value->value);
        if (problem.empty()) {
            location_ = Location{space, value->value};
        } else {
            Error(value->column, std::move(problem));
        }
    }

    void Align(const std::string& text, size_t pos) {
        const auto value = ReadLayoutValue(text, pos, true);
        if (!value) return;
        if (value->value < 1 || value->value > MaxUnits) {
            Error(value->column, "align takes a value of 1.." + std::to_string(MaxUnits));
            return;
        }
        location_.address = (location_.address + value->value - 1) / value->value * value->value;
    }

    // ds COUNT [,FILL]: COUNT words in code, bytes in data and RAM.
    void Reserve(const std::string& text, std::string_view raw, size_t pos, size_t column) {
        const auto count = ReadLayoutValue(text, pos, false);
        if (!count) {
            List(raw);
            return;
        }
        std::optional<uint8_t> fill;
        size_t end = SkipBlanks(text, count->end);
        if (end < text.size() && text[end] == ',') {
            if (location_.space == Space::Ram) {
                Error(end, "RAM takes no bytes from the source: ds there takes no fill value");
                return List(raw);
            }
            std::string bytes;
            if (!DataItem(text, end + 1, 1, bytes, end)) return List(raw);
            if (bytes.size() != 1) {
                Error(SkipBlanks(text, count->end + 1), "ds takes one fill byte");
                return List(raw);
            }
            fill = static_cast<uint8_t>(bytes[0]);
        }
        if (!AtLineEnd(text, end)) {
            Error(SkipBlanks(text, end), "unexpected text after the value");
            return List(raw);
        }
        if (count->value < 0 || count->value > MaxUnits) {
            Error(count->column, "ds takes a count of 0.." + std::to_string(MaxUnits));
            return List(raw);
        }
        const Location at = location_;
        location_.address += count->value;
        if (!Claim(at, count->value, column)) return List(raw);
        if (fill) image_->Write(at, std::string(static_cast<size_t>(count->value) * (at.space == Space::Code ? 3 : 1), *fill));
        if (Listing()) AppendListing(out_.Listing, &at, {}, raw);
    }

    // One value of db or dw (or a string of db) at pos into bytes; end is
    // left after it.
    bool DataItem(const std::string& text, size_t pos, int width, std::string& bytes, size_t& end) {
        pos = SkipBlanks(text, pos);
        if (pos < text.size() && text[pos] == '"') {
            if (width != 1) {
                Error(pos, "strings are for db; dw takes 16-bit values");
                return false;
            }
            const StringValue string = ReadStringLiteral(text, pos);
            if (!string.ok) {
                Error(string.errorColumn, string.error);
                return false;
            }
            bytes += string.bytes;
            end = string.end;
            return true;
        }
        const ExprValue value = Evaluate(text, pos);
        if (!value.ok) {
            Error(value.errorColumn, value.error);
            return false;
        }
        const int64_t low = width == 1 ? -128 : -32768;
        const int64_t high = width == 1 ? 255 : 65535;
        if (value.known && (value.value < low || value.value > high)) {
            Error(pos, ShownValue(std::string_view(text).substr(pos, value.end - pos), value.value) + " is out of range " +
                           std::to_string(low) + ".." + std::to_string(high) + (width == 1 ? " for a byte" : " for a word"));
            return false;
        }
        const auto v = static_cast<uint16_t>(value.value);
        if (width == 2) bytes.push_back(static_cast<char>(v >> 8));  // high byte first, as the stack holds addresses
        bytes.push_back(static_cast<char>(v & 0xFF));
        end = value.end;
        return true;
    }

    // The comma-separated items of db or dw; a comma at the end is allowed.
    bool DataItems(const std::string& text, size_t pos, int width, std::string& bytes) {
        pos = SkipBlanks(text, pos);
        while (!AtLineEnd(text, pos)) {
            size_t end = pos;
            if (!DataItem(text, pos, width, bytes, end)) return false;
            pos = SkipBlanks(text, end);
            if (AtLineEnd(text, pos)) break;
            if (text[pos] != ',') {
                Error(pos, "expected ',' or the end of the line");
                return false;
            }
            pos = SkipBlanks(text, pos + 1);
        }
        return true;
    }

    std::string IncludePath(const std::string& name) const {
        namespace fs = std::filesystem;
        return (fs::path(includeStack_.back()).parent_path() / fs::path(name)).lexically_normal().string();
    }

    const std::map<std::string, IncludedFile>::value_type& Load(const std::string& path) {
        auto found = files_.find(path);
        if (found == files_.end()) {
            IncludedFile file;
            file.ok = options_.ReadFile(path, file.text, file.problem);
            if (!file.ok) file.text.clear();
            found = files_.emplace(path, std::move(file)).first;
        }
        return *found;
    }

    void Include(const std::string& text, std::string_view raw, size_t pos) {
        const size_t at = SkipBlanks(text, pos);
        List(raw);
        if (at >= text.size() || text[at] != '"') {
            Error(at, "include takes a file name in double quotes: include \"FILE\"");
            return;
        }
        const StringValue name = ReadStringLiteral(text, at);
        if (!name.ok) {
            Error(name.errorColumn, name.error);
            return;
        }
        if (!AtLineEnd(text, name.end)) {
            Error(SkipBlanks(text, name.end), "unexpected text after the file name");
            return;
        }
        if (name.bytes.find('\0') != std::string::npos) {
            // The system would read the name only up to it: another file.
            Error(at, "cannot include " + Quoted(name.bytes) + ": a file name holds no NUL byte");
            return;
        }
        if (!options_.ReadFile) {
            Error(at, "cannot include " + Quoted(name.bytes) + ": this source is not read from a file");
            return;
        }
        const std::string path = IncludePath(name.bytes);
        if (std::find(includeStack_.begin(), includeStack_.end(), path) != includeStack_.end()) {
            std::string chain;
            for (const std::string& file : includeStack_) chain += Printable(file, 200) + " -> ";
            Error(at, "include cycle: " + chain + Printable(path, 200));
            return;
        }
        if (includeStack_.size() > MaxIncludeDepth) {
            Error(at, "includes nested more than " + std::to_string(MaxIncludeDepth) + " deep");
            return;
        }
        const auto& [key, file] = Load(path);
        if (!file.ok) {
            Error(at, "cannot include " + Quoted(path) + ": " + file.problem);
            return;
        }
        includedBytes_ += file.text.size();
        if (++includes_ > MaxIncludes || includedBytes_ > MaxIncludedBytes) {
            Error(at, "cannot include " + Quoted(path) + ": the includes come to more than " +
                          std::to_string(MaxIncludes) + " files or " + std::to_string(MaxIncludedBytes >> 20) +
                          " MB in all");
            return;
        }
        FlushLineErrors();
        includeStack_.push_back(path);
        AssembleText(file.text, &key);
        includeStack_.pop_back();
    }

    // ---- Placement --------------------------------------------------------

    void Instruction(const std::string& text, std::string_view raw, size_t pos) {
        if (location_.space == Space::Ram) {
            Error(pos, "RAM takes no bytes from the source: place code with org or data");
            List(raw);
            return;
        }
        const InstructionBytes result = AssembleInstruction(text, pos, Context(Use{site_, &scope_, false}, location_.address));
        if (!result.errors.empty()) {
            for (const LineError& error : result.errors) Error(error.column, error.message);
            location_.address += location_.space == Space::Code ? 1 : 3;
            List(raw);
            return;
        }
        PlaceBytes(std::string(result.bytes.begin(), result.bytes.begin() + result.count), pos, raw);
    }

    // The final pass takes the units from at in the images; false, with
    // an error, when they are out of range or taken.
    bool Claim(const Location& at, int64_t units, size_t column) {
        if (!final_) return false;
        std::string problem = image_->Claim(at, units);
        if (problem.empty()) return true;
        Error(column, std::move(problem));
        return false;
    }

    // Bytes at the location: three to a word in code, one after another
    // in data.
    void PlaceBytes(const std::string& bytes, size_t column, std::string_view raw) {
        const Location at = location_;
        location_.address += static_cast<int64_t>(at.space == Space::Code ? (bytes.size() + 2) / 3 : bytes.size());
        if (!Claim(at, location_.address - at.address, column)) return List(raw);
        image_->Write(at, bytes);
        if (at.space == Space::Code) NoteLines(at, location_.address - at.address);
        if (Listing()) AppendListing(out_.Listing, bytes.empty() ? nullptr : &at, bytes, raw);
    }

    // The source line of each of the words placed from at.
    void NoteLines(const Location& at, int64_t words) {
        const std::string& file = LineFile();
        for (int64_t i = 0; i < words; ++i) {
            out_.Lines.push_back(SourceLineRow{static_cast<uint16_t>(at.address + i), file, lineNumber_});
        }
    }

    // The file being assembled, relative to the main source's folder, as
    // the line rows name it.
    const std::string& LineFile() {
        namespace fs = std::filesystem;
        auto found = lineFiles_.find(file_);
        if (found != lineFiles_.end()) return found->second;
        const fs::path main(options_.FileName.empty() ? std::string("source") : options_.FileName);
        std::string name = main.filename().string();
        if (file_) {
            const fs::path relative = fs::path(*file_).lexically_relative(main.parent_path());
            name = relative.empty() ? *file_ : relative.generic_string();
        }
        return lineFiles_.emplace(file_, std::move(name)).first->second;
    }

    // ---- Listing and errors -----------------------------------------------

    // A failed source has no listing, so none is built past its first error.
    bool Listing() const { return final_ && options_.WantListing && NoErrorsYet(); }

    void List(std::string_view raw) {
        if (Listing()) AppendListing(out_.Listing, nullptr, {}, raw);
    }

    void Error(size_t column, std::string message) {
        if (final_) lineErrors_.push_back(SourceError{lineNumber_, static_cast<int>(column) + 1, std::move(message), file_ ? *file_ : ""});
    }

    bool NoErrorsYet() const { return out_.ErrorCount == 0 && lineErrors_.empty(); }

    void FlushLineErrors() {
        std::stable_sort(lineErrors_.begin(), lineErrors_.end(),
                         [](const SourceError& a, const SourceError& b) { return a.Column < b.Column; });
        if (!lineErrors_.empty()) std::string().swap(out_.Listing);
        for (SourceError& error : lineErrors_) {
            ++out_.ErrorCount;
            if (out_.Errors.size() < MaxSourceErrors) out_.Errors.push_back(std::move(error));
        }
        lineErrors_.clear();
    }

    std::string_view source_;
    const SourceOptions& options_;
    SourceImages out_;
    std::unordered_map<std::string, Symbol> symbols_;
    std::map<std::string, IncludedFile> files_;
    std::unordered_map<const std::string*, std::string> lineFiles_;
    std::vector<std::string> includeStack_;
    std::vector<std::string> definedOnLine_;
    std::vector<SourceError> lineErrors_;
    std::unique_ptr<SourceImage> image_;  // the final pass's
    Location location_;
    std::string scope_;  // the last label without a dot: what .name labels belong to
    const std::string* file_ = nullptr;
    int lineNumber_ = 0;
    uint64_t site_ = 0;
    size_t includes_ = 0;       // in this pass
    size_t includedBytes_ = 0;  // in this pass
    int depth_ = 0;
    bool final_ = false;
};

}  // namespace

SourceImages AssembleSource(std::string_view source) { return AssembleSource(source, SourceOptions{}); }

SourceImages AssembleSource(std::string_view source, const SourceOptions& options) {
    return SourceAssembler(source, options).Run();
}

std::string FormatSourceError(std::string_view file, const SourceError& error) {
    return (error.File.empty() ? std::string(file) : error.File) + ":" + std::to_string(error.Line) + ":" +
           std::to_string(error.Column) + ": error: " + error.Message;
}

}  // namespace varnox
