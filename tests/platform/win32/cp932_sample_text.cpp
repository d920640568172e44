// Compiled with -fexec-charset=CP932 and kept free of headers: the literal is stored as the
// program stores its error texts.
extern const char kCp932InitFailureText[];
const char kCp932InitFailureText[] = "DirectXの初期化に失敗しました。(1)";
