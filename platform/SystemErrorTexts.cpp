// Texts of the system error codes the engine can report, worded as Windows
// words them in English.
#include "platform/ErrorTextTable.h"

namespace win {

namespace {

constexpr ErrorText kSystemErrorTexts[] = {
    {0, "The operation completed successfully.", "操作は正常に終了しました。"},
    {1, "Incorrect function.", "ファンクションが間違っています。"},
    {2, "The system cannot find the file specified.", "指定されたファイルが見つかりません。"},
    {3, "The system cannot find the path specified.", "指定されたパスが見つかりません。"},
    {4, "The system cannot open the file.", "ファイルを開くことができません。"},
    {5, "Access is denied.", "アクセスが拒否されました。"},
    {6, "The handle is invalid.", "ハンドルが無効です。"},
    {8, "Not enough memory resources are available to process this command.",
     "このコマンドを実行するためのメモリが足りません。"},
    {13, "The data is invalid.", "データが無効です。"},
    {14, "Not enough memory resources are available to complete this operation.",
     "この操作を完了するためのメモリが足りません。"},
    {17, "The system cannot move the file to a different disk drive.",
     "ファイルを別のディスク ドライブへ移動できません。"},
    {19, "The media is write protected.", "メディアが書き込み禁止になっています。"},
    {21, "The device is not ready.", "デバイスの準備ができていません。"},
    {29, "The system cannot write to the specified device.",
     "指定されたデバイスに書き込むことができません。"},
    {30, "The system cannot read from the specified device.",
     "指定されたデバイスから読み取ることができません。"},
    {31, "A device attached to the system is not functioning.",
     "システムに接続されたデバイスが動作していません。"},
    {32, "The process cannot access the file because it is being used by another process.",
     "別のプロセスが使用中のため、このファイルにアクセスできません。"},
    {33,
     "The process cannot access the file because another process has locked a portion of the "
     "file.",
     "別のプロセスがファイルの一部をロックしているため、このファイルにアクセスできません。"},
    {38, "Reached the end of the file.", "ファイルの終わりに達しました。"},
    {39, "The disk is full.", "ディスクがいっぱいです。"},
    {50, "The request is not supported.", "この要求はサポートされていません。"},
    {80, "The file exists.", "ファイルが既に存在します。"},
    {87, "The parameter is incorrect.", "パラメーターが間違っています。"},
    {109, "The pipe has been ended.", "パイプは終了しました。"},
    {112, "There is not enough space on the disk.", "ディスクの空き容量が足りません。"},
    {122, "The data area passed to a system call is too small.",
     "システム コールに渡されたデータ領域が小さすぎます。"},
    {123, "The filename, directory name, or volume label syntax is incorrect.",
     "ファイル名、ディレクトリ名、またはボリューム ラベルの構文が間違っています。"},
    {128, "There are no child processes to wait for.", "待機する子プロセスがありません。"},
    {145, "The directory is not empty.", "ディレクトリが空ではありません。"},
    {170, "The requested resource is in use.", "要求されたリソースは使用中です。"},
    {183, "Cannot create a file when that file already exists.",
     "既に存在するファイルを作成することはできません。"},
    {206, "The filename or extension is too long.", "ファイル名または拡張子が長すぎます。"},
    {223, "The file size exceeds the limit allowed and cannot be saved.",
     "ファイルのサイズが上限を超えているため、保存できません。"},
    {234, "More data is available.", "さらにデータがあります。"},
    {259, "No more data is available.", "これ以上データはありません。"},
    {267, "The directory name is invalid.", "ディレクトリ名が無効です。"},
    {288, "Attempt to release mutex not owned by caller.",
     "呼び出し元が所有していないミューテックスを解放しようとしました。"},
    {1006,
     "The volume for a file has been externally altered so that the opened file is no longer "
     "valid.",
     "ファイルのボリュームが外部から変更されたため、開いているファイルは無効になりました。"},
    {1117, "The request could not be performed because of an I/O device error.",
     "I/O デバイス エラーのため、要求を実行できませんでした。"},
    {1142, "An attempt was made to create more links on a file than the file system supports.",
     "ファイル システムが扱える数を超えるリンクをファイルに作成しようとしました。"},
    {1223, "The operation was canceled by the user.", "操作はユーザーによって取り消されました。"},
    {1460, "This operation returned because the timeout period expired.",
     "タイムアウト時間が経過したため、この操作は終了しました。"},
    {1921, "The name of the file cannot be resolved by the system.",
     "システムはファイル名を解決できません。"},
};

}  // namespace

std::span<const ErrorText> SystemErrorTexts() {
    return kSystemErrorTexts;
}

}  // namespace win
