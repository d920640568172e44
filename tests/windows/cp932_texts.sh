#!/usr/bin/env bash
# The Windows executable holds its Japanese texts in code page 932, as the "A" interfaces read
# them: the single-instance mutex name (a different encoding would be a different mutex, so two
# differently built copies could run at once) and the error texts.
set -euo pipefail
exe=$1
if [[ ! -f "$exe" ]]; then
    if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1; then
        echo "SKIP: the mingw-w64 cross compiler is not installed (g++-mingw-w64-x86-64)"
        exit 77
    fi
    echo "FAIL: $exe was not built" >&2
    exit 1
fi

status=0
for text in "Tessarine二重起動の防止" "DirectXの初期化に失敗しました。(1)" "テクスチャの読み込みに失敗した。"; do
    bytes=$(printf '%s' "$text" | iconv -f UTF-8 -t CP932)
    utf8_found=0
    LC_ALL=C grep -qaF -- "$text" "$exe" && utf8_found=1
    if ! LC_ALL=C grep -qaF -- "$bytes" "$exe"; then
        echo "FAIL: the CP932 bytes of \"$text\" ($(printf '%s' "$bytes" | od -An -tx1 | tr -s ' ')) are not in $exe" >&2
        status=1
    elif ((utf8_found)); then
        echo "FAIL: \"$text\" is in $exe as UTF-8 as well" >&2
        status=1
    else
        echo "ok: \"$text\" in CP932"
    fi
done
exit $status
