// Placeholder.
#include "frontend/Files.h"

namespace varnox {

void LoadSettings(Settings&, const std::filesystem::path&) {}
LoadResult LoadFiles(Machine&, const std::filesystem::path&) { return {}; }
std::vector<std::string> SaveFiles(const Machine&, const std::filesystem::path&) { return {}; }

}  // namespace varnox
