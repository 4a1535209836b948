#include "base/messages.h"

#include <array>
#include <cstring>


namespace hoard::messages {
namespace {

constexpr Entry kEntries[] = {
    {Text::kCaptionShort, 0, "Hoard-Hoard 2.2",
     "Hoard-Hoard 2.2",
     "Hoard-Hoard 2.2"},
    {Text::kCaption, 1, "Hoard-Hoard for JustView 2.2",
     "Hoard-Hoard for JustView 2.2",
     "Hoard-Hoard for JustView 2.2"},
    {Text::kCannotRead, 3, "\x8F\x91\x97\xDE\x82\xF0\x93\xC7\x82\xDE\x82\xB1\x82\xC6\x82\xAA\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1",
     "書類を読むことができません",
     "The document cannot be read"},
    {Text::kLogEmpty, 5, "\x83L\x83\x83\x83" "b\x83V\x83\x85\x81" "E\x83\x8D\x83O\x82\xC9\x83" "f\x81[\x83^\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1",
     "キャッシュ・ログにデータがありません",
     "The cache log holds no data"},
    {Text::kNoMemory, 8, "\x8D\xEC\x8B\xC6\x97p\x82\xCC\x83\x81\x83\x82\x83\x8A\x82\xAA\x8Am\x95\xDB\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1",
     "作業用のメモリが確保できません",
     "No memory can be had to work in"},
    {Text::kLogCompressed, 11, "\x83L\x83\x83\x83" "b\x83V\x83\x85\x81" "E\x83\x8D\x83O\x82\xAA\x88\xB3\x8Fk\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81" "B",
     "キャッシュ・ログが圧縮されています。",
     "The cache log is compressed."},
    {Text::kLogIsHistory, 12, "\x82\xB1\x82\xEA\x82\xCDJustView\x82\xCC\x97\x9A\x97\xF0\x83t\x83@\x83" "C\x83\x8B\x82\xC5\x82\xA0\x82\xC1\x82\xC4\x81" "A\x83L\x83\x83\x83" "b\x83V\x83\x85\x83\x8D\x83O\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B",
     "これはJustViewの履歴ファイルであって、キャッシュログではありません。",
     "This is a JustView history file, not a cache log."},
    {Text::kLogNotText, 13, "\x95s\x93K\x90\xD8\x82\xC8\x83L\x83\x83\x83V\x83\x85\x83\x8D\x83O\x82\xC5\x82\xB7\x81" "B",
     "不適切なキャシュログです。",
     "This is not a cache log that can be used."},
    {Text::kMissingPrefixCacheLog, 0, "\x83L\x83\x83\x83" "b\x83V\x83\x85\x83\x8D\x83O\x22",
     "キャッシュログ\"",
     "The cache log \""},
    {Text::kMissingPrefixDomainTable, 0, "\x83h\x83\x81\x83" "C\x83\x93\x95\xCF\x8A\xB7\x95\x5C\x22",
     "ドメイン変換表\"",
     "The domain table \""},
    {Text::kMissingTail, 0, "\x22\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B\x8E\xA9\x95\xAA\x82\xC5\x92T\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81H \x8Eg\x97p\x82\xB5\x82\xC8\x82\xA2\x8F\xEA\x8D\x87\x82\xCD\x81u\x82\xA2\x82\xA2\x82\xA6\x81v\x81" "A\x8FI\x97\xB9\x82\xCD\x83L\x83\x83\x83\x93\x83Z\x83\x8B\x81" "B",
     "\"が見つかりません。自分で探しますか？ 使用しない場合は「いいえ」、終了はキャンセル。",
     "\" is not found. Look for it yourself? No: go on without it; Cancel: quit."},
    {Text::kChooseLogTitleHead, 0, "\x83L\x83\x83\x83" "b\x83V\x83\x85\x83\x8D\x83O ",
     "キャッシュログ ",
     "Choose the cache log "},
    {Text::kChooseLogTitleTail, 0, " \x82\xF0\x8Ew\x92\xE8",
     " を指定",
     ""},
    {Text::kLogFilterText, 0, "CacheLogFile(*.db,*.csv,*.log,*.dat;HHoard log)",
     "CacheLogFile(*.db,*.csv,*.log,*.dat;HHoard log)"},
    {Text::kLogFilterPattern, 0, "*.db;*.csv;*.log;*.dat;*.rra;HHoard log*;",
     "*.db;*.csv;*.log;*.dat;*.rra;HHoard log*;"},
    {Text::kAllFilesText, 0, "\x91S\x82\xC4\x82\xCC\x83t\x83@\x83" "C\x83\x8B(*.*)",
     "全てのファイル(*.*)",
     "All files (*.*)"},
    {Text::kAllFilesPattern, 0, "*.*",
     "*.*"},
    {Text::kChooseCacheFileTitle, 0, "\x83L\x83\x83\x83" "b\x83V\x83\x85\x83t\x83@\x83" "C\x83\x8B\x82\xF0\x8Ew\x92\xE8",
     "キャッシュファイルを指定",
     "Choose a cache file"},
    {Text::kChooseCacheFolderTitle, 0, "\x83L\x83\x83\x83" "b\x83V\x83\x85\x83t\x83H\x83\x8B\x83_\x82\xF0\x8Ew\x92\xE8",
     "キャッシュフォルダを指定",
     "Choose the cache folder"},
    {Text::kCacheFilterText, 0, "CacheFile(*.html,*.htm,*.gif,*.jpg,*.jpeg,*.sht,*.shtml)",
     "CacheFile(*.html,*.htm,*.gif,*.jpg,*.jpeg,*.sht,*.shtml)"},
    {Text::kCacheFilterPattern, 0, "*.html;*.htm;*.gif;*.jpg;*.jpeg;*.sht;*.shtml",
     "*.html;*.htm;*.gif;*.jpg;*.jpeg;*.sht;*.shtml"},
    {Text::kCgiFilterText, 0, "CGIFile(*.cgi,*.cnt,*.exp,*.nex,*.next)",
     "CGIFile(*.cgi,*.cnt,*.exp,*.nex,*.next)"},
    {Text::kCgiFilterPattern, 0, "*.cgi;*.cnt;*.exp;*.nex;*.next",
     "*.cgi;*.cnt;*.exp;*.nex;*.next"},
    {Text::kNoCacheFiles, 0, "\x82\xB1\x82\xCC\x83t\x83H\x83\x8B\x83_\x82\xC9\x82\xCD\x83L\x83\x83\x83" "b\x83V\x83\x85\x83t\x83@\x83" "C\x83\x8B\x82\xCD\x91\xB6\x8D\xDD\x82\xB5\x82\xDC\x82\xB9\x82\xF1",
     "このフォルダにはキャッシュファイルは存在しません",
     "This folder holds no cache files"},
    {Text::kBrokenCountHead, 0, "\x94j\x91\xB9\x83t\x83@\x83" "C\x83\x8B\x82\xAA ",
     "破損ファイルが ",
     "Broken files found: "},
    {Text::kBrokenCountTail, 0, " \x8C\xC2\x82\xA0\x82\xE8\x82\xDC\x82\xB5\x82\xBD\x81" "B",
     " 個ありました。",
     "."},
    {Text::kOfferDetectionLog, 0, "\x8C\x9F\x8Fo\x8C\x8B\x89\xCA\x83\x8D\x83O\x82\xF0\x95\x5C\x8E\xA6\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81H",
     "検出結果ログを表示しますか？",
     "Show the detection log?"},
    {Text::kPathTooLong, 0, "\x83p\x83X\x82\xDC\x82\xBD\x82\xCD\x83t\x83@\x83" "C\x83\x8B\x96\xBC\x82\xAA\x92\xB7\x82\xB7\x82\xAC\x82\xE9\x82\xBD\x82\xDF\x81" "A\x95\xCF\x8A\xB7\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81" "F\x0D\x0A",
     "パスまたはファイル名が長すぎるため、変換できません：\r\n",
     "The path or file name is too long to be converted:\r\n"},
    {Text::kLeftBehindHead, 0, "\x95\xCF\x8A\xB7\x82\xC5\x82\xAB\x82\xB8\x83L\x83\x83\x83" "b\x83V\x83\x85\x83t\x83H\x83\x8B\x83_\x82\xC9\x8E" "c\x82\xB5\x82\xBD\x83t\x83@\x83" "C\x83\x8B\x82\xAA ",
     "変換できずキャッシュフォルダに残したファイルが ",
     "Not converted, left in the cache folder: "},
    {Text::kLeftBehindTail, 0, " \x8C\xC2\x82\xA0\x82\xE8\x82\xDC\x82\xB7\x81" "F",
     " 個あります：",
     " file(s):"},
    {Text::kFolderNoLongNames, 0, "\x83t\x83H\x83\x8B\x83_\x82\xAA\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81" "B\x92\xB7\x82\xA2\x83t\x83@\x83" "C\x83\x8B\x96\xBC\x82\xF0\x8E\xF3\x82\xAF\x82\xC2\x82\xC8\x82\xA2\x82\xC6\x8Ev\x82\xED\x82\xEA\x82\xDC\x82\xB7\x81" "B",
     "フォルダが作成できません。長いファイル名を受けつないと思われます。",
     "A folder cannot be made. The disk seems not to take long file names."},
    {Text::kFolderDiskFull, 0, "\x83t\x83H\x83\x8B\x83_\x82\xAA\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81" "B\x83" "f\x83" "B\x83X\x83N\x82\xC9\x8B\xF3\x82\xAB\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B",
     "フォルダが作成できません。ディスクに空きがありません。",
     "A folder cannot be made. The disk is full."},
    {Text::kFolderErrorNumber, 0, "\x83t\x83H\x83\x8B\x83_\x82\xAA\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81" "B\x83G\x83\x89\x81[\x94\xD4\x8D\x86 = ",
     "フォルダが作成できません。エラー番号 = ",
     "A folder cannot be made. Error number = "},
    {Text::kChooseDomainTableTitle, 0, "\x83h\x83\x81\x83" "C\x83\x93\x95\xCF\x8A\xB7\x95\x5C domain.csv \x82\xF0\x8Ew\x92\xE8",
     "ドメイン変換表 domain.csv を指定",
     "Choose the domain table domain.csv"},
    {Text::kDomainFilterText, 0, "CSV File(*.csv,*.txt,*.bak)",
     "CSV File(*.csv,*.txt,*.bak)"},
    {Text::kDomainFilterPattern, 0, "*.csv;*.txt;*.bak;",
     "*.csv;*.txt;*.bak;"},
    {Text::kMainQuestionLine1, 0, "\x82\xB1\x82\xEA\x82\xA9\x82\xE7\x91I\x91\xF0\x82\xB7\x82\xE9\x82\xCC\x82\xCD\x83t\x83H\x83\x8B\x83_\x82\xC5\x82\xB7\x82\xA9\x81H",
     "これから選択するのはフォルダですか？",
     "Will you choose a folder now,"},
    {Text::kMainQuestionLine2, 0, "\x82\xBB\x82\xEA\x82\xC6\x82\xE0\x83t\x83@\x83" "C\x83\x8B\x82\xD0\x82\xC6\x82\xC2\x82\xBE\x82\xAF\x82\xC5\x82\xB7\x82\xA9\x81H",
     "それともファイルひとつだけですか？",
     "or one file only?"},
    {Text::kButtonFolder, 0, "\x83t\x83H\x83\x8B\x83_",
     "フォルダ",
     "Folder"},
    {Text::kButtonFile, 0, "\x83t\x83@\x83" "C\x83\x8B",
     "ファイル",
     "File"},
    {Text::kButtonQuit, 0, "\x8FI\x97\xB9",
     "終了",
     "Quit"},
    {Text::kButtonSpecial, 0, "\x93\xC1\x8E\xEA\x90\xDD\x92\xE8",
     "特殊設定",
     "Special settings"},
    {Text::kButtonResident, 0, "\x8F\xED\x92\x93",
     "常駐",
     "Resident"},
    {Text::kButtonManual, 0, "\xB5\xDD\xD7\xB2\xDD \xCF\xC6\xAD\xB1\xD9",
     "ｵﾝﾗｲﾝ ﾏﾆｭｱﾙ",
     "Online manual"},
    {Text::kCheckEditLinks, 0, "\x83\x8A\x83\x93\x83N\x82\xF0\x95\xD2\x8FW\x82\xB7\x82\xE9(&L)",
     "リンクを編集する(&L)",
     "Edit links (&L)"},
    {Text::kCheckDeleteBackup, 0, "\x95\xD2\x8FW\x91O\x82\xCC\xCA\xDE\xAF\xB8\xB1\xAF\xCC\xDF\xCC\xA7\xB2\xD9\x82\xCD\x8D\xED\x8F\x9C\x82\xB7\x82\xE9(&B)",
     "編集前のﾊﾞｯｸｱｯﾌﾟﾌｧｲﾙは削除する(&B)",
     "Delete the backup of an edited page (&B)"},
    {Text::kCheckUnixToMac, 0, "UNIX\x82\xCC\x89\xFC\x8Ds\x82\xF0Mac\x82\xC9\x95\xCF\x8A\xB7\x82\xB7\x82\xE9(&M)",
     "UNIXの改行をMacに変換する(&M)",
     "Change UNIX line ends to Mac ones (&M)"},
    {Text::kCheckEucToShiftJis, 0, "EUC\x8A\xBF\x8E\x9A\x82\xF0\x83V\x83t\x83g\x82i\x82h\x82r\x82\xC9\x95\xCF\x8A\xB7\x82\xB7\x82\xE9(&H)",
     "EUC漢字をシフトＪＩＳに変換する(&H)",
     "Change EUC kanji to Shift_JIS (&H)"},
    {Text::kGroupBrokenImages, 0, "\x94j\x91\xB9\x89\xE6\x91\x9C",
     "破損画像",
     "Broken images"},
    {Text::kRadioDetectNone, 0, "\x8C\x9F\x8Fo\x82\xB5\x82\xC8\x82\xA2(&N)",
     "検出しない(&N)",
     "Do not look for them (&N)"},
    {Text::kRadioRecycle, 0, "\x82\xB2\x82\xDD\x94\xA0\x82\xD6(&R)",
     "ごみ箱へ(&R)",
     "To the wastebasket (&R)"},
    {Text::kRadioDelete, 0, "\x8A\xAE\x91S\x8D\xED\x8F\x9C(&D)",
     "完全削除(&D)",
     "Delete for good (&D)"},
    {Text::kDialogFont, 0, "\x82l\x82r \x82o\x83S\x83V\x83" "b\x83N",
     "ＭＳ Ｐゴシック"},
    {Text::kButtonOk, 0, "OK",
     "OK"},
    {Text::kButtonCancel, 0, "\xB7\xAC\xDD\xBE\xD9",
     "ｷｬﾝｾﾙ",
     "Cancel"},
    {Text::kCheckShortenInfoseek, 0, "infoseek\x82\xCC\x8C\x9F\x8D\xF5\x8C\x8B\x89\xCA\x82\xF0\x92Z\x8Fk\x82\xB5\x82\xC4\x8Fo\x97\xCD(&I)",
     "infoseekの検索結果を短縮して出力(&I)",
     "Shorten infoseek search results (&I)"},
    {Text::kCheckLocaliseFtp, 0, "ftp\x82\xF0\x83\x8D\x81[\x83J\x83\x8B\x89\xBB\x82\xB7\x82\xE9(&F)",
     "ftpをローカル化する(&F)",
     "Make ftp links local (&F)"},
    {Text::kCheckOptionValues, 0, "OPTION\x83^\x83O\x93\xE0\x82\xCCvalue\x82\xE0\x83\x8A\x83\x93\x83N\x92\xB2\x90\xAE(&O)",
     "OPTIONタグ内のvalueもリンク調整(&O)",
     "Adjust links in OPTION values too (&O)"},
    {Text::kCheckFixTableEnds, 0, "\x83" "e\x81[\x83u\x83\x8B\x82\xCC\x8FI\x97\xB9\x82\xF0\x8C\x9F\x8D\xB8\x82\xB5\x82\xC4\x92\xB2\x90\xAE(&T)",
     "テーブルの終了を検査して調整(&T)",
     "Check and mend the ends of tables (&T)"},
    {Text::kCheckScriptParams, 0, "JavaScript\x82\xCC\x83p\x83\x89\x83\x81\x81[\x83^\x82\xE0\x83\x8A\x83\x93\x83N\x92\xB2\x90\xAE(&J)",
     "JavaScriptのパラメータもリンク調整(&J)",
     "Adjust links in JavaScript parameters too (&J)"},
    {Text::kCheckFormActions, 0, "FORM ACTION \x93\xE0\x82\xE0\x83\x8A\x83\x93\x83N\x92\xB2\x90\xAE(&A)",
     "FORM ACTION 内もリンク調整(&A)",
     "Adjust links in FORM ACTION too (&A)"},
    {Text::kMainDialogFailed, 0, "\x83\x81\x83" "C\x83\x93\x83_\x83" "C\x83" "A\x83\x8D\x83O\x82\xF0\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD",
     "メインダイアログを作成できませんでした",
     "The main dialog could not be made"},
    {Text::kDialogFailed, 0, "\x83_\x83" "C\x83" "A\x83\x8D\x83O\x82\xF0\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD",
     "ダイアログを作成できませんでした",
     "The dialog could not be made"},
    {Text::kReallyQuit, 0, "\x96{\x93\x96\x82\xC9\x8FI\x97\xB9\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81H",
     "本当に終了しますか？",
     "Really quit?"},
    {Text::kLabelWorking, 0, "\x8F\x88\x97\x9D\x8E\xC0\x8Ds\x92\x86\x81" "D\x81" "D\x81" "D",
     "処理実行中．．．",
     "Working..."},
    {Text::kLabelTimeLeft, 0, "\x8E" "c\x82\xE8\x97\x5C\x91\xAA",
     "残り予測",
     "Time left"},
    {Text::kLabelElapsed, 0, "\x8Co\x89\xDF\x8E\x9E\x8A\xD4",
     "経過時間",
     "Elapsed"},
    {Text::kAboutMenuItem, 0, "About...(&A)",
     "About...(&A)"},
    {Text::kAboutCredit, 0, "Hoard-Hoard for JustView 2.2\r\n\x83L\x83\x83\x83" "b\x83V\x83\x85\x82\xF0\x82\xBB\x82\xCC\x82\xDC\x82\xDC\x8C\xA9\x82\xE7\x82\xEA\x82\xE9\x83~\x83\x89\x81[\x82\xC9\x95\xCF\x82\xA6\x82\xDC\x82\xB7",
     "Hoard-Hoard for JustView 2.2\r\nキャッシュをそのまま見られるミラーに変えます",
     "Hoard-Hoard for JustView 2.2\r\nTurns a cache into a mirror you can browse as it is"},
    {Text::kDiskFullCannotWrite, 0, "\x83" "f\x83" "B\x83X\x83N\x82\xC9\x8B\xF3\x82\xAB\x82\xAA\x82\xC8\x82\xA2\x82\xBD\x82\xDF\x81" "A\x8E\x9F\x82\xCC\x83t\x83\x40\x83" "C\x83\x8B\x82\xF0\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD: ",
     "ディスクに空きがないため、次のファイルを書き込めませんでした: ",
     "The disk is full; this file could not be written: "},
    {Text::kMissingCacheLogEndsRun, 0, "\x22\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE7\x82\xC8\x82\xA2\x82\xA9\x81\x41\x8E\x67\x82\xA6\x82\xDC\x82\xB9\x82\xF1\x81\x42\x93\x9A\x82\xA6\x82\xE9\x92\x5B\x96\x96\x82\xAA\x82\xC8\x82\xA2\x82\xBD\x82\xDF\x81\x41\x89\xBD\x82\xE0\x95\xCF\x82\xA6\x82\xB8\x82\xC9\x8F\x49\x97\xB9\x82\xB5\x82\xDC\x82\xB7\x81\x42",
     "\"が見つからないか、使えません。答える端末がないため、何も変えずに終了します。",
     "\" is not found or cannot be used. With no terminal to answer, the run ends with nothing changed."},
    {Text::kStayedInCacheFolder, 0, "\x83L\x83\x83\x83" "b\x83V\x83\x85\x83t\x83H\x83\x8B\x83_\x82\xC9\x8E" "c\x82\xB5\x82\xDC\x82\xB5\x82\xBD: ",
     "キャッシュフォルダに残しました: ",
     "stayed in the cache folder: "},
    {Text::kLeftNoPlace, 0, "URL\x82\xAA\x92u\x82\xAB\x8F\xEA\x8F\x8A\x82\xF0\x8E\xA6\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1",
     "URLが置き場所を示していません",
     "its URL names no place"},
    {Text::kLeftPlaceTaken, 0, "\x92u\x82\xAB\x8F\xEA\x8F\x8A\x82\xC9\x95\xCA\x82\xCCURL\x82\xCC\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB7",
     "置き場所に別のURLのファイルがあります",
     "its place holds another URL's file"},
    {Text::kLeftNameTaken, 0, "\x93\xAF\x82\xB6\x96\xBC\x91O\x82\xCC\x95\xCA\x82\xCC\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x83L\x83\x83\x83" "b\x83V\x83\x85\x83t\x83H\x83\x8B\x83_\x82\xC9\x82\xA0\x82\xE8\x82\xDC\x82\xB7",
     "同じ名前の別のファイルがキャッシュフォルダにあります",
     "another file of the cache folder has its local name"},
    {Text::kLeftFolderBlocked, 0, "\x83t\x83H\x83\x8B\x83_\x82\xF0\x8D\xEC\x82\xE9\x8F\xEA\x8F\x8A\x82\xC9\x83\x8A\x83\x93\x83N\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB7",
     "フォルダを作る場所にリンクがあります",
     "a link stands where its folder would be"},
    {Text::kLeftLinkFile, 0, "\x83V\x83\x93\x83{\x83\x8A\x83" "b\x83N\x83\x8A\x83\x93\x83N\x82\xC5\x82\xB7",
     "シンボリックリンクです",
     "it is a link"},
    {Text::kLeftLinkLoop, 0, "\x8Fz\x8A\xC2\x82\xB7\x82\xE9\x83V\x83\x93\x83{\x83\x8A\x83" "b\x83N\x83\x8A\x83\x93\x83N\x82\xC5\x82\xB7",
     "循環するシンボリックリンクです",
     "it is a link in a loop"},
    {Text::kLeftLinkToFolder, 0, "\x83t\x83H\x83\x8B\x83_\x82\xD6\x82\xCC\x83V\x83\x93\x83{\x83\x8A\x83" "b\x83N\x83\x8A\x83\x93\x83N\x82\xC5\x82\xB7",
     "フォルダへのシンボリックリンクです",
     "it is a link to a folder"},
    {Text::kLeftUnreadable, 0, "\x93\xC7\x82\xDE\x82\xB1\x82\xC6\x82\xE0\x88\xDA\x82\xB7\x82\xB1\x82\xC6\x82\xE0\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1",
     "読むことも移すこともできません",
     "it cannot be read or moved"},
    {Text::kLeftUrlWithCommas, 0, "\x83L\x83\x83\x83" "b\x83V\x83\x85\x83\x8D\x83O\x82\xCCURL\x82\xC9\x83J\x83\x93\x83}\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB7",
     "キャッシュログのURLにカンマがあります",
     "its URL in the cache log has commas"},
    {Text::kErrorAccessDenied, 0, "\x83" "A\x83N\x83Z\x83X\x82\xAA\x8B\x91\x94\xDB\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD",
     "アクセスが拒否されました",
     "permission denied"},
    {Text::kErrorDiskFull, 0, "\x83" "f\x83" "B\x83X\x83N\x82\xC9\x8B\xF3\x82\xAB\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1",
     "ディスクに空きがありません",
     "disk full"},
    {Text::kErrorReadOnly, 0, "\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x90\xEA\x97p\x82\xCC\x83t\x83@\x83" "C\x83\x8B\x83V\x83X\x83" "e\x83\x80\x82\xC5\x82\xB7",
     "読み込み専用のファイルシステムです",
     "read-only file system"},
    {Text::kErrorNotFound, 0, "\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1",
     "見つかりません",
     "not found"},
    {Text::kErrorNumber, 0, "\x83G\x83\x89\x81[\x94\xD4\x8D\x86 = ",
     "エラー番号 = ",
     "error number "},
    {Text::kFolderCannotBeMade, 0, "\x83t\x83H\x83\x8B\x83_\x82\xAA\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1: ",
     "フォルダが作成できません: ",
     "A folder cannot be made: "},
    {Text::kSummaryDone, 0, "\x8A\xAE\x97\xB9",
     "完了",
     "done"},
    {Text::kSummaryStopped, 0, "\x92\x86\x8E~",
     "中止",
     "stopped"},
    {Text::kSummaryHead, 0, "%s (%ld \x95" "b): \x83L\x83\x83\x83" "b\x83V\x83\x85\x83t\x83@\x83" "C\x83\x8B %zu \x8C\xC2 (%zu \x83o\x83" "b\x83`)\x81" "A\x83L\x83\x83\x83" "b\x83V\x83\x85\x83\x8D\x83O\x82\xC9\x82\xA0\x82\xE9\x82\xE0\x82\xCC %zu \x8C\xC2\x81" "A\x82\xC8\x82\xA2\x82\xE0\x82\xCC %zu \x8C\xC2 (\x83\x86\x81[\x83U\x81[\x82\xCC\x83t\x83@\x83" "C\x83\x8B\x82\xC6\x82\xB5\x82\xC4\x82\xBB\x82\xCC\x8F\xEA\x82\xC9\x8E" "c\x82\xB5\x82\xDC\x82\xB5\x82\xBD)\n",
     "%s (%ld 秒): キャッシュファイル %zu 個 (%zu バッチ)、キャッシュログにあるもの %zu 個、ないもの %zu 個 (ユーザーのファイルとしてその場に残しました)\n",
     "%s in %ld s: %zu cache files in %zu batch(es), %zu listed in the cache log, %zu not listed (left in place as files of the user's own)\n"},
    {Text::kSummaryMoved, 0, "  \x83~\x83\x89\x81[\x82\xD6\x88\xDA\x82\xB5\x82\xBD\x82\xE0\x82\xCC %zu \x8C\xC2 (\x82\xA4\x82\xBF\x95\xDB\x91\xB6\x82\xB3\x82\xEA\x82\xBD\x83w\x83" "b\x83_\x82\xF0\x8D\xED\x82\xC1\x82\xBD\x82\xE0\x82\xCC %zu \x8C\xC2)\x81" "A\x83\x8A\x83\x93\x83N\x82\xF0\x8F\x91\x82\xAB\x8A\xB7\x82\xA6\x82\xBD\x83y\x81[\x83W %zu \x8C\xC2\n",
     "  ミラーへ移したもの %zu 個 (うち保存されたヘッダを削ったもの %zu 個)、リンクを書き換えたページ %zu 個\n",
     "  %zu moved into the mirror (%zu with a stored header cut), %zu pages rewritten\n"},
    {Text::kSummaryBroken, 0, "  \x94j\x91\xB9\x89\xE6\x91\x9C %d \x8C\xC2 (%s)\n",
     "  破損画像 %d 個 (%s)\n",
     "  %d broken images (%s)\n"},
    {Text::kSummaryLeft, 0, "  \x83L\x83\x83\x83" "b\x83V\x83\x85\x83t\x83H\x83\x8B\x83_\x82\xC9\x8E" "c\x82\xB5\x82\xBD\x82\xE0\x82\xCC %zu \x8C\xC2",
     "  キャッシュフォルダに残したもの %zu 個",
     "  %zu left in the cache folder"},
    {Text::kSummaryLeftKind, 0, "; %s: %zu",
     "; %s: %zu",
     "; %s: %zu"},
    {Text::kSummaryNotConverted, 0, "\n  \x95\xCF\x8A\xB7\x82\xC5\x82\xAB\x82\xC8\x82\xA9\x82\xC1\x82\xBD\x8Ew\x92\xE8\x83p\x83X %zu \x8C\xC2\n",
     "\n  変換できなかった指定パス %zu 個\n",
     "\n  %zu named paths not converted\n"},
    {Text::kRewriteInterrupted, 0, "\x91O\x89\xF1\x82\xCC\x8E\xC0\x8Ds\x82\xAA\x93r\x92\x86\x82\xC5\x8E~\x82\xDC\x82\xC1\x82\xBD\x82\xBD\x82\xDF\x81" "A\x82\xB1\x82\xCC\x83y\x81[\x83W\x82\xCC\x83\x8A\x83\x93\x83N\x82\xCD\x8F\x91\x82\xAB\x8A\xB7\x82\xA6\x82\xE7\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1\x81i\x83y\x81[\x83W\x82\xCD\x8C\xB3\x82\xCC\x82\xDC\x82\xDC\x81j",
     "前回の実行が途中で止まったため、このページのリンクは書き換えられていません（ページは元のまま）",
     "an earlier run stopped while rewriting this page; the page is whole, its links are as they were"},
};

constexpr size_t kCaptionCapacity = 64;
std::array<char, kCaptionCapacity> gCaption = {"Hoard-Hoard 2.2"};
Language gLanguage = Language::kJapanese;

}  // namespace

std::span<const Entry> AllTexts() { return kEntries; }

void SetLanguage(Language language) { gLanguage = language; }

Language LanguageForLocale(const char* lcAll, const char* lcMessages, const char* lang) {
  // The first of the three that is set and not empty decides, as gettext
  // reads them.
  for (const char* name : {lcAll, lcMessages, lang}) {
    if (name == nullptr || name[0] == '\0') continue;
    return name[0] == 'j' && name[1] == 'a' && (name[2] == '\0' || name[2] == '_' ||
                                                 name[2] == '.' || name[2] == '@')
               ? Language::kJapanese
               : Language::kEnglish;
  }
  return Language::kEnglish;
}

namespace {

// The entry's text in the chosen language; the Japanese where there is no
// English form.
const char* InLanguage(const Entry& entry) {
  return gLanguage == Language::kEnglish && entry.english != nullptr ? entry.english : entry.bytes;
}

}  // namespace

const char* Get(Text text) {
  for (const Entry& entry : kEntries) {
    if (entry.text == text) return InLanguage(entry);
  }
  return "";
}

const char* StringById(int id) {
  if (id == 0) return nullptr;
  for (const Entry& entry : kEntries) {
    if (entry.stringId == id) return InLanguage(entry);
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

}  // namespace hoard::messages
