// The Settings dialog's port boxes: the port, baud rate and parity that reopen the port, and
// the list of ports that can be opened.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPalette>
#include <QAbstractItemView>
#include <QFontMetrics>
#include <QPushButton>
#include <utility>

#include <algorithm>

#include "gui/App.h"
#include "core/settings/SettingsModel.h"
#include "core/link/PortNames.h"
#include "core/operations/BoardService.h"
#include "gui/SettingsDialog.h"

void SettingsDialog::reopenPort()
{
    app.settings->setPort(portCombo->currentText());
    app.reopenPort();
}

void SettingsDialog::showChosenPort()
{
    const ProgramSettings s = app.settings->program();
    portCombo->setCurrentText(s.port);
    parityCombo->setCurrentText(s.parity);
    baudRateCombo->setCurrentText(s.baudRate);
}

void SettingsDialog::onBaudRateChanged()
{
    app.settings->setBaudRate(baudRateCombo->currentText());
    reopenPort();
}

void SettingsDialog::onParityChanged()
{
    app.settings->setParity(parityCombo->currentText());
    reopenPort();
}

void SettingsDialog::onBoardBusyChanged(bool busy)
{
    for (QWidget *w : {static_cast<QWidget *>(portCombo), static_cast<QWidget *>(baudRateCombo),
                       static_cast<QWidget *>(parityCombo), static_cast<QWidget *>(refreshButton)})
        w->setEnabled(!busy);
}

void SettingsDialog::refreshPortList()
{
    // Probing opens and closes the port: never while the board is in use, a request waits or a
    // result is being handled; it runs once the board service is idle.
    if (!app.service->isIdle()) {
        if (!std::exchange(m_refreshWaiting, true))
            connect(app.service, &BoardService::idle, this, [this] {
                m_refreshWaiting = false;
                refreshPortList();
            }, Qt::SingleShotConnection);
        return;
    }
    setPortBoxColour(false);
    const QString remembered = app.settings->program().port;

    // Stable by-id names first, then the ports the system reports; the remembered port is
    // listed under the name the operator chose, also when the system does not report it (a
    // pseudo-terminal, "COM1" for /dev/ttyS0). Only ports that open are offered.
    const QList<PortNames::PortEntry> entries = PortNames::systemPortScan(remembered);
    QStringList names;
    for (const PortNames::PortEntry &entry : entries)
        names << entry.name;
    bool tried = false;
    const QStringList openable = app.service->openablePorts(names, &tried);
    if (!tried)
        return;   // the remembered port stays as it is
    portCombo->clear();
    bool rememberedExists = false;
    int widest = 0;
    const QFontMetrics metrics(portCombo->view()->font());
    for (const PortNames::PortEntry &entry : entries) {
        if (!openable.contains(entry.name))
            continue;
        QStringList tip{entry.device.isEmpty() ? entry.name : entry.device};
        if (!entry.description.isEmpty())
            tip << entry.description;
        portCombo->addItem(entry.name);
        portCombo->setItemData(portCombo->count() - 1, tip.join(QLatin1Char('\n')), Qt::ToolTipRole);
        widest = std::max(widest, metrics.horizontalAdvance(entry.name));
        if (entry.name == remembered)
            rememberedExists = true;
    }
    // The list opens wide enough for the longest name (a by-id name is long).
    portCombo->view()->setMinimumWidth(widest + 2 * portCombo->view()->frameWidth() + 24);
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
    // A red box says why the port does not open; otherwise a name too long for the box shows
    // whole in the tool tip.
    const QString name = portCombo->currentText();
    const QLineEdit *edit = portCombo->lineEdit();
    const bool cut = edit && edit->fontMetrics().horizontalAdvance(name) > edit->width();
    if (failed)
        portCombo->setToolTip(app.service->portError());
    else
        portCombo->setToolTip(cut ? name : QString());
}
