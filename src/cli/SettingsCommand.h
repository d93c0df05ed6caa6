#pragma once
// tablo-cli settings: shows and sets the program settings (sections "Settings" and "Tablo" of the
// settings file) through the settings store, with the ranges of the window's settings dialog, so
// that a machine without a display can be set up.
#include <QString>
#include <QStringList>

struct CliContext;

// Each argument is KEY (show it) or KEY=VALUE (set it); KEY may carry its section
// ("Tablo/Digits"), in any case. False with `error` naming the first bad argument.
bool checkSettingArguments(const QStringList &arguments, QString &error);

int runSettings(CliContext &context);
