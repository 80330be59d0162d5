#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QVarLengthArray>
#include <optional>

// A strict pull parser over UTF-8 JSON text (RFC 8259 grammar, UTF-8
// checked, nesting bounded). Big replies are decoded with it straight into
// records, without building a QJsonDocument first: that halves the time and
// keeps only the bytes and the records in memory. Any departure from the
// grammar or from what the caller expects throws DecodingError(Malformed);
// callers fall back to the document-based reader for the exact error.
class JsonScanner
{
public:
    enum class Token { Null, True, False, Number, String, Array, Object };

    explicit JsonScanner(QByteArrayView text);

    // What the next value is, without consuming it.
    Token peek();

    void enterObject();
    // Moves to the next member and returns its key, or false after the
    // closing brace. Keys with escapes are refused (none of ours has one).
    bool nextMember(QByteArrayView *key);
    void enterArray();
    // Moves to the next element, or returns false after the closing bracket.
    bool nextElement();
    // Right after enterArray: how many elements the array holds, by a quick
    // pass over brackets, commas and strings that checks nothing else (the
    // reading that follows does). Lets a caller size its list once.
    qsizetype countElements() const;

    QString readString();
    // Like readString, but a short text already met in pool is returned as a
    // shared copy: statuses, priorities and authors repeat across a list.
    QString readPooledString(QHash<QByteArrayView, QString> &pool);
    // A string kept as Latin-1 bytes (Base64 payloads): no copy through UTF-16
    // when the text is plain ASCII.
    QByteArray readLatin1();
    bool readBool();
    void readNull();
    // The number's whole value, or nothing when it has a fraction or does not
    // fit; the number is consumed either way.
    std::optional<qint64> readWholeNumber();
    void skipValue();
    // Only white space may follow the top-level value.
    void expectEnd();

private:
    struct StringSpan
    {
        qsizetype begin;
        qsizetype end;
        bool escaped;
        bool ascii;
    };

    [[noreturn]] static void fail();
    void skipSpace();
    char next(); // the next significant character, consumed
    void expect(char c);
    StringSpan scanString();
    QString unescape(const StringSpan &span) const;
    void scanNumber(bool *integral);
    void push();

    const char *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    // One flag per open container: true until its first member or element.
    QVarLengthArray<bool, 16> m_first;
};
