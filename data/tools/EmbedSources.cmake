# Writes OUTPUT, a C++ source holding every file of SOURCE_DIR (*.sql, *.csv, *.txt) as
# bytes, so that the database builder needs no files at run time.
file(GLOB inputs RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.sql ${SOURCE_DIR}/*.csv ${SOURCE_DIR}/*.txt)
list(SORT inputs)
set(arrays "")
set(table "")
set(i 0)
foreach(name IN LISTS inputs)
  file(READ ${SOURCE_DIR}/${name} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(LENGTH "${hex}" hexlen)
  math(EXPR size "${hexlen} / 2")
  string(APPEND arrays "const unsigned char k${i}[] = {${bytes}0};\n")
  string(APPEND table "    {\"${name}\", k${i}, ${size}},\n")
  math(EXPR i "${i} + 1")
endforeach()
file(WRITE ${OUTPUT}.tmp "// Generated from data/demodata by EmbedSources.cmake; do not edit.
#include \"data/tools/DemoDataSources.h\"

#include <stdexcept>
#include <string>

namespace oxqr::demodata {
namespace {
${arrays}
struct TEntry {
  std::string_view Name;
  const unsigned char* Data;
  std::size_t Size;
};
const TEntry kEntries[] = {
${table}};
}  // namespace

std::string_view Source(std::string_view name) {
  for (const auto& e : kEntries)
    if (e.Name == name) return {reinterpret_cast<const char*>(e.Data), e.Size};
  throw std::runtime_error(\"demodata source not embedded: \" + std::string(name));
}

}  // namespace oxqr::demodata
")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
