#include "core/files/IniFile.h"
#include "core/text/Numbers.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// Values are returned through a 2048-character buffer, one place of which holds the terminator.
constexpr qsizetype MaxValueLength = 2047;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v';
}

QByteArray trimBlanks(const char *begin, const char *end)
{
    while (begin < end && isBlank(*begin))
        ++begin;
    while (end > begin && isBlank(end[-1]))
        --end;
    return QByteArray(begin, end - begin);
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool sameName(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

enum class Kind { Blank, Comment, Header, Entry, Other };

struct Line {
    qsizetype begin = 0;      // first byte of the line
    qsizetype contentEnd = 0; // first byte of the line end (or end of text)
    qsizetype end = 0;        // first byte after the line end
    Kind kind = Kind::Blank;
    QByteArray name;          // section name of a header, key of an entry
    QByteArray value;         // trimmed value of an entry, quotes still on
};

Line classify(const QByteArray &text, qsizetype begin, qsizetype contentEnd, qsizetype end)
{
    Line line;
    line.begin = begin;
    line.contentEnd = contentEnd;
    line.end = end;
    const QByteArray content = trimBlanks(text.constData() + begin, text.constData() + contentEnd);
    if (content.isEmpty()) {
        line.kind = Kind::Blank;
    } else if (content.front() == ';') {
        line.kind = Kind::Comment;
    } else if (content.front() == '[') {
        line.kind = Kind::Header;
        const char *nameBegin = content.constData() + 1;
        const char *contentStop = content.constData() + content.size();
        const char *nameEnd = nameBegin;
        while (nameEnd < contentStop && *nameEnd != ']')
            ++nameEnd;
        line.name = trimBlanks(nameBegin, nameEnd);
    } else {
        const qsizetype eq = content.indexOf('=');
        if (eq < 0) {
            line.kind = Kind::Other;
        } else {
            line.kind = Kind::Entry;
            line.name = trimBlanks(content.constData(), content.constData() + eq);
            line.value = trimBlanks(content.constData() + eq + 1, content.constData() + content.size());
        }
    }
    return line;
}

// Splits at CR LF, LF or CR; the last line may have no line end.
QList<Line> splitLines(const QByteArray &text)
{
    QList<Line> lines;
    const qsizetype n = text.size();
    qsizetype begin = 0;
    while (begin < n) {
        qsizetype i = begin;
        while (i < n && text[i] != '\r' && text[i] != '\n')
            ++i;
        qsizetype end = i;
        if (end < n) {
            if (text[end] == '\r' && end + 1 < n && text[end + 1] == '\n')
                end += 2;
            else
                end += 1;
        }
        lines.append(classify(text, begin, i, end));
        begin = end;
    }
    return lines;
}

struct SectionSpan {
    qsizetype header = -1; // index of the header line, -1 when the section is absent
    qsizetype last = -1;   // index of the last line before the next header
};

// The first header with a matching name; later duplicates are never looked at.
SectionSpan findSection(const QList<Line> &lines, const QByteArray &section)
{
    SectionSpan span;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == Kind::Header && sameName(lines[i].name, section)) {
            span.header = i;
            break;
        }
    }
    if (span.header < 0)
        return span;
    span.last = span.header;
    for (qsizetype i = span.header + 1; i < lines.size() && lines[i].kind != Kind::Header; ++i)
        span.last = i;
    return span;
}

qsizetype findKey(const QList<Line> &lines, const SectionSpan &span, const QByteArray &key)
{
    for (qsizetype i = span.header + 1; i <= span.last; ++i) {
        if (lines[i].kind == Kind::Entry && sameName(lines[i].name, key))
            return i;
    }
    return -1;
}

QByteArray unquote(const QByteArray &value)
{
    if (value.size() >= 2) {
        const char q = value.front();
        if ((q == '"' || q == '\'') && value.back() == q)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

QByteArray cleanDefault(const QByteArray &def)
{
    qsizetype n = def.size();
    while (n > 0 && def[n - 1] == ' ')
        --n;
    return def.left(qMin(n, MaxValueLength));
}

bool endsWithLineEnd(const QByteArray &text)
{
    return !text.isEmpty() && (text.back() == '\r' || text.back() == '\n');
}

QString writeError(const QString &path)
{
    return QStringLiteral("Unable to write to %1").arg(QFileInfo(path).absoluteFilePath());
}

// A value of a text held as UTF-8 in the 8-bit form an 8-bit reader gets.
QByteArray toEightBit(const QByteArray &utf8)
{
    return QString::fromUtf8(utf8).toLatin1();
}

} // namespace

QByteArray IniFile::decode(const QByteArray &bytes, Encoding *encoding)
{
    Encoding e = Encoding::EightBit;
    QByteArray text = bytes;
    if (bytes.startsWith("\xFF\xFE")) {
        e = Encoding::Utf16Le;
        text = QString(QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.mid(2))).toUtf8();
    } else if (bytes.startsWith("\xFE\xFF")) {
        e = Encoding::Utf16Be;
        text = QString(QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.mid(2))).toUtf8();
    } else if (bytes.startsWith("\xEF\xBB\xBF")) {
        e = Encoding::Utf8Bom;
        text = bytes.mid(3);
    }
    if (encoding)
        *encoding = e;
    return text;
}

QByteArray IniFile::encode(const QByteArray &text, Encoding encoding)
{
    switch (encoding) {
    case Encoding::EightBit:
        return text;
    case Encoding::Utf8Bom:
        return "\xEF\xBB\xBF" + text;
    case Encoding::Utf16Le:
        return "\xFF\xFE" + QByteArray(QStringEncoder(QStringEncoder::Utf16LE).encode(QString::fromUtf8(text)));
    case Encoding::Utf16Be:
        return "\xFE\xFF" + QByteArray(QStringEncoder(QStringEncoder::Utf16BE).encode(QString::fromUtf8(text)));
    }
    return text;
}

QList<QByteArray> IniFile::sectionNames(const QByteArray &text)
{
    QList<QByteArray> names;
    for (const Line &line : splitLines(text)) {
        if (line.kind == Kind::Header)
            names << line.name;
    }
    return names;
}

QByteArray IniFile::readFromText(const QByteArray &text, const QByteArray &section, const QByteArray &key,
                                 const QByteArray &def, bool *found)
{
    const QList<Line> lines = splitLines(text);
    const SectionSpan span = findSection(lines, section);
    const qsizetype at = span.header < 0 ? -1 : findKey(lines, span, key);
    if (found)
        *found = at >= 0;
    if (at < 0)
        return cleanDefault(def);
    return unquote(lines[at].value).left(MaxValueLength);
}

QByteArray IniFile::writeToText(const QByteArray &text, const QByteArray &section, const QByteArray &key,
                                const QByteArray &value)
{
    const QByteArray entry = key + '=' + value + "\r\n";
    const QList<Line> lines = splitLines(text);
    const SectionSpan span = findSection(lines, section);

    if (span.header < 0) {
        QByteArray out = text;
        if (!out.isEmpty() && !endsWithLineEnd(out))
            out += "\r\n";
        out += '[' + section + "]\r\n" + entry;
        return out;
    }

    const qsizetype at = findKey(lines, span, key);
    if (at >= 0) {
        // Keep the key as it is spelt in the file.
        const Line &line = lines[at];
        QByteArray out = text;
        out.replace(line.begin, line.end - line.begin, line.name + '=' + value + "\r\n");
        return out;
    }

    // A new key follows the section's last entry, so trailing comments and blank lines stay below it.
    qsizetype after = span.header;
    for (qsizetype i = span.header + 1; i <= span.last; ++i) {
        if (lines[i].kind == Kind::Entry)
            after = i;
    }
    const Line &line = lines[after];
    QByteArray insert = entry;
    if (line.end == line.contentEnd) // the last line of the text, without a line end
        insert.prepend("\r\n");
    QByteArray out = text;
    out.insert(line.end, insert);
    return out;
}

QByteArray IniFile::eraseSectionInText(const QByteArray &text, const QByteArray &section)
{
    const QList<Line> lines = splitLines(text);
    const SectionSpan span = findSection(lines, section);
    if (span.header < 0)
        return text;
    // Comments, blank lines and lines without "=" are not part of the section's data and stay.
    QByteArray out = text;
    for (qsizetype i = span.last; i >= span.header; --i) {
        const Line &line = lines[i];
        if (i == span.header || line.kind == Kind::Entry)
            out.remove(line.begin, line.end - line.begin);
    }
    return out;
}

QByteArray IniFile::readString(const QByteArray &section, const QByteArray &key, const QByteArray &def) const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return cleanDefault(def);
    Encoding encoding;
    const QByteArray text = decode(file.readAll(), &encoding);
    file.close();
    if (encoding == Encoding::EightBit)
        return readFromText(text, section, key, def);
    bool found = false;
    const QByteArray value =
        readFromText(text, QString::fromLatin1(section).toUtf8(), QString::fromLatin1(key).toUtf8(), def, &found);
    return found ? toEightBit(value).left(MaxValueLength) : value;
}

qint32 IniFile::readInteger(const QByteArray &section, const QByteArray &key, qint32 def) const
{
    // tryStrToInt takes "0x"/"0X" as hexadecimal itself; an empty or missing value fails.
    qint32 v = 0;
    return tryStrToInt(readString(section, key, QByteArray()), v) ? v : def;
}

bool IniFile::readBool(const QByteArray &section, const QByteArray &key, bool def) const
{
    return readInteger(section, key, def ? 1 : 0) != 0;
}

IniFile::Batch::Batch(const IniFile &file) : m_path(file.path())
{
    QFile f(m_path);
    if (!f.exists())
        return; // a missing file starts empty and is created by commit
    if (f.open(QIODevice::ReadOnly)) {
        m_text = decode(f.readAll(), &m_encoding);
        if (f.error() != QFileDevice::NoError)
            m_readFailed = true;
    } else {
        m_readFailed = true;
    }
}

QByteArray IniFile::Batch::textOf(const QByteArray &latin1) const
{
    return m_encoding == Encoding::EightBit ? latin1 : QString::fromLatin1(latin1).toUtf8();
}

void IniFile::Batch::eraseSection(const QByteArray &section)
{
    m_text = eraseSectionInText(m_text, textOf(section));
}

void IniFile::Batch::writeString(const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    m_text = writeToText(m_text, textOf(section), textOf(key), textOf(value));
}

void IniFile::Batch::writeInteger(const QByteArray &section, const QByteArray &key, qint32 value)
{
    writeString(section, key, QByteArray::number(value));
}

void IniFile::Batch::writeBool(const QByteArray &section, const QByteArray &key, bool value)
{
    writeString(section, key, value ? QByteArrayLiteral("1") : QByteArrayLiteral("0"));
}

bool IniFile::Batch::commit(QString *error)
{
    auto fail = [&] {
        if (error)
            *error = writeError(m_path);
        return false;
    };
    // An existing file that could not be read would otherwise be replaced by the batch alone.
    if (m_readFailed)
        return fail();

    QSaveFile file(m_path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return fail();
    const QByteArray bytes = encode(m_text, m_encoding);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        file.commit();
        return fail();
    }
    if (!file.commit())
        return fail();
    if (error)
        error->clear();
    return true;
}
