#include "platform/d3dx9/x_text_tokenizer.h"

namespace platform::xfile {
namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool IsNameStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsNameChar(char c)
{
    return IsNameStart(c) || IsDigit(c) || c == '-' || c == '.';
}
bool IsNumberChar(char c)
{
    return IsDigit(c) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
}

} // namespace

void Tokenizer::SkipSpaceAndComments()
{
    while (pos_ < text_.size()) {
        const char c = text_[pos_];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
            ++pos_;
        } else if (c == '#' || (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/')) {
            while (pos_ < text_.size() && text_[pos_] != '\n')
                ++pos_;
        } else {
            return;
        }
    }
}

Token Tokenizer::Peek()
{
    const std::size_t saved = pos_;
    const Token token = Next();
    pos_ = saved;
    return token;
}

Token Tokenizer::Next()
{
    SkipSpaceAndComments();
    if (pos_ >= text_.size())
        return { TokenKind::End, {} };
    const std::size_t start = pos_;
    const char c = text_[pos_];
    auto single = [&](TokenKind kind) {
        ++pos_;
        return Token { kind, text_.substr(start, 1) };
    };
    switch (c) {
    case '{': return single(TokenKind::OpenBrace);
    case '}': return single(TokenKind::CloseBrace);
    case '[': return single(TokenKind::OpenBracket);
    case ']': return single(TokenKind::CloseBracket);
    case ';': return single(TokenKind::Semicolon);
    case ',': return single(TokenKind::Comma);
    case '"':
    case '<': {
        const char close = c == '"' ? '"' : '>';
        const std::size_t end = text_.find(close, start + 1);
        if (end == std::string_view::npos) {
            pos_ = text_.size();
            return { TokenKind::Invalid, text_.substr(start) };
        }
        pos_ = end + 1;
        return { c == '"' ? TokenKind::String : TokenKind::Guid,
            text_.substr(start + 1, end - start - 1) };
    }
    default: break;
    }
    if (IsNameStart(c)) {
        while (pos_ < text_.size() && IsNameChar(text_[pos_]))
            ++pos_;
        return { TokenKind::Name, text_.substr(start, pos_ - start) };
    }
    if (IsDigit(c) || c == '-' || c == '+' || c == '.') {
        while (pos_ < text_.size() && IsNumberChar(text_[pos_]))
            ++pos_;
        return { TokenKind::Number, text_.substr(start, pos_ - start) };
    }
    ++pos_;
    return { TokenKind::Invalid, text_.substr(start, 1) };
}

} // namespace platform::xfile
