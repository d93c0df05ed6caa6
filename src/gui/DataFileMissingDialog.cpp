#include "gui/DataFileMissingDialog.h"
#include "gui/widgets/WidgetHelpers.h"

#include <QLabel>
#include <QPushButton>

DataFileMissingDialog::DataFileMissingDialog() : QDialog(nullptr)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Currencys File Not Exists"));
    setModal(true);
    messageLabel = new QLabel(QStringLiteral("Currencys File Not Exists"), this);
    messageLabel->setObjectName(QStringLiteral("Label1"));
    messageLabel->setFont(pixelFont(13, true));
    messageLabel->setAlignment(Qt::AlignCenter);
    messageLabel->setGeometry(8, 16, 264, 24);
    okButton = new QPushButton(QStringLiteral("Ok"), this);
    okButton->setObjectName(QStringLiteral("Button1"));
    okButton->setDefault(true);
    okButton->setGeometry(100, 56, 80, 28);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(280, 96);
}
