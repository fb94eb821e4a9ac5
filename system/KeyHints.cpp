#include "system/KeyHints.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>
#include <vector>

#include "system/FaceLayout.h"

namespace varnox {
namespace {

// Above a key there is room for a few letters.
constexpr std::pair<std::string_view, std::string_view> ShortNames[] = {
    {"Backspace", "Bksp"}, {"Delete", "Del"}, {"Insert", "Ins"}, {"PageUp", "PgUp"}, {"PageDown", "PgDn"},
};

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

std::string ShortName(const std::string& name) {
    for (const auto& [full, brief] : ShortNames) {
        if (name == full) return std::string(brief);
    }
    return name;
}

// The face's words, as the face writes them (upper case).
bool FaceSays(int key, const std::string& name) {
    const std::string_view legend = FaceLegends[key];
    const std::string wanted = Upper(name);
    size_t at = 0;
    while (at <= legend.size()) {
        const size_t end = std::min(legend.find(' ', at), legend.size());
        if (legend.substr(at, end - at) == wanted) return true;
        at = end + 1;
    }
    return false;
}

}  // namespace

std::string KeyHint(const KeyMap& map, int key) {
    if (key < 1 || key > FaceKeyCount) return {};
    std::string hint;
    for (const std::string& name : map.PcKeyNamesOf(key)) {
        const std::string brief = ShortName(name);
        if (FaceSays(key, name) || FaceSays(key, brief)) continue;
        hint += (hint.empty() ? "" : " ") + brief;
    }
    return hint;
}

}  // namespace varnox
