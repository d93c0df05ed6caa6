// The Settings dialog's port boxes: the port, baud rate and parity that reopen the port, and
// the list of ports that can be opened.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPalette>
#include <QSerialPortInfo>

#include <algorithm>

#include "app/App.h"
#include "gui/MainWindow.h"
#include "gui/SerialPort.h"
#include "gui/SettingsDialog.h"

namespace {
// Orders port names as people count: "ttyS2" before "ttyS10".
bool naturalLess(const QString &a, const QString &b)
{
    int i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            int ie = i, je = j;
            while (ie < a.size() && a[ie].isDigit())
                ++ie;
            while (je < b.size() && b[je].isDigit())
                ++je;
            QStringView da = QStringView(a).mid(i, ie - i), db = QStringView(b).mid(j, je - j);
            while (da.size() > 1 && da.front() == QLatin1Char('0'))
                da = da.mid(1);
            while (db.size() > 1 && db.front() == QLatin1Char('0'))
                db = db.mid(1);
            if (da.size() != db.size())
                return da.size() < db.size();
            if (const int c = da.compare(db); c != 0)
                return c < 0;
            i = ie;
            j = je;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}
} // namespace

void SettingsDialog::reopenPort()
{
    app.portName = portCombo->currentText();
    if (app.port->state() != SerialPort::State::None)
        app.port->close();
    else
        app.mainWindow->saveSettings();
    app.port->open(app.portName, app.baudRate, app.parity);
    setPortBoxColour(app.port->state() == SerialPort::State::Failed);
}

void SettingsDialog::onBaudRateChanged()
{
    app.baudRate = baudRateCombo->currentText();
    reopenPort();
}

void SettingsDialog::onParityChanged()
{
    app.parity = parityCombo->currentText();
    reopenPort();
}

void SettingsDialog::refreshPortList()
{
    setPortBoxColour(false);
    const QString remembered = app.portName;
    const QString rememberedPath = SerialPort::devicePath(remembered);

    // The ports the system knows of, plus the remembered one: a pseudo-terminal or a link to
    // a port is never enumerated but may well still open.
    QStringList candidates;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        const QString name = info.portName();
#else
        const QString name = info.systemLocation();
#endif
        if (!candidates.contains(name))
            candidates << name;
    }
    const bool enumerated = std::any_of(candidates.cbegin(), candidates.cend(), [&](const QString &n) {
        return SerialPort::devicePath(n) == rememberedPath;
    });
    if (!remembered.isEmpty() && !enumerated)
        candidates << remembered;
    std::sort(candidates.begin(), candidates.end(), naturalLess);

    portCombo->clear();
    bool rememberedExists = false;
    for (const QString &name : std::as_const(candidates)) {
        app.portName = name;
        if (app.port->state() != SerialPort::State::None)
            app.port->close();
        if (app.port->open(name, app.baudRate, app.parity) != SerialPort::State::Open)
            continue;
        if (!remembered.isEmpty() && SerialPort::devicePath(name) == rememberedPath) {
            // Listed under the name the operator chose ("COM1" rather than /dev/ttyS0).
            portCombo->addItem(remembered);
            rememberedExists = true;
        } else {
            portCombo->addItem(name);
        }
    }
    if (rememberedExists)
        portCombo->setCurrentIndex(portCombo->findText(remembered));
    else if (portCombo->count() > 0)
        portCombo->setCurrentIndex(0);
    else
        portCombo->setEditText(QString());
    reopenPort();
}

void SettingsDialog::setPortBoxColour(bool failed)
{
    QPalette p = portCombo->palette();
    const QColor normal = QApplication::palette(portCombo).color(QPalette::Base);
    p.setColor(QPalette::Base, failed ? QColor(Qt::red) : normal);
    portCombo->setPalette(p);
    if (QLineEdit *e = portCombo->lineEdit())
        e->setPalette(p);
}
