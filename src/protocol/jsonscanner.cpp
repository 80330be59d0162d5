#include "jsonscanner.h"

#include "errors.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

// Deep enough for any reply of ours, shallow enough for the stack.
constexpr qsizetype MaxDepth = 512;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHex(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Well-formed UTF-8 only: no overlong forms, no surrogates, nothing past U+10FFFF.
bool isValidUtf8(const uchar *p, const uchar *end)
{
    while (p < end) {
        const uchar c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int extra;
        char32_t code;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (end - p <= extra)
            return false;
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[i] & 0x3F);
        }
        if (extra == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF)))
            return false;
        if (extra == 3 && (code < 0x10000 || code > 0x10FFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

// True when one of the eight bytes needs a closer look: a quote, a
// backslash, a control character or a non-ASCII byte. Lets long strings
// (Base64 captures) be scanned eight bytes at a time.
bool hasSpecialByte(const char *p)
{
    constexpr quint64 ones = 0x0101010101010101ULL, highs = 0x8080808080808080ULL;
    quint64 x;
    std::memcpy(&x, p, sizeof x);
    const auto hasZero = [](quint64 v) { return (v - ones) & ~v & highs; };
    const quint64 quote = hasZero(x ^ (ones * '"'));
    const quint64 backslash = hasZero(x ^ (ones * '\\'));
    const quint64 control = (x - ones * 0x20) & ~x & highs;
    return (quote | backslash | control | (x & highs)) != 0;
}

char16_t hexValue(const char *digits)
{
    char16_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = digits[i];
        value = char16_t(value * 16 + (isDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10));
    }
    return value;
}

char simpleEscape(char c)
{
    switch (c) {
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    default:
        return c; // '"', '\\' and '/' stand for themselves
    }
}

} // namespace

JsonScanner::JsonScanner(QByteArrayView text)
    : m_data(text.data())
    , m_size(text.size())
{ }

void JsonScanner::fail()
{
    throw DecodingError(DecodingError::Malformed);
}

void JsonScanner::skipSpace()
{
    while (m_pos < m_size) {
        const char c = m_data[m_pos];
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t')
            return;
        ++m_pos;
    }
}

char JsonScanner::next()
{
    skipSpace();
    if (m_pos >= m_size)
        fail();
    return m_data[m_pos++];
}

void JsonScanner::expect(char c)
{
    if (next() != c)
        fail();
}

JsonScanner::Token JsonScanner::peek()
{
    skipSpace();
    if (m_pos >= m_size)
        fail();
    switch (m_data[m_pos]) {
    case 'n':
        return Token::Null;
    case 't':
        return Token::True;
    case 'f':
        return Token::False;
    case '"':
        return Token::String;
    case '[':
        return Token::Array;
    case '{':
        return Token::Object;
    default:
        if (m_data[m_pos] == '-' || isDigit(m_data[m_pos]))
            return Token::Number;
        fail();
    }
}

void JsonScanner::push()
{
    if (m_first.size() >= MaxDepth)
        fail();
    m_first.append(true);
}

void JsonScanner::enterObject()
{
    expect('{');
    push();
}

void JsonScanner::enterArray()
{
    expect('[');
    push();
}

bool JsonScanner::nextMember(QByteArrayView *key)
{
    const char c = next();
    const bool first = std::exchange(m_first.back(), false);
    if (c == '}') {
        m_first.removeLast();
        return false;
    }
    if (first)
        --m_pos; // that was the key's quote
    else if (c != ',')
        fail();
    const StringSpan span = scanString();
    if (span.escaped)
        fail();
    *key = QByteArrayView(m_data + span.begin, span.end - span.begin);
    expect(':');
    return true;
}

bool JsonScanner::nextElement()
{
    const char c = next();
    const bool first = std::exchange(m_first.back(), false);
    if (c == ']') {
        m_first.removeLast();
        return false;
    }
    if (first)
        --m_pos; // the element's first character
    else if (c != ',')
        fail();
    return true;
}

qsizetype JsonScanner::countElements() const
{
    qsizetype count = 0;
    int depth = 0;
    bool empty = true;
    for (qsizetype p = m_pos; p < m_size; ++p) {
        const char c = m_data[p];
        if (c == '"') {
            // To the closing quote: the first one after an even run of
            // backslashes. memchr keeps long texts (captures) cheap.
            for (;;) {
                const auto *quote
                    = static_cast<const char *>(std::memchr(m_data + p + 1, '"', m_size - p - 1));
                if (!quote)
                    return count; // unterminated: the reading will refuse it
                p = quote - m_data;
                qsizetype backslashes = 0;
                while (m_data[p - 1 - backslashes] == '\\')
                    ++backslashes;
                if (backslashes % 2 == 0)
                    break;
            }
        } else if (c == '[' || c == '{') {
            ++depth;
        } else if (c == ']' || c == '}') {
            if (depth-- == 0)
                return empty ? 0 : count + 1;
        } else if (c == ',' && depth == 0) {
            ++count;
            continue;
        } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            continue;
        }
        empty = false;
    }
    return count; // unterminated: the reading will refuse it
}

JsonScanner::StringSpan JsonScanner::scanString()
{
    if (next() != '"')
        fail();
    StringSpan span { m_pos, m_pos, false, true };
    qsizetype p = m_pos;
    for (;;) {
        while (p + 8 <= m_size && !hasSpecialByte(m_data + p))
            p += 8;
        if (p >= m_size)
            fail();
        const auto c = uchar(m_data[p]);
        if (c == '"')
            break;
        if (c == '\\') {
            span.escaped = true;
            if (p + 1 >= m_size)
                fail();
            const char e = m_data[p + 1];
            if (e == 'u') {
                if (p + 5 >= m_size || !isHex(m_data[p + 2]) || !isHex(m_data[p + 3]) || !isHex(m_data[p + 4])
                    || !isHex(m_data[p + 5]))
                    fail();
                p += 6;
            } else if (e == '"' || e == '\\' || e == '/' || e == 'b' || e == 'f' || e == 'n' || e == 'r'
                || e == 't') {
                p += 2;
            } else {
                fail();
            }
            continue;
        }
        if (c < 0x20)
            fail();
        if (c >= 0x80)
            span.ascii = false;
        ++p;
    }
    span.end = p;
    m_pos = p + 1;
    if (!span.ascii
        && !isValidUtf8(reinterpret_cast<const uchar *>(m_data + span.begin),
            reinterpret_cast<const uchar *>(m_data + span.end)))
        fail();
    return span;
}

QString JsonScanner::unescape(const StringSpan &span) const
{
    QString text;
    text.reserve(span.end - span.begin);
    qsizetype run = span.begin;
    qsizetype p = span.begin;
    while (p < span.end) {
        if (m_data[p] != '\\') {
            ++p;
            continue;
        }
        text += QString::fromUtf8(m_data + run, p - run);
        const char e = m_data[p + 1];
        if (e == 'u') {
            // Surrogates are kept as the code units they are, pairs or not.
            text += QChar(hexValue(m_data + p + 2));
            p += 6;
        } else {
            text += QLatin1Char(simpleEscape(e));
            p += 2;
        }
        run = p;
    }
    text += QString::fromUtf8(m_data + run, span.end - run);
    return text;
}

QString JsonScanner::readString()
{
    const StringSpan span = scanString();
    if (span.escaped)
        return unescape(span);
    if (span.ascii)
        return QString::fromLatin1(m_data + span.begin, span.end - span.begin);
    return QString::fromUtf8(m_data + span.begin, span.end - span.begin);
}

QString JsonScanner::readPooledString(QHash<QByteArrayView, QString> &pool)
{
    constexpr qsizetype MaxPooled = 64; // longer texts rarely repeat
    const qsizetype start = m_pos;
    skipSpace();
    if (m_pos >= m_size || m_data[m_pos] != '"')
        fail();
    const StringSpan span = scanString();
    const qsizetype length = span.end - span.begin;
    if (span.escaped || length > MaxPooled) {
        m_pos = start;
        return readString();
    }
    const QByteArrayView raw(m_data + span.begin, length);
    auto it = pool.constFind(raw);
    if (it == pool.cend())
        it = pool.insert(raw, span.ascii ? QString::fromLatin1(raw) : QString::fromUtf8(raw));
    return it.value();
}

QByteArray JsonScanner::readLatin1()
{
    const StringSpan span = scanString();
    const QByteArrayView raw(m_data + span.begin, span.end - span.begin);
    if (span.ascii && !span.escaped)
        return raw.toByteArray();
    if (!span.ascii || raw.contains("\\u"))
        return (span.escaped ? unescape(span) : QString::fromUtf8(raw)).toLatin1();
    // ASCII with simple escapes, such as the "\/" a PHP server writes in Base64.
    QByteArray bytes;
    bytes.reserve(raw.size());
    for (qsizetype p = 0; p < raw.size(); ++p)
        bytes += raw[p] == '\\' ? simpleEscape(raw[++p]) : raw[p];
    return bytes;
}

bool JsonScanner::readBool()
{
    const Token token = peek();
    const QByteArrayView word = token == Token::True ? "true" : "false";
    if ((token != Token::True && token != Token::False)
        || QByteArrayView(m_data + m_pos, std::min(word.size(), m_size - m_pos)) != word)
        fail();
    m_pos += word.size();
    return token == Token::True;
}

void JsonScanner::readNull()
{
    if (peek() != Token::Null
        || QByteArrayView(m_data + m_pos, std::min<qsizetype>(4, m_size - m_pos)) != "null")
        fail();
    m_pos += 4;
}

void JsonScanner::scanNumber(bool *integral)
{
    qsizetype p = m_pos;
    if (p < m_size && m_data[p] == '-')
        ++p;
    if (p >= m_size || !isDigit(m_data[p]))
        fail();
    if (m_data[p] == '0')
        ++p;
    else
        while (p < m_size && isDigit(m_data[p]))
            ++p;
    *integral = true;
    if (p < m_size && m_data[p] == '.') {
        ++p;
        if (p >= m_size || !isDigit(m_data[p]))
            fail();
        while (p < m_size && isDigit(m_data[p]))
            ++p;
        *integral = false;
    }
    if (p < m_size && (m_data[p] == 'e' || m_data[p] == 'E')) {
        ++p;
        if (p < m_size && (m_data[p] == '+' || m_data[p] == '-'))
            ++p;
        if (p >= m_size || !isDigit(m_data[p]))
            fail();
        while (p < m_size && isDigit(m_data[p]))
            ++p;
        *integral = false;
    }
    m_pos = p;
}

std::optional<qint64> JsonScanner::readWholeNumber()
{
    if (peek() != Token::Number)
        fail();
    const qsizetype begin = m_pos;
    bool integral = false;
    scanNumber(&integral);
    const char *first = m_data + begin;
    const char *last = m_data + m_pos;
    if (integral) {
        qint64 value = 0;
        const auto [end, error] = std::from_chars(first, last, value);
        if (error == std::errc() && end == last)
            return value;
    }
    // Same rule as the document reader: a double counts when it is whole and fits.
    double d = 0;
    const auto [end, error] = std::from_chars(first, last, d);
    if (error != std::errc() || end != last || !std::isfinite(d))
        fail();
    if (std::trunc(d) != d || d < -9.2e18 || d > 9.2e18)
        return std::nullopt;
    return static_cast<qint64>(d);
}

void JsonScanner::skipValue()
{
    QByteArrayView key;
    switch (peek()) {
    case Token::Null:
        readNull();
        break;
    case Token::True:
    case Token::False:
        readBool();
        break;
    case Token::Number:
        readWholeNumber();
        break;
    case Token::String:
        scanString();
        break;
    case Token::Array:
        enterArray();
        while (nextElement())
            skipValue();
        break;
    case Token::Object:
        enterObject();
        while (nextMember(&key))
            skipValue();
        break;
    }
}

void JsonScanner::expectEnd()
{
    skipSpace();
    if (m_pos != m_size || !m_first.isEmpty())
        fail();
}
