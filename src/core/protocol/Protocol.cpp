#include "core/protocol/Protocol.h"
#include "core/text/Numbers.h"

namespace Protocol {

namespace {

// A decimal number made of digits only, without overflow past 32 bits.
bool parseDecimal(const QByteArray &text, quint64 &out)
{
    if (text.isEmpty())
        return false;
    quint64 v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + quint64(c - '0');
        if (v > 0xFFFFFFFFull)
            return false;
    }
    out = v;
    return true;
}

bool isFieldChar(char c)
{
    return (c >= '0' && c <= '9') || c == ' ' || c == '-' || c == '.';
}

bool isWholeNumber(const QByteArray &field)
{
    qint32 v;
    return tryStrToInt(field.trimmed(), v);
}

} // namespace

quint32 byteSum(const QByteArray &text)
{
    quint32 sum = 0;
    for (char c : text)
        sum += static_cast<unsigned char>(c);
    return sum;
}

QByteArray frameCommand(const QByteArray &command, bool checksums)
{
    QByteArray framed = command;
    if (framed.endsWith('\n'))
        framed.chop(2);
    if (checksums)
        framed += ';' + QByteArray::number(byteSum(framed));
    framed += ";\r\n";
    return framed;
}

bool checksumOk(const QByteArray &line)
{
    const int first = line.indexOf(';');
    if (first < 0)
        return false;
    const int second = line.indexOf(';', first + 1);
    if (second < 0)
        return false;
    quint64 given;
    if (!parseDecimal(line.mid(first + 1, second - first - 1), given))
        return false;
    return given == byteSum(line.left(first));
}

LineAssembler::Result LineAssembler::feed(char byte)
{
    m_prev = m_last;
    m_last = byte;
    if (byte != '\r' && byte != '\n' && !m_overflow) {
        if (m_acc.size() >= MaxLine) {
            // Too long to be a line of this protocol: drop it up to its end.
            m_overflow = true;
            m_acc.clear();
        } else {
            m_acc += byte;
        }
    }
    if (m_prev != '\r' || m_last != '\n')
        return None;
    if (m_overflow) {
        m_overflow = false;
        m_acc.clear();
        m_done.clear();
        return Discarded;
    }
    m_done = m_acc;
    m_acc.clear();
    return Line;
}

void LineAssembler::clearLine()
{
    m_acc.clear();
    m_overflow = false;
}

void LineAssembler::clearAll()
{
    clearLine();
    m_prev = 0;
    m_last = 0;
}

ReadParse parseReadReply(const QByteArray &reply, const std::array<QByteArray, 33> &scratch)
{
    ReadParse r;
    r.values = scratch;
    QByteArray text = reply.mid(5);
    int k = 1;
    while (k <= 32 && !text.isEmpty()) {
        // The first character always belongs to the field, even a ",".
        int len = 1;
        while (len < text.size() && text[len] != ',')
            ++len;
        if (len > 6)
            return r;
        for (int i = 0; i < len; ++i) {
            if (!isFieldChar(text[i]))
                return r;
        }
        r.values[k] = text.left(len);
        text.remove(0, len + 1);
        ++k;
    }
    r.fields = k - 1;
    if (r.fields < 31)
        return r;
    // Levels, modes, times and offsets are used as numbers later on.
    for (int f = 12; f <= r.fields; ++f) {
        if (f == 13)
            continue;
        if (!isWholeNumber(r.values[f]))
            return r;
    }
    r.ok = true;
    return r;
}

bool parseEvent(const QByteArray &line, bool checksums, EventValues &out)
{
    if (!line.startsWith("EVENT "))
        return false;
    if (checksums && !checksumOk(line))
        return false;
    out = EventValues();
    // The fields end where the checksum begins: a short line must not show its sum.
    const int semi = line.indexOf(';');
    const QByteArray body = semi < 0 ? line : line.left(semi);
    const int comma = body.indexOf(',', 6);
    if (comma < 0) {
        out.temperature = body.mid(6);
        return true;
    }
    out.temperature = body.mid(6, comma - 6);
    out.brightness = body.mid(comma + 1, 1);
    out.lighting = body.mid(comma + 3, 1);
    return true;
}

QString brightnessPanelText(const QByteArray &level)
{
    qint32 v;
    if (!tryStrToInt(level.trimmed(), v))
        return QString();
    switch (v) {
    case 0: return QStringLiteral("BRIG=Min");
    case 1: return QStringLiteral("BRIG=25%");
    case 2: return QStringLiteral("BRIG=50%");
    case 3: return QStringLiteral("BRIG=75%");
    case 4: return QStringLiteral("BRIG=100%");
    default: return QString();
    }
}

QString temperaturePanelText(const QByteArray &temperature)
{
    if (temperature == "-0.25")
        return QStringLiteral("Error");
    return QString::fromLatin1(temperature) + QStringLiteral("°C");
}

QString minutesToTimeText(int minutes)
{
    QString text = QString::number(minutes / 60) + QLatin1Char(':')
                   + QStringLiteral("%1").arg(minutes % 60, 2, 10, QLatin1Char('0')) + QStringLiteral(":00");
    if (text.size() < 8)
        text.prepend(QLatin1Char('0'));
    return text;
}

int timeTextToMinutes(const QString &text)
{
    qint32 h, m, s = 0;
    if (!tryStrToInt(text.mid(0, 2), h) || !tryStrToInt(text.mid(3, 2), m))
        return -1;
    // The seconds are not sent, but a text that goes on past the minutes needs seconds 0 .. 59
    // there: "07:30x" and "07:30:" are no times of day.
    if (text.size() > 5 && !tryStrToInt(text.mid(6, 2), s))
        return -1;
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
        return -1;
    return 60 * h + m;
}

int offsetFromBoard(int v)
{
    return v >= 128 ? v - 256 : v;
}

int offsetToBoard(int v)
{
    return v < 0 ? v + 256 : v;
}

namespace {
int selectorCode(int groupIndex, int autoModeIndex, int autoItem)
{
    if (groupIndex < 0 || autoModeIndex < 0)
        return 0;
    return groupIndex >= autoItem ? groupIndex + autoModeIndex : groupIndex;
}
} // namespace

int brightnessCode(int groupIndex, int autoModeIndex)
{
    return selectorCode(groupIndex, autoModeIndex, 5);
}

int lightingCode(int groupIndex, int autoModeIndex)
{
    return selectorCode(groupIndex, autoModeIndex, 2);
}

QByteArray buildSetsCommand(const std::array<int, 19> &fields)
{
    QByteArray cmd = "SETS=";
    for (int v : fields) {
        cmd += QByteArray::number(v);
        cmd += ',';
    }
    return cmd;
}

} // namespace Protocol
