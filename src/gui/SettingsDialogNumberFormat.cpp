// The Settings dialog's number format: the digit count and the fill character, both of which
// reformat the main window's figure fields.
#include <QSpinBox>

#include "gui/App.h"
#include "gui/MainWindow.h"
#include "gui/SettingsDialog.h"

void SettingsDialog::onDigitsChanged()
{
    const int n = digitsSpin->value();
    if (!app.loadingSettings) {
        if (n > previousDigits) {
            for (int k = 1; k <= 10; ++k) {
                FigureEdit *e = app.mainWindow->figureEdits[k];
                e->setText(e->text() + app.fillChar);
            }
        }
        app.mainWindow->reformatAllFields();
    }
    // Remembered also while the settings load, so that the next change compares with the
    // number actually in effect.
    previousDigits = n;
}

QChar SettingsDialog::fillChar() const { return fillCharGroup->itemIndex() == 0 ? QLatin1Char('0') : QLatin1Char(' '); }

void SettingsDialog::onFillCharChanged()
{
    if (app.loadingSettings)
        return;
    app.fillChar = fillChar();
    app.mainWindow->reformatAllFields();
}
