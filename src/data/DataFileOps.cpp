// The data file "Tablo_data.tbl": saving and loading the ten figures, the automatic load
// poll and the Settings dialog's options for it.
#include <QCheckBox>
#include <QFile>
#include <QHideEvent>
#include <QLabel>
#include <QSpinBox>

#include "app/App.h"
#include "app/BigTablo.h"
#include "gui/ErrorDialogs.h"
#include "core/files/DataFile.h"
#include "core/figures/FigureFormat.h"
#include "gui/DataFileMissingDialog.h"
#include "dialogs/Settings.h"

void TForm1::Save1Click()
{
    QStringList figures;
    for (int k = 1; k <= 10; ++k)
        figures << app.Board_Values[k];
    QString error;
    if (!DataFile::writeFileSafely(app.Data_File, DataFile::compose(figures), &error)) {
        app.showError(error);
        return;
    }
    StatusBar1->setPanelText(0, QStringLiteral("Saved"));
}

void TForm1::Load1Click()
{
    if (!QFile::exists(app.Data_File)) {
        // Showing the Settings dialog creates the file; nothing is loaded this time.
        app.execModal(app.Form2);
        return;
    }
    StatusBar1->setPanelText(0, QStringLiteral("Loading"));

    QByteArray content;
    QString error;
    if (!DataFile::readFile(app.Data_File, content, &error)) {
        app.showError(error);
        return; // fields, stored figures and the change detector stay as they were
    }

    // The lines come from a file, not from the board: they are always cleaned of foreign
    // characters, also when a board read falls back to the file.
    const QList<QByteArray> lines = DataFile::splitLines(content);
    app.Loaded_Content.clear();
    for (int k = 1; k <= 10; ++k) {
        QString line = k <= lines.size() ? QString::fromLatin1(lines.at(k - 1)) : QString();
        if (line.isEmpty())
            line = QStringLiteral("     ");
        const FormatResult r = Format_Value(line, app.Board_Values[k], app.Last_Key, digits(), app.Fill_Char,
                                            blankMode(), false);
        app.Board_Values[k] = r.text;
        app.Loaded_Content += r.text;
    }

    // A field that changes is formatted through its change event (and, with automatic
    // loading off, saves the file in its formatted form).
    for (int k = 1; k <= 10; ++k) {
        const QString figure = app.Board_Values[k];
        if (Edit[k]->text() != figure)
            Edit[k]->setText(figure);
    }

    // ---- Upload when the file's content changed ----
    Upload_When_Changed();
    // ---- end of upload when changed ----

    StatusBar1->setPanelText(0, QStringLiteral("Loaded"));
}

void TForm1::Show1Click()
{
    if (QFile::exists(app.Data_File))
        app.startEditor(app.Data_File);
    else
        app.execModal(app.Form2); // showing the dialog creates the file
}

void TForm1::Timer1Timer()
{
    // A board read writes the fields itself (and falls back to the file on its own).
    if (app.Form2->Auto_Load_Chb->isChecked() && !app.Read_Busy)
        Load1Click();
}

bool TForm1::Create_Data_File()
{
    QString error;
    if (!DataFile::writeFileSafely(app.Data_File, QByteArray("0.000\r\n").repeated(10), &error)) {
        app.showError(error);
        return false;
    }
    return true;
}

void TForm1::Apply_Autoload_Interval()
{
    Timer1->setInterval(qBound(1000, app.Auto_Load_Intvl, 1000000));
    if (app.Form2->Auto_Load_Chb->isChecked())
        Timer1->start();
    else
        Timer1->stop();
}

void TForm2::Auto_Load_ChbClick()
{
    if (Auto_Load_Chb->isChecked()) {
        CheckBox2->show();
        SpinEdit1->setEnabled(true);
        LabelSec->setEnabled(true);
        if (!QFile::exists(app.Data_File)) {
            app.beep();
            app.execModal(app.Form5);
        }
    } else {
        CheckBox2->hide();
        CheckBox2->setChecked(false);
        SpinEdit1->setEnabled(false);
        LabelSec->setEnabled(false);
    }
    app.Form1->Save_Settings();
}

void TForm2::CheckBox2Click()
{
    app.Send_If_Changed = CheckBox2->isChecked();
    app.Form1->Save_Settings();
}

void TForm2::SpinEdit1Change()
{
    app.Auto_Load_Intvl = SpinEdit1->value() * 1000;
    app.Form1->Save_Settings();
    if (app.Form1->Timer1->isActive())
        app.Form1->Timer1->setInterval(app.Auto_Load_Intvl);
}

void TForm2::hideEvent(QHideEvent *e)
{
    QDialog::hideEvent(e);
    // Leaving the dialog resumes automatic loading as set, rather than waiting for the next
    // exchange with the board.
    if (!e->spontaneous() && app.Form1 && !app.Closing)
        app.Form1->Apply_Autoload_Interval();
}
