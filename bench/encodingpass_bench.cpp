// Speed of the page encoding pass on a few MB of generated EUC-JP text,
// beside glibc's iconv converting the same bytes in the same run.
//
// Usage: encodingpass_bench [megabytes] [rounds]
#include <iconv.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/random.h"
#include "html/encodingpass.h"

namespace {

using Clock = std::chrono::steady_clock;

using hoard::bench::Random;

// Converts UTF-8 to EUC-JP; empty when iconv refuses it.
std::string ToEuc(const char* utf8) {
  std::string out;
  iconv_t cd = iconv_open("EUC-JP", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return out;
  std::string input(utf8);
  std::vector<char> buffer(input.size() * 2 + 8);
  char* in = input.data();
  size_t inLeft = input.size();
  char* outPtr = buffer.data();
  size_t outLeft = buffer.size();
  if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) {
    out.assign(buffer.data(), buffer.size() - outLeft);
  }
  iconv_close(cd);
  return out;
}

// Sentences of a cached portal page in EUC-JP with LF line ends, drawn from
// a small vocabulary: kanji, hiragana, katakana, punctuation, ASCII. Random
// kanji pairs would not do: they meet the Shift_JIS katakana fragments far
// more often than words do, and end the detection early.
std::string MakeEucText(size_t bytes) {
  static const char* const kWords[] = {
      "日本語", "の", "を", "に", "は", "が", "です", "ます", "しました", "ページ",
      "キャッシュ", "ファイル", "変換", "表示", "ブラウザ", "ホームページ", "インターネット",
      "情報", "検索", "リンク", "画像", "更新", "今日", "天気", "東京", "大阪", "会社",
      "案内", "メール", "マガジン", "登録", "解除", "こちら", "ください", "お知らせ",
      "新着", "掲示板", "写真", "旅行", "料理", "音楽", "映画", "新聞", "記事", "読者",
      "、", "。", "「", "」", "・", "（", "）", "2001年", "HTML", " ", "WWW"};
  std::vector<std::string> words;
  for (const char* word : kWords) words.push_back(ToEuc(word));
  Random random;
  std::string out;
  out.reserve(bytes + 256);
  while (out.size() < bytes) {
    out += "<p>";
    const int length = 10 + random.Below(30);
    for (int i = 0; i < length; ++i) out += words[random.Below(static_cast<int>(words.size()))];
    out += "</p>\n";
  }
  return out;
}

struct Timing {
  double bestSeconds = 1e30;
  void Add(Clock::duration d) {
    bestSeconds = std::min(bestSeconds, std::chrono::duration<double>(d).count());
  }
  double MegabytesPerSecond(size_t bytes) const { return bytes / bestSeconds / 1e6; }
};

Timing TimePass(const std::string& text, const hoard::EncodingPassOptions& options, int rounds,
                std::vector<unsigned char>& work) {
  Timing timing;
  for (int round = 0; round < rounds; ++round) {
    work.assign(text.begin(), text.end());
    const Clock::time_point start = Clock::now();
    hoard::RunEncodingPass(work.data(), work.size(), options);
    timing.Add(Clock::now() - start);
  }
  return timing;
}

Timing TimeIconv(const std::string& text, const char* to, int rounds, std::string& converted) {
  Timing timing;
  iconv_t cd = iconv_open(to, "EUC-JP");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    std::fprintf(stderr, "iconv cannot convert EUC-JP to %s\n", to);
    return timing;
  }
  std::vector<char> input(text.begin(), text.end());
  std::vector<char> output(text.size() * 2);
  for (int round = 0; round < rounds; ++round) {
    char* in = input.data();
    size_t inLeft = input.size();
    char* out = output.data();
    size_t outLeft = output.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const Clock::time_point start = Clock::now();
    const size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
    timing.Add(Clock::now() - start);
    if (result == static_cast<size_t>(-1)) {
      std::fprintf(stderr, "iconv stopped at byte %zu\n", input.size() - inLeft);
      break;
    }
    converted.assign(output.data(), output.size() - outLeft);
  }
  iconv_close(cd);
  return timing;
}

}  // namespace

int main(int argc, char** argv) {
  const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 4;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 15;
  const std::string text = MakeEucText(megabytes * 1000 * 1000);

  std::vector<unsigned char> work;
  hoard::EncodingPassReport report;
  work.assign(text.begin(), text.end());
  hoard::RunEncodingPass(work.data(), work.size(), {false, true}, &report);
  const std::string passOutput(work.begin(), work.end());

  const Timing eucOnly = TimePass(text, {false, true}, rounds, work);
  const Timing both = TimePass(text, {true, true}, rounds, work);
  const Timing lineEnds = TimePass(text, {true, false}, rounds, work);
  std::string sjis;
  std::string cp932;
  const Timing iconvSjis = TimeIconv(text, "SHIFT_JIS", rounds, sjis);
  const Timing iconvCp932 = TimeIconv(text, "CP932", rounds, cp932);

  std::printf("EUC-JP text: %zu bytes, %zu pairs converted, best of %d rounds\n", text.size(),
              report.pairsConverted, rounds);
  if (report.detection.judgedSjis) {
    std::printf("  the detection ended at byte %zu\n", report.detectionEnd);
  }
  std::printf("  encoding pass, EUC-JP to Shift_JIS   %8.1f MB/s\n", eucOnly.MegabytesPerSecond(text.size()));
  std::printf("  encoding pass, EUC-JP and line ends  %8.1f MB/s\n", both.MegabytesPerSecond(text.size()));
  std::printf("  encoding pass, line ends only        %8.1f MB/s\n", lineEnds.MegabytesPerSecond(text.size()));
  std::printf("  iconv EUC-JP to SHIFT_JIS            %8.1f MB/s\n", iconvSjis.MegabytesPerSecond(text.size()));
  std::printf("  iconv EUC-JP to CP932                %8.1f MB/s\n", iconvCp932.MegabytesPerSecond(text.size()));
  std::printf("  pass output equals iconv's SHIFT_JIS: %s\n", passOutput == sjis ? "yes" : "NO");
  return passOutput == sjis ? 0 : 1;
}
