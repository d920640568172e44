#pragma once
// Splits the body of a DirectX .x text file (everything after its 16-byte header) into tokens.
// Comments ("//" and "#" to the end of the line) and white space vanish here.
#include <cstddef>
#include <string_view>

namespace platform::xfile {

enum class TokenKind {
    End, // no more input
    Name, // identifier: a letter or '_' first, then letters, digits, '_', '-', '.'
    Number, // integer or floating-point literal, sign allowed
    String, // "..." without the quotes
    Guid, // <...> without the brackets
    OpenBrace,
    CloseBrace,
    OpenBracket,
    CloseBracket,
    Semicolon,
    Comma,
    Invalid, // a character no token starts with, or an unterminated string or GUID
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view text;
};

class Tokenizer {
public:
    explicit Tokenizer(std::string_view text)
        : text_(text)
    {
    }

    Token Next();
    Token Peek();
    // Bytes not yet consumed: an upper bound on how many items the rest of the file can hold.
    std::size_t Remaining() const { return text_.size() - pos_; }

private:
    void SkipSpaceAndComments();

    std::string_view text_;
    std::size_t pos_ = 0;
};

} // namespace platform::xfile
