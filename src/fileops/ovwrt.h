#pragma once
// The overwrite policy: whether a pasted file may replace the file item of the same name that
// its target folder already holds.
#include "items/file.h"

// Policy values of OpCopyDelay and OpMirrorDelay.
enum : int32_t {
    PolicyKeep = 0,      // do not overwrite
    PolicyOverwrite = 1, // overwrite
    PolicyAsk = 2,       // ask with the dialog
    PolicyKeepNewer = 3, // mirrors only: overwrite when the incoming file is strictly older
};

// True means overwrite. Files the user pasted are always asked about (unless "すべて (&A)"
// was chosen earlier in the batch); files of the added-files batch follow OpMirrorDelay for
// mirror targets and OpCopyDelay otherwise (a value outside the table asks).
bool OverwriteCheck(TFile &incoming, TFile &existing);
// The dialog "ファイルの上書き", shown modally. "すべて (&A)" sets OverwriteAll and answers
// true; "キャンセル (&C)" sets CancelRequested and throws TAbort.
bool AskOverwrite(TFile &incoming, TFile &existing);

inline constexpr const char *OverwriteCaption = "ファイルの上書き";
inline constexpr const char *OverwriteText =
    "同じ名前のファイルがすでに存在します。上書きしますか？";
// The dialog's labels and buttons, in the order shown.
inline constexpr const char *OverwriteFileNameLabel = "ファイル名";
inline constexpr const char *OverwriteIncomingLabel = "送り側";
inline constexpr const char *OverwriteExistingLabel = "受け側";
inline constexpr const char *OverwriteSizeLabel = "サイズ";
inline constexpr const char *OverwriteDateLabel = "作成日時";
inline constexpr const char *OverwriteYes = "はい (&Y)";
inline constexpr const char *OverwriteNo = "いいえ (&N)";
inline constexpr const char *OverwriteAllButton = "すべて (&A)";
inline constexpr const char *OverwriteCancel = "キャンセル (&C)";
