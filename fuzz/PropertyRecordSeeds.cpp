// Writes the 51 design records, one file each, into the directory given as
// the only argument: the seed corpus of the property record fuzzer.
#include <cstdio>
#include <fstream>
#include <string>

#include "app/window/Records.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
    return 2;
  }
  auto write = [&](const std::string& name, std::string_view record) {
    const std::string path = std::string(argv[1]) + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(record.data(), static_cast<std::streamsize>(record.size()));
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return false;
    }
    return true;
  };
  bool ok = write("window", records::WindowRecord());
  int n = 0;
  for (const auto& c : records::ControlTable())
    ok = write("control" + std::to_string(n++) + "-" + std::string(c.name), c.record) && ok;
  return ok ? 0 : 1;
}
