#include "about.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace trellim {

namespace {

QPixmap Logo()
{
    QPixmap pixmap(72, 72);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(44, 96, 140));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(4, 4, 64, 64, 10, 10);
    painter.setPen(QColor(248, 247, 237));
    QFont font = painter.font();
    font.setPixelSize(40);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(4, 4, 64, 64), Qt::AlignCenter, QStringLiteral("T"));
    return pixmap;
}

QLabel* Line(const QString& text, QWidget* parent, bool bold = false)
{
    auto* label = new QLabel(text, parent);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    return label;
}

} // namespace

TFAbout::TFAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TFAbout"));
    setWindowTitle(QStringLiteral("About..."));
    setModal(true);

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("Logo"));
    logo->setPixmap(Logo());
    logo->setAlignment(Qt::AlignTop);

    auto* details = new QGridLayout;
    details->addWidget(Line(QStringLiteral("Software Trellim "), this, true), 0, 0, 1, 2);
    details->addWidget(Line(QStringLiteral("Gateway CANopen to Modbus TCP Master"), this), 1, 0, 1, 2);
    details->addWidget(Line(QStringLiteral("Software Code : "), this), 2, 0);
    details->addWidget(Line(QStringLiteral("SW73915"), this), 2, 1);
    details->addWidget(Line(QStringLiteral("Version :"), this), 3, 0);
    details->addWidget(Line(QStringLiteral("1.101"), this), 3, 1);

    auto* link = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(kWebAddress), this);
    link->setObjectName(QStringLiteral("WebLink"));
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link->setOpenExternalLinks(false);
    connect(link, &QLabel::linkActivated, this, [](const QString& address) {
        QDesktopServices::openUrl(QUrl(address));
    });

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* right = new QVBoxLayout;
    right->addLayout(details);
    right->addStretch();
    right->addWidget(link, 0, Qt::AlignRight);

    auto* top = new QHBoxLayout;
    top->addWidget(logo);
    top->addSpacing(12);
    top->addLayout(right);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

} // namespace trellim
