// What the whole-batch benchmarks share: whole images to put in a generated
// cache, file writing, timing, and a scratch folder for the runs.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace hoard::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

inline bool WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// A whole 2 x 2 GIF: screen, two-colour table, one image, trailer; the
// colour varies so that no two images are alike.
inline std::string Gif(int image) {
  std::string bytes("GIF89a\x02\x00\x02\x00\x80\x00\x00", 13);
  bytes += static_cast<char>(image & 0xFF);
  bytes += static_cast<char>((image >> 8) & 0xFF);
  bytes += std::string("\x00\xFF\xFF\xFF", 4);
  bytes += std::string("\x2C\x00\x00\x00\x00\x02\x00\x02\x00\x00", 10);
  bytes += std::string("\x02\x02\x84\x51\x00\x3B", 6);
  return bytes;
}

// A JPEG with the segments a whole one needs: JFIF header, quantisation
// table, baseline frame, Huffman table, a scan and the end marker.
inline std::string Jpeg(int image) {
  std::string bytes("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20);
  bytes += std::string("\xFF\xDB\x00\x43\x00", 5);
  for (int i = 0; i < 64; ++i) bytes += static_cast<char>(1 + (i + image) % 50);
  bytes += std::string("\xFF\xC0\x00\x0B\x08\x00\x08\x00\x08\x01\x01\x11\x00", 13);
  bytes += std::string("\xFF\xC4\x00\x14\x00\x01", 6) + std::string(16, '\0');
  bytes += std::string("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00", 10);
  for (int i = 0; i < 200; ++i) bytes += static_cast<char>((i * 37 + image) % 0xFF);
  return bytes + std::string("\xFF\xD9", 2);
}

// A fresh folder under /tmp named after `name`, where the settings and the
// trash of the runs stay too. Empty (with the reason printed) on failure.
inline std::filesystem::path MakeScratchFolder(const std::string& name) {
  std::string pattern = "/tmp/" + name + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return {};
  }
  const std::filesystem::path base(pattern);
  setenv("XDG_CONFIG_HOME", (base / "config").c_str(), 1);
  setenv("XDG_DATA_HOME", (base / "data").c_str(), 1);
  return base;
}

}  // namespace hoard::bench
