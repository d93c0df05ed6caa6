#pragma once
// A Windows private-profile (INI) file: case-insensitive sections and keys, values trimmed,
// other sections and keys kept as they stand, CR LF line ends, 8-bit text.
#include <QByteArray>
#include <QList>
#include <QString>

class IniFile {
public:
    explicit IniFile(const QString &path) : m_path(path) {}
    QString path() const { return m_path; }

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
    private:
        QString m_path;
        QByteArray m_text;
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
