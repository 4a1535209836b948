#include "app/messages.h"

#include <array>
#include <cstring>

#include "platform/ui.h"

namespace hoard::messages {
namespace {

constexpr Entry kEntries[] = {
    {Text::kCaptionShort, 0, "Hoard-Hoard 2.2",
     "Hoard-Hoard 2.2"},
    {Text::kCaption, 1, "Hoard-Hoard for JustView 2.2",
     "Hoard-Hoard for JustView 2.2"},
    {Text::kCannotRead, 3, "\x8F\x91\x97\xDE\x82\xF0\x93\xC7\x82\xDE\x82\xB1\x82\xC6\x82\xAA\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1",
     "書類を読むことができません"},
    {Text::kLogEmpty, 5, "\x83L\x83\x83\x83" "b\x83V\x83\x85\x81" "E\x83\x8D\x83O\x82\xC9\x83" "f\x81[\x83^\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1",
     "キャッシュ・ログにデータがありません"},
    {Text::kNoMemory, 8, "\x8D\xEC\x8B\xC6\x97p\x82\xCC\x83\x81\x83\x82\x83\x8A\x82\xAA\x8Am\x95\xDB\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1",
     "作業用のメモリが確保できません"},
    {Text::kLogCompressed, 11, "\x83L\x83\x83\x83" "b\x83V\x83\x85\x81" "E\x83\x8D\x83O\x82\xAA\x88\xB3\x8Fk\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81" "B",
     "キャッシュ・ログが圧縮されています。"},
    {Text::kLogIsHistory, 12, "\x82\xB1\x82\xEA\x82\xCDJustView\x82\xCC\x97\x9A\x97\xF0\x83t\x83@\x83" "C\x83\x8B\x82\xC5\x82\xA0\x82\xC1\x82\xC4\x81" "A\x83L\x83\x83\x83" "b\x83V\x83\x85\x83\x8D\x83O\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B",
     "これはJustViewの履歴ファイルであって、キャッシュログではありません。"},
    {Text::kLogNotText, 13, "\x95s\x93K\x90\xD8\x82\xC8\x83L\x83\x83\x83V\x83\x85\x83\x8D\x83O\x82\xC5\x82\xB7\x81" "B",
     "不適切なキャシュログです。"},
    {Text::kMissingPrefixCacheLog, 0, "\x83L\x83\x83\x83" "b\x83V\x83\x85\x83\x8D\x83O\x22",
     "キャッシュログ\""},
    {Text::kMissingPrefixDomainTable, 0, "\x83h\x83\x81\x83" "C\x83\x93\x95\xCF\x8A\xB7\x95\x5C\x22",
     "ドメイン変換表\""},
    {Text::kMissingTail, 0, "\x22\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B\x8E\xA9\x95\xAA\x82\xC5\x92T\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81H \x8Eg\x97p\x82\xB5\x82\xC8\x82\xA2\x8F\xEA\x8D\x87\x82\xCD\x81u\x82\xA2\x82\xA2\x82\xA6\x81v\x81" "A\x8FI\x97\xB9\x82\xCD\x83L\x83\x83\x83\x93\x83Z\x83\x8B\x81" "B",
     "\"が見つかりません。自分で探しますか？ 使用しない場合は「いいえ」、終了はキャンセル。"},
    {Text::kChooseLogTitleHead, 0, "\x83L\x83\x83\x83" "b\x83V\x83\x85\x83\x8D\x83O ",
     "キャッシュログ "},
    {Text::kChooseLogTitleTail, 0, " \x82\xF0\x8Ew\x92\xE8",
     " を指定"},
    {Text::kLogFilterText, 0, "CacheLogFile(*.db,*.csv,*.log,*.dat;HHoard log)",
     "CacheLogFile(*.db,*.csv,*.log,*.dat;HHoard log)"},
    {Text::kLogFilterPattern, 0, "*.db;*.csv;*.log;*.dat;*.rra;HHoard log*;",
     "*.db;*.csv;*.log;*.dat;*.rra;HHoard log*;"},
    {Text::kAllFilesText, 0, "\x91S\x82\xC4\x82\xCC\x83t\x83@\x83" "C\x83\x8B(*.*)",
     "全てのファイル(*.*)"},
    {Text::kAllFilesPattern, 0, "*.*",
     "*.*"},
    {Text::kChooseCacheFileTitle, 0, "\x83L\x83\x83\x83" "b\x83V\x83\x85\x83t\x83@\x83" "C\x83\x8B\x82\xF0\x8Ew\x92\xE8",
     "キャッシュファイルを指定"},
    {Text::kChooseCacheFolderTitle, 0, "\x83L\x83\x83\x83" "b\x83V\x83\x85\x83t\x83H\x83\x8B\x83_\x82\xF0\x8Ew\x92\xE8",
     "キャッシュフォルダを指定"},
    {Text::kCacheFilterText, 0, "CacheFile(*.html,*.htm,*.gif,*.jpg,*.jpeg,*.sht,*.shtml)",
     "CacheFile(*.html,*.htm,*.gif,*.jpg,*.jpeg,*.sht,*.shtml)"},
    {Text::kCacheFilterPattern, 0, "*.html;*.htm;*.gif;*.jpg;*.jpeg;*.sht;*.shtml",
     "*.html;*.htm;*.gif;*.jpg;*.jpeg;*.sht;*.shtml"},
    {Text::kCgiFilterText, 0, "CGIFile(*.cgi,*.cnt,*.exp,*.nex,*.next)",
     "CGIFile(*.cgi,*.cnt,*.exp,*.nex,*.next)"},
    {Text::kCgiFilterPattern, 0, "*.cgi;*.cnt;*.exp;*.nex;*.next",
     "*.cgi;*.cnt;*.exp;*.nex;*.next"},
    {Text::kNoCacheFiles, 0, "\x82\xB1\x82\xCC\x83t\x83H\x83\x8B\x83_\x82\xC9\x82\xCD\x83L\x83\x83\x83" "b\x83V\x83\x85\x83t\x83@\x83" "C\x83\x8B\x82\xCD\x91\xB6\x8D\xDD\x82\xB5\x82\xDC\x82\xB9\x82\xF1",
     "このフォルダにはキャッシュファイルは存在しません"},
    {Text::kBrokenCountHead, 0, "\x94j\x91\xB9\x83t\x83@\x83" "C\x83\x8B\x82\xAA ",
     "破損ファイルが "},
    {Text::kBrokenCountTail, 0, " \x8C\xC2\x82\xA0\x82\xE8\x82\xDC\x82\xB5\x82\xBD\x81" "B",
     " 個ありました。"},
    {Text::kOfferDetectionLog, 0, "\x8C\x9F\x8Fo\x8C\x8B\x89\xCA\x83\x8D\x83O\x82\xF0\x95\x5C\x8E\xA6\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81H",
     "検出結果ログを表示しますか？"},
    {Text::kPathTooLong, 0, "\x83p\x83X\x82\xDC\x82\xBD\x82\xCD\x83t\x83@\x83" "C\x83\x8B\x96\xBC\x82\xAA\x92\xB7\x82\xB7\x82\xAC\x82\xE9\x82\xBD\x82\xDF\x81" "A\x95\xCF\x8A\xB7\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81" "F\x0D\x0A",
     "パスまたはファイル名が長すぎるため、変換できません：\r\n"},
    {Text::kFolderNoLongNames, 0, "\x83t\x83H\x83\x8B\x83_\x82\xAA\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81" "B\x92\xB7\x82\xA2\x83t\x83@\x83" "C\x83\x8B\x96\xBC\x82\xF0\x8E\xF3\x82\xAF\x82\xC2\x82\xC8\x82\xA2\x82\xC6\x8Ev\x82\xED\x82\xEA\x82\xDC\x82\xB7\x81" "B",
     "フォルダが作成できません。長いファイル名を受けつないと思われます。"},
    {Text::kFolderDiskFull, 0, "\x83t\x83H\x83\x8B\x83_\x82\xAA\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81" "B\x83" "f\x83" "B\x83X\x83N\x82\xC9\x8B\xF3\x82\xAB\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B",
     "フォルダが作成できません。ディスクに空きがありません。"},
    {Text::kFolderErrorNumber, 0, "\x83t\x83H\x83\x8B\x83_\x82\xAA\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81" "B\x83G\x83\x89\x81[\x94\xD4\x8D\x86 = ",
     "フォルダが作成できません。エラー番号 = "},
    {Text::kChooseDomainTableTitle, 0, "\x83h\x83\x81\x83" "C\x83\x93\x95\xCF\x8A\xB7\x95\x5C domain.csv \x82\xF0\x8Ew\x92\xE8",
     "ドメイン変換表 domain.csv を指定"},
    {Text::kDomainFilterText, 0, "CSV File(*.csv,*.txt,*.bak)",
     "CSV File(*.csv,*.txt,*.bak)"},
    {Text::kDomainFilterPattern, 0, "*.csv;*.txt;*.bak;",
     "*.csv;*.txt;*.bak;"},
};

constexpr size_t kCaptionCapacity = 64;
std::array<char, kCaptionCapacity> gCaption = {"Hoard-Hoard 2.2"};

}  // namespace

std::span<const Entry> AllTexts() { return kEntries; }

const char* Get(Text text) {
  for (const Entry& entry : kEntries) {
    if (entry.text == text) return entry.bytes;
  }
  return "";
}

const char* StringById(int id) {
  if (id == 0) return nullptr;
  for (const Entry& entry : kEntries) {
    if (entry.stringId == id) return entry.bytes;
  }
  return nullptr;
}

const char* ProgramCaption() { return gCaption.data(); }

void SetProgramCaption(const char* caption) {
  size_t length = std::strlen(caption);
  if (length >= kCaptionCapacity) length = kCaptionCapacity - 1;
  std::memcpy(gCaption.data(), caption, length);
  gCaption[length] = '\0';
}

void ShowStringMessage(int id) {
  const char* text = StringById(id);
  if (text == nullptr) return;
  platform::ShowMessage(ProgramCaption(), text, platform::Icon::kWarning,
                        platform::Buttons::kOk);
}

}  // namespace hoard::messages
