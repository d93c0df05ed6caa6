#include "comm/CommFunctions.h"

#include <QSerialPort>

#include "app/App.h"
#include "dialogs/Settings.h"

CommPort::CommPort(QObject *parent) : QObject(parent) {}
CommPort::~CommPort() { Close_Port(); }

QString CommPort::devicePath(const QString &name) { return name; }
CommPort::State CommPort::Open_Port(const QString &, const QString &, const QString &) { return m_state = State::Failed; }
void CommPort::Close_Port() { m_state = State::None; }
void CommPort::Write_Command(const QByteArray &) {}
bool CommPort::Read_Byte(char &) { return false; }
bool CommPort::Read_Buffered_Byte(char &) { return false; }
void CommPort::onError(int) {}

void TForm2::ComboBox1Change() {}
void TForm2::ComboBox11Change() {}
void TForm2::ComboBox3Change() {}
void TForm2::Button2Click() {}
void TForm2::Set_Port_Box_Colour(bool) {}
