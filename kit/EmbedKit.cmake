# Writes a C++ source that holds the default kit's files as byte arrays, so
# that the programs carry the kit inside:
#   cmake -DKIT_DIR=DIR -DOUTPUT=FILE -DFILES="rom0.bin;..." -P EmbedKit.cmake
# The source is written beside and renamed into place, so a build stopped
# halfway leaves no half source behind.
set(arrays "")
set(entries "")
set(index 0)
foreach(name IN LISTS FILES)
  file(READ ${KIT_DIR}/${name} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
  # Lines of 32 bytes keep the source readable to tools.
  string(REGEX REPLACE "((0x..,){32})" "\\1\n" hex "${hex}")
  string(APPEND arrays "const uint8_t File${index}[] = {\n${hex}\n};\n")
  string(APPEND entries "    {\"${name}\", File${index}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUTPUT}.new
"// Made by the build from the default kit; not to be edited.
#include \"system/DefaultKit.h\"

namespace varnox {
namespace {

${arrays}
const KitFile Files[] = {
${entries}};

}  // namespace

std::span<const KitFile> DefaultKit() { return Files; }

}  // namespace varnox
")
file(RENAME ${OUTPUT}.new ${OUTPUT})
