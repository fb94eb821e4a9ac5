#include "system/KeyNames.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "peripherals/Keyboard.h"
#include "system/FaceLayout.h"

namespace varnox {
namespace {

struct NamedKey {
    const char* Name;
    int Key;
};

// What a face holds that no keyboard types (the kit font's arrows), the
// keys the face has no button for, and the names the firmware's own
// documents use beside the faces.
constexpr NamedKey OtherNames[] = {
    {"LEFT", KeyLeft}, {"RIGHT", KeyRight}, {"UP", KeyUp},   {"DOWN", KeyDown}, {"ESC", KeyEscape},
    {"ENTER", KeyEnter}, {"QUOTE", KeyQuote}, {"COLON", KeyColon}, {"I", 27},     {"(", 27},
    {"J", 28},         {")", 28},           {"F8", KeyF8},   {"PRINT", PrintSwitchKey},
};

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

bool Printable(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= ' ' && c <= '~'; });
}

std::vector<std::pair<std::string, int>> Table() {
    std::vector<std::pair<std::string, int>> names;
    for (int key = 1; key <= FaceKeyCount; ++key) {
        if (Printable(FaceLegends[key])) names.emplace_back(FaceLegends[key], key);
    }
    for (const NamedKey& other : OtherNames) names.emplace_back(other.Name, other.Key);
    return names;
}

const std::vector<std::pair<std::string, int>>& Names() {
    static const std::vector<std::pair<std::string, int>> names = Table();
    return names;
}

// Edits (insert, delete, replace) from one text to the other.
size_t Distance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

int KeyNamed(std::string_view name) {
    const std::string upper = Upper(name);
    for (const auto& [known, key] : Names()) {
        if (known == upper) return key;
    }
    return 0;
}

std::string KeyName(int key) {
    for (const auto& [known, named] : Names()) {
        if (named == key) return known;
    }
    return {};
}

std::vector<std::string> AllKeyNames() {
    std::vector<std::string> all;
    for (const auto& entry : Names()) all.push_back(entry.first);
    return all;
}

std::vector<std::string> CloseKeyNames(std::string_view name, size_t most) {
    const std::string upper = Upper(name);
    if (upper.empty()) return {};
    // By distance, then in the table's order (each key's face first).
    std::vector<std::pair<size_t, size_t>> ranked;
    const auto& names = Names();
    for (size_t at = 0; at < names.size(); ++at) {
        const std::string& known = names[at].first;
        // A name that starts the same way is as close as one edit.
        const size_t distance = known.rfind(upper, 0) == 0 ? 1 : Distance(upper, known);
        if (distance <= std::max<size_t>(1, known.size() / 2)) ranked.emplace_back(distance, at);
    }
    std::sort(ranked.begin(), ranked.end());
    std::vector<std::string> close;
    for (size_t i = 0; i < ranked.size() && i < most; ++i) close.push_back(names[ranked[i].second].first);
    return close;
}

}  // namespace varnox
