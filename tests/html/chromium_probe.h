// Headless Chromium as the mirror's reader: a page is opened from file://
// with a small script added at its end that lists the images that did not
// load and the frames that show no page.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "tools/mirrorcheck.h"

namespace hoard::test {

inline constexpr const char* kChromium = "/usr/bin/chromium";

inline constexpr const char* kProbe =
    "<script>window.addEventListener('load',function(){var bad=[];"
    "for(var i=0;i<document.images.length;i++){var m=document.images[i];"
    "if(!m.complete||m.naturalWidth===0)bad.push(m.src);}"
    "var fr=document.querySelectorAll('frame,iframe');"
    "for(var j=0;j<fr.length;j++){var ok=false;try{var h=fr[j].contentWindow.location.href;"
    "ok=h.indexOf('file:')===0&&fr[j].contentDocument!==null;}catch(e){ok=false;}"
    "if(!ok)bad.push(fr[j].src);}"
    "var p=document.createElement('pre');p.id='hoard-probe';"
    "p.textContent='HOARD-PROBE '+document.images.length+' '+fr.length+' '+bad.join(' ');"
    "document.documentElement.appendChild(p);});</script>";

struct Probe {
  bool ran = false;
  size_t images = 0;
  size_t frames = 0;
  std::vector<std::string> failed;  // paths of what did not load
};

inline std::string Run(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

inline Probe OpenInChromium(const std::filesystem::path& page, const std::filesystem::path& profile) {
  Probe probe;
  const std::filesystem::path copy = page.string() + ".probe.html";
  {
    std::ifstream in(page, std::ios::binary);
    std::ofstream out(copy, std::ios::binary);
    // First, so that it runs in frameset pages too, where a script after
    // the frameset is never parsed.
    out << kProbe << in.rdbuf();
  }
  const std::string command =
      std::string("timeout 60 ") + kChromium +
      " --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking"
      " --disable-component-update --disable-sync --allow-file-access-from-files"
      " --virtual-time-budget=3000 --user-data-dir='" + profile.string() +
      "' --dump-dom 'file://" + copy.string() + "' 2>/dev/null";
  const std::string dom = Run(command);
  std::filesystem::remove(copy);
  constexpr std::string_view kMark = "id=\"hoard-probe\">HOARD-PROBE ";
  const size_t at = dom.find(kMark);
  if (at == std::string::npos) return probe;
  const size_t start = at + kMark.size();
  const size_t end = dom.find("</pre>", start);
  if (end == std::string::npos) return probe;
  const std::string line = tools::detail::DecodeEntities(dom.substr(start, end - start));
  probe.ran = true;
  size_t pos = 0;
  std::vector<std::string> words;
  while (pos <= line.size()) {
    const size_t space = line.find(' ', pos);
    words.push_back(line.substr(pos, space == std::string::npos ? std::string::npos : space - pos));
    if (space == std::string::npos) break;
    pos = space + 1;
  }
  if (words.size() < 2) return probe;
  probe.images = std::stoul(words[0]);
  probe.frames = std::stoul(words[1]);
  for (size_t i = 2; i < words.size(); ++i) {
    if (words[i].rfind("file://", 0) != 0) continue;
    probe.failed.push_back(tools::detail::PercentDecode(words[i].substr(7)));
  }
  return probe;
}

}  // namespace hoard::test
