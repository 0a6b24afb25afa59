#include "IniFile.h"

#include <algorithm>
#include <iterator>

namespace {

#ifdef Q_OS_WIN
constexpr char kEol[] = "\r\n";
#else
constexpr char kEol[] = "\n";
#endif

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isLineBreak(char c)
{
    return c == '\n' || c == '\r';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

int octValue(char c)
{
    return c >= '0' && c <= '7' ? c - '0' : -1;
}

struct Line
{
    QByteArrayView text;
    qsizetype equals; // index of the first unquoted '=' in text, or -1
};

// The logical lines of the file: a line ends at an unquoted line break or ';' (the rest of it
// is a comment); a backslash takes the next character with it, so an escaped quote does not
// open a quotation and a backslash at the end of a line continues it on the next.
QList<Line> logicalLines(QByteArrayView data)
{
    QList<Line> lines;
    const qsizetype n = data.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && (isBlank(data[i]) || isLineBreak(data[i])))
            ++i;
        if (i < n && data[i] == ';') {
            while (i < n && !isLineBreak(data[i]))
                ++i;
            continue;
        }
        const qsizetype start = i;
        qsizetype equals = -1;
        bool quoted = false;
        for (; i < n; ++i) {
            const char c = data[i];
            if (c == '\\') {
                ++i;
                // "\r\n" and "\n\r" are one line break.
                if (i + 1 < n && isLineBreak(data[i]) && isLineBreak(data[i + 1]) &&
                    data[i] != data[i + 1])
                    ++i;
            } else if (c == '"') {
                quoted = !quoted;
            } else if (c == '=' && !quoted && equals < 0) {
                equals = i - start;
            } else if ((isLineBreak(c) || c == ';') && !quoted) {
                break;
            }
        }
        i = std::min(i, n);
        if (i > start)
            lines.append({data.sliced(start, i - start), equals});
    }
    return lines;
}

// Keys and section names: "%XX" and "%UXXXX" stand for one character, a backslash for '/'.
QString unescapeKey(QByteArrayView raw)
{
    QString key;
    for (qsizetype i = 0; i < raw.size();) {
        const char c = raw[i];
        if (c == '\\') {
            key += QLatin1Char('/');
            ++i;
            continue;
        }
        if (c == '%') {
            const bool wide = i + 1 < raw.size() && raw[i + 1] == 'U';
            const qsizetype first = i + (wide ? 2 : 1);
            const qsizetype digits = wide ? 4 : 2;
            bool ok = first + digits <= raw.size();
            char16_t code = 0;
            for (qsizetype d = 0; ok && d < digits; ++d) {
                const int h = hexValue(raw[first + d]);
                ok = h >= 0;
                code = char16_t(code * 16 + h);
            }
            if (ok) {
                key += QChar(code);
                i = first + digits;
                continue;
            }
        }
        key += QLatin1Char(c);
        ++i;
    }
    return key;
}

QByteArray escapeKey(const QString &key)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray raw;
    for (const QChar qc : key) {
        const char16_t c = qc.unicode();
        if (c == '/') {
            raw += '\\';
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   c == '_' || c == '-' || c == '.') {
            raw += char(c);
        } else if (c <= 0xFF) {
            raw += '%';
            raw += hex[c / 16];
            raw += hex[c % 16];
        } else {
            raw += "%U";
            for (int shift = 12; shift >= 0; shift -= 4)
                raw += hex[(c >> shift) & 0xF];
        }
    }
    return raw;
}

QString sectionName(QByteArrayView header)
{
    const qsizetype close = header.indexOf(']');
    const QByteArrayView name = header.sliced(1, (close < 0 ? header.size() : close) - 1).trimmed();
    if (name.compare("general", Qt::CaseInsensitive) == 0)
        return {};
    if (name.compare("%general", Qt::CaseInsensitive) == 0)
        return QString::fromLatin1(name.sliced(1));
    return unescapeKey(name);
}

} // namespace

IniFile IniFile::parse(QByteArrayView data)
{
    if (data.startsWith("\xef\xbb\xbf"))
        data = data.sliced(3);
    IniFile file;
    file.sections_.append(Section{});
    for (const Line &line : logicalLines(data)) {
        if (line.text.startsWith('[')) {
            const qsizetype close = line.text.indexOf(']');
            const QByteArrayView raw =
                line.text.sliced(1, (close < 0 ? line.text.size() : close) - 1).trimmed();
            file.sections_.append(Section{sectionName(line.text), raw.toByteArray(), {}});
        } else if (line.equals >= 0) {
            const QByteArrayView rawKey = line.text.first(line.equals).trimmed();
            file.sections_.last().entries.append(
                Entry{unescapeKey(rawKey), rawKey.toByteArray(),
                      line.text.sliced(line.equals + 1).toByteArray()});
        } // a line that is neither is skipped
    }
    return file;
}

QByteArray IniFile::toBytes() const
{
    QByteArray out;
    for (const Section &section : sections_) {
        if (section.rawName.isEmpty() && section.entries.isEmpty())
            continue;
        if (!out.isEmpty())
            out += kEol;
        out += '[';
        out += section.rawName.isEmpty() ? QByteArray("General") : section.rawName;
        out += ']';
        out += kEol;
        for (const Entry &entry : section.entries) {
            out += entry.rawKey;
            out += '=';
            out += entry.rawValue;
            out += kEol;
        }
    }
    return out;
}

std::optional<QString> IniFile::value(const QString &section, const QString &key) const
{
    std::optional<QString> text;
    for (const Section &s : sections_) {
        if (s.name != section)
            continue;
        for (const Entry &entry : s.entries)
            if (entry.key == key)
                text = decodeValue(entry.rawValue);
    }
    return text;
}

void IniFile::setValue(const QString &section, const QString &key, const QString &text)
{
    Entry *found = nullptr;
    Section *last = nullptr;
    for (Section &s : sections_) {
        if (s.name != section)
            continue;
        last = &s;
        for (Entry &entry : s.entries)
            if (entry.key == key)
                found = &entry; // the one a reader takes
    }
    if (found) {
        found->rawValue = encodeValue(text);
        return;
    }
    if (!last) {
        // Without a header its keys would land in the section above.
        sections_.append(
            Section{section, section.isEmpty() ? QByteArray("General") : escapeKey(section), {}});
        last = &sections_.last();
    }
    last->entries.append(Entry{key, escapeKey(key), encodeValue(text)});
}

QString IniFile::decodeValue(QByteArrayView raw)
{
    static const char named[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                    {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                    {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    QString text;
    bool quoted = false;
    bool anyQuote = false;
    qsizetype keepFrom = 0; // blanks before here came from escapes or quotes and stay
    const qsizetype n = raw.size();
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < n && isBlank(raw[i]))
            ++i;
    };
    skipBlanks();
    while (i < n) {
        const char c = raw[i];
        if (c == '\\') {
            if (++i >= n)
                break;
            const char e = raw[i++];
            const auto *code = std::find_if(std::begin(named), std::end(named),
                                            [e](const char(&row)[2]) { return row[0] == e; });
            if (code != std::end(named)) {
                text += QLatin1Char((*code)[1]);
            } else if (e == 'x') {
                if (i < n && hexValue(raw[i]) >= 0) {
                    char16_t code = 0;
                    for (; i < n && hexValue(raw[i]) >= 0; ++i)
                        code = char16_t(code * 16 + hexValue(raw[i]));
                    text += QChar(code);
                }
            } else if (octValue(e) >= 0) {
                char16_t code = char16_t(octValue(e));
                for (; i < n && octValue(raw[i]) >= 0; ++i)
                    code = char16_t(code * 8 + octValue(raw[i]));
                text += QChar(code);
            } else if (isLineBreak(e)) {
                if (i < n && isLineBreak(raw[i]) && raw[i] != e)
                    ++i;
            } // any other escaped character is dropped
            keepFrom = text.size();
        } else if (c == '"') {
            ++i;
            quoted = !quoted;
            anyQuote = true;
            if (!quoted) {
                skipBlanks();
                keepFrom = text.size();
            }
        } else {
            qsizetype j = i + 1;
            while (j < n && raw[j] != '\\' && raw[j] != '"')
                ++j;
            text += QString::fromUtf8(raw.sliced(i, j - i));
            i = j;
        }
    }
    if (!anyQuote) {
        qsizetype end = text.size();
        while (end > keepFrom && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
            --end;
        text.truncate(end);
    }

    // How a text is marked that contains NUL characters or begins with '@'.
    if (text.size() > 3 && text.startsWith(QLatin1String("@String(")) && text.endsWith(u')'))
        return text.mid(8, text.size() - 9);
    if (text.startsWith(QLatin1String("@@")))
        return text.mid(1);
    return text;
}

QByteArray IniFile::encodeValue(const QString &text)
{
    QString marked = text;
    if (text.contains(QChar(u'\0')))
        marked = QLatin1String("@String(") + text + u')';
    else if (text.startsWith(u'@'))
        marked.prepend(u'@');

    QByteArray raw;
    QString plain; // characters written as they are, UTF-8 encoded together
    const auto flush = [&] {
        raw += plain.toUtf8();
        plain.clear();
    };
    bool needsQuotes = false;
    bool hexFollows = false; // a hex digit right after "\0" or "\xNN" must be escaped too
    for (const QChar qc : marked) {
        const char16_t c = qc.unicode();
        if (c == ';' || c == ',' || c == '=')
            needsQuotes = true;
        if (hexFollows && c < 0x80 && hexValue(char(c)) >= 0) {
            flush();
            raw += "\\x" + QByteArray::number(c, 16);
            continue;
        }
        hexFollows = false;
        const char *escape = nullptr;
        switch (c) {
        case '\0':
            escape = "\\0";
            hexFollows = true;
            break;
        case '\a':
            escape = "\\a";
            break;
        case '\b':
            escape = "\\b";
            break;
        case '\f':
            escape = "\\f";
            break;
        case '\n':
            escape = "\\n";
            break;
        case '\r':
            escape = "\\r";
            break;
        case '\t':
            escape = "\\t";
            break;
        case '\v':
            escape = "\\v";
            break;
        case '"':
            escape = "\\\"";
            break;
        case '\\':
            escape = "\\\\";
            break;
        default:
            break;
        }
        if (escape) {
            flush();
            raw += escape;
        } else if (c <= 0x1F) {
            flush();
            raw += "\\x" + QByteArray::number(c, 16);
            hexFollows = true;
        } else {
            plain += qc;
        }
    }
    flush();
    if (needsQuotes || raw.startsWith(' ') || raw.endsWith(' '))
        raw = '"' + raw + '"';
    return raw;
}
