#include "BoardRig.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/link/QtSerialLink.h"

namespace {

QByteArray settingsFile(const QString &port, const QByteArray &settings)
{
    if (settings.isNull())
        return QByteArray();
    return "[Settings]\r\nPort_Number=" + port.toLocal8Bit() + "\r\n" + settings;
}

} // namespace

BoardRig::BoardRig() : BoardRig(Options()) {}

BoardRig::BoardRig(const Options &options)
    : sim(options.sim), testApp(settingsFile(sim.port(), options.settings), options.dataFile.isNull())
{
    if (!options.dataFile.isNull())
        testApp.writeFile(QStringLiteral("Tablo_data.tbl"), options.dataFile);
    if (!options.schedule.isNull())
        testApp.writeFile(QStringLiteral("Shedule.shd"), options.schedule);
    if (options.beforeStartUp)
        options.beforeStartUp(*this);
    if (options.startUp)
        testApp.startUp();
}

bool BoardRig::connect() const
{
    if (!sim.ok())
        return false;
    settingsDialog()->portCombo->setEditText(sim.port());
    settingsDialog()->reopenPort();
    return app().serialLink->state() == SerialLink::State::Open;
}

QStringList BoardRig::figures() const
{
    QStringList out;
    for (int k = 1; k <= 10; ++k)
        out << mainWindow()->figureEdits[k]->text();
    return out;
}

QStringList BoardRig::logLines() const
{
    const QString text = settingsDialog()->protocolLog->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

QList<QWidget *> BoardRig::exchangeControls() const
{
    const MainWindow *window = mainWindow();
    return {window->readButton, window->writeButton, window->clockButton, window->brightnessGroup,
            window->lightingGroup};
}

QByteArrayList BoardRig::commands() const
{
    QByteArrayList out;
    for (const QByteArray &line : sim.received().split('\n')) {
        const int semi = line.indexOf(';');
        if (semi >= 0)
            out << line.left(semi);
        else if (!line.isEmpty() && line != "\r")
            out << line;
    }
    return out;
}

QByteArrayList BoardRig::boardControllerValues()
{
    sim.output();   // what the simulator printed before the dump is not searched
    if (!sim.control(QStringLiteral("dump")))
        return {};
    const QByteArray out = sim.output();
    const int at = out.lastIndexOf("DUMP READ=");
    const QByteArray line = out.mid(at + 10, out.indexOf('\n', at) - at - 10);
    return line.split(',').mid(13, 19);
}

QByteArray standardSettings(const QStringList &overrides)
{
    QStringList settings{"BaudRAte=9600",     "Auto_Load=0",                "Auto_Load_Intvl=1000", "Send_If_Changed=0",
                         "Attempts=1",        "Timeout_for_command=1000",   "Manage_Checksumms=1"};
    QStringList tablo{"Board_type=0", "Digits=5", "Fill_char=0", "Replys=0"};
    for (const QString &o : overrides) {
        const QString key = o.section('=', 0, 0) + '=';
        bool replaced = false;
        for (QStringList *list : {&settings, &tablo})
            for (QString &line : *list)
                if (line.startsWith(key))
                    line = o, replaced = true;
        if (!replaced)
            tablo << o;
    }
    return (settings.join("\r\n") + "\r\n[Tablo]\r\n" + tablo.join("\r\n") + "\r\n").toLatin1();
}

QString simEscaped(const QByteArray &bytes)
{
    QString out;
    for (char c : bytes) {
        const uchar u = uchar(c);
        if (c == '\r')
            out += QStringLiteral("\\r");
        else if (c == '\n')
            out += QStringLiteral("\\n");
        else if (c == '\\')
            out += QStringLiteral("\\\\");
        else if (c == ' ')
            out += QStringLiteral("\\s");
        else if (u < 0x20 || u >= 0x7f)
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            out += QLatin1Char(c);
    }
    return out;
}
