#include "gui/ErrorDialogs.h"
#include "gui/widgets/WidgetHelpers.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

ErrorDialog::ErrorDialog(const QString &name, const QStringList &lines) : QDialog(nullptr)
{
    setObjectName(name);
    setWindowTitle(QStringLiteral("Error"));
    setModal(true);
    const QFont f = pixelFont(13, true);
    setFixedSize(392, 116);
    int y = 8;
    const int lineHeight = lines.size() > 2 ? 20 : 26;
    for (int i = 0; i < lines.size(); ++i) {
        auto *l = new QLabel(lines[i], this);
        l->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        l->setFont(f);
        l->setAlignment(Qt::AlignCenter);
        l->setGeometry(4, y, 384, lineHeight);
        y += lineHeight;
        lineLabels.append(l);
    }
    okButton = new QPushButton(QStringLiteral("Ok"), this);
    okButton->setObjectName(QStringLiteral("Button1"));
    okButton->setDefault(true);
    okButton->setGeometry(156, 80, 80, 28);
    connect(okButton, &QPushButton::clicked, this, [this] {
        hide();
        done(QDialog::Accepted);
    });
    if (QScreen *s = QGuiApplication::primaryScreen()) {
        const QRect g = s->availableGeometry();
        move(g.center() - QPoint(width() / 2, height() / 2));
    }
}

ConnectionErrorDialog::ConnectionErrorDialog()
    : ErrorDialog(QStringLiteral("Form8"), {QStringLiteral("კავშირის შეცდომა"), QStringLiteral("ჩართეთ ტაბლო!!!"),
                                            QStringLiteral("შეამოწმეთ კაბელი, USB გადამყვანი და პორტის ნომერი")})
{
}

UploadErrorDialog::UploadErrorDialog()
    : ErrorDialog(QStringLiteral("Form9"), {QStringLiteral("მონაცემები გადაიცა შეცდომით")})
{
}

ReadErrorDialog::ReadErrorDialog()
    : ErrorDialog(QStringLiteral("Form10"), {QStringLiteral("ტაბლოში მონაცემები დარღვეულია"),
                                             QStringLiteral("გთხოვთ განმეორებით გადაგზავნოთ მონაცემები")})
{
}
