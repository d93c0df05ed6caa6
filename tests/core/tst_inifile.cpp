#include "core/files/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TestIniFile : public QObject {
    Q_OBJECT

private:
    static QByteArray fileBytes(const QString &path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return QByteArray("<unreadable>");
        return f.readAll();
    }
    static void putFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), bytes.size());
    }

private slots:
    void read_data();
    void read();
    void write_data();
    void write();
    void erase_data();
    void erase();
    void integer_data();
    void integer();
    void flag_data();
    void flag();

    void readSeesEditsAndMissingFile();
    void saveLikeSettings();
    void batchReplacesInPlaceAndKeepsOthers();
    void batchOnMissingFile();
    void commitFails_data();
    void commitFails();
    void permissions();
    void encodings_data();
    void encodings();
};

void TestIniFile::read_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("def");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<bool>("found");

    const QByteArray D = "dflt";
    QTest::newRow("header blanks") << QByteArray("[ A ]\r\nk=1") << QByteArray("A") << QByteArray("k") << D << QByteArray("1") << true;
    QTest::newRow("header junk") << QByteArray("[A]junk\r\nk=1") << QByteArray("A") << QByteArray("k") << D << QByteArray("1") << true;
    QTest::newRow("header unclosed") << QByteArray("[A\r\nk=1") << QByteArray("A") << QByteArray("k") << D << QByteArray("1") << true;
    QTest::newRow("header ]]") << QByteArray("[A]]\r\nk=1") << QByteArray("A") << QByteArray("k") << D << QByteArray("1") << true;
    QTest::newRow("header empty") << QByteArray("[]\r\nk=1") << QByteArray("") << QByteArray("k") << D << QByteArray("1") << true;
    QTest::newRow("header indented") << QByteArray(" \t[A]\r\nk=1") << QByteArray("A") << QByteArray("k") << D << QByteArray("1") << true;
    QTest::newRow("bom hides first header") << QByteArray("\xEF\xBB\xBF[A]\r\nk=1\r\n") << QByteArray("A") << QByteArray("k") << D << D << false;
    QTest::newRow("bom, later header") << QByteArray("\xEF\xBB\xBF[A]\r\nk=1\r\n[B]\r\nk=2") << QByteArray("B") << QByteArray("k") << D << QByteArray("2") << true;
    QTest::newRow("duplicate section first") << QByteArray("[A]\r\nk=1\r\n[a]\r\nk=2\r\nj=3") << QByteArray("A") << QByteArray("k") << D << QByteArray("1") << true;
    QTest::newRow("duplicate section not searched") << QByteArray("[A]\r\nk=1\r\n[a]\r\nk=2\r\nj=3") << QByteArray("A") << QByteArray("j") << D << D << false;
    QTest::newRow("duplicate key") << QByteArray("[A]\r\nk=1\r\nK=2") << QByteArray("A") << QByteArray("k") << D << QByteArray("1") << true;
    QTest::newRow("k= is empty") << QByteArray("[A]\r\nk=\r\n") << QByteArray("A") << QByteArray("k") << D << QByteArray("") << true;
    QTest::newRow("missing key") << QByteArray("[A]\r\nj=\r\n") << QByteArray("A") << QByteArray("k") << D << D << false;
    QTest::newRow("bare k") << QByteArray("[A]\r\nk\r\n") << QByteArray("A") << QByteArray("k") << D << D << false;
    QTest::newRow("missing section") << QByteArray("[B]\r\nk=1\r\n") << QByteArray("A") << QByteArray("k") << D << D << false;
    QTest::newRow("empty text") << QByteArray() << QByteArray("A") << QByteArray("k") << D << D << false;
    QTest::newRow("quoted blanks") << QByteArray("[A]\r\nk= \"  x  \" \r\n") << QByteArray("A") << QByteArray("k") << D << QByteArray("  x  ") << true;
    QTest::newRow("single quotes") << QByteArray("[A]\r\nk='x'\r\n") << QByteArray("A") << QByteArray("k") << D << QByteArray("x") << true;
    QTest::newRow("mixed quotes") << QByteArray("[A]\r\nk='x\"\r\n") << QByteArray("A") << QByteArray("k") << D << QByteArray("'x\"") << true;
    QTest::newRow("lone quote") << QByteArray("[A]\r\nk=\"\r\n") << QByteArray("A") << QByteArray("k") << D << QByteArray("\"") << true;
    QTest::newRow("empty quotes") << QByteArray("[A]\r\nk=''\r\n") << QByteArray("A") << QByteArray("k") << D << QByteArray("") << true;
    QTest::newRow("outer pair only") << QByteArray("[A]\r\nk=\"\"a\"\"\r\n") << QByteArray("A") << QByteArray("k") << D << QByteArray("\"a\"") << true;
    QTest::newRow("key not unquoted") << QByteArray("[A]\r\n\"k\"=1\r\n") << QByteArray("A") << QByteArray("k") << D << D << false;
    QTest::newRow("comment") << QByteArray("[A]\r\n;k=v\r\n") << QByteArray("A") << QByteArray("k") << D << D << false;
    QTest::newRow("indented comment") << QByteArray("[A]\r\n ;k=v\r\n") << QByteArray("A") << QByteArray("k") << D << D << false;
    QTest::newRow("hash is text") << QByteArray("[A]\r\n#k=v\r\n") << QByteArray("A") << QByteArray("#k") << D << QByteArray("v") << true;
    QTest::newRow("hash not comment") << QByteArray("[A]\r\n#k=v\r\n") << QByteArray("A") << QByteArray("k") << D << D << false;
    QTest::newRow("no end-of-line comment") << QByteArray("[A]\r\na=1 ; x\r\n") << QByteArray("A") << QByteArray("a") << D << QByteArray("1 ; x") << true;
    QTest::newRow("first equals") << QByteArray("[A]\r\nk = a=b\r\n") << QByteArray("A") << QByteArray("k") << D << QByteArray("a=b") << true;
    QTest::newRow("blank tab vtab trimmed") << QByteArray(" \t\vk \t= \tv w\v\t \r\n").prepend("[A]\r\n") << QByteArray("A") << QByteArray("k") << D << QByteArray("v w") << true;
    QTest::newRow("case insensitive") << QByteArray("[sEcTiOn]\r\nKeY=v") << QByteArray("SECTION") << QByteArray("key") << D << QByteArray("v") << true;
    QTest::newRow("ascii case only") << QByteArray("[\xC4]\r\nk=v") << QByteArray("\xE4") << QByteArray("k") << D << D << false;
    QTest::newRow("before first header") << QByteArray("k=1\r\n[A]\r\n") << QByteArray("A") << QByteArray("k") << D << D << false;
    QTest::newRow("section ends at next header") << QByteArray("[A]\r\n[B]\r\nk=1") << QByteArray("A") << QByteArray("k") << D << D << false;
    QTest::newRow("LF only") << QByteArray("[A]\nk=1\nj=2\n") << QByteArray("A") << QByteArray("j") << D << QByteArray("2") << true;
    QTest::newRow("CR only") << QByteArray("[A]\rk=1\rj=2") << QByteArray("A") << QByteArray("j") << D << QByteArray("2") << true;
    QTest::newRow("mixed ends") << QByteArray("[B]\r\r\n[A]\n\rk=1") << QByteArray("A") << QByteArray("k") << D << QByteArray("1") << true;
    QTest::newRow("default trailing blanks") << QByteArray() << QByteArray("A") << QByteArray("k") << QByteArray("  a b  ") << QByteArray("  a b") << false;
    QTest::newRow("8-bit value") << QByteArray("[A]\r\nk=\xE1\xF0\xFF\r\n") << QByteArray("A") << QByteArray("k") << D << QByteArray("\xE1\xF0\xFF") << true;

    for (int n : {2046, 2047, 2048, 2049}) {
        const QByteArray value(n, 'v');
        QTest::addRow("value of %d", n) << QByteArray("[A]\r\nk=" + value + "\r\n") << QByteArray("A") << QByteArray("k") << D
                                        << value.left(2047) << true;
    }
    const QByteArray quoted = '"' + QByteArray(2048, 'q') + '"';
    QTest::newRow("quoted 2050") << QByteArray("[A]\r\nk=" + quoted) << QByteArray("A") << QByteArray("k") << D << QByteArray(2047, 'q') << true;
    QTest::newRow("default of 2049") << QByteArray() << QByteArray("A") << QByteArray("k") << QByteArray(2049, 'd') << QByteArray(2047, 'd') << false;
}

void TestIniFile::read()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, def);
    QFETCH(QByteArray, expected);
    QFETCH(bool, found);

    bool wasFound = !found;
    QCOMPARE(IniFile::readFromText(text, section, key, def, &wasFound), expected);
    QCOMPARE(wasFound, found);

    // The same through a file on disk (where a UTF-8 mark starts a file, the encodings table rules).
    if (text.startsWith("\xEF\xBB\xBF"))
        return;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("t.ini");
    putFile(path, text);
    QCOMPARE(IniFile(path).readString(section, key, def), expected);
}

void TestIniFile::write_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("replace keeps spelling") << QByteArray("[Sec]\r\nKey = old\r\nother=1\r\n") << QByteArray("sec") << QByteArray("KEY")
                                            << QByteArray("new") << QByteArray("[Sec]\r\nKey=new\r\nother=1\r\n");
    QTest::newRow("replace indented") << QByteArray("[A]\r\n \t k = 1  \r\nb=2\r\n") << QByteArray("A") << QByteArray("k") << QByteArray("2")
                                      << QByteArray("[A]\r\nk=2\r\nb=2\r\n");
    QTest::newRow("header spelling kept") << QByteArray("; top\r\n[ Settings ]junk\r\nA=1\r\n") << QByteArray("settings") << QByteArray("a")
                                          << QByteArray("2") << QByteArray("; top\r\n[ Settings ]junk\r\nA=2\r\n");
    QTest::newRow("new key before trailing comments") << QByteArray("[A]\r\na=1\r\n; note\r\n\r\n[B]\r\nb=1\r\n") << QByteArray("A")
                                                      << QByteArray("c") << QByteArray("3")
                                                      << QByteArray("[A]\r\na=1\r\nc=3\r\n; note\r\n\r\n[B]\r\nb=1\r\n");
    QTest::newRow("new key, section without entries") << QByteArray("[A]\r\n; c\r\n\r\n[B]\r\n") << QByteArray("a") << QByteArray("k")
                                                      << QByteArray("v") << QByteArray("[A]\r\nk=v\r\n; c\r\n\r\n[B]\r\n");
    QTest::newRow("new key before line without =") << QByteArray("[A]\r\na=1\r\njunk\r\n") << QByteArray("A") << QByteArray("b")
                                                   << QByteArray("2") << QByteArray("[A]\r\na=1\r\nb=2\r\njunk\r\n");
    QTest::newRow("bare k stays, key added") << QByteArray("[A]\r\nk\r\na=1\r\n") << QByteArray("A") << QByteArray("k") << QByteArray("2")
                                             << QByteArray("[A]\r\nk\r\na=1\r\nk=2\r\n");
    QTest::newRow("comment not replaced") << QByteArray("[A]\r\n;k=v\r\n") << QByteArray("A") << QByteArray("k") << QByteArray("w")
                                          << QByteArray("[A]\r\nk=w\r\n;k=v\r\n");
    QTest::newRow("new section") << QByteArray("[A]\r\na=1\r\n") << QByteArray("B") << QByteArray("k") << QByteArray("v")
                                 << QByteArray("[A]\r\na=1\r\n[B]\r\nk=v\r\n");
    QTest::newRow("new section after blank line") << QByteArray("[A]\r\na=1\r\n\r\n") << QByteArray("B") << QByteArray("k") << QByteArray("v")
                                                  << QByteArray("[A]\r\na=1\r\n\r\n[B]\r\nk=v\r\n");
    QTest::newRow("new section, empty text") << QByteArray() << QByteArray("A") << QByteArray("k") << QByteArray("v")
                                             << QByteArray("[A]\r\nk=v\r\n");
    QTest::newRow("unterminated, new section") << QByteArray("[A]\r\na=1") << QByteArray("B") << QByteArray("k") << QByteArray("v")
                                               << QByteArray("[A]\r\na=1\r\n[B]\r\nk=v\r\n");
    QTest::newRow("unterminated, new key") << QByteArray("[A]\r\na=1") << QByteArray("A") << QByteArray("b") << QByteArray("2")
                                           << QByteArray("[A]\r\na=1\r\nb=2\r\n");
    QTest::newRow("unterminated header, new key") << QByteArray("[A]") << QByteArray("A") << QByteArray("b") << QByteArray("2")
                                                  << QByteArray("[A]\r\nb=2\r\n");
    QTest::newRow("unterminated, replace") << QByteArray("[A]\r\na=1") << QByteArray("A") << QByteArray("a") << QByteArray("2")
                                           << QByteArray("[A]\r\na=2\r\n");
    QTest::newRow("unterminated comment, new section") << QByteArray("[A]\r\n; c") << QByteArray("B") << QByteArray("k") << QByteArray("v")
                                                       << QByteArray("[A]\r\n; c\r\n[B]\r\nk=v\r\n");
    QTest::newRow("LF only, new key") << QByteArray("[A]\na=1\n[B]\nb=1\n") << QByteArray("A") << QByteArray("c") << QByteArray("3")
                                      << QByteArray("[A]\na=1\nc=3\r\n[B]\nb=1\n");
    QTest::newRow("LF only, replace") << QByteArray("[A]\na=1\n[B]\nb=1\n") << QByteArray("B") << QByteArray("b") << QByteArray("9")
                                      << QByteArray("[A]\na=1\n[B]\nb=9\r\n");
    QTest::newRow("LF only, new section") << QByteArray("[A]\na=1\n") << QByteArray("B") << QByteArray("k") << QByteArray("v")
                                          << QByteArray("[A]\na=1\n[B]\r\nk=v\r\n");
    QTest::newRow("CR only, replace") << QByteArray("[A]\ra=1\r[B]\rb=1\r") << QByteArray("A") << QByteArray("a") << QByteArray("5")
                                      << QByteArray("[A]\ra=5\r\n[B]\rb=1\r");
    QTest::newRow("CR only, new key") << QByteArray("[A]\ra=1\r[B]\rb=1\r") << QByteArray("A") << QByteArray("c") << QByteArray("3")
                                      << QByteArray("[A]\ra=1\rc=3\r\n[B]\rb=1\r");
    QTest::newRow("CR only, new section") << QByteArray("[A]\ra=1\r") << QByteArray("B") << QByteArray("k") << QByteArray("v")
                                          << QByteArray("[A]\ra=1\r[B]\r\nk=v\r\n");
    QTest::newRow("duplicate section, first written") << QByteArray("[A]\r\nx=1\r\n[a]\r\nk=old\r\n") << QByteArray("A") << QByteArray("k")
                                                      << QByteArray("new") << QByteArray("[A]\r\nx=1\r\nk=new\r\n[a]\r\nk=old\r\n");
    QTest::newRow("duplicate key, first replaced") << QByteArray("[A]\r\nk=1\r\nK=2\r\n") << QByteArray("A") << QByteArray("k")
                                                   << QByteArray("3") << QByteArray("[A]\r\nk=3\r\nK=2\r\n");
    QTest::newRow("before first header not matched") << QByteArray("k=1\r\n") << QByteArray("A") << QByteArray("k") << QByteArray("2")
                                                     << QByteArray("k=1\r\n[A]\r\nk=2\r\n");
    QTest::newRow("bom, section appended") << QByteArray("\xEF\xBB\xBF[A]\r\nk=1\r\n") << QByteArray("A") << QByteArray("k")
                                           << QByteArray("2") << QByteArray("\xEF\xBB\xBF[A]\r\nk=1\r\n[A]\r\nk=2\r\n");
    QTest::newRow("value as given") << QByteArray("[A]\r\n") << QByteArray("A") << QByteArray("k") << QByteArray("  x \xE1")
                                    << QByteArray("[A]\r\nk=  x \xE1\r\n");
    QTest::newRow("empty value") << QByteArray("[A]\r\nk=1\r\n") << QByteArray("A") << QByteArray("k") << QByteArray()
                                 << QByteArray("[A]\r\nk=\r\n");
    QTest::newRow("empty section name") << QByteArray("[]\r\nk=1\r\n") << QByteArray() << QByteArray("k") << QByteArray("2")
                                        << QByteArray("[]\r\nk=2\r\n");
}

void TestIniFile::write()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, expected);

    const QByteArray out = IniFile::writeToText(text, section, key, value);
    QCOMPARE(out, expected);
    // What was written reads back, apart from the trimming and unquoting of reads.
    QCOMPARE(IniFile::readFromText(out, section, key, "none"), value.trimmed());
}

void TestIniFile::erase_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("comments stay") << QByteArray("[A]\r\na=1\r\n; keep\r\n #k=v\r\n ;x=1\r\n[B]\r\nc=3\r\n") << QByteArray("A")
                                   << QByteArray("; keep\r\n ;x=1\r\n[B]\r\nc=3\r\n");
    QTest::newRow("blank lines and bare lines stay") << QByteArray("[X]\r\nx=1\r\n\r\n[a]\r\nk=1\r\nbare\r\n\r\n[B]\r\n") << QByteArray("A")
                                                     << QByteArray("[X]\r\nx=1\r\n\r\nbare\r\n\r\n[B]\r\n");
    QTest::newRow("absent section") << QByteArray("[B]\r\nb=1") << QByteArray("A") << QByteArray("[B]\r\nb=1");
    QTest::newRow("empty text") << QByteArray() << QByteArray("A") << QByteArray();
    QTest::newRow("first duplicate only") << QByteArray("[A]\r\nk=1\r\n[A]\r\nk=2\r\n") << QByteArray("a") << QByteArray("[A]\r\nk=2\r\n");
    QTest::newRow("unterminated last") << QByteArray("[B]\r\nb=1\r\n[A]\r\na=1") << QByteArray("A") << QByteArray("[B]\r\nb=1\r\n");
    QTest::newRow("middle, LF and CR ends") << QByteArray("[B]\nb=1\n[A]\ra=1\r[C]\nc=1\n") << QByteArray("A")
                                            << QByteArray("[B]\nb=1\n[C]\nc=1\n");
    QTest::newRow("lines before header stay") << QByteArray("k=0\r\n[A]\r\nk=1\r\n") << QByteArray("A") << QByteArray("k=0\r\n");
}

void TestIniFile::erase()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, expected);
    QCOMPARE(IniFile::eraseSectionInText(text, section), expected);
}

void TestIniFile::integer_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("expected");

    const int D = -99;
    QTest::newRow("plain") << QByteArray("k=12") << 12;
    QTest::newRow("blank before (trimmed)") << QByteArray("k= 12") << 12;
    QTest::newRow("blank before (quoted)") << QByteArray("k=\" 12\"") << 12;
    QTest::newRow("blank after (quoted)") << QByteArray("k=\"12 \"") << D;
    QTest::newRow("plus") << QByteArray("k=+7") << 7;
    QTest::newRow("minus") << QByteArray("k=-7") << -7;
    QTest::newRow("$1F") << QByteArray("k=$1F") << 31;
    QTest::newRow("0x1f") << QByteArray("k=0x1f") << 31;
    QTest::newRow("0X1F") << QByteArray("k=0X1F") << 31;
    QTest::newRow("x1F") << QByteArray("k=x1F") << 31;
    QTest::newRow("-$10") << QByteArray("k=-$10") << -16;
    QTest::newRow("0x alone") << QByteArray("k=0x") << D;
    QTest::newRow("$FFFFFFFF") << QByteArray("k=$FFFFFFFF") << -1;
    // Negating the smallest integer must not overflow (the UBSan build catches it).
    QTest::newRow("-$80000000") << QByteArray("k=-$80000000") << int(-2147483647 - 1);
    QTest::newRow("-0x80000000") << QByteArray("k=-0x80000000") << int(-2147483647 - 1);
    QTest::newRow("-x80000000") << QByteArray("k=-x80000000") << int(-2147483647 - 1);
    QTest::newRow("2147483647") << QByteArray("k=2147483647") << 2147483647;
    QTest::newRow("2147483648") << QByteArray("k=2147483648") << D;
    QTest::newRow("-2147483648") << QByteArray("k=-2147483648") << int(-2147483647 - 1);
    QTest::newRow("1.5") << QByteArray("k=1.5") << D;
    QTest::newRow("true") << QByteArray("k=true") << D;
    QTest::newRow("empty") << QByteArray("k=") << D;
    QTest::newRow("missing") << QByteArray("j=5") << D;
}

void TestIniFile::integer()
{
    QFETCH(QByteArray, line);
    QFETCH(int, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("n.ini");
    putFile(path, "[S]\r\n" + line + "\r\n");
    QCOMPARE(IniFile(path).readInteger("s", "K", -99), expected);
}

void TestIniFile::flag_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("def");
    QTest::addColumn<bool>("expected");

    QTest::newRow("1") << QByteArray("k=1") << false << true;
    QTest::newRow("0") << QByteArray("k=0") << true << false;
    QTest::newRow("2") << QByteArray("k=2") << false << true;
    QTest::newRow("-1") << QByteArray("k=-1") << false << true;
    QTest::newRow("0x0") << QByteArray("k=0x0") << true << false;
    QTest::newRow("true, default false") << QByteArray("k=true") << false << false;
    QTest::newRow("true, default true") << QByteArray("k=true") << true << true;
    QTest::newRow("missing, default true") << QByteArray("j=0") << true << true;
    QTest::newRow("missing, default false") << QByteArray("j=1") << false << false;
}

void TestIniFile::flag()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, def);
    QFETCH(bool, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("f.ini");
    putFile(path, "[S]\r\n" + line + "\r\n");
    QCOMPARE(IniFile(path).readBool("S", "k", def), expected);
}

void TestIniFile::readSeesEditsAndMissingFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("r.ini");
    const IniFile ini(path);
    QCOMPARE(ini.readString("A", "k", "none  "), QByteArray("none"));
    QCOMPARE(ini.readInteger("A", "k", 42), 42);
    putFile(path, "[A]\r\nk=1\r\n");
    QCOMPARE(ini.readString("A", "k", "none"), QByteArray("1"));
    putFile(path, "[A]\r\nk=2\r\n");
    QCOMPARE(ini.readString("A", "k", "none"), QByteArray("2"));
    QCOMPARE(ini.readInteger("A", "k", 0), 2);

    // A path that cannot be opened as a file gives the default.
    QVERIFY(QDir(dir.path()).mkdir("d.ini"));
    QCOMPARE(IniFile(dir.filePath("d.ini")).readString("A", "k", "none"), QByteArray("none"));
}

void TestIniFile::saveLikeSettings()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Quorvanel_tablo.ini");
    const QByteArray before = "; settings of the board tool\r\n"
                              "[Settings]\r\n"
                              "BaudRAte=9600\r\n"
                              "Extra=gone\r\n"
                              "; kept comment\r\n"
                              "\r\n"
                              "[Controller]\r\n"
                              "Addr=5\r\n"
                              "[tablo]\r\n"
                              "products=3\r\n";
    putFile(path, before);
    const QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    QVERIFY(QFile::setPermissions(path, mode));

    IniFile ini(path);
    // A save of two sections, as the program's save makes it.
    const auto save = [](IniFile::Batch &b) {
        b.eraseSection("Settings");
        b.writeString("Settings", "BaudRAte", "19200");
        b.writeString("Settings", "Port_Number", "COM3");
        b.writeBool("Settings", "Auto_Load", true);
        b.writeInteger("Settings", "Auto_Load_Intvl", 5000);
        b.writeBool("Settings", "Send_If_Changed", false);
        b.eraseSection("Tablo");
        b.writeInteger("Tablo", "Products", 10);
        b.writeInteger("Tablo", "Digits", -3);
        b.writeString("Tablo", "Name_1", "Normal");
        b.writeString("Tablo", "Name_6", "");
    };
    IniFile::Batch batch(ini);
    save(batch);

    // Nothing reaches the disk before the commit.
    QCOMPARE(fileBytes(path), before);

    QString error = "stale";
    QVERIFY(batch.commit(&error));
    QCOMPARE(error, QString());
    const QByteArray after = "; settings of the board tool\r\n"
                             "; kept comment\r\n"
                             "\r\n"
                             "[Controller]\r\n"
                             "Addr=5\r\n"
                             "[Settings]\r\n"
                             "BaudRAte=19200\r\n"
                             "Port_Number=COM3\r\n"
                             "Auto_Load=1\r\n"
                             "Auto_Load_Intvl=5000\r\n"
                             "Send_If_Changed=0\r\n"
                             "[Tablo]\r\n"
                             "Products=10\r\n"
                             "Digits=-3\r\n"
                             "Name_1=Normal\r\n"
                             "Name_6=\r\n";
    QCOMPARE(fileBytes(path), after);
    QCOMPARE(batch.text(), after);
    QCOMPARE(QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser), mode);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"Quorvanel_tablo.ini"});
    QCOMPARE(ini.readString("Settings", "Extra", "none"), QByteArray("none"));
    QCOMPARE(ini.readInteger("Controller", "Addr", 0), 5);
    QCOMPARE(ini.readInteger("tablo", "digits", 0), -3);
    QCOMPARE(ini.readBool("Settings", "Auto_Load", false), true);
    QCOMPARE(ini.readString("Tablo", "Name_6", "x"), QByteArray(""));

    // The same save again changes nothing.
    IniFile::Batch again(ini);
    save(again);
    QVERIFY(again.commit(nullptr));
    QCOMPARE(fileBytes(path), after);
}

void TestIniFile::batchReplacesInPlaceAndKeepsOthers()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("p.ini");
    putFile(path, "[Controller]\nAddr=5\n\n[Settings]\n port_number = COM1 \n;c\nUnknown=7");
    IniFile::Batch batch{IniFile(path)};
    batch.writeString("Settings", "Port_Number", "COM2");
    batch.writeInteger("Controller", "Speed", 3);
    batch.writeInteger("Settings", "Attempts", 4);
    batch.writeInteger("Other", "X", 1);
    QVERIFY(batch.commit(nullptr));
    QCOMPARE(fileBytes(path), QByteArray("[Controller]\nAddr=5\nSpeed=3\r\n\n[Settings]\nport_number=COM2\r\n;c\nUnknown=7\r\n"
                                         "Attempts=4\r\n[Other]\r\nX=1\r\n"));
}

void TestIniFile::batchOnMissingFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("new.ini");
    IniFile::Batch batch{IniFile(path)};
    QCOMPARE(batch.text(), QByteArray());
    batch.writeString("A", "k1", "1");
    batch.writeString("A", "k2", "two");
    batch.writeBool("A", "k3", false);
    batch.writeString("B", "k", "x");
    batch.writeString("A", "k4", "4");
    QVERIFY(!QFile::exists(path));
    QVERIFY(batch.commit(nullptr));
    QCOMPARE(fileBytes(path), QByteArray("[A]\r\nk1=1\r\nk2=two\r\nk3=0\r\nk4=4\r\n[B]\r\nk=x\r\n"));

    // Erasing on a missing file creates an empty file.
    const QString empty = dir.filePath("empty.ini");
    IniFile::Batch erase{IniFile(empty)};
    erase.eraseSection("Settings");
    QVERIFY(erase.commit(nullptr));
    QVERIFY(QFileInfo(empty).isFile());
    QCOMPARE(QFileInfo(empty).size(), 0);
}

void TestIniFile::commitFails_data()
{
    QTest::addColumn<QString>("setup");
    QTest::newRow("folder missing") << QString("missing");
    QTest::newRow("path is a folder") << QString("dir");
    QTest::newRow("folder gone after the batch was built") << QString("gone");
}

void TestIniFile::commitFails()
{
    QFETCH(QString, setup);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString savedCwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(tmp.path()));
    const QString root = QDir::currentPath();
    auto restore = qScopeGuard([&] { QDir::setCurrent(savedCwd); });

    QString relative;
    QByteArray old = "[Settings]\r\nPort_Number=COM1\r\n";
    if (setup == "missing") {
        relative = "nosuch/t.ini";
    } else if (setup == "dir") {
        relative = "t.ini";
        QVERIFY(QDir(root).mkdir("t.ini"));
        putFile(root + "/t.ini/inside", old);
    } else {
        relative = "sub/t.ini";
        QVERIFY(QDir(root).mkdir("sub"));
        putFile(root + "/sub/t.ini", old);
    }

    IniFile::Batch batch{IniFile(relative)};
    batch.writeString("Settings", "Port_Number", "COM9");
    if (setup == "gone")
        QVERIFY(QDir(root).rename("sub", "moved"));
    const QStringList listing = QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    QString error;
    QVERIFY(!batch.commit(&error));
    QCOMPARE(error, QString("Unable to write to " + root + "/" + relative));

    QCOMPARE(QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), listing);
    if (setup == "missing") {
        QVERIFY(!QFileInfo::exists(root + "/nosuch"));
    } else if (setup == "dir") {
        QVERIFY(QFileInfo(root + "/t.ini").isDir());
        QCOMPARE(QDir(root + "/t.ini").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"inside"});
        QCOMPARE(fileBytes(root + "/t.ini/inside"), old);
    } else {
        QCOMPARE(QDir(root + "/moved").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"t.ini"});
        QCOMPARE(fileBytes(root + "/moved/t.ini"), old);
    }
}

void TestIniFile::permissions()
{
    if (geteuid() == 0)
        QSKIP("permission bits do not stop the superuser");
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString folder = tmp.filePath("ro");
    QVERIFY(QDir(tmp.path()).mkdir("ro"));
    const QString locked = folder + "/locked.ini";
    const QString open = folder + "/open.ini";
    putFile(locked, "[A]\r\nk=1\r\n");
    putFile(open, "[A]\r\nk=1\r\n");
    QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    auto restore = qScopeGuard([&] {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner);
    });

    // Neither a new file in the folder nor the file itself: fails, old file untouched.
    IniFile::Batch fails{IniFile(locked)};
    fails.writeString("A", "k", "2");
    QString error;
    QVERIFY(!fails.commit(&error));
    QCOMPARE(error, "Unable to write to " + QFileInfo(locked).absoluteFilePath());
    QCOMPARE(fileBytes(locked), QByteArray("[A]\r\nk=1\r\n"));

    // The folder takes no new file but the file is writable: written in place.
    IniFile::Batch inPlace{IniFile(open)};
    inPlace.writeString("A", "k", "2");
    QVERIFY(inPlace.commit(&error));
    QCOMPARE(fileBytes(open), QByteArray("[A]\r\nk=2\r\n"));
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), (QStringList{"locked.ini", "open.ini"}));

    // A file that exists but cannot be read is not replaced by the batch alone.
    QVERIFY(QFile::setPermissions(open, QFile::WriteOwner));
    IniFile::Batch unreadable{IniFile(open)};
    unreadable.writeString("B", "x", "1");
    QVERIFY(!unreadable.commit(&error));
    QCOMPARE(error, "Unable to write to " + QFileInfo(open).absoluteFilePath());
    QVERIFY(QFile::setPermissions(open, QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(fileBytes(open), QByteArray("[A]\r\nk=2\r\n"));
}

namespace {
// A text's bytes as a Windows editor saves it: the byte order mark, then UTF-16 or UTF-8.
QByteArray saved(const QString &text, IniFile::Encoding e)
{
    using E = IniFile::Encoding;
    if (e == E::EightBit)
        return text.toLatin1();
    QStringEncoder encoder(e == E::Utf16Le ? QStringConverter::Utf16LE : e == E::Utf16Be ? QStringConverter::Utf16BE
                                                                                          : QStringConverter::Utf8,
                           QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}
} // namespace

// A file saved as "Unicode" reads as its 8-bit form (Latin-1; "?" beyond) and is written back in
// its own encoding, with the lines no write touches as they were.
void TestIniFile::encodings_data()
{
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QByteArray>("read");   // section "A", key "k"
    QTest::addColumn<QString>("after");     // after writing "k=\xE9" in "A" and "n=1" in "B"
    using E = IniFile::Encoding;
    const QString georgian = QString::fromUtf8("\u10E5\u10E3\u10E0\u10E1\u10D8");
    for (const E e : {E::Utf16Le, E::Utf16Be, E::Utf8Bom}) {
        const char *name = e == E::Utf16Le ? "UTF-16 LE" : e == E::Utf16Be ? "UTF-16 BE" : "UTF-8 mark";
        QTest::addRow("%s, header on line 1", name) << int(e) << "[A]\r\nk=1\r\n" << QByteArray("1")
                                                   << QString::fromUtf8("[A]\r\nk=\u00E9\r\n[B]\r\nn=1\r\n");
        QTest::addRow("%s, beyond Latin-1 kept", name)
            << int(e) << "; " + georgian + "\n[a]\nk=" + georgian + "\n" << QByteArray("?????")
            << QString::fromUtf8("; ") + georgian + QString::fromUtf8("\n[a]\nk=\u00E9\r\n[B]\r\nn=1\r\n");
    }
    QTest::newRow("8-bit as it stands") << int(E::EightBit) << QString::fromUtf8("[A]\r\nk=\u00E9") << QByteArray("\xE9")
                                        << QString::fromUtf8("[A]\r\nk=\u00E9\r\n[B]\r\nn=1\r\n");
}

void TestIniFile::encodings()
{
    QFETCH(int, encoding);
    QFETCH(QString, before);
    QFETCH(QByteArray, read);
    QFETCH(QString, after);
    const auto e = IniFile::Encoding(encoding);
    QTemporaryDir dir;
    const QString path = dir.filePath("t.ini");
    putFile(path, saved(before, e));
    QCOMPARE(IniFile(path).readString("A", "k", "none"), read);
    IniFile::Batch batch{IniFile(path)};
    QCOMPARE(batch.encoding(), e);
    batch.writeString("A", "k", "\xE9");
    batch.writeString("B", "n", "1");
    QVERIFY(batch.commit(nullptr));
    QCOMPARE(fileBytes(path), saved(after, e));
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
