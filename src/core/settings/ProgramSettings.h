#pragma once
// The program's settings as plain values: the sections "Settings" (serial line, automatic
// loading, exchange options) and "Tablo" (board configuration, show flags) of the settings file.
// The initial values are those a load gives for a missing file or key.
#include <QString>
#include <array>

struct ProgramSettings {
    // Serial line and automatic functions
    QString port = QStringLiteral("COM1");
    QString baudRate = QStringLiteral("9600");
    QString parity = QStringLiteral("None"); // not stored: every load sets "None"
    bool autoLoad = false;
    int autoLoadIntervalMs = 5000;           // 1000 .. 1000000
    bool sendIfChanged = false;
    int attempts = 1;                        // 1 .. 10
    int timeoutMs = 1000;                    // 400 .. 10000
    bool checksums = true;

    // Board configuration
    int productCount = 10;                   // 1 .. 10
    int currencyCount = 5;                   // 1 .. 5
    bool lightingControl = true;             // the main window's lighting selector is offered
    bool brightnessControl = true;           // the main window's brightness selector is offered
    // Show flag of each figure slot, index slot - 1: the first box of row r holds slot 2r - 1,
    // the second box slot 2r. Slots 9 and 10 (row 5) are off by default.
    std::array<bool, 10> shown{true, true, true, true, true, true, true, true, false, false};
    bool oneWay = false;                     // no reply is awaited from the board
    std::array<QString, 10> productNames{QStringLiteral("Normal"), QStringLiteral("Regular"),
                                         QStringLiteral("Premium"), QStringLiteral("Super"),
                                         QStringLiteral("Diesel")};
    std::array<QString, 5> currencies{QStringLiteral("USD"), QStringLiteral("EUR"), QStringLiteral("GBP"),
                                      QStringLiteral("RUR"), QStringLiteral("FRF")};
    int fillMode = 0;                        // 0 the digit zero, 1 a blank, -1 no selection
    int boardType = 0;                       // 0 currency board, 1 price board, -1 no selection
    int digits = 5;                          // 1 .. 5

    // The fill character of the fill mode: anything but mode 0 fills with a blank.
    QChar fillChar() const { return fillMode == 0 ? QLatin1Char('0') : QLatin1Char(' '); }
    // The slots an upload shows: on the currency board a row is one unit, and its second figure
    // follows the row's first box.
    std::array<bool, 10> slotsShown() const
    {
        std::array<bool, 10> s = shown;
        if (boardType == 0) {
            for (int r = 0; r < 5; ++r)
                s[2 * r + 1] = s[2 * r];
        }
        return s;
    }

    bool operator==(const ProgramSettings &) const = default;
};

// The values brought into the ranges of the settings file's keys (SettingsStore::programKeys()):
// numbers take the nearest end of their range; a selector index past the last item takes the last
// one, a negative one none.
ProgramSettings withinRanges(ProgramSettings s);
