#pragma once
// What the drill bar says to the learner, byte for byte (UTF-8): the bar
// shows these and the tests expect them, so each lives here once.

// The selection holds no card: the bar never shows.
inline constexpr char kDrillEmptyText[] = "word list empty";

// The end of a pass: preview and free mode ask, test mode announces.
inline constexpr char kAskNextPassText[] = "次回に行きますか。";
inline constexpr char kNextPassText[] = "次回に行きます。";
inline constexpr char kDrillOverText[] = "終わり！";

// A write-back that failed: the first line, one of the causes, the last
// line, one under the other.
inline constexpr char kNotSavedText[] = "結果を保存できませんでした。";
inline constexpr char kDiskFullText[] = "ディスクに空きがありません。";
inline constexpr char kFileInUseText[] = "save.db がほかのプログラムに使われています。";
inline constexpr char kFileReadOnlyText[] = "save.db に書き込めません（読み取り専用）。";
// %1: SQLite's own words for any other cause.
inline constexpr char kOtherCauseText[] = "原因: %1";
inline constexpr char kKeptForLaterText[] = "結果は覚えておき、次のスタートか終了の時にもう一度保存します。";
