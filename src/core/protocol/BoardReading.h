#pragma once
// What the board reports in its "READ" reply, field by field, as the texts it sent.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>

struct BoardReading {
    std::array<QByteArray, 10> figures;     // fields 1..10, slots 1..10
    QByteArray temperature;                 // 11; "-0.25" means a sensor fault
    QByteArray brightnessLevel;             // 12, 0..4
    QByteArray lightingState;               // 13
    // 14..32: the controller's parameters, in the order "SETS=" sends them.
    QByteArray brightnessMode;              // 14, 0..6
    QByteArray lightingMode;                // 15, 0..3
    QByteArray flash;                       // 16
    QByteArray morningTime;                 // 17, minutes after midnight
    QByteArray eveningTime;                 // 18
    QByteArray morningOffset;               // 19, one byte (128 and above are negative)
    QByteArray eveningOffset;               // 20
    QByteArray dayBrightness;               // 21, 0..4
    QByteArray nightBrightness;             // 22
    QByteArray lightingOffTime;             // 23, minutes
    QByteArray lightingOnTime;              // 24
    QByteArray lightingOffOffset;           // 25, one byte
    QByteArray lightingOnOffset;            // 26
    QByteArray timerUsed;                   // 27, 0 or 1
    QByteArray temperatureSensorUsed;       // 28
    QByteArray section;                     // 29, temperature and clock section 0..10
    QByteArray eventsEnabled;               // 30
    QByteArray inverseSignals;              // 31
    QByteArray controlledBy;                // 32, 0 PC, 1 modem

    // The ten figures joined without separators: what an upload compares with what it sent.
    QString figuresText() const;
    // The ten figures, one text each.
    QStringList figureTexts() const;
    // Field k (1..32) of the reply; entry 0 is unused.
    std::array<QByteArray, 33> fields() const;
    void setFields(const std::array<QByteArray, 33> &fields);
};

struct BoardReadingParse {
    bool ok = false;          // false: a data error; the reading is then `previous` unchanged
    int fields = 0;           // fields taken (31 or 32 when ok)
    BoardReading reading;
};

// Parses a "READ" reply line (the checksum is tested separately) with the rules of
// Protocol::parseReadReply. A 31-field reply keeps `previous.controlledBy`.
BoardReadingParse parseBoardReading(const QByteArray &reply, const BoardReading &previous);
