// Velmora: what the full-text index counts as a word, shared by indexing and querying.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "wordbreak.h"

#include <QChar>

#include <cstring>

namespace tarn {

namespace {

// Decodes one UTF-8 sequence at text[i]; a malformed one is one byte of
// U+FFFD, which is no word character.
char32_t decodeAt(const unsigned char *text, int length, int i, int *size)
{
    const unsigned char lead = text[i];
    if (lead < 0x80) {
        *size = 1;
        return lead;
    }
    int extra;
    char32_t c;
    char32_t minimum;
    if ((lead & 0xe0) == 0xc0) {
        extra = 1;
        c = lead & 0x1f;
        minimum = 0x80;
    } else if ((lead & 0xf0) == 0xe0) {
        extra = 2;
        c = lead & 0x0f;
        minimum = 0x800;
    } else if ((lead & 0xf8) == 0xf0) {
        extra = 3;
        c = lead & 0x07;
        minimum = 0x10000;
    } else {
        *size = 1;
        return 0xfffd;
    }
    if (i + extra >= length) {
        *size = 1;
        return 0xfffd;
    }
    for (int k = 1; k <= extra; ++k) {
        const unsigned char next = text[i + k];
        if ((next & 0xc0) != 0x80) {
            *size = 1;
            return 0xfffd;
        }
        c = (c << 6) | (next & 0x3f);
    }
    if (c < minimum || c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff)) {
        *size = 1;
        return 0xfffd;
    }
    *size = extra + 1;
    return c;
}

void appendUtf8(std::string *out, char32_t c)
{
    if (c < 0x80) {
        out->push_back(char(c));
    } else if (c < 0x800) {
        out->push_back(char(0xc0 | (c >> 6)));
        out->push_back(char(0x80 | (c & 0x3f)));
    } else if (c < 0x10000) {
        out->push_back(char(0xe0 | (c >> 12)));
        out->push_back(char(0x80 | ((c >> 6) & 0x3f)));
        out->push_back(char(0x80 | (c & 0x3f)));
    } else {
        out->push_back(char(0xf0 | (c >> 18)));
        out->push_back(char(0x80 | ((c >> 12) & 0x3f)));
        out->push_back(char(0x80 | ((c >> 6) & 0x3f)));
        out->push_back(char(0x80 | (c & 0x3f)));
    }
}

// ASCII word characters: letters, digits and '_'.
struct AsciiTable
{
    bool word[128] = {};
    constexpr AsciiTable()
    {
        for (int c = 0; c < 128; ++c)
            word[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                || c == '_';
    }
};
constexpr AsciiTable ascii;

bool isAsciiWordChar(unsigned char c)
{
    return c < 128 && ascii.word[c];
}

bool isOperatorWord(const char *text, int size)
{
    static const char lower[] = "operator";
    if (size != 8)
        return false;
    for (int i = 0; i < 8; ++i) {
        const char c = text[i];
        if ((c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c) != lower[i])
            return false;
    }
    return true;
}

// The C++ operators a page may name as operator<<, operator[] and so on,
// longest first so that "<<=" is not taken for "<<".
const char *const operatorSpellings[] = {
    "<<=", ">>=", "<=>", "->*", "()", "[]", "->", "<<", ">>", "<=", ">=", "==", "!=",
    "&&",  "||",  "++",  "--",  "+=", "-=", "*=", "/=", "%=", "&=", "|=", "^=", "+",
    "-",   "*",   "/",   "%",   "^",  "&",  "|",  "~",  "!",  "=",  "<",  ">",  ",",
};

// Length of the operator spelling at text[i] (after optional blanks), or 0.
int operatorAt(const char *text, int length, int i, int *spellingStart)
{
    int j = i;
    while (j < length && (text[j] == ' ' || text[j] == '\t'))
        ++j;
    for (const char *spelling : operatorSpellings) {
        const int n = int(std::strlen(spelling));
        if (j + n <= length && std::memcmp(text + j, spelling, size_t(n)) == 0) {
            *spellingStart = j;
            return n;
        }
    }
    return 0;
}

} // namespace

bool isWordChar(char32_t c)
{
    if (c < 0x80)
        return isAsciiWordChar(static_cast<unsigned char>(c));
    if (c > 0x10ffff || c == 0xfffd)
        return false;
    if (QChar::isLetterOrNumber(c))
        return true;
    const QChar::Category category = QChar::category(c);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining;
}

int breakWords(const char *text, int length, WordMode mode, WordSink sink, void *context)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(text);
    const bool fold = mode != WordMode::Positions;
    std::string folded;
    std::string compound;
    int i = 0;
    while (i < length) {
        int size = 1;
        char32_t c = bytes[i] < 0x80 ? char32_t(bytes[i]) : decodeAt(bytes, length, i, &size);
        if (!isWordChar(c)) {
            i += size;
            continue;
        }
        folded.clear();
        const int start = i;
        while (i < length) {
            const unsigned char a = bytes[i];
            if (a < 0x80) {
                if (!ascii.word[a])
                    break;
                if (fold)
                    folded.push_back(char(a >= 'A' && a <= 'Z' ? a + ('a' - 'A') : a));
                ++i;
                continue;
            }
            c = decodeAt(bytes, length, i, &size);
            if (!isWordChar(c))
                break;
            if (fold)
                appendUtf8(&folded, QChar::toCaseFolded(c));
            i += size;
        }
        const int end = i;
        Word word;
        word.text = fold ? folded.data() : text + start;
        word.size = fold ? int(folded.size()) : end - start;
        word.start = start;
        word.end = end;

        int spellingStart = 0;
        const int spelling = isOperatorWord(text + start, end - start)
            ? operatorAt(text, length, end, &spellingStart)
            : 0;
        if (spelling > 0) {
            if (mode != WordMode::Query) {
                if (const int rc = sink(context, word))
                    return rc;
            }
            compound.assign(word.text, size_t(word.size));
            compound.append(text + spellingStart, size_t(spelling));
            Word whole;
            whole.text = fold ? compound.data() : text + start;
            whole.size = fold ? int(compound.size()) : spellingStart + spelling - start;
            whole.start = start;
            whole.end = spellingStart + spelling;
            whole.samePosition = mode != WordMode::Query;
            if (const int rc = sink(context, whole))
                return rc;
            continue;
        }
        if (const int rc = sink(context, word))
            return rc;
    }
    return 0;
}

} // namespace tarn
