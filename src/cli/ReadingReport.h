#pragma once
// What the board reported in a "READ" reply, with plain names, as "name: value" lines or JSON.
// Times as hh:mm:ss, corrections as the window shows them (a board value above 127 is
// negative), codes with their meaning.
#include <QByteArray>
#include <QJsonObject>

struct BoardReading;

QByteArray readingText(const BoardReading &reading);
QJsonObject readingJson(const BoardReading &reading);
