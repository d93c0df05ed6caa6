#pragma once
// A Windows private-profile (INI) file: case-insensitive sections and keys, values trimmed,
// other sections and keys kept as they stand, CR LF line ends, 8-bit text.
// A file that starts with a byte order mark (UTF-16 LE FF FE, UTF-16 BE FE FF, UTF-8 EF BB BF), as
// a Windows editor saves "Unicode" text, reads the same as its 8-bit form (Latin-1 values; other
// characters read as "?") and is written back in the encoding it came in, untouched lines intact.
#include <QByteArray>
#include <QList>
#include <QString>

class IniFile {
public:
    explicit IniFile(const QString &path) : m_path(path) {}
    QString path() const { return m_path; }

    enum class Encoding { EightBit, Utf8Bom, Utf16Le, Utf16Be };
    // A file's bytes as the text the operations below work on (8-bit as it stands; the others as
    // UTF-8 without the mark), and back.
    static QByteArray decode(const QByteArray &bytes, Encoding *encoding);
    static QByteArray encode(const QByteArray &text, Encoding encoding);
    // The names of the section headers of a text, in file order.
    static QList<QByteArray> sectionNames(const QByteArray &text);

    // Each read opens the file afresh. Missing file, section or key give the default
    // (trailing blanks of the default removed); "k=" gives "". At most 2047 characters.
    QByteArray readString(const QByteArray &section, const QByteArray &key, const QByteArray &def) const;
    // Integer read with the runtime's rules ("0x" taken as hexadecimal); anything else gives def.
    qint32 readInteger(const QByteArray &section, const QByteArray &key, qint32 def) const;
    // Flag read: integer read with default 1 or 0; any value but 0 is true.
    bool readBool(const QByteArray &section, const QByteArray &key, bool def) const;

    // A batch of writes applied to the text in memory and then to disk in one step.
    class Batch {
    public:
        explicit Batch(const IniFile &file);
        void eraseSection(const QByteArray &section);
        void writeString(const QByteArray &section, const QByteArray &key, const QByteArray &value);
        void writeInteger(const QByteArray &section, const QByteArray &key, qint32 value);
        void writeBool(const QByteArray &section, const QByteArray &key, bool value);
        // Replaces the file in one step (temporary file and rename; in place where the folder
        // takes no new file). On failure the old file is untouched and `error` holds
        // "Unable to write to <full path>".
        bool commit(QString *error);
        QByteArray text() const { return m_text; }
        Encoding encoding() const { return m_encoding; }
    private:
        QByteArray textOf(const QByteArray &latin1) const;
        QString m_path;
        QByteArray m_text;
        Encoding m_encoding = Encoding::EightBit;
        bool m_readFailed = false; // the file exists but could not be read: commit refuses
    };

    // Pure text operations, exposed for tests.
    static QByteArray readFromText(const QByteArray &text, const QByteArray &section, const QByteArray &key,
                                   const QByteArray &def, bool *found = nullptr);
    static QByteArray writeToText(const QByteArray &text, const QByteArray &section, const QByteArray &key,
                                  const QByteArray &value);
    static QByteArray eraseSectionInText(const QByteArray &text, const QByteArray &section);

private:
    QString m_path;
};
