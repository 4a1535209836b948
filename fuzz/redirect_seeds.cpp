// Writes the sources of the redirect test table as seed files for the
// redirect fuzz target, each behind a byte that asks for the full room:
//   redirect_seeds <folder>
#include <cstdio>
#include <string>

#include "urlmap/redirect_cases.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]);
    return 2;
  }
  int count = 0;
  for (const hoard::test::RedirectCase& c : hoard::test::RedirectCases()) {
    for (const char room : {'\x7F', '\xFF'}) {
      const std::string path = std::string(argv[1]) + "/seed" + std::to_string(count++);
      std::FILE* file = std::fopen(path.c_str(), "wb");
      if (file == nullptr) return 1;
      std::fputc(room, file);
      std::fwrite(c.source.data(), 1, c.source.size(), file);
      std::fclose(file);
    }
  }
  std::printf("%d seeds\n", count);
  return 0;
}
